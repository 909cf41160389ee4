#include "translit/letters.h"

namespace lettrica::translit::letters {

namespace {

// Ranges where capitals and small letters alternate: `evenUpper` when the
// capital has the even code.
struct Pairs {
    char32_t first, last;
    bool evenUpper;
};
constexpr Pairs kPairs[] = {
    {0x100, 0x137, true},  {0x139, 0x148, false}, {0x14A, 0x177, true},  {0x179, 0x17E, false},
    {0x1CD, 0x1DC, false}, {0x1DE, 0x1EF, true},  {0x1F4, 0x1F5, true},  {0x1F8, 0x21F, true},
    {0x222, 0x233, true},  {0x1E00, 0x1E95, true}, {0x1EA0, 0x1EFF, true},
};

}  // namespace

char32_t latinUpper(char32_t c) {
    if (c >= 'a' && c <= 'z') return c - 0x20;
    if (c >= 'A' && c <= 'Z') return c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    if (c == 0xFF) return 0x178;
    for (const Pairs& p : kPairs) {
        if (c < p.first || c > p.last) continue;
        const bool even = c % 2 == 0;
        return even == p.evenUpper ? c : c - 1;
    }
    return 0;
}

char32_t latinLower(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    if (c == 0x178) return 0xFF;
    for (const Pairs& p : kPairs) {
        if (c < p.first || c > p.last) continue;
        const bool even = c % 2 == 0;
        return even == p.evenUpper ? c + 1 : c;
    }
    return c;
}

char32_t lower(char32_t c) { return isCyrillic(c) ? cyrillicLower(c) : latinLower(c); }

bool isUpper(char32_t c) { return isLetter(c) && lower(c) != c; }

namespace {
struct Decomposition {
    char16_t letter, base, mark;
};
// The letters with diacritics that the systems write.
constexpr Decomposition kDecompositions[] = {
    {0xE2, 'a', 0x302},   {0xE8, 'e', 0x300},   {0xE9, 'e', 0x301},   {0xEA, 'e', 0x302},   {0xEB, 'e', 0x308},
    {0xEC, 'i', 0x300},   {0xEE, 'i', 0x302},   {0xEF, 'i', 0x308},   {0xFB, 'u', 0x302},   {0xFF, 'y', 0x308},
    {0x107, 'c', 0x301},  {0x10D, 'c', 0x30C},  {0x117, 'e', 0x307},  {0x11B, 'e', 0x30C},  {0x12B, 'i', 0x304},
    {0x12D, 'i', 0x306},  {0x15D, 's', 0x302},  {0x161, 's', 0x30C},  {0x16D, 'u', 0x306},  {0x17E, 'z', 0x30C},
    {0x1CE, 'a', 0x30C},  {0x1F0, 'j', 0x30C},  {0x1F5, 'g', 0x301},  {0x233, 'y', 0x304},  {0x1E1F, 'f', 0x307},
    {0x1E31, 'k', 0x301}, {0x1E8F, 'y', 0x307}, {0x1E91, 'z', 0x302}, {0x1EF3, 'y', 0x300},
};
}  // namespace

bool decomposeLatin(char32_t c, char16_t& base, char16_t& mark) {
    for (const Decomposition& d : kDecompositions) {
        if (d.letter != c) continue;
        base = d.base;
        mark = d.mark;
        return true;
    }
    return false;
}

void appendUpper(char32_t c, std::u16string& out) {
    if (c == 0x1F0) {  // ǰ
        out += u"J\u030C";
        return;
    }
    char32_t u = isCyrillic(c) ? cyrillicUpper(c) : latinUpper(c);
    if (u == 0) u = c;
    out.push_back(static_cast<char16_t>(u));
}

}  // namespace lettrica::translit::letters
