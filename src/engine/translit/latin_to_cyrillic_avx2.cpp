// The AVX2 loop: 64 characters a block, where the processor has AVX2 but
// no byte permutes over a whole register.
//
// Each character that takes part in a rule gets a code from 1 to 15, one per
// set of rule memberships ("H" and "h" share one): a letter by its place in
// the alphabet through two 16-entry look-ups, a sign (or a letter whose case
// matters) by a compare. A rule of two is then one look-up among 16 slots:
// the slot of the first character plus the code of the follower, checked
// against the slot's own first character. Followers' codes all differ, so
// that check alone tells a rule from a collision. Rules of three add a
// look-up of the third character's code. The characters the rules consume
// are taken out by shuffles from tables of patterns, eight bytes at a time,
// and in UTF-8 each letter then grows to two bytes the same way. Where a rule
// could begin inside another's followers ("jja", "Sch" holding "ch") the
// starts are settled left to right, as in the AVX-512 loop.
//
// Shuffles share one port on many AVX2 processors, so patterns are loaded
// and blended rather than assembled by inserts.

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "text/avx2_pack.h"
#include "translit/latin_rules.h"
#include "translit/latin_to_cyrillic_vector.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define LETTRICA_LATIN_AVX2 1
#else
#define LETTRICA_LATIN_AVX2 0
#endif

namespace lettrica::translit::detail {

#if LETTRICA_LATIN_AVX2

namespace {

using namespace text::avx2;

constexpr std::size_t kMostSpecials = 4;

// Byte values the loop needs in every lane.
enum Splat { kTwenty, kSmallA, kHighHalf, kSixteen, kTwentyFive, kYoLess, kBigYo, kLowNibble, kSplatCount };
constexpr unsigned char kSplatValue[kSplatCount] = {0x20, 'a', 0x70, 16, 25, 0xB8 - 0x20, 0xA8, 0x0F};

struct Avx2Tables {
    // By a letter's place in the alphabet (0..25), whatever its case.
    alignas(16) unsigned char letterCode[32] = {};
    alignas(16) unsigned char letterSmall[32] = {};  // the small letter it gives alone; 0: more than one (rare)
    // By code.
    alignas(16) unsigned char slotOf[16] = {};   // a first character's slots: slotOf + the follower's code
    alignas(16) unsigned char thirdOf[16] = {};  // bit 4 + k: may end the rule of three of bit k
    // By slot.
    alignas(16) unsigned char key[16] = {};         // the code of its first character (0: free), and
                                                    // in bits 4-7 the bit of its rule of three
    alignas(16) unsigned char pair[16] = {};        // the small letter of its rule of two, or 0
    alignas(16) unsigned char longLetter[16] = {};  // the small letter of its rule of three, or 0
    // Characters the letters' tables cannot tell. Codes: signs in rules, and
    // a letter whose case matters ("`E" against "`e"). Signs: what each
    // gives alone. Unused entries are NUL to 0, which changes nothing.
    struct Special {
        unsigned char character, value;
    };
    Special codes[kMostSpecials] = {};
    Special signs[kMostSpecials] = {};
    std::size_t codeCount = 0, signCount = 0;
    bool yo = false;  // a rule makes ё
    // Kept here rather than as constants: the compiler would build each
    // anew in every block from an immediate.
    alignas(32) unsigned char splat[kSplatCount][32] = {};
};

bool available() {
    static const bool yes = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
                            __builtin_cpu_supports("popcnt");
    return yes;
}

// Every function from here runs only where available() said so.
#define LETTRICA_AVX2_CODE __attribute__((target("avx2,bmi,popcnt")))

// For each mask of eight characters that take two bytes, where the bytes of
// [eight first bytes, eight second bytes] go: each character's first byte,
// then its second where it has one.
struct ExpandPatterns {
    alignas(16) unsigned char of[256][16] = {};
    constexpr ExpandPatterns() {
        for (unsigned mask = 0; mask < 256; ++mask) {
            unsigned at = 0;
            for (unsigned c = 0; c < 8 && at < 16; ++c) {
                of[mask][at++] = static_cast<unsigned char>(c);
                if (mask >> c & 1) of[mask][at++] = static_cast<unsigned char>(8 + c);
            }
        }
    }
};
constexpr ExpandPatterns kExpand;

// The UTF-8 of the letters a rule or a single character makes, by the high
// half of their Windows-1251 byte: Ё A8 is D0 81, ё B8 D1 91, А..п C0..EF
// D0 90..BF, р..я F0..FF D1 80..8F. First the lead byte, then what the
// second is less than the Windows-1251 one.
alignas(16) constexpr unsigned char kLeadByRow[16] = {0, 0, 0, 0, 0, 0, 0, 0,
                                                     0, 0, 0xD0, 0xD1, 0xD0, 0xD0, 0xD0, 0xD1};
alignas(16) constexpr unsigned char kContLessByRow[16] = {0, 0, 0, 0, 0, 0, 0, 0,
                                                         0, 0, 0x27, 0x27, 0x30, 0x30, 0x30, 0x70};

// The tables in registers (or where the compiler keeps them), loaded once a call.
template <std::size_t Codes, std::size_t Signs>
struct Registers {
    __m256i codeLo, codeHi, smallLo, smallHi, slotOf, thirdOf, key, pair, longLetter;
    __m256i codeChar[Codes + 1], codeValue[Codes + 1], signChar[Signs + 1], signValue[Signs + 1];
    const Avx2Tables* tables;
    LETTRICA_AVX2_CODE __m256i splat(Splat s) const {
        return _mm256_load_si256(reinterpret_cast<const __m256i*>(tables->splat[s]));
    }
};

template <std::size_t Codes, std::size_t Signs>
LETTRICA_AVX2_CODE Registers<Codes, Signs> registersOf(const Avx2Tables& t) {
    Registers<Codes, Signs> r;
    r.codeLo = table16(t.letterCode);
    r.codeHi = table16(t.letterCode + 16);
    r.smallLo = table16(t.letterSmall);
    r.smallHi = table16(t.letterSmall + 16);
    r.slotOf = table16(t.slotOf);
    r.thirdOf = table16(t.thirdOf);
    r.key = table16(t.key);
    r.pair = table16(t.pair);
    r.longLetter = table16(t.longLetter);
    for (std::size_t k = 0; k < Codes; ++k) {
        r.codeChar[k] = _mm256_set1_epi8(static_cast<char>(t.codes[k].character));
        r.codeValue[k] = _mm256_set1_epi8(static_cast<char>(t.codes[k].value));
    }
    for (std::size_t k = 0; k < Signs; ++k) {
        r.signChar[k] = _mm256_set1_epi8(static_cast<char>(t.signs[k].character));
        r.signValue[k] = _mm256_set1_epi8(static_cast<char>(t.signs[k].value));
    }
    r.tables = &t;
    return r;
}

// A byte's place in the alphabet as indexes into the two halves of a table
// of 32: anything but a letter gets the top bit in both, which the shuffle
// turns into 0.
struct Place {
    __m256i place, lo, hi;
};

template <class R>
LETTRICA_AVX2_CODE inline Place placeOf(const R& r, __m256i v) {
    const __m256i place = _mm256_sub_epi8(_mm256_or_si256(v, r.splat(kTwenty)), r.splat(kSmallA));
    return {place, _mm256_adds_epu8(place, r.splat(kHighHalf)),
            _mm256_adds_epu8(_mm256_sub_epi8(place, r.splat(kSixteen)), r.splat(kHighHalf))};
}

template <std::size_t Codes, std::size_t Signs>
LETTRICA_AVX2_CODE inline __m256i codesOf(const Registers<Codes, Signs>& r, __m256i v, const Place& p) {
    __m256i code = _mm256_or_si256(_mm256_shuffle_epi8(r.codeLo, p.lo), _mm256_shuffle_epi8(r.codeHi, p.hi));
    for (std::size_t k = 0; k < Codes; ++k)
        code = _mm256_blendv_epi8(code, r.codeValue[k], _mm256_cmpeq_epi8(v, r.codeChar[k]));
    return code;
}

// Half a block, 32 characters: what each gives alone or begins.
struct Half {
    __m256i o;             // the Windows-1251 byte of each: alone, or its rule's letter
    std::uint32_t starts;  // where a rule could begin (before settling)
    std::uint32_t three;   // and it is a rule of three
};

// Where the letters are and the small letter each gives alone (0: more
// than one, a rare letter that ends a block).
struct Letters {
    __m256i where, small;
    std::uint32_t rare;
};

template <std::size_t Codes, std::size_t Signs>
LETTRICA_AVX2_CODE inline Letters lettersOf(const Registers<Codes, Signs>& r, const Place& place) {
    const __m256i where = _mm256_cmpeq_epi8(_mm256_min_epu8(place.place, r.splat(kTwentyFive)), place.place);
    const __m256i small =
        _mm256_or_si256(_mm256_shuffle_epi8(r.smallLo, place.lo), _mm256_shuffle_epi8(r.smallHi, place.hi));
    const auto rare = static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_and_si256(where, _mm256_cmpeq_epi8(small, _mm256_setzero_si256()))));
    return {where, small, rare};
}

// `v` the bytes, `letters` theirs, `code` their codes, `next` the codes of
// the 32 after them. `Yo`: some rule makes ё, whose capital Ё is no less
// 0x20 (A8 against B8).
template <bool Yo, std::size_t Codes, std::size_t Signs>
LETTRICA_AVX2_CODE inline Half half(const Registers<Codes, Signs>& r, __m256i v, const Letters& letters, __m256i code,
                                    __m256i next) {
    const __m256i zero = _mm256_setzero_si256();
    // Rules: the slot of each pair, the rule of three where the third fits.
    const __m256i across = _mm256_permute2x128_si256(code, next, 0x21);
    const __m256i follower = _mm256_alignr_epi8(across, code, 1);
    const __m256i third = _mm256_alignr_epi8(across, code, 2);
    const __m256i slot = _mm256_add_epi8(_mm256_shuffle_epi8(r.slotOf, code), follower);
    const __m256i key = _mm256_shuffle_epi8(r.key, slot);
    const __m256i paired = _mm256_cmpeq_epi8(_mm256_and_si256(key, r.splat(kLowNibble)), code);
    const __m256i thirdFits = _mm256_and_si256(_mm256_shuffle_epi8(r.thirdOf, third), key);
    const __m256i isLong = _mm256_andnot_si256(_mm256_cmpeq_epi8(thirdFits, zero), paired);
    const __m256i letter = _mm256_and_si256(
        _mm256_blendv_epi8(_mm256_shuffle_epi8(r.pair, slot), _mm256_shuffle_epi8(r.longLetter, slot), isLong), paired);
    const __m256i noRule = _mm256_cmpeq_epi8(letter, zero);

    // Each rule's letter at its start, else the letter alone, raised at a
    // capital (capitals are the small letter less 0x20, but Ё is A8 against
    // ё B8); the signs (never letters, and taking no rule there); anything
    // else as it is.
    const __m256i capital = _mm256_and_si256(_mm256_andnot_si256(v, r.splat(kTwenty)), letters.where);
    __m256i o = _mm256_sub_epi8(_mm256_or_si256(letter, _mm256_and_si256(noRule, letters.small)), capital);
    if constexpr (Yo) o = _mm256_blendv_epi8(o, r.splat(kBigYo), _mm256_cmpeq_epi8(o, r.splat(kYoLess)));
    if constexpr (Signs > 0) {
        __m256i signs = zero;
        for (std::size_t k = 0; k < Signs; ++k)
            signs = _mm256_or_si256(signs, _mm256_and_si256(_mm256_cmpeq_epi8(v, r.signChar[k]), r.signValue[k]));
        o = _mm256_or_si256(o, _mm256_and_si256(noRule, signs));
    }
    return {_mm256_blendv_epi8(o, v, _mm256_cmpeq_epi8(o, zero)),
            ~static_cast<std::uint32_t>(_mm256_movemask_epi8(noRule)),
            static_cast<std::uint32_t>(_mm256_movemask_epi8(isLong))};
}

// Windows-1251 bytes packed to the front of each lane (`lo` and `hi` of
// them) as UTF-8: the letters `two` marks (0xFF) take two bytes, anything
// else passes as it is. Writes up to 16 bytes beyond.
template <class R>
LETTRICA_AVX2_CODE inline void putUtf8(const R& r, __m256i packed, __m256i two, unsigned lo, unsigned hi, char*& dst) {
    const __m256i row = _mm256_and_si256(_mm256_srli_epi16(packed, 4), r.splat(kLowNibble));
    const __m256i lead = _mm256_shuffle_epi8(table16(kLeadByRow), row);
    const __m256i cont = _mm256_sub_epi8(packed, _mm256_shuffle_epi8(table16(kContLessByRow), row));
    const __m256i head = _mm256_blendv_epi8(packed, lead, two);
    // Each group of eight as [first bytes, second bytes]: groups 0 and 2 in
    // `front`, 1 and 3 in `back`.
    const auto twos = static_cast<std::uint32_t>(_mm256_movemask_epi8(two));
    const unsigned n0 = lo < 8 ? lo : 8, n1 = lo - n0, n2 = hi < 8 ? hi : 8, n3 = hi - n2;
    const unsigned t0 = twos & ((1u << n0) - 1), t1 = twos >> 8 & ((1u << n1) - 1);
    const unsigned t2 = twos >> 16 & ((1u << n2) - 1), t3 = twos >> 24 & ((1u << n3) - 1);
    const __m256i front = _mm256_shuffle_epi8(_mm256_unpacklo_epi64(head, cont), lanes(kExpand.of[t0], kExpand.of[t2]));
    const __m256i back = _mm256_shuffle_epi8(_mm256_unpackhi_epi64(head, cont), lanes(kExpand.of[t1], kExpand.of[t3]));
    put(_mm256_castsi256_si128(front), n0 + static_cast<unsigned>(_mm_popcnt_u32(t0)), dst);
    put(_mm256_castsi256_si128(back), n1 + static_cast<unsigned>(_mm_popcnt_u32(t1)), dst);
    put(_mm256_extracti128_si256(front, 1), n2 + static_cast<unsigned>(_mm_popcnt_u32(t2)), dst);
    put(_mm256_extracti128_si256(back, 1), n3 + static_cast<unsigned>(_mm_popcnt_u32(t3)), dst);
}

// Writes the bytes of `o` that `keep` marks, and up to 16 beyond. In UTF-8
// every letter made here takes two bytes, while bytes from 0x80 up that came
// in (`v`) pass as they are.
template <bool Utf8, class R>
LETTRICA_AVX2_CODE inline void write(const R& r, __m256i v, __m256i o, std::uint32_t keep, char*& dst) {
    const Packing packing = packingOf(keep);
    const __m256i packed = packWith(packing, o);
    if constexpr (!Utf8) {
        put(_mm256_castsi256_si128(packed), packing.lo, dst);
        put(_mm256_extracti128_si256(packed, 1), packing.hi, dst);
    } else {
        const __m256i made = _mm256_cmpgt_epi8(_mm256_setzero_si256(), _mm256_andnot_si256(v, o));
        putUtf8(r, packed, packWith(packing, made), packing.lo, packing.hi, dst);
    }
}

// Windows-1251 from ASCII input, where every byte from 0x80 up is a letter
// made here, as UTF-8: 32 bytes a step.
template <class R>
LETTRICA_AVX2_CODE inline void widen(const R& r, const char* from, std::size_t size, char*& dst) {
    const __m256i zero = _mm256_setzero_si256();
    std::size_t at = 0;
    for (; at + 32 <= size; at += 32) {
        const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + at));
        putUtf8(r, bytes, _mm256_cmpgt_epi8(zero, bytes), 16, 16, dst);
    }
    if (at < size) {
        const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + at));
        const auto rest = static_cast<unsigned>(size - at);
        const unsigned lo = rest < 16 ? rest : 16;
        putUtf8(r, bytes, _mm256_cmpgt_epi8(zero, bytes), lo, rest - lo, dst);
    }
}

template <bool Utf8, bool Yo, std::size_t Codes, std::size_t Signs>
LETTRICA_AVX2_CODE std::size_t blocks(const Avx2Tables& t, const unsigned char* s, std::size_t n, std::size_t pos,
                                      std::size_t limit, char*& out, std::size_t count) {
    // A block is two halves of 32; the codes of the 32 after it serve its
    // last followers and then the next block.
    constexpr std::size_t kBlock = 64, kReach = 96;
    if (count == 0 || pos + kReach > n || pos >= limit) return pos;
    const Registers<Codes, Signs> r = registersOf<Codes, Signs>(t);
    char* dst = out;
    // In UTF-8, blocks of ASCII go to Windows-1251 here first and are
    // widened together: every byte from 0x80 up there is a letter.
    constexpr std::size_t kStage = 2048;
    alignas(32) char stage[kStage + 2 * kBlock + 32];
    char* staged = stage;
    // The characters a rule took beyond the block, as the next one's mask.
    std::uint64_t taken = 0;
    __m256i v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + pos));
    Place place0 = placeOf(r, v0);
    __m256i code0 = codesOf(r, v0, place0);
    for (;;) {
        const __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + pos + 32));
        const __m256i v2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + pos + 64));
        const Place place1 = placeOf(r, v1), place2 = placeOf(r, v2);
        const __m256i code1 = codesOf(r, v1, place1), code2 = codesOf(r, v2, place2);
        const Letters letters0 = lettersOf(r, place0), letters1 = lettersOf(r, place1);
        const std::uint64_t rare = letters0.rare | std::uint64_t{letters1.rare} << 32;
        // The block ends before a rare character (the caller steps over it)
        // or at the limit.
        std::size_t end = limit - pos < kBlock ? limit - pos : kBlock;
        if (rare != 0 && _tzcnt_u64(rare) < end) end = _tzcnt_u64(rare);
        if (end == 0) break;
        const Half h0 = half<Yo>(r, v0, letters0, code0, code1);
        const Half h1 = half<Yo>(r, v1, letters1, code1, code2);
        const std::uint64_t range = (end == kBlock ? ~std::uint64_t{0} : (std::uint64_t{1} << end) - 1) & ~taken;
        std::uint64_t starts = (h0.starts | std::uint64_t{h1.starts} << 32) & range;
        std::uint64_t three = (h0.three | std::uint64_t{h1.three} << 32) & starts;
        // A start nothing can consume stands, and the starts it consumes
        // fall; only longer chains need settling, one by one.
        const std::uint64_t sure = starts & ~((starts << 1) | (three << 2));
        const std::uint64_t fallen = starts & ((sure << 1) | ((three & sure) << 2));
        starts = (starts & ~sure & ~fallen) == 0 ? sure : settleStarts(starts, three);
        three &= starts;
        const std::uint64_t consumed = (starts << 1) | (three << 2);
        // Taken beyond the last position: by a start there or a rule of
        // three one before.
        const std::uint64_t beyond = (starts >> 63) | (three >> 62);
        const std::uint64_t keep = range & ~consumed;
        if (!Utf8) {
            write<false>(r, v0, h0.o, static_cast<std::uint32_t>(keep), dst);
            write<false>(r, v1, h1.o, static_cast<std::uint32_t>(keep >> 32), dst);
        } else if (_mm256_movemask_epi8(_mm256_or_si256(v0, v1)) == 0) {
            write<false>(r, v0, h0.o, static_cast<std::uint32_t>(keep), staged);
            write<false>(r, v1, h1.o, static_cast<std::uint32_t>(keep >> 32), staged);
            if (staged - stage >= static_cast<std::ptrdiff_t>(kStage)) {
                widen(r, stage, static_cast<std::size_t>(staged - stage), dst);
                staged = stage;
            }
        } else {
            widen(r, stage, static_cast<std::size_t>(staged - stage), dst);
            staged = stage;
            write<true>(r, v0, h0.o, static_cast<std::uint32_t>(keep), dst);
            write<true>(r, v1, h1.o, static_cast<std::uint32_t>(keep >> 32), dst);
        }
        taken = end == kBlock ? beyond : ((consumed | taken) >> end) | (beyond << (kBlock - end));
        pos += end;
        if (end < kBlock || --count == 0 || pos + kReach > n || pos >= limit) break;
        v0 = v2;
        place0 = place2;
        code0 = code2;
    }
    if (Utf8) widen(r, stage, static_cast<std::size_t>(staged - stage), dst);
    out = dst;
    return pos + static_cast<std::size_t>(_mm_popcnt_u64(taken));
}

#undef LETTRICA_AVX2_CODE

class Avx2Loop : public VectorLoop {
public:
    // A block reads its own 64 bytes and the next 32; it writes up to 128
    // (UTF-8) and 16 more of its last store.
    Avx2Loop() : VectorLoop(96, 128 + 16) {}
    Avx2Tables tables;
    std::size_t convert(bool utf8Output, const unsigned char* s, std::size_t n, std::size_t pos, std::size_t limit,
                        char*& out, std::size_t count) const override {
        return utf8Output ? run<true>(s, n, pos, limit, out, count) : run<false>(s, n, pos, limit, out, count);
    }

private:
    // The compares of the signs written out: as the built-in systems need
    // them, or all of them for any other.
    template <bool Utf8>
    std::size_t run(const unsigned char* s, std::size_t n, std::size_t pos, std::size_t limit, char*& out,
                    std::size_t count) const {
        if (tables.yo && tables.codeCount == 0 && tables.signCount <= 2)
            return blocks<Utf8, true, 0, 2>(tables, s, n, pos, limit, out, count);
        if (!tables.yo && tables.codeCount <= 3 && tables.signCount <= 2)
            return blocks<Utf8, false, 3, 2>(tables, s, n, pos, limit, out, count);
        return blocks<Utf8, true, kMostSpecials, kMostSpecials>(tables, s, n, pos, limit, out, count);
    }
};

constexpr bool isCapital(unsigned c) { return c >= 'A' && c <= 'Z'; }
constexpr bool isLetter(unsigned c) { return isCapital(c) || (c >= 'a' && c <= 'z'); }

void fail(const char* why) { throw std::logic_error(std::string("the AVX2 loop cannot take these rules: ") + why); }

// A letter's capital must be its small one less 0x20 in Windows-1251, or Ё.
bool capitalOf(char16_t capital, char16_t small) {
    return small == u'ё' ? capital == u'Ё' : latin::cp1251Of(capital) + 0x20 == latin::cp1251Of(small);
}

// Slots for the first characters so that no two pairs share one: each
// first character's pairs lie at its base plus the followers' codes.
bool placeSlots(const std::vector<std::pair<unsigned, std::uint16_t>>& firsts, std::size_t k, std::uint16_t used,
                unsigned char* slotOf) {
    if (k == firsts.size()) return true;
    const auto [code, followers] = firsts[k];
    for (unsigned base = 0; base < 16; ++base) {
        // The followers' slots: the followers' codes turned by `base`.
        const std::uint16_t slots = static_cast<std::uint16_t>((followers << base) | (followers >> (16 - base)));
        if (slots & used) continue;
        slotOf[code] = static_cast<unsigned char>(base);
        if (placeSlots(firsts, k + 1, used | slots, slotOf)) return true;
    }
    return false;
}

}  // namespace

VectorLoopPtr makeAvx2Loop(const latin::System& system) {
    if (!available()) return nullptr;
    auto loop = std::make_unique<Avx2Loop>();
    Avx2Tables& t = loop->tables;
    for (unsigned s = 0; s < kSplatCount; ++s) std::fill(std::begin(t.splat[s]), std::end(t.splat[s]), kSplatValue[s]);
    const latin::Rule* rules = system.rules;
    const std::size_t count = system.ruleCount;
    if (count > 21) fail("more than 21 rules");

    // Codes: one per set of memberships (first, follower, third of which
    // rules), 0 for none.
    std::array<std::uint64_t, 128> membership{};
    for (unsigned c = 0; c < 128; ++c)
        for (std::size_t i = 0; i < count; ++i) {
            if (latin::inSet(rules[i].first, c)) membership[c] |= std::uint64_t{1} << i;
            if (latin::inSet(rules[i].second, c)) membership[c] |= std::uint64_t{1} << (21 + i);
            if (latin::inSet(rules[i].third, c)) membership[c] |= std::uint64_t{1} << (42 + i);
        }
    std::array<unsigned char, 128> code{};
    std::vector<std::uint64_t> seen;
    std::array<unsigned char, 16> member{};  // a character of each code
    for (unsigned c = 0; c < 128; ++c) {
        if (membership[c] == 0) continue;
        std::size_t k = 0;
        while (k < seen.size() && seen[k] != membership[c]) ++k;
        if (k == seen.size()) {
            if (seen.size() == 15) fail("more than 15 kinds of rule characters");
            seen.push_back(membership[c]);
            member[k + 1] = static_cast<unsigned char>(c);
        }
        code[c] = static_cast<unsigned char>(k + 1);
    }
    auto special = [](Avx2Tables::Special* list, std::size_t& size, unsigned c, unsigned char value) {
        if (size == kMostSpecials) fail("too many signs");
        list[size++] = {static_cast<unsigned char>(c), value};
    };
    for (unsigned place = 0; place < 26; ++place) {
        const unsigned small = 'a' + place, big = 'A' + place;
        t.letterCode[place] = code[small];
        if (code[big] != code[small]) special(t.codes, t.codeCount, big, code[big]);
        const std::u16string_view alone = latin::aloneOf(system, small), aloneBig = latin::aloneOf(system, big);
        if (alone.size() != aloneBig.size()) fail("a letter rare in one case only");
        if (alone.size() == 1) {
            if (!capitalOf(aloneBig[0], alone[0]) || alone[0] == u'ё') fail("a single capital");
            t.letterSmall[place] = latin::cp1251Of(alone[0]);
        } else if (alone.empty()) {
            fail("a letter that stays Latin");
        }
    }
    for (unsigned c = 0; c < 128; ++c) {
        if (isLetter(c)) continue;
        if (code[c] != 0) special(t.codes, t.codeCount, c, code[c]);
        const std::u16string_view alone = latin::aloneOf(system, c);
        if (alone.size() > 1) fail("a sign that gives more than one letter");
        if (alone.size() == 1) special(t.signs, t.signCount, c, latin::cp1251Of(alone[0]));
    }

    // For each first character and follower the first rule of two that
    // takes them; a rule of three before it comes on top where its third
    // character is there.
    for (std::size_t i = 0; i < count; ++i)
        for (unsigned c = 'A'; c <= 'Z'; ++c)
            if (latin::inSet(rules[i].first, c) && !capitalOf(rules[i].capital, rules[i].small))
                fail("a rule's capital letter");
    struct Pair {
        unsigned first, follower;
        unsigned char small = 0, longSmall = 0, longBit = 0;
    };
    std::vector<Pair> pairs;
    std::vector<std::string_view> thirds;  // the sets of the rules of three, one bit each
    for (unsigned a = 1; a <= seen.size(); ++a) {
        for (unsigned y = 1; y <= seen.size(); ++y) {
            Pair p{a, y};
            for (std::size_t i = 0; i < count; ++i) {
                const latin::Rule& rule = rules[i];
                if (!latin::inSet(rule.first, member[a]) || !latin::inSet(rule.second, member[y])) continue;
                if (rule.third.empty()) {
                    p.small = latin::cp1251Of(rule.small);
                    t.yo = t.yo || rule.small == u'ё';
                    break;
                }
                if (p.longBit != 0) fail("two rules of three for one pair");
                std::size_t k = 0;
                while (k < thirds.size() && thirds[k] != rule.third) ++k;
                if (k == thirds.size()) {
                    if (k == 4) fail("too many rules of three");
                    thirds.push_back(rule.third);
                }
                p.longBit = static_cast<unsigned char>(0x10u << k);
                p.longSmall = latin::cp1251Of(rule.small);
                t.yo = t.yo || rule.small == u'ё';
            }
            if (p.small != 0 || p.longBit != 0) pairs.push_back(p);
        }
    }
    for (std::size_t k = 0; k < thirds.size(); ++k)
        for (unsigned c = 0; c < 128; ++c)
            if (latin::inSet(thirds[k], c)) t.thirdOf[code[c]] |= static_cast<unsigned char>(0x10u << k);

    std::vector<std::pair<unsigned, std::uint16_t>> firsts;  // code, its followers as bits
    for (const Pair& p : pairs) {
        if (firsts.empty() || firsts.back().first != p.first) firsts.push_back({p.first, 0});
        firsts.back().second = static_cast<std::uint16_t>(firsts.back().second | 1u << p.follower);
    }
    if (!placeSlots(firsts, 0, 0, t.slotOf)) fail("no slots for the pairs");
    for (const Pair& p : pairs) {
        const unsigned slot = (t.slotOf[p.first] + p.follower) & 15;
        t.key[slot] = static_cast<unsigned char>(p.first | p.longBit);
        t.pair[slot] = p.small;
        t.longLetter[slot] = p.longSmall;
    }
    return loop;
}

#else

VectorLoopPtr makeAvx2Loop(const latin::System&) { return nullptr; }

#endif

}  // namespace lettrica::translit::detail
