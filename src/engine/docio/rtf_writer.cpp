#include "docio/rtf_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <unordered_map>
#include <vector>

#include "text/cp1251.h"

namespace lettrica::docio {

namespace {

constexpr std::size_t kFlushSize = 64 * 1024;
constexpr int kLevels = 9;
constexpr int kLevelIndent = 360;  // twips per list level, and the marker's hanging indent

struct ListInfo {
    int number = 0;  // \ls and \listid
    std::array<const ParagraphFormat*, kLevels> levels{};  // the first item of each level
    std::array<int, kLevels> counters{};                   // items written so far, by level
};

std::u16string roman(int n, bool upper) {
    static constexpr std::pair<int, const char*> kDigits[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"},
                                                              {100, "c"},  {90, "xc"},  {50, "l"},  {40, "xl"},
                                                              {10, "x"},   {9, "ix"},   {5, "v"},   {4, "iv"},
                                                              {1, "i"}};
    std::u16string s;
    for (auto [value, digits] : kDigits)
        for (; n >= value; n -= value)
            for (const char* d = digits; *d; ++d) s += static_cast<char16_t>(upper ? *d - 32 : *d);
    return s;
}

std::u16string alphabetic(int n, bool upper) {
    std::u16string s;
    for (; n > 0; n = (n - 1) / 26) s.insert(s.begin(), static_cast<char16_t>((upper ? u'A' : u'a') + (n - 1) % 26));
    return s;
}

// An item's number as a reader that knows no lists shows it.
std::u16string formatNumber(ListStyle style, int n) {
    if (n > 0 && n < 4000 && (style == ListStyle::UpperRoman || style == ListStyle::LowerRoman))
        return roman(n, style == ListStyle::UpperRoman);
    if (n > 0 && (style == ListStyle::UpperAlpha || style == ListStyle::LowerAlpha))
        return alphabetic(n, style == ListStyle::UpperAlpha);
    const std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

class Writer {
public:
    Writer(const RichDocument& document, const RtfSink& sink) : doc_(document), sink_(sink) {}
    void run();

private:
    void flushIfFull() {
        if (out_.size() >= kFlushSize) flush();
    }
    void flush() {
        if (!out_.empty()) sink_(out_);
        out_.clear();
    }
    void number(long long n) {
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, n);
        out_.append(buf, r.ptr);
    }
    void word(std::string_view w, long long n) {
        out_ += '\\';
        out_ += w;
        number(n);
    }
    void escaped(std::u16string_view text, bool inTable);

    void collectTables();
    void header();
    void listTable();
    void paragraphStart(const ParagraphFormat& f);
    void charFormat(int index);
    void listMarker(const ParagraphFormat& f);
    std::u16string itemNumber(const ParagraphFormat& f);

    const RichDocument& doc_;
    const RtfSink& sink_;
    std::string out_;
    std::vector<std::u16string> fonts_;
    std::vector<int> fontOf_;                    // font number of each char format
    std::vector<Rgb> colors_;                    // from colour 1
    std::vector<int> colorOf_, backgroundOf_;   // colour number of each char format, 0 none
    std::map<int, ListInfo> lists_;              // by the document's list id
};

// Escapes text: ASCII as it is, \'hh for Windows-1251, \uN? beyond.
// In the font table a ';' would end the name and is left out.
void Writer::escaped(std::u16string_view text, bool inTable) {
    for (char16_t c : text) {
        if (c >= 0x20 && c < 0x80) {
            if (c == u'\\' || c == u'{' || c == u'}') out_ += '\\';
            else if (c == u';' && inTable) continue;
            out_ += static_cast<char>(c);
        } else if (c < 0x20) {
            if (c == u'\t') out_ += "\\tab ";
            else if (c == u'\v' || c == u'\r' || c == u'\n') out_ += "\\line ";
        } else if (c == 0x2028) {
            out_ += "\\line ";
        } else if (int b = text::unicodeToCp1251(c); b >= 0) {
            static constexpr char kHex[] = "0123456789abcdef";
            out_ += "\\'";
            out_ += kHex[b >> 4];
            out_ += kHex[b & 15];
        } else {
            word("u", static_cast<std::int16_t>(c));
            out_ += '?';
        }
    }
}

void Writer::collectTables() {
    std::unordered_map<std::u16string, int> fontIndex;
    std::map<std::tuple<int, int, int>, int> colorIndex;
    auto font = [&](const std::u16string& name) {
        const std::u16string& n = name.empty() ? std::u16string(kDefaultFontName) : name;
        auto [it, added] = fontIndex.try_emplace(n, static_cast<int>(fonts_.size()));
        if (added) fonts_.push_back(n);
        return it->second;
    };
    auto color = [&](const std::optional<Rgb>& c) {
        if (!c) return 0;
        auto [it, added] = colorIndex.try_emplace({c->red, c->green, c->blue}, static_cast<int>(colors_.size()) + 1);
        if (added) colors_.push_back(*c);
        return it->second;
    };
    font(u"");  // \f0, the default face
    for (const CharFormat& f : doc_.charFormats) {
        fontOf_.push_back(font(f.fontName));
        colorOf_.push_back(color(f.color));
        backgroundOf_.push_back(color(f.background));
    }
    for (const text::Paragraph& p : doc_.text.paragraphs) {
        const ParagraphFormat& f = paragraphFormatAt(doc_, p.format);
        if (f.listStyle == ListStyle::None) continue;
        auto [it, added] = lists_.try_emplace(f.listId);
        if (added) it->second.number = static_cast<int>(lists_.size());
        const int level = std::clamp(f.listLevel, 0, kLevels - 1);
        if (!it->second.levels[level]) it->second.levels[level] = &f;
    }
}

void Writer::header() {
    out_ += "{\\rtf1\\ansi\\ansicpg1251\\deff0\\uc1\n{\\fonttbl";
    for (std::size_t i = 0; i < fonts_.size(); ++i) {
        out_ += '{';
        word("f", static_cast<long long>(i));
        out_ += "\\fnil\\fcharset204 ";
        escaped(fonts_[i], true);
        out_ += ";}";
    }
    out_ += "}\n{\\colortbl;";
    for (const Rgb& c : colors_) {
        word("red", c.red);
        word("green", c.green);
        word("blue", c.blue);
        out_ += ';';
    }
    out_ += "}\n";
    if (!lists_.empty()) listTable();
    out_ += "\\viewkind4\n";
}

const char16_t* bulletOf(ListStyle style) {
    switch (style) {
    case ListStyle::Circle: return u"\u25E6";
    case ListStyle::Square: return u"\u25AA";
    default: return u"\u2022";
    }
}

int numberFormatOf(ListStyle style) {
    switch (style) {
    case ListStyle::UpperRoman: return 1;
    case ListStyle::LowerRoman: return 2;
    case ListStyle::UpperAlpha: return 3;
    case ListStyle::LowerAlpha: return 4;
    case ListStyle::Decimal: return 0;
    default: return 23;  // a bullet
    }
}

// One \list per list of the document, its nine levels styled after the
// first item found at each level (the others after the nearest one above).
void Writer::listTable() {
    out_ += "{\\*\\listtable";
    for (const auto& [id, list] : lists_) {
        out_ += "\n{\\list\\listtemplateid";
        number(list.number);
        const ParagraphFormat* style = nullptr;
        for (int level = 0; level < kLevels; ++level) {
            if (list.levels[level]) style = list.levels[level];
            if (!style) style = *std::find_if(list.levels.begin(), list.levels.end(), [](auto* p) { return p; });
            const int nfc = numberFormatOf(style->listStyle);
            out_ += "{\\listlevel";
            word("levelnfc", nfc);
            word("levelnfcn", nfc);
            out_ += "\\leveljc0\\leveljcn0\\levelfollow0";
            word("levelstartat", list.levels[level] ? style->listStart : 1);
            out_ += "{\\leveltext";
            if (nfc == 23) {
                out_ += "\\'01";
                escaped(bulletOf(style->listStyle), false);
                out_ += ";}{\\levelnumbers;}";
            } else {
                out_ += "\\'02\\'0";
                out_ += static_cast<char>('0' + level);
                out_ += ".;}{\\levelnumbers\\'01;}";
            }
            word("fi", -kLevelIndent);
            word("li", kLevelIndent * (level + 1));
            out_ += '}';
        }
        word("listid", list.number);
        out_ += '}';
    }
    out_ += "}\n{\\listoverridetable";
    for (const auto& [id, list] : lists_) {
        out_ += "{\\listoverride";
        word("listid", list.number);
        out_ += "\\listoverridecount0";
        word("ls", list.number);
        out_ += '}';
    }
    out_ += "}\n";
}

// The marker as WordPad draws it ({\pntext}) and knows the list ({\*\pn}).
void Writer::listMarker(const ParagraphFormat& f) {
    const bool numbered = isNumbered(f.listStyle);
    const std::u16string number = itemNumber(f);
    out_ += "{\\pntext\\f0 ";
    if (numbered) {
        escaped(number, false);
        out_ += '.';
    } else {
        escaped(bulletOf(f.listStyle), false);
    }
    out_ += "\\tab}{\\*\\pn";
    if (numbered) {
        out_ += "\\pnlvlbody";
        word("pnstart", f.listStart);
        switch (f.listStyle) {
        case ListStyle::UpperRoman: out_ += "\\pnucrm"; break;
        case ListStyle::LowerRoman: out_ += "\\pnlcrm"; break;
        case ListStyle::UpperAlpha: out_ += "\\pnucltr"; break;
        case ListStyle::LowerAlpha: out_ += "\\pnlcltr"; break;
        default: out_ += "\\pndec"; break;
        }
        out_ += "\\pnindent360{\\pntxta.}}";
    } else {
        out_ += "\\pnlvlblt\\pnindent360{\\pntxtb";
        escaped(bulletOf(f.listStyle), false);
        out_ += "}}";
    }
}

std::u16string Writer::itemNumber(const ParagraphFormat& f) {
    ListInfo& list = lists_[f.listId];
    const int level = std::clamp(f.listLevel, 0, kLevels - 1);
    const int n = list.counters[level]++;
    std::fill(list.counters.begin() + level + 1, list.counters.end(), 0);
    return formatNumber(f.listStyle, f.listStart + n);
}

void Writer::paragraphStart(const ParagraphFormat& f) {
    out_ += "\\pard";
    switch (f.alignment) {
    case Alignment::Center: out_ += "\\qc"; break;
    case Alignment::Right: out_ += "\\qr"; break;
    case Alignment::Justify: out_ += "\\qj"; break;
    default: out_ += "\\ql"; break;
    }
    int left = f.leftIndent, first = f.firstLineIndent;
    if (f.listStyle != ListStyle::None) {
        const int level = std::clamp(f.listLevel, 0, kLevels - 1);
        // A list item without indents of its own takes its level's.
        if (left == 0 && first == 0) {
            left = kLevelIndent * (level + 1);
            first = -kLevelIndent;
        }
        listMarker(f);
        word("ls", lists_[f.listId].number);
        word("ilvl", level);
    }
    if (left) word("li", left);
    if (f.rightIndent) word("ri", f.rightIndent);
    if (first) word("fi", first);
}

void Writer::charFormat(int index) {
    const CharFormat& f = charFormatAt(doc_, index);
    const bool known = index >= 0 && static_cast<std::size_t>(index) < doc_.charFormats.size();
    const auto i = static_cast<std::size_t>(index);
    out_ += "\\plain";
    word("f", known ? fontOf_[i] : 0);
    word("fs", std::max(f.halfPoints, 1));
    if (known && colorOf_[i]) word("cf", colorOf_[i]);
    if (known && backgroundOf_[i]) word("highlight", backgroundOf_[i]);
    if (f.bold) out_ += "\\b";
    if (f.italic) out_ += "\\i";
    if (f.underline) out_ += "\\ul";
    if (f.strike) out_ += "\\strike";
    if (f.position == VerticalPosition::Superscript) out_ += "\\super";
    if (f.position == VerticalPosition::Subscript) out_ += "\\sub";
    out_ += ' ';
}

void Writer::run() {
    out_.reserve(kFlushSize * 2);
    collectTables();
    header();
    for (const text::Paragraph& p : doc_.text.paragraphs) {
        paragraphStart(paragraphFormatAt(doc_, p.format));
        bool first = true;
        int current = 0;
        for (const text::Run& r : p.runs) {
            if (r.text.empty()) continue;
            if (first || r.format != current) charFormat(r.format);
            first = false;
            current = r.format;
            // Long runs go out in slices so that the buffer stays small.
            std::u16string_view rest(r.text);
            while (!rest.empty()) {
                const std::size_t n = std::min<std::size_t>(rest.size(), kFlushSize / 8);
                escaped(rest.substr(0, n), false);
                rest.remove_prefix(n);
                flushIfFull();
            }
        }
        out_ += "\\par\n";
        flushIfFull();
    }
    out_ += "}\n";
    flush();
}

}  // namespace

void writeRtf(const RichDocument& document, const RtfSink& sink) { Writer(document, sink).run(); }

std::string writeRtf(const RichDocument& document) {
    std::string out;
    writeRtf(document, [&out](std::string_view piece) { out += piece; });
    return out;
}

}  // namespace lettrica::docio
