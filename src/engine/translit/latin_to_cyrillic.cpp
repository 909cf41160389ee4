#include "translit/latin_to_cyrillic.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>
#include <cstring>
#include <type_traits>

#include "text/cp1251.h"
#include "text/output_cursor.h"
#include "text/simd_level.h"
#include "text/utf8.h"
#include "translit/latin_rules.h"
#include "translit/latin_to_cyrillic_vector.h"

namespace lettrica::translit {

namespace {

using System = LatinToCyrillic::System;

const latin::System& rulesOf(System system) { return system == System::Gost ? latin::kGost : latin::kAnglo; }

struct Match {
    std::u16string_view out;
    std::uint8_t span = 0;  // 0: no entry, the character stays
};

template <class Ch>
inline unsigned unit(Ch c) {
    return static_cast<std::make_unsigned_t<Ch>>(c);
}

// What a character gives standing alone.
Match alone(const latin::System& system, unsigned c) {
    const std::u16string_view out = latin::aloneOf(system, c);
    return {out, static_cast<std::uint8_t>(out.empty() ? 0 : 1)};
}

// One step at s[pos] of a text of n characters, straight from the rules.
// Works on UTF-16 units and on bytes alike: every rule character is ASCII.
template <class Ch>
Match matchAt(const latin::System& system, const Ch* s, std::size_t n, std::size_t pos) {
    const unsigned c = unit(s[pos]);
    if (c >= 0x80) return {};
    for (std::size_t i = system.ranges[c].begin; i < system.ranges[c].end; ++i) {
        const latin::Rule& r = system.rules[i];
        if (pos + 1 >= n || !latin::inSet(r.second, unit(s[pos + 1]))) continue;
        if (!r.third.empty() && (pos + 2 >= n || !latin::inSet(r.third, unit(s[pos + 2])))) continue;
        const bool capital = c >= 'A' && c <= 'Z';
        return {std::u16string_view(capital ? &r.capital : &r.small, 1), static_cast<std::uint8_t>(r.span())};
    }
    return alone(system, c);
}

enum class Form { Text, Cp1251, Utf8 };

// A packed output: up to three UTF-16 units, or up to six bytes, then a
// control field (the last unit, or the last byte) holding the length in
// bits 0-2, the span in bits 4-5 and, for pair entries, kThird in the top
// bit. Byte forms keep the row of a rule's first letter in byte 6, text
// forms in bits 8-14 of the control unit.
template <Form F>
struct Layout {
    static constexpr int shift = F == Form::Text ? 48 : 56;
    static constexpr std::uint64_t third = F == Form::Text ? 0x8000ull << 48 : 0x80ull << 56;
    static std::size_t length(std::uint64_t w) { return static_cast<std::size_t>((w >> shift) & 0x7); }
    static std::size_t span(std::uint64_t w) { return static_cast<std::size_t>((w >> (shift + 4)) & 0x3); }
    static std::size_t row(std::uint64_t w) {
        return F == Form::Text ? static_cast<std::size_t>((w >> 56) & 0x7F) : static_cast<std::size_t>((w >> 48) & 0xFF);
    }
    static std::uint64_t withRow(std::uint64_t w, std::size_t row) {
        return w | (static_cast<std::uint64_t>(row) << (F == Form::Text ? 56 : 48));
    }
};

template <Form F>
std::uint64_t pack(std::u16string_view out, std::size_t span) {
    std::uint64_t word = 0;
    std::size_t len = 0;
    if constexpr (F == Form::Text) {
        std::memcpy(&word, out.data(), out.size() * 2);
        len = out.size();
    } else {
        unsigned char bytes[8] = {};
        for (char16_t ch : out) {
            if (F == Form::Cp1251 || ch < 0x80) {
                bytes[len++] = static_cast<unsigned char>(F == Form::Cp1251 ? text::unicodeToCp1251(ch) : ch);
            } else {  // every output is below U+0800
                bytes[len++] = static_cast<unsigned char>(0xC0 | (ch >> 6));
                bytes[len++] = static_cast<unsigned char>(0x80 | (ch & 0x3F));
            }
        }
        std::memcpy(&word, bytes, 6);
    }
    return word | (static_cast<std::uint64_t>(len | span << 4) << Layout<F>::shift);
}

// Pair rows: one per character that may begin a rule (row 0, all zeros, for
// every other character), one entry per follower: 0..255, 256 any character
// above (UTF-16 only).
constexpr std::size_t kRowWidth = 257;
constexpr std::size_t kMaxRows = 16;

template <Form F>
struct FormTables {
    // Every character below 256 standing alone; characters from 0x80 up are
    // kept (in UTF-8 that copies the bytes of any character whole).
    std::uint64_t single[256] = {};
    // The result of a rule for (first, follower), or 0 when none applies,
    // or kThird when it depends on the second follower.
    std::uint64_t pairs[kMaxRows * kRowWidth] = {};
};

// Outputs of matchAt written per form (letters of U+0401..U+045F).
template <Form F, class Out>
inline Out* put(std::u16string_view text, Out* dst) {
    for (char16_t ch : text) {
        if constexpr (F == Form::Text) {
            *dst++ = ch;
        } else if constexpr (F == Form::Cp1251) {
            *dst++ = static_cast<char>(text::unicodeToCp1251(ch));
        } else if (ch < 0x80) {
            *dst++ = static_cast<char>(ch);
        } else {
            *dst++ = static_cast<char>(0xC0 | (ch >> 6));
            *dst++ = static_cast<char>(0x80 | (ch & 0x3F));
        }
    }
    return dst;
}

}  // namespace

struct LatinToCyrillic::Tables {
    FormTables<Form::Text> text;
    FormTables<Form::Cp1251> cp1251;
    FormTables<Form::Utf8> utf8;
    bool starter[128] = {};
    // The vector loop, where the processor has the one asked for.
    detail::VectorLoopPtr vector;
    Loop loop = Loop::Table;
};

namespace {

template <Form F>
const FormTables<F>& formTables(const LatinToCyrillic::Tables& t) {
    if constexpr (F == Form::Text) return t.text;
    else if constexpr (F == Form::Cp1251) return t.cp1251;
    else return t.utf8;
}

template <Form F>
void fill(FormTables<F>& t, std::size_t row, std::size_t follower, std::u16string_view out, std::size_t span,
          bool third) {
    t.pairs[row * kRowWidth + follower] = third ? Layout<F>::third : pack<F>(out, span);
}

// The table loop: the UTF-16 form, and the byte forms where the processor
// lacks the vector loop (and at their ends). Every character costs a look-up
// of itself and of its pair with the next character; the common case, no rule, is one well predicted
// branch and one eight-byte store. Only the pairs whose result hangs on a
// third character ("Sh" before h, "Sc" before h) go through matchAt.
// Steps begin before `limit`; a rule begun there may read and consume up to
// two characters beyond it.
template <Form F, class Ch, class Out>
std::size_t run(const latin::System& system, const FormTables<F>& t, const Ch* s, std::size_t n, std::size_t limit,
                std::basic_string<Out>& out, std::size_t widest, std::size_t pos = 0) {
    using L = Layout<F>;
    using U = std::make_unsigned_t<Ch>;
    text::OutputCursor<std::basic_string<Out>> cursor(out);
    // While two characters follow, no bound needs checking.
    const std::size_t safe = std::min(limit, n > 2 ? n - 2 : 0);
    while (pos < safe) {
        const std::size_t end = std::min(safe, pos + cursor.kBlock);
        // A step writes at most `widest` and eight bytes of its word.
        Out* dst = cursor.reserve((end - pos) * widest + 8);
        while (pos < end) {
            const U c = static_cast<U>(s[pos]);
            std::size_t next = static_cast<U>(s[pos + 1]);
            if constexpr (sizeof(Ch) > 1) {
                if (c > 0xFF) {  // kept, and begins nothing
                    *dst++ = static_cast<Out>(c);
                    ++pos;
                    continue;
                }
                next = next > 0xFF ? 256 : next;
            }
            const std::uint64_t word = t.single[c];
            const std::uint64_t pair = t.pairs[L::row(word) * kRowWidth + next];
            if (pair == 0) {
                std::memcpy(dst, &word, 8);
                dst += L::length(word);
                ++pos;
            } else if (pair != L::third) {
                std::memcpy(dst, &pair, 8);
                dst += L::length(pair);
                pos += L::span(pair);
            } else {
                const Match m = matchAt(system, s, n, pos);
                dst = put<F>(m.out, dst);
                pos += m.span;
            }
        }
        cursor.commit(dst);
    }
    if (pos < limit) {
        Out* dst = cursor.reserve((limit - pos) * widest);
        while (pos < limit) {
            const Match m = matchAt(system, s, n, pos);
            if (m.span == 0) {
                *dst++ = static_cast<Out>(s[pos]);
                ++pos;
            } else {
                dst = put<F>(m.out, dst);
                pos += m.span;
            }
        }
        cursor.commit(dst);
    }
    return pos;
}

}  // namespace

namespace {
detail::VectorLoopPtr makeLoop(LatinToCyrillic::Loop loop, const latin::System& rules) {
    using Loop = LatinToCyrillic::Loop;
    switch (loop) {
        case Loop::Avx512: return detail::makeAvx512Loop(rules);
        case Loop::Avx2: return detail::makeAvx2Loop(rules);
        default: return nullptr;
    }
}
}  // namespace

bool LatinToCyrillic::loopAvailable(Loop loop) {
    return loop == Loop::Table || loop == Loop::Best || makeLoop(loop, latin::kAnglo) != nullptr;
}

LatinToCyrillic::Loop LatinToCyrillic::loop() const { return tables_->loop; }

LatinToCyrillic::LatinToCyrillic(System system, Loop loop) : system_(system) {
    const latin::System& rules = rulesOf(system);
    auto t = std::make_unique<Tables>();
    std::size_t rows = 1;
    for (unsigned c = 0; c < 256; ++c) {
        const char16_t self = static_cast<char16_t>(c);
        const Match a = c < 0x80 ? alone(rules, c) : Match{};
        const std::u16string_view out = a.span != 0 ? a.out : std::u16string_view(&self, 1);
        t->text.single[c] = pack<Form::Text>(out, 1);
        // A byte from 0x80 up is kept as it is: a Windows-1251 character,
        // or a piece of a UTF-8 one.
        const std::uint64_t raw = std::uint64_t{c} | 0x11ull << 56;  // length 1, span 1
        t->cp1251.single[c] = c < 0x80 ? pack<Form::Cp1251>(out, 1) : raw;
        t->utf8.single[c] = c < 0x80 ? pack<Form::Utf8>(out, 1) : raw;
        if (c >= 0x80) continue;

        // The first rule that takes c with a follower decides for the pair,
        // unless it needs a third character too: then matchAt decides.
        const latin::Rule* ruleOf[0x80] = {};
        for (std::size_t i = rules.ranges[c].begin; i < rules.ranges[c].end; ++i)
            for (const char x : rules.rules[i].second)
                if (!ruleOf[static_cast<unsigned char>(x)]) ruleOf[static_cast<unsigned char>(x)] = &rules.rules[i];
        bool any = false;
        const std::size_t row = rows;
        for (unsigned x = 0; x < 0x80; ++x) {
            const latin::Rule* rule = ruleOf[x];
            if (!rule) continue;
            if (!any) {
                if (rows == kMaxRows) throw std::logic_error("too many rule letters");
                any = true;
                ++rows;
            }
            const bool capital = c >= 'A' && c <= 'Z';
            const std::u16string_view result(capital ? &rule->capital : &rule->small, 1);
            const bool third = !rule->third.empty();
            fill(t->text, row, x, result, 2, third);
            fill(t->cp1251, row, x, result, 2, third);
            fill(t->utf8, row, x, result, 2, third);
        }
        if (any) {
            t->starter[c] = true;
            t->text.single[c] = Layout<Form::Text>::withRow(t->text.single[c], row);
            t->cp1251.single[c] = Layout<Form::Cp1251>::withRow(t->cp1251.single[c], row);
            t->utf8.single[c] = Layout<Form::Utf8>::withRow(t->utf8.single[c], row);
        }
    }
    if (loop == Loop::Best) {
        loop = Loop::Table;
        if (text::simdAllowed(text::SimdLevel::Avx512) && (t->vector = makeLoop(Loop::Avx512, rules)))
            loop = Loop::Avx512;
        else if (text::simdAllowed(text::SimdLevel::Avx2) && (t->vector = makeLoop(Loop::Avx2, rules)))
            loop = Loop::Avx2;
    } else {
        t->vector = makeLoop(loop, rules);
    }
    t->loop = t->vector ? loop : Loop::Table;
    tables_ = std::move(t);
}

LatinToCyrillic::~LatinToCyrillic() = default;

bool LatinToCyrillic::startsRule(char16_t c) const { return c < 128 && tables_->starter[c]; }

Step LatinToCyrillic::step(std::u16string_view text, std::size_t pos) const {
    const char16_t c = text[pos];
    const Match m = startsRule(c) ? matchAt(rulesOf(system_), text.data(), text.size(), pos)
                                  : alone(rulesOf(system_), c);
    if (m.span == 0) return Step::keepOne();
    return Step::replace(m.out, m.span);
}

namespace {
// Unless `final`, the last two characters wait for the next piece: a rule
// begun before them may still need them.
std::size_t heldFrom(std::size_t n, bool final) { return final ? n : n - std::min<std::size_t>(n, 2); }
}  // namespace

namespace {

// The byte forms: the vector loop while whole blocks remain, a step by the
// rules at each character it leaves, then the table loop for the end.
template <Form F>
std::size_t runBytes(const LatinToCyrillic::Tables& t, System system, const unsigned char* s, std::size_t n,
                     std::size_t limit, std::string& out, std::size_t widest) {
    const latin::System& rules = rulesOf(system);
    std::size_t pos = 0;
    if (const detail::VectorLoop* loop = t.vector.get()) {
        text::OutputCursor<std::string> cursor(out);
        constexpr std::size_t kBlocks = 64;  // then room for the next ones
        while (pos + loop->reach <= n && pos < limit) {
            // The blocks, then one step of up to six bytes.
            char* dst = cursor.reserve(kBlocks * loop->blockOutput + 8);
            pos = loop->convert(F == Form::Utf8, s, n, pos, limit, dst, kBlocks);
            if (pos < limit) {
                const Match m = matchAt(rules, s, n, pos);
                if (m.span == 0) {
                    *dst++ = static_cast<char>(s[pos++]);
                } else {
                    dst = put<F>(m.out, dst);
                    pos += m.span;
                }
            }
            cursor.commit(dst);
        }
    }
    return run(rules, formTables<F>(t), s, n, limit, out, widest, pos);
}

}  // namespace

// Widest output per character: three UTF-16 units or Windows-1251 bytes
// ("Икс"), six bytes in UTF-8.
std::size_t LatinToCyrillic::convertText(std::u16string_view text, bool final, std::u16string& out) const {
    return run(rulesOf(system_), tables_->text, text.data(), text.size(), heldFrom(text.size(), final), out, 3);
}

std::size_t LatinToCyrillic::convertBytes(std::string_view bytes, bool final, std::string& out) const {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    return runBytes<Form::Cp1251>(*tables_, system_, s, bytes.size(), heldFrom(bytes.size(), final), out, 3);
}

// In UTF-8 the two characters held back may take up to eight bytes, and a
// character cut at the end waits with them: counting bytes here would cut it.
std::size_t LatinToCyrillic::convertUtf8(std::string_view utf8, bool final, std::string& out) const {
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t limit = final ? utf8.size() : text::utf8HoldBack(utf8, lookahead());
    return runBytes<Form::Utf8>(*tables_, system_, s, utf8.size(), limit, out, 6);
}

const LatinToCyrillic& gostLatinToCyrillic() {
    static const LatinToCyrillic converter(System::Gost);
    return converter;
}

const LatinToCyrillic& angloLatinToCyrillic() {
    static const LatinToCyrillic converter(System::Anglo);
    return converter;
}

}  // namespace lettrica::translit
