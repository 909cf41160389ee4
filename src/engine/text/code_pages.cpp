#include "text/code_pages.h"

#include <iconv.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "text/cp1251.h"

namespace lettrica::text {

const CodePageTable* singleByteCodePage(int codePage) {
    if (codePage == 1251) return &kCp1251ToUnicode;
    // Whole tables, ASCII and the stated upper half, made once.
    static const std::vector<CodePageTable> tables = [] {
        std::vector<CodePageTable> all(detail::kCodePageCount);
        for (std::size_t i = 0; i < all.size(); ++i) {
            for (int b = 0; b < 0x80; ++b) all[i][b] = static_cast<char16_t>(b);
            std::copy(detail::kCodePages[i].upper->begin(), detail::kCodePages[i].upper->end(), all[i].begin() + 0x80);
        }
        return all;
    }();
    for (std::size_t i = 0; i < detail::kCodePageCount; ++i)
        if (detail::kCodePages[i].number == codePage) return &tables[i];
    return nullptr;
}

bool isDoubleByteCodePage(int codePage) {
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

bool isLeadByte(int codePage, unsigned char byte) {
    if (codePage == 932) return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    return isDoubleByteCodePage(codePage) && byte >= 0x81 && byte <= 0xFE;
}

namespace {

// One converter per page and thread, opened on first use and kept.
class DoubleByteDecoder {
public:
    explicit DoubleByteDecoder(const char* name) : cd_(iconv_open("UTF-32LE", name)) {}
    ~DoubleByteDecoder() {
        if (cd_ != invalid()) iconv_close(cd_);
    }
    DoubleByteDecoder(const DoubleByteDecoder&) = delete;
    DoubleByteDecoder& operator=(const DoubleByteDecoder&) = delete;

    char32_t decode(unsigned char lead, unsigned char trail) {
        if (cd_ == invalid()) return U'\uFFFD';
        char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        char* inPtr = lead ? in : in + 1;
        std::size_t inLeft = lead ? 2 : 1;
        unsigned char out[8];
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t outLeft = sizeof out;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0 ||
            outLeft != 4)
            return U'\uFFFD';
        return static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | std::uint32_t{out[3]} << 24);
    }

private:
    static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }
    iconv_t cd_;
};

}  // namespace

char32_t decodeDoubleByte(int codePage, unsigned char lead, unsigned char trail) {
    thread_local DoubleByteDecoder cp932("CP932"), cp936("CP936"), cp949("CP949"), cp950("CP950");
    switch (codePage) {
    case 932: return cp932.decode(lead, trail);
    case 936: return cp936.decode(lead, trail);
    case 949: return cp949.decode(lead, trail);
    case 950: return cp950.decode(lead, trail);
    default: return U'\uFFFD';
    }
}

int codePageOfCharset(int charset, int fallback) {
    switch (charset) {
    case 0: return 1252;     // ANSI
    case 2: return 1252;     // symbol fonts: their bytes are glyph numbers; Latin-1 keeps them visible
    case 77: return 10000;   // Macintosh
    case 128: return 932;    // Shift JIS
    case 129: return 949;    // Hangul
    case 134: return 936;    // GB 2312
    case 136: return 950;    // Big5
    case 161: return 1253;   // Greek
    case 162: return 1254;   // Turkish
    case 163: return 1258;   // Vietnamese
    case 177: return 1255;   // Hebrew
    case 178: return 1256;   // Arabic
    case 186: return 1257;   // Baltic
    case 204: return 1251;   // Russian
    case 222: return 874;    // Thai
    case 238: return 1250;   // Eastern European
    case 254: return 437;    // PC 437
    case 255: return 850;    // OEM
    default: return fallback;  // 1 (default) and anything unknown
    }
}

}  // namespace lettrica::text
