#include "repair/foreign_text.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "repair/foreign_tables.h"
#include "repair/text_score.h"

namespace lettrica::repair {

namespace {

using detail::kForeignModelCount;
using detail::kForeignModels;

// What each BMP character is to this judge: a letter of some language's
// alphabet (its number among all such letters, its case, its script) or a
// kind of non-letter.
enum Kind : std::uint8_t {
    kFree,           // blanks, digits, ASCII punctuation: nothing either way
    kTypographic,    // dashes, quotes, no-break space: cheap
    kSign,           // ¤ ¦ µ ¶ ± and the like, box drawing: what misreadings are full of
    kOther,          // letters of other scripts, emoji: neither here nor there
    kFatal,          // controls, private use, the replacement character: never ordinary text
    kIgnored,        // combining marks: left out of the letters they follow
    kUnknownLetter,  // a Latin or Cyrillic letter no alphabet here has: the word is no word
    kLetter,
};

// Four bytes a character, so that the table of the whole BMP stays small.
struct CharInfo {
    std::uint16_t id = 0;  // letters: 1.., the same for both cases
    Kind kind = kFree;
    bool upper : 1 = false;
    bool cyrillic : 1 = false;
    bool beyond : 1 = false;  // a letter neither Russian nor English has
    // 1 + script for a small letter that Russian or English has, else 0:
    // the letters that go on with a word without more ado.
    std::uint8_t plain : 2 = 0;
};
static_assert(sizeof(CharInfo) == 4);

constexpr std::int32_t kTypographicCost = 4;
constexpr std::int32_t kSignCost = 3 * kNat;
constexpr std::int32_t kOtherCost = 4;
constexpr std::int32_t kCaseBreakCost = 4 * kNat;
// A line must read at least this well per letter, as running text does.
constexpr std::int32_t kGoodPerLetter = -kNat;

Kind kindOf(char32_t u) {
    if (u < 0x80) return (u < 0x20 && u != '\t') || u == 0x7F ? kFatal : kFree;
    if (u < 0xA0 || u == 0xFFFD || u == 0xFFFE || u == 0xFFFF || (u >= 0xE000 && u < 0xF900)) return kFatal;
    if (u >= 0x300 && u < 0x370) return kIgnored;
    if (u == 0xA0 || u == 0xAB || u == 0xBB || u == 0xB0 || u == 0xB7 || u == 0x2BC || u == 0x2116 || u == 0x20AC ||
        u == 0xBF || u == 0xA1 || u == 0xBA || u == 0xAA)
        return kTypographic;
    if (u >= 0x2000 && u < 0x2070) return (u == 0x2020 || u == 0x2021 || u == 0x2030) ? kSign : kTypographic;
    if ((u >= 0xC0 && u < 0x250 && u != 0xD7 && u != 0xF7) || (u >= 0x400 && u < 0x530) || (u >= 0x1E00 && u < 0x1F00))
        return kUnknownLetter;
    if (u < 0x250 || (u >= 0x2100 && u < 0x2800) || u == 0x2C6 || u == 0x2DC) return kSign;
    return kOther;
}

// Whether a typographic mark stands where text has it beside letters: a
// quote or an apostrophe anywhere, a dash between two words or two letters,
// "…" after a word, "¿¡" before one. "—лавы", "крыль€", "„ем" are misread
// capitals and letters.
bool fitsBesideLetters(char16_t ch, bool afterLetter, bool beforeLetter) {
    if (!afterLetter && !beforeLetter) return true;
    switch (ch) {
    case 0x00A0: case 0x00AB: case 0x00BB: case 0x2009: case 0x202F: case 0x2010: case 0x2011:
    case 0x2018: case 0x2019: case 0x201A: case 0x201C: case 0x201D: case 0x201E: case 0x02BC:
    case 0x00B0: case 0x00BA: case 0x00AA:
        return true;
    case 0x00BF: case 0x00A1: return !afterLetter;
    case 0x2026: return !beforeLetter;
    case 0x2013: case 0x2014: return afterLetter && beforeLetter;
    default: return false;
    }
}

// ASCII marks that text never glues to the front of a letter: a comma or a
// bracket does not open a word, a quote or "?" does not stand inside one.
// Russian typed on the US layout has them there: "K.,jdm", "dj;ltkttn".
bool gluedNever(char16_t ch, bool afterLetter) {
    switch (ch) {
    case u',': case u';': case u'[': case u']': case u'{': case u'}': case u'<': case u'>': case u'`': case u'@':
    case u'^': case u'~': case u'|':
        return true;
    case u'"': case u'?': case u'!': return afterLetter;
    default: return false;
    }
}

struct Tables {
    std::unique_ptr<CharInfo[]> chars{new CharInfo[0x10000]};
    std::vector<std::uint32_t> languages;        // by letter id: a bit for each alphabet that has it
    std::vector<std::vector<std::uint8_t>> local;  // by language, by letter id: its symbol, 0 none
    std::vector<std::vector<std::uint8_t>> costs;  // by language: [last * n + next], quarter nats
    std::vector<std::size_t> symbols;              // by language: n, its letters and the word's edge

    Tables() {
        for (char32_t u = 0; u < 0x10000; ++u) {
            chars[u].kind = kindOf(u);
            chars[u].cyrillic = u >= 0x400 && u < 0x530;
        }
        languages.push_back(0);
        auto idOf = [&](char16_t small, char16_t capital, bool cyrillic) {
            CharInfo& s = chars[small];
            if (s.kind != kLetter) {
                s.id = static_cast<std::uint16_t>(languages.size());
                s.kind = kLetter;
                s.cyrillic = cyrillic;
                languages.push_back(0);
                CharInfo& c = chars[capital];
                if (capital != small && c.kind != kLetter) {
                    c = s;
                    c.upper = true;
                }
            }
            return s.id;
        };
        std::vector<std::vector<std::pair<std::uint16_t, std::uint8_t>>> symbols(kForeignModelCount);
        // (the letters of each alphabet with their symbols, until the tables are built)
        for (int l = 0; l < kForeignModelCount; ++l) {
            const detail::ForeignModel& m = kForeignModels[l];
            const std::u16string_view small(m.alphabet), capital(m.capitals);
            for (std::size_t i = 0; i < small.size(); ++i) {
                const std::uint16_t id = idOf(small[i], capital[i], m.cyrillic);
                languages[id] |= 1u << l;
                symbols[l].push_back({id, static_cast<std::uint8_t>(i + 1)});
            }
        }
        // The capital I of Turkish dotted i.
        if (chars[0x130].kind != kLetter) {
            chars[0x130] = chars[u'i'];
            chars[0x130].upper = true;
        }
        for (char32_t u = 0x80; u < 0x10000; ++u)
            chars[u].beyond = chars[u].kind >= kUnknownLetter && !(u >= 0x410 && u <= 0x44F) && u != 0x401 && u != 0x451;
        for (char32_t u = 0; u < 0x10000; ++u) {
            CharInfo& c = chars[u];
            if (c.kind == kLetter && !c.upper && !c.beyond) c.plain = c.cyrillic ? 2 : 1;
        }
        static const std::uint8_t* digits = [] {
            static std::uint8_t value[128]{};
            const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
            for (int i = 0; i < 64; ++i) value[static_cast<unsigned char>(alphabet[i])] = static_cast<std::uint8_t>(i);
            return value;
        }();
        for (int l = 0; l < kForeignModelCount; ++l) {
            local.emplace_back(languages.size(), 0);
            for (const auto& [id, symbol] : symbols[l]) local[l][id] = symbol;
            const std::size_t n = symbols[l].size() + 1;
            this->symbols.push_back(n);
            costs.emplace_back(n * n);
            for (std::size_t i = 0; i < n * n; ++i)
                costs[l][i] = digits[static_cast<unsigned char>(kForeignModels[l].bigrams[i])];
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

struct Word {
    std::uint32_t begin, end;  // its letters' ids, in the line's list of them
    std::uint32_t languages;   // the alphabets that spell it
    bool cyrillic;
};

}  // namespace

const char* foreignLanguageName(int language) {
    return language >= 0 && language < kForeignModelCount ? kForeignModels[language].name : "";
}

ForeignReading readAsForeign(std::u16string_view text) {
    const Tables& t = tables();
    ForeignReading best;
    // One pass: the words with their alphabets, and what the rest costs.
    thread_local std::vector<Word> words;
    thread_local std::vector<std::uint16_t> ids;  // the words' letters, one after another
    words.clear();
    std::int32_t rest = 0;
    std::uint32_t spelled[2] = {~0u, ~0u};  // by script: the alphabets that spell all its words
    bool any[2] = {false, false};
    bool beyond[2] = {false, false};     // by script: a letter neither Russian nor English has
    bool inside[2] = {false, false};     // ... past the first letter of a word
    std::int32_t scriptLetters[2] = {0, 0};
    bool glued = false;                  // a mark glued to Latin letters as text never has
    bool caseBroken = false;             // case broken inside a Cyrillic word
    bool inWord = false, lastUpper = false, afterLetter = false;
    int length = 0, upperRun = 0;
    ids.resize(text.size());
    std::uint16_t* id = ids.data();
    std::size_t letterCount = 0;
    std::uint32_t mask = 0;  // the alphabets that spell the word begun
    bool wordCyrillic = false;
    std::uint8_t going = 3;  // CharInfo::plain of a letter that goes on with the word begun; 3: none does
    auto endWord = [&] {
        if (!inWord) return;
        const std::uint32_t begin = words.empty() ? 0 : words.back().end;
        words.push_back({begin, static_cast<std::uint32_t>(letterCount), mask, wordCyrillic});
        scriptLetters[wordCyrillic] += static_cast<std::int32_t>(letterCount - begin);
        inWord = false;
        going = 3;
    };
    const std::uint32_t* alphabets = t.languages.data();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const CharInfo c = t.chars[text[i]];
        // The common case first: a plain small letter of the script going
        // on with a word in small letters.
        if (c.plain == going) {
            mask &= alphabets[c.id];
            id[letterCount++] = c.id;
            ++length;
            continue;
        }
        if (c.kind >= kUnknownLetter) {
            if (inWord && wordCyrillic != c.cyrillic) {
                endWord();  // two scripts touching: "%ldК"
                rest += kCaseBreakCost;
            }
            if (!inWord) {
                inWord = true;
                wordCyrillic = c.cyrillic;
                mask = ~0u;
                length = upperRun = 0;
                lastUpper = false;
            }
            mask &= alphabets[c.id];  // id 0, no alphabet's letter, has none
            id[letterCount++] = c.id;
            // A capital after a small letter, or a small letter after two
            // capitals past the word's first letter: case broken inside a
            // word. Latin names have it ("SELinux", "iPhone"), so there it
            // costs without ruling out; in Cyrillic it is what a misreading
            // leaves ("своЄ", "десЯтки"), units apart ("кБ", "кВт").
            if ((c.upper && length > 0 && !lastUpper) || (!c.upper && length > 1 && lastUpper && upperRun > 1)) {
                rest += c.cyrillic ? kCaseBreakCost : kCaseBreakCost / 2;
                if (c.cyrillic && (c.beyond || length >= 3)) caseBroken = true;
            }
            if (c.beyond) {
                beyond[c.cyrillic] = true;
                if (length > 0) inside[c.cyrillic] = true;
            }
            upperRun = c.upper ? upperRun + 1 : 0;
            lastUpper = c.upper;
            going = lastUpper ? 3 : static_cast<std::uint8_t>(1 + wordCyrillic);
            ++length;
            afterLetter = true;
            continue;
        }
        if (c.kind == kIgnored && inWord) continue;
        endWord();
        const bool beforeLetter = i + 1 < text.size() && t.chars[text[i + 1]].kind >= kUnknownLetter;
        // Such a mark rules out the Latin-script languages only in plain
        // ASCII ("K.,jdm dj;ltkttn" is no Hungarian): markup ("<tty>",
        // "[OPCJA]") in a line with letters of its own, or in a Cyrillic
        // line, rules nothing out.
        if (text[i] < 0x80 && beforeLetter && gluedNever(text[i], afterLetter) && text[i + 1] < 0x400) glued = true;
        switch (c.kind) {
        case kFatal: return best;
        case kTypographic:
            rest += kTypographicCost;
            if (!fitsBesideLetters(text[i], afterLetter, beforeLetter)) return best;
            break;
        case kOther: rest += kOtherCost; break;
        case kSign:
            rest += kSignCost;
            // A sign stuck to a letter is what a misread letter looks like.
            if (afterLetter || beforeLetter) return best;
            break;
        default: break;
        }
        afterLetter = false;
    }
    endWord();
    if (words.empty()) return best;
    for (const Word& w : words) {
        spelled[w.cyrillic] &= w.languages;
        any[w.cyrillic] = true;
    }
    for (int l = 0; l < kForeignModelCount; ++l) {
        const bool cyrillic = kForeignModels[l].cyrillic;
        // The line must be in the language's script: mostly, or with letters
        // of its own; and its words in the other script must be plain
        // Russian or English. A Russian line with "Microsoft Visual" in it
        // is no Icelandic, nor is one with a misread "ѕ".
        if (!any[cyrillic] || !(spelled[cyrillic] >> l & 1) || beyond[!cyrillic] || (glued && !cyrillic && !beyond[0]) || (caseBroken && cyrillic) ||
            (scriptLetters[cyrillic] <= scriptLetters[!cyrillic] && !beyond[cyrillic]))
            continue;
        const std::uint8_t* local = t.local[l].data();
        const std::uint8_t* cost = t.costs[l].data();
        const std::size_t symbols = t.symbols[l];
        std::int32_t value = -rest, letters = 0;
        for (const Word& w : words) {
            if (w.cyrillic != cyrillic) continue;
            std::int32_t quarters = 0;
            const std::int32_t wordLetters = static_cast<std::int32_t>(w.end - w.begin);
            std::size_t last = 0;
            for (std::uint32_t i = w.begin; i < w.end; ++i) {
                const std::size_t next = local[ids[i]];
                quarters += cost[last * symbols + next];
                last = next;
            }
            quarters += cost[last * symbols];
            value += kForeignModels[l].meanCost * (wordLetters + 1) - 4 * quarters;
            letters += wordLetters;
        }
        if (best.language < 0 || value * std::max(best.letters, 1) > best.value * std::max(letters, 1)) {
            best.language = l;
            best.value = value;
            best.letters = letters;
            best.beyond = beyond[cyrillic];
            best.beyondInside = inside[cyrillic];
            // Good, with letters of its own inside words: settled, whichever
            // language of the kind it is.
            if (best.beyondInside && letters > 0 && value >= kGoodPerLetter * letters) break;
        }
    }
    best.good = best.language >= 0 && best.letters > 0 && best.value >= kGoodPerLetter * best.letters;
    return best;
}

bool hasForeignLetters(std::u16string_view text) {
    for (char16_t ch : text)
        if (ch >= 0xC0 && !(ch >= 0x410 && ch <= 0x44F) && ch != 0x401 && ch != 0x451 && ch < 0x2000) return true;
    return false;
}

bool ForeignReading::ratherThan(const TextScore& asRussianOrEnglish) const {
    if (!good) return false;
    // A letter neither Russian nor English has inside a word settles it
    // ("није", "кері"). Alone at the start of words it may be a misread
    // capital ("Ќалоги придумали те, кто..."), and without one ("зсув")
    // the line must read better so than as Russian or English.
    if (beyondInside) return true;
    return static_cast<std::int64_t>(value) * std::max(asRussianOrEnglish.letters, 1) >
           static_cast<std::int64_t>(asRussianOrEnglish.value) * std::max(letters, 1);
}

}  // namespace lettrica::repair
