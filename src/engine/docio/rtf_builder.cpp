#include "docio/rtf_builder.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "docio/rtf_keywords.h"
#include "text/code_pages.h"

namespace lettrica::docio {

namespace {

// Where the text of a group goes.
enum class Dest : std::uint8_t {
    Text,               // the document
    Ignore,             // read on but not shown (an object, an \upr's ANSI half)
    FontTable,
    ColorTable,
    StyleSheet,
    StyleEntry,         // one style of the style sheet
    ListTable,
    List,               // one \list of the list table
    ListLevel,
    LevelText,          // a list level's marker text
    ListOverrideTable,
    ListOverride,       // one \listoverride
    Defaults,           // {\*\defchp} {\*\defpap}: what \plain and \pard mean
    Pn,                 // {\*\pn ...}: the list of a WordPad paragraph
    PnTextBefore,       // its marker text
};

constexpr std::int32_t kMaxTwips = 31680;  // 22 inches, the widest page a word processor takes
constexpr int kMaxListLevel = 8;
constexpr std::size_t kMaxFontName = 128;
constexpr int kMaxStyleChain = 16;

// Character properties as the RTF state holds them: indexes into the
// document's tables, resolved only when a format is needed.
struct CharState {
    std::int32_t font = -1;  // -1: the default font (\deff)
    std::int32_t halfPoints = 24;
    std::int32_t color = -1;       // colour table index, -1 automatic
    std::int32_t background = -1;  // colour table index, -1 none
    bool bold = false, italic = false, underline = false, strike = false, hidden = false;
    VerticalPosition position = VerticalPosition::Normal;
    bool operator==(const CharState&) const = default;
};

struct CharStateHash {
    std::size_t operator()(const CharState& c) const {
        std::size_t h = static_cast<std::uint32_t>(c.font);
        h = h * 0x9E3779B97F4A7C15ull + static_cast<std::uint32_t>(c.halfPoints);
        h = h * 0x9E3779B97F4A7C15ull + static_cast<std::uint32_t>(c.color);
        h = h * 0x9E3779B97F4A7C15ull + static_cast<std::uint32_t>(c.background);
        h = h * 0x9E3779B97F4A7C15ull + (c.bold | c.italic << 1 | c.underline << 2 | c.strike << 3 | c.hidden << 4 |
                                         static_cast<int>(c.position) << 5);
        return h ^ (h >> 29);
    }
};

struct ParaState {
    Alignment alignment = Alignment::Left;
    std::int32_t left = 0, right = 0, firstLine = 0;
    std::int32_t ls = 0;       // \lsN, 0 none
    std::int32_t level = 0;    // \ilvlN
    ListStyle pnStyle = ListStyle::None;  // from {\*\pn}
    std::int32_t pnLevel = 0, pnStart = 1;
};

// Which properties a style sets, so that applying it touches only those.
enum : std::uint32_t {
    kFont = 1, kSize = 2, kColor = 4, kBackground = 8, kBold = 16, kItalic = 32, kUnderline = 64,
    kStrike = 128, kHidden = 256, kPosition = 512, kAllChar = 1023,
    kAlign = 1, kLeft = 2, kRight = 4, kFirst = 8, kList = 16, kAllPara = 31,
};

struct Group {
    Dest dest = Dest::Text;
    std::uint8_t uc = 1;  // fallback characters after \uN
    std::int32_t format = -1;  // the interned CharFormat of `ch`, -1 not yet known
    CharState ch;
    ParaState para;
};

struct FontEntry {
    std::u16string name;
    std::int32_t charset = -1;
    std::int32_t codePage = 0;
    bool named = false;  // its ';' was met
};

struct StyleDef {
    CharState ch;
    ParaState para;
    std::uint32_t charMask = 0, paraMask = 0;
    std::int32_t basedOn = -1;
    bool character = false;  // \cs: characters only
    bool resolved = false;
};

struct LevelDef {
    ListStyle style = ListStyle::Decimal;
    std::int32_t start = 1;
    bool bullet = false;
};

using ListDef = std::vector<LevelDef>;

std::int32_t clampTwips(std::int32_t v) { return std::clamp(v, -kMaxTwips, kMaxTwips); }

ListStyle styleOfNumberFormat(std::int32_t nfc) {
    switch (nfc) {
    case 1: return ListStyle::UpperRoman;
    case 2: return ListStyle::LowerRoman;
    case 3: return ListStyle::UpperAlpha;
    case 4: return ListStyle::LowerAlpha;
    case 23: return ListStyle::Disc;
    case 255: return ListStyle::None;
    default: return ListStyle::Decimal;  // 0, 22 (leading zero) and the East Asian numberings
    }
}

// The shape of a bullet by its character, including the private-use
// characters of the Symbol and Wingdings fonts that Word writes.
ListStyle bulletStyleOf(char32_t c) {
    switch (c) {
    case U'o': case U'\u25E6': case U'\u25CB': case U'\uF06F': return ListStyle::Circle;
    case U'\u25AA': case U'\u25A0': case U'\u25FE': case U'\uF0A7': case U'\uF06E': return ListStyle::Square;
    default: return ListStyle::Disc;
    }
}

// The formats \plain and \pard return to: RTF's own, or the document's.
struct Defaults {
    CharState ch;
    ParaState para;
};

// Applies a formatting word to a character and paragraph state and notes
// what it set. False when the word is no formatting word.
bool applyFormatting(Kw kw, bool has, std::int32_t p, const Defaults& defaults, CharState& c, ParaState& ps,
                     std::uint32_t& cm, std::uint32_t& pm) {
    const bool on = !has || p != 0;
    switch (kw) {
    case Kw::Plain: c = defaults.ch; cm |= kAllChar; return true;
    case Kw::B: c.bold = on; cm |= kBold; return true;
    case Kw::I: c.italic = on; cm |= kItalic; return true;
    case Kw::Ul: c.underline = on; cm |= kUnderline; return true;
    case Kw::UlNone: c.underline = false; cm |= kUnderline; return true;
    case Kw::Strike: c.strike = on; cm |= kStrike; return true;
    case Kw::V: c.hidden = on; cm |= kHidden; return true;
    case Kw::Super:
        c.position = on ? VerticalPosition::Superscript : VerticalPosition::Normal;
        cm |= kPosition;
        return true;
    case Kw::Sub:
        c.position = on ? VerticalPosition::Subscript : VerticalPosition::Normal;
        cm |= kPosition;
        return true;
    case Kw::NoSuperSub: c.position = VerticalPosition::Normal; cm |= kPosition; return true;
    case Kw::F: c.font = has ? p : 0; cm |= kFont; return true;
    case Kw::Fs: c.halfPoints = has ? std::clamp(p, 2, 3276) : 24; cm |= kSize; return true;
    case Kw::Cf: c.color = has ? p : -1; cm |= kColor; return true;
    case Kw::Background: c.background = has && p > 0 ? p : -1; cm |= kBackground; return true;
    case Kw::Pard: ps = defaults.para; pm |= kAllPara; return true;
    case Kw::Ql: ps.alignment = Alignment::Left; pm |= kAlign; return true;
    case Kw::Qc: ps.alignment = Alignment::Center; pm |= kAlign; return true;
    case Kw::Qr: ps.alignment = Alignment::Right; pm |= kAlign; return true;
    case Kw::Qj: ps.alignment = Alignment::Justify; pm |= kAlign; return true;
    case Kw::Li: ps.left = clampTwips(p); pm |= kLeft; return true;
    case Kw::Ri: ps.right = clampTwips(p); pm |= kRight; return true;
    case Kw::Fi: ps.firstLine = clampTwips(p); pm |= kFirst; return true;
    case Kw::Ls: ps.ls = p; pm |= kList; return true;
    case Kw::Ilvl: ps.level = std::clamp(p, 0, kMaxListLevel); pm |= kList; return true;
    default: return false;
    }
}

void copyMasked(CharState& to, const CharState& from, std::uint32_t mask) {
    if (mask & kFont) to.font = from.font;
    if (mask & kSize) to.halfPoints = from.halfPoints;
    if (mask & kColor) to.color = from.color;
    if (mask & kBackground) to.background = from.background;
    if (mask & kBold) to.bold = from.bold;
    if (mask & kItalic) to.italic = from.italic;
    if (mask & kUnderline) to.underline = from.underline;
    if (mask & kStrike) to.strike = from.strike;
    if (mask & kHidden) to.hidden = from.hidden;
    if (mask & kPosition) to.position = from.position;
}

void copyMasked(ParaState& to, const ParaState& from, std::uint32_t mask) {
    if (mask == kAllPara) {
        to = from;
        return;
    }
    if (mask & kAlign) to.alignment = from.alignment;
    if (mask & kLeft) to.left = from.left;
    if (mask & kRight) to.right = from.right;
    if (mask & kFirst) to.firstLine = from.firstLine;
    if (mask & kList) {
        to.ls = from.ls;
        to.level = from.level;
    }
}

// Bytes to UTF-16 by one code page, a double-byte one included.
struct ByteDecoder {
    const text::CodePageTable* table = nullptr;
    int doubleByte = 0;  // the double-byte page, 0 when `table` serves
    int lead = -1;       // a lead byte waiting for its trail byte

    void set(int codePage) {
        lead = -1;
        table = text::singleByteCodePage(codePage);
        doubleByte = 0;
        if (!table) {
            if (text::isDoubleByteCodePage(codePage)) doubleByte = codePage;
            else table = text::singleByteCodePage(1252);
        }
    }

    // Appends the character of `byte`, if it completes one.
    void feed(unsigned char byte, std::u16string& out) {
        if (!doubleByte) {
            out.push_back((*table)[byte]);
            return;
        }
        char32_t c;
        if (lead >= 0) {
            c = text::decodeDoubleByte(doubleByte, static_cast<unsigned char>(lead), byte);
            lead = -1;
        } else if (text::isLeadByte(doubleByte, byte)) {
            lead = byte;
            return;
        } else {
            c = byte < 0x80 ? char32_t{byte} : text::decodeDoubleByte(doubleByte, 0, byte);
        }
        appendCodePoint(c, out);
    }

    static void appendCodePoint(char32_t c, std::u16string& out) {
        if (c < 0x10000) {
            out.push_back(static_cast<char16_t>(c));
        } else {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        }
    }
};

class Builder final : public RtfHandler {
public:
    Builder() {
        stack_.reserve(64);
        stack_.push_back(Group{});  // outside the document's group
    }

    RichDocument finish() {
        endDocument();
        return std::move(doc_);
    }

    Action groupStart() override;
    void groupEnd() override;
    Action controlWord(std::string_view word, bool has, std::int32_t p) override;
    Action controlSymbol(char symbol) override;
    void text(std::string_view bytes) override;
    void hexByte(unsigned char byte) override;
    void unicode(std::uint32_t value) override;
    void binary(std::string_view) override {
        starred_ = false;
        if (skip_ > 0) --skip_;
    }

private:
    Group& top() { return stack_.back(); }

    Action bodyWord(Keyword key, bool has, std::int32_t p);
    Action tableWord(Kw kw, bool has, std::int32_t p);
    void bytes(std::string_view bytes);
    void character(char32_t c);

    // The text of the document.
    std::u16string* runText();
    void appendUnit(char16_t c);
    void finishParagraph(bool cell);
    void endDocument();
    int charFormatIndex();
    int paragraphFormatIndex(const ParaState& ps);
    void refreshDecoder();

    // The tables.
    void finishFontName();
    void resolveStyles();
    const StyleDef* resolveStyle(std::int32_t number, int depth);
    void applyStyle(std::int32_t number, bool character);
    void endPn();

    RichDocument doc_;
    std::vector<Group> stack_;
    text::Paragraph paragraph_;
    bool documentEnded_ = false;
    bool lastWasCell_ = false;
    std::size_t skip_ = 0;   // \uN fallback characters still to skip
    bool starred_ = false;   // the group began with \*

    Defaults defaults_;
    std::uint32_t defaultsCharMask_ = 0, defaultsParaMask_ = 0;
    std::unordered_map<CharFormat, int, CharFormatHash> charIndex_;
    // The format of each state met so far; cleared when the tables change.
    std::unordered_map<CharState, int, CharStateHash> stateIndex_;
    std::unordered_map<ParagraphFormat, int, ParagraphFormatHash> paragraphIndex_;

    // Decoding of text bytes: by the current font's code page.
    int ansiCodePage_ = 1252;
    std::int32_t defaultFont_ = 0;
    ByteDecoder decoder_;
    std::int32_t decoderFont_ = -2;  // the font decoder_ is set for; -2 none
    bool decoderStale_ = true;

    std::unordered_map<std::int32_t, FontEntry> fonts_;
    std::int32_t currentFont_ = -1;  // the font table entry being read
    std::size_t fontEntryDepth_ = 0;  // the depth of its group
    ByteDecoder nameDecoder_;

    std::vector<std::optional<Rgb>> colors_;
    Rgb pendingColor_;
    bool pendingColorSet_ = false;

    std::unordered_map<std::int32_t, StyleDef> styles_;
    StyleDef style_;                 // the entry being read
    std::int32_t styleNumber_ = 0;
    bool styleSkipped_ = false;      // a table or section style

    std::unordered_map<std::int32_t, ListDef> lists_;  // by \listid
    ListDef list_;                                      // the \list being read
    std::int32_t listId_ = 0;
    int levelTextChars_ = 0;                            // characters of the current \leveltext seen
    std::unordered_map<std::int32_t, std::int32_t> overrides_;  // \ls -> \listid
    std::int32_t overrideListId_ = 0, overrideLs_ = 0;

    // {\*\pn}: what the group says, applied to the paragraph when it ends.
    enum class PnKind : std::uint8_t { None, Bullet, Numbered, Continued } pnKind_ = PnKind::None;
    ListStyle pnNumbering_ = ListStyle::Decimal;
    ListStyle pnBullet_ = ListStyle::Disc;
    std::int32_t pnLevel_ = 0, pnStart_ = 1;
    bool pnTextSeen_ = false;

    // Document-wide list ids: one per \ls, one per run of WordPad list items.
    std::unordered_map<std::int32_t, int> lsIds_;
    int nextListId_ = 1;
    int pnListId_ = 0;  // the id of the WordPad list the last paragraph was in, 0 none
    ListStyle pnLastStyle_ = ListStyle::None;
    int pnLastLevel_ = 0;
};

RtfHandler::Action Builder::groupStart() {
    skip_ = 0;
    starred_ = false;
    Group g = top();
    if (g.dest == Dest::StyleSheet) {
        g.dest = Dest::StyleEntry;
        style_ = StyleDef{};
        styleNumber_ = 0;
        styleSkipped_ = false;
    }
    stack_.push_back(g);
    return Action::Continue;
}

void Builder::groupEnd() {
    skip_ = 0;
    starred_ = false;
    if (stack_.size() <= 1) return;
    if (stack_.size() == 2) endDocument();  // the document's own group closes
    const Dest ended = top().dest;
    stack_.pop_back();
    const Dest now = top().dest;
    switch (ended) {
    case Dest::FontTable:
        // The entry ends with its own group, not with a {\*\panose} inside it.
        if (stack_.size() + 1 <= fontEntryDepth_) finishFontName();
        break;
    case Dest::StyleEntry:
        if (now == Dest::StyleSheet && !styleSkipped_) styles_[styleNumber_] = style_;
        break;
    case Dest::StyleSheet:
        if (now != Dest::StyleSheet) resolveStyles();
        break;
    case Dest::List:
        if (now == Dest::ListTable) lists_[listId_] = std::move(list_);
        break;
    case Dest::ListOverride:
        if (now == Dest::ListOverrideTable && overrideLs_ != 0) overrides_[overrideLs_] = overrideListId_;
        break;
    case Dest::Pn:
        if (now != Dest::Pn && now != Dest::PnTextBefore) endPn();
        break;
    case Dest::Defaults:
        // The header's own state takes them too, as if it began with them.
        if (now != Dest::Defaults) {
            copyMasked(top().ch, defaults_.ch, defaultsCharMask_);
            copyMasked(top().para, defaults_.para, defaultsParaMask_);
            top().format = -1;
        }
        break;
    default:
        break;
    }
    // Formats worked out before a table was read are stale now.
    if ((ended == Dest::FontTable || ended == Dest::ColorTable || ended == Dest::StyleSheet) && ended != now) {
        for (Group& g : stack_) g.format = -1;
        stateIndex_.clear();
    }
}

RtfHandler::Action Builder::controlSymbol(char symbol) {
    if (skip_ > 0) {
        --skip_;
        return Action::Continue;
    }
    if (symbol == '*') {
        starred_ = true;
        return Action::Continue;
    }
    starred_ = false;
    if (top().dest != Dest::Text) return Action::Continue;
    switch (symbol) {
    case '~': character(U'\u00A0'); break;
    case '-': character(U'\u00AD'); break;
    case '_': character(U'\u2011'); break;
    default: break;  // \: \| and the like mark index entries and formulas
    }
    return Action::Continue;
}

RtfHandler::Action Builder::controlWord(std::string_view word, bool has, std::int32_t p) {
    if (skip_ > 0) {
        --skip_;
        return Action::Continue;
    }
    const bool starred = starred_;
    starred_ = false;
    const Keyword key = keywordOf(word);
    const Kw kw = key.kw;
    // A destination shown nowhere. At the outermost level it would be the
    // whole document: there it is a stray word.
    const Action skip = stack_.size() > 2 ? Action::SkipGroup : Action::Continue;
    if (kw == Kw::Unknown) return starred ? skip : Action::Continue;
    if (starred && !isStarredDestination(kw)) return skip;
    // Words that mean the same in every group.
    switch (kw) {
    case Kw::Skip:
        return skip;
    case Kw::Uc: top().uc = static_cast<std::uint8_t>(std::clamp(has ? p : 1, 0, 64)); return Action::Continue;
    case Kw::Ansi: ansiCodePage_ = 1252; decoderStale_ = true; return Action::Continue;
    case Kw::Mac: ansiCodePage_ = 10000; decoderStale_ = true; return Action::Continue;
    case Kw::Pc: ansiCodePage_ = 437; decoderStale_ = true; return Action::Continue;
    case Kw::Pca: ansiCodePage_ = 850; decoderStale_ = true; return Action::Continue;
    case Kw::Ansicpg:
        if (has && p > 0) ansiCodePage_ = p;
        decoderStale_ = true;
        return Action::Continue;
    case Kw::Deff:
        defaultFont_ = has ? p : 0;
        decoderStale_ = true;
        stateIndex_.clear();
        for (Group& g : stack_) g.format = -1;
        return Action::Continue;
    default:
        break;
    }
    if (top().dest == Dest::Text) return bodyWord(key, has, p);
    return tableWord(kw, has, p);
}

RtfHandler::Action Builder::bodyWord(Keyword key, bool has, std::int32_t p) {
    Group& g = top();
    const Kw kw = key.kw;
    switch (kw) {
    case Kw::Par: finishParagraph(false); return Action::Continue;
    case Kw::Cell: finishParagraph(true); return Action::Continue;
    case Kw::Row:
        // A row's last cell has ended the paragraph already.
        if (!(lastWasCell_ && paragraph_.runs.empty())) finishParagraph(false);
        return Action::Continue;
    case Kw::Line: character(U'\u2028'); return Action::Continue;
    case Kw::Tab: character(U'\t'); return Action::Continue;
    case Kw::Char: character(key.ch); return Action::Continue;
    case Kw::Fonttbl: g.dest = Dest::FontTable; currentFont_ = -1; return Action::Continue;
    case Kw::Colortbl:
        g.dest = Dest::ColorTable;
        colors_.clear();
        pendingColorSet_ = false;
        pendingColor_ = Rgb{};
        return Action::Continue;
    case Kw::Stylesheet: g.dest = Dest::StyleSheet; return Action::Continue;
    case Kw::Listtable: g.dest = Dest::ListTable; return Action::Continue;
    case Kw::Listoverridetable: g.dest = Dest::ListOverrideTable; return Action::Continue;
    case Kw::Pn:
        g.dest = Dest::Pn;
        pnKind_ = PnKind::None;
        pnNumbering_ = ListStyle::Decimal;
        pnBullet_ = ListStyle::Disc;
        pnLevel_ = 0;
        pnStart_ = 1;
        pnTextSeen_ = false;
        return Action::Continue;
    case Kw::Object: case Kw::Upr: g.dest = Dest::Ignore; return Action::Continue;
    case Kw::Defchp: case Kw::Defpap: g.dest = Dest::Defaults; return Action::Continue;
    case Kw::S: applyStyle(has ? p : 0, false); return Action::Continue;
    case Kw::Cs: applyStyle(has ? p : 0, true); return Action::Continue;
    default: break;
    }
    std::uint32_t cm = 0, pm = 0;
    if (applyFormatting(kw, has, p, defaults_, g.ch, g.para, cm, pm) && cm) g.format = -1;
    return Action::Continue;
}

// Words inside the font, colour, style and list tables, the {\*\pn} group
// and the groups whose text is not shown.
RtfHandler::Action Builder::tableWord(Kw kw, bool has, std::int32_t p) {
    Group& g = top();
    switch (g.dest) {
    case Dest::FontTable:
        if (kw == Kw::F) {
            finishFontName();
            currentFont_ = has ? p : 0;
            fontEntryDepth_ = stack_.size();
            fonts_[currentFont_] = FontEntry{};
            nameDecoder_.set(ansiCodePage_);
        } else if (currentFont_ >= 0 && (kw == Kw::Fcharset || kw == Kw::Cpg)) {
            FontEntry& f = fonts_[currentFont_];
            (kw == Kw::Fcharset ? f.charset : f.codePage) = has ? p : 0;
            nameDecoder_.set(f.codePage > 0 ? f.codePage : text::codePageOfCharset(f.charset, ansiCodePage_));
        }
        return Action::Continue;
    case Dest::ColorTable: {
        const auto component = static_cast<std::uint8_t>(std::clamp(has ? p : 0, 0, 255));
        if (kw == Kw::Red) pendingColor_.red = component;
        else if (kw == Kw::Green) pendingColor_.green = component;
        else if (kw == Kw::Blue) pendingColor_.blue = component;
        else return Action::Continue;
        pendingColorSet_ = true;
        return Action::Continue;
    }
    case Dest::StyleEntry:
        switch (kw) {
        case Kw::S: styleNumber_ = has ? p : 0; return Action::Continue;
        case Kw::Cs:
            styleNumber_ = has ? p : 0;
            style_.character = true;
            return Action::Continue;
        case Kw::TableStyle: styleSkipped_ = true; return Action::Continue;
        case Kw::Sbasedon: style_.basedOn = has ? p : -1; return Action::Continue;
        default: applyFormatting(kw, has, p, defaults_, style_.ch, style_.para, style_.charMask, style_.paraMask);
        }
        return Action::Continue;
    case Dest::ListTable:
        if (kw == Kw::List) {
            g.dest = Dest::List;
            list_.clear();
            listId_ = 0;
        }
        return Action::Continue;
    case Dest::List:
    case Dest::ListLevel:
    case Dest::LevelText:
        if (kw == Kw::Listid) {
            listId_ = has ? p : 0;
        } else if (kw == Kw::Listlevel && g.dest == Dest::List) {
            // Levels past the ninth are none a word processor shows.
            g.dest = list_.size() <= kMaxListLevel ? Dest::ListLevel : Dest::Ignore;
            if (g.dest == Dest::ListLevel) list_.push_back(LevelDef{});
        } else if (g.dest == Dest::ListLevel && !list_.empty()) {
            LevelDef& level = list_.back();
            if (kw == Kw::Levelnfc) {
                level.style = styleOfNumberFormat(has ? p : 0);
                level.bullet = level.style == ListStyle::Disc;
            } else if (kw == Kw::Levelstartat) {
                level.start = has ? p : 1;
            } else if (kw == Kw::Leveltext) {
                g.dest = Dest::LevelText;
                levelTextChars_ = 0;
            }
        }
        return Action::Continue;
    case Dest::ListOverrideTable:
        if (kw == Kw::Listoverride) {
            g.dest = Dest::ListOverride;
            overrideListId_ = overrideLs_ = 0;
        }
        return Action::Continue;
    case Dest::ListOverride:
        if (kw == Kw::Listid) overrideListId_ = has ? p : 0;
        else if (kw == Kw::Ls) overrideLs_ = has ? p : 0;
        return Action::Continue;
    case Dest::Pn:
    case Dest::PnTextBefore:
        switch (kw) {
        case Kw::Pnlvlblt: pnKind_ = PnKind::Bullet; pnLevel_ = 0; break;
        case Kw::Pnlvlbody: pnKind_ = PnKind::Numbered; pnLevel_ = 0; break;
        case Kw::Pnlvl:
            pnKind_ = PnKind::Numbered;
            pnLevel_ = std::clamp(has ? p - 1 : 0, 0, kMaxListLevel);
            break;
        case Kw::Pnlvlcont: pnKind_ = PnKind::Continued; break;
        case Kw::Pndec: pnNumbering_ = ListStyle::Decimal; break;
        case Kw::Pnucltr: pnNumbering_ = ListStyle::UpperAlpha; break;
        case Kw::Pnlcltr: pnNumbering_ = ListStyle::LowerAlpha; break;
        case Kw::Pnucrm: pnNumbering_ = ListStyle::UpperRoman; break;
        case Kw::Pnlcrm: pnNumbering_ = ListStyle::LowerRoman; break;
        case Kw::Pnstart: pnStart_ = has ? p : 1; break;
        case Kw::Pntxtb: g.dest = Dest::PnTextBefore; break;
        default: break;
        }
        return Action::Continue;
    case Dest::Defaults:
        applyFormatting(kw, has, p, Defaults{}, defaults_.ch, defaults_.para, defaultsCharMask_, defaultsParaMask_);
        return Action::Continue;
    case Dest::Ignore:
        // An object's rendering and an \upr's Unicode half are the text.
        if (kw == Kw::Result || kw == Kw::Ud) g.dest = Dest::Text;
        return Action::Continue;
    default:
        return Action::Continue;
    }
}

void Builder::text(std::string_view data) {
    starred_ = false;
    if (skip_ > 0) {
        const std::size_t n = std::min(skip_, data.size());
        skip_ -= n;
        data.remove_prefix(n);
        if (data.empty()) return;
    }
    bytes(data);
}

void Builder::hexByte(unsigned char byte) {
    starred_ = false;
    if (skip_ > 0) {
        --skip_;
        return;
    }
    const char c = static_cast<char>(byte);
    bytes(std::string_view(&c, 1));
}

void Builder::unicode(std::uint32_t value) {
    starred_ = false;
    if (skip_ > 0) {
        --skip_;
        return;
    }
    character(value);
    skip_ = top().uc;
}

// Text bytes in the current group, by its destination.
void Builder::bytes(std::string_view data) {
    Group& g = top();
    switch (g.dest) {
    case Dest::Text: {
        if (g.ch.hidden) return;
        refreshDecoder();
        std::u16string* out = runText();
        if (!out) return;
        for (unsigned char b : data) {
            if (b < 0x20 && b != '\t') continue;  // control bytes are no text
            decoder_.feed(b, *out);
        }
        return;
    }
    case Dest::FontTable: {
        if (currentFont_ < 0) return;
        FontEntry& f = fonts_[currentFont_];
        for (unsigned char b : data) {
            if (f.named) return;
            if (b == ';') f.named = true;
            else if (f.name.size() < kMaxFontName && b >= 0x20) nameDecoder_.feed(b, f.name);
        }
        return;
    }
    case Dest::ColorTable:
        for (char b : data) {
            if (b != ';') continue;
            colors_.push_back(pendingColorSet_ ? std::optional<Rgb>(pendingColor_) : std::nullopt);
            pendingColor_ = Rgb{};
            pendingColorSet_ = false;
        }
        return;
    case Dest::LevelText:
    case Dest::PnTextBefore:
        for (unsigned char b : data) character(text::singleByteCodePage(1252)->at(b));
        return;
    default:
        return;
    }
}

// One character of the current group, by its destination.
void Builder::character(char32_t c) {
    Group& g = top();
    switch (g.dest) {
    case Dest::Text: {
        if (g.ch.hidden) return;
        if (c < 0x20 && c != U'\t') return;
        std::u16string* out = runText();
        if (out) ByteDecoder::appendCodePoint(c <= 0x10FFFF ? c : U'\uFFFD', *out);
        return;
    }
    case Dest::FontTable:
        if (currentFont_ >= 0) {
            FontEntry& f = fonts_[currentFont_];
            if (!f.named && f.name.size() < kMaxFontName && c >= 0x20) ByteDecoder::appendCodePoint(c, f.name);
        }
        return;
    case Dest::LevelText:
        // The first character is the marker's length; the next one is the bullet.
        if (++levelTextChars_ == 2 && !list_.empty() && list_.back().bullet) list_.back().style = bulletStyleOf(c);
        return;
    case Dest::PnTextBefore:
        if (!pnTextSeen_) pnBullet_ = bulletStyleOf(c);
        pnTextSeen_ = true;
        return;
    default:
        return;
    }
}

void Builder::refreshDecoder() {
    const Group& g = top();
    const std::int32_t font = g.ch.font >= 0 ? g.ch.font : defaultFont_;
    if (!decoderStale_ && font == decoderFont_) return;
    int codePage = ansiCodePage_;
    if (auto it = fonts_.find(font); it != fonts_.end()) {
        if (it->second.codePage > 0) codePage = it->second.codePage;
        else if (it->second.charset >= 0) codePage = text::codePageOfCharset(it->second.charset, ansiCodePage_);
    }
    decoder_.set(codePage);
    decoderFont_ = font;
    decoderStale_ = false;
}

std::u16string* Builder::runText() {
    if (documentEnded_) return nullptr;
    const int format = charFormatIndex();
    auto& runs = paragraph_.runs;
    if (runs.empty() || runs.back().format != format) {
        if (!runs.empty() && runs.back().text.empty()) runs.pop_back();
        if (runs.empty() || runs.back().format != format) runs.push_back(text::Run{{}, format});
    }
    return &runs.back().text;
}

int Builder::charFormatIndex() {
    Group& g = top();
    if (g.format >= 0) return g.format;
    const CharState& c = g.ch;
    if (auto known = stateIndex_.find(c); known != stateIndex_.end()) return g.format = known->second;
    CharFormat f;
    const std::int32_t font = c.font >= 0 ? c.font : defaultFont_;
    if (auto it = fonts_.find(font); it != fonts_.end()) f.fontName = it->second.name;
    f.halfPoints = c.halfPoints;
    auto color = [&](std::int32_t i) -> std::optional<Rgb> {
        return i >= 0 && static_cast<std::size_t>(i) < colors_.size() ? colors_[static_cast<std::size_t>(i)]
                                                                        : std::nullopt;
    };
    f.color = color(c.color);
    f.background = color(c.background);
    f.bold = c.bold;
    f.italic = c.italic;
    f.underline = c.underline;
    f.strike = c.strike;
    f.position = c.position;
    auto [it, added] = charIndex_.try_emplace(f, static_cast<int>(doc_.charFormats.size()));
    if (added) doc_.charFormats.push_back(std::move(f));
    stateIndex_.emplace(c, it->second);
    g.format = it->second;
    return g.format;
}

int Builder::paragraphFormatIndex(const ParaState& ps) {
    ParagraphFormat f;
    f.alignment = ps.alignment;
    f.leftIndent = ps.left;
    f.rightIndent = ps.right;
    f.firstLineIndent = ps.firstLine;
    bool wordPadItem = false;
    if (ps.ls > 0) {
        f.listStyle = ListStyle::Disc;  // a list whose table is missing still has items
        f.listLevel = ps.level;
        if (auto o = overrides_.find(ps.ls); o != overrides_.end()) {
            if (auto l = lists_.find(o->second); l != lists_.end() && !l->second.empty()) {
                const LevelDef& level = l->second[std::min<std::size_t>(ps.level, l->second.size() - 1)];
                f.listStyle = level.style;
                f.listStart = level.start;
            }
        }
        auto [id, added] = lsIds_.try_emplace(ps.ls, nextListId_);
        if (added) ++nextListId_;
        f.listId = id->second;
    } else if (ps.pnStyle != ListStyle::None) {
        f.listStyle = ps.pnStyle;
        f.listLevel = ps.pnLevel;
        f.listStart = ps.pnStart;
        // Items in a row are one list; a bulleted item after a numbered one
        // at the same level (or the other way round) begins another.
        if (!pnListId_ || (pnLastLevel_ == f.listLevel && isNumbered(pnLastStyle_) != isNumbered(f.listStyle)))
            pnListId_ = nextListId_++;
        pnLastStyle_ = f.listStyle;
        pnLastLevel_ = f.listLevel;
        f.listId = pnListId_;
        wordPadItem = true;
    }
    if (!wordPadItem) pnListId_ = 0;
    if (f.listStyle == ListStyle::None) f.listLevel = f.listId = 0, f.listStart = 1;
    auto [it, added] = paragraphIndex_.try_emplace(f, static_cast<int>(doc_.paragraphFormats.size()));
    if (added) doc_.paragraphFormats.push_back(f);
    return it->second;
}

void Builder::finishParagraph(bool cell) {
    if (documentEnded_) return;
    if (!paragraph_.runs.empty() && paragraph_.runs.back().text.empty()) paragraph_.runs.pop_back();
    paragraph_.format = paragraphFormatIndex(top().para);
    doc_.text.paragraphs.push_back(std::move(paragraph_));
    paragraph_ = text::Paragraph{};
    lastWasCell_ = cell;
}

void Builder::endDocument() {
    if (documentEnded_) return;
    if (!paragraph_.runs.empty() && paragraph_.runs.back().text.empty()) paragraph_.runs.pop_back();
    // The empty paragraph after the last \par is no paragraph.
    if (!paragraph_.runs.empty() || doc_.text.paragraphs.empty()) finishParagraph(false);
    documentEnded_ = true;
}

void Builder::finishFontName() {
    if (currentFont_ < 0) return;
    FontEntry& f = fonts_[currentFont_];
    f.named = true;
    while (!f.name.empty() && f.name.front() == u' ') f.name.erase(f.name.begin());
    while (!f.name.empty() && f.name.back() == u' ') f.name.pop_back();
    // "Arial Cyr", "Times New Roman CE": Word's names for one face in one
    // charset, which no font is called; Windows maps them to the face.
    for (std::u16string_view suffix : {u" Cyr", u" CE", u" Greek", u" Tur", u" Baltic"}) {
        if (f.name.size() > suffix.size() && std::u16string_view(f.name).substr(f.name.size() - suffix.size()) == suffix) {
            f.name.resize(f.name.size() - suffix.size());
            break;
        }
    }
    currentFont_ = -1;
    decoderStale_ = true;
}

// A style's effective properties: those of the style it is based on, then
// its own. Chains are cut after kMaxStyleChain steps, which also ends loops.
const StyleDef* Builder::resolveStyle(std::int32_t number, int depth) {
    auto it = styles_.find(number);
    if (it == styles_.end()) return nullptr;
    StyleDef& s = it->second;
    if (s.resolved || depth >= kMaxStyleChain) return &s;
    s.resolved = true;
    if (s.basedOn >= 0 && s.basedOn != number) {
        if (const StyleDef* base = resolveStyle(s.basedOn, depth + 1)) {
            StyleDef merged = *base;
            copyMasked(merged.ch, s.ch, s.charMask);
            copyMasked(merged.para, s.para, s.paraMask);
            s.ch = merged.ch;
            s.para = merged.para;
            s.charMask |= base->charMask;
            s.paraMask |= base->paraMask;
        }
    }
    return &s;
}

void Builder::resolveStyles() {
    for (auto& [number, style] : styles_) resolveStyle(number, 0);
}

void Builder::applyStyle(std::int32_t number, bool character) {
    auto it = styles_.find(number);
    if (it == styles_.end() || it->second.character != character) return;
    Group& g = top();
    copyMasked(g.ch, it->second.ch, it->second.charMask);
    if (!character) copyMasked(g.para, it->second.para, it->second.paraMask);
    g.format = -1;
}

void Builder::endPn() {
    ParaState& ps = top().para;
    ps.pnLevel = pnLevel_;
    ps.pnStart = pnStart_;
    switch (pnKind_) {
    case PnKind::Bullet: ps.pnStyle = pnBullet_; break;
    case PnKind::Numbered: ps.pnStyle = pnNumbering_; break;
    default: ps.pnStyle = ListStyle::None; break;
    }
}

}  // namespace

RtfReadResult readRtf(std::string_view bytes) {
    RtfReadResult result;
    Builder builder;
    result.fault = readRtfTokens(bytes, builder);
    if (result.fault.error != RtfError::NotRtf) result.document = builder.finish();
    return result;
}

}  // namespace lettrica::docio
