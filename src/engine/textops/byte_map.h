#pragma once
// A one-to-one byte map over Windows-1251 (or any 8-bit code page): recoding
// and case change are both of this kind. The same map applies to bytes
// (streams) and to UTF-16 text (panes); in text a character that
// Windows-1251 cannot hold has no byte and is kept unchanged.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "translit/char_map_converter.h"

namespace lettrica::textops {

using ByteMap = std::array<std::uint8_t, 256>;

constexpr ByteMap identityByteMap() {
    ByteMap m{};
    for (int b = 0; b < 256; ++b) m[b] = static_cast<std::uint8_t>(b);
    return m;
}

// Maps `size` bytes from `in` to `out`; `in` and `out` may be the same buffer.
void mapBytes(const ByteMap& map, const char* in, char* out, std::size_t size);
std::string mapBytes(const ByteMap& map, std::string_view bytes);

namespace detail {
// The ways mapBytes can go, slowest first; it takes the best the processor
// has. Tests and benchmarks run each one that is available.
enum class BytePath { Portable, Avx2, Vbmi };
bool bytePathAvailable(BytePath path);
void mapBytesWith(BytePath path, const ByteMap& map, const char* in, char* out, std::size_t size);
}  // namespace detail

// One character through the map: by its Windows-1251 byte, or unchanged.
char16_t mapChar(const ByteMap& map, char16_t ch);
std::u16string mapText(const ByteMap& map, std::u16string_view text);

// The map as a converter for the document driver and the stream driver. Its
// character entries are the bytes the map changes; the byte path is a plain
// table lookup.
class ByteMapConverter : public translit::CharMapConverter {
public:
    explicit ByteMapConverter(const ByteMap& map);

    std::size_t convertText(std::u16string_view text, bool final, std::u16string& out) const override;
    std::size_t convertBytes(std::string_view bytes, bool final, std::string& out) const override;

    const ByteMap& map() const { return map_; }

private:
    ByteMap map_;
};

}  // namespace lettrica::textops
