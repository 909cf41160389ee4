#include "translit/cyrillic_to_latin.h"

#include "text/cp1251.h"

namespace lettrica::translit {

namespace {

struct Row {
    unsigned char capital, small;  // Windows-1251 codes
    const char* gostCapital;
    const char* gostSmall;
    const char* angloCapital;
    const char* angloSmall;
};

// The 66 letters in alphabet order. Signs: 22 is ", 27 is ', 60 is `.
constexpr Row kRows[] = {
    {0xC0, 0xE0, "A", "a", "A", "a"},
    {0xC1, 0xE1, "B", "b", "B", "b"},
    {0xC2, 0xE2, "V", "v", "V", "v"},
    {0xC3, 0xE3, "G", "g", "G", "g"},
    {0xC4, 0xE4, "D", "d", "D", "d"},
    {0xC5, 0xE5, "E", "e", "E", "e"},
    {0xA8, 0xB8, "Jo", "jo", "E", "e"},
    {0xC6, 0xE6, "Zh", "zh", "Zh", "zh"},
    {0xC7, 0xE7, "Z", "z", "Z", "z"},
    {0xC8, 0xE8, "I", "i", "I", "i"},
    {0xC9, 0xE9, "Jj", "jj", "J", "j"},
    {0xCA, 0xEA, "K", "k", "K", "k"},
    {0xCB, 0xEB, "L", "l", "L", "l"},
    {0xCC, 0xEC, "M", "m", "M", "m"},
    {0xCD, 0xED, "N", "n", "N", "n"},
    {0xCE, 0xEE, "O", "o", "O", "o"},
    {0xCF, 0xEF, "P", "p", "P", "p"},
    {0xD0, 0xF0, "R", "r", "R", "r"},
    {0xD1, 0xF1, "S", "s", "S", "s"},
    {0xD2, 0xF2, "T", "t", "T", "t"},
    {0xD3, 0xF3, "U", "u", "U", "u"},
    {0xD4, 0xF4, "F", "f", "F", "f"},
    {0xD5, 0xF5, "Kh", "kh", "H", "h"},
    {0xD6, 0xF6, "C", "c", "C", "c"},
    {0xD7, 0xF7, "Ch", "ch", "Ch", "ch"},
    {0xD8, 0xF8, "Sh", "sh", "Sh", "sh"},
    {0xD9, 0xF9, "Shh", "shh", "Sch", "sch"},
    {0xDA, 0xFA, "\x22", "\x22", "\x60\x60", "\x60"},
    {0xDB, 0xFB, "Y", "y", "Y", "y"},
    {0xDC, 0xFC, "\x27", "\x27", "\x27\x27", "\x27"},
    {0xDD, 0xFD, "Eh", "eh", "\x60" "E", "\x60" "e"},
    {0xDE, 0xFE, "Ju", "ju", "Yu", "yu"},
    {0xDF, 0xFF, "Ja", "ja", "Ya", "ya"},
};
static_assert(sizeof(kRows) / sizeof(kRows[0]) == 33);

CharMap buildMap(bool gost) {
    CharMap map;
    for (const Row& r : kRows) {
        map[r.capital] = text::fromCp1251(gost ? r.gostCapital : r.angloCapital);
        map[r.small] = text::fromCp1251(gost ? r.gostSmall : r.angloSmall);
    }
    return map;
}

}  // namespace

const CharMapConverter& gostCyrillicToLatin() {
    static const CharMapConverter converter(buildMap(true));
    return converter;
}

const CharMapConverter& angloCyrillicToLatin() {
    static const CharMapConverter converter(buildMap(false));
    return converter;
}

}  // namespace lettrica::translit
