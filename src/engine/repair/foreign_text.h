#pragma once
// Whether a line, as it stands, is ordinary text of a language other than
// Russian and English that shares its script: French, Spanish, Czech,
// Vietnamese... in Latin letters with their accents, Ukrainian, Serbian,
// Kazakh... in Cyrillic. Such a line is right as it is: "très", "није" and
// "кері" are no misreadings, whatever a code page makes of them.
//
// Each language is its alphabet and the bigram statistics of its letters. A
// line reads as a language when every word of that language's script spells
// with its alphabet, the words score about as well as its running text, and
// nothing in the line is what misreadings leave: control characters, signs
// strewn between letters, case broken inside words. Words of the other
// script ("GTK" in a Ukrainian line) neither help nor hurt.

#include <cstdint>
#include <string_view>

#include "repair/text_score.h"

namespace lettrica::repair {

struct ForeignReading {
    // The language it reads best in, -1 when no language could spell the
    // line; or, as soon as one is found, a language it reads well in with
    // letters of that language's own inside words.
    int language = -1;
    std::int32_t value = 0;   // 1/16 nats, about 0 for ordinary text, lower the worse
    std::int32_t letters = 0; // letters of that language's script
    bool good = false;        // reads as ordinary text of that language
    bool beyond = false;      // has a letter that neither Russian nor English has
    bool beyondInside = false;  // ... past the first letter of a word

    // Whether the line is that language rather than Russian or English,
    // which read as `asRussianOrEnglish`.
    bool ratherThan(const TextScore& asRussianOrEnglish) const;
    // Whether it is that language, whatever Russian and English make of it.
    bool settled() const { return good && beyondInside; }
};

ForeignReading readAsForeign(std::u16string_view text);

// Whether a text has letters that neither Russian nor English has, or Latin-1
// signs: then its foreign reading may settle it before the Russian one.
bool hasForeignLetters(std::u16string_view text);

// "French", "Ukrainian"...
const char* foreignLanguageName(int language);

}  // namespace lettrica::repair
