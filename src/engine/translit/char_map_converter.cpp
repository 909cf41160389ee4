#include "translit/char_map_converter.h"

#include <algorithm>
#include <cstring>

#include "text/cp1251.h"
#include "text/output_cursor.h"
#include "text/utf8.h"
#include "text/utf8_cyrillic.h"

namespace lettrica::translit {

namespace {

template <class Ch>
std::uint64_t packBytes(const std::basic_string<Ch>& s) {
    std::uint64_t word = 0;
    std::memcpy(&word, s.data(), s.size());
    return word | (static_cast<std::uint64_t>(s.size()) << 56);
}

std::uint64_t packUnits(const std::u16string& s) {
    std::uint64_t word = 0;
    std::memcpy(&word, s.data(), s.size() * 2);
    return word | (static_cast<std::uint64_t>(s.size()) << 48);
}

inline std::size_t byteLen(std::uint64_t word) { return static_cast<std::size_t>(word >> 56); }
inline std::size_t unitLen(std::uint64_t word) { return static_cast<std::size_t>(word >> 48); }

// Stores a packed output word whole and steps past its true length.
inline char* putBytes(char* dst, std::uint64_t word) {
    std::memcpy(dst, &word, 8);
    return dst + byteLen(word);
}

// The outputs of `count` bytes (or one-byte codes) by a table of packed
// words: four characters a round, each one look-up and one eight-byte store.
char* putWords(const std::uint64_t* packed, const unsigned char* in, std::size_t count, char* dst) {
    std::size_t j = 0;
    for (; j + 4 <= count; j += 4) {
        const std::uint64_t w0 = packed[in[j]], w1 = packed[in[j + 1]];
        const std::uint64_t w2 = packed[in[j + 2]], w3 = packed[in[j + 3]];
        dst = putBytes(dst, w0);
        dst = putBytes(dst, w1);
        dst = putBytes(dst, w2);
        dst = putBytes(dst, w3);
    }
    for (; j < count; ++j) dst = putBytes(dst, packed[in[j]]);
    return dst;
}

constexpr std::uint64_t kLongWord = 0xFFull << 56;
constexpr std::uint64_t kLongText = 0xFFFFull << 48;

std::string utf8Of(char32_t ch) {
    std::u16string units;
    if (ch >= 0x10000) {
        units.push_back(static_cast<char16_t>(0xD800 + ((ch - 0x10000) >> 10)));
        units.push_back(static_cast<char16_t>(0xDC00 + ((ch - 0x10000) & 0x3FF)));
    } else {
        units.push_back(static_cast<char16_t>(ch));
    }
    return text::encodeUtf8(units);
}

}  // namespace

CharMapConverter::CharMapConverter(const CharMap& map) {
    for (int b = 0; b < 256; ++b) {
        if (map[b]) {
            has_[b] = true;
            texts_[b] = *map[b];
            // Entries are Windows-1251 texts by construction (tables, user
            // files, editors that refuse anything else); a character outside
            // the code page would have no byte form, so it is dropped there.
            text::EncodeResult enc = text::encodeCp1251(texts_[b]);
            bytes_[b] = enc.bytes;
            utf8_[b] = text::encodeUtf8(texts_[b]);
            maxUnits_ = std::max(maxUnits_, texts_[b].size());
            maxUtf8_ = std::max(maxUtf8_, utf8_[b].size());
        } else {
            bytes_[b] = std::string(1, static_cast<char>(b));
        }
        maxBytes_ = std::max(maxBytes_, bytes_[b].size());
        packedBytes_[b] = bytes_[b].size() <= 7 ? packBytes(bytes_[b]) : kLongWord;
    }
    for (char16_t ch = 0; ch < kDirect; ++ch) {
        const std::u16string* e = entryOf(ch);
        const std::u16string text = e ? *e : std::u16string(1, ch);
        packedText_[ch] = text.size() <= 3 ? packUnits(text) : kLongText;
        packedUtf8_[ch] = packedUtf8Of(ch);
    }
    for (unsigned code = 0; code < 256; ++code) {
        packedCyrillic_[code] = packedUtf8Of(text::cyrillicOfCode(static_cast<unsigned char>(code)));
        squeeze_ = squeeze_ && packedCyrillic_[code] != kLongWord;
    }
    expandBytes_ = text::ExpandingByteMap::make(packedBytes_.data());
    if (squeeze_) expandCodes_ = text::ExpandingByteMap::make(packedCyrillic_.data());
}

std::uint64_t CharMapConverter::packedUtf8Of(char32_t ch) const {
    const std::u16string* e = entryOf(ch);
    const std::string utf8 = e ? utf8_[static_cast<unsigned char>(text::unicodeToCp1251(static_cast<char16_t>(ch)))]
                               : utf8Of(ch);
    return utf8.size() <= 7 ? packBytes(utf8) : kLongWord;
}

const std::u16string* CharMapConverter::entryOf(char32_t ch) const {
    if (ch > 0xFFFF) return nullptr;
    int b = text::unicodeToCp1251(static_cast<char16_t>(ch));
    return b < 0 || !has_[b] ? nullptr : &texts_[b];
}

Step CharMapConverter::step(std::u16string_view text, std::size_t pos) const {
    const std::u16string* e = entryOf(text[pos]);
    return e ? Step::replace(*e) : Step::keepOne();
}

std::size_t CharMapConverter::convertText(std::u16string_view text, bool, std::u16string& out) const {
    text::OutputCursor<std::u16string> cursor(out);
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const std::size_t end = std::min(n, i + cursor.kBlock);
        // Room for the longest output of every character, plus one word's slack.
        char16_t* dst = cursor.reserve((end - i) * maxUnits_ + 4);
        for (; i < end; ++i) {
            const char16_t ch = text[i];
            if (ch < kDirect) {
                const std::uint64_t word = packedText_[ch];
                if (word != kLongText) {
                    std::memcpy(dst, &word, 8);
                    dst += unitLen(word);
                    continue;
                }
            }
            if (const std::u16string* e = entryOf(ch)) {
                std::memcpy(dst, e->data(), e->size() * 2);
                dst += e->size();
            } else {
                *dst++ = ch;
            }
        }
        cursor.commit(dst);
    }
    return n;
}

const std::uint64_t* CharMapConverter::pairTable() const {
    if (maxBytes_ > 3) return nullptr;
    PairCache::State& cache = *pairs_.state;
    std::call_once(cache.once, [this, &cache] {
        // Index: the first byte, then the second (a little-endian load).
        auto pairs = std::make_unique<std::uint64_t[]>(1 << 16);
        for (unsigned second = 0; second < 256; ++second) {
            const std::uint64_t b = packedBytes_[second];
            for (unsigned first = 0; first < 256; ++first) {
                const std::uint64_t a = packedBytes_[first];
                const std::size_t la = byteLen(a), lb = byteLen(b);
                const std::uint64_t data = (a & ((1ull << (8 * la)) - 1)) | ((b & 0xFFFFFFull) << (8 * la));
                pairs[first | second << 8] = data | (static_cast<std::uint64_t>(la + lb) << 56);
            }
        }
        cache.table = std::move(pairs);
    });
    return cache.table.get();
}

std::size_t CharMapConverter::convertBytes(std::string_view bytes, bool, std::string& out) const {
    text::OutputCursor<std::string> cursor(out);
    const auto* src = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        const std::size_t end = std::min(n, i + cursor.kBlock);
        // The vector loop stores 64 bytes at a time.
        char* dst = cursor.reserve((end - i) * maxBytes_ + 64);
        if (expandBytes_) {
            cursor.commit(expandBytes_->convert(src + i, end - i, dst));
            i = end;
            continue;
        }
        if (const std::uint64_t* pairs = pairTable()) {
            // Eight characters per round: one load, then per pair of
            // characters one look-up and one eight-byte store.
            for (; i + 8 <= end; i += 8) {
                std::uint64_t in;
                std::memcpy(&in, src + i, 8);
                const std::uint64_t w0 = pairs[in & 0xFFFF], w1 = pairs[(in >> 16) & 0xFFFF];
                const std::uint64_t w2 = pairs[(in >> 32) & 0xFFFF], w3 = pairs[in >> 48];
                dst = putBytes(dst, w0);
                dst = putBytes(dst, w1);
                dst = putBytes(dst, w2);
                dst = putBytes(dst, w3);
            }
        }
        if (maxBytes_ <= 7) {
            dst = putWords(packedBytes_.data(), src + i, end - i, dst);
            i = end;
        } else {
            for (; i < end; ++i) {
                const std::string& o = bytes_[src[i]];
                std::memcpy(dst, o.data(), o.size());
                dst += o.size();
            }
        }
        cursor.commit(dst);
    }
    return n;
}

std::size_t CharMapConverter::convertUtf8(std::string_view utf8, bool final, std::string& out) const {
    text::OutputCursor<std::string> cursor(out);
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    std::size_t i = 0;
    bool cut = false;  // a character is cut at the end
    // Runs of ASCII and Cyrillic squeezed to a byte a character first.
    unsigned char codes[cursor.kBlock + 32];
    while (i < n && !cut) {
        const std::size_t end = std::min(n, i + cursor.kBlock);
        // A character of k bytes gives at most max(k, longest entry) bytes;
        // the last one may run up to three bytes past `end`. The vector
        // loop stores 64 bytes at a time.
        char* dst = cursor.reserve((end - i + 3) * maxUtf8_ + 64);
        while (i < end) {
            if (expandCodes_) {
                std::size_t taken = 0;
                dst = expandCodes_->convertCyrillicUtf8(p + i, end - i, dst, taken);
                i += taken;
                if (i >= end) break;
            } else if (squeeze_) {
                std::size_t taken = 0;
                const std::size_t count = text::squeezeCyrillic(utf8.substr(i, end - i), codes, taken);
                dst = putWords(packedCyrillic_.data(), codes, count, dst);
                i += taken;
                if (i >= end) break;
            }
            const unsigned char c = p[i];
            char32_t ch;
            std::size_t len;
            if (c < 0x80) {
                ch = c;
                len = 1;
            } else if (c < 0xE0) {
                ch = (static_cast<char32_t>(c & 0x1F) << 6) | (i + 1 < n ? p[i + 1] & 0x3F : 0);
                len = 2;
            } else if (c < 0xF0) {
                ch = (static_cast<char32_t>(c & 0x0F) << 12) |
                     (i + 2 < n ? (static_cast<char32_t>(p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F) : 0);
                len = 3;
            } else {
                ch = 0x10000;  // no code page holds it: kept
                len = 4;
            }
            if (i + len > n) {
                cut = true;
                break;
            }
            if (ch < kDirect) {
                const std::uint64_t word = packedUtf8_[ch];
                if (word != kLongWord) {
                    std::memcpy(dst, &word, 8);
                    dst += byteLen(word);
                    i += len;
                    continue;
                }
            }
            const int b = ch > 0xFFFF ? -1 : text::unicodeToCp1251(static_cast<char16_t>(ch));
            if (b >= 0 && has_[b]) {
                const std::string& o = utf8_[b];
                std::memcpy(dst, o.data(), o.size());
                dst += o.size();
            } else {
                std::memcpy(dst, p + i, len);
                dst += len;
            }
            i += len;
        }
        cursor.commit(dst);
    }
    if (final && i < n) {
        // A character cut at the very end: its bytes stay as they are.
        char* dst = cursor.reserve(n - i);
        std::memcpy(dst, p + i, n - i);
        cursor.commit(dst + (n - i));
        i = n;
    }
    return i;
}

}  // namespace lettrica::translit
