#include "docio/rtf_builder.h"

#include <algorithm>
#include <array>
#include <climits>
#include <optional>
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
    Marker,             // {\listtext} {\pntext}: the marker a writer drew before a list item
    Picture,            // {\pict}
    Author,             // {\*\atnauthor} {\*\atnid}: who wrote a comment
};

constexpr std::int32_t kMaxTwips = 31680;  // 22 inches, the widest page a word processor takes
constexpr int kMaxListLevel = 8;
constexpr std::size_t kMaxFontName = 128;
constexpr int kMaxStyleChain = 16;
constexpr std::size_t kMaxMarker = 32;        // characters of a list marker kept
constexpr std::size_t kMaxAuthor = 128;
constexpr std::int32_t kMaxTableDepth = 16;   // tables in tables in ...; deeper ones join the 16th
constexpr std::size_t kMaxColumns = 63;       // Word's limit
constexpr std::size_t kMaxCellDefinitions = 1024;  // of one row, before the columns are counted
constexpr std::int32_t kDefaultCellWidth = 1440;
constexpr std::int32_t kMaxNumber = 1'000'000;   // of a list item's number

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
    std::int32_t tableDepth = 0;  // \intbl, \itapN: 0 the body, 1 a table, 2 a table in a cell of one ...
};

// Which properties a style sets, so that applying it touches only those.
enum : std::uint32_t {
    kFont = 1, kSize = 2, kColor = 4, kBackground = 8, kBold = 16, kItalic = 32, kUnderline = 64,
    kStrike = 128, kHidden = 256, kPosition = 512, kAllChar = 1023,
    kAlign = 1, kLeft = 2, kRight = 4, kFirst = 8, kList = 16, kAllPara = 31,
};

struct Group {
    Dest dest = Dest::Text;
    bool note = false;    // in a footnote or comment: its text goes to the notes
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

// One cell of a row definition (\trowd ... \cellxN).
struct CellDef {
    std::int32_t right = 0;      // its right edge, twips
    std::uint8_t vmerge = 0;     // 1 starts a span down (\clvmgf), 2 continues one (\clvmrg)
    bool hmerge = false;         // continues the cell to its left (\clmrg)
    std::int32_t shading = -1;   // colour table index (\clcbpat)
    bool border = false;
};

// What a cell of a table being read holds, in order: paragraphs (an index
// into the pending paragraphs) and tables (-1 - their build number).
using CellItems = std::vector<int>;

struct RowBuild {
    std::vector<CellDef> defs;       // as the row ended
    std::vector<CellDef> startDefs;  // as its first paragraph ended
    std::vector<CellItems> cells;
};

struct PlacedCell {
    int row = 0, column = 0, columnSpan = 1, rowSpan = 1;
    std::int32_t shading = -1;
    CellItems items;
};

struct TableBuild {
    int index = -1;  // in the document's tables
    std::vector<RowBuild> rows;
    RowBuild row;    // the row being read
    bool rowStarted = false;
    std::size_t cell = 0;  // the cell being read in it
    std::vector<CellDef> lastDefs;
    std::vector<PlacedCell> placed;  // once the table is read: its cells, row by row
};

// The number of a list item as its marker shows it ("12.", " iv)", "1.2."):
// the last number in it, read in the list's style.
std::optional<std::int32_t> markerNumber(std::u16string_view marker, ListStyle style) {
    auto isDigit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    auto isLetter = [](char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
    const bool digits = style == ListStyle::Decimal;
    std::size_t end = marker.size();
    while (end > 0 && !(digits ? isDigit(marker[end - 1]) : isLetter(marker[end - 1]))) --end;
    std::size_t begin = end;
    while (begin > 0 && (digits ? isDigit(marker[begin - 1]) : isLetter(marker[begin - 1]))) --begin;
    if (begin == end) return std::nullopt;
    std::int64_t value = 0;
    if (digits) {
        for (std::size_t i = begin; i < end && value <= kMaxNumber; ++i) value = value * 10 + (marker[i] - u'0');
    } else if (style == ListStyle::LowerRoman || style == ListStyle::UpperRoman) {
        auto digit = [](char16_t c) -> int {
            switch (c | 0x20) {
            case u'i': return 1; case u'v': return 5; case u'x': return 10; case u'l': return 50;
            case u'c': return 100; case u'd': return 500; case u'm': return 1000;
            default: return 0;
            }
        };
        for (std::size_t i = begin; i < end; ++i) {
            const int d = digit(marker[i]);
            if (d == 0) return std::nullopt;
            const int next = i + 1 < end ? digit(marker[i + 1]) : 0;
            value += next > d ? -d : d;
        }
    } else {
        // a, b ... z, aa, ab ...: each letter a digit of base 26 without a zero.
        for (std::size_t i = begin; i < end && value <= kMaxNumber; ++i) value = value * 26 + ((marker[i] | 0x20) - u'a' + 1);
    }
    if (value <= 0 || value > kMaxNumber) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::int32_t clampTwips(std::int32_t v) { return std::clamp(v, -kMaxTwips, kMaxTwips); }

int hexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c |= 0x20;
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

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

bool hasText(const text::Paragraph& paragraph) {
    return std::any_of(paragraph.runs.begin(), paragraph.runs.end(), [](const text::Run& r) { return !r.text.empty(); });
}

class Builder final : public RtfHandler {
public:
    Builder(RtfParagraphSink& sink, const RtfReadOptions& options) : sink_(sink), options_(options) {
        stack_.reserve(64);
        stack_.push_back(Group{});  // outside the document's group
    }

    // The format tables; the paragraphs went to the sink.
    RichDocument finish() {
        endDocument();
        report_.objectsLeftOut += std::max(0, objects_ - objectResults_);
        return std::move(doc_);
    }
    const RtfReadReport& report() const { return report_; }

    Action groupStart() override;
    void groupEnd() override;
    Action controlWord(std::string_view word, bool has, std::int32_t p) override;
    Action controlSymbol(char symbol) override;
    void text(std::string_view bytes) override;
    void hexByte(unsigned char byte) override;
    void unicode(std::uint32_t value) override;
    void binary(std::string_view data) override;

private:
    enum class End { Par, Cell, NestCell };

    Group& top() { return stack_.back(); }
    Action proceed() const { return stopped_ ? Action::Stop : Action::Continue; }

    Action bodyWord(Keyword key, bool has, std::int32_t p);
    Action tableWord(Kw kw, bool has, std::int32_t p);
    void bytes(std::string_view bytes);
    void character(char32_t c);

    // The text of the document.
    std::u16string* runText(int format);
    std::u16string* runText() { return runText(charFormatIndex()); }
    void finishParagraph(End end);
    void emit(text::Paragraph&& paragraph);
    void endDocument();
    int charFormatIndex();
    int paragraphFormatIndex(const ParaState& ps, std::u16string_view marker);
    int placedFormat(int format, int table, int row, int column);
    int countListItem(int& listId, int level, ListStyle style, std::u16string_view marker);
    int newList(const std::array<std::int32_t, kMaxListLevel + 1>& starts);
    void refreshDecoder();

    // Tables: paragraphs in cells wait until their whole table is read.
    void enterTableDepth(std::size_t depth);
    void openTable();
    void closeTable();
    void endRow(bool nested);
    void layoutTable(TableBuild& table);
    void numberTables(int build, std::vector<int>& order) const;
    void emitTable(int build);

    // Notes and pictures.
    void startNote(bool comment);
    void endNote();
    void noteNumber(bool inNote);
    void finishPicture();

    // The tables.
    void finishFontName();
    void resolveStyles();
    const StyleDef* resolveStyle(std::int32_t number, int depth);
    void applyStyle(std::int32_t number, bool character);
    void endPn();
    std::optional<Rgb> colorAt(std::int32_t index) const {
        return index >= 0 && static_cast<std::size_t>(index) < colors_.size() ? colors_[static_cast<std::size_t>(index)]
                                                                               : std::nullopt;
    }

    RtfParagraphSink& sink_;
    const RtfReadOptions options_;
    RichDocument doc_;
    RtfReadReport report_;
    std::vector<Group> stack_;
    text::Paragraph paragraph_;
    std::u16string marker_;  // of the paragraph being read
    bool documentEnded_ = false;
    bool stopped_ = false;   // the sink wants no more
    std::size_t emitted_ = 0;
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

    // Document-wide list ids: one per \ls, one per run of WordPad list
    // items, and one more each time numbering starts again.
    std::unordered_map<std::int32_t, int> lsIds_;
    int nextListId_ = 1;
    int pnListId_ = 0;  // the id of the WordPad list the last paragraph was in, 0 none
    ListStyle pnLastStyle_ = ListStyle::None;
    int pnLastLevel_ = 0;
    struct Numbering {
        std::array<std::int32_t, kMaxListLevel + 1> start{};
        std::array<std::int32_t, kMaxListLevel + 1> count{};
    };
    std::unordered_map<int, Numbering> numbering_;  // by list id

    // Tables being read: the open ones innermost last, as build numbers.
    std::vector<TableBuild> builds_;
    std::vector<int> open_;
    std::vector<text::Paragraph> pending_;  // their paragraphs, each with its format outside any table
    std::vector<CellDef> rowDefs_;          // the row definition being read or last read
    CellDef cellDef_;                       // its next cell
    bool borderSide_ = false;               // a border word names a side: a style word draws it

    // Notes: numbered in the order of the file, kept for the end.
    std::vector<text::Paragraph> notes_;
    text::Paragraph bodyParagraph_;  // the paragraph a note interrupted
    std::u16string bodyMarker_;
    int noteNumber_ = 0;
    bool numberMarked_ = false;      // the text marked the coming note with its number
    std::size_t noteBegin_ = 0;      // the first paragraph of the note being read
    std::u16string author_;          // of the next comment
    bool authorNamed_ = false;       // by \atnauthor, which wins over \atnid

    // The picture being read.
    struct {
        Kw kind = Kw::Unknown;
        std::string data;
        std::size_t size = 0;  // bytes read, kept or not
        int nibble = -1;       // a hex digit waiting for its pair
        std::int32_t width = 0, height = 0, widthGoal = 0, heightGoal = 0, scaleX = 100, scaleY = 100;
        bool tooBig = false;
    } picture_;
    std::size_t pictureBytes_ = 0;  // kept in all
    int objects_ = 0, objectResults_ = 0;
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
    return proceed();
}

void Builder::groupEnd() {
    skip_ = 0;
    starred_ = false;
    if (stack_.size() <= 1) return;
    if (stack_.size() == 2) endDocument();  // the document's own group closes
    const Dest ended = top().dest;
    const bool noteEnds = top().note && !stack_[stack_.size() - 2].note;
    if (noteEnds && hasText(paragraph_)) finishParagraph(End::Par);  // its last paragraph, without \par
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
    case Dest::Picture:
        if (now != Dest::Picture) finishPicture();
        break;
    default:
        break;
    }
    if (noteEnds) endNote();
    // Formats worked out before a table was read are stale now.
    if ((ended == Dest::FontTable || ended == Dest::ColorTable || ended == Dest::StyleSheet) && ended != now) {
        for (Group& g : stack_) g.format = -1;
        stateIndex_.clear();
    }
}

// Control symbols and words are carried out in the middle of a \uN
// fallback and do not count as one of its characters.
RtfHandler::Action Builder::controlSymbol(char symbol) {
    if (symbol == '*') {
        starred_ = true;
        return proceed();
    }
    starred_ = false;
    if (top().dest != Dest::Text) return proceed();
    switch (symbol) {
    case '~': character(U'\u00A0'); break;
    case '-': character(U'\u00AD'); break;
    case '_': character(U'\u2011'); break;
    default: break;  // \: \| and the like mark index entries and formulas
    }
    return proceed();
}

RtfHandler::Action Builder::controlWord(std::string_view word, bool has, std::int32_t p) {
    const bool starred = starred_;
    starred_ = false;
    const Keyword key = keywordOf(word);
    const Kw kw = key.kw;
    // A destination shown nowhere. At the outermost level it would be the
    // whole document: there it is a stray word.
    const Action skip = stack_.size() > 2 ? Action::SkipGroup : Action::Continue;
    if (kw == Kw::Unknown) return starred ? skip : proceed();
    if (starred && !isStarredDestination(kw)) return skip;
    // Words that mean the same in every group.
    switch (kw) {
    case Kw::Skip:
        return skip;
    case Kw::Uc: top().uc = static_cast<std::uint8_t>(std::clamp(has ? p : 1, 0, 64)); return proceed();
    case Kw::Ansi: ansiCodePage_ = 1252; decoderStale_ = true; return proceed();
    case Kw::Mac: ansiCodePage_ = 10000; decoderStale_ = true; return proceed();
    case Kw::Pc: ansiCodePage_ = 437; decoderStale_ = true; return proceed();
    case Kw::Pca: ansiCodePage_ = 850; decoderStale_ = true; return proceed();
    case Kw::Ansicpg:
        if (has && p > 0) ansiCodePage_ = p;
        decoderStale_ = true;
        return proceed();
    case Kw::Deff:
        defaultFont_ = has ? p : 0;
        decoderStale_ = true;
        stateIndex_.clear();
        for (Group& g : stack_) g.format = -1;
        return proceed();
    case Kw::HeaderFooter:
        report_.headersOrFooters = true;
        return skip;
    case Kw::Shape:
        ++report_.objectsLeftOut;
        return skip;
    default:
        break;
    }
    if (top().dest == Dest::Text) return bodyWord(key, has, p);
    return tableWord(kw, has, p);
}

RtfHandler::Action Builder::bodyWord(Keyword key, bool has, std::int32_t p) {
    Group& g = top();
    const Kw kw = key.kw;
    if (kw != Kw::BorderSide && kw != Kw::BorderStyle && kw != Kw::BorderNone) borderSide_ = false;
    switch (kw) {
    case Kw::Par: finishParagraph(End::Par); return proceed();
    case Kw::Cell: finishParagraph(End::Cell); return proceed();
    case Kw::NestCell: finishParagraph(End::NestCell); return proceed();
    case Kw::Row: endRow(false); return proceed();
    case Kw::NestRow: endRow(true); return proceed();
    case Kw::Line: character(U'\u2028'); return proceed();
    case Kw::Tab: character(U'\t'); return proceed();
    case Kw::Char: character(key.ch); return proceed();
    case Kw::Fonttbl: g.dest = Dest::FontTable; currentFont_ = -1; return proceed();
    case Kw::Colortbl:
        g.dest = Dest::ColorTable;
        colors_.clear();
        pendingColorSet_ = false;
        pendingColor_ = Rgb{};
        return proceed();
    case Kw::Stylesheet: g.dest = Dest::StyleSheet; return proceed();
    case Kw::Listtable: g.dest = Dest::ListTable; return proceed();
    case Kw::Listoverridetable: g.dest = Dest::ListOverrideTable; return proceed();
    case Kw::Pn:
        g.dest = Dest::Pn;
        pnKind_ = PnKind::None;
        pnNumbering_ = ListStyle::Decimal;
        pnBullet_ = ListStyle::Disc;
        pnLevel_ = 0;
        pnStart_ = 1;
        pnTextSeen_ = false;
        return proceed();
    case Kw::Object:
        ++objects_;
        g.dest = Dest::Ignore;
        return proceed();
    case Kw::Upr: g.dest = Dest::Ignore; return proceed();
    case Kw::Defchp: case Kw::Defpap: g.dest = Dest::Defaults; return proceed();
    case Kw::S: applyStyle(has ? p : 0, false); return proceed();
    case Kw::Cs: applyStyle(has ? p : 0, true); return proceed();
    case Kw::Marker:
        g.dest = Dest::Marker;
        marker_.clear();
        return proceed();
    case Kw::Pict:
        g.dest = Dest::Picture;
        picture_ = {};
        return proceed();
    case Kw::Footnote:
    case Kw::Annotation:
        if (g.note || stack_.size() <= 2) return stack_.size() > 2 ? Action::SkipGroup : proceed();
        startNote(kw == Kw::Annotation);
        return proceed();
    case Kw::AtnAuthor:
    case Kw::AtnId:
        if (kw == Kw::AtnAuthor || !authorNamed_) author_.clear();
        if (kw == Kw::AtnAuthor) authorNamed_ = true;
        g.dest = Dest::Author;
        return proceed();
    case Kw::Chftn:
    case Kw::Chatn: {
        // A note's mark is drawn raised, as every word processor shows it.
        const CharState saved = g.ch;
        g.ch.position = VerticalPosition::Superscript;
        g.format = -1;
        noteNumber(g.note);
        g.ch = saved;
        g.format = -1;
        return proceed();
    }
    // The row definition: it holds until the next \trowd.
    case Kw::Trowd:
        rowDefs_.clear();
        cellDef_ = CellDef{};
        return proceed();
    case Kw::Cellx:
        if (rowDefs_.size() < kMaxCellDefinitions) {
            cellDef_.right = std::clamp(has ? p : 0, -kMaxTwips, 4 * kMaxTwips);
            rowDefs_.push_back(cellDef_);
        }
        cellDef_ = CellDef{};
        return proceed();
    case Kw::Clvmgf: cellDef_.vmerge = 1; return proceed();
    case Kw::Clvmrg: cellDef_.vmerge = 2; return proceed();
    case Kw::Clmrg: cellDef_.hmerge = true; return proceed();
    case Kw::Clcbpat: cellDef_.shading = has ? p : -1; return proceed();
    case Kw::BorderSide: borderSide_ = true; return proceed();
    case Kw::BorderStyle:
        if (borderSide_) cellDef_.border = true;
        return proceed();
    case Kw::Intbl: g.para.tableDepth = std::max(g.para.tableDepth, 1); return proceed();
    case Kw::Itap: g.para.tableDepth = std::clamp(has ? p : 1, 0, kMaxTableDepth); return proceed();
    default: break;
    }
    std::uint32_t cm = 0, pm = 0;
    if (applyFormatting(kw, has, p, defaults_, g.ch, g.para, cm, pm) && cm) g.format = -1;
    return proceed();
}

// Words inside the font, colour, style and list tables, the {\*\pn} group
// and the groups whose text is not shown.
RtfHandler::Action Builder::tableWord(Kw kw, bool has, std::int32_t p) {
    if (stopped_) return Action::Stop;
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
        if (kw == Kw::Result) ++objectResults_;
        if (kw == Kw::Result || kw == Kw::Ud) g.dest = Dest::Text;
        return Action::Continue;
    case Dest::Picture: {
        const std::int32_t v = has ? p : 0;
        switch (kw) {
        case Kw::PngBlip: case Kw::JpegBlip: case Kw::OtherBlip: picture_.kind = kw; break;
        case Kw::PicW: picture_.width = v; break;
        case Kw::PicH: picture_.height = v; break;
        case Kw::PicWGoal: picture_.widthGoal = v; break;
        case Kw::PicHGoal: picture_.heightGoal = v; break;
        case Kw::PicScaleX: picture_.scaleX = has ? v : 100; break;
        case Kw::PicScaleY: picture_.scaleY = has ? v : 100; break;
        default: break;
        }
        return Action::Continue;
    }
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
    character(value);
    skip_ = top().uc;
}

void Builder::binary(std::string_view data) {
    starred_ = false;
    if (top().dest != Dest::Picture) return;
    picture_.size += data.size();
    if (picture_.tooBig) return;
    if (pictureBytes_ + data.size() > options_.maxPictureBytes) {
        picture_.tooBig = true;
        return;
    }
    pictureBytes_ += data.size();
    picture_.data.append(data);
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
    case Dest::Marker:
    case Dest::Author: {
        std::u16string& out = g.dest == Dest::Marker ? marker_ : author_;
        const std::size_t limit = g.dest == Dest::Marker ? kMaxMarker : kMaxAuthor;
        refreshDecoder();
        for (unsigned char b : data)
            if (b >= 0x20 && out.size() < limit) decoder_.feed(b, out);
        return;
    }
    case Dest::Picture:
        for (unsigned char b : data) {
            const int v = hexValue(b);
            if (v < 0) continue;  // line ends and spaces between the digits
            if (picture_.nibble < 0) {
                picture_.nibble = v;
                continue;
            }
            const char byte = static_cast<char>(picture_.nibble << 4 | v);
            picture_.nibble = -1;
            ++picture_.size;
            if (picture_.tooBig) continue;
            if (pictureBytes_ >= options_.maxPictureBytes) {
                picture_.tooBig = true;
                continue;
            }
            ++pictureBytes_;
            picture_.data.push_back(byte);
        }
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
    case Dest::Marker:
        if (marker_.size() < kMaxMarker) ByteDecoder::appendCodePoint(c <= 0x10FFFF ? c : U'\uFFFD', marker_);
        return;
    case Dest::Author:
        if (c >= 0x20 && author_.size() < kMaxAuthor) ByteDecoder::appendCodePoint(c <= 0x10FFFF ? c : U'\uFFFD', author_);
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

std::u16string* Builder::runText(int format) {
    if (documentEnded_) return nullptr;
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
    f.color = colorAt(c.color);
    f.background = colorAt(c.background);
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

int Builder::newList(const std::array<std::int32_t, kMaxListLevel + 1>& starts) {
    const int id = nextListId_++;
    numbering_[id].start = starts;
    return id;
}

// Counts an item of `listId` at `level` and gives the start of its level.
// When the marker the file drew shows another number than the list would
// give the item, numbering starts again here: from this item on the items
// belong to a new list, which goes on with the shallower levels' numbers.
int Builder::countListItem(int& listId, int level, ListStyle style, std::u16string_view marker) {
    Numbering* n = &numbering_[listId];
    if (isNumbered(style)) {
        const std::optional<std::int32_t> shown = markerNumber(marker, style);
        if (shown && *shown != n->start[level] + n->count[level]) {
            std::array<std::int32_t, kMaxListLevel + 1> starts = n->start;
            for (int k = 0; k < level; ++k) starts[k] = n->start[k] + n->count[k];
            starts[level] = *shown;
            listId = newList(starts);
            n = &numbering_[listId];
        }
    }
    ++n->count[level];
    std::fill(n->count.begin() + level + 1, n->count.end(), 0);
    return n->start[level];
}

int Builder::paragraphFormatIndex(const ParaState& ps, std::u16string_view marker) {
    ParagraphFormat f;
    f.alignment = ps.alignment;
    f.leftIndent = ps.left;
    f.rightIndent = ps.right;
    f.firstLineIndent = ps.firstLine;
    bool wordPadItem = false;
    if (ps.ls > 0) {
        f.listStyle = ListStyle::Disc;  // a list whose table is missing still has items
        f.listLevel = ps.level;
        const ListDef* def = nullptr;
        if (auto o = overrides_.find(ps.ls); o != overrides_.end())
            if (auto l = lists_.find(o->second); l != lists_.end() && !l->second.empty()) def = &l->second;
        if (def) f.listStyle = (*def)[std::min<std::size_t>(ps.level, def->size() - 1)].style;
        auto [id, added] = lsIds_.try_emplace(ps.ls, 0);
        if (added) {
            std::array<std::int32_t, kMaxListLevel + 1> starts;
            for (int k = 0; k <= kMaxListLevel; ++k)
                starts[k] = def ? (*def)[std::min<std::size_t>(k, def->size() - 1)].start : 1;
            id->second = newList(starts);
        }
        f.listStart = countListItem(id->second, f.listLevel, f.listStyle, marker);
        f.listId = id->second;
    } else if (ps.pnStyle != ListStyle::None) {
        f.listStyle = ps.pnStyle;
        f.listLevel = ps.pnLevel;
        // Items in a row are one list; a bulleted item after a numbered one
        // at the same level (or the other way round) begins another.
        if (!pnListId_ || (pnLastLevel_ == f.listLevel && isNumbered(pnLastStyle_) != isNumbered(f.listStyle))) {
            std::array<std::int32_t, kMaxListLevel + 1> starts;
            starts.fill(1);
            starts[f.listLevel] = ps.pnStart;
            pnListId_ = newList(starts);
        }
        pnLastStyle_ = f.listStyle;
        pnLastLevel_ = f.listLevel;
        f.listStart = countListItem(pnListId_, f.listLevel, f.listStyle, marker);
        f.listId = pnListId_;
        wordPadItem = true;
    }
    if (!wordPadItem) pnListId_ = 0;
    if (f.listStyle == ListStyle::None) f.listLevel = f.listId = 0, f.listStart = 1;
    auto [it, added] = paragraphIndex_.try_emplace(f, static_cast<int>(doc_.paragraphFormats.size()));
    if (added) doc_.paragraphFormats.push_back(f);
    return it->second;
}

// The format `format` has, in a table cell.
int Builder::placedFormat(int format, int table, int row, int column) {
    ParagraphFormat f = paragraphFormatAt(doc_, format);
    f.table = table;
    f.row = row;
    f.column = column;
    auto [it, added] = paragraphIndex_.try_emplace(f, static_cast<int>(doc_.paragraphFormats.size()));
    if (added) doc_.paragraphFormats.push_back(f);
    return it->second;
}

void Builder::finishParagraph(End end) {
    if (documentEnded_ || stopped_) return;
    if (!paragraph_.runs.empty() && paragraph_.runs.back().text.empty()) paragraph_.runs.pop_back();
    const ParaState& ps = top().para;
    text::Paragraph paragraph = std::move(paragraph_);
    paragraph_ = text::Paragraph{};
    paragraph.format = paragraphFormatIndex(ps, marker_);
    marker_.clear();
    if (top().note) {
        notes_.push_back(std::move(paragraph));
        return;
    }
    std::int32_t depth = ps.tableDepth;
    if (end == End::Cell) depth = std::max(depth, 1);
    if (end == End::NestCell) depth = std::max(depth, 2);
    depth = std::min(depth, kMaxTableDepth);
    enterTableDepth(static_cast<std::size_t>(depth));
    if (depth == 0) {
        emit(std::move(paragraph));
        return;
    }
    TableBuild& table = builds_[static_cast<std::size_t>(open_.back())];
    if (!table.rowStarted) {
        table.rowStarted = true;
        table.row.startDefs = rowDefs_;
    }
    if (table.row.cells.size() <= table.cell) table.row.cells.resize(table.cell + 1);
    table.row.cells[table.cell].push_back(static_cast<int>(pending_.size()));
    pending_.push_back(std::move(paragraph));
    if (end != End::Par) ++table.cell;
}

void Builder::emit(text::Paragraph&& paragraph) {
    if (stopped_) return;
    ++emitted_;
    if (!sink_.paragraph(doc_, std::move(paragraph))) stopped_ = true;
}

void Builder::enterTableDepth(std::size_t depth) {
    while (open_.size() > depth) closeTable();
    while (open_.size() < depth) openTable();
}

void Builder::openTable() {
    const int build = static_cast<int>(builds_.size());
    TableBuild made;
    made.index = static_cast<int>(doc_.tables.size());
    doc_.tables.emplace_back();
    if (!open_.empty()) {
        TableBuild& outer = builds_[static_cast<std::size_t>(open_.back())];
        doc_.tables.back().parent = outer.index;
        if (!outer.rowStarted) {
            outer.rowStarted = true;
            outer.row.startDefs = rowDefs_;
        }
        if (outer.row.cells.size() <= outer.cell) outer.row.cells.resize(outer.cell + 1);
        outer.row.cells[outer.cell].push_back(-1 - build);
    }
    builds_.push_back(std::move(made));
    open_.push_back(build);
}

void Builder::closeTable() {
    const int build = open_.back();
    open_.pop_back();
    TableBuild& table = builds_[static_cast<std::size_t>(build)];
    if (table.rowStarted) {
        // A row the file did not end with \row.
        table.row.defs = !rowDefs_.empty() ? rowDefs_ : !table.row.startDefs.empty() ? table.row.startDefs
                                                                                      : table.lastDefs;
        table.rows.push_back(std::move(table.row));
    }
    layoutTable(table);
    if (!open_.empty()) return;
    // The outermost table is read: its paragraphs, and those of the tables
    // in it, go out in the order of their cells, and the tables are
    // numbered in that order (a cell that took in its neighbour's text may
    // hold a table read after one of a later cell).
    std::vector<int> order;
    numberTables(build, order);
    const int first = builds_[static_cast<std::size_t>(order.front())].index;
    std::vector<int> renumbered(order.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        renumbered[static_cast<std::size_t>(builds_[static_cast<std::size_t>(order[k])].index - first)] = first + static_cast<int>(k);
    std::vector<Table> tables(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        TableBuild& b = builds_[static_cast<std::size_t>(order[k])];
        tables[k] = std::move(doc_.tables[static_cast<std::size_t>(b.index)]);
        if (tables[k].parent >= first) tables[k].parent = renumbered[static_cast<std::size_t>(tables[k].parent - first)];
        b.index = first + static_cast<int>(k);
    }
    std::move(tables.begin(), tables.end(), doc_.tables.begin() + first);
    emitTable(build);
    builds_.clear();
    pending_.clear();
}

void Builder::endRow(bool nested) {
    if (documentEnded_ || stopped_) return;
    if (top().note) {
        // Notes hold no tables: the row's text is a paragraph of the note.
        if (hasText(paragraph_)) finishParagraph(End::Par);
        return;
    }
    // Text after the row's last \cell is a cell of its own.
    if (hasText(paragraph_)) finishParagraph(nested ? End::NestCell : End::Cell);
    if (open_.empty()) return;
    std::size_t depth = 1;
    if (nested) {
        if (open_.size() < 2) return;
        depth = static_cast<std::size_t>(std::clamp<std::int32_t>(top().para.tableDepth, 2, kMaxTableDepth));
    }
    depth = std::min(depth, open_.size());
    while (open_.size() > depth) closeTable();
    TableBuild& table = builds_[static_cast<std::size_t>(open_.back())];
    if (table.rowStarted) {
        // The definition is given before the row, after it, or both (Word
        // and LibreOffice repeat it before \row); a nested row's comes after
        // it, in {\*\nesttableprops}, and is spent there.
        table.row.defs = !rowDefs_.empty() ? rowDefs_ : !table.row.startDefs.empty() ? table.row.startDefs
                                                                                      : table.lastDefs;
        table.lastDefs = table.row.defs;
        table.rows.push_back(std::move(table.row));
    }
    table.row = RowBuild{};
    table.rowStarted = false;
    table.cell = 0;
    if (nested) rowDefs_.clear();
}

// Lays the cells of each row on one grid of columns, whose edges are the
// right edges of all cells of the table: a cell spans the columns between
// the edge of the cell before it and its own. Cells merged into their left
// or upper neighbour become part of it, with their text.
void Builder::layoutTable(TableBuild& t) {
    auto isEmpty = [&](const CellItems& items) {
        return std::all_of(items.begin(), items.end(),
                           [&](int i) { return i >= 0 && !hasText(pending_[static_cast<std::size_t>(i)]); });
    };
    std::vector<std::int32_t> edges;
    for (RowBuild& row : t.rows) {
        // Cells beyond the definition: empty ones are the writer's noise,
        // others get a column of their own.
        while (row.cells.size() > row.defs.size() && isEmpty(row.cells.back())) row.cells.pop_back();
        while (row.defs.size() < row.cells.size()) {
            CellDef extra;
            extra.right = (row.defs.empty() ? 0 : row.defs.back().right) + kDefaultCellWidth;
            row.defs.push_back(extra);
        }
        if (row.defs.size() > kMaxColumns) {
            for (std::size_t i = kMaxColumns; i < row.cells.size(); ++i)
                row.cells[kMaxColumns - 1].insert(row.cells[kMaxColumns - 1].end(), row.cells[i].begin(),
                                                  row.cells[i].end());
            row.defs[kMaxColumns - 1].right = row.defs.back().right;
            row.defs.resize(kMaxColumns);
            if (row.cells.size() > kMaxColumns) row.cells.resize(kMaxColumns);
        }
        for (std::size_t i = 1; i < row.defs.size(); ++i)
            row.defs[i].right = std::max(row.defs[i].right, row.defs[i - 1].right + 1);
        for (const CellDef& d : row.defs) edges.push_back(d.right);
    }
    std::erase_if(t.rows, [](const RowBuild& r) { return r.defs.empty(); });
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    // Edges that do not line up make too many columns: then the cells of a
    // row simply fill its columns from the left.
    const bool grid = edges.size() <= kMaxColumns;
    std::size_t columns = grid ? edges.size() : 0;
    if (!grid)
        for (const RowBuild& row : t.rows) columns = std::max(columns, row.defs.size());
    columns = std::max<std::size_t>(columns, 1);

    Table& shape = doc_.tables[static_cast<std::size_t>(t.index)];
    shape.rows = std::max<int>(1, static_cast<int>(t.rows.size()));
    shape.columns = static_cast<int>(columns);
    if (grid && !edges.empty()) {
        // The first column from the row's left edge, taken as 0 (\trleft is not read).
        std::int32_t left = edges.front() > 0 ? 0 : edges.front() - kDefaultCellWidth;
        for (std::int32_t e : edges) {
            shape.columnWidths.push_back(std::max<std::int32_t>(1, e - left));
            left = e;
        }
    } else {
        shape.columnWidths.assign(columns, kDefaultCellWidth);  // edges that say nothing
    }
    std::vector<int> spanDown(columns, -1);  // the placed cell a \clvmrg below joins, by column
    for (std::size_t r = 0; r < t.rows.size(); ++r) {
        RowBuild& row = t.rows[r];
        std::vector<int> nextDown(columns, -1);
        int lastPlaced = -1;
        std::int32_t previousRight = INT_MIN;
        for (std::size_t i = 0; i < row.defs.size(); ++i) {
            const CellDef& d = row.defs[i];
            std::size_t column = i, last = i;
            if (grid) {
                column = static_cast<std::size_t>(std::upper_bound(edges.begin(), edges.end(), previousRight) - edges.begin());
                last = static_cast<std::size_t>(std::lower_bound(edges.begin(), edges.end(), d.right) - edges.begin());
            }
            previousRight = d.right;
            CellItems items = i < row.cells.size() ? std::move(row.cells[i]) : CellItems{};
            auto join = [&](PlacedCell& into) {
                for (int item : items)
                    if (item < 0 || hasText(pending_[static_cast<std::size_t>(item)])) into.items.push_back(item);
            };
            if (d.hmerge && lastPlaced >= 0) {
                PlacedCell& left = t.placed[static_cast<std::size_t>(lastPlaced)];
                left.columnSpan = static_cast<int>(last) - left.column + 1;
                join(left);
                continue;
            }
            const int above = column < columns ? spanDown[column] : -1;
            if (d.vmerge == 2 && above >= 0 &&
                t.placed[static_cast<std::size_t>(above)].columnSpan == static_cast<int>(last - column + 1)) {
                PlacedCell& upper = t.placed[static_cast<std::size_t>(above)];
                upper.rowSpan = static_cast<int>(r) - upper.row + 1;
                join(upper);
                nextDown[column] = above;
                continue;
            }
            PlacedCell cell;
            cell.row = static_cast<int>(r);
            cell.column = static_cast<int>(column);
            cell.columnSpan = static_cast<int>(last - column + 1);
            cell.shading = d.shading;
            cell.items = std::move(items);
            lastPlaced = static_cast<int>(t.placed.size());
            if (d.vmerge == 1 && column < columns) nextDown[column] = lastPlaced;
            t.placed.push_back(std::move(cell));
            shape.borders = shape.borders || d.border;
        }
        spanDown = std::move(nextDown);
    }
    // A row shorter than the others leaves columns no cell covers: they are
    // empty cells, as the panes and LibreOffice show them.
    std::vector<std::vector<char>> covered(static_cast<std::size_t>(shape.rows), std::vector<char>(columns, 0));
    for (const PlacedCell& c : t.placed)
        for (int r = c.row; r < std::min(shape.rows, c.row + c.rowSpan); ++r)
            for (int k = c.column; k < std::min(shape.columns, c.column + c.columnSpan); ++k)
                covered[static_cast<std::size_t>(r)][static_cast<std::size_t>(k)] = 1;
    for (int r = 0; r < shape.rows; ++r)
        for (int k = 0; k < shape.columns; ++k)
            if (!covered[static_cast<std::size_t>(r)][static_cast<std::size_t>(k)]) {
                PlacedCell hole;
                hole.row = r;
                hole.column = k;
                t.placed.push_back(std::move(hole));
            }
    std::stable_sort(t.placed.begin(), t.placed.end(), [](const PlacedCell& a, const PlacedCell& b) {
        return std::make_pair(a.row, a.column) < std::make_pair(b.row, b.column);
    });
    for (const PlacedCell& c : t.placed) {
        shape.cells.push_back(TableCell{c.row, c.column, c.rowSpan, c.columnSpan, colorAt(c.shading)});
        // A table in this cell knows its place only now.
        for (int item : c.items) {
            if (item >= 0) continue;
            Table& inner = doc_.tables[static_cast<std::size_t>(builds_[static_cast<std::size_t>(-1 - item)].index)];
            inner.parentRow = c.row;
            inner.parentColumn = c.column;
        }
    }
}

void Builder::numberTables(int build, std::vector<int>& order) const {
    order.push_back(build);
    for (const PlacedCell& c : builds_[static_cast<std::size_t>(build)].placed)
        for (int item : c.items)
            if (item < 0) numberTables(-1 - item, order);
}

void Builder::emitTable(int build) {
    const TableBuild& t = builds_[static_cast<std::size_t>(build)];
    for (const PlacedCell& c : t.placed) {
        // Every cell has a paragraph, as it has in a word processor.
        if (c.items.empty()) {
            text::Paragraph empty;
            empty.format = placedFormat(-1, t.index, c.row, c.column);
            emit(std::move(empty));
        }
        // A cell goes on after a table in it: its \cell ends a paragraph of
        // its own, and two tables are two only with a paragraph between
        // them. Only a broken file, or cells merged into one, lack these.
        auto paragraphAfterTable = [&] {
            text::Paragraph after;
            after.format = placedFormat(-1, t.index, c.row, c.column);
            emit(std::move(after));
        };
        for (std::size_t i = 0; i < c.items.size(); ++i) {
            const int item = c.items[i];
            if (item < 0) {
                if (i > 0 && c.items[i - 1] < 0) paragraphAfterTable();
                emitTable(-1 - item);
                continue;
            }
            text::Paragraph& p = pending_[static_cast<std::size_t>(item)];
            p.format = placedFormat(p.format, t.index, c.row, c.column);
            emit(std::move(p));
        }
        if (!c.items.empty() && c.items.back() < 0) paragraphAfterTable();
    }
}

void Builder::startNote(bool comment) {
    Group& g = top();
    g.note = true;
    bodyParagraph_ = std::move(paragraph_);
    bodyMarker_ = std::move(marker_);
    paragraph_ = text::Paragraph{};
    marker_.clear();
    ++noteNumber_;
    ++report_.notes;
    noteBegin_ = notes_.size();
    if (!comment) return;
    // A comment has no mark of its own inside: it starts with its number
    // and the name of its author.
    CharFormat mark = charFormatAt(doc_, charFormatIndex());
    mark.position = VerticalPosition::Superscript;
    auto [it, added] = charIndex_.try_emplace(mark, static_cast<int>(doc_.charFormats.size()));
    if (added) doc_.charFormats.push_back(mark);
    const std::string number = std::to_string(noteNumber_);
    if (std::u16string* mark = runText(it->second)) mark->assign(number.begin(), number.end());
    if (std::u16string* rest = runText()) {
        *rest += u' ';
        if (!author_.empty()) *rest += author_ + u": ";
    }
    author_.clear();
    authorNamed_ = false;
}

void Builder::endNote() {
    // The note's own mark is its number: a space parts it from the text.
    if (notes_.size() > noteBegin_) {
        text::Paragraph& first = notes_[noteBegin_];
        const std::string n = std::to_string(noteNumber_);
        const std::u16string number(n.begin(), n.end());
        if (numberMarked_ && !first.runs.empty() && !first.runs.front().text.starts_with(number)) {
            // Numbered in the text but not in the note: it starts with its number too.
            CharFormat mark = charFormatAt(doc_, first.runs.front().format);
            mark.position = VerticalPosition::Superscript;
            mark.image = -1;
            auto [it, added] = charIndex_.try_emplace(mark, static_cast<int>(doc_.charFormats.size()));
            if (added) doc_.charFormats.push_back(mark);
            first.runs.insert(first.runs.begin(), text::Run{number, it->second});
        }
        if (!first.runs.empty() && first.runs.front().text.starts_with(number)) {
            std::u16string& head = first.runs.front().text;
            char16_t next = head.size() > number.size() ? head[number.size()]
                            : first.runs.size() > 1 && !first.runs[1].text.empty() ? first.runs[1].text.front()
                                                                                   : u' ';
            if (next != u' ' && next != u'\t' && next != u'\u00A0') head.insert(number.size(), 1, u' ');
        }
    }
    paragraph_ = std::move(bodyParagraph_);
    marker_ = std::move(bodyMarker_);
    bodyParagraph_ = text::Paragraph{};
    numberMarked_ = false;
}

// \chftn, \chatn: the number of the note, in the text where it is marked
// (the next note's) and at the start of the note itself.
void Builder::noteNumber(bool inNote) {
    if (!inNote) numberMarked_ = true;
    const std::string n = std::to_string(inNote ? noteNumber_ : noteNumber_ + 1);
    for (char c : n) character(static_cast<char32_t>(c));
}

void Builder::finishPicture() {
    const bool shown = (picture_.kind == Kw::PngBlip || picture_.kind == Kw::JpegBlip) && picture_.size > 0 &&
                       !picture_.tooBig && top().dest == Dest::Text && !top().ch.hidden;
    if (!shown) {
        if (top().dest == Dest::Text) ++report_.picturesLeftOut;
        picture_ = {};
        return;
    }
    Image image;
    image.kind = picture_.kind == Kw::PngBlip ? ImageKind::Png : ImageKind::Jpeg;
    image.data = std::move(picture_.data);
    // The size it is shown at: what the writer asked for, scaled.
    auto shownSize = [](std::int32_t goal, std::int32_t scale) {
        if (goal <= 0) return 0;
        // A scale of 0 is none given (LibreOffice writes it so).
        const std::int64_t v = std::int64_t{goal} * (scale > 0 ? std::min(scale, 10000) : 100) / 100;
        return static_cast<int>(std::clamp<std::int64_t>(v, 1, kMaxTwips));
    };
    image.width = shownSize(picture_.widthGoal, picture_.scaleX);
    image.height = shownSize(picture_.heightGoal, picture_.scaleY);
    picture_ = {};
    CharFormat f = charFormatAt(doc_, charFormatIndex());
    f.image = static_cast<int>(doc_.images.size());
    doc_.images.push_back(std::move(image));
    auto [it, added] = charIndex_.try_emplace(f, static_cast<int>(doc_.charFormats.size()));
    if (added) doc_.charFormats.push_back(std::move(f));
    if (std::u16string* out = runText(it->second)) out->push_back(kObjectCharacter);
}

void Builder::endDocument() {
    if (documentEnded_) return;
    if (top().note) {
        // The file ends inside a note.
        if (hasText(paragraph_)) finishParagraph(End::Par);
        endNote();
        for (Group& g : stack_) g.note = false;
    }
    if (!paragraph_.runs.empty() && paragraph_.runs.back().text.empty()) paragraph_.runs.pop_back();
    // The empty paragraph after the last \par is no paragraph.
    if (!paragraph_.runs.empty()) finishParagraph(End::Par);
    enterTableDepth(0);
    for (text::Paragraph& note : notes_) emit(std::move(note));
    notes_.clear();
    if (emitted_ == 0) {
        text::Paragraph empty;
        empty.format = paragraphFormatIndex(top().para, {});
        emit(std::move(empty));
    }
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

namespace {

class Collector final : public RtfParagraphSink {
public:
    bool paragraph(const RichDocument&, text::Paragraph&& paragraph) override {
        text.paragraphs.push_back(std::move(paragraph));
        return true;
    }
    text::StyledText text;
};

}  // namespace

RtfReadResult readRtf(std::string_view bytes, RtfParagraphSink& sink, const RtfReadOptions& options) {
    RtfReadResult result;
    Builder builder(sink, options);
    result.fault = readRtfTokens(bytes, builder);
    if (result.fault.error == RtfError::NotRtf) return result;
    result.document = builder.finish();
    result.report = builder.report();
    return result;
}

RtfReadResult readRtf(std::string_view bytes, const RtfReadOptions& options) {
    Collector collector;
    RtfReadResult result = readRtf(bytes, collector, options);
    result.document.text = std::move(collector.text);
    return result;
}

}  // namespace lettrica::docio
