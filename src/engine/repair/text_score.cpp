#include "repair/text_score.h"

#include <array>
#include <cstdlib>
#include <memory>

#include "repair/language_tables.h"

namespace lettrica::repair {

namespace {

// The class of every BMP character: a letter of either alphabet with its
// index and case, or a kind of non-letter with its cost.
enum : std::uint8_t {
    kSeparator = 0,                 // spaces, digits, ASCII punctuation
    kRussianLower = 1,              // 1..33
    kRussianUpper = 34,             // 34..66
    kEnglishLower = 67,             // 67..92
    kEnglishUpper = 93,             // 93..118
    kTypographic = 120,
    kSign,
    kForeignLetter,
    kGraphic,
    kControl,
    kOtherScript,
};

struct ClassCost {
    std::int32_t cost;
    bool odd;
};

ClassCost costOf(std::uint8_t cls) {
    switch (cls) {
    case kTypographic: return {16, false};
    case kSign: return {48, true};
    case kForeignLetter: return {80, true};
    case kGraphic: return {96, true};
    case kControl: return {192, true};
    case kOtherScript: return {16, false};
    default: return {0, false};
    }
}

constexpr char16_t kRussianLetters[] = u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя";

std::uint8_t classify(char32_t u) {
    if (u < 0x80) {
        if (u >= 'a' && u <= 'z') return static_cast<std::uint8_t>(kEnglishLower + (u - 'a'));
        if (u >= 'A' && u <= 'Z') return static_cast<std::uint8_t>(kEnglishUpper + (u - 'A'));
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r') return kControl;
        return u == 0x7F ? kControl : kSeparator;
    }
    if (u < 0xA0 || u == 0xFFFD || u == 0xFFFE || u == 0xFFFF || u == 0xFEFF) return kControl;
    if (u < 0x100) {
        if (u == 0xA0 || u == 0xAB || u == 0xBB || u == 0xB0 || u == 0xB7) return kTypographic;
        if (u >= 0xC0 && u != 0xD7 && u != 0xF7) return kForeignLetter;
        return kSign;
    }
    if (u >= 0x300 && u < 0x370) return kTypographic;  // combining marks: stress in Russian texts
    if (u < 0x370) return kForeignLetter;          // Latin Extended, IPA, modifiers
    if (u < 0x400) return kForeignLetter;          // Greek
    if (u < 0x530) {
        for (int i = 0; i < 33; ++i) {
            if (u == kRussianLetters[i]) return static_cast<std::uint8_t>(kRussianLower + i);
        }
        if (u == 0x401) return static_cast<std::uint8_t>(kRussianUpper + 6);  // Ё
        if (u >= 0x410 && u < 0x430) {
            const int i = static_cast<int>(u - 0x410);
            return static_cast<std::uint8_t>(kRussianUpper + (i < 6 ? i : i + 1));
        }
        return kForeignLetter;  // Ukrainian, Serbian, Macedonian... letters
    }
    if (u >= 0x2000 && u < 0x2070) {
        if (u == 0x2020 || u == 0x2021 || u == 0x2030) return kSign;  // † ‡ ‰
        return kTypographic;
    }
    if (u == 0x20AC || u == 0x2116 || u == 0x2122) return u == 0x2122 ? kSign : kTypographic;  // € № ™
    if (u >= 0x2190 && u < 0x2400) return kSign;    // arrows, mathematics, technical
    if (u >= 0x2500 && u < 0x25A0) return kGraphic;  // box drawing, blocks
    if (u >= 0x25A0 && u < 0x2600) return kSign;    // geometric shapes
    if (u >= 0xD800 && u < 0xE000) return kOtherScript;  // half of a character beyond the BMP
    if (u >= 0xE000 && u < 0xF900) return kControl;  // private use
    if (u == 0x0192 || u == 0x02C6 || u == 0x02DC) return kSign;
    return kOtherScript;
}

struct ClassTable {
    std::unique_ptr<std::uint8_t[]> cls{new std::uint8_t[0x10000]};
    ClassTable() {
        for (char32_t u = 0; u < 0x10000; ++u) cls[u] = classify(u);
        // A few letters of Latin Extended that are signs in the code pages.
        cls[0x0192] = kSign;  // ƒ
        cls[0x02C6] = kSign;  // ˆ
        cls[0x02DC] = kSign;  // ˜
    }
};

const std::uint8_t* classes() {
    static const ClassTable table;
    return table.cls.get();
}

struct Language {
    const char* trigrams;
    int symbols;
    std::int32_t mean;
};

const Language kLanguages[2] = {
    {detail::kRussianTrigrams, detail::kRussianSymbols, detail::kRussianMeanCost},
    {detail::kEnglishTrigrams, detail::kEnglishSymbols, detail::kEnglishMeanCost},
};

// Base64 digit to its value, for the generated tables.
struct Digits {
    std::uint8_t value[128]{};
    Digits() {
        const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int i = 0; i < 64; ++i) value[static_cast<unsigned char>(alphabet[i])] = static_cast<std::uint8_t>(i);
    }
};

// The tables decoded to costs in quarter nats, built once.
struct Costs {
    std::unique_ptr<std::uint8_t[]> table[2];
    Costs() {
        static const Digits digits;
        for (int l = 0; l < 2; ++l) {
            const int n = kLanguages[l].symbols;
            table[l].reset(new std::uint8_t[static_cast<std::size_t>(n) * n * n]);
            for (int i = 0; i < n * n * n; ++i)
                table[l][i] = digits.value[static_cast<unsigned char>(kLanguages[l].trigrams[i])];
        }
    }
};

// What the scorer needs of each character class, looked up once a character.
struct ClassInfo {
    std::int8_t language = -1;  // 0 Russian, 1 English, -1 not a letter
    std::uint8_t index = 0;     // the letter's symbol in its language's table
    bool upper = false;
    ClassCost cost{0, false};
};

struct ClassInfos {
    ClassInfo info[256];
    ClassInfos() {
        for (int c = 0; c < 256; ++c) {
            ClassInfo& i = info[c];
            if (c >= kRussianLower && c < kRussianUpper) i = {0, static_cast<std::uint8_t>(c), false, {}};
            else if (c >= kRussianUpper && c < kEnglishLower) i = {0, static_cast<std::uint8_t>(c - 33), true, {}};
            else if (c >= kEnglishLower && c < kEnglishUpper) i = {1, static_cast<std::uint8_t>(c - 66), false, {}};
            else if (c >= kEnglishUpper && c < kTypographic) i = {1, static_cast<std::uint8_t>(c - 92), true, {}};
            else i.cost = costOf(static_cast<std::uint8_t>(c));
        }
    }
};

const ClassInfo* classInfos() {
    static const ClassInfos infos;
    return infos.info;
}

const Costs& costs() {
    static const Costs c;
    return c;
}

// The word list as a hash table: a word's key is its letters as digits of
// base 34, exact up to twelve letters; longer words are not listed.
constexpr std::uint64_t kKeyBase = 34;
constexpr int kLongestListed = 12;

struct WordList {
    static constexpr std::size_t kSlots = 1 << 14;
    std::unique_ptr<std::uint64_t[]> keys{new std::uint64_t[kSlots]()};
    std::unique_ptr<std::uint8_t[]> gains{new std::uint8_t[kSlots]()};

    static std::size_t slot(std::uint64_t key) { return (key * 0x9E3779B97F4A7C15ull) >> 50; }

    WordList() {
        static const Digits digits;
        std::uint64_t key = 0;
        int length = 0;
        for (const char* p = detail::kRussianWords; *p; ++p) {
            if (*p != ' ') {
                if (p[1] == ' ') {  // the gain, after the letters
                    if (length <= kLongestListed) insert(key, digits.value[static_cast<unsigned char>(*p)]);
                } else {
                    key = key * kKeyBase + digits.value[static_cast<unsigned char>(*p)];
                    ++length;
                }
                continue;
            }
            key = 0;
            length = 0;
        }
    }
    void insert(std::uint64_t key, std::uint8_t gain) {
        std::size_t s = slot(key);
        while (keys[s] && keys[s] != key) s = (s + 1) & (kSlots - 1);
        keys[s] = key;
        gains[s] = gain;
    }
    // What knowing the word adds, in quarter nats; -1 for a word not listed.
    std::int32_t gain(std::uint64_t key) const {
        for (std::size_t s = slot(key); keys[s]; s = (s + 1) & (kSlots - 1))
            if (keys[s] == key) return gains[s];
        return -1;
    }
};

const WordList& wordList() {
    static const WordList w;
    return w;
}

// A Bloom filter of the tables (see language_tables.h): the vocabulary's
// word beginnings, or English words.
struct Beginnings {
    std::unique_ptr<std::uint8_t[]> bits{new std::uint8_t[(1u << detail::kBeginningBits) / 8 + 1]()};
    explicit Beginnings(const char* table) {
        static const Digits digits;
        const std::size_t total = std::size_t{1} << detail::kBeginningBits;
        for (std::size_t c = 0; c * 6 < total; ++c) {
            const std::uint8_t v = digits.value[static_cast<unsigned char>(table[c])];
            for (std::size_t b = 0; b < 6 && c * 6 + b < total; ++b)
                if (v >> b & 1) bits[(c * 6 + b) / 8] |= static_cast<std::uint8_t>(1u << ((c * 6 + b) % 8));
        }
    }
    bool known(std::uint64_t key) const {
        for (int i = 0; i < detail::kBeginningProbes; ++i) {
            const std::uint64_t x = key ^ (static_cast<std::uint64_t>(i) * 0x632BE59BD9B4E019ull);
            const std::uint64_t bit = (x * 0x9E3779B97F4A7C15ull) >> (64 - detail::kBeginningBits);
            if (!(bits[bit / 8] >> (bit % 8) & 1)) return false;
        }
        return true;
    }
};

const Beginnings& beginnings() {
    static const Beginnings b(detail::kRussianBeginnings);
    return b;
}

const Beginnings& englishWords() {
    static const Beginnings b(detail::kEnglishWords);
    return b;
}

constexpr std::int32_t kCasePenalty = 6 * kNat;  // a capital after a small letter, and the like
constexpr std::int32_t kMixedPenalty = 32;  // letters of two alphabets touching
constexpr std::int32_t kGluePenalty = 32;   // a mark stuck to a letter on a side it never is
constexpr std::int32_t kSentencePenalty = 2 * kNat;  // a sentence that begins with a small letter
constexpr std::int32_t kAbbreviationCost = 2 * kNat;  // a letter of an abbreviation, whatever it is
// A capital letter standing alone after a word of small letters: "сам И
// сыт" where "сам я сыт" was meant. Text has it ("витамин С", "от А до Я"),
// but seldom.
constexpr std::int32_t kLoneCapitalPenalty = 3 * kNat;
constexpr std::int32_t kStraySignPenalty = 2 * kNat;  // "€" with no number beside it

// Which sides of a letter a typographic mark may touch in ordinary text:
// « opens a word, » closes one, an apostrophe or a hyphen sits inside; a €,
// a № or a » glued to the front of a word is what a misread capital or я
// looks like ("»стори€").
enum : std::uint8_t { kAfterLetter = 1, kBeforeLetter = 2, kInsideWord = kAfterLetter | kBeforeLetter };

std::uint8_t letterSides(char16_t ch) {
    if (ch >= 0x300 && ch < 0x370) return kInsideWord;  // combining marks
    switch (ch) {
    case 0x00A0: case 0x2028: case 0x2029: case 0x202F: case 0x2060:  // spaces and joiners
    case 0x2010: case 0x2011:  // hyphens
    case 0x2019: case 0x201C:                                         // ’ “
        return kInsideWord;
    case 0x00BB: case 0x201D: case 0x2026: case 0x2032: case 0x2033:  // » ” … ′ ″
    case 0x2013: case 0x2014: case 0x2015:  // dashes: "слово—слово" at most, never "—перва"
        return kAfterLetter;
    case 0x00AB: case 0x201E: case 0x2018:  // « „ ‘
        return kBeforeLetter;
    default:
        return (ch >= 0x2000 && ch <= 0x200D) ? kInsideWord : 0;
    }
}

bool isDash(char16_t ch) { return ch >= 0x2013 && ch <= 0x2015; }
bool isLetterClass(std::uint8_t c) { return c >= kRussianLower && c < kTypographic; }
// Only a full stop surely ends a sentence: after "!" or "?" a dialogue goes
// on in small letters ("...!" - решил он), after "..." a thought does.
bool endsSentence(char16_t ch) { return ch == u'.'; }
bool isBlank(char16_t ch) { return ch == u' ' || ch == u'\t' || ch == 0xA0; }

// The Russian letter each Latin one looks like, by ASCII code.
constexpr auto kRussianLookalike = [] {
    std::array<char16_t, 128> t{};
    const char16_t latin[] = u"aceopxyABCEHKMOPTXY";
    const char16_t russian[] = u"асеорхуАВСЕНКМОРТХУ";
    for (std::size_t i = 0; latin[i]; ++i) t[latin[i]] = russian[i];
    return t;
}();

// Scores one run of words of one language at a time.
class Scorer {
public:
    Scorer()
        : cls_(classes()), info_(classInfos()), costs_(costs()), words_list_(wordList()), beginnings_(beginnings()) {}

    TextScore run(std::u16string_view text) {
        char16_t previous = 0;
        bool afterLetter = false, previousAfterLetter = false;
        for (std::size_t at = 0; at < text.size(); ++at) {
            const char16_t ch = text[at];
            const std::uint8_t c = cls_[ch];
            const ClassInfo* info = &info_[c];
            // A Latin letter shaped like a Russian one, in a Russian word
            // ("пpогpамма", "Hикто"), is read as that letter: the writer's
            // disguise, which a misreading keeps as it was.
            if (info->language == 1 && language_ != 1 && ch < 0x80 && kRussianLookalike[ch] &&
                (language_ == 0 || russianWordAhead(text, at))) {
                info = &info_[cls_[kRussianLookalike[ch]]];
                odd(kMixedPenalty);
                ++score_.mixed;
            }
            const ClassInfo& in = *info;
            if (in.language >= 0) {
                if (in.language == language_ && !in.upper && !lastUpper_) {
                    // The common case: a small letter going on with a word.
                    cost_ += table_[ctx_ + in.index];
                    ctx_ = (last_ * n_ + in.index) * n_;
                    last_ = in.index;
                    key_ = key_ * kKeyBase + in.index;
                    if (++length_ == detail::kBeginningLetters) beginning_ = key_;
                    upperRun_ = 0;
                    continue;
                }
                if (language_ < 0) startWord(previous, previousAfterLetter, in.upper);
                letter(in.language, in.index, in.upper);
                afterLetter = true;
            } else {
                endWord();
                score_.value -= in.cost.cost;
                score_.oddities += in.cost.odd;
                score_.strange += in.cost.odd;
                if (c == kTypographic && afterLetter && !(letterSides(ch) & kAfterLetter)) odd(kGluePenalty);
                // The word before a mark glued where text has none ("важна€",
                // "ƒвести") is not the listed word it looks like: a letter of
                // it was misread.
                if (afterLetter && (c == kSign || (c == kTypographic && !(letterSides(ch) & kAfterLetter)))) unlist();
                if (ch >= u'0' && ch <= u'9') sentence_ = Sentence::Inside;
                else if (endsSentence(ch))
                    // "т. е.", "руб." and "..." end no sentence; a word of three letters or more does.
                    sentence_ = previous != u'.' && lastWord_ >= 3 && sentence_ != Sentence::Ending
                                    ? Sentence::Ending
                                    : Sentence::Inside;
                else if (isBlank(ch) && sentence_ == Sentence::Ending) sentence_ = Sentence::Starting;
                else if (sentence_ == Sentence::Ending) sentence_ = Sentence::Inside;
                else if (sentence_ == Sentence::Starting && (c == kTypographic || c == kSign) && ch != u' ' &&
                         ch != u'\t' && !isDash(ch))
                    markBeforeWord_ = true;  // "“ всех", "€ черт": a capital misread as a mark
                if (ch == 0xAB) ++openQuotes_;
                else if (ch == 0xBB) ++closeQuotes_;
                else if (c == kTypographic && ch != u' ') mark(text, at, afterLetter);
                if (!isBlank(ch)) afterSmallWord_ = false;
                previousAfterLetter = afterLetter;
                afterLetter = false;
            }
            previous = ch;
        }
        endWord();
        // « and » come in pairs; one alone is a misread letter as often as not.
        for (int i = 0; i < std::abs(openQuotes_ - closeQuotes_); ++i) odd(kSentencePenalty);
        for (int i = 0; i < 2; ++i)
            for (int k = closed_[i]; k < opened_[i]; ++k) odd(kSentencePenalty);
        // A lone word in small letters is a list item, not a sentence.
        if (words_ > 1) {
            score_.value -= smallStarts_ * kSentencePenalty;
            score_.oddities += markedSmallStarts_;
        }
        return score_;
    }

private:
    enum class Sentence { Starting, Inside, Ending };

    // Where a mark stands tells a misread letter from text: a quote opened
    // and never closed ("‘корей", "„ему"), a closing quote or an apostrophe
    // before a word, a "€" with no number beside it ("сам € сыт"), a no-break
    // space opening a word after a blank (" лаву"): capitals and "я" that
    // Windows-1251 and Mac Cyrillic swap for marks look so.
    void mark(std::u16string_view text, std::size_t at, bool afterLetter) {
        const char16_t ch = text[at];
        const bool beforeLetter = at + 1 < text.size() && isLetterClass(cls_[text[at + 1]]);
        const bool afterBlank = at == 0 || isBlank(text[at - 1]);
        switch (ch) {
        case 0x201E: case 0x201A:  // „ ‚ open
            if (beforeLetter) ++opened_[ch == 0x201A];
            break;
        case 0x201C: case 0x2018:  // “ ‘ open before a word, close after one
            if (beforeLetter && !afterLetter) ++opened_[ch == 0x2018];
            else if (!beforeLetter && !afterBlank) ++closed_[ch == 0x2018];
            break;
        case 0x201D: case 0x2019:  // ” ’ close, or stand inside a word
            if (beforeLetter && afterBlank) {
                odd(kGluePenalty);
                nextWordGlued_ = true;
            } else if (!beforeLetter && !afterBlank) {
                ++closed_[ch == 0x2019];
            }
            break;
        case 0x20AC:
            if (!numberBeside(text, at)) {
                odd(kStraySignPenalty);
                ++score_.strange;
            }
            break;
        case 0x00A0:
            if (afterBlank && beforeLetter && cls_[text[at + 1]] < kRussianUpper) {
                odd(kGluePenalty);
                nextWordGlued_ = true;
            }
            break;
        default: break;
        }
    }

    // Whether the word that begins at `at` has a Russian letter, and no Latin
    // letter but those shaped like Russian ones.
    bool russianWordAhead(std::u16string_view text, std::size_t at) const {
        bool russian = false;
        for (; at < text.size(); ++at) {
            const char16_t ch = text[at];
            const std::int8_t language = info_[cls_[ch]].language;
            if (language < 0) break;
            if (language == 0) russian = true;
            else if (ch >= 0x80 || !kRussianLookalike[ch]) return false;
        }
        return russian;
    }

    static bool numberBeside(std::u16string_view text, std::size_t at) {
        auto digit = [](char16_t ch) { return ch >= u'0' && ch <= u'9'; };
        std::size_t left = at;
        while (left > 0 && isBlank(text[left - 1])) --left;
        std::size_t right = at + 1;
        while (right < text.size() && isBlank(text[right])) ++right;
        return (left > 0 && digit(text[left - 1])) || (right < text.size() && digit(text[right]));
    }

    void odd(std::int32_t penalty) {
        score_.value -= penalty;
        ++score_.oddities;
    }

    // Takes back what listing the word just ended gave it.
    void unlist() {
        score_.value -= lastGain_;
        score_.listedWords -= lastListedLong_;
        score_.listedShortWords -= lastListedShort_;
        lastGain_ = 0;
        lastListedLong_ = lastListedShort_ = false;
    }

    // A word begins after `previous` (0 at the start of the text), which
    // itself came after a letter or not.
    void startWord(char16_t previous, bool previousAfterLetter, bool upper) {
        if (previous && cls_[previous] == kTypographic) {
            const std::uint8_t sides = letterSides(previous);
            const bool joins = previousAfterLetter && (sides & kAfterLetter);  // "слово—слово"
            if (!(sides & kBeforeLetter) && !joins && !(upper && isDash(previous))) {  // "—Да" is fine
                odd(kGluePenalty);
                glued_ = true;
            }
        }
        if (previous && cls_[previous] == kSign) glued_ = true;
        glued_ |= nextWordGlued_;
        nextWordGlued_ = false;
        if (sentence_ == Sentence::Starting && !upper) {
            ++smallStarts_;
            // Odd only right after a mark: a misread capital ("—перва",
            // "„ем"); a line of hard-wrapped text may well begin small.
            if ((previous && cls_[previous] == kTypographic) || markBeforeWord_) ++markedSmallStarts_;
        }
        markBeforeWord_ = false;
        capitalAfterSmallWord_ = upper && afterSmallWord_;
        sentence_ = Sentence::Inside;
    }

    void letter(int language, int index, bool upper) {
        if (language_ != language) {
            if (language_ >= 0) {
                endWord();
                odd(kMixedPenalty);
                ++score_.mixed;
            }
            language_ = language;
            n_ = kLanguages[language].symbols;
            table_ = costs_.table[language].get();
            ctx_ = last_ = 0;
        }
        cost_ += table_[ctx_ + index];
        ctx_ = (last_ * n_ + index) * n_;
        last_ = index;
        key_ = key_ * kKeyBase + static_cast<std::uint64_t>(index);
        // A capital after a small letter, or a small letter after two
        // capitals past the word's first letter ("оПХБЕР", "ПРивет").
        if (upper && length_ > 0 && !lastUpper_) ++caseBreaks_;
        if (!upper && length_ > 1 && lastUpper_ && upperRun_ > 1) ++caseBreaks_;
        upperRun_ = upper ? upperRun_ + 1 : 0;
        lastUpper_ = upper;
        anyUpper_ |= upper;
        if (++length_ == detail::kBeginningLetters) beginning_ = key_;
    }

    void endWord() {
        if (language_ < 0) return;
        cost_ += table_[ctx_];
        // "красИт" is not the word "красит": a word broken by case is not the listed one.
        bool listed = false;
        lastGain_ = 0;
        lastListedLong_ = lastListedShort_ = false;
        if (language_ == 0 && length_ <= kLongestListed && caseBreaks_ == 0 && !glued_) {
            const std::int32_t gain = words_list_.gain(key_);
            listed = gain >= 0;
            if (listed) cost_ -= gain;
            lastGain_ = listed ? 4 * gain : 0;
        }
        cost_ *= 4;  // quarter nats to 1/16
        // An abbreviation in capitals ("США", "DTD") is not a word of the
        // language: its letters say nothing either way.
        const bool abbreviation = length_ >= 2 && length_ <= 4 && upperRun_ == length_;
        if (abbreviation) lastGain_ = 0;
        if (language_ == 0 && length_ >= 3 && !abbreviation) {
            ++score_.russianWords;
            score_.listedWords += listed;
            lastListedLong_ = listed;
            if (!beginnings_.known(length_ >= detail::kBeginningLetters ? beginning_ : key_)) ++score_.unknownWords;
            else if (length_ >= 5) ++score_.knownLongWords;
        } else if (language_ == 0 && length_ == 2 && listed && !abbreviation) {
            ++score_.listedShortWords;
            lastListedShort_ = true;
        }
        score_.value +=
            abbreviation ? -kAbbreviationCost * length_ : kLanguages[language_].mean * (length_ + 1) - cost_;
        ++words_;
        score_.letters += length_;
        score_.value -= caseBreaks_ * kCasePenalty;
        score_.oddities += caseBreaks_;
        if (language_ == 0 && length_ == 1 && capitalAfterSmallWord_) score_.value -= kLoneCapitalPenalty;
        afterSmallWord_ = language_ == 0 && !anyUpper_;
        capitalAfterSmallWord_ = anyUpper_ = glued_ = false;
        lastWord_ = length_;
        language_ = -1;
        ctx_ = last_ = 0;
        key_ = 0;
        cost_ = 0;
        length_ = upperRun_ = caseBreaks_ = 0;
        lastUpper_ = false;
    }

    const std::uint8_t* cls_;
    const ClassInfo* info_;
    const Costs& costs_;
    const WordList& words_list_;
    const Beginnings& beginnings_;
    TextScore score_;
    int language_ = -1;
    int n_ = 0;
    const std::uint8_t* table_ = nullptr;
    int ctx_ = 0;   // (before last * n + last) * n
    int last_ = 0;  // the last letter
    std::uint64_t key_ = 0;  // the word's letters as digits, for the word list
    std::uint64_t beginning_ = 0;  // key_ of its first kBeginningLetters letters
    std::int32_t cost_ = 0;
    int length_ = 0, upperRun_ = 0, caseBreaks_ = 0;
    bool lastUpper_ = false;
    Sentence sentence_ = Sentence::Starting;
    int words_ = 0, smallStarts_ = 0, markedSmallStarts_ = 0, lastWord_ = 0;
    bool markBeforeWord_ = false;
    int openQuotes_ = 0, closeQuotes_ = 0;
    int opened_[2] = {0, 0}, closed_[2] = {0, 0};  // “„ and ‘‚ quotes, by whether single
    bool anyUpper_ = false;
    bool afterSmallWord_ = false;  // a word of small Russian letters ended, only blanks since
    bool capitalAfterSmallWord_ = false;
    bool glued_ = false;          // the word going on has a mark glued to its front
    bool nextWordGlued_ = false;  // ... and the next one will
    std::int32_t lastGain_ = 0;   // what listing the last word gave it, 1/16 nats
    bool lastListedLong_ = false, lastListedShort_ = false;
};

}  // namespace

TextScore scoreText(std::u16string_view text) { return Scorer().run(text); }

bool readsWell(const TextScore& score, std::int32_t perLetter) {
    // Latin letters among Russian ones ("пpогpамма") are the writer's, not
    // the reader's: what they cost does not count here.
    return score.value + score.mixed * kMixedPenalty >= perLetter * score.letters;
}

bool looksClean(const TextScore& score, std::int32_t perLetter) {
    return score.oddities == 0 && readsWell(score, perLetter);
}

bool madeOfEnglishWords(std::u16string_view text) {
    // Words are runs of Latin letters, an apostrophe between two of them
    // included ("isn't"); those of one letter say nothing.
    auto latin = [](char16_t ch) { return (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z'); };
    int known = 0, unknown = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (!latin(text[i])) {
            ++i;
            continue;
        }
        std::uint64_t key = 0;
        std::size_t length = 0;
        bool capitals = true;
        for (; i < text.size(); ++i, ++length) {
            const char16_t ch = text[i];
            const bool apostrophe = (ch == u'\'' || ch == 0x2019) && length > 0 && i + 1 < text.size() && latin(text[i + 1]);
            if (!latin(ch) && !apostrophe) break;
            capitals &= ch < u'a';
            key = key * 28 + (apostrophe ? 27 : (ch | 0x20) - u'a' + 1);
        }
        // Abbreviations ("NIS+", "GTK") are names, no words either way.
        if (length < 2 || (capitals && length <= 5)) continue;
        (englishWords().known(key) ? known : unknown)++;
    }
    // A word alone must be one; of more, half at least.
    return known > 0 && unknown <= known;
}

}  // namespace lettrica::repair
