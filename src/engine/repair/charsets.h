#pragma once
// The character sets among which a Russian text gets garbled: the text is
// written in one and read back in another. UTF-8 and seven single-byte code
// pages, each byte of which stands for one character (a byte a page leaves
// unassigned stands for the C1 control of the same value, so no byte is lost).

#include <array>
#include <cstdint>

namespace lettrica::repair {

enum class Charset : std::uint8_t { Utf8, Windows1251, Dos866, Koi8R, Iso8859_5, MacCyrillic, Latin1, Windows1252 };
inline constexpr int kCharsetCount = 8;
inline constexpr std::array<Charset, kCharsetCount> kAllCharsets = {
    Charset::Utf8,      Charset::Windows1251, Charset::Dos866, Charset::Koi8R,
    Charset::Iso8859_5, Charset::MacCyrillic, Charset::Latin1, Charset::Windows1252};

// "UTF-8", "Windows-1251", "DOS 866", "KOI8-R", "ISO 8859-5", "Mac Cyrillic",
// "Latin-1", "Windows-1252".
const char* charsetName(Charset charset);
// Whether Russian text can be written in it at all.
bool holdsRussian(Charset charset);

// Bit (1 << charset) set for each character set that can write `ch`; UTF-8
// writes everything but a lone surrogate.
std::uint8_t charsetsWriting(char16_t ch);
// The same for every character of the BMP, indexed by the character.
const std::uint8_t* charsetsWritingTable();

// Single-byte pages only: the character of a byte, and the byte of a
// character (-1 when the page has none).
char16_t charOfByte(Charset page, unsigned char byte);
int byteOfChar(Charset page, char16_t ch);

// The same lookups without a call, for loops over whole texts.
struct PageView {
    const char16_t* chars;          // by byte
    const std::uint8_t* bytes;      // by character, valid where `writers` has the page's bit
    const std::uint8_t* writers;    // charsetsWriting() by character
    std::uint8_t bit;
    int byteOf(char16_t ch) const { return (writers[ch] & bit) ? bytes[ch] : -1; }
};
PageView pageView(Charset page);

}  // namespace lettrica::repair
