#pragma once
// A byte map whose outputs are one to three bytes long, run with AVX-512
// byte permutes and compression (VBMI, VBMI2): each byte's three output
// bytes side by side, the ones its output lacks squeezed out, 21 bytes of
// input a step. The one-character converters (to Latin, the user tables)
// run it over Windows-1251 bytes and over UTF-8 squeezed to a byte a
// character.

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

    ~ExpandingByteMap();

private:
    ExpandingByteMap() = default;
    struct Tables;
    std::unique_ptr<Tables> tables_;
};

}  // namespace lettrica::text
