#include "repair/charsets.h"

#include <memory>
#include <vector>

#include "text/code_pages.h"

namespace lettrica::repair {

namespace {

int codePageNumber(Charset charset) {
    switch (charset) {
    case Charset::Windows1251: return 1251;
    case Charset::Dos866: return 866;
    case Charset::Koi8R: return 20866;
    case Charset::Iso8859_5: return 28595;
    case Charset::MacCyrillic: return 10007;
    case Charset::Latin1: return 28591;
    case Charset::Windows1252: return 1252;
    case Charset::Utf8: break;
    }
    return 0;
}

// Every page's bytes by character, and which pages write each character:
// one table over the whole BMP for the mask, a byte per page and character
// for the rest (7 x 64 KiB, built once).
struct Tables {
    std::array<const text::CodePageTable*, kCharsetCount> pages{};
    std::unique_ptr<std::uint8_t[]> writers{new std::uint8_t[0x10000]};
    std::array<std::unique_ptr<std::uint8_t[]>, kCharsetCount> bytes;

    Tables() {
        for (int u = 0; u < 0x10000; ++u)
            writers[u] = (u >= 0xD800 && u <= 0xDFFF) ? 0 : 1u << static_cast<int>(Charset::Utf8);
        for (Charset c : kAllCharsets) {
            if (c == Charset::Utf8) continue;
            const int i = static_cast<int>(c);
            pages[i] = text::singleByteCodePage(codePageNumber(c));
            bytes[i].reset(new std::uint8_t[0x10000]());
            for (int b = 0; b < 256; ++b) {
                const char16_t u = (*pages[i])[b];
                bytes[i][u] = static_cast<std::uint8_t>(b);
                writers[u] |= static_cast<std::uint8_t>(1u << i);
            }
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

}  // namespace

const char* charsetName(Charset charset) {
    switch (charset) {
    case Charset::Utf8: return "UTF-8";
    case Charset::Windows1251: return "Windows-1251";
    case Charset::Dos866: return "DOS 866";
    case Charset::Koi8R: return "KOI8-R";
    case Charset::Iso8859_5: return "ISO 8859-5";
    case Charset::MacCyrillic: return "Mac Cyrillic";
    case Charset::Latin1: return "Latin-1";
    case Charset::Windows1252: return "Windows-1252";
    }
    return "";
}

bool holdsRussian(Charset charset) { return charset != Charset::Latin1 && charset != Charset::Windows1252; }

std::uint8_t charsetsWriting(char16_t ch) { return tables().writers[ch]; }

const std::uint8_t* charsetsWritingTable() { return tables().writers.get(); }

char16_t charOfByte(Charset page, unsigned char byte) { return (*tables().pages[static_cast<int>(page)])[byte]; }

int byteOfChar(Charset page, char16_t ch) {
    const Tables& t = tables();
    const int i = static_cast<int>(page);
    if (!(t.writers[ch] & (1u << i))) return -1;
    return t.bytes[i][ch];
}

}  // namespace lettrica::repair

namespace lettrica::repair {

PageView pageView(Charset page) {
    const Tables& t = tables();
    const int i = static_cast<int>(page);
    return PageView{t.pages[i]->data(), t.bytes[i].get(), t.writers.get(), static_cast<std::uint8_t>(1u << i)};
}

}  // namespace lettrica::repair
