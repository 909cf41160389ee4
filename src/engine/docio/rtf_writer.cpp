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
constexpr int kTextWidth = 9638;   // of an A4 page with 2 cm margins: a table's width when it gives none
constexpr std::size_t kHexLine = 128;

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

// The size of a PNG or JPEG picture in pixels, from its header; 0 when it
// cannot be told.
std::pair<int, int> pixelSize(const Image& image) {
    const auto* b = reinterpret_cast<const unsigned char*>(image.data.data());
    const std::size_t n = image.data.size();
    auto be32 = [&](std::size_t i) {
        const std::uint32_t v = std::uint32_t{b[i]} << 24 | std::uint32_t{b[i + 1]} << 16 | std::uint32_t{b[i + 2]} << 8 | b[i + 3];
        return v <= 65535 ? static_cast<int>(v) : 0;  // more than any picture a page shows
    };
    auto be16 = [&](std::size_t i) { return int(b[i]) << 8 | int(b[i + 1]); };
    if (image.kind == ImageKind::Png) {
        if (n >= 24 && std::string_view(image.data).substr(12, 4) == "IHDR") return {be32(16), be32(20)};
        return {0, 0};
    }
    // JPEG: the frame header (SOF0 ... SOF15 but DHT, JPG and DAC) holds it.
    for (std::size_t i = 2; i + 9 < n;) {
        if (b[i] != 0xFF) return {0, 0};
        const unsigned char marker = b[i + 1];
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return {be16(i + 7), be16(i + 5)};
        i += 2 + static_cast<std::size_t>(be16(i + 2));
    }
    return {0, 0};
}

// The cells of one row as RTF writes them, left to right: a cell of the
// table that starts in the row, or the continuation of one that spans down
// from above (\clvmrg). Columns no cell covers are empty cells of their own.
struct RowCell {
    int column = 0, span = 1;
    int cell = -1;      // index into Table::cells
    bool continuation = false;
};

struct TableLayout {
    std::vector<std::vector<RowCell>> rows;
    std::vector<int> rights;  // the right edge of each column, twips
};

TableLayout layoutOf(const Table& t) {
    TableLayout layout;
    const int rows = std::max(1, t.rows), columns = std::max(1, t.columns);
    std::vector<std::vector<int>> owner(static_cast<std::size_t>(rows), std::vector<int>(static_cast<std::size_t>(columns), -1));
    for (std::size_t i = 0; i < t.cells.size(); ++i) {
        const TableCell& c = t.cells[i];
        if (c.row < 0 || c.row >= rows || c.column < 0 || c.column >= columns) continue;
        for (int r = c.row; r < std::min(rows, c.row + std::max(1, c.rowSpan)); ++r)
            for (int k = c.column; k < std::min(columns, c.column + std::max(1, c.columnSpan)); ++k)
                if (owner[r][k] < 0) owner[r][k] = static_cast<int>(i);
    }
    layout.rows.resize(static_cast<std::size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        for (int k = 0; k < columns;) {
            const int i = owner[r][k];
            RowCell rc;
            rc.column = k;
            rc.cell = i;
            if (i >= 0) {
                const TableCell& c = t.cells[static_cast<std::size_t>(i)];
                rc.span = std::max(1, std::min(c.columnSpan, columns - c.column) - (k - c.column));
                rc.continuation = c.row != r;
            }
            layout.rows[r].push_back(rc);
            k += rc.span;
        }
    }
    int right = 0;
    for (int k = 0; k < columns; ++k) {
        const int width = k < static_cast<int>(t.columnWidths.size()) ? std::max(1, t.columnWidths[k])
                                                                      : std::max(200, kTextWidth / columns);
        right = std::min(right + width, 31680 * 4);
        layout.rights.push_back(right);
    }
    return layout;
}

// Where a paragraph sits: the cells from the outermost table inwards.
struct Place {
    int table = -1, row = 0, column = 0;
    bool operator==(const Place&) const = default;
};

}  // namespace

class RtfWriter::Impl {
public:
    Impl(const RichDocument& tables, RtfSink sink) : doc_(tables), sink_(std::move(sink)) {
        out_.reserve(kFlushSize * 2);
        collectTables();
        header();
    }
    void paragraph(const text::Paragraph& p);
    void finish();

private:
    // A table being written: its cell at (row, index in the row's layout).
    struct Level {
        int table = -1;
        int row = 0;
        std::size_t index = 0;
        bool ended = false;  // the current cell's \cell is written
    };

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
    void paragraphStart(const ParagraphFormat& f, std::size_t depth);
    void charFormat(int index);
    void picture(const Image& image);
    void listMarker(const ParagraphFormat& f);
    std::u16string itemNumber(const ParagraphFormat& f);

    // Tables.
    std::vector<Place> placeOf(const ParagraphFormat& f);
    void moveTo(const std::vector<Place>& target);
    void openTable(const Place& place);
    void closeTable();
    void endCell();
    void nextCell();
    void rowStart(const Level& level);
    void rowEnd(const Level& level);
    void rowDefinition(int table, int row);
    const TableLayout& layout(int table);
    std::size_t depth() const { return open_.size(); }

    const RichDocument& doc_;
    RtfSink sink_;
    std::string out_;
    std::vector<std::u16string> fonts_;
    std::vector<int> fontOf_;                    // font number of each char format
    std::vector<Rgb> colors_;                    // from colour 1
    std::vector<int> colorOf_, backgroundOf_;    // colour number of each char format, 0 none
    std::map<std::tuple<int, int, int>, int> colorIndex_;
    std::map<int, ListInfo> lists_;              // by the document's list id
    std::unordered_map<int, TableLayout> layouts_;
    std::vector<Level> open_;
    bool paragraphOpen_ = false;  // written up to its end mark, which waits for the next one
    bool finished_ = false;
};

// Escapes text: ASCII as it is, \'hh for Windows-1251, \uN? beyond.
// In the font table a ';' would end the name and is left out.
void RtfWriter::Impl::escaped(std::u16string_view text, bool inTable) {
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

void RtfWriter::Impl::collectTables() {
    std::unordered_map<std::u16string, int> fontIndex;
    auto font = [&](const std::u16string& name) {
        const std::u16string& n = name.empty() ? std::u16string(kDefaultFontName) : name;
        auto [it, added] = fontIndex.try_emplace(n, static_cast<int>(fonts_.size()));
        if (added) fonts_.push_back(n);
        return it->second;
    };
    auto color = [&](const std::optional<Rgb>& c) {
        if (!c) return 0;
        auto [it, added] = colorIndex_.try_emplace({c->red, c->green, c->blue}, static_cast<int>(colors_.size()) + 1);
        if (added) colors_.push_back(*c);
        return it->second;
    };
    font(u"");  // \f0, the default face
    for (const CharFormat& f : doc_.charFormats) {
        fontOf_.push_back(font(f.fontName));
        colorOf_.push_back(color(f.color));
        backgroundOf_.push_back(color(f.background));
    }
    for (const Table& t : doc_.tables)
        for (const TableCell& c : t.cells) color(c.background);
    // The format table lists formats in the order the document first uses
    // them: the first of a list and level is its first item's.
    for (const ParagraphFormat& f : doc_.paragraphFormats) {
        if (f.listStyle == ListStyle::None) continue;
        auto [it, added] = lists_.try_emplace(f.listId);
        if (added) it->second.number = static_cast<int>(lists_.size());
        const int level = std::clamp(f.listLevel, 0, kLevels - 1);
        if (!it->second.levels[level]) it->second.levels[level] = &f;
    }
}

void RtfWriter::Impl::header() {
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
void RtfWriter::Impl::listTable() {
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
void RtfWriter::Impl::listMarker(const ParagraphFormat& f) {
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
        const ListInfo& list = lists_[f.listId];
        const ParagraphFormat* first = list.levels[std::clamp(f.listLevel, 0, kLevels - 1)];
        word("pnstart", first ? first->listStart : f.listStart);
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

// The number readers give the item: its level's start, as the list table
// says it, counted on. The marker must say the same, or a reader that goes
// by the marker sees numbering start again.
std::u16string RtfWriter::Impl::itemNumber(const ParagraphFormat& f) {
    ListInfo& list = lists_[f.listId];
    const int level = std::clamp(f.listLevel, 0, kLevels - 1);
    const int n = list.counters[level]++;
    std::fill(list.counters.begin() + level + 1, list.counters.end(), 0);
    const ParagraphFormat* first = list.levels[level];
    return formatNumber(f.listStyle, (first ? first->listStart : f.listStart) + n);
}

void RtfWriter::Impl::paragraphStart(const ParagraphFormat& f, std::size_t tableDepth) {
    out_ += "\\pard";
    if (tableDepth > 0) out_ += "\\intbl";
    if (tableDepth > 1) word("itap", static_cast<long long>(tableDepth));
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

void RtfWriter::Impl::charFormat(int index) {
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

void RtfWriter::Impl::picture(const Image& image) {
    const auto [pixelsWide, pixelsHigh] = pixelSize(image);
    out_ += "{\\pict";
    out_ += image.kind == ImageKind::Png ? "\\pngblip" : "\\jpegblip";
    if (pixelsWide > 0 && pixelsHigh > 0) {
        word("picw", pixelsWide);
        word("pich", pixelsHigh);
    }
    // Shown at the size the document gives, else at 96 pixels an inch.
    const int wide = image.width > 0 ? image.width : pixelsWide * 15;
    const int high = image.height > 0 ? image.height : pixelsHigh * 15;
    if (wide > 0 && high > 0) {
        word("picwgoal", wide);
        word("pichgoal", high);
    }
    out_ += '\n';
    static constexpr char kHex[] = "0123456789abcdef";
    std::size_t column = 0;
    for (unsigned char b : image.data) {
        out_ += kHex[b >> 4];
        out_ += kHex[b & 15];
        if (++column == kHexLine / 2) {
            out_ += '\n';
            column = 0;
            flushIfFull();
        }
    }
    out_ += '}';
}

const TableLayout& RtfWriter::Impl::layout(int table) {
    auto it = layouts_.find(table);
    if (it == layouts_.end()) it = layouts_.emplace(table, layoutOf(doc_.tables[static_cast<std::size_t>(table)])).first;
    return it->second;
}

// The chain of cells from the body down to the paragraph's own. A table
// whose parent does not come before it is taken as one in the body.
std::vector<Place> RtfWriter::Impl::placeOf(const ParagraphFormat& f) {
    std::vector<Place> chain;
    const int tables = static_cast<int>(doc_.tables.size());
    Place p{f.table, f.row, f.column};
    while (p.table >= 0 && p.table < tables) {
        chain.push_back(p);
        const Table& t = doc_.tables[static_cast<std::size_t>(p.table)];
        if (t.parent >= p.table) break;
        p = Place{t.parent, t.parentRow, t.parentColumn};
    }
    std::reverse(chain.begin(), chain.end());
    // A place outside its table, or inside a span, is the cell that holds it.
    for (Place& place : chain) {
        const auto& rows = layout(place.table).rows;
        place.row = std::clamp(place.row, 0, static_cast<int>(rows.size()) - 1);
        const auto& cells = rows[static_cast<std::size_t>(place.row)];
        auto it = std::upper_bound(cells.begin(), cells.end(), place.column,
                                   [](int column, const RowCell& rc) { return column < rc.column; });
        place.column = it == cells.begin() ? cells.front().column : std::prev(it)->column;
    }
    return chain;
}

void RtfWriter::Impl::rowDefinition(int table, int row) {
    const Table& t = doc_.tables[static_cast<std::size_t>(table)];
    const TableLayout& l = layout(table);
    out_ += "\\trowd\\trgaph108\\trleft0";
    for (const RowCell& rc : l.rows[static_cast<std::size_t>(row)]) {
        const TableCell* c = rc.cell >= 0 ? &t.cells[static_cast<std::size_t>(rc.cell)] : nullptr;
        if (c && c->rowSpan > 1) out_ += rc.continuation ? "\\clvmrg" : "\\clvmgf";
        if (t.borders)
            out_ += "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10";
        if (c && c->background) word("clcbpat", colorIndex_.at({c->background->red, c->background->green, c->background->blue}));
        word("cellx", l.rights[static_cast<std::size_t>(std::min<int>(rc.column + rc.span, static_cast<int>(l.rights.size())) - 1)]);
    }
    out_ += '\n';
}

// A table in the body gives its row's definition before the row; a nested
// one after it, just before \nestrow.
void RtfWriter::Impl::rowStart(const Level& level) {
    if (depth() == 1) rowDefinition(level.table, level.row);
}

void RtfWriter::Impl::rowEnd(const Level& level) {
    if (depth() == 1) {
        out_ += "\\row\n";
        return;
    }
    out_ += "{\\*\\nesttableprops";
    rowDefinition(level.table, level.row);
    out_ += "\\nestrow}{\\nonesttables\\par}\n";
}

// Ends the cell being written at the innermost level: the paragraph that
// waits for its end mark ends it, else an empty one.
void RtfWriter::Impl::endCell() {
    Level& level = open_.back();
    if (level.ended) return;
    if (!paragraphOpen_) {
        out_ += "\\pard\\intbl";
        if (depth() > 1) word("itap", static_cast<long long>(depth()));
        out_ += ' ';
    }
    out_ += depth() == 1 ? "\\cell\n" : "\\nestcell\n";
    paragraphOpen_ = false;
    level.ended = true;
}

// From the innermost level's cell to the next one, across a row's end.
void RtfWriter::Impl::nextCell() {
    endCell();
    Level& level = open_.back();
    const TableLayout& l = layout(level.table);
    if (++level.index < l.rows[static_cast<std::size_t>(level.row)].size()) {
        level.ended = false;
        return;
    }
    rowEnd(level);
    ++level.row;
    level.index = 0;
    level.ended = level.row >= static_cast<int>(l.rows.size());  // past the last row: nothing more
    if (!level.ended) rowStart(level);
}

void RtfWriter::Impl::openTable(const Place& place) {
    if (paragraphOpen_) {
        out_ += "\\par\n";  // the cell goes on after the table in it
        paragraphOpen_ = false;
    }
    open_.push_back(Level{place.table, 0, 0, false});
    rowStart(open_.back());
}

void RtfWriter::Impl::closeTable() {
    const TableLayout& l = layout(open_.back().table);
    while (open_.back().row < static_cast<int>(l.rows.size())) nextCell();
    open_.pop_back();
}

void RtfWriter::Impl::moveTo(const std::vector<Place>& target) {
    // The levels that stay as they are: the same table, the same cell.
    auto at = [&](std::size_t k) {
        const Level& level = open_[k];
        const auto& rows = layout(level.table).rows;
        if (level.row >= static_cast<int>(rows.size())) return Place{level.table, -1, -1};
        return Place{level.table, level.row, rows[static_cast<std::size_t>(level.row)][level.index].column};
    };
    std::size_t keep = 0;
    while (keep < open_.size() && keep < target.size() && !open_[keep].ended && at(keep) == target[keep]) ++keep;
    if (paragraphOpen_ && keep == open_.size()) {
        out_ += "\\par\n";  // the same cell goes on
        paragraphOpen_ = false;
    }
    // Out of the tables the paragraph is not in, innermost first.
    while (open_.size() > keep + 1) closeTable();
    if (open_.size() == keep + 1) {
        const Place now = at(keep);
        const bool ahead = keep < target.size() && target[keep].table == now.table && now.row >= 0 &&
                           (target[keep].row > now.row || (target[keep].row == now.row && target[keep].column > now.column));
        if (!ahead) closeTable();  // a cell before this one: the table is written again from its start
    }
    // Into the paragraph's cell at each level, outermost first.
    for (std::size_t k = keep; k < target.size(); ++k) {
        if (k == open_.size()) openTable(target[k]);
        const auto& rows = layout(target[k].table).rows;
        for (;;) {
            const Level& level = open_.back();
            if (level.row >= static_cast<int>(rows.size())) break;
            const RowCell& rc = rows[static_cast<std::size_t>(level.row)][level.index];
            if (level.row > target[k].row || (level.row == target[k].row && rc.column >= target[k].column)) break;
            nextCell();
        }
        open_.back().ended = false;
    }
}

void RtfWriter::Impl::paragraph(const text::Paragraph& p) {
    if (finished_) return;
    const ParagraphFormat& f = paragraphFormatAt(doc_, p.format);
    moveTo(placeOf(f));
    if (paragraphOpen_) out_ += "\\par\n";
    paragraphStart(f, depth());
    bool first = true;
    int current = 0;
    for (const text::Run& r : p.runs) {
        if (r.text.empty()) continue;
        // LibreOffice reads a raised or lowered run outside a group of its
        // own as if it were a note: it moves the text after it away.
        const bool grouped = charFormatAt(doc_, r.format).position != VerticalPosition::Normal;
        if (grouped) out_ += '{';
        if (first || grouped || r.format != current) charFormat(r.format);
        first = false;
        current = r.format;
        const Image* image = imageAt(doc_, r.format);
        // Long runs go out in slices so that the buffer stays small.
        std::u16string_view rest(r.text);
        while (!rest.empty()) {
            if (image) {
                const std::size_t object = rest.find(kObjectCharacter);
                escaped(rest.substr(0, object), false);
                if (object == std::u16string_view::npos) break;
                picture(*image);
                rest.remove_prefix(object + 1);
                flushIfFull();
                continue;
            }
            const std::size_t n = std::min<std::size_t>(rest.size(), kFlushSize / 8);
            escaped(rest.substr(0, n), false);
            rest.remove_prefix(n);
            flushIfFull();
        }
        if (grouped) {
            out_ += '}';
            first = true;  // the group took its format with it
        }
    }
    paragraphOpen_ = true;
    flushIfFull();
}

void RtfWriter::Impl::finish() {
    if (finished_) return;
    moveTo({});
    if (paragraphOpen_) out_ += "\\par\n";
    paragraphOpen_ = false;
    out_ += "}\n";
    flush();
    finished_ = true;
}

RtfWriter::RtfWriter(const RichDocument& tables, RtfSink sink) : impl_(std::make_unique<Impl>(tables, std::move(sink))) {}
RtfWriter::~RtfWriter() = default;
void RtfWriter::paragraph(const text::Paragraph& paragraph) { impl_->paragraph(paragraph); }
void RtfWriter::finish() { impl_->finish(); }

void writeRtf(const RichDocument& document, const RtfSink& sink) {
    RtfWriter writer(document, sink);
    for (const text::Paragraph& p : document.text.paragraphs) writer.paragraph(p);
    writer.finish();
}

std::string writeRtf(const RichDocument& document) {
    std::string out;
    writeRtf(document, [&out](std::string_view piece) { out += piece; });
    return out;
}

}  // namespace lettrica::docio
