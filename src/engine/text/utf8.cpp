#include "text/utf8.h"

#include <cstdint>
#include <algorithm>
#include <cstring>

#include "text/output_cursor.h"

namespace lettrica::text {

namespace {
inline bool isCont(unsigned char c) { return (c & 0xC0) == 0x80; }

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

inline std::uint64_t load64(const unsigned char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}
}  // namespace

Utf8Check checkUtf8(std::string_view bytes) {
    Utf8Check r;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size(), i = 0;
    while (i < n) {
        // Runs of ASCII, eight bytes at a time.
        while (i + 8 <= n && (load64(p + i) & kHighBits) == 0) i += 8;
        if (i >= n) break;
        unsigned char c = p[i];
        if (c < 0x80) { ++i; continue; }
        // Two-byte characters (Cyrillic among them) without the general path.
        if (c >= 0xC2 && c <= 0xDF && i + 1 < n && isCont(p[i + 1])) { i += 2; continue; }
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
    const std::size_t n = bytes.size();
    OutputCursor<std::u16string> cursor(out);
    std::size_t i = 0;
    while (i < n) {
        const std::size_t end = std::min(n, i + cursor.kBlock);
        // Never more units than bytes; the last step may read past `end`.
        char16_t* dst = cursor.reserve(end - i + 8);
        while (i < end) {
            if (i + 8 <= n && (load64(p + i) & kHighBits) == 0) {
                for (int k = 0; k < 8; ++k) dst[k] = p[i + k];
                dst += 8;
                i += 8;
                continue;
            }
            unsigned char c = p[i];
            if (c < 0x80) { *dst++ = c; ++i; continue; }
            std::uint32_t cp;
            if (c < 0xE0) { cp = ((c & 0x1F) << 6) | (p[i + 1] & 0x3F); i += 2; }
            else if (c < 0xF0) { cp = ((c & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F); i += 3; }
            else {
                cp = ((c & 0x07) << 18) | ((p[i + 1] & 0x3F) << 12) | ((p[i + 2] & 0x3F) << 6) | (p[i + 3] & 0x3F);
                i += 4;
            }
            if (cp >= 0x10000) {
                cp -= 0x10000;
                *dst++ = static_cast<char16_t>(0xD800 + (cp >> 10));
                *dst++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
            } else {
                *dst++ = static_cast<char16_t>(cp);
            }
        }
        cursor.commit(dst);
    }
}

std::u16string decodeUtf8(std::string_view bytes) {
    std::u16string out;
    appendDecodedUtf8(bytes, out);
    return out;
}

void appendEncodedUtf8(std::u16string_view text, std::string& out) {
    const std::size_t n = text.size();
    const char16_t* s = text.data();
    OutputCursor<std::string> cursor(out);
    std::size_t i = 0;
    while (i < n) {
        const std::size_t end = std::min(n, i + cursor.kBlock);
        // A unit gives at most three bytes, a pair four; the last step may
        // take a pair across `end`.
        char* dst = cursor.reserve((end - i + 4) * 3);
        while (i < end) {
            if (i + 4 <= n && ((s[i] | s[i + 1] | s[i + 2] | s[i + 3]) & 0xFF80) == 0) {
                for (int k = 0; k < 4; ++k) dst[k] = static_cast<char>(s[i + k]);
                dst += 4;
                i += 4;
                continue;
            }
            std::uint32_t cp = s[i];
            if (cp < 0x80) {
                *dst++ = static_cast<char>(cp);
                ++i;
                continue;
            }
            if (cp < 0x800) {
                dst[0] = static_cast<char>(0xC0 | (cp >> 6));
                dst[1] = static_cast<char>(0x80 | (cp & 0x3F));
                dst += 2;
                ++i;
                continue;
            }
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
                ++i;
            } else if (cp >= 0xD800 && cp <= 0xDFFF) {
                cp = 0xFFFD;
            }
            ++i;
            if (cp < 0x10000) {
                dst[0] = static_cast<char>(0xE0 | (cp >> 12));
                dst[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                dst[2] = static_cast<char>(0x80 | (cp & 0x3F));
                dst += 3;
            } else {
                dst[0] = static_cast<char>(0xF0 | (cp >> 18));
                dst[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                dst[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                dst[3] = static_cast<char>(0x80 | (cp & 0x3F));
                dst += 4;
            }
        }
        cursor.commit(dst);
    }
}

std::string encodeUtf8(std::u16string_view text) {
    std::string out;
    appendEncodedUtf8(text, out);
    return out;
}

}  // namespace lettrica::text
