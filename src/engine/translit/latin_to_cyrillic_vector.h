#pragma once
// The vector loop of the Latin -> Cyrillic converter over bytes (Windows-1251
// or UTF-8 input, Windows-1251 or UTF-8 output): 62 characters a block,
// where the processor has AVX-512 with byte permutes and compression
// (VBMI, VBMI2). All rule characters are ASCII, so a UTF-8 character of
// several bytes passes byte by byte like any byte from 0x80 up.
//
// Per block, three table look-ups do the rules of two characters: the class
// of each character as a first one, the class of the one after it as a
// follower, and the pair of classes to the rule's letter. The few rules of
// three characters are compares on top. The characters each rule consumes
// are taken out by compression. Where a rule could begin inside another's
// followers ("jja", "Sch" holding "ch") the starts are settled left to right.
// A character whose output is more than one character (q, x) ends the block;
// the caller converts it a step at a time.

#include <cstddef>
#include <memory>

namespace lettrica::translit {

namespace latin {
struct System;
}

namespace detail {

struct VectorTables;
struct VectorTablesDeleter {
    void operator()(VectorTables* t) const;
};
using VectorTablesPtr = std::unique_ptr<VectorTables, VectorTablesDeleter>;

// The tables of a system, or nothing where the processor lacks the loop.
VectorTablesPtr makeVectorTables(const latin::System& system);

// Converts from s[pos] in blocks, while 66 bytes are left, steps begin
// before `limit`, and no more than `blocks` blocks; stops early in front of
// a rare character. Each block writes up to 128 bytes at `out` (in room the
// caller gives) and advances it by what it made. Returns the new position,
// which may lie up to two characters past `limit` when a rule took them.
std::size_t convertBlocks(const VectorTables& tables, bool utf8Output, const unsigned char* s, std::size_t n,
                          std::size_t pos, std::size_t limit, char*& out, std::size_t blocks);

}  // namespace detail
}  // namespace lettrica::translit
