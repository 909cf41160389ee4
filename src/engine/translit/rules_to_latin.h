#pragma once
// Cyrillic -> Latin by the rules of a system (system_rules.h), context and
// all. Capitals: a capital whose neighbours in its word are capitals writes
// its whole output in capitals ("ЩУКА" -> "SHCHUKA"), any other only the
// first character ("Щука" -> "Shchuka", "Я" -> "Ya").
//
// Over bytes, runs of ASCII and Cyrillic go through tables made from the
// rules: a character costs one look-up by the class of the character before
// and itself; a capital between capitals a second one; a small letter that
// the next letter changes ("ий" at a word's end) one in a table of the pair
// and the character after them. The rules themselves run only where the
// tables cannot tell: beside characters of other kinds, marks, or capitals
// whose next letter changes them, and at the start of each piece.

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "convert/converter.h"
#include "translit/system_rules.h"

namespace lettrica::translit {

class RulesToLatin : public Converter {
public:
    explicit RulesToLatin(SystemRules rules);

    const SystemRules& rules() const { return rules_; }

    Step step(std::u16string_view text, std::size_t pos) const override;
    std::size_t lookahead() const override { return lookahead_; }
    std::size_t lookbehind() const override { return kBehind; }
    std::size_t convertBytes(std::string_view bytes, bool final, std::string& out) const override {
        return convertBytesAfter(0, bytes, final, out);
    }
    std::size_t convertUtf8(std::string_view utf8, bool final, std::string& out) const override {
        return convertUtf8After(0, utf8, final, out);
    }
    std::size_t convertBytesAfter(std::size_t context, std::string_view bytes, bool final,
                                  std::string& out) const override;
    std::size_t convertUtf8After(std::size_t context, std::string_view utf8, bool final,
                                 std::string& out) const override;

    // A letter and up to two combining marks.
    static constexpr std::size_t kBehind = 3;

    // What a rule writes: small, first character capital, all capitals.
    struct Forms {
        const Rule* rule;
        std::u16string text[3];
        std::string utf8[3];
        std::string cp1251[3];
        bool inCp1251[3];
    };
    struct Match {
        const Forms* forms = nullptr;  // null: the character stays
        int form = 0;
        std::size_t span = 1;
    };
    // The rule at s[pos]; s[0..n) is all the text there is to see.
    Match matchAt(const char16_t* s, std::size_t n, std::size_t pos) const;

    struct Tables;

private:
    // One step by the rules at byte q: the bytes and characters taken, the
    // code of the last (256 for none), and where the output now ends.
    struct Slow {
        std::size_t taken, chars;
        unsigned last;
        char* dst;
    };
    template <bool Utf8>
    Slow slowStep(const unsigned char* p, std::size_t n, std::size_t q, char* dst) const;
    template <bool Utf8>
    std::size_t run(std::size_t context, std::string_view bytes, bool final, std::string& out) const;

    SystemRules rules_;
    std::vector<Forms> forms_;  // by first letter, then in the order rules are tried
    std::array<std::pair<std::uint16_t, std::uint16_t>, 256> byCode_{};  // rules of a code's small letter
    std::vector<std::pair<char16_t, std::pair<std::uint16_t, std::uint16_t>>> byOther_;  // of other letters
    std::size_t lookahead_ = 3;
    std::shared_ptr<const Tables> tables_;
};

}  // namespace lettrica::translit
