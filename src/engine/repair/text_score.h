#pragma once
// How much a text looks like ordinary Russian or English. A word (a run of
// letters of one alphabet) is measured by the letter trigram statistics of
// its language against a typical word of that language, so a good word of
// either scores about nought and a broken one far below; every other
// character costs by its kind: nothing for spaces, digits and ASCII
// punctuation, little for typographic marks, much for accented or
// non-Russian Cyrillic letters, signs, box drawing and control characters,
// which is what a text read in the wrong code page is full of.
//
// Scores are in 1/16 nats, so differences are log-likelihood ratios.

#include <cstdint>
#include <string_view>

namespace lettrica::repair {

struct TextScore {
    std::int32_t value = 0;  // about 0 for ordinary text, lower the worse
    std::int32_t letters = 0;
    // Characters and patterns that clean text rarely has: signs, foreign
    // letters, controls, a small letter followed by a capital, two alphabets
    // touching inside a word.
    std::int32_t oddities = 0;
    // Of those, the odd characters alone (signs, foreign letters, box
    // drawing, controls): what a misreading adds and a repair takes away.
    std::int32_t strange = 0;
    // Of those, the places where letters of two alphabets touch: Latin "p"
    // for Cyrillic "р" and the like, which text keeps through any misreading.
    std::int32_t mixed = 0;
    // Russian words of three letters or more that no word of the vocabulary
    // begins like (in its first six letters): "Синансисты" where
    // "Финансисты" was meant.
    std::int32_t unknownWords = 0;
    // Russian words of three letters or more, abbreviations apart: those
    // that unknownWords is counted among.
    std::int32_t russianWords = 0;
    // Of those, the words of the list of common words.
    std::int32_t listedWords = 0;
    // Words of two letters in that list ("не", "на"): short, but words.
    std::int32_t listedShortWords = 0;
    // Russian words of five letters or more that begin as a word of the
    // vocabulary does: three letters begin words of any kind ("оха").
    std::int32_t knownLongWords = 0;
};

inline constexpr std::int32_t kNat = 16;

TextScore scoreText(std::u16string_view text);

// True when the text's words are no worse than `perLetter` (1/16 nats,
// negative) on average, the cost of letters of two alphabets touching apart.
bool readsWell(const TextScore& score, std::int32_t perLetter);
// True when it reads well and has nothing odd: ordinary text as it stands.
bool looksClean(const TextScore& score, std::int32_t perLetter);

// True when the Latin words of a text are English words: a word alone, or
// half of more, abbreviations apart. Names and terms may stand among them; a
// repair to Latin of nothing but non-words ("Xsusi") is none.
bool madeOfEnglishWords(std::u16string_view text);

}  // namespace lettrica::repair
