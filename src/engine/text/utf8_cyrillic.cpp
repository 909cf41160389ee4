#include "text/utf8_cyrillic.h"

#include "text/avx2_pack.h"
#include "text/simd_level.h"

namespace lettrica::text {

namespace {

// A lead byte of the block: D0 (U+0400..U+043F) or D1 (U+0440..U+047F).
constexpr bool isCyrillicLead(unsigned c) { return (c & 0xFE) == 0xD0; }

std::size_t squeezeScalar(const unsigned char* p, std::size_t n, unsigned char* codes, std::size_t& taken) {
    std::size_t i = taken, k = 0;
    while (i < n) {
        const unsigned c = p[i];
        if (c < 0x80) {
            codes[k++] = static_cast<unsigned char>(c);
            ++i;
            continue;
        }
        if (!isCyrillicLead(c) || i + 1 >= n) break;
        // The continuation (80..BF) is the code in D0, 0x40 more in D1.
        codes[k++] = static_cast<unsigned char>(p[i + 1] + ((c & 1) << 6));
        i += 2;
    }
    taken = i;
    return k;
}

#if defined(__x86_64__) && defined(__GNUC__)
#define LETTRICA_SQUEEZE_AVX2 1

// 32 bytes at a time: the leads dropped, each continuation raised by 0x40
// after D1; a block ends before any byte of another kind and before a lead
// whose continuation is in the next block.
__attribute__((target("avx2,bmi,popcnt"))) std::size_t squeezeAvx2(const unsigned char* p, std::size_t n,
                                                                   unsigned char* codes, std::size_t& taken) {
    const __m256i leadBits = _mm256_set1_epi8(static_cast<char>(0xFE));
    const __m256i lead = _mm256_set1_epi8(static_cast<char>(0xD0));
    const __m256i d1 = _mm256_set1_epi8(static_cast<char>(0xD1));
    const __m256i c0 = _mm256_set1_epi8(static_cast<char>(0xC0));
    const __m256i raise = _mm256_set1_epi8(0x40);
    std::size_t i = 0;
    char* dst = reinterpret_cast<char*>(codes);
    while (i + 32 <= n) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
        const __m256i leads = _mm256_cmpeq_epi8(_mm256_and_si256(v, leadBits), lead);
        const __m256i high = _mm256_cmpeq_epi8(_mm256_max_epu8(v, c0), v);  // C0 and up: leads
        const auto other = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_andnot_si256(leads, high)));
        const auto leadMask = static_cast<std::uint32_t>(_mm256_movemask_epi8(leads));
        std::size_t end = other != 0 ? _tzcnt_u32(other) : 32;
        if (end > 0 && (leadMask >> (end - 1) & 1)) --end;
        if (end == 0) break;
        // The byte before each (the block begins with a whole character, so
        // its first needs none).
        const __m256i before = _mm256_alignr_epi8(v, _mm256_permute2x128_si256(v, v, 0x08), 15);
        const __m256i code = _mm256_add_epi8(v, _mm256_and_si256(_mm256_cmpeq_epi8(before, d1), raise));
        const std::uint32_t range = end == 32 ? ~0u : (1u << end) - 1;
        avx2::pack(code, ~leadMask & range, dst);
        i += end;
        if (other != 0 && end == _tzcnt_u32(other)) break;
    }
    taken = i;
    const std::size_t k = static_cast<std::size_t>(dst - reinterpret_cast<char*>(codes));
    return k + squeezeScalar(p, n, codes + k, taken);
}

bool haveAvx2() {
    static const bool have = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
                             __builtin_cpu_supports("popcnt");
    return have;
}
#else
#define LETTRICA_SQUEEZE_AVX2 0
#endif

}  // namespace

bool squeezePathAvailable(SqueezePath path) {
#if LETTRICA_SQUEEZE_AVX2
    if (path == SqueezePath::Avx2) return haveAvx2();
#endif
    return path == SqueezePath::Scalar;
}

std::size_t squeezeCyrillicWith(SqueezePath path, std::string_view bytes, unsigned char* codes, std::size_t& taken) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    taken = 0;
#if LETTRICA_SQUEEZE_AVX2
    if (path == SqueezePath::Avx2) return squeezeAvx2(p, bytes.size(), codes, taken);
#endif
    (void)path;
    return squeezeScalar(p, bytes.size(), codes, taken);
}

std::size_t squeezeCyrillic(std::string_view bytes, unsigned char* codes, std::size_t& taken) {
    static const SqueezePath best = squeezePathAvailable(SqueezePath::Avx2) && simdAllowed(SimdLevel::Avx2)
                                        ? SqueezePath::Avx2
                                        : SqueezePath::Scalar;
    return squeezeCyrillicWith(best, bytes, codes, taken);
}

}  // namespace lettrica::text
