// The UTF-8 check, decode, encode and hold-back against a reference built
// from the table of well-formed byte sequences.

#include <string>

#include "conversion_oracle.h"
#include "fuzz_check.h"

namespace {

using namespace lettrica;

// What checkUtf8 must say: the well-formed prefix, and whether what stops it
// is only a character cut at the very end (a proper prefix of a well-formed
// sequence) or an error.
text::Utf8Check reference(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t len = oracle::wellFormedAt(p + i, bytes.size() - i);
        if (len == 0) break;
        i += len;
    }
    text::Utf8Check r{true, i};
    if (i == bytes.size()) return r;
    // Cut: some completion of the tail is well formed.
    const std::size_t tail = bytes.size() - i;
    bool cut = false;
    if (tail < 4) {
        unsigned char buf[4] = {};
        for (std::size_t k = 0; k < tail; ++k) buf[k] = p[i + k];
        for (int a = 0x80; a <= 0xBF && !cut; ++a) {
            for (std::size_t k = tail; k < 4; ++k) buf[k] = static_cast<unsigned char>(a);
            cut = oracle::wellFormedAt(buf, 4) > tail;
        }
    }
    r.valid = cut;
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const text::Utf8Check got = text::checkUtf8(bytes);
    const text::Utf8Check want = reference(bytes);
    fuzz::check(got.completePrefix == want.completePrefix, "checkUtf8: prefix");
    fuzz::check(got.valid == want.valid, "checkUtf8: valid");
    fuzz::check(text::isValidUtf8(bytes) == (want.valid && want.completePrefix == size), "isValidUtf8");
    // The same behind ASCII, long enough for the vector check and its
    // skipping of ASCII groups, at every offset within them.
    const std::string padded = std::string(512 + size % 257, 'a') + std::string(bytes);
    const text::Utf8Check gotPadded = text::checkUtf8(padded);
    const text::Utf8Check wantPadded = reference(padded);
    fuzz::check(gotPadded.valid == wantPadded.valid && gotPadded.completePrefix == wantPadded.completePrefix,
                "checkUtf8 behind ASCII");

    // The well-formed prefix decodes as the lenient reader reads it and
    // encodes back to the same bytes.
    const std::string_view prefix = bytes.substr(0, want.completePrefix);
    const std::u16string decoded = text::decodeUtf8(prefix);
    fuzz::check(decoded == oracle::decodeLenient(prefix), "decodeUtf8");
    fuzz::check(text::encodeUtf8(decoded) == prefix, "encodeUtf8 of decoded text");

    // Any UTF-16, unpaired surrogates included, encodes to valid UTF-8 that
    // decodes to the same text with U+FFFD for each unpaired surrogate.
    std::u16string units(size / 2, u'\0');
    for (std::size_t k = 0; k < units.size(); ++k) units[k] = static_cast<char16_t>(data[2 * k] | data[2 * k + 1] << 8);
    const std::string encoded = text::encodeUtf8(units);
    fuzz::check(text::isValidUtf8(encoded), "encodeUtf8 gives valid UTF-8");
    std::u16string mended;
    for (std::size_t k = 0; k < units.size(); ++k) {
        const char16_t u = units[k];
        const bool high = u >= 0xD800 && u <= 0xDBFF, low = u >= 0xDC00 && u <= 0xDFFF;
        if (high && k + 1 < units.size() && units[k + 1] >= 0xDC00 && units[k + 1] <= 0xDFFF) {
            mended += u;
            mended += units[++k];
        } else {
            mended += high || low ? u'\uFFFD' : u;
        }
    }
    fuzz::check(text::decodeUtf8(encoded) == mended, "decode of encode");

    // Hold-back: whole characters only, the cut one and `count` before it.
    if (want.valid) {
        auto characters = [](std::u16string_view t) {
            std::size_t n = 0;
            for (char16_t u : t) n += !(u >= 0xDC00 && u <= 0xDFFF);
            return n;
        };
        for (std::size_t count = 0; count <= 3; ++count) {
            const std::size_t at = text::utf8HoldBack(bytes, count);
            fuzz::check(at <= prefix.size(), "utf8HoldBack holds a cut character back");
            fuzz::check(text::isValidUtf8(prefix.substr(0, at)), "utf8HoldBack cuts a character");
            fuzz::check(characters(text::decodeUtf8(prefix.substr(at))) == std::min(count, characters(decoded)),
                        "utf8HoldBack holds back that many characters");
        }
    }
    return 0;
}
