#pragma once
// The built-in Latin -> Cyrillic systems. Unlike the other direction a step
// may take two or three Latin letters ("Sh", "Shh", "Sch"): matching is greedy
// from left to right, the first letter decides the case, the followers match
// in either case, and no rule reaches past the text (or over a line break,
// since CR matches nothing).

#include "translit/converter.h"

namespace lettrica::translit {

class LatinToCyrillic : public Converter {
public:
    enum class System { Gost, Anglo };
    explicit LatinToCyrillic(System system) : system_(system) {}

    Step step(std::u16string_view text, std::size_t pos) const override;
    std::size_t lookahead() const override { return 2; }
    std::size_t convertText(std::u16string_view text, bool final, std::u16string& out) const override;
    std::size_t convertBytes(std::string_view bytes, bool final, std::string& out) const override;

private:
    System system_;
};

const LatinToCyrillic& gostLatinToCyrillic();
const LatinToCyrillic& angloLatinToCyrillic();

}  // namespace lettrica::translit
