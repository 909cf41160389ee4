#pragma once
// The vector loop of the Latin -> Cyrillic converter over bytes (Windows-1251
// or UTF-8 input, Windows-1251 or UTF-8 output): 64 characters at a time,
// where the processor has AVX-512 with byte permutes and compression
// (VBMI, VBMI2). All rule characters are ASCII, so a UTF-8 character of
// several bytes passes byte by byte like any byte from 0x80 up.
//
// Per block: each rule's starts as a bit mask (compares of the first
// character and the shifted masks of its followers), the characters each
// start consumes taken out by compression, the results laid over the
// single-character map. Where a rule could begin inside another's followers
// ("jja", "Sch" holding "ch") the starts are settled left to right. A
// character whose output is more than one character (q, x) ends the block;
// the caller converts it a step at a time.

#include <cstddef>

namespace lettrica::translit::detail {

struct VectorTables {
    alignas(64) unsigned char single[128];  // the Windows-1251 byte each ASCII byte gives alone
    alignas(64) unsigned char rare[128];    // 0x80: gives more than one character
    alignas(64) unsigned char lead[128];    // UTF-8 of Windows-1251 byte 0x80 + i: first byte
    alignas(64) unsigned char cont[128];    // and second (every result letter takes two)
};

bool vectorLoopAvailable();

// Converts from s[pos] in blocks, while 64 bytes are left, steps begin
// before `limit`, and no more than `blocks` blocks; stops early in front of
// a rare character. Each block writes up to 128 bytes at `out` (in room the
// caller gives) and advances it by what it made. Returns the new position,
// which may lie up to two characters past `limit` when a rule took them.
std::size_t convertBlocks(bool gost, bool utf8Output, const VectorTables& tables, const unsigned char* s,
                          std::size_t n, std::size_t pos, std::size_t limit, char*& out, std::size_t blocks);

}  // namespace lettrica::translit::detail
