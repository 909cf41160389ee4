#include "text/expanding_byte_map.h"

#include <algorithm>

#include "text/simd_level.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define LETTRICA_EXPAND_AVX512 1
#else
#define LETTRICA_EXPAND_AVX512 0
#endif

namespace lettrica::text {

struct ExpandingByteMap::Tables {
    // Byte k of each byte's output, 0 where the output is shorter.
    alignas(64) unsigned char out[3][256] = {};
    // A step takes 21 bytes of one block of 63 and gives each three places:
    // the permutes that put the first and second output bytes of step g in
    // theirs, and the third ones.
    alignas(64) unsigned char pick12[3][64] = {};
    alignas(64) unsigned char pick3[3][64] = {};
};

ExpandingByteMap::~ExpandingByteMap() = default;

std::unique_ptr<const ExpandingByteMap> ExpandingByteMap::make(const std::uint64_t* packed) {
    if (!simdAllowed(SimdLevel::Avx512)) return nullptr;
    return makeUncapped(packed);
}

#if LETTRICA_EXPAND_AVX512

namespace {

bool available() {
    static const bool yes = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
                            __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
                            __builtin_cpu_supports("popcnt");
    return yes;
}

// Of the 63 places of a step, those of the first output bytes (always
// kept) and those of the second and third (kept where not 0).
constexpr std::uint64_t kFirsts = 0x1249249249249249ull;
constexpr std::uint64_t kThirds = 0x4924924924924924ull;
constexpr std::uint64_t kLater = 0x6DB6DB6DB6DB6DB6ull;

#define LETTRICA_EXPAND_CODE __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi,bmi2,popcnt")))

struct Registers {
    __m512i out[3][4];
    __m512i pick12[3], pick3[3];
};

// One step: the `here` (at most 21) bytes of group g of the looked-up block.
LETTRICA_EXPAND_CODE inline __attribute__((always_inline)) char* step(const Registers& r, const __m512i (&o)[3],
                                                                      int g, std::uint64_t places, char* dst) {
    __m512i s = _mm512_permutex2var_epi8(o[0], r.pick12[g], o[1]);
    s = _mm512_mask_permutexvar_epi8(s, kThirds, r.pick3[g], o[2]);
    const std::uint64_t keep = (kFirsts | (_mm512_test_epi8_mask(s, s) & kLater)) & places;
    _mm512_storeu_si512(dst, _mm512_maskz_compress_epi8(keep, s));
    return dst + _mm_popcnt_u64(keep);
}

// Each byte's three output bytes, by four permutes of 64 entries.
LETTRICA_EXPAND_CODE inline __attribute__((always_inline)) void lookUp(const Registers& r, __m512i v, __m512i (&o)[3]) {
    const __mmask64 high = _mm512_movepi8_mask(v);
    for (int k = 0; k < 3; ++k)
        o[k] = _mm512_mask_blend_epi8(high, _mm512_permutex2var_epi8(r.out[k][0], v, r.out[k][1]),
                                      _mm512_permutex2var_epi8(r.out[k][2], v, r.out[k][3]));
}

}  // namespace

std::unique_ptr<const ExpandingByteMap> ExpandingByteMap::makeUncapped(const std::uint64_t* packed) {
    if (!available()) return nullptr;
    auto tables = std::make_unique<Tables>();
    for (unsigned b = 0; b < 256; ++b) {
        const std::size_t length = static_cast<std::size_t>(packed[b] >> 56);
        if (length < 1 || length > 3) return nullptr;
        for (std::size_t k = 0; k < length; ++k) {
            tables->out[k][b] = static_cast<unsigned char>(packed[b] >> (8 * k));
            if (k > 0 && tables->out[k][b] == 0) return nullptr;
        }
    }
    for (unsigned g = 0; g < 3; ++g) {
        for (unsigned place = 0; place < 63; ++place) {
            const unsigned byte = 21 * g + place / 3, k = place % 3;
            tables->pick12[g][place] = static_cast<unsigned char>(k == 1 ? 64 + byte : byte);
            tables->pick3[g][place] = static_cast<unsigned char>(byte);
        }
    }
    std::unique_ptr<ExpandingByteMap> map(new ExpandingByteMap);
    map->tables_ = std::move(tables);
    return map;
}

namespace {
LETTRICA_EXPAND_CODE inline __attribute__((always_inline)) void load(const ExpandingByteMap::Tables& t, Registers& r) {
    for (int k = 0; k < 3; ++k)
        for (int q = 0; q < 4; ++q) r.out[k][q] = _mm512_load_si512(t.out[k] + 64 * q);
    for (int g = 0; g < 3; ++g) {
        r.pick12[g] = _mm512_load_si512(t.pick12[g]);
        r.pick3[g] = _mm512_load_si512(t.pick3[g]);
    }
}
}  // namespace

LETTRICA_EXPAND_CODE char* ExpandingByteMap::convert(const unsigned char* in, std::size_t n, char* dst) const {
    Registers r;
    load(*tables_, r);
    constexpr std::uint64_t kAll = ~0ull;
    __m512i o[3];
    std::size_t i = 0;
    for (; i + 64 <= n; i += 63) {
        lookUp(r, _mm512_loadu_si512(in + i), o);
        dst = step(r, o, 0, kAll, dst);
        dst = step(r, o, 1, kAll, dst);
        dst = step(r, o, 2, kAll, dst);
    }
    if (i < n) {
        // The last 63 bytes or fewer: a masked load reads nothing past the
        // input, and the places of bytes beyond it are left out.
        const std::size_t left = n - i;
        lookUp(r, _mm512_maskz_loadu_epi8((1ull << left) - 1, in + i), o);
        for (int g = 0; g < 3 && left > 21u * g; ++g) {
            const std::size_t here = left - 21 * g;
            dst = step(r, o, g, here >= 21 ? kAll : (1ull << (3 * here)) - 1, dst);
        }
    }
    return dst;
}

LETTRICA_EXPAND_CODE char* ExpandingByteMap::convertCyrillicUtf8(const unsigned char* utf8, std::size_t n, char* dst,
                                                                 std::size_t& taken) const {
    Registers r;
    load(*tables_, r);
    const __m512i leadBits = _mm512_set1_epi8(static_cast<char>(0xFE));
    const __m512i lead = _mm512_set1_epi8(static_cast<char>(0xD0));
    const __m512i d1 = _mm512_set1_epi8(static_cast<char>(0xD1));
    const __m512i c0 = _mm512_set1_epi8(static_cast<char>(0xC0));
    const __m512i raise = _mm512_set1_epi8(0x40);
    __m512i o[3];
    std::size_t i = 0;
    // A block: the bytes from i up to 63, a lead byte, or the end, and never
    // a lead whose second byte is beyond; at most 63 codes, three steps.
    for (;;) {
        const std::size_t left = n - i;
        const __m512i v = left >= 64 ? _mm512_loadu_si512(utf8 + i)
                                     : _mm512_maskz_loadu_epi8(_bzhi_u64(~0ull, static_cast<unsigned>(left)), utf8 + i);
        const std::uint64_t leads = _mm512_cmpeq_epi8_mask(_mm512_and_si512(v, leadBits), lead);
        const std::uint64_t other = _mm512_cmpge_epu8_mask(v, c0) & ~leads;
        std::size_t end = left < 63 ? left : 63;
        const bool stop = other != 0 && _tzcnt_u64(other) < end;
        if (stop) end = _tzcnt_u64(other);
        if (end > 0 && (leads >> (end - 1) & 1)) --end;  // its second byte is not in the block
        if (end == 0) break;
        const std::uint64_t codes = _bzhi_u64(~leads, static_cast<unsigned>(end));
        // The second byte of a character of D1 is its code less 0x40.
        const __m512i code = _mm512_mask_add_epi8(v, (_mm512_cmpeq_epi8_mask(v, d1) << 1) & codes, v, raise);
        lookUp(r, _mm512_maskz_compress_epi8(codes, code), o);
        const auto count = static_cast<unsigned>(_mm_popcnt_u64(codes));
        dst = step(r, o, 0, _bzhi_u64(~0ull, 3 * std::min(count, 21u)), dst);
        if (count > 21) dst = step(r, o, 1, _bzhi_u64(~0ull, 3 * std::min(count - 21, 21u)), dst);
        if (count > 42) dst = step(r, o, 2, _bzhi_u64(~0ull, 3 * (count - 42)), dst);
        i += end;
        if (stop || i == n) break;
    }
    taken = i;
    return dst;
}

#else

std::unique_ptr<const ExpandingByteMap> ExpandingByteMap::makeUncapped(const std::uint64_t*) { return nullptr; }
char* ExpandingByteMap::convert(const unsigned char*, std::size_t, char* dst) const { return dst; }
char* ExpandingByteMap::convertCyrillicUtf8(const unsigned char*, std::size_t, char* dst, std::size_t& taken) const {
    taken = 0;
    return dst;
}

#endif

}  // namespace lettrica::text
