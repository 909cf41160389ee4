#pragma once
// The vector loops of the Latin -> Cyrillic converter over bytes (Windows-1251
// or UTF-8 input, Windows-1251 or UTF-8 output), made from the same rule
// lists as the table loop. All rule characters are ASCII, so a UTF-8
// character of several bytes passes byte by byte like any byte from 0x80 up.
// A character whose output is more than one character (q, x) ends a block;
// the caller converts it a step at a time.
//
// Two loops: AVX-512 with byte permutes and compression (VBMI, VBMI2), 62
// characters a block, and AVX2, 32 a block.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace lettrica::translit {

namespace latin {
struct System;
}

namespace detail {

class VectorLoop {
public:
    VectorLoop(std::size_t reach, std::size_t blockOutput) : reach(reach), blockOutput(blockOutput) {}
    virtual ~VectorLoop() = default;

    const std::size_t reach;        // bytes a block reads from its start
    const std::size_t blockOutput;  // the most one block writes, with its stores' slack

    // Converts from s[pos] in blocks, while `reach` bytes are left, steps
    // begin before `limit`, and no more than `blocks` blocks; stops early in
    // front of a rare character. Writes at `out` (in room the caller gives)
    // and advances it by what it made. Returns the new position, which may
    // lie up to two characters past `limit` when a rule took them.
    virtual std::size_t convert(bool utf8Output, const unsigned char* s, std::size_t n, std::size_t pos,
                                std::size_t limit, char*& out, std::size_t blocks) const = 0;
};
using VectorLoopPtr = std::unique_ptr<const VectorLoop>;

// Of the positions where a rule could begin (`three`: one of three
// characters), those that stand when they are taken left to right: a start
// inside another's followers ("jja", "Sch" holding "ch") falls.
inline std::uint64_t settleStarts(std::uint64_t starts, std::uint64_t three) {
    std::uint64_t kept = 0;
    unsigned free = 0;  // the first position no kept start has consumed
    while (starts != 0) {
        const auto at = static_cast<unsigned>(std::countr_zero(starts));
        starts &= starts - 1;
        if (at < free) continue;
        kept |= std::uint64_t{1} << at;
        free = at + ((three >> at) & 1 ? 3 : 2);
    }
    return kept;
}

// The loop for a system, or nothing where the processor lacks it.
VectorLoopPtr makeAvx512Loop(const latin::System& system);
VectorLoopPtr makeAvx2Loop(const latin::System& system);

}  // namespace detail
}  // namespace lettrica::translit
