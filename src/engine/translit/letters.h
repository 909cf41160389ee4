#pragma once
// Letters as the transliteration systems see them: which characters belong
// to a word, their case, and the capitals of the Latin letters the systems
// write (with diacritics, some of them as a letter and a combining mark).

#include <string>

namespace lettrica::translit::letters {

// Combining marks (U+0300..U+036F, the tie of "t͡s" among them) belong to the
// letter before them: a rule that asks for the letter before skips them.
constexpr bool isCombining(char32_t c) { return c >= 0x300 && c <= 0x36F; }

constexpr bool isCyrillic(char32_t c) {
    return (c >= 0x400 && c <= 0x481) || (c >= 0x48A && c <= 0x52F);
}

constexpr bool isLatin(char32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) ||
           (c >= 0x1E00 && c <= 0x1EFF);
}

constexpr bool isLetter(char32_t c) { return isCyrillic(c) || isLatin(c); }

// Cyrillic case, U+0400..U+052F.
constexpr char32_t cyrillicLower(char32_t c) {
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    if (((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) && c % 2 == 0)
        return c + 1;
    if (c >= 0x4C1 && c <= 0x4CE && c % 2 == 1) return c + 1;
    return c;
}
constexpr char32_t cyrillicUpper(char32_t c) {
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    if (((c >= 0x461 && c <= 0x481) || (c >= 0x48B && c <= 0x4BF) || (c >= 0x4D1 && c <= 0x52F)) && c % 2 == 1)
        return c - 1;
    if (c >= 0x4C2 && c <= 0x4CE && c % 2 == 0) return c - 1;
    return c;
}

// Latin case for the letters of Latin-1, Latin Extended-A and -B and
// Latin Extended Additional; 0 when `c` has no single-character capital.
char32_t latinUpper(char32_t c);
char32_t latinLower(char32_t c);

char32_t lower(char32_t c);  // either script
bool isUpper(char32_t c);    // a letter whose small form differs

// A Latin letter with one diacritic as its letter and combining mark
// (macOS writes "š" so); false for any other character.
bool decomposeLatin(char32_t c, char16_t& base, char16_t& mark);

// Appends the capital of `c`: ǰ has none of its own and becomes J and a
// combining caron; anything without case is appended as it is.
void appendUpper(char32_t c, std::u16string& out);

}  // namespace lettrica::translit::letters
