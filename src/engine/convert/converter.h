#pragma once
// The conversion step: what every converter of the program promises the
// drivers (the document driver of the desktop, the stream driver of the
// command line). A step looks at the character at `pos` and maybe one or two
// after it, and either keeps that character or replaces a span of one to three
// characters by a text. Transliteration, recoding and case change all fulfil it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <stdexcept>
#include <string_view>

namespace lettrica::translit {

struct UnencodableOutput : std::runtime_error {
    explicit UnencodableOutput(char32_t character)
        : std::runtime_error("the output holds a character that Windows-1251 lacks"), character(character) {}
    char32_t character;
};

struct Step {
    std::u16string_view replacement;  // what to write; empty is allowed
    std::uint8_t span = 1;            // source characters replaced: 1..3, more in a paragraph's plan
    bool keep = false;                // true: the character stays unchanged

    static Step keepOne() { return Step{{}, 1, true}; }
    static Step replace(std::u16string_view text, std::uint8_t span = 1) { return Step{text, span, false}; }
};

class Converter {
public:
    virtual ~Converter() = default;

    // One step at text[pos]. Reads at most lookahead() characters after pos and
    // never past the end of `text`; a rule that needs more than is left does
    // not apply.
    virtual Step step(std::u16string_view text, std::size_t pos) const = 0;

    // How many characters after the current one a step may need to see.
    virtual std::size_t lookahead() const { return 0; }

    // Most converters decide character by character. One that must judge a
    // whole paragraph first (the repair of garbled text) returns here, for a
    // paragraph, the converter that then runs over it; a driver that knows
    // paragraphs asks once for each and gives that converter's steps the
    // whole paragraph, positions counted from its start. Null: this one
    // converts the paragraph itself.
    virtual std::shared_ptr<const Converter> forParagraph(std::u16string_view paragraph) const {
        (void)paragraph;
        return nullptr;
    }

    // Converts `text` into `out`. Unless `final`, the last lookahead()
    // characters are left for the next call, since a rule might continue
    // beyond them. Returns the number of characters consumed.
    virtual std::size_t convertText(std::u16string_view text, bool final, std::u16string& out) const;

    // The same over Windows-1251 bytes: input bytes, output bytes. The
    // tables of the program and the user's write Windows-1251 texts; a
    // system that writes a letter Windows-1251 lacks ("š") throws
    // UnencodableOutput when it comes to one, rather than write another.
    virtual std::size_t convertBytes(std::string_view bytes, bool final, std::string& out) const;

    // The same over valid UTF-8: input bytes, output bytes. Unless `final`, a
    // character cut at the end and the lookahead() characters before it are
    // left for the next call. Returns the number of bytes consumed. The
    // default goes through UTF-16; converters override it with a direct loop.
    virtual std::size_t convertUtf8(std::string_view utf8, bool final, std::string& out) const;

    // How many characters before the current one a step may read (a rule
    // for "е after a vowel"). A driver that converts in pieces keeps that
    // many of the characters it has converted and hands them back as the
    // first `context` bytes of the next piece, which the two calls below
    // read but do not convert; they return the bytes consumed after them.
    // The defaults step over the text decoded whole.
    virtual std::size_t lookbehind() const { return 0; }
    virtual std::size_t convertBytesAfter(std::size_t context, std::string_view bytes, bool final,
                                          std::string& out) const;
    virtual std::size_t convertUtf8After(std::size_t context, std::string_view utf8, bool final,
                                         std::string& out) const;
};

// Convenience for tests and small texts: the whole text at once, its
// decomposed letters composed first as the drivers do.
std::u16string convertAll(const Converter& converter, std::u16string_view text);

}  // namespace lettrica::translit
