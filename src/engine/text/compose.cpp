#include "text/compose.h"

#include <cstring>

namespace lettrica::text {

std::size_t composeCyrillic(std::u16string& text) {
    std::size_t w = 0;
    for (std::size_t r = 0; r < text.size(); ++r) {
        const char16_t c = text[r];
        if (w > 0 && (c == 0x306 || c == 0x308)) {
            if (const char16_t composed = composedCyrillic(text[w - 1], c)) {
                text[w - 1] = composed;
                continue;
            }
        }
        text[w++] = c;
    }
    const std::size_t removed = text.size() - w;
    text.resize(w);
    return removed;
}

namespace {

// The UTF-8 of Е е И и is D0 95, D0 B5, D0 98, D0 B8; the marks are CC 86
// and CC 88; the composed letters Ё ё Й й are D0 81, D1 91, D0 99, D0 B9.
bool composeAt(const unsigned char* p, unsigned char& lead, unsigned char& trail) {
    if (p[0] != 0xD0 || p[2] != 0xCC) return false;
    if (p[3] == 0x88 && p[1] == 0x95) lead = 0xD0, trail = 0x81;
    else if (p[3] == 0x88 && p[1] == 0xB5) lead = 0xD1, trail = 0x91;
    else if (p[3] == 0x86 && p[1] == 0x98) lead = 0xD0, trail = 0x99;
    else if (p[3] == 0x86 && p[1] == 0xB8) lead = 0xD0, trail = 0xB9;
    else return false;
    return true;
}

}  // namespace

bool composeCyrillicUtf8(std::string_view utf8, std::string& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    // Marks are rare: find the first that composes before copying anything.
    std::size_t i = 2;
    unsigned char lead = 0, trail = 0;
    for (;; ++i) {
        const void* hit = i < n ? std::memchr(p + i, 0xCC, n - i) : nullptr;
        if (!hit) return false;
        i = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - p);
        if (i >= 2 && i + 1 < n && composeAt(p + i - 2, lead, trail)) break;
    }
    out.assign(utf8.substr(0, i - 2));
    for (i -= 2; i < n;) {
        if (i + 3 < n && composeAt(p + i, lead, trail)) {
            out.push_back(static_cast<char>(lead));
            out.push_back(static_cast<char>(trail));
            i += 4;
        } else {
            out.push_back(static_cast<char>(p[i++]));
        }
    }
    return true;
}

std::size_t composeHoldBack(std::string_view utf8) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    const auto base = [p](std::size_t at) {
        return p[at] == 0xD0 && (p[at + 1] == 0x95 || p[at + 1] == 0xB5 || p[at + 1] == 0x98 || p[at + 1] == 0xB8);
    };
    if (n >= 2 && base(n - 2)) return 2;
    if (n >= 3 && p[n - 1] == 0xCC && base(n - 3)) return 3;
    return 0;
}

}  // namespace lettrica::text
