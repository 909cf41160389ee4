#pragma once
// A transliteration system written as rules, in a format of our own (UTF-8,
// one statement a line, '#' starts a comment):
//
//   name      gost-779                      the name on the command line
//   caption   ГОСТ 7.79-2000, система А     the name in the window's menu
//   purpose   Library catalogues ...        one line on what it is for
//   purpose-ru Библиотечные каталоги ...    the same line in Russian, for the
//                                           window
//   back      exact | words | none          how to-cyrillic reads it back
//   set vowel аеёиоуыэюя                    a named set of small letters
//   е  ye  after ^ vowel ъ ь                a rule
//   ий y   before $
//   ь  -                                    "-" writes nothing
//   < ie ие                                 reading back without a word
//                                           list: "ie" is "ие"
//
// A rule rewrites one to three small Cyrillic letters (a capital is matched
// by its small letter) as a Latin text. `after` asks for the letter before,
// `before` for the character after what the rule takes: a set, letters, "^"
// for no letter before (a word's start) and "$" for no letter after (its
// end); any one of them will do. Up to two combining marks beside a letter
// are skipped when looking either way. The longest source that applies
// wins; among rules of one source, those with conditions are tried first,
// in the file's order.

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lettrica::translit {

struct Condition {
    bool used = false;
    bool boundary = false;  // ^ or $: no letter there
    std::u16string letters;
    std::array<std::uint64_t, 4> block{};  // the letters of U+0400..U+04FF, as bits
    bool holds(char16_t neighbour, bool isLetter) const;
};

struct Rule {
    std::u16string source;  // small letters
    std::u16string output;  // small
    Condition after, before;
    bool conditional() const { return after.used || before.used; }
};

enum class WayBack { None, Exact, Words };

struct SystemRules {
    std::string name;
    std::string caption;  // UTF-8
    std::string purpose;
    std::string purposeInRussian;  // UTF-8
    WayBack back = WayBack::None;
    std::vector<Rule> rules;
    // "< latin cyrillic": how a Latin piece reads back when no word decides.
    std::vector<std::pair<std::u16string, std::u16string>> readings;
};

struct RulesError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Throws RulesError naming the line.
SystemRules parseSystemRules(std::string_view text);

}  // namespace lettrica::translit
