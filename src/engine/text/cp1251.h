#pragma once
// The Windows-1251 code page: the one codec through which every table of the
// program is reached. Tables are written in Windows-1251 bytes, the panes hold
// UTF-16; a character this code page cannot hold has no byte and therefore no
// entry in any table, so every converter keeps it unchanged.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lettrica::text {

// Unicode of every byte. Byte 98, unassigned in the code page, maps to U+0098
// so that any byte string survives decode and encode unchanged.
extern const std::array<char16_t, 256> kCp1251ToUnicode;

inline char16_t cp1251ToUnicode(unsigned char byte) { return kCp1251ToUnicode[byte]; }

// The Windows-1251 byte of a UTF-16 unit, or -1 when the code page has none
// (surrogates included).
int unicodeToCp1251(char16_t ch);

std::u16string decodeCp1251(std::string_view bytes);
void appendDecodedCp1251(std::string_view bytes, std::u16string& out);

struct EncodeResult {
    std::string bytes;
    // Index (in UTF-16 units) of the first character that has no byte; the
    // bytes are then incomplete and must not be written anywhere.
    std::optional<std::size_t> unmappableAt;
    bool ok() const { return !unmappableAt.has_value(); }
};
EncodeResult encodeCp1251(std::u16string_view text);

// Windows-1251 string literal helper for tables stated as bytes.
std::u16string fromCp1251(std::string_view bytes);

}  // namespace lettrica::text
