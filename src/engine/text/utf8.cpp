#include "text/utf8.h"

#include <cstdint>
#include <algorithm>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "text/output_cursor.h"
#include "text/simd_level.h"

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

namespace {

Utf8Check checkScalar(std::string_view bytes) {
    Utf8Check r;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size(), i = 0;
    while (i < n) {
        // Runs of ASCII, eight bytes at a time.
        while (i + 8 <= n && (load64(p + i) & kHighBits) == 0) i += 8;
        if (i >= n) break;
        unsigned char c = p[i];
        if (c < 0x80) { ++i; continue; }
        r.ascii = false;
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
            // Only a start that some ending makes whole: no overlong form,
            // surrogate or code point above U+10FFFF.
            if (i + 1 < n) {
                const unsigned char b = p[i + 1];
                if ((c == 0xE0 && b < 0xA0) || (c == 0xED && b > 0x9F) || (c == 0xF0 && b < 0x90) ||
                    (c == 0xF4 && b > 0x8F)) {
                    r.valid = false; r.completePrefix = i; return r;
                }
            }
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

#if defined(__x86_64__) && defined(__GNUC__)
#define LETTRICA_UTF8_AVX2 1

// UTF-8 validation 32 bytes at a time with AVX2, by the lookup method of
// Keiser and Lemire ("Validating UTF-8 in less than one instruction per
// byte", 2021): three nibble look-ups classify each byte with the one before
// it, and a saturating subtraction finds the bytes that must continue a
// three- or four-byte character. It only tells whether an error is there;
// the scalar check then finds where.
constexpr std::uint8_t kTooShort = 1 << 0;   // lead not followed by a continuation
constexpr std::uint8_t kTooLong = 1 << 1;    // continuation after ASCII
constexpr std::uint8_t kOverlong3 = 1 << 2;
constexpr std::uint8_t kTooLarge = 1 << 3;
constexpr std::uint8_t kSurrogate = 1 << 4;
constexpr std::uint8_t kOverlong2 = 1 << 5;
constexpr std::uint8_t kTooLarge1000 = 1 << 6;
constexpr std::uint8_t kOverlong4 = 1 << 6;
constexpr std::uint8_t kTwoConts = 1 << 7;
constexpr std::uint8_t kCarry = kTooShort | kTooLong | kTwoConts;

#define LETTRICA_TABLE16(...) _mm256_setr_epi8(__VA_ARGS__, __VA_ARGS__)

__attribute__((target("avx2"))) std::size_t scanAvx2(const unsigned char* p, std::size_t n, bool& ascii) {
    const __m256i byte1High = LETTRICA_TABLE16(
        kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,  // ASCII
        kTwoConts, kTwoConts, kTwoConts, kTwoConts,                                       // continuation
        kTooShort | kOverlong2, kTooShort,                                               // two-byte lead
        kTooShort | kOverlong3 | kSurrogate,                                             // three-byte lead
        kTooShort | kTooLarge | kTooLarge1000 | kOverlong4);                             // four-byte lead
    const __m256i byte1Low = LETTRICA_TABLE16(
        kCarry | kOverlong3 | kOverlong2 | kOverlong4, kCarry | kOverlong2, kCarry, kCarry, kCarry | kTooLarge,
        kCarry | kTooLarge | kTooLarge1000, kCarry | kTooLarge | kTooLarge1000, kCarry | kTooLarge | kTooLarge1000,
        kCarry | kTooLarge | kTooLarge1000, kCarry | kTooLarge | kTooLarge1000, kCarry | kTooLarge | kTooLarge1000,
        kCarry | kTooLarge | kTooLarge1000, kCarry | kTooLarge | kTooLarge1000,
        kCarry | kTooLarge | kTooLarge1000 | kSurrogate, kCarry | kTooLarge | kTooLarge1000,
        kCarry | kTooLarge | kTooLarge1000);
    const __m256i byte2High = LETTRICA_TABLE16(
        kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
        kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge1000 | kOverlong4,
        kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge,
        kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge,
        kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge, kTooShort, kTooShort, kTooShort, kTooShort);
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i third = _mm256_set1_epi8(static_cast<char>(0xE0 - 0x80));
    const __m256i fourth = _mm256_set1_epi8(static_cast<char>(0xF0 - 0x80));
    const __m256i high = _mm256_set1_epi8(static_cast<char>(0x80));

    __m256i prev = _mm256_setzero_si256();
    std::size_t i = 0;
    constexpr std::size_t kGroup = 256;  // bytes between tests of the error flags
    for (; i + kGroup <= n; i += kGroup) {
        // A group of ASCII after a character's end holds no error: Latin
        // text goes by at the speed of the loads.
        __m256i any = _mm256_setzero_si256();
        for (std::size_t k = 0; k < kGroup; k += 32)
            any = _mm256_or_si256(any, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + k)));
        const bool endedBefore = (static_cast<unsigned>(_mm256_movemask_epi8(prev)) & 0xE0000000u) == 0;
        if (_mm256_movemask_epi8(any) == 0 && endedBefore) {
            prev = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + kGroup - 32));
            continue;
        }
        ascii = false;
        __m256i error = _mm256_setzero_si256();
        for (std::size_t k = 0; k < kGroup; k += 32) {
            const __m256i in = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + k));
            const __m256i before = _mm256_permute2x128_si256(prev, in, 0x21);
            const __m256i prev1 = _mm256_alignr_epi8(in, before, 15);
            const __m256i prev2 = _mm256_alignr_epi8(in, before, 14);
            const __m256i prev3 = _mm256_alignr_epi8(in, before, 13);
            const __m256i special = _mm256_and_si256(
                _mm256_and_si256(
                    _mm256_shuffle_epi8(byte1High, _mm256_and_si256(_mm256_srli_epi16(prev1, 4), nibble)),
                    _mm256_shuffle_epi8(byte1Low, _mm256_and_si256(prev1, nibble))),
                _mm256_shuffle_epi8(byte2High, _mm256_and_si256(_mm256_srli_epi16(in, 4), nibble)));
            const __m256i must23 =
                _mm256_and_si256(_mm256_or_si256(_mm256_subs_epu8(prev2, third), _mm256_subs_epu8(prev3, fourth)), high);
            error = _mm256_or_si256(error, _mm256_xor_si256(must23, special));
            prev = in;
        }
        if (!_mm256_testz_si256(error, error)) break;
    }
    return i;
}

bool haveAvx2() {
    static const bool have = __builtin_cpu_supports("avx2") && simdAllowed(SimdLevel::Avx2);
    return have;
}
#else
#define LETTRICA_UTF8_AVX2 0
#endif

}  // namespace

Utf8Check checkUtf8(std::string_view bytes) {
#if LETTRICA_UTF8_AVX2
    if (bytes.size() >= 512 && haveAvx2()) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        // Everything before `scanned` is free of errors, but for characters
        // that reach across it; the scalar check goes on from a character
        // start at least four bytes back, so it sees them whole.
        bool ascii = true;
        const std::size_t scanned = scanAvx2(p, bytes.size(), ascii);
        std::size_t from = scanned >= 4 ? scanned - 4 : 0;
        while (from > 0 && isCont(p[from])) --from;
        Utf8Check rest = checkScalar(bytes.substr(from));
        rest.completePrefix += from;
        rest.ascii = rest.ascii && ascii;
        return rest;
    }
#endif
    return checkScalar(bytes);
}

std::size_t utf8HoldBack(std::string_view bytes, std::size_t count) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    // The start of the character that ends at `end`: back over at most three
    // continuation bytes to its lead.
    auto startBefore = [p](std::size_t end) {
        std::size_t i = end - 1;
        while (i > 0 && end - i < 4 && isCont(p[i])) --i;
        return i;
    };
    std::size_t at = bytes.size();
    if (at > 0) {
        const std::size_t last = startBefore(at);
        const unsigned char c = p[last];
        const std::size_t len = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        if (last + len > at) at = last;  // cut: it is held back whole
    }
    for (std::size_t k = 0; k < count && at > 0; ++k) at = startBefore(at);
    return at;
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
