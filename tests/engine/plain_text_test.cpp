#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "docio/plain_text.h"

using lettrica::docio::decodeTextFile;
using lettrica::docio::TextEncoding;

namespace {

std::string utf16(std::u16string_view text, bool little) {
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (char16_t c : text) {
        const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
        bytes += little ? std::string{lo, hi} : std::string{hi, lo};
    }
    return bytes;
}

}  // namespace

// What Notepad saves as "Unicode" opens as its text, in either byte order,
// surrogate pairs included; the mark is not part of the text.
TEST(PlainTextFile, Utf16WithItsMarkOpensAsText) {
    const std::u16string text = u"Привет, мир!\r\nЁлка \U0001F384";
    for (bool little : {true, false}) {
        const auto decoded = decodeTextFile(utf16(text, little));
        EXPECT_EQ(decoded.encoding, TextEncoding::Utf16);
        EXPECT_EQ(decoded.text, text);
    }
    EXPECT_EQ(decodeTextFile("\xFF\xFE").text, u"");
}

// Bytes that only look like UTF-16 stay Windows-1251: nothing of them is lost.
TEST(PlainTextFile, WhatIsNotWholeUtf16StaysWindows1251) {
    const std::string odd = utf16(u"Да", true) + "\xE0";            // a byte left over
    const std::string unpaired = utf16(u"Да", true) + "\x3D\xD8";  // half a pair at the end
    const std::string lowAlone = utf16(u"Да", true) + std::string("\x00\xDC", 2);  // a low half alone
    for (const std::string& bytes : {odd, unpaired, lowAlone}) {
        const auto decoded = decodeTextFile(bytes);
        EXPECT_EQ(decoded.encoding, TextEncoding::Cp1251);
        ASSERT_EQ(decoded.text.size(), bytes.size());
        EXPECT_EQ(decoded.text.substr(0, 2), u"яю");
    }
    // UTF-8 and its mark, and Windows-1251, as before.
    EXPECT_EQ(decodeTextFile("\xEF\xBB\xBF\xD0\x94\xD0\xB0").text, u"Да");
    EXPECT_EQ(decodeTextFile("\xC4\xE0").encoding, TextEncoding::Cp1251);
}

// Decoding piece by piece gives what decoding the whole file gives, however
// the pieces fall: a character or a CR LF cut between two pieces, an
// invalid byte late in the file, a byte-order mark, UTF-16.
TEST(PlainTextFile, PiecesDecodeAsTheWholeFile) {
    using lettrica::docio::normalizeLineEnds;
    using lettrica::docio::TextFileDecoder;
    const std::string utf8 = "\xEF\xBB\xBF\xD0\x9F\xD1\x80\xD0\xB8\r\n\xE2\x80\x94 \xF0\x9F\x8E\x84\r\r\n\nend\r";
    const std::vector<std::string> files = {
        "", "\r\n", "\xEF\xBB\xBF", utf8, utf8 + "\xE0\xF2",  // invalid at the end: all of it Windows-1251
        "\xCF\xF0\xE8\r\n\xE2\xE5\xF2\r", utf16(u"Да\r\nнет\r", true), std::string(3000, '\r') + "\n\xD0\x94",
    };
    std::uint32_t seed = 7;
    for (const std::string& file : files) {
        const auto whole = decodeTextFile(file);
        for (int round = 0; round < 50; ++round) {
            TextFileDecoder decoder(file);
            std::u16string text;
            while (!decoder.step(text, (seed = seed * 1103515245 + 12345) >> 16 & 7)) {}
            EXPECT_EQ(decoder.encoding(), whole.encoding);
            ASSERT_EQ(text, normalizeLineEnds(whole.text)) << "file " << &file - files.data() << ", round " << round;
            EXPECT_EQ(decoder.progress(), decoder.total());
            const auto ends = static_cast<std::size_t>(std::count(text.begin(), text.end(), u'\n'));
            EXPECT_EQ(decoder.lineEnds(), ends);
            EXPECT_EQ(decoder.characters(), text.size() - ends);
        }
    }
}
