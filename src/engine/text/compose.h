#pragma once
// Letters written as a base letter and a combining mark, as macOS and some
// web pages write them: "Е" + U+0308 is "Ё", "И" + U+0306 is "Й" (and their
// small letters). Every conversion reads them composed, so that no table
// needs two spellings of one letter.

#include <cstddef>
#include <string>
#include <string_view>

namespace lettrica::text {

// The composed letter of `base` and `mark`, or 0.
constexpr char16_t composedCyrillic(char16_t base, char16_t mark) {
    if (mark == 0x308) return base == u'Е' ? u'Ё' : base == u'е' ? u'ё' : 0;
    if (mark == 0x306) return base == u'И' ? u'Й' : base == u'и' ? u'й' : 0;
    return 0;
}

// Composes in place; returns how many characters went.
std::size_t composeCyrillic(std::u16string& text);

// The same over UTF-8: false when there is nothing to compose (and `out`
// is left alone), else `out` holds the composed text.
bool composeCyrillicUtf8(std::string_view utf8, std::string& out);

// The bytes at the end of a piece of UTF-8 that must wait for the next one:
// a letter a mark may still follow, with the first byte of that mark.
std::size_t composeHoldBack(std::string_view utf8);

}  // namespace lettrica::text
