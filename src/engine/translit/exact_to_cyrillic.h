#pragma once
// Latin -> Cyrillic for a system that writes one distinct Latin text for
// each letter (GOST 7.79 systems A and B): each Latin piece goes back to
// its letter, the longest piece first. A piece with a capital first gives a
// capital; a piece without case (ʺ, `) gives a capital between capitals of
// its word, as it came. A letter and its diacritic written apart (s and
// U+030C) read as the letter with the diacritic.

#include <string>
#include <unordered_map>
#include <vector>

#include "convert/converter.h"
#include "translit/system_rules.h"

namespace lettrica::translit {

class ExactToCyrillic : public Converter {
public:
    explicit ExactToCyrillic(const SystemRules& rules);

    Step step(std::u16string_view text, std::size_t pos) const override;
    std::size_t lookahead() const override { return lookahead_; }
    std::size_t lookbehind() const override { return 3; }

private:
    struct Piece {
        std::u16string latin;  // small
        std::u16string small, capital;
        bool caseless;
    };
    std::vector<Piece> pieces_;  // by first character, the longest first
    std::unordered_map<char16_t, std::pair<std::size_t, std::size_t>> byFirst_;
    std::size_t lookahead_ = 3;
};

}  // namespace lettrica::translit
