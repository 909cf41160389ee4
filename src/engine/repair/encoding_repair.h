#pragma once
// Repairs a paragraph that was read in the wrong character set, once or
// twice over ("РџСЂРёРІРµС‚", "Ïðèâåò", "Р В РЎ..."). Every misreading
// between UTF-8, Windows-1251, DOS 866, KOI8-R, ISO 8859-5, Mac Cyrillic,
// Latin-1 and Windows-1252 whose way back is exact is a candidate; the text
// scorer picks the best, and it is taken only when it beats the paragraph as
// it stands by a clear margin. A paragraph that reads as ordinary text is
// never searched at all, so text that is right stays as it is.

#include <string>
#include <string_view>
#include <vector>

#include "repair/text_score.h"
#include "repair/verdict.h"

namespace lettrica::repair {

struct RepairSettings {
    // How much better than the paragraph a repair must score.
    std::int32_t margin = 2 * kNat;
    // A paragraph with nothing odd and words at least this good per letter
    // is ordinary text: it is not searched.
    std::int32_t cleanPerLetter = -kNat;
    // A repair must read at least this well per letter: it gives ordinary text.
    std::int32_t repairedPerLetter = -3 * kNat / 2;
};

// Not thread-safe: it keeps its working buffers from one paragraph to the next.
class EncodingJudge {
public:
    explicit EncodingJudge(RepairSettings settings = {}) : settings_(settings) {}

    Verdict judge(std::u16string_view paragraph);

private:
    struct Candidate {
        Chain chain;
        std::u16string text;
        TextScore score;
    };
    // Adds every exact undo of one more misreading of candidate `from`
    // (-1: the paragraph itself). True when a first undo scoring `decisive`
    // or more settled the search early. `fewLettersOnly`: only misreadings
    // that leave the small letters as they are.
    bool expand(std::u16string_view text, int from, std::int32_t decisive, bool fewLettersOnly = false);
    bool known(const std::u16string& text, const TextScore& score, std::size_t count) const;

    RepairSettings settings_;
    std::u16string_view paragraph_;  // the one being judged
    std::vector<Candidate> candidates_;
    std::size_t count_ = 0;
    std::u16string scratch_;
};

// Whether a repair's words are Russian words: most of those of three
// letters or more begin as a word of the vocabulary does. `wasBroken`: the
// text it repairs had something odd (case broken inside a word, a sign).
bool madeOfRussianWords(const TextScore& score, bool wasBroken);

}  // namespace lettrica::repair
