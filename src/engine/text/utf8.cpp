#include "text/utf8.h"

#include <cstdint>

namespace lettrica::text {

namespace {
inline bool isCont(unsigned char c) { return (c & 0xC0) == 0x80; }
}

Utf8Check checkUtf8(std::string_view bytes) {
    Utf8Check r;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size(), i = 0;
    while (i < n) {
        unsigned char c = p[i];
        if (c < 0x80) { ++i; continue; }
        std::size_t len;
        std::uint32_t min;
        if (c >= 0xC2 && c <= 0xDF) { len = 2; min = 0x80; }
        else if (c >= 0xE0 && c <= 0xEF) { len = 3; min = 0x800; }
        else if (c >= 0xF0 && c <= 0xF4) { len = 4; min = 0x10000; }
        else { r.valid = false; r.completePrefix = i; return r; }
        if (i + len > n) {
            // Truncated at the end: the prefix is fine, the tail may continue
            // in the next chunk. Still check what is there.
            for (std::size_t k = 1; i + k < n; ++k)
                if (!isCont(p[i + k])) { r.valid = false; r.completePrefix = i; return r; }
            r.completePrefix = i;
            return r;
        }
        std::uint32_t cp = c & (0x7F >> len);
        for (std::size_t k = 1; k < len; ++k) {
            if (!isCont(p[i + k])) { r.valid = false; r.completePrefix = i; return r; }
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            r.valid = false; r.completePrefix = i; return r;
        }
        i += len;
    }
    r.completePrefix = n;
    return r;
}

void appendDecodedUtf8(std::string_view bytes, std::u16string& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size(), i = 0;
    out.reserve(out.size() + n);
    while (i < n) {
        unsigned char c = p[i];
        if (c < 0x80) { out.push_back(c); ++i; continue; }
        std::uint32_t cp;
        if (c < 0xE0) { cp = ((c & 0x1F) << 6) | (p[i + 1] & 0x3F); i += 2; }
        else if (c < 0xF0) { cp = ((c & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F); i += 3; }
        else {
            cp = ((c & 0x07) << 18) | ((p[i + 1] & 0x3F) << 12) | ((p[i + 2] & 0x3F) << 6) | (p[i + 3] & 0x3F);
            i += 4;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
}

std::u16string decodeUtf8(std::string_view bytes) {
    std::u16string out;
    appendDecodedUtf8(bytes, out);
    return out;
}

void appendEncodedUtf8(std::u16string_view text, std::string& out) {
    out.reserve(out.size() + text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) out.push_back(static_cast<char>(cp));
        else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
}

std::string encodeUtf8(std::u16string_view text) {
    std::string out;
    appendEncodedUtf8(text, out);
    return out;
}

}  // namespace lettrica::text
