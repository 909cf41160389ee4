#include "textops/byte_map.h"

#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#define LETTRICA_BYTE_MAP_SIMD 1
#include <immintrin.h>
#else
#define LETTRICA_BYTE_MAP_SIMD 0
#endif

#include "text/cp1251.h"
#include "text/simd_level.h"

namespace lettrica::textops {

namespace {
translit::CharMap charMapOf(const ByteMap& map) {
    translit::CharMap chars;
    for (int b = 0; b < 256; ++b)
        if (map[b] != b) chars[b] = std::u16string(1, text::cp1251ToUnicode(map[b]));
    return chars;
}
}  // namespace

namespace {

void mapBytesPortable(const ByteMap& map, const char* in, char* out, std::size_t size) {
    const std::uint8_t* table = map.data();
    // Eight bytes per round: one load and one store instead of eight of each,
    // which leaves the table look-ups as the only per-byte memory traffic.
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, in + i, 8);
        std::uint64_t mapped = 0;
        for (int k = 0; k < 8; ++k)
            mapped |= static_cast<std::uint64_t>(table[(word >> (8 * k)) & 0xFF]) << (8 * k);
        std::memcpy(out + i, &mapped, 8);
    }
    for (; i < size; ++i) out[i] = static_cast<char>(table[static_cast<unsigned char>(in[i])]);
}

#if LETTRICA_BYTE_MAP_SIMD
// AVX2: a 16-byte shuffle looks up one row of sixteen entries, so only the
// rows that differ from the identity cost anything (four for Win <-> Koi,
// eight for the DOS tables, twelve for the case maps).
__attribute__((target("avx2"))) void mapBytesAvx2(const ByteMap& map, const char* in, char* out,
                                                  std::size_t size) {
    __m256i rows[16], ids[16];
    int count = 0;
    for (int h = 0; h < 16; ++h) {
        bool identity = true;
        for (int k = 0; k < 16; ++k) identity = identity && map[16 * h + k] == 16 * h + k;
        if (identity) continue;
        rows[count] = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&map[16 * h])));
        ids[count] = _mm256_set1_epi8(static_cast<char>(h));
        ++count;
    }
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    std::size_t i = 0;
    for (; i + 32 <= size; i += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
        const __m256i high = _mm256_and_si256(_mm256_srli_epi16(x, 4), nibble);
        const __m256i low = _mm256_and_si256(x, nibble);
        __m256i r = x;
        for (int k = 0; k < count; ++k)
            r = _mm256_blendv_epi8(r, _mm256_shuffle_epi8(rows[k], low), _mm256_cmpeq_epi8(high, ids[k]));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), r);
    }
    mapBytesPortable(map, in + i, out + i, size - i);
}

// AVX-512 VBMI: the whole table sits in four registers; two 128-entry
// permutes and a blend on the top bit map 64 bytes at a time.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void mapBytesVbmi(const ByteMap& map, const char* in,
                                                                         char* out, std::size_t size) {
    const std::uint8_t* table = map.data();
    const __m512i t0 = _mm512_loadu_si512(table);
    const __m512i t1 = _mm512_loadu_si512(table + 64);
    const __m512i t2 = _mm512_loadu_si512(table + 128);
    const __m512i t3 = _mm512_loadu_si512(table + 192);
    std::size_t i = 0;
    for (; i + 64 <= size; i += 64) {
        const __m512i x = _mm512_loadu_si512(in + i);
        const __m512i low = _mm512_permutex2var_epi8(t0, x, t1);
        const __m512i high = _mm512_permutex2var_epi8(t2, x, t3);
        _mm512_storeu_si512(out + i, _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), low, high));
    }
    if (i < size) {
        const __mmask64 rest = (1ULL << (size - i)) - 1;  // fewer than 64 left
        const __m512i x = _mm512_maskz_loadu_epi8(rest, in + i);
        const __m512i low = _mm512_permutex2var_epi8(t0, x, t1);
        const __m512i high = _mm512_permutex2var_epi8(t2, x, t3);
        _mm512_mask_storeu_epi8(out + i, rest, _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), low, high));
    }
}
#endif

// What the processor has.
detail::BytePath processorPath() {
#if LETTRICA_BYTE_MAP_SIMD
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vbmi"))
        return detail::BytePath::Vbmi;
    if (__builtin_cpu_supports("avx2")) return detail::BytePath::Avx2;
#endif
    return detail::BytePath::Portable;
}

// What mapBytes takes: the processor's best within the cap.
detail::BytePath bestPath() {
    const detail::BytePath path = processorPath();
    if (path == detail::BytePath::Vbmi && !text::simdAllowed(text::SimdLevel::Avx512)) return detail::BytePath::Avx2;
    if (path == detail::BytePath::Avx2 && !text::simdAllowed(text::SimdLevel::Avx2)) return detail::BytePath::Portable;
    return path;
}

}  // namespace

bool detail::bytePathAvailable(BytePath path) {
    static const BytePath best = processorPath();
    return static_cast<int>(path) <= static_cast<int>(best);
}

void detail::mapBytesWith(BytePath path, const ByteMap& map, const char* in, char* out, std::size_t size) {
    switch (path) {
#if LETTRICA_BYTE_MAP_SIMD
        case BytePath::Vbmi:
            return mapBytesVbmi(map, in, out, size);
        case BytePath::Avx2:
            return mapBytesAvx2(map, in, out, size);
#endif
        default:
            return mapBytesPortable(map, in, out, size);
    }
}

void mapBytes(const ByteMap& map, const char* in, char* out, std::size_t size) {
    static const detail::BytePath best = bestPath();
    detail::mapBytesWith(best, map, in, out, size);
}

std::string mapBytes(const ByteMap& map, std::string_view bytes) {
    std::string out(bytes.size(), '\0');
    mapBytes(map, bytes.data(), out.data(), bytes.size());
    return out;
}

char16_t mapChar(const ByteMap& map, char16_t ch) {
    int b = text::unicodeToCp1251(ch);
    return b < 0 ? ch : text::cp1251ToUnicode(map[b]);
}

namespace {
void appendMapped(const ByteMap& map, std::u16string_view text, std::u16string& out) {
    const std::size_t base = out.size();
    out.resize(base + text.size());
    char16_t* dst = out.data() + base;
    for (char16_t ch : text) *dst++ = mapChar(map, ch);
}
}  // namespace

std::u16string mapText(const ByteMap& map, std::u16string_view text) {
    std::u16string out;
    appendMapped(map, text, out);
    return out;
}

ByteMapConverter::ByteMapConverter(const ByteMap& map) : CharMapConverter(charMapOf(map)), map_(map) {}

std::size_t ByteMapConverter::convertText(std::u16string_view text, bool, std::u16string& out) const {
    appendMapped(map_, text, out);
    return text.size();
}

std::size_t ByteMapConverter::convertBytes(std::string_view bytes, bool, std::string& out) const {
    const std::size_t base = out.size();
    out.resize(base + bytes.size());
    mapBytes(map_, bytes.data(), out.data() + base, bytes.size());
    return bytes.size();
}

}  // namespace lettrica::textops
