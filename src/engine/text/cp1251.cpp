#include "text/cp1251.h"

#include <memory>

namespace lettrica::text {

namespace {
constexpr std::array<char16_t, 256> makeCp1251Table() {
    std::array<char16_t, 256> t{};
    for (int i = 0; i < 0x80; ++i) t[i] = static_cast<char16_t>(i);
    constexpr char16_t upper[64] = {
        // 80..8F
        0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
        0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
        // 90..9F (98 is unassigned: kept as the C1 control of the same value)
        0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
        // A0..AF
        0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
        0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
        // B0..BF
        0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
        0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    };
    for (int i = 0; i < 64; ++i) t[0x80 + i] = upper[i];
    for (int i = 0; i < 64; ++i) t[0xC0 + i] = static_cast<char16_t>(0x0410 + i);
    return t;
}

// Reverse map over the whole BMP: 0xFFFF marks "no byte".
struct ReverseTable {
    std::unique_ptr<std::uint16_t[]> map{new std::uint16_t[0x10000]};
    ReverseTable() {
        for (int u = 0; u < 0x10000; ++u) map[u] = 0xFFFF;
        for (int b = 0; b < 256; ++b) map[kCp1251ToUnicode[b]] = static_cast<std::uint16_t>(b);
    }
};
const ReverseTable& reverse() {
    static const ReverseTable table;
    return table;
}
}  // namespace

const std::array<char16_t, 256> kCp1251ToUnicode = makeCp1251Table();

int unicodeToCp1251(char16_t ch) {
    std::uint16_t b = reverse().map[ch];
    return b == 0xFFFF ? -1 : static_cast<int>(b);
}

void appendDecodedCp1251(std::string_view bytes, std::u16string& out) {
    std::size_t base = out.size();
    out.resize(base + bytes.size());
    char16_t* dst = out.data() + base;
    for (unsigned char c : bytes) *dst++ = kCp1251ToUnicode[c];
}

std::u16string decodeCp1251(std::string_view bytes) {
    std::u16string out;
    appendDecodedCp1251(bytes, out);
    return out;
}

EncodeResult encodeCp1251(std::u16string_view text) {
    EncodeResult result;
    result.bytes.resize(text.size());
    const std::uint16_t* map = reverse().map.get();
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint16_t b = map[text[i]];
        if (b == 0xFFFF) {
            result.bytes.resize(i);
            result.unmappableAt = i;
            return result;
        }
        result.bytes[i] = static_cast<char>(b);
    }
    return result;
}

std::u16string fromCp1251(std::string_view bytes) { return decodeCp1251(bytes); }

}  // namespace lettrica::text
