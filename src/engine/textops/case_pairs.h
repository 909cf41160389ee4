#pragma once
// The case pairs of Windows-1251 (capital, small): every letter of the code
// page that has a partner of the other case. Everything else, µ included,
// has no pair and keeps its case.

#include <array>
#include <cstdint>
#include <utility>

namespace lettrica::textops {

using CasePair = std::pair<std::uint8_t, std::uint8_t>;

namespace detail {
constexpr std::array<CasePair, 73> makeCasePairs() {
    std::array<CasePair, 73> pairs{};
    std::size_t n = 0;
    for (int c = 0x41; c <= 0x5A; ++c)  // A-Z / a-z
        pairs[n++] = {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c + 0x20)};
    for (int c = 0xC0; c <= 0xDF; ++c)  // А-Я / а-я
        pairs[n++] = {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c + 0x20)};
    constexpr CasePair others[] = {
        {0x80, 0x90},  // Ђ ђ
        {0x81, 0x83},  // Ѓ ѓ
        {0x8A, 0x9A},  // Љ љ
        {0x8C, 0x9C},  // Њ њ
        {0x8D, 0x9D},  // Ќ ќ
        {0x8E, 0x9E},  // Ћ ћ
        {0x8F, 0x9F},  // Џ џ
        {0xA1, 0xA2},  // Ў ў
        {0xA3, 0xBC},  // Ј ј
        {0xA5, 0xB4},  // Ґ ґ
        {0xA8, 0xB8},  // Ё ё
        {0xAA, 0xBA},  // Є є
        {0xAF, 0xBF},  // Ї ї
        {0xB2, 0xB3},  // І і
        {0xBD, 0xBE},  // Ѕ ѕ
    };
    for (const CasePair& p : others) pairs[n++] = p;
    return pairs;
}
}  // namespace detail

inline constexpr std::array<CasePair, 73> kCasePairs = detail::makeCasePairs();

}  // namespace lettrica::textops
