#pragma once
// Repairs a paragraph typed in the wrong keyboard layout: "ghbdtn? rfr ltkf"
// for "привет, как дела", "руддщ" for "hello". The keys of the standard
// Russian layout (ЙЦУКЕН) and of the US layout (QWERTY) are matched both
// ways, punctuation included ("?" is the Russian layout's ",").
//
// A word (a run of characters between spaces) is retyped only when all of it
// could have been typed on the other layout, the retyped word has the shape
// of a word and scores better than the word as it stands. The paragraph is
// repaired only when some of those words gain so much that no real word
// would, together by a clear margin, and when they are most of the
// paragraph's words in that alphabet: an odd abbreviation, name or piece of
// code in a text stays as it is. URLs and e-mail addresses stay too.

#include <string_view>

#include "repair/encoding_repair.h"
#include "repair/verdict.h"

namespace lettrica::repair {

// The character typed by the same key on the other layout, or the character
// itself when the key is the same or the character is not on that layout.
char16_t retypeOnRussian(char16_t usCharacter);
char16_t retypeOnUs(char16_t russianCharacter);

class LayoutJudge {
public:
    explicit LayoutJudge(RepairSettings settings = {}) : settings_(settings) {}

    Verdict judge(std::u16string_view paragraph);

private:
    struct Word {
        std::size_t begin, end;
        std::int32_t gain;
        std::int32_t letters;
    };
    // The gain of retyping the paragraph as if typed with `slip`, 0 when it
    // is not a slip; the words to retype in `words_`.
    std::int32_t tryLayout(std::u16string_view paragraph, LayoutSlip slip);

    RepairSettings settings_;
    std::vector<Word> words_;
    std::u16string scratch_;
};

}  // namespace lettrica::repair
