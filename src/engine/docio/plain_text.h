#pragma once
// Plain-text files as the panes take them: UTF-8 when the bytes are valid
// UTF-8 (a leading byte-order mark dropped); UTF-16 when a byte-order mark
// says so and the rest is whole, valid UTF-16 (what Notepad saves as
// "Unicode"); Windows-1251 otherwise. Line ends of any kind (CR LF, LF, CR)
// end a paragraph.

#include <string>
#include <string_view>

namespace lettrica::docio {

enum class TextEncoding { Utf8, Utf16, Cp1251 };

struct DecodedText {
    std::u16string text;
    TextEncoding encoding;
};

DecodedText decodeTextFile(std::string_view bytes);

// The text with every line end made a single LF.
std::u16string normalizeLineEnds(std::u16string_view text);

}  // namespace lettrica::docio
