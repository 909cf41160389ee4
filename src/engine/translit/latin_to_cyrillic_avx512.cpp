// The AVX-512 loop: 64 characters a block, where the processor has byte
// permutes and compression (VBMI, VBMI2) and GFNI.
//
// Per block, three table look-ups do the rules of two characters: the class
// of each character as a first one, the class of the one after it as a
// follower, and the pair of classes to the rule's letter. The few rules of
// three are compares on top. The characters each rule consumes are taken
// out by compression. Where a rule could begin inside another's followers
// ("jja", "Sch" holding "ch") the starts are settled left to right.
//
// Which starts stand and what they consume is worked out in mask registers:
// a mask's trip to a general register and back costs more than a permute,
// and the block's work would wait for it. Only the lengths written and the
// rare cases (a character of several letters, a chain of starts) leave them.
//
// In UTF-8 a letter is carried as 0x80 + its offset from U+0400, from which
// one affine byte transform (GFNI) gives each byte of its UTF-8.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
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

constexpr std::size_t kMostLongs = 2;  // rules of three
constexpr unsigned char kRare = 0x80;  // in `first`: the steps end before it
constexpr unsigned char kDel = 0x7F;   // what a byte from 0x80 up is looked up as

// The tables of one output form, each with an entry per ASCII byte (the
// index of a byte permute).
struct FormTables {
    alignas(64) unsigned char first[128];   // its class as a first character, times 16; kRare
    alignas(64) unsigned char single[128];  // the letter it gives alone, or itself when kept
    alignas(64) unsigned char pair[128];    // by first | second: the small letter of the rule of two, or 0
    unsigned char longSmall[kMostLongs] = {};
    unsigned char yoSmall = 0, yoCapital = 0;
    // What a character whose steps are not the block's gives: several
    // letters (q, x), or in UTF-8 a NUL, which the block uses to mark the
    // bytes it drops.
    struct Rare {
        unsigned char bytes[8];
        std::size_t length;
    };
    Rare rare[128] = {};
};

struct VectorTables {
    alignas(64) unsigned char second[128];  // its class as a follower, 1..15; 0: follows nothing
    alignas(64) unsigned char third[128];   // bit k: may end rule of three k
    unsigned char longPair[kMostLongs] = {};  // the index into `pair` of its first two characters
    std::size_t longCount = 0;
    bool yo = false;  // a rule makes ё
    FormTables cp1251, utf8;
    // Byte values the loop needs in every lane, kept here rather than as
    // constants: the compiler would build each anew in every block from an
    // immediate.
    enum Splat { kCaseBit, kDelByte, kLongBit0, kLongBit1, kSplatCount };
    alignas(64) unsigned char splat[kSplatCount][64];
};

bool available() {
    static const bool yes = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
                            __builtin_cpu_supports("gfni") && __builtin_cpu_supports("bmi") &&
                            __builtin_cpu_supports("popcnt");
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

// A letter of U+0401..U+045F as the block carries it: its Windows-1251
// byte, or 0x80 + its offset from U+0400 for UTF-8.
unsigned char letterCode(char16_t letter, bool utf8) {
    return utf8 ? static_cast<unsigned char>(0x80 | (letter - 0x400)) : latin::cp1251Of(letter);
}

// Every function from here runs only where available() said so.
#define LETTRICA_VECTOR_CODE __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,gfni,bmi,popcnt")))

// The UTF-8 bytes of a letter code: lead 0xD0 | bit 6, continuation
// 0x80 | bits 0-5, as affine maps (one row of bits per result bit).
constexpr long long kLeadMatrix = 0x4000000000000000ll;
constexpr long long kContMatrix = 0x0102040810200000ll;

// The tables and constants, loaded once per call.
template <std::size_t Longs>
struct Registers {
    __m512i firstLo, firstHi, singleLo, singleHi, pairLo, pairHi, secondLo, secondHi, thirdLo, thirdHi;
    __m512i longPair[Longs + 1], longBit[Longs + 1], longSmall[Longs + 1];
    __m512i yoSmall, yoCapital, caseBit, del, firstHalf, secondHalf;
};

struct Settled {
    __mmask64 starts, three;  // the starts that stand, those of rules of three among them
    __mmask64 consumed;       // the positions their followers take, up to the block's 64th
};

// Of the starts, those that stand when they are taken left to right. The
// usual block needs one test: no start follows another unless a rule of
// three before it took it ("Sch" holding "ch"), and no rule of three
// follows one. Only longer chains are settled one by one.
LETTRICA_VECTOR_CODE inline __attribute__((always_inline)) Settled settle(__mmask64 starts, __mmask64 three) {
    const __mmask64 afterThree = _kshiftli_mask64(three, 1);
    const __mmask64 kept = _kandn_mask64(afterThree, starts);
    const __mmask64 consumed = _kor_mask64(_kshiftli_mask64(kept, 1), _kshiftli_mask64(three, 2));
    if (__builtin_expect(
            _kortestz_mask64_u8(_kand_mask64(kept, consumed), _kand_mask64(three, afterThree)), 1))
        return {kept, three, consumed};
    const std::uint64_t standing = settleStarts(_cvtmask64_u64(starts), _cvtmask64_u64(three));
    const std::uint64_t threes = _cvtmask64_u64(three) & standing;
    return {_cvtu64_mask64(standing), _cvtu64_mask64(threes), _cvtu64_mask64(standing << 1 | threes << 2)};
}

// One block at p: steps begin at the positions of `range`. Writes what they
// make at dst and returns its starts, from which the caller tells what its
// rules took beyond the block. `Ascii`: the 66 bytes the block reads are
// all below 0x80, else a byte from 0x80 up is looked up as DEL, which
// begins and follows nothing and gives itself, and then kept as it is.
template <bool Utf8, std::size_t Longs, bool Yo, bool Ascii>
LETTRICA_VECTOR_CODE inline __attribute__((always_inline)) Settled convertBlock(const Registers<Longs>& r,
                                                                               const unsigned char* p, __m512i v,
                                                                               __m512i first, __mmask64 range,
                                                                               char*& dst) {
    const __m512i vc = Ascii ? v : _mm512_min_epu8(v, r.del);
    // `first` may carry kRare in bit 7, which the permute does not read.
    const __m512i next = Ascii ? _mm512_loadu_si512(p + 1) : _mm512_min_epu8(_mm512_loadu_si512(p + 1), r.del);
    const __m512i pairIndex = _mm512_or_si512(first, _mm512_permutex2var_epi8(r.secondLo, next, r.secondHi));
    const __m512i letter = _mm512_permutex2var_epi8(r.pairLo, pairIndex, r.pairHi);
    __mmask64 three = 0;
    __mmask64 longs[Longs + 1] = {};
    if constexpr (Longs > 0) {
        const __m512i after =
            Ascii ? _mm512_loadu_si512(p + 2) : _mm512_min_epu8(_mm512_loadu_si512(p + 2), r.del);
        const __m512i thirdBits = _mm512_permutex2var_epi8(r.thirdLo, after, r.thirdHi);
        for (std::size_t k = 0; k < Longs; ++k) {
            const __mmask64 ends = _mm512_mask_test_epi8_mask(range, thirdBits, r.longBit[k]);
            longs[k] = _mm512_mask_cmpeq_epi8_mask(ends, pairIndex, r.longPair[k]);
            if (k > 0) longs[k] = _kandn_mask64(three, longs[k]);
            three = k > 0 ? _kor_mask64(three, longs[k]) : longs[k];
        }
    }
    const Settled b = settle(_kor_mask64(_mm512_mask_test_epi8_mask(range, letter, letter), three), three);
    const __mmask64 keep = _kandn_mask64(b.consumed, range);

    // The single characters (nothing where consumed), each rule's small
    // letter at its start, then capitals: every capital is its small letter
    // less 0x20 but Ё. A rule's first character is a capital letter when
    // its bit 5 is clear.
    __m512i o = _mm512_maskz_permutex2var_epi8(keep, r.singleLo, vc, r.singleHi);
    o = _mm512_mask_mov_epi8(o, _kandn_mask64(b.three, b.starts), letter);
    for (std::size_t k = 0; k < Longs; ++k)
        o = _mm512_mask_mov_epi8(o, Longs == 1 ? b.three : _kand_mask64(longs[k], b.starts), r.longSmall[k]);
    const __mmask64 raised = _mm512_mask_testn_epi8_mask(b.starts, v, r.caseBit);
    __mmask64 yo = 0;
    if constexpr (Yo) yo = _mm512_mask_cmpeq_epi8_mask(raised, o, r.yoSmall);
    o = _mm512_mask_sub_epi8(o, raised, o, r.caseBit);
    if constexpr (Yo) o = _mm512_mask_mov_epi8(o, yo, r.yoCapital);

    __mmask64 above = 0;
    if constexpr (!Ascii) above = _mm512_mask_cmplt_epi8_mask(keep, v, _mm512_setzero_si512());  // kept as they are
    if constexpr (!Utf8) {
        if constexpr (!Ascii) o = _mm512_mask_mov_epi8(o, above, v);
        _mm512_storeu_si512(dst, _mm512_maskz_compress_epi8(keep, o));
        dst += _mm_popcnt_u64(_cvtmask64_u64(keep));
    } else {
        // Each character's first byte and, for a letter, its second,
        // interleaved; a zero marks a byte that is not written (the loop
        // leaves NUL to the caller).
        const __mmask64 letters = _mm512_movepi8_mask(o);  // DEL where above
        if constexpr (!Ascii) o = _mm512_mask_mov_epi8(o, above, v);
        const __m512i lead = _mm512_mask_gf2p8affine_epi64_epi8(o, letters, o, _mm512_set1_epi64(kLeadMatrix), 0xD0);
        const __m512i cont = _mm512_maskz_gf2p8affine_epi64_epi8(letters, o, _mm512_set1_epi64(kContMatrix), 0x80);
        const __m512i lo = _mm512_permutex2var_epi8(lead, r.firstHalf, cont);
        const __m512i hi = _mm512_permutex2var_epi8(lead, r.secondHalf, cont);
        _mm512_storeu_si512(dst, _mm512_maskz_compress_epi8(_mm512_test_epi8_mask(lo, lo), lo));
        // The lengths from the masks rather than from the bytes: the next
        // block's stores wait for them.
        const std::uint64_t chars = _cvtmask64_u64(keep), seconds = _cvtmask64_u64(letters);
        const std::size_t lengthLo = _mm_popcnt_u32(static_cast<std::uint32_t>(chars)) +
                                     _mm_popcnt_u32(static_cast<std::uint32_t>(seconds));
        _mm512_storeu_si512(dst + lengthLo, _mm512_maskz_compress_epi8(_mm512_test_epi8_mask(hi, hi), hi));
        dst += _mm_popcnt_u64(chars) + _mm_popcnt_u64(seconds);
    }
    return b;
}

// [0, 64, 1, 65, ...]: the first bytes of 32 characters with their second ones.
struct Interleave {
    alignas(64) unsigned char index[64];
    constexpr Interleave() : index{} {
        for (unsigned i = 0; i < 64; ++i) index[i] = static_cast<unsigned char>(i % 2 ? 64 + i / 2 : i / 2);
    }
};
constexpr Interleave kInterleave;

template <bool Utf8, std::size_t Longs, bool Yo>
LETTRICA_VECTOR_CODE std::size_t blocks(const VectorTables& t, const unsigned char* s, std::size_t n,
                                        std::size_t pos, std::size_t limit, char*& out, std::size_t count) {
    const FormTables& f = Utf8 ? t.utf8 : t.cp1251;
    Registers<Longs> r;
    r.firstLo = _mm512_load_si512(f.first), r.firstHi = _mm512_load_si512(f.first + 64);
    r.singleLo = _mm512_load_si512(f.single), r.singleHi = _mm512_load_si512(f.single + 64);
    r.pairLo = _mm512_load_si512(f.pair), r.pairHi = _mm512_load_si512(f.pair + 64);
    r.secondLo = _mm512_load_si512(t.second), r.secondHi = _mm512_load_si512(t.second + 64);
    r.thirdLo = _mm512_load_si512(t.third), r.thirdHi = _mm512_load_si512(t.third + 64);
    for (std::size_t k = 0; k < Longs; ++k) {
        r.longPair[k] = _mm512_set1_epi8(static_cast<char>(t.longPair[k]));
        r.longBit[k] = _mm512_load_si512(t.splat[VectorTables::kLongBit0 + k]);
        r.longSmall[k] = _mm512_set1_epi8(static_cast<char>(f.longSmall[k]));
    }
    r.yoSmall = _mm512_set1_epi8(static_cast<char>(f.yoSmall));
    r.yoCapital = _mm512_set1_epi8(static_cast<char>(f.yoCapital));
    r.caseBit = _mm512_load_si512(t.splat[VectorTables::kCaseBit]);
    r.del = _mm512_load_si512(t.splat[VectorTables::kDelByte]);
    r.firstHalf = _mm512_load_si512(kInterleave.index);
    r.secondHalf = _mm512_add_epi8(r.firstHalf, _mm512_set1_epi8(32));

    char* dst = out;
    // Steps begin at the block's 64 positions but those a rule of the block
    // before has taken: its last two positions' rules may take the first
    // two of this one, passed on as the mask `taken`.
    __mmask64 taken = 0;
    // Whole blocks: 66 bytes to read and 64 steps before the limit.
    const std::size_t whole = n >= 66 && limit >= 64 ? std::min(n - 66, limit - 64) + 1 : 0;
    for (; count > 0; --count) {
        const unsigned char* p = s + pos;
        if (__builtin_expect(pos < whole, 1)) {
            const __m512i v = _mm512_loadu_si512(p);
            const __m512i first = _mm512_permutex2var_epi8(r.firstLo, v, r.firstHi);
            // Neither a rare character nor a byte from 0x80 up among the 66.
            const __m512i marks = _mm512_ternarylogic_epi64(first, v, _mm512_loadu_si512(p + 2), 0xFE);
            if (__builtin_expect(_kortestz_mask64_u8(_mm512_movepi8_mask(marks), 0), 1)) {
                const Settled b = convertBlock<Utf8, Longs, Yo, true>(r, p, v, first, _knot_mask64(taken), dst);
                taken = _kor_mask64(_kshiftri_mask64(b.starts, 63), _kshiftri_mask64(b.three, 62));
                pos += 64;
                continue;
            }
            const __m512i firstAt = _mm512_permutex2var_epi8(r.firstLo, _mm512_min_epu8(v, r.del), r.firstHi);
            if (_kortestz_mask64_u8(_mm512_movepi8_mask(firstAt), 0)) {
                const Settled b = convertBlock<Utf8, Longs, Yo, false>(r, p, v, firstAt, _knot_mask64(taken), dst);
                taken = _kor_mask64(_kshiftri_mask64(b.starts, 63), _kshiftri_mask64(b.three, 62));
                pos += 64;
                continue;
            }
        } else if (pos + 66 > n || pos >= limit) {
            break;
        }
        // A block that ends at the limit or before a rare character, which
        // is written here unless a rule took it.
        const __m512i v = _mm512_loadu_si512(p);
        const __m512i first = _mm512_permutex2var_epi8(r.firstLo, _mm512_min_epu8(v, r.del), r.firstHi);
        const std::size_t cap = limit - pos < 62 ? limit - pos : 62;  // what the rules take stays in the mask
        const std::size_t firstRare = _tzcnt_u64(_cvtmask64_u64(_mm512_movepi8_mask(first)));
        const bool atRare = firstRare < cap;
        const std::size_t end = atRare ? firstRare : cap;
        std::uint64_t takenBits = _cvtmask64_u64(taken);
        if (end > 0) {
            const std::uint64_t range = ((std::uint64_t{1} << end) - 1) & ~takenBits;
            const Settled b = convertBlock<Utf8, Longs, Yo, false>(r, p, v, first, _cvtu64_mask64(range), dst);
            takenBits = (_cvtmask64_u64(b.consumed) | takenBits) >> end;
            pos += end;
        }
        if (atRare) {
            if (takenBits & 1) {
                pos += _mm_popcnt_u64(takenBits);
            } else {
                const FormTables::Rare& what = f.rare[s[pos]];
                std::memcpy(dst, what.bytes, sizeof what.bytes);
                dst += what.length;
                ++pos;
            }
            takenBits = 0;
        }
        taken = _cvtu64_mask64(takenBits);
    }
    out = dst;
    return pos + _mm_popcnt_u64(_cvtmask64_u64(taken));
}

#undef LETTRICA_VECTOR_CODE

class Avx512Loop : public VectorLoop {
public:
    // A block reads 66 bytes; an iteration writes a block (UTF-8: up to 128
    // bytes, the second store 64 past the first at most) and a rare
    // character's eight.
    Avx512Loop() : VectorLoop(66, 128 + 16) {}
    VectorTables tables{};
    std::size_t convert(bool utf8Output, const unsigned char* s, std::size_t n, std::size_t pos, std::size_t limit,
                        char*& out, std::size_t count) const override {
        switch (tables.longCount) {
            case 0: return run<0>(utf8Output, s, n, pos, limit, out, count);
            case 1: return run<1>(utf8Output, s, n, pos, limit, out, count);
            default: return run<2>(utf8Output, s, n, pos, limit, out, count);
        }
    }

private:
    template <std::size_t Longs>
    std::size_t run(bool utf8Output, const unsigned char* s, std::size_t n, std::size_t pos, std::size_t limit,
                    char*& out, std::size_t count) const {
        if (tables.yo)
            return utf8Output ? blocks<true, Longs, true>(tables, s, n, pos, limit, out, count)
                              : blocks<false, Longs, true>(tables, s, n, pos, limit, out, count);
        return utf8Output ? blocks<true, Longs, false>(tables, s, n, pos, limit, out, count)
                          : blocks<false, Longs, false>(tables, s, n, pos, limit, out, count);
    }
};

void fillForm(FormTables& f, const latin::System& system, const std::array<unsigned char, 128>& firsts,
              bool utf8) {
    for (unsigned c = 0; c < 0x80; ++c) {
        const std::u16string_view alone = latin::aloneOf(system, c);
        f.single[c] = alone.size() == 1 ? letterCode(alone[0], utf8) : static_cast<unsigned char>(c);
        f.first[c] = static_cast<unsigned char>(firsts[c] << 4);
        if (alone.size() > 1 || (utf8 && c == 0)) {
            if (firsts[c] != 0) throw std::logic_error("a rule's first character of several letters");
            f.first[c] |= kRare;
            FormTables::Rare& rare = f.rare[c];
            for (char16_t letter : alone.empty() ? std::u16string_view(u"\0", 1) : alone) {
                if (letter == 0) rare.bytes[rare.length++] = 0;
                else if (!utf8) rare.bytes[rare.length++] = latin::cp1251Of(letter);
                else {
                    rare.bytes[rare.length++] = static_cast<unsigned char>(0xC0 | (letter >> 6));
                    rare.bytes[rare.length++] = static_cast<unsigned char>(0x80 | (letter & 0x3F));
                }
            }
        }
    }
    f.yoSmall = letterCode(u'ё', utf8);
    f.yoCapital = letterCode(u'Ё', utf8);
}

}  // namespace

VectorLoopPtr makeAvx512Loop(const latin::System& system) {
    if (!available()) return nullptr;
    auto loop = std::make_unique<Avx512Loop>();
    VectorTables* t = &loop->tables;
    const latin::Rule* rules = system.rules;
    const std::size_t count = system.ruleCount;

    const auto firsts = classes([rules](std::size_t i) { return rules[i].first; }, count, 7);
    const auto seconds = classes([rules](std::size_t i) { return rules[i].second; }, count, 15);
    // A byte from 0x80 up is looked up as DEL, which must stay as it is.
    if (firsts[kDel] || seconds[kDel] || !latin::aloneOf(system, kDel).empty())
        throw std::logic_error("DEL takes part in the rules");
    for (unsigned c = 0; c < 0x80; ++c) {
        t->second[c] = seconds[c];
        // A capital letter is told by bit 5 alone.
        const bool capital = c >= 'A' && c <= 'Z';
        if (firsts[c] && capital == ((c & 0x20) != 0))
            throw std::logic_error("a rule's first character whose case bit 5 does not tell");
    }
    std::memset(t->splat[VectorTables::kCaseBit], 0x20, 64);
    std::memset(t->splat[VectorTables::kDelByte], kDel, 64);
    std::memset(t->splat[VectorTables::kLongBit0], 1, 64);
    std::memset(t->splat[VectorTables::kLongBit1], 2, 64);
    fillForm(t->cp1251, system, firsts, false);
    fillForm(t->utf8, system, firsts, true);
    // A capital letter's result is its small one less 0x20 (Ё aside), so
    // only letters may have a capital result of their own.
    for (std::size_t i = 0; i < count; ++i) {
        const latin::Rule& r = rules[i];
        const bool letter = r.first.size() == 2;  // sets of two are a letter in either case
        if (r.small == u'ё') t->yo = true;
        const bool cases = r.capital == r.small ? !letter
                           : r.capital == u'Ё'  ? r.small == u'ё'
                                                : r.capital + 0x20 == r.small && r.small >= u'а' && r.small <= u'я';
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
                    t->cp1251.pair[f << 4 | g] = letterCode(r.small, false);
                    t->utf8.pair[f << 4 | g] = letterCode(r.small, true);
                    break;
                }
                if (t->longCount == kMostLongs) throw std::logic_error("too many rules of three");
                const std::size_t k = t->longCount++;
                t->longPair[k] = static_cast<unsigned char>(f << 4 | g);
                t->cp1251.longSmall[k] = letterCode(r.small, false);
                t->utf8.longSmall[k] = letterCode(r.small, true);
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
