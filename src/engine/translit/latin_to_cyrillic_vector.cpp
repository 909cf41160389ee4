#include "translit/latin_to_cyrillic_vector.h"

#include <cstdint>
#include <utility>

#include "translit/latin_rules.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define LETTRICA_LATIN_VECTOR 1
#else
#define LETTRICA_LATIN_VECTOR 0
#endif

namespace lettrica::translit::detail {

#if LETTRICA_LATIN_VECTOR

namespace {

// The masks below compare a set of two characters as one letter in either
// case (through the bytes with 0x20 set) and a set of one exactly; a capital
// result is its small one less 0x20 (Ё aside), and only letters have one.
constexpr bool comparable(std::string_view set) {
    if (set.size() == 1) return true;
    return set.size() == 2 && set[0] >= 'A' && set[0] <= 'Z' && set[1] == set[0] + 32;
}
constexpr bool fitsTheLoop(const latin::Rule& r) {
    const bool letter = r.first.size() == 2;
    const bool cases = r.capital == r.small ? !letter
                       : r.capital == u'Ё'  ? r.small == u'ё'
                                            : latin::cp1251Of(r.capital) + 0x20 == latin::cp1251Of(r.small);
    return comparable(r.first) && comparable(r.second) && (r.third.empty() || comparable(r.third)) && cases;
}
template <std::size_t N>
constexpr bool fitTheLoop(const latin::Rule (&rules)[N]) {
    for (const latin::Rule& r : rules)
        if (!fitsTheLoop(r)) return false;
    return true;
}
static_assert(fitTheLoop(latin::kGostRules));
static_assert(fitTheLoop(latin::kAngloRules));

// Every function here runs only where vectorLoopAvailable() said so.
#define LETTRICA_VECTOR_CODE __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi,bmi2,popcnt")))
#define LETTRICA_VECTOR_INLINE LETTRICA_VECTOR_CODE inline __attribute__((always_inline))

LETTRICA_VECTOR_INLINE std::uint64_t positionsOf(std::string_view set, __m512i v, __m512i folded) {
    if (set.size() == 2) return _mm512_cmpeq_epi8_mask(folded, _mm512_set1_epi8(set[1]));
    return _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(set[0]));
}

// Starts of each rule in the block, the earlier rule winning at a position.
template <const latin::Rule* Rules, std::size_t I, std::size_t Count>
LETTRICA_VECTOR_INLINE void ruleStart(__m512i v, __m512i folded, std::uint64_t range, std::uint64_t (&starts)[Count],
                                      std::uint64_t& any, std::uint64_t& three) {
    constexpr latin::Rule rule = Rules[I];
    std::uint64_t m = positionsOf(rule.first, v, folded) & (positionsOf(rule.second, v, folded) >> 1);
    if constexpr (!rule.third.empty()) m &= positionsOf(rule.third, v, folded) >> 2;
    m &= range & ~any;
    starts[I] = m;
    any |= m;
    if constexpr (rule.span() == 3) three |= m;
}

template <const latin::Rule* Rules, std::size_t... I>
LETTRICA_VECTOR_INLINE void ruleStarts(__m512i v, __m512i folded, std::uint64_t range,
                                       std::uint64_t (&starts)[sizeof...(I)], std::uint64_t& any, std::uint64_t& three,
                                       std::index_sequence<I...>) {
    any = 0;
    three = 0;
    (ruleStart<Rules, I>(v, folded, range, starts, any, three), ...);
}

// Each rule's small letter at its starts; capitals follow, since every
// capital letter of Windows-1251 is its small letter less 0x20 (but Ё, A8
// against B8). Starts at a capital are all letter rules.
template <const latin::Rule* Rules, std::size_t... I>
LETTRICA_VECTOR_INLINE __m512i layResults(__m512i out, const std::uint64_t (&starts)[sizeof...(I)],
                                          std::uint64_t capitals, std::index_sequence<I...>) {
    ((out = _mm512_mask_mov_epi8(out, starts[I], _mm512_set1_epi8(static_cast<char>(latin::cp1251Of(Rules[I].small))))),
     ...);
    std::uint64_t any = 0;
    ((any |= starts[I]), ...);
    const std::uint64_t raised = any & capitals;
    out = _mm512_mask_sub_epi8(out, raised, out, _mm512_set1_epi8(0x20));
    constexpr bool hasYo = ((Rules[I].capital == u'Ё') || ...);
    if constexpr (hasYo) {
        const std::uint64_t yo = raised & _mm512_cmpeq_epi8_mask(out, _mm512_set1_epi8(static_cast<char>(0xB8 - 0x20)));
        out = _mm512_mask_mov_epi8(out, yo, _mm512_set1_epi8(static_cast<char>(0xA8)));
    }
    return out;
}

// Starts that overlap (one inside another's followers) settled left to right.
template <std::size_t Count>
LETTRICA_VECTOR_CODE void settle(std::uint64_t (&starts)[Count], std::uint64_t& any, std::uint64_t& three) {
    std::uint64_t kept = 0, keptThree = 0, rest = any;
    std::size_t free = 0;  // the first position no kept start has consumed
    while (rest != 0) {
        const std::size_t at = _tzcnt_u64(rest);
        rest &= rest - 1;
        if (at < free) continue;
        const std::uint64_t bit = std::uint64_t{1} << at;
        kept |= bit;
        const bool long3 = (three & bit) != 0;
        if (long3) keptThree |= bit;
        free = at + (long3 ? 3 : 2);
    }
    for (std::uint64_t& s : starts) s &= kept;
    any = kept;
    three = keptThree;
}

template <const latin::Rule* Rules, std::size_t Count, bool Utf8>
LETTRICA_VECTOR_CODE std::size_t blocks(const VectorTables& t, const unsigned char* s, std::size_t n, std::size_t pos, std::size_t limit,
                   char*& out, std::size_t count) {
    using Seq = std::make_index_sequence<Count>;
    const __m512i singleLo = _mm512_load_si512(t.single), singleHi = _mm512_load_si512(t.single + 64);
    const __m512i rareLo = _mm512_load_si512(t.rare), rareHi = _mm512_load_si512(t.rare + 64);
    const __m512i fold = _mm512_set1_epi8(0x20), high = _mm512_set1_epi8(static_cast<char>(0x80));
    const __m512i letterA = _mm512_set1_epi8('A'), letters = _mm512_set1_epi8(26);
    char* dst = out;
    // Blocks follow each other 62 bytes apart whatever their rules did, so
    // that the next block's work need not wait for this one's: only the
    // characters a rule took beyond the block pass on, as a mask.
    std::uint64_t taken = 0;
    for (; count > 0 && pos + 64 <= n && pos < limit; --count) {
        const __m512i v = _mm512_loadu_si512(s + pos);
        const __m512i folded = _mm512_or_si512(v, fold);
        const std::uint64_t above = _mm512_movepi8_mask(v);  // 0x80 and up: kept as they are
        const std::uint64_t rare =
            _mm512_test_epi8_mask(_mm512_permutex2var_epi8(rareLo, v, rareHi), high) & ~above & ~taken;

        // Steps begin in [0, end): 62 leaves room for two followers.
        std::size_t end = limit - pos < 62 ? limit - pos : 62;
        const std::size_t firstRare = _tzcnt_u64(rare);
        if (firstRare < end) end = firstRare;
        if (end == 0) break;
        const std::uint64_t range = ((std::uint64_t{1} << end) - 1) & ~taken;

        std::uint64_t starts[Count], any, three;
        ruleStarts<Rules>(v, folded, range, starts, any, three, Seq{});
        std::uint64_t consumed = (any << 1) | (three << 2);
        if ((any & consumed) != 0) {
            // A start nothing can consume stands, and the starts it consumes
            // fall ("Sch" holding "ch"); only longer chains need settling.
            const std::uint64_t sure = any & ~consumed;
            const std::uint64_t fallen = any & ((sure << 1) | ((three & sure) << 2));
            if ((any & ~sure & ~fallen) == 0) {
                for (std::uint64_t& m : starts) m &= sure;
                any = sure;
                three &= sure;
            } else {
                settle(starts, any, three);
            }
            consumed = (any << 1) | (three << 2);
        }
        const std::uint64_t capitals = _mm512_cmplt_epu8_mask(_mm512_sub_epi8(v, letterA), letters);
        __m512i o = _mm512_mask_mov_epi8(_mm512_permutex2var_epi8(singleLo, v, singleHi), above, v);
        o = layResults<Rules>(o, starts, capitals, Seq{});

        const std::uint64_t keep = range & ~consumed;
        if constexpr (!Utf8) {
            _mm512_storeu_si512(dst, _mm512_maskz_compress_epi8(keep, o));
            dst += _mm_popcnt_u64(keep);
        } else {
            // A letter made here takes two bytes, lead and continuation,
            // interleaved and then compressed with everything else.
            const __m512i leadLo = _mm512_load_si512(t.lead), leadHi = _mm512_load_si512(t.lead + 64);
            const __m512i contLo = _mm512_load_si512(t.cont), contHi = _mm512_load_si512(t.cont + 64);
            const std::uint64_t two = keep & ~above & _mm512_movepi8_mask(o);
            const __m512i lead = _mm512_mask_mov_epi8(o, two, _mm512_permutex2var_epi8(leadLo, o, leadHi));
            const __m512i cont = _mm512_permutex2var_epi8(contLo, o, contHi);
            alignas(64) static constexpr unsigned char kFirstHalf[64] = {
#define LETTRICA_PAIR(i) i, 64 + i
                LETTRICA_PAIR(0), LETTRICA_PAIR(1), LETTRICA_PAIR(2), LETTRICA_PAIR(3), LETTRICA_PAIR(4),
                LETTRICA_PAIR(5), LETTRICA_PAIR(6), LETTRICA_PAIR(7), LETTRICA_PAIR(8), LETTRICA_PAIR(9),
                LETTRICA_PAIR(10), LETTRICA_PAIR(11), LETTRICA_PAIR(12), LETTRICA_PAIR(13), LETTRICA_PAIR(14),
                LETTRICA_PAIR(15), LETTRICA_PAIR(16), LETTRICA_PAIR(17), LETTRICA_PAIR(18), LETTRICA_PAIR(19),
                LETTRICA_PAIR(20), LETTRICA_PAIR(21), LETTRICA_PAIR(22), LETTRICA_PAIR(23), LETTRICA_PAIR(24),
                LETTRICA_PAIR(25), LETTRICA_PAIR(26), LETTRICA_PAIR(27), LETTRICA_PAIR(28), LETTRICA_PAIR(29),
                LETTRICA_PAIR(30), LETTRICA_PAIR(31)};
#undef LETTRICA_PAIR
            const __m512i firstHalf = _mm512_load_si512(kFirstHalf);
            const __m512i secondHalf = _mm512_add_epi8(firstHalf, _mm512_set1_epi8(32));
            const __m512i lo = _mm512_permutex2var_epi8(lead, firstHalf, cont);
            const __m512i hi = _mm512_permutex2var_epi8(lead, secondHalf, cont);
            constexpr std::uint64_t kEven = 0x5555555555555555ull, kOdd = 0xAAAAAAAAAAAAAAAAull;
            const std::uint64_t keepLo = _pdep_u64(keep, kEven) | _pdep_u64(two, kOdd);
            const std::uint64_t keepHi = _pdep_u64(keep >> 32, kEven) | _pdep_u64(two >> 32, kOdd);
            _mm512_storeu_si512(dst, _mm512_maskz_compress_epi8(keepLo, lo));
            dst += _mm_popcnt_u64(keepLo);
            _mm512_storeu_si512(dst, _mm512_maskz_compress_epi8(keepHi, hi));
            dst += _mm_popcnt_u64(keepHi);
        }
        pos += end;
        taken = consumed >> end;
    }
    out = dst;
    return pos + _mm_popcnt_u64(taken);
}

#undef LETTRICA_VECTOR_INLINE
#undef LETTRICA_VECTOR_CODE

}  // namespace

bool vectorLoopAvailable() {
    static const bool available = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                                  __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
                                  __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
    return available;
}

std::size_t convertBlocks(bool gost, bool utf8Output, const VectorTables& tables, const unsigned char* s,
                          std::size_t n, std::size_t pos, std::size_t limit, char*& out, std::size_t count) {
    constexpr std::size_t kGost = std::size(latin::kGostRules), kAnglo = std::size(latin::kAngloRules);
    if (gost)
        return utf8Output ? blocks<latin::kGostRules, kGost, true>(tables, s, n, pos, limit, out, count)
                          : blocks<latin::kGostRules, kGost, false>(tables, s, n, pos, limit, out, count);
    return utf8Output ? blocks<latin::kAngloRules, kAnglo, true>(tables, s, n, pos, limit, out, count)
                      : blocks<latin::kAngloRules, kAnglo, false>(tables, s, n, pos, limit, out, count);
}

#else

bool vectorLoopAvailable() { return false; }

std::size_t convertBlocks(bool, bool, const VectorTables&, const unsigned char*, std::size_t, std::size_t pos,
                          std::size_t, char*&, std::size_t) {
    return pos;
}

#endif

}  // namespace lettrica::translit::detail
