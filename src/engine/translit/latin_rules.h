#pragma once
// The Latin -> Cyrillic systems as data: what each Latin character gives
// alone, and the rules of two or three characters. Every path of the
// converter (one step, the table loop, the vector loop) is made from these
// lists, so the systems are stated once.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lettrica::translit::latin {

// A rule applies at a character of `first` followed by one of `second` (and,
// when `third` is not empty, then by one of `third`). A set of two characters
// is a letter in either case, a set of one is that character only. Rules are
// tried in order; the first that applies wins. The result's case follows the
// first character.
struct Rule {
    std::string_view first, second, third;
    char16_t capital, small;
    constexpr std::size_t span() const { return third.empty() ? 2 : 3; }
};

// A sign character and what it gives alone.
struct Sign {
    char character;
    char16_t result;
};

// The rules an ASCII character begins: rules[begin, end).
struct RuleRange {
    std::uint8_t begin = 0, end = 0;
};

struct System {
    const Rule* rules;
    std::size_t ruleCount;
    const Sign* signs;
    std::size_t signCount;
    const RuleRange* ranges;  // 128 of them
};

// Single letters, A..Z, the same in both systems.
inline constexpr std::u16string_view kCapitals[26] = {
    u"А", u"Б", u"Ц", u"Д", u"Е", u"Ф", u"Г", u"Х", u"И", u"Й", u"К", u"Л", u"М",
    u"Н", u"О", u"П", u"Ку", u"Р", u"С", u"Т", u"У", u"В", u"В", u"Икс", u"Ы", u"З"};
inline constexpr std::u16string_view kSmalls[26] = {
    u"а", u"б", u"ц", u"д", u"е", u"ф", u"г", u"х", u"и", u"й", u"к", u"л", u"м",
    u"н", u"о", u"п", u"ку", u"р", u"с", u"т", u"у", u"в", u"в", u"икс", u"ы", u"з"};

// GOST: "Shh" is tried before "Sh".
inline constexpr Rule kGostRules[] = {
    {"Cc", "Hh", "", u'Ч', u'ч'}, {"Ee", "Hh", "", u'Э', u'э'}, {"Kk", "Hh", "", u'Х', u'х'},
    {"Zz", "Hh", "", u'Ж', u'ж'}, {"Ss", "Hh", "Hh", u'Щ', u'щ'}, {"Ss", "Hh", "", u'Ш', u'ш'},
    {"Jj", "Aa", "", u'Я', u'я'}, {"Jj", "Jj", "", u'Й', u'й'}, {"Jj", "Oo", "", u'Ё', u'ё'},
    {"Jj", "Uu", "", u'Ю', u'ю'},
};
inline constexpr Sign kGostSigns[] = {{'"', u'ъ'}, {'\'', u'ь'}};

// Anglo-American: "Sh" wins over "Sch", which needs C right after the S.
inline constexpr Rule kAngloRules[] = {
    {"Cc", "Hh", "", u'Ч', u'ч'}, {"Zz", "Hh", "", u'Ж', u'ж'}, {"Ss", "Hh", "", u'Ш', u'ш'},
    {"Ss", "Cc", "Hh", u'Щ', u'щ'}, {"Yy", "Aa", "", u'Я', u'я'}, {"Yy", "Uu", "", u'Ю', u'ю'},
    {"`", "E", "", u'Э', u'Э'}, {"`", "`", "", u'Ъ', u'Ъ'}, {"`", "e", "", u'э', u'э'},
    {"'", "'", "", u'Ь', u'Ь'},
};
inline constexpr Sign kAngloSigns[] = {{'\'', u'ь'}, {'`', u'ъ'}};

constexpr bool inSet(std::string_view set, unsigned c) {
    return c < 0x80 && set.find(static_cast<char>(c)) != std::string_view::npos;
}

// What a character gives standing alone; empty when it stays as it is.
inline std::u16string_view aloneOf(const System& system, unsigned c) {
    if (c >= 'A' && c <= 'Z') return kCapitals[c - 'A'];
    if (c >= 'a' && c <= 'z') return kSmalls[c - 'a'];
    for (std::size_t i = 0; i < system.signCount; ++i)
        if (static_cast<unsigned char>(system.signs[i].character) == c) return {&system.signs[i].result, 1};
    return {};
}

// The rules of one first character stand together, so each has one range.
template <std::size_t N>
constexpr std::array<RuleRange, 128> rangesOf(const Rule (&rules)[N]) {
    std::array<RuleRange, 128> ranges{};
    for (unsigned c = 0; c < 128; ++c) {
        std::size_t i = 0;
        while (i < N && !inSet(rules[i].first, c)) ++i;
        std::size_t end = i;
        while (end < N && inSet(rules[end].first, c)) ++end;
        for (std::size_t k = end; k < N; ++k)
            if (inSet(rules[k].first, c)) throw "the rules of a first character must stand together";
        ranges[c] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(end)};
    }
    return ranges;
}

inline constexpr std::array<RuleRange, 128> kGostRanges = rangesOf(kGostRules);
inline constexpr std::array<RuleRange, 128> kAngloRanges = rangesOf(kAngloRules);

inline constexpr System kGost{kGostRules, std::size(kGostRules), kGostSigns, std::size(kGostSigns), kGostRanges.data()};
inline constexpr System kAnglo{kAngloRules, std::size(kAngloRules), kAngloSigns, std::size(kAngloSigns),
                               kAngloRanges.data()};

// The Windows-1251 byte of a result letter (А..я, Ё, ё).
constexpr unsigned char cp1251Of(char16_t letter) {
    if (letter == u'Ё') return 0xA8;
    if (letter == u'ё') return 0xB8;
    return static_cast<unsigned char>(letter - 0x350);
}

}  // namespace lettrica::translit::latin
