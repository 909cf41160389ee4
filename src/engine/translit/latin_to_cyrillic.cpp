#include "translit/latin_to_cyrillic.h"

#include <array>

#include "text/cp1251.h"

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

// Outputs are at most three Cyrillic letters, all in Windows-1251.
inline void appendBytes(std::u16string_view text, std::string& out) {
    for (char16_t ch : text) out.push_back(static_cast<char>(text::unicodeToCp1251(ch)));
}

template <class Ch, class Out, class Append>
std::size_t run(System system, const Ch* s, std::size_t n, bool final, Out& out, Append append) {
    const std::size_t limit = final ? n : (n > 2 ? n - 2 : 0);
    std::size_t pos = 0;
    while (pos < limit) {
        Match m = matchAt(system, s, n, pos);
        if (m.span == 0) {
            out.push_back(s[pos]);
            ++pos;
        } else {
            append(m.out, out);
            pos += m.span;
        }
    }
    return pos;
}

}  // namespace

Step LatinToCyrillic::step(std::u16string_view text, std::size_t pos) const {
    Match m = matchAt(system_, text.data(), text.size(), pos);
    if (m.span == 0) return Step::keepOne();
    return Step::replace(m.out, m.span);
}

std::size_t LatinToCyrillic::convertText(std::u16string_view text, bool final, std::u16string& out) const {
    out.reserve(out.size() + text.size());
    return run(system_, text.data(), text.size(), final, out,
               [](std::u16string_view t, std::u16string& o) { o.append(t); });
}

std::size_t LatinToCyrillic::convertBytes(std::string_view bytes, bool final, std::string& out) const {
    out.reserve(out.size() + bytes.size());
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    // Output through a char sink: unsigned bytes are pushed as char.
    struct Sink {
        std::string& o;
        void push_back(unsigned char c) { o.push_back(static_cast<char>(c)); }
    } sink{out};
    return run(system_, s, bytes.size(), final, sink,
               [](std::u16string_view t, Sink& o) { appendBytes(t, o.o); });
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
