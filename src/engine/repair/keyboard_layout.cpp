#include "repair/keyboard_layout.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "repair/foreign_text.h"

namespace lettrica::repair {

namespace {

// The keys that differ, as the US layout types them and as the Russian one does.
constexpr char16_t kUsKeys[] =
    u"`qwertyuiop[]asdfghjkl;'zxcvbnm,./"
    u"~QWERTYUIOP{}ASDFGHJKL:\"ZXCVBNM<>?"
    u"@#$^&|";
constexpr char16_t kRussianKeys[] =
    u"ёйцукенгшщзхъфывапролджэячсмитьбю."
    u"ЁЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮ,"
    u"\"№;:?/";
constexpr std::size_t kKeys = sizeof kUsKeys / sizeof kUsKeys[0] - 1;
static_assert(kKeys == sizeof kRussianKeys / sizeof kRussianKeys[0] - 1);

struct Maps {
    std::array<char16_t, 128> toRussian{};
    std::array<char16_t, 0x460> toUs{};  // by the Russian character, up to the Cyrillic block's end
    Maps() {
        for (char16_t c = 0; c < 128; ++c) toRussian[c] = c;
        for (char16_t c = 0; c < 0x460; ++c) toUs[c] = c;
        for (std::size_t i = 0; i < kKeys; ++i) {
            toRussian[kUsKeys[i]] = kRussianKeys[i];
            if (kRussianKeys[i] < 0x460) toUs[kRussianKeys[i]] = kUsKeys[i];
        }
    }
};

const Maps& maps() {
    static const Maps m;
    return m;
}

bool isRussianLetter(char16_t ch) { return (ch >= 0x410 && ch <= 0x44F) || ch == 0x401 || ch == 0x451; }
bool isLatinLetter(char16_t ch) { return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z'); }
bool isSpace(char16_t ch) { return ch <= 0x20 || ch == 0xA0 || (ch >= 0x2000 && ch <= 0x200B) || ch == 0x3000; }

// ASCII that the Russian layout types: digits and the punctuation of its keys.
// A word is surely mistyped when retyping it gains this much per letter:
// no word of either language, of three letters or more, gains as much (the
// most seen over the held-out words is about 2.2 nats), while most
// mistyped words gain 4 to 5.
constexpr std::int32_t kSurePerLetter = 5 * kNat / 2;
constexpr std::int32_t kSureLetters = 4;
// Once a paragraph is a slip, its other words are retyped too unless they
// read this much better as they stand (a real English word among Russian
// typed on the US layout, say).
constexpr std::int32_t kKeepMargin = 6 * kNat;

bool hasVowel(std::u16string_view word) {
    constexpr std::u16string_view vowels = u"aeiouyAEIOUYаеёиоуыэюяАЕЁИОУЫЭЮЯ";
    return std::any_of(word.begin(), word.end(), [&](char16_t ch) { return vowels.find(ch) != vowels.npos; });
}

bool allCapitals(std::u16string_view word) {
    for (char16_t ch : word)
        if ((ch >= u'a' && ch <= u'z') || (ch >= 0x430 && ch <= 0x44F) || ch == 0x451) return false;
    return true;
}

bool typedOnRussian(char16_t ch) {
    if (ch >= '0' && ch <= '9') return true;
    for (char16_t c : std::u16string_view(u"!\"№;%:?*()_+-=\\/.,"))
        if (c == ch) return true;
    return false;
}

// Whether all of a word could have been typed on the layout the slip
// stands for, and whether it has letters of that layout at all.
enum class Typed { No, WithoutLetters, Word };

Typed typedWith(std::u16string_view word, LayoutSlip slip) {
    bool letter = false;
    for (char16_t ch : word) {
        if (slip == LayoutSlip::UsForRussian) {
            if (ch < 0x21 || ch > 0x7E) return Typed::No;
            letter |= isRussianLetter(maps().toRussian[ch]);
        } else {
            if (isRussianLetter(ch)) letter = true;
            else if (!typedOnRussian(ch)) return Typed::No;
        }
    }
    return letter ? Typed::Word : Typed::WithoutLetters;
}

// A web address or an e-mail address: left alone as it stands.
bool looksLikeAddress(std::u16string_view word) {
    if (word.find(u"://") != std::u16string_view::npos || word.substr(0, 4) == u"www.") return true;
    const std::size_t at = word.find(u'@');
    if (at == std::u16string_view::npos || at == 0) return false;
    const std::size_t dot = word.find(u'.', at + 1);
    return dot != std::u16string_view::npos && dot > at + 1 && dot + 1 < word.size() && isLatinLetter(word[dot + 1]);
}

// Whether a retyped word has the shape of a word: letters and digits, maybe
// joined by hyphens, apostrophes, slashes or dots ("and/or", "2.1"), with
// the punctuation that opens or closes words around them. "№шавуа" (from
// "#ifdef") and "з_асе" (from "p_fct") are no words; in English "snake_case"
// and "AT&T" are.
bool wordShaped(std::u16string_view word, bool english) {
    if (english && looksLikeAddress(word)) return true;
    constexpr std::u16string_view opening = u"([{\"'`«„“‘<.…-";
    // "C++", "C#", "GTK+" are names as they stand.
    constexpr std::u16string_view closing = u".,;:!?)]}\"'»”’>…-+#";
    const std::u16string_view joining = english ? u"-'’/.:@&_,()" : u"-'’/.:";
    std::size_t begin = 0, end = word.size();
    while (begin < end && opening.find(word[begin]) != std::u16string_view::npos) ++begin;
    while (end > begin && closing.find(word[end - 1]) != std::u16string_view::npos) --end;
    if (begin == end) return false;
    auto alnum = [](char16_t ch) { return isRussianLetter(ch) || isLatinLetter(ch) || (ch >= u'0' && ch <= u'9'); };
    if (!alnum(word[begin]) || !alnum(word[end - 1])) return false;
    // Between the first and the last letter: letters, digits and joiners;
    // in Russian also a quote after a colon or beside a full stop, where
    // text without a blank has it: 'говорит:"Сколько', 'кого-нибудь."А'.
    for (std::size_t i = begin; i < end; ++i) {
        if (alnum(word[i]) || joining.find(word[i]) != std::u16string_view::npos) continue;
        const bool quoted = !english && word[i] == u'"' &&
                            (word[i - 1] == u':' || word[i - 1] == u'.' || word[i + 1] == u'.');
        if (!quoted) return false;
    }
    return true;
}

bool isDigit(char16_t ch) { return ch >= u'0' && ch <= u'9'; }
bool isHexDigit(char16_t ch) { return isDigit(ch) || (ch >= u'a' && ch <= u'f') || (ch >= u'A' && ch <= u'F'); }
bool isSmall(char16_t ch) { return (ch >= u'a' && ch <= u'z') || (ch >= 0x430 && ch <= 0x44F) || ch == 0x451; }
bool isCapital(char16_t ch) { return (ch >= u'A' && ch <= u'Z') || (ch >= 0x410 && ch <= 0x42F) || ch == 0x401; }

// A token that is no word of any language but a name a machine gave: a
// hash, a UUID, a password, an identifier. It is kept as it is whatever the
// layout: "04ecb1fa2850" is no "04уси1аф2850". Its signs are letters with
// digits after them or among them ("x86", "04ecb1fa"; a number with an
// ending, "200ый", is a word), a long run of hexadecimal digits, an
// underscore or a dollar, or case broken twice inside a run of letters
// ("hTqwLmZp", "getElementById", "YCbCr"; not "McDonald", "iPhone").
bool looksLikeIdentifier(std::u16string_view token) {
    bool joiner = false, anyLetter = false;
    bool letterThenDigit = false;
    int caseBreaks = 0;
    std::size_t hexRun = 0, longestHexRun = 0, run = 0;
    bool letterInRun = false;
    for (std::size_t i = 0; i < token.size(); ++i) {
        const char16_t ch = token[i];
        joiner |= ch == u'_' || ch == u'$';
        const bool digit = isDigit(ch);
        const bool alnum = digit || isSmall(ch) || isCapital(ch);
        anyLetter |= alnum && !digit;
        if (!alnum) {
            run = 0;
            letterInRun = false;
        } else {
            letterThenDigit |= digit && letterInRun;
            letterInRun |= !digit;
            // As in words: a capital after a small letter, a small letter
            // after two capitals past the first letter ("YCbCr").
            if (run > 0 && isCapital(ch) && isSmall(token[i - 1])) ++caseBreaks;
            if (run >= 2 && isSmall(ch) && isCapital(token[i - 1]) && isCapital(token[i - 2])) ++caseBreaks;
            ++run;
        }
        hexRun = isHexDigit(ch) ? hexRun + 1 : 0;
        longestHexRun = std::max(longestHexRun, hexRun);
    }
    // "p_fct" and "$HOME" are names; "______" is a blank to fill in.
    return letterThenDigit || longestHexRun >= 8 || caseBreaks >= 2 || (joiner && anyLetter);
}

char16_t retype(char16_t ch, LayoutSlip slip) {
    return slip == LayoutSlip::UsForRussian ? retypeOnRussian(ch) : retypeOnUs(ch);
}

}  // namespace

char16_t retypeOnRussian(char16_t usCharacter) {
    return usCharacter < 128 ? maps().toRussian[usCharacter] : usCharacter;
}

char16_t retypeOnUs(char16_t russianCharacter) {
    if (russianCharacter == u'№') return u'#';
    return russianCharacter < 0x460 ? maps().toUs[russianCharacter] : russianCharacter;
}

std::int32_t LayoutJudge::tryLayout(std::u16string_view paragraph, LayoutSlip slip) {
    words_.clear();
    std::int32_t sureGain = 0;
    std::int32_t retyped = 0, kept = 0;           // letters of the mistyped alphabet
    bool stuck = false;  // a word of the mistyped alphabet that can be neither retyped nor kept
    const bool toRussian = slip == LayoutSlip::UsForRussian;
    std::size_t i = 0;
    while (i < paragraph.size()) {
        if (isSpace(paragraph[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < paragraph.size() && !isSpace(paragraph[end])) ++end;
        const std::u16string_view word = paragraph.substr(i, end - i);
        std::int32_t russian = 0, latin = 0;
        for (char16_t ch : word) {
            russian += isRussianLetter(ch);
            latin += isLatinLetter(ch);
        }
        const std::int32_t letters = toRussian ? latin : russian;
        bool taken = false;
        const Typed typed = typedWith(word, slip);
        if (typed == Typed::No && letters == 0) {  // nothing of the mistyped alphabet: it stays
            i = end;
            continue;
        }
        // Judged both as it stands and retyped: on the Russian layout "1.12."
        // is typed "1ю12ю", a number and no identifier.
        scratch_.assign(word);
        for (char16_t& ch : scratch_) ch = retype(ch, slip);
        // Cyrillic letters with case broken, nothing more, are no name a
        // machine gave: in English typed on the Russian layout "ДфЕуЧ" is
        // "LaTeX".
        const bool cyrillicLettersOnly =
            !toRussian && std::none_of(word.begin(), word.end(), [](char16_t ch) {
                return isDigit(ch) || ch == u'_' || ch == u'$';
            });
        const bool identifier = looksLikeIdentifier(word) && looksLikeIdentifier(scratch_) && !cyrillicLettersOnly;
        if (letters > 0 && (identifier || looksLikeAddress(word))) {
            // Kept as it stands: no word, though its letters count among
            // those the paragraph keeps.
            kept += letters;
            i = end;
            continue;
        }
        if (typed == Typed::WithoutLetters) {
            // Punctuation and digits alone ("28?62" for "28,62") follow the
            // paragraph, unless retyping them would make letters ("..." is
            // no "ююю").
            const bool letters = std::any_of(scratch_.begin(), scratch_.end(),
                                             [](char16_t ch) { return isRussianLetter(ch) || isLatinLetter(ch); });
            if (!letters && scratch_ != word) words_.push_back({i, end, 0, 0});
        } else if (typed == Typed::Word) {
            const TextScore asItStands = scoreText(word);
            const std::int32_t gain = scoreText(scratch_).value - asItStands.value;
            // A word that reads far better as it stands ("Firefox" among
            // Russian typed on the US layout) is kept.
            const bool good = gain <= -kKeepMargin && looksClean(asItStands, settings_.cleanPerLetter);
            if (good) {
                // Kept: its letters count among those the paragraph keeps.
            } else if (wordShaped(scratch_, !toRussian)) {
                words_.push_back({i, end, gain, letters});
                // An abbreviation in capitals is never sure on its own, nor
                // is a word without a vowel ("Lp.pl;'" from "Дзюзджэ").
                const bool sure = letters >= kSureLetters && gain >= kSurePerLetter * letters &&
                                  (letters >= 6 || !allCapitals(word)) && hasVowel(scratch_);
                if (sure) sureGain += gain;
                taken = true;
            } else if (std::none_of(scratch_.begin(), scratch_.end(), [](char16_t ch) {
                           return isRussianLetter(ch) || isLatinLetter(ch) || (ch >= u'0' && ch <= u'9');
                       })) {
                // Its letters were punctuation typed on the wrong layout
                // ("____ю" for "____."): it follows the paragraph, as marks do.
                words_.push_back({i, end, 0, 0});
                taken = true;
            } else {
                stuck = true;
            }
        } else if (letters > 0) {
            stuck = true;  // a key the layout has not: no slip of it
        }
        (taken ? retyped : kept) += letters;
        i = end;
    }
    // Only a paragraph that some words show clearly to be mistyped, and most
    // of whose mistyped alphabet is better retyped, is a slip of the layout:
    // an odd word in a text of the other alphabet (an abbreviation, a name,
    // code) is left alone. And a paragraph is repaired whole or not at all:
    // never a mix of retyped words and words left in the wrong layout.
    if (sureGain == 0 || stuck || retyped < 3 * kept) return 0;
    return sureGain;
}

Verdict LayoutJudge::judge(std::u16string_view paragraph) {
    Verdict verdict;
    // Text typed on the wrong layout is gibberish; a paragraph that reads
    // as ordinary text is not searched.
    const TextScore asItStands = scoreText(paragraph);
    if (looksClean(asItStands, settings_.cleanPerLetter)) return verdict;
    // Nor is a line of another language: "fehlt", "зсув". One with letters
    // of that language's own settles it; one without must also read better
    // so than its repair (letters Russian typed on the US layout leave may
    // pass for German: "Kturbt genb dtlen d negbr/").
    const ForeignReading foreign = readAsForeign(paragraph);
    const bool foreignRather = foreign.ratherThan(asItStands);
    if (foreignRather && foreign.beyond) return verdict;
    std::int32_t bestGain = 0;
    LayoutSlip bestSlip = LayoutSlip::None;
    std::vector<Word> bestWords;
    for (LayoutSlip slip : {LayoutSlip::UsForRussian, LayoutSlip::RussianForUs}) {
        const std::int32_t gain = tryLayout(paragraph, slip);
        if (gain > bestGain) {
            bestGain = gain;
            bestSlip = slip;
            bestWords = words_;
        }
    }
    if (bestSlip == LayoutSlip::None) return verdict;
    verdict.slip = bestSlip;
    verdict.gain = bestGain;
    verdict.certainty = 1.0 / (1.0 + std::exp(-bestGain / double(kNat)));
    if (bestGain < settings_.margin) {
        verdict.doubtful = true;
        verdict.doubt = "it reads hardly better than the line as it stands";
        return verdict;
    }
    verdict.text.assign(paragraph);
    for (const Word& w : bestWords)
        for (std::size_t k = w.begin; k < w.end; ++k) verdict.text[k] = retype(paragraph[k], bestSlip);
    if (foreignRather && foreign.ratherThan(scoreText(verdict.text))) return Verdict{};
    // The words retyped must be words of the language: text broken as it
    // stands ("clmpJpju") says nothing of a slip, and a single word retyped
    // must be a common one; nor is "DjVu" in a Russian line any "ВоМг", or
    // Belarusian "Цэтынэ" any "W'nsy'". Words kept as they stand prove nothing.
    std::u16string retyped;
    for (const Word& w : bestWords) {
        retyped.append(verdict.text, w.begin, w.end - w.begin);
        retyped += u' ';
    }
    const bool words = bestSlip == LayoutSlip::UsForRussian ? madeOfRussianWords(scoreText(retyped), false)
                                                            : madeOfEnglishWords(retyped);
    if (!words) {
        verdict.doubtful = true;
        verdict.doubt = bestSlip == LayoutSlip::UsForRussian ? "it is not made of Russian words"
                                                             : "it is not made of English words";
        verdict.text.clear();
        return verdict;
    }
    verdict.repaired = true;
    verdict.pieces.assign(paragraph.size(), Piece{1, 1});
    return verdict;
}

}  // namespace lettrica::repair
