// The AVX-512 loop: 62 characters a block, where the processor has byte
// permutes and compression (VBMI, VBMI2).
//
// Per block, three table look-ups do the rules of two characters: the class
// of each character as a first one, the class of the one after it as a
// follower, and the pair of classes to the rule's letter. The few rules of
// three characters are compares on top. The characters each rule consumes
// are taken out by compression. Where a rule could begin inside another's
// followers ("jja", "Sch" holding "ch") the starts are settled left to right.

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "text/cp1251.h"
#include "translit/latin_rules.h"
#include "translit/latin_to_cyrillic_vector.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define LETTRICA_LATIN_AVX512 1
#else
#define LETTRICA_LATIN_AVX512 0
#endif

namespace lettrica::translit::detail {

#if LETTRICA_LATIN_AVX512

namespace {

// Every table has an entry per ASCII byte, the index of a byte permute.
struct VectorTables {
    alignas(64) unsigned char single[128];  // the Windows-1251 byte each gives alone (itself when kept)
    alignas(64) unsigned char rare[128];    // 0x80: gives more than one character
    alignas(64) unsigned char first[128];   // its class as a first character, times 16; 0: begins nothing
    alignas(64) unsigned char second[128];  // its class as a follower, 1..15; 0: follows nothing
    alignas(64) unsigned char pair[128];    // by first | second: the small letter of the rule of two, or 0
    alignas(64) unsigned char third[128];   // bit k: may end rule of three k
    alignas(64) unsigned char lead[128];    // UTF-8 of Windows-1251 byte 0x80 + i: first byte
    alignas(64) unsigned char cont[128];    // and second (every letter a rule makes takes two)
    struct Long {
        unsigned char pair;   // the index into `pair` of its first two characters
        unsigned char small;  // its small letter
    };
    Long longs[4];
    std::size_t longCount = 0;
};

bool available() {
    static const bool yes = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
                            __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
    return yes;
}

// Characters fall into classes by the sets they belong to, so that "H" and
// "h", found in the same sets, are one class. Returns the class of each
// ASCII byte, 0 for none, counting up from 1.
template <class Sets>
std::array<unsigned char, 128> classes(const Sets& setsOf, std::size_t ruleCount, std::size_t most) {
    std::array<std::uint32_t, 128> signature{};
    for (unsigned c = 0; c < 128; ++c)
        for (std::size_t i = 0; i < ruleCount; ++i)
            if (latin::inSet(setsOf(i), c)) signature[c] |= 1u << i;
    std::array<unsigned char, 128> cls{};
    std::array<std::uint32_t, 16> seen{};
    std::size_t count = 0;
    for (unsigned c = 0; c < 128; ++c) {
        if (signature[c] == 0) continue;
        std::size_t k = 0;
        while (k < count && seen[k] != signature[c]) ++k;
        if (k == count) {
            if (count == most) throw std::logic_error("too many character classes for the vector loop");
            seen[count++] = signature[c];
        }
        cls[c] = static_cast<unsigned char>(k + 1);
    }
    return cls;
}

// A representative byte of a class.
unsigned char memberOf(const std::array<unsigned char, 128>& cls, unsigned k) {
    for (unsigned c = 0; c < 128; ++c)
        if (cls[c] == k) return static_cast<unsigned char>(c);
    return 0;
}

// Every function from here runs only where available() said so.
#define LETTRICA_VECTOR_CODE __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi,bmi2,popcnt")))

// The tables, loaded once per call.
struct Registers {
    __m512i singleLo, singleHi, firstLo, firstHi, secondLo, secondHi, pairLo, pairHi, thirdLo, thirdHi;
    __m512i leadLo, leadHi, contLo, contHi;
};

// One block at p: steps begin at the positions of `range`, the first `end`
// of the block but those a rule of the block before has taken. Writes what
// they make at dst and returns the positions from `end` on that its rules
// have taken, as the next block's `taken`.
template <bool Utf8>
LETTRICA_VECTOR_CODE inline __attribute__((always_inline)) std::uint64_t convertBlock(
    const VectorTables& t, const Registers& r, const unsigned char* p, __m512i v, std::uint64_t above,
    std::uint64_t range, std::size_t end, std::uint64_t taken, char*& dst) {
    const __m512i next = _mm512_loadu_si512(p + 1);
    const __m512i after = _mm512_loadu_si512(p + 2);
    // Bytes from 0x80 up are no rule's characters (the permutes would read
    // them as their low seven bits).
    const __m512i firstClass = _mm512_maskz_permutex2var_epi8(~above, r.firstLo, v, r.firstHi);
    const __m512i secondClass = _mm512_maskz_permutex2var_epi8(~_mm512_movepi8_mask(next), r.secondLo, next, r.secondHi);
    const __m512i pairIndex = _mm512_or_si512(firstClass, secondClass);
    const __m512i pairLetter = _mm512_permutex2var_epi8(r.pairLo, pairIndex, r.pairHi);
    const __m512i thirdBits = _mm512_maskz_permutex2var_epi8(~_mm512_movepi8_mask(after), r.thirdLo, after, r.thirdHi);
    std::uint64_t longs[4];
    std::uint64_t three = 0;
    for (std::size_t k = 0; k < t.longCount; ++k) {
        longs[k] = _mm512_cmpeq_epi8_mask(pairIndex, _mm512_set1_epi8(static_cast<char>(t.longs[k].pair))) &
                   _mm512_test_epi8_mask(thirdBits, _mm512_set1_epi8(static_cast<char>(1 << k))) & ~three;
        three |= longs[k];
    }
    std::uint64_t starts = (_mm512_test_epi8_mask(pairLetter, pairLetter) | three) & range;
    three &= range;
    // A start nothing can consume stands, and the starts it consumes fall
    // ("Sch" holding "ch"); only longer chains need settling, one by one.
    // Without a branch for the usual cases, which go either way.
    const std::uint64_t sure = starts & ~((starts << 1) | (three << 2));
    const std::uint64_t fallen = starts & ((sure << 1) | ((three & sure) << 2));
    starts = (starts & ~sure & ~fallen) == 0 ? sure : settleStarts(starts, three);
    three &= starts;
    const std::uint64_t consumed = (starts << 1) | (three << 2);

    // The single characters, each rule's small letter at its start, then
    // capitals: every capital of Windows-1251 is its small letter less 0x20
    // but Ё (A8 against B8). Starts at a capital are letter rules.
    __m512i o = _mm512_mask_mov_epi8(_mm512_permutex2var_epi8(r.singleLo, v, r.singleHi), above, v);
    o = _mm512_mask_mov_epi8(o, starts & ~three, pairLetter);
    for (std::size_t k = 0; k < t.longCount; ++k)
        o = _mm512_mask_mov_epi8(o, longs[k] & starts, _mm512_set1_epi8(static_cast<char>(t.longs[k].small)));
    const std::uint64_t raised =
        starts & _mm512_cmplt_epu8_mask(_mm512_sub_epi8(v, _mm512_set1_epi8('A')), _mm512_set1_epi8(26));
    o = _mm512_mask_sub_epi8(o, raised, o, _mm512_set1_epi8(0x20));
    const std::uint64_t yo = raised & _mm512_cmpeq_epi8_mask(o, _mm512_set1_epi8(static_cast<char>(0xB8 - 0x20)));
    o = _mm512_mask_mov_epi8(o, yo, _mm512_set1_epi8(static_cast<char>(0xA8)));

    const std::uint64_t keep = range & ~consumed;
    if constexpr (!Utf8) {
        _mm512_storeu_si512(dst, _mm512_maskz_compress_epi8(keep, o));
        dst += _mm_popcnt_u64(keep);
    } else {
        // A letter made here takes two bytes, lead and continuation,
        // interleaved and then compressed with everything else.
        const std::uint64_t two = keep & ~above & _mm512_movepi8_mask(o);
        const __m512i lead = _mm512_mask_mov_epi8(o, two, _mm512_permutex2var_epi8(r.leadLo, o, r.leadHi));
        const __m512i cont = _mm512_permutex2var_epi8(r.contLo, o, r.contHi);
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
    return (consumed | taken) >> end;
}

template <bool Utf8>
LETTRICA_VECTOR_CODE std::size_t blocks(const VectorTables& t, const unsigned char* s, std::size_t n, std::size_t pos,
                                        std::size_t limit, char*& out, std::size_t count) {
    const Registers r{_mm512_load_si512(t.single), _mm512_load_si512(t.single + 64),
                      _mm512_load_si512(t.first),  _mm512_load_si512(t.first + 64),
                      _mm512_load_si512(t.second), _mm512_load_si512(t.second + 64),
                      _mm512_load_si512(t.pair),   _mm512_load_si512(t.pair + 64),
                      _mm512_load_si512(t.third),  _mm512_load_si512(t.third + 64),
                      _mm512_load_si512(t.lead),   _mm512_load_si512(t.lead + 64),
                      _mm512_load_si512(t.cont),   _mm512_load_si512(t.cont + 64)};
    const __m512i rareLo = _mm512_load_si512(t.rare), rareHi = _mm512_load_si512(t.rare + 64);
    const __m512i high = _mm512_set1_epi8(static_cast<char>(0x80));
    constexpr std::size_t kStride = 62;  // leaves room for a rule's two followers
    constexpr std::uint64_t kWhole = (std::uint64_t{1} << kStride) - 1;
    char* dst = out;
    // In the usual block (no rare character, the limit far) steps begin at
    // its first 62 positions and the next block comes 62 bytes on, so that
    // its work need not wait for this one's: only the characters a rule took
    // beyond the block pass on, as the mask `taken`.
    std::uint64_t taken = 0;
    for (; count > 0 && pos + 66 <= n && pos < limit; --count) {
        const unsigned char* p = s + pos;
        const __m512i v = _mm512_loadu_si512(p);
        const std::uint64_t above = _mm512_movepi8_mask(v);  // 0x80 and up: kept as they are
        const std::uint64_t rare = _mm512_test_epi8_mask(_mm512_permutex2var_epi8(rareLo, v, rareHi), high) & ~above;
        if (__builtin_expect(limit - pos >= kStride && (rare & kWhole) == 0, 1)) {
            taken = convertBlock<Utf8>(t, r, p, v, above, kWhole & ~taken, kStride, taken, dst);
            pos += kStride;
            continue;
        }
        // The block ends before the rare character (the caller steps over
        // it) or at the limit.
        std::size_t end = limit - pos < kStride ? limit - pos : kStride;
        const std::size_t firstRare = _tzcnt_u64(rare);
        if (firstRare < end) end = firstRare;
        if (end == 0) break;
        taken = convertBlock<Utf8>(t, r, p, v, above, ((std::uint64_t{1} << end) - 1) & ~taken, end, taken, dst);
        pos += end;
    }
    out = dst;
    return pos + _mm_popcnt_u64(taken);
}

#undef LETTRICA_VECTOR_CODE

class Avx512Loop : public VectorLoop {
public:
    Avx512Loop() : VectorLoop(66, 128 + 16) {}
    VectorTables tables{};
    std::size_t convert(bool utf8Output, const unsigned char* s, std::size_t n, std::size_t pos, std::size_t limit,
                        char*& out, std::size_t count) const override {
        return utf8Output ? blocks<true>(tables, s, n, pos, limit, out, count)
                          : blocks<false>(tables, s, n, pos, limit, out, count);
    }
};

}  // namespace

VectorLoopPtr makeAvx512Loop(const latin::System& system) {
    if (!available()) return nullptr;
    auto loop = std::make_unique<Avx512Loop>();
    VectorTables* t = &loop->tables;
    const latin::Rule* rules = system.rules;
    const std::size_t count = system.ruleCount;
    for (unsigned c = 0; c < 0x80; ++c) {
        const std::u16string_view alone = latin::aloneOf(system, c);
        t->single[c] = alone.size() == 1 ? latin::cp1251Of(alone[0]) : static_cast<unsigned char>(c);
        t->rare[c] = alone.size() > 1 ? 0x80 : 0;
    }
    for (unsigned i = 0; i < 0x80; ++i) {
        const char16_t ch = text::cp1251ToUnicode(static_cast<unsigned char>(0x80 + i));
        t->lead[i] = static_cast<unsigned char>(0xC0 | (ch >> 6));
        t->cont[i] = static_cast<unsigned char>(0x80 | (ch & 0x3F));
    }

    const auto firsts = classes([rules](std::size_t i) { return rules[i].first; }, count, 7);
    const auto seconds = classes([rules](std::size_t i) { return rules[i].second; }, count, 15);
    for (unsigned c = 0; c < 0x80; ++c) {
        t->first[c] = static_cast<unsigned char>(firsts[c] << 4);
        t->second[c] = seconds[c];
    }
    // A capital letter's result is its small one less 0x20 (Ё aside), so
    // only letters may have a capital result of their own.
    for (std::size_t i = 0; i < count; ++i) {
        const latin::Rule& r = rules[i];
        const bool letter = r.first.size() == 2;  // sets of two are a letter in either case
        const bool cases = r.capital == r.small ? !letter
                           : r.capital == u'Ё'  ? r.small == u'ё'
                                                : latin::cp1251Of(r.capital) + 0x20 == latin::cp1251Of(r.small);
        if (!cases) throw std::logic_error("a rule's capital letter the vector loop cannot make");
    }
    // For each pair of classes the first rule of two that takes it; a rule
    // of three before it comes on top where its third character is there.
    for (unsigned f = 1; f < 8; ++f) {
        const unsigned char a = memberOf(firsts, f);
        for (unsigned g = 1; g < 16; ++g) {
            const unsigned char b = memberOf(seconds, g);
            if (a == 0 || b == 0) continue;
            for (std::size_t i = 0; i < count; ++i) {
                const latin::Rule& r = rules[i];
                if (!latin::inSet(r.first, a) || !latin::inSet(r.second, b)) continue;
                if (r.third.empty()) {
                    t->pair[f << 4 | g] = latin::cp1251Of(r.small);
                    break;
                }
                if (t->longCount == std::size(t->longs)) throw std::logic_error("too many rules of three");
                const std::size_t k = t->longCount++;
                t->longs[k] = {static_cast<unsigned char>(f << 4 | g), latin::cp1251Of(r.small)};
                for (unsigned c = 0; c < 0x80; ++c)
                    if (latin::inSet(r.third, c)) t->third[c] |= static_cast<unsigned char>(1 << k);
            }
        }
    }
    return loop;
}

#else

VectorLoopPtr makeAvx512Loop(const latin::System&) { return nullptr; }

#endif

}  // namespace lettrica::translit::detail
