#pragma once
// The built-in Latin -> Cyrillic systems. Unlike the other direction a step
// may take two or three Latin letters ("Sh", "Shh", "Sch"): matching is greedy
// from left to right, the first letter decides the case, the followers match
// in either case, and no rule reaches past the text (or over a line break,
// since CR matches nothing).

#include <cstdint>
#include <memory>

#include "convert/converter.h"

namespace lettrica::translit {

class LatinToCyrillic : public Converter {
public:
    enum class System { Gost, Anglo };
    // The loops over bytes, slowest first. Best: the fastest the processor
    // has within LETTRICA_SIMD. Tests and benchmarks ask for each one the
    // processor has; one it lacks gives the table loop.
    enum class Loop { Table, Avx2, Avx512, Best };
    explicit LatinToCyrillic(System system, Loop loop = Loop::Best);
    static bool loopAvailable(Loop loop);
    // The loop this converter runs over bytes.
    Loop loop() const;

    Step step(std::u16string_view text, std::size_t pos) const override;
    std::size_t lookahead() const override { return 2; }
    std::size_t convertText(std::u16string_view text, bool final, std::u16string& out) const override;
    std::size_t convertBytes(std::string_view bytes, bool final, std::string& out) const override;
    std::size_t convertUtf8(std::string_view utf8, bool final, std::string& out) const override;

    ~LatinToCyrillic() override;

    // True when `c` may begin a rule of two or three characters in this system.
    bool startsRule(char16_t c) const;

    struct Tables;

private:
    System system_;
    std::unique_ptr<const Tables> tables_;  // the hot loops' look-up tables
};

const LatinToCyrillic& gostLatinToCyrillic();
const LatinToCyrillic& angloLatinToCyrillic();

}  // namespace lettrica::translit
