#pragma once
// Packing bytes with AVX2: the bytes a mask keeps moved to the front of each
// 16-byte lane, by two shuffles from tables of patterns (eight bytes at a
// time, then the two halves of a lane joined). For the engine's AVX2 loops
// only: every function here needs a processor with AVX2 and POPCNT, which
// the caller has made sure of.

#if defined(__x86_64__) && defined(__GNUC__)

#include <immintrin.h>

#include <cstdint>

#define LETTRICA_AVX2_PACK __attribute__((target("avx2,popcnt"))) inline

namespace lettrica::text::avx2 {

// For each mask of eight bytes, the places of the bytes it keeps, first,
// then zeros; the second table for the upper eight of a lane.
struct PackPatterns {
    std::uint64_t of[256] = {};
    constexpr explicit PackPatterns(unsigned base) {
        for (unsigned mask = 0; mask < 256; ++mask) {
            unsigned count = 0;
            for (unsigned b = 0; b < 8; ++b)
                if (mask >> b & 1) of[mask] |= std::uint64_t{base + b} << (8 * count++);
            for (; count < 8; ++count) of[mask] |= std::uint64_t{0x80} << (8 * count);
        }
    }
};
inline constexpr PackPatterns kPackLow(0), kPackHigh(8);

// Joins the two packed halves of a lane: the first `count` bytes stay, the
// second half's bytes follow them, then zeros.
struct JoinPatterns {
    alignas(16) unsigned char of[9][16] = {};
    constexpr JoinPatterns() {
        for (unsigned count = 0; count <= 8; ++count)
            for (unsigned j = 0; j < 16; ++j)
                of[count][j] = static_cast<unsigned char>(j < count ? j : j - count + 8 < 16 ? j - count + 8 : 0x80);
    }
};
inline constexpr JoinPatterns kJoin;

// A 16-byte table in both lanes.
LETTRICA_AVX2_PACK __m256i table16(const unsigned char* table) {
    return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(table)));
}

// Two 16-byte tables, one a lane. Loads and a blend: on many processors
// shuffles (inserts among them) share one port with the work itself.
LETTRICA_AVX2_PACK __m256i lanes(const unsigned char* low, const unsigned char* high) {
    return _mm256_blend_epi32(table16(low), table16(high), 0xF0);
}

// A pattern of eight bytes in each quarter.
LETTRICA_AVX2_PACK __m256i quarters(std::uint64_t pattern) {
    return _mm256_set1_epi64x(static_cast<long long>(pattern));
}

// The shuffles that pack what a mask of 32 bytes keeps.
struct Packing {
    __m256i groups, join;
    unsigned lo, hi;  // bytes left in the low lane, in the high one
};

LETTRICA_AVX2_PACK Packing packingOf(std::uint32_t keep) {
    const unsigned m0 = keep & 0xFF, m1 = keep >> 8 & 0xFF, m2 = keep >> 16 & 0xFF, m3 = keep >> 24;
    const unsigned c0 = static_cast<unsigned>(_mm_popcnt_u32(m0)), c2 = static_cast<unsigned>(_mm_popcnt_u32(m2));
    const __m256i groups =
        _mm256_blend_epi32(_mm256_blend_epi32(quarters(kPackLow.of[m0]), quarters(kPackHigh.of[m1]), 0x0C),
                           _mm256_blend_epi32(quarters(kPackLow.of[m2]), quarters(kPackHigh.of[m3]), 0xC0), 0xF0);
    return {groups, lanes(kJoin.of[c0], kJoin.of[c2]), c0 + static_cast<unsigned>(_mm_popcnt_u32(m1)),
            c2 + static_cast<unsigned>(_mm_popcnt_u32(m3))};
}

LETTRICA_AVX2_PACK __m256i packWith(const Packing& p, __m256i bytes) {
    return _mm256_shuffle_epi8(_mm256_shuffle_epi8(bytes, p.groups), p.join);
}

// Writes 16 bytes of which the first `count` count; advances past them.
LETTRICA_AVX2_PACK void put(__m128i bytes, unsigned count, char*& dst) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), bytes);
    dst += count;
}

// Writes the bytes `keep` marks, in order, and up to 32 beyond.
LETTRICA_AVX2_PACK void pack(__m256i bytes, std::uint32_t keep, char*& dst) {
    const Packing packing = packingOf(keep);
    const __m256i packed = packWith(packing, bytes);
    put(_mm256_castsi256_si128(packed), packing.lo, dst);
    put(_mm256_extracti128_si256(packed, 1), packing.hi, dst);
}

}  // namespace lettrica::text::avx2

#undef LETTRICA_AVX2_PACK

#endif
