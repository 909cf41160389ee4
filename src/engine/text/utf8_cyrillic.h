#pragma once
// Russian text in UTF-8 is ASCII and two-byte characters of the Cyrillic
// block: squeezed to one byte a character, such runs go through a byte
// table as fast as Windows-1251 does.

#include <cstddef>
#include <string_view>

namespace lettrica::text {

// The byte of a character: ASCII as it is, U+0400..U+047F (D0 80..D1 BF) as
// 0x80..0xFF; and back.
inline constexpr char32_t cyrillicOfCode(unsigned char code) { return code < 0x80 ? code : 0x380 + code; }

// The codes of the characters at the start of valid UTF-8 `bytes`, up to
// the first of any other kind or one cut at the end. Writes them at `codes`,
// which has room for bytes.size() + 32; returns how many, and in `taken` the
// bytes they came from.
std::size_t squeezeCyrillic(std::string_view bytes, unsigned char* codes, std::size_t& taken);

// Each way by name, for tests and benchmarks.
enum class SqueezePath { Scalar, Avx2 };
bool squeezePathAvailable(SqueezePath path);
std::size_t squeezeCyrillicWith(SqueezePath path, std::string_view bytes, unsigned char* codes, std::size_t& taken);

}  // namespace lettrica::text
