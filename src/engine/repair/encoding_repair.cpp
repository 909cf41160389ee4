#include "repair/encoding_repair.h"

#include <algorithm>
#include <cmath>

#include "repair/foreign_text.h"

namespace lettrica::repair {

namespace {

// The character sets that can write every non-ASCII character of `text`.
std::uint8_t writersOfAll(std::u16string_view text) {
    const std::uint8_t* writers = charsetsWritingTable();
    std::uint8_t mask = 0xFF;
    for (char16_t ch : text) mask &= writers[ch];
    return mask;
}

// A chain of two must do better than one by this much to be preferred:
// the simpler story wins a tie. Text goes wrong twice mostly on its way
// through UTF-8; two single-byte misreadings in a row are a far rarer story
// and must earn it ("Њетух" read back twice to "Метух" is not "Петух").
constexpr std::int32_t kSecondStepCost = kNat;
constexpr std::int32_t kSecondSingleByteStepCost = 4 * kNat;
// Letters below which a text needs a larger margin.
constexpr std::int32_t kShortText = 16;
// How many first undoes are searched for a second misreading.
constexpr std::size_t kSecondSteps = 4;
// Characters of a long text's beginning on which a misreading is tried first.
constexpr std::size_t kSampleLength = 4096;

bool touchesUtf8(Misreading m) { return m.written == Charset::Utf8 || m.read == Charset::Utf8; }

// Two single-byte misreadings in a row change nearly every letter; two that
// all but undo each other ("Тшопо" read back twice to "Ушопо") are no story.
bool changesMost(std::u16string_view before, std::u16string_view after) {
    if (before.size() != after.size()) return true;
    std::size_t beyondAscii = 0, changed = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        beyondAscii += before[i] >= 0x80;
        changed += before[i] != after[i];
    }
    return changed * 2 >= beyondAscii;
}

// Among repairs, the one with fewer oddities left is also the likelier.
constexpr std::int32_t kOddityCost = 2 * kNat;

std::int32_t chainCost(const Chain& chain) {
    if (chain.length < 2) return 0;
    const Misreading later = chain.steps[1];
    return later.written == Charset::Utf8 || later.read == Charset::Utf8 ? kSecondStepCost
                                                                          : kSecondSingleByteStepCost;
}

// Among repairs, a word no Russian word begins like tells against one: the
// letters alone cannot tell which capital two pages swapped.
constexpr std::int32_t kUnknownWordCost = 4 * kNat;
constexpr std::int32_t kCapitalAfterSmallWordCost = 3 * kNat / 2;

std::int32_t ranked(const TextScore& score, const Chain& chain) {
    return score.value - chainCost(chain) - score.oddities * kOddityCost - score.unknownWords * kUnknownWordCost;
}

// Misreadings between two pages that give the small letters а..ю the same
// bytes (Windows-1251 and Mac Cyrillic): they change only capitals and "я",
// so a text already repaired of one misreading can still hide one of these.
bool changesFewLetters(Misreading m) {
    static const auto table = [] {
        std::array<std::array<bool, kCharsetCount>, kCharsetCount> t{};
        for (Charset a : kAllCharsets)
            for (Charset b : kAllCharsets) {
                if (a == b || a == Charset::Utf8 || b == Charset::Utf8 || !holdsRussian(a) || !holdsRussian(b))
                    continue;
                bool same = true;
                for (char16_t ch = u'а'; ch < u'я'; ++ch) same = same && byteOfChar(a, ch) == byteOfChar(b, ch);
                t[static_cast<int>(a)][static_cast<int>(b)] = same;
            }
        return t;
    }();
    return table[static_cast<int>(m.written)][static_cast<int>(m.read)];
}

// "я пошёл" and "Я пошёл" are both right: a change of case alone is never a
// repair of the code page.
bool differsInCaseOnly(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    auto fold = [](char16_t ch) -> char16_t {
        if (ch >= 0x410 && ch <= 0x42F) return static_cast<char16_t>(ch + 0x20);
        if (ch >= 0x400 && ch <= 0x40F) return static_cast<char16_t>(ch + 0x50);
        if (ch >= u'A' && ch <= u'Z') return static_cast<char16_t>(ch + 0x20);
        return ch;
    };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i])) return false;
    return true;
}

bool isCapital(char16_t ch) { return (ch >= 0x410 && ch <= 0x42F) || (ch >= 0x400 && ch <= 0x40F) || (ch >= u'A' && ch <= u'Z'); }
bool isSmall(char16_t ch) { return (ch >= 0x430 && ch <= 0x45F) || (ch >= u'a' && ch <= u'z'); }
bool isRussianCapital(char16_t ch) { return (ch >= 0x410 && ch <= 0x42F) || ch == 0x401; }

// Capitals that follow a letter: running text has few ("ПРЕДЛАГАЯ" many).
int innerCapitals(std::u16string_view text) {
    int n = 0;
    bool afterLetter = false;
    for (char16_t ch : text) {
        const bool upper = isCapital(ch);
        if (upper && afterLetter) ++n;
        afterLetter = upper || isSmall(ch);
    }
    return n;
}

// Russian words that begin with a capital right after a word of small
// Russian letters with nothing but blanks between, or a quote or bracket
// that closes ("сам Я сыт", "все Ясно", "\"халва\" И тоже"): only names
// have them there.
int capitalsAfterSmallWords(std::u16string_view text) {
    constexpr std::u16string_view goingOn = u"\"»)";
    int n = 0;
    bool afterLetter = false;
    bool afterSmallWord = false;  // a word of small Russian letters, then blanks only
    bool wordSmall = false;       // the word going on is of small Russian letters so far
    bool closed = false;          // such a word, then marks that go on with the sentence
    for (char16_t ch : text) {
        const bool upper = isCapital(ch), lower = isSmall(ch);
        if (upper && !afterLetter && afterSmallWord && isRussianCapital(ch)) ++n;
        if (upper || lower) {
            wordSmall = (afterLetter ? wordSmall : true) && lower && ch >= 0x430;
            afterSmallWord = closed = false;
        } else if (afterLetter) {
            afterSmallWord = wordSmall && ch == u' ';
            closed = wordSmall && goingOn.find(ch) != goingOn.npos;
        } else if (ch == u' ') {
            afterSmallWord |= closed;
            closed = false;
        } else {
            afterSmallWord = false;
            closed = closed && goingOn.find(ch) != goingOn.npos;
        }
        afterLetter = upper || lower;
    }
    return n;
}

int capitalsOutOfPlace(std::u16string_view text) { return innerCapitals(text) + capitalsAfterSmallWords(text); }

// Whether two readings differ in case, capitals and "я" alone: what
// Windows-1251 and Mac Cyrillic swap ("Тшопо" and "Ушопо", "Ясно" and
// "ясно"), or pages that swap case ("РАЗМ" and "разм").
bool differsInCapitalsOnly(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    const auto capitalOrYa = [](char16_t ch) { return isRussianCapital(ch) || ch == u'я'; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && !(capitalOrYa(a[i]) && capitalOrYa(b[i])) && !differsInCaseOnly(a.substr(i, 1), b.substr(i, 1)))
            return false;
    return true;
}

// Whether some misreading of Russian text could have given `text`. A
// letter that no single-byte page has ("ā", "ř", "ồ") leaves only bytes read
// as UTF-8 to explain it, and Russian letters in any of the pages, read as
// UTF-8, give Cyrillic, Arabic, NKo, Asian scripts and the like: Latin
// Extended and Vietnamese only by a freak. Such a line (a name, a line in
// a language of its own that reads too oddly) is not searched.
bool misreadable(std::u16string_view text) {
    if (writersOfAll(text) != 1u << static_cast<int>(Charset::Utf8)) return true;
    for (char16_t ch : text) {
        if (ch < 0x400 || (ch >= 0x1E00 && ch < 0x1F00) || (ch >= 0x2000 && ch < 0x2070)) continue;
        return true;
    }
    return false;
}


bool isCyrillicLetter(char16_t ch) { return ch >= 0x400 && ch < 0x530; }
bool isLatinLetter(char16_t ch) { return (ch | 0x20) >= u'a' && (ch | 0x20) <= u'z'; }

// Words with as many Latin letters as Cyrillic ones or more, and words of
// Cyrillic letters alone. A repair to many of the first and few of the
// second made Latin words with Cyrillic letters in them ("rastк" from Kurdish
// "rastê"); Russian text with Latin look-alikes ("Нy и пyсть", "Мicrosoft")
// has them among Russian words.
struct WordScripts {
    int latinHeavy = 0, cyrillicOnly = 0;
};

WordScripts wordScripts(std::u16string_view text) {
    WordScripts out;
    int cyrillic = 0, latin = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char16_t ch = i < text.size() ? text[i] : u' ';
        if (isCyrillicLetter(ch)) ++cyrillic;
        else if (isLatinLetter(ch)) ++latin;
        else {
            out.latinHeavy += cyrillic > 0 && latin >= cyrillic;
            out.cyrillicOnly += cyrillic > 0 && latin == 0;
            cyrillic = latin = 0;
        }
    }
    return out;
}

bool makesLatinWordsCyrillic(std::u16string_view before, std::u16string_view after) {
    const WordScripts was = wordScripts(before), is = wordScripts(after);
    const int made = is.latinHeavy - was.latinHeavy;
    return made > 0 && made >= is.cyrillicOnly;
}

// Whether a repair of the same length makes of a line what no text has: a
// dash between a number and a word turned into a letter ("842—око 1400" is
// no "842Соко"), a mark against a "%s" of a program's message turned into
// a letter ("»%s»" is no "И%sИ"), or a word of capitals turned into marks
// ("ДТСХД" is no "„’‘•„").
bool makesNoText(std::u16string_view before, std::u16string_view after) {
    if (before.size() != after.size()) return false;
    const auto isDigit = [](char16_t ch) { return ch >= u'0' && ch <= u'9'; };
    int marksFromLetters = 0;
    for (std::size_t i = 0; i < after.size(); ++i) {
        if ((before[i] == u'\u2014' || before[i] == u'\u2013') && i > 0 && isDigit(before[i - 1]) &&
            isCyrillicLetter(after[i]))
            return true;
        if (!isCyrillicLetter(before[i]) && isCyrillicLetter(after[i]) &&
            ((i + 1 < after.size() && after[i + 1] == u'%') || (i >= 2 && isLatinLetter(after[i - 1]) && after[i - 2] == u'%')))
            return true;
        const bool markFromLetter = isCyrillicLetter(before[i]) && after[i] >= 0x80 && !isCyrillicLetter(after[i]) &&
                                    !isLatinLetter(after[i]);
        marksFromLetters = markFromLetter ? marksFromLetters + 1 : 0;
        if (marksFromLetters >= 3) return true;
    }
    return false;
}

// Whether a word stands in the vocabulary: one of the common words, or
// three letters or more that begin as a word of it does.
bool knownRussianWord(std::u16string_view word) {
    if (word.size() <= 1) return true;
    const TextScore score = scoreText(word);
    return score.listedWords > 0 || score.listedShortWords > 0 || (score.russianWords == 1 && score.unknownWords == 0);
}

// Whether every word in which a repair changes a letter becomes a Russian
// word. A line that spells as Serbian or Macedonian has "Њ", "Ћ", "љ" at the
// start of words where Mac Cyrillic read as Windows-1251 leaves misread
// capitals; only a repair to words tells the misreading ("Ќалоги" is
// "Налоги") from the language ("Ћирилично" is no "Лирилично", "Њу Џерси" no
// "Му Перси").
bool changedWordsKnown(std::u16string_view before, std::u16string_view after) {
    if (before.size() != after.size()) return true;
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (before[i] == after[i]) continue;
        // A letter of the language become a sign: "не є абсолютною" is no "не № абсолютною".
        if (!isCyrillicLetter(before[i])) continue;  // a mark, as misread capitals show
        if (!isCyrillicLetter(after[i]) && !isLatinLetter(after[i])) return false;
        if (!isCyrillicLetter(after[i])) continue;
        std::size_t begin = i, end = i;
        while (begin > 0 && isCyrillicLetter(after[begin - 1])) --begin;
        while (end < after.size() && isCyrillicLetter(after[end])) ++end;
        if (!knownRussianWord(after.substr(begin, end - begin))) return false;
        i = end;
    }
    return true;
}

}  // namespace

bool madeOfRussianWords(const TextScore& score, bool wasBroken) {
    // A single word made of a line that was no broken word (an abbreviation,
    // "ЮХШТС") is judged by the list of common words: one beginning in fifty
    // that no word has passes the test of beginnings ("нехба"). Otherwise
    // one word of three letters or more at least, and most of them, begin
    // as words of the vocabulary (common words of two letters count among
    // the known); a repair of nothing but short words and abbreviations
    // proves nothing ("кБ" is no "От"), and unless the line was broken and
    // long enough to tell, one of them must be a common word or a long one
    // ("ПИБ" is no "оха", "вХЧ вХТ" no "рег реб").
    if (score.russianWords == 1 && !wasBroken) return score.listedWords == 1;
    const std::int32_t words = score.russianWords + score.listedShortWords;
    return score.russianWords > score.unknownWords && score.unknownWords * 3 <= words * 2 &&
           (score.listedWords > 0 || score.knownLongWords > 0 || (wasBroken && score.letters >= kShortText));
}

bool EncodingJudge::known(const std::u16string& text, const TextScore& score, std::size_t count) const {
    for (std::size_t i = 0; i < count; ++i) {
        const Candidate& c = candidates_[i];
        if (c.score.value == score.value && c.score.letters == score.letters && c.text == text) return true;
    }
    return false;
}

bool EncodingJudge::expand(std::u16string_view text, int from, std::int32_t decisive, bool fewLettersOnly) {
    const std::uint8_t readable = writersOfAll(text);
    // A long text is tried on its beginning first: a misreading whose undo
    // fails there, or gives nothing like text, is not undone in full. The
    // beginning ends at a blank, which every undo keeps as it is.
    std::u16string_view sample;
    if (text.size() > kSampleLength) {
        const std::size_t blank = text.rfind(u' ', kSampleLength);
        if (blank != std::u16string_view::npos && blank >= kSampleLength / 2) sample = text.substr(0, blank);
    }
    for (Charset written : kAllCharsets) {
        for (Charset read : kAllCharsets) {
            if (written == read || !(readable & (1u << static_cast<int>(read)))) continue;
            // The first misreading of a chain must start from Russian text.
            if (from >= 0 && !holdsRussian(written)) continue;
            const Misreading m{written, read};
            if (fewLettersOnly && !changesFewLetters(m)) continue;
            if (!sample.empty() && (!undo(m, sample, scratch_) ||
                                    !readsWell(scoreText(scratch_), settings_.repairedPerLetter)))
                continue;
            if (!undo(m, text, scratch_)) continue;
            if (scratch_ == text) continue;
            if (from >= 0 && !touchesUtf8(m) && !touchesUtf8(candidates_[static_cast<std::size_t>(from)].chain.steps[0]) &&
                !changesMost(paragraph_, scratch_))
                continue;
            const TextScore score = scoreText(scratch_);
            if (known(scratch_, score, count_)) continue;
            if (count_ == candidates_.size()) candidates_.emplace_back();
            Candidate& c = candidates_[count_++];
            if (from < 0) {
                c.chain = Chain{{m, Misreading{}}, 1};
            } else {
                const Chain& later = candidates_[static_cast<std::size_t>(from)].chain;
                c.chain = Chain{{m, later.steps[0]}, 2};
            }
            c.text.swap(scratch_);
            c.score = score;
            // Bytes that read as valid UTF-8 and give ordinary text by a wide
            // margin settle it: nothing else could come close.
            if (written == Charset::Utf8 && from < 0 && score.oddities == 0 &&
                readsWell(score, settings_.cleanPerLetter) && score.value >= decisive)
                return true;
        }
    }
    return false;
}

namespace {

// Whether a text has anything a misreading of Russian letters leaves: a
// letter beyond ASCII (Latin-1's, Cyrillic, box drawing...), a sign or a
// control. Blanks, dashes, quotes and "…" alone are not that: a misreading
// of a Russian letter always leaves a letter or a sign beside them.
bool mayHoldMisreadLetters(std::u16string_view text) {
    for (char16_t ch : text) {
        if (ch < 0x80) continue;
        if (ch >= 0x2000 && ch < 0x2070 && ch != 0x2020 && ch != 0x2021 && ch != 0x2030) continue;
        if (ch != 0xA0 && ch != 0xAB && ch != 0xBB) return true;
    }
    return false;
}

// Whether what a capital misread between Windows-1251 and Mac Cyrillic
// looks like stands glued to the front of a word of small Cyrillic letters:
// "’удыть", "(„ама", "Ёто", "\u00A0васной". Quotes « » and "…" are left
// out: text has them there. Or a capital "Я" where a small "я" belongs.
bool markForCapital(std::u16string_view text) {
    static constexpr std::u16string_view kMisreadCapitals =
        u"јЅ¬√ƒ≈∆\u00A0ЋћЌќѕ–—“”‘’÷„ЎўЏџ№Ёё"  // Windows-1251 read as Mac Cyrillic
        u"ЂЃ‚ѓ†‡€‰Љ‹ЊЎЏђ•™љ›њ";            // Mac Cyrillic read as Windows-1251
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const char16_t ch = text[i], next = text[i + 1];
        if (ch < 0xA0 || (ch >= 0x410 && ch <= 0x44F)) continue;  // ASCII and Russian letters, the bulk
        if (!(next >= 0x430 && next <= 0x44F)) continue;
        if (i > 0 && text[i - 1] != u' ' && text[i - 1] != u'(' && text[i - 1] != u'"') continue;
        if (kMisreadCapitals.find(ch) != std::u16string_view::npos) return true;
    }
    // Mac Cyrillic's "я" is Windows-1251's "Я": a word that begins with it
    // right after a word of small letters ("все Ясно", "сам Я сыт").
    for (std::size_t at = text.find(u'Я'); at != std::u16string_view::npos; at = text.find(u'Я', at + 1))
        if (at >= 2 && text[at - 1] == u' ' && text[at - 2] >= 0x430 && text[at - 2] <= 0x44F) return true;
    return false;
}

}  // namespace

Verdict EncodingJudge::judge(std::u16string_view paragraph) {
    Verdict verdict;
    if (!mayHoldMisreadLetters(paragraph)) return verdict;
    paragraph_ = paragraph;
    // Right as it stands in a language of its own: "très", "није", "кері".
    // Letters of its own inside words settle that at once, the commonest
    // case of text in another language.
    const bool foreignLetters = hasForeignLetters(paragraph);
    ForeignReading foreign;
    if (foreignLetters) {
        foreign = readAsForeign(paragraph);
        if (foreign.settled()) return verdict;
    }
    const TextScore original = scoreText(paragraph);
    // Ordinary text is not searched, unless a mark stands glued to the
    // front of a small Cyrillic letter, where a capital that Windows-1251
    // and Mac Cyrillic swap for a mark would be ("’ы мне не друг"); then
    // only those two pages are searched.
    const bool clean = looksClean(original, settings_.cleanPerLetter);
    if (clean && !markForCapital(paragraph)) return verdict;
    if (!foreignLetters) foreign = readAsForeign(paragraph);
    // A line with letters of that language's own reads as it when it reads
    // better so than as Russian. A line of letters Russian has too ("‘корей
    // Alt-F4", "“же на подходе") is that language only if it reads better so
    // than its repair as well: the marks a misreading left cost the Russian
    // reading of the line as it stands, not the other.
    if (foreign.beyond && foreign.ratherThan(original)) return verdict;
    if (!misreadable(paragraph)) return verdict;

    count_ = 0;
    const bool decided = expand(paragraph, -1, original.value + settings_.margin + kShortText * kNat, clean);
    const std::size_t firstLevel = count_;

    // A repair must have been Russian to begin with and read as ordinary
    // text, with hardly anything odd left. It takes oddities away, never
    // adds odd characters; Latin letters among Russian ones ("пpогpамма")
    // stay through any misreading, touching more letters once repaired than
    // garbled, and are left out of that count. It keeps letters: a paragraph whose letters turn
    // into marks is no repair ("ищи" is not "»€»"), though UTF-8 misread
    // twice has up to eight letters for every one it stands for.
    auto isFinal = [&](const Candidate& c) {
        return holdsRussian(c.chain.steps[0].written) &&
               (c.score.oddities < original.oddities || c.score.oddities == c.score.mixed) &&
               c.score.oddities - c.score.mixed <= 1 + c.score.letters / 10 && c.score.strange <= original.strange &&
               c.score.letters > 0 && c.score.letters * 8 >= original.letters &&
               readsWell(c.score, settings_.repairedPerLetter);
    };
    // A capital right after a word of small letters tells against a
    // reading: one page's "И" is the other's "я" ("в Идерном" is "в
    // ядерном"), and a name there is restored alike by every reading.
    auto rank = [&](const Candidate& c) {
        return ranked(c.score, c.chain) - kCapitalAfterSmallWordCost * capitalsAfterSmallWords(c.text);
    };
    auto best = [&](std::size_t end) {
        std::size_t at = end;
        std::int32_t atRank = 0;
        for (std::size_t i = 0; i < end; ++i) {
            if (!isFinal(candidates_[i])) continue;
            const std::int32_t r = rank(candidates_[i]);
            if (at == end || r > atRank) {
                at = i;
                atRank = r;
            }
        }
        return at;
    };

    std::size_t winner = best(firstLevel);
    // Two misreadings leave a text that reads badly or has odd characters;
    // one that reads fairly well with nothing strange is not searched so deep.
    const bool deep = original.strange > 0 || !readsWell(original, settings_.cleanPerLetter);
    const bool settled = decided || !deep ||
                         (winner < firstLevel && looksClean(candidates_[winner].score, settings_.cleanPerLetter) &&
                          candidates_[winner].score.value - original.value >= settings_.margin + kShortText * kNat);
    if (!settled) {
        // Undo a second misreading behind the few first undoes that read
        // best, and behind every valid UTF-8 reading: bytes that happen to be
        // valid UTF-8 are rare unless they were UTF-8.
        std::vector<std::size_t> order(firstLevel);
        for (std::size_t i = 0; i < firstLevel; ++i) order[i] = i;
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return candidates_[a].score.value > candidates_[b].score.value;
        });
        for (std::size_t k = kSecondSteps; k < order.size();) {
            if (candidates_[order[k]].chain.steps[0].written == Charset::Utf8) ++k;
            else order.erase(order.begin() + static_cast<std::ptrdiff_t>(k));
        }
        for (std::size_t i : order) {
            const std::u16string middle = candidates_[i].text;
            expand(middle, static_cast<int>(i), 0);
        }
        winner = best(count_);
    } else if (winner < firstLevel) {
        // Settled on a repair that reads as ordinary text, which a second
        // misreading touching only capitals and "я" would not spoil:
        // "— ростом" from UTF-8 is "С ростом" when the text was Windows-1251
        // read as Mac Cyrillic first. The ranking weighs both stories.
        const std::u16string middle = candidates_[winner].text;
        expand(middle, static_cast<int>(winner), 0, true);
        winner = best(count_);
    }
    if (winner >= count_) return verdict;
    // Two readings that differ only in case are told by the case of running
    // text, whatever else their scores say: "ЯаХФЫРУРп" is "предлагая", not
    // "ПРЕДЛАГАЯ".
    for (std::size_t i = 0; i < count_; ++i) {
        const Candidate& c = candidates_[i];
        if (i != winner && isFinal(c) && differsInCaseOnly(c.text, candidates_[winner].text) &&
            capitalsOutOfPlace(c.text) < capitalsOutOfPlace(candidates_[winner].text))
            winner = i;
    }

    const Candidate& chosen = candidates_[winner];
    if (!foreign.beyond && foreign.ratherThan(chosen.score)) return verdict;
    // (Only a line that reads about as well as that language: signs strewn
    // over it, what KOI8-R read as DOS 866 leaves, tell nothing of the kind.)
    if (foreign.beyond && foreign.language >= 0 && foreign.value >= -2 * kNat * std::max(foreign.letters, 1) &&
        !changedWordsKnown(paragraph, chosen.text))
        return verdict;
    if (makesLatinWordsCyrillic(paragraph, chosen.text)) return verdict;
    if (makesNoText(paragraph, chosen.text)) return verdict;
    const std::int32_t gain = chosen.score.value - original.value;
    // A change of case or of capitals alone, "я" among them, is a repair
    // only where it mends something: an oddity ("тебЯ" is Mac Cyrillic read as
    // Windows-1251), or a capital where running text has none ("все Ясно",
    // the same misreading: Mac's "я" is Windows-1251's "Я"), or a word no
    // Russian word begins like ("Ёто"). A name that merely reads better with
    // another capital ("Тшопо") is left alone.
    const bool capitalsOnly = differsInCapitalsOnly(paragraph, chosen.text);
    const bool placesCapitals = capitalsOnly && capitalsAfterSmallWords(chosen.text) < capitalsAfterSmallWords(paragraph);
    const bool singleByteTwice = chosen.chain.length == 2 && chosen.chain.steps[1].written != Charset::Utf8 &&
                                 chosen.chain.steps[1].read != Charset::Utf8;
    const bool makesWords = chosen.score.unknownWords < original.unknownWords && !singleByteTwice;
    if (capitalsOnly && chosen.score.oddities >= original.oddities && !placesCapitals && !makesWords) return verdict;
    if (gain < 0 || (gain == 0 && !placesCapitals)) return verdict;
    // A short text says little: below sixteen letters the margin grows.
    std::int32_t margin = settings_.margin + std::max<std::int32_t>(0, kShortText - chosen.score.letters) * kNat;
    // A misreading that touches only capitals and "я" leaves a paragraph
    // that reads almost as well as the repair, so the margin cannot be the
    // usual one; but the repair must then take away every oddity there is,
    // and there must have been one ("‘леди за сердцем" is "Следи ...").
    if (chosen.chain.length == 1 && changesFewLetters(chosen.chain.steps[0]) && chosen.score.oddities == 0 &&
        (original.oddities > 0 || placesCapitals) && chosen.score.letters >= kShortText)
        margin = 0;

    // How sure: the chosen text's share among the paragraph and all
    // candidates, with their ranks (the scores and what tells against each
    // story) taken as log-likelihoods. A reading that differs from it in
    // case only is the same story.
    const double topRank = rank(chosen);
    double sum = 1;
    if (!differsInCaseOnly(paragraph, chosen.text))
        sum += std::exp((ranked(original, Chain{}) - kCapitalAfterSmallWordCost * capitalsAfterSmallWords(paragraph) -
                         topRank) / kNat);
    for (std::size_t i = 0; i < count_; ++i)
        if (i != winner && isFinal(candidates_[i]) && !differsInCaseOnly(candidates_[i].text, chosen.text))
            sum += std::exp((rank(candidates_[i]) - topRank) / double(kNat));
    verdict.certainty = 1.0 / sum;
    verdict.gain = gain;
    verdict.chain = chosen.chain;
    // A repair in doubt is never applied. Three characters or fewer tell no
    // story apart: "тХЧ" is "Бег" misread once as well as "и" misread twice.
    const auto letterLike = [](char16_t ch) { return ch >= 0x80 || ((ch | 0x20) >= u'a' && (ch | 0x20) <= u'z'); };
    if (std::count_if(paragraph.begin(), paragraph.end(), letterLike) <= 3)
        verdict.doubt = "the line is too short to tell";
    else if (gain < margin) verdict.doubt = "it reads hardly better than the line as it stands";
    else if (verdict.certainty < 0.5) verdict.doubt = "another reading is as likely";
    else if (!madeOfRussianWords(chosen.score, original.oddities > 0)) verdict.doubt = "it is not made of Russian words";
    if (!verdict.doubt.empty()) {
        verdict.doubtful = true;
        return verdict;
    }
    verdict.repaired = true;
    verdict.text = chosen.text;
    // The pieces, by undoing the chain again step by step.
    std::u16string middle;
    std::vector<Piece> outer, inner;
    if (chosen.chain.length == 1) {
        undo(chosen.chain.steps[0], paragraph, middle, &verdict.pieces);
    } else {
        undo(chosen.chain.steps[1], paragraph, middle, &outer);
        std::u16string result;
        undo(chosen.chain.steps[0], middle, result, &inner);
        verdict.pieces = composePieces(outer, inner);
    }
    return verdict;
}

}  // namespace lettrica::repair
