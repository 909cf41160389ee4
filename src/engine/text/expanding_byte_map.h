#pragma once
// A byte map whose outputs are one to three bytes long, run with AVX-512
// byte permutes and compression (VBMI, VBMI2): each byte's three output
// bytes side by side, the ones its output lacks squeezed out, 21 bytes of
// input a step. The one-character converters (to Latin, the user tables)
// run it over Windows-1251 bytes and over Russian UTF-8, squeezed to a
// byte a character on the way.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace lettrica::text {

class ExpandingByteMap {
public:
    // `packed`: for each byte, its output in the low bytes of a word and the
    // output's length in the top byte (the converters' packed words). Null
    // where the processor lacks the instructions, LETTRICA_SIMD caps them,
    // or an output does not fit: empty, longer than three bytes, or with a
    // NUL after its first byte (a NUL there reads as "no byte").
    static std::unique_ptr<const ExpandingByteMap> make(const std::uint64_t* packed);
    // The same whatever LETTRICA_SIMD says, for tests on every processor
    // that has the instructions.
    static std::unique_ptr<const ExpandingByteMap> makeUncapped(const std::uint64_t* packed);

    // The outputs of the n bytes at `in`, written at `dst`, which has room
    // for 3 * n + 64 bytes (each step stores 64). Returns the end of what
    // it wrote.
    char* convert(const unsigned char* in, std::size_t n, char* dst) const;

    // For a map over the one-byte codes of text/utf8_cyrillic.h: squeezes
    // and maps in one pass the characters at the start of the n bytes of
    // valid UTF-8 at `utf8` that are ASCII or of U+0400..U+047F, up to the
    // first of any other kind or one cut at the end, as squeezeCyrillic()
    // finds them. Writes at `dst` (room for 3 * n + 64); returns the end of
    // what it wrote, and in `taken` the bytes it read.
    char* convertCyrillicUtf8(const unsigned char* utf8, std::size_t n, char* dst, std::size_t& taken) const;

    ~ExpandingByteMap();

    struct Tables;

private:
    ExpandingByteMap() = default;
    std::unique_ptr<Tables> tables_;
};

}  // namespace lettrica::text
