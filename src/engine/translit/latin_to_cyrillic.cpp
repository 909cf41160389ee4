#include "translit/latin_to_cyrillic.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>
#include <cstring>
#include <type_traits>

#include "text/cp1251.h"
#include "text/output_cursor.h"
#include "text/utf8.h"

namespace lettrica::translit {

namespace {

using System = LatinToCyrillic::System;

// Single letters, A..Z, the same in both systems.
constexpr std::u16string_view kCapitals[26] = {
    u"А", u"Б", u"Ц", u"Д", u"Е", u"Ф", u"Г", u"Х", u"И", u"Й", u"К", u"Л", u"М",
    u"Н", u"О", u"П", u"Ку", u"Р", u"С", u"Т", u"У", u"В", u"В", u"Икс", u"Ы", u"З"};
constexpr std::u16string_view kSmalls[26] = {
    u"а", u"б", u"ц", u"д", u"е", u"ф", u"г", u"х", u"и", u"й", u"к", u"л", u"м",
    u"н", u"о", u"п", u"ку", u"р", u"с", u"т", u"у", u"в", u"в", u"икс", u"ы", u"з"};

struct Match {
    std::u16string_view out;
    std::uint8_t span = 0;  // 0: no entry, the character stays
};

template <class Ch>
inline bool is(Ch c, char lower) {
    return c == static_cast<Ch>(lower) || c == static_cast<Ch>(lower - 'a' + 'A');
}

inline Match pick(bool capital, std::u16string_view cap, std::u16string_view small, std::uint8_t span) {
    return Match{capital ? cap : small, span};
}

// One step at s[pos] of a text of n characters. Works on UTF-16 units and on
// Windows-1251 bytes alike: every character that matters is ASCII.
template <class Ch>
Match matchAt(System system, const Ch* s, std::size_t n, std::size_t pos) {
    const Ch c = s[pos];
    const bool hasNext = pos + 1 < n;
    const bool hasSecond = pos + 2 < n;
    const Ch next = hasNext ? s[pos + 1] : Ch(0);

    if (c == Ch('\x60')) {  // grave accent
        if (system == System::Gost) return {};
        if (hasNext && next == Ch('E')) return {u"Э", 2};
        if (hasNext && next == Ch('\x60')) return {u"Ъ", 2};
        if (hasNext && next == Ch('e')) return {u"э", 2};
        return {u"ъ", 1};
    }
    if (c == Ch('\x27')) {  // apostrophe
        if (system == System::Anglo && hasNext && next == Ch('\x27')) return {u"Ь", 2};
        return {u"ь", 1};
    }
    if (c == Ch('\x22')) {  // double quotation mark
        if (system == System::Gost) return {u"ъ", 1};
        return {};
    }

    const bool capital = c >= Ch('A') && c <= Ch('Z');
    const bool small = c >= Ch('a') && c <= Ch('z');
    if (!capital && !small) return {};
    const int letter = static_cast<int>(c) - (capital ? 'A' : 'a');
    const char lower = static_cast<char>('a' + letter);

    if (hasNext) {
        if (system == System::Gost) {
            switch (lower) {
            case 'c': if (is(next, 'h')) return pick(capital, u"Ч", u"ч", 2); break;
            case 'e': if (is(next, 'h')) return pick(capital, u"Э", u"э", 2); break;
            case 'k': if (is(next, 'h')) return pick(capital, u"Х", u"х", 2); break;
            case 'z': if (is(next, 'h')) return pick(capital, u"Ж", u"ж", 2); break;
            case 's':
                if (is(next, 'h')) {
                    if (hasSecond && is(s[pos + 2], 'h')) return pick(capital, u"Щ", u"щ", 3);
                    return pick(capital, u"Ш", u"ш", 2);
                }
                break;
            case 'j':
                if (is(next, 'a')) return pick(capital, u"Я", u"я", 2);
                if (is(next, 'j')) return pick(capital, u"Й", u"й", 2);
                if (is(next, 'o')) return pick(capital, u"Ё", u"ё", 2);
                if (is(next, 'u')) return pick(capital, u"Ю", u"ю", 2);
                break;
            default: break;
            }
        } else {
            switch (lower) {
            case 'c': if (is(next, 'h')) return pick(capital, u"Ч", u"ч", 2); break;
            case 'z': if (is(next, 'h')) return pick(capital, u"Ж", u"ж", 2); break;
            case 's':
                if (is(next, 'h')) return pick(capital, u"Ш", u"ш", 2);
                if (hasSecond && is(next, 'c') && is(s[pos + 2], 'h')) return pick(capital, u"Щ", u"щ", 3);
                break;
            case 'y':
                if (is(next, 'a')) return pick(capital, u"Я", u"я", 2);
                if (is(next, 'u')) return pick(capital, u"Ю", u"ю", 2);
                break;
            default: break;
            }
        }
    }
    return {capital ? kCapitals[letter] : kSmalls[letter], 1};
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

// The hot loop. Every character costs a look-up of itself and of its pair
// with the next character; the common case, no rule, is one well predicted
// branch and one eight-byte store. Only the pairs whose result hangs on a
// third character ("Sh" before h, "Sc" before h) go through matchAt.
// Steps begin before `limit`; a rule begun there may read and consume up to
// two characters beyond it.
template <Form F, class Ch, class Out>
std::size_t run(System system, const FormTables<F>& t, const Ch* s, std::size_t n, std::size_t limit,
                std::basic_string<Out>& out, std::size_t widest) {
    using L = Layout<F>;
    using U = std::make_unsigned_t<Ch>;
    text::OutputCursor<std::basic_string<Out>> cursor(out);
    std::size_t pos = 0;
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

LatinToCyrillic::LatinToCyrillic(System system) : system_(system) {
    auto t = std::make_unique<Tables>();
    // Characters from 0x80 up match nothing, so one of them stands for all.
    constexpr char16_t kOther = 0x80;
    auto result = [&](std::u16string_view text) {
        const Match m = matchAt(system, text.data(), text.size(), 0);
        return m.span == 0 ? std::pair{text.substr(0, 1), std::size_t{1}} : std::pair{m.out, std::size_t{m.span}};
    };
    std::size_t rows = 1;
    for (char16_t c = 0; c < 256; ++c) {
        const char16_t one[1] = {c};
        const auto alone = result(std::u16string_view(one, 1));
        const auto [out, span] = alone;
        t->text.single[c] = pack<Form::Text>(out, 1);
        // A byte from 0x80 up is kept as it is: a Windows-1251 character,
        // or a piece of a UTF-8 one.
        const std::uint64_t raw = std::uint64_t{c} | 0x11ull << 56;  // length 1, span 1
        t->cp1251.single[c] = c < 0x80 ? pack<Form::Cp1251>(out, 1) : raw;
        t->utf8.single[c] = c < 0x80 ? pack<Form::Utf8>(out, 1) : raw;
        if (c >= 0x80) continue;

        // Does a follower ever make a longer rule of it?
        bool any = false;
        std::size_t row = rows;
        for (char16_t x = 0; x <= kOther; ++x) {
            bool third = false;
            const char16_t first[3] = {c, x, 0};
            const auto base = result(std::u16string_view(first, 3));
            for (char16_t y = 1; y <= kOther && !third; ++y) {
                const char16_t text[3] = {c, x, y};
                third = result(std::u16string_view(text, 3)) != base;
            }
            if (base == alone && !third) continue;
            if (!any) {
                if (rows == kMaxRows) throw std::logic_error("too many rule letters");
                any = true;
                ++rows;
            }
            for (std::size_t follower = x; follower < (x == kOther ? kRowWidth : x + 1u); ++follower) {
                fill(t->text, row, follower, base.first, base.second, third);
                fill(t->cp1251, row, follower, base.first, base.second, third);
                fill(t->utf8, row, follower, base.first, base.second, third);
            }
        }
        if (any) {
            t->starter[c] = true;
            t->text.single[c] = Layout<Form::Text>::withRow(t->text.single[c], row);
            t->cp1251.single[c] = Layout<Form::Cp1251>::withRow(t->cp1251.single[c], row);
            t->utf8.single[c] = Layout<Form::Utf8>::withRow(t->utf8.single[c], row);
        }
    }
    tables_ = std::move(t);
}

LatinToCyrillic::~LatinToCyrillic() = default;

bool LatinToCyrillic::startsRule(char16_t c) const { return c < 128 && tables_->starter[c]; }

Step LatinToCyrillic::step(std::u16string_view text, std::size_t pos) const {
    Match m = matchAt(system_, text.data(), text.size(), pos);
    if (m.span == 0) return Step::keepOne();
    return Step::replace(m.out, m.span);
}

namespace {
// Unless `final`, the last two characters wait for the next piece: a rule
// begun before them may still need them.
std::size_t heldFrom(std::size_t n, bool final) { return final ? n : n - std::min<std::size_t>(n, 2); }
}  // namespace

// Widest output per character: three UTF-16 units or Windows-1251 bytes
// ("Икс"), six bytes in UTF-8.
std::size_t LatinToCyrillic::convertText(std::u16string_view text, bool final, std::u16string& out) const {
    return run(system_, tables_->text, text.data(), text.size(), heldFrom(text.size(), final), out, 3);
}

std::size_t LatinToCyrillic::convertBytes(std::string_view bytes, bool final, std::string& out) const {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    return run(system_, tables_->cp1251, s, bytes.size(), heldFrom(bytes.size(), final), out, 3);
}

// In UTF-8 the two characters held back may take up to eight bytes, and a
// character cut at the end waits with them: counting bytes here would cut it.
std::size_t LatinToCyrillic::convertUtf8(std::string_view utf8, bool final, std::string& out) const {
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t limit = final ? utf8.size() : text::utf8HoldBack(utf8, lookahead());
    return run(system_, tables_->utf8, s, utf8.size(), limit, out, 6);
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
