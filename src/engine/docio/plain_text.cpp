#include "docio/plain_text.h"

#include <algorithm>
#include <optional>

#include "text/cp1251.h"
#include "text/utf8.h"

namespace lettrica::docio {
namespace {

// The text after a UTF-16 byte-order mark, or nothing when there is no mark,
// an odd byte is left over or a surrogate is unpaired: such bytes are taken
// as Windows-1251, where FF FE reads "яю".
std::optional<std::u16string> decodeUtf16(std::string_view bytes) {
    if (bytes.size() < 2 || bytes.size() % 2 != 0) return std::nullopt;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    bool little;
    if (byte(0) == 0xFF && byte(1) == 0xFE) little = true;
    else if (byte(0) == 0xFE && byte(1) == 0xFF) little = false;
    else return std::nullopt;
    std::u16string text;
    text.reserve(bytes.size() / 2 - 1);
    for (std::size_t i = 2; i < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(little ? byte(i) | byte(i + 1) << 8 : byte(i) << 8 | byte(i + 1)));
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ++i;
        else if (c >= 0xD800 && c <= 0xDFFF) return std::nullopt;
    }
    return text;
}

}  // namespace

DecodedText decodeTextFile(std::string_view bytes) {
    if (text::isValidUtf8(bytes)) {
        if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
        return {text::decodeUtf8(bytes), TextEncoding::Utf8};
    }
    if (std::optional<std::u16string> text = decodeUtf16(bytes)) return {std::move(*text), TextEncoding::Utf16};
    return {text::decodeCp1251(bytes), TextEncoding::Cp1251};
}

std::u16string normalizeLineEnds(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c == u'\r') {
            out.push_back(u'\n');
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

TextFileDecoder::TextFileDecoder(std::string_view bytes) : bytes_(bytes) {}

bool TextFileDecoder::step(std::u16string& out, std::size_t budget) {
    budget = std::max<std::size_t>(budget, 4);  // a whole UTF-8 character at least
    if (stage_ == Stage::Check) check(budget);
    else if (stage_ == Stage::Decode) decode(out, budget);
    return done();
}

void TextFileDecoder::check(std::size_t budget) {
    const std::size_t n = std::min(budget, bytes_.size() - checked_);
    const std::string_view piece = bytes_.substr(checked_, n);
    const bool last = checked_ + n == bytes_.size();
    std::size_t advance = n;
    if (utf8_) {
        const text::Utf8Check c = text::checkUtf8(piece);
        utf8_ = c.valid && (!last || c.completePrefix == n);
        // A character cut at the piece's end is checked again with the next one.
        if (utf8_ && !last) advance = c.completePrefix;
    }
    count(piece.substr(0, advance));
    checked_ += advance;
    if (checked_ < bytes_.size()) return;
    if (utf8_) {
        encoding_ = TextEncoding::Utf8;
        if (bytes_.substr(0, 3) == "\xEF\xBB\xBF") decoded_ = 3;
        characters_ = utf8Units_ - (decoded_ == 3 ? 1 : 0) - crs_ - lfs_;
    } else if (std::optional<std::u16string> text = decodeUtf16(bytes_)) {
        encoding_ = TextEncoding::Utf16;
        utf16_ = std::move(*text);
        crs_ = lfs_ = crLfs_ = 0;
        for (std::size_t i = 0; i < utf16_.size(); ++i) {
            crs_ += utf16_[i] == u'\r';
            lfs_ += utf16_[i] == u'\n';
            crLfs_ += utf16_[i] == u'\n' && i > 0 && utf16_[i - 1] == u'\r';
        }
        characters_ = utf16_.size() - crs_ - lfs_;
    } else {
        encoding_ = TextEncoding::Cp1251;
        characters_ = byteUnits_ - crs_ - lfs_;
    }
    lineEnds_ = crs_ + lfs_ - crLfs_;
    stage_ = Stage::Decode;
}

// Both readings at once: a UTF-8 character is one unit, two beyond the
// Basic Multilingual Plane; a Windows-1251 byte is one.
void TextFileDecoder::count(std::string_view checked) {
    for (char ch : checked) {
        const auto b = static_cast<unsigned char>(ch);
        utf8Units_ += (b & 0xC0) != 0x80 ? (b >= 0xF0 ? 2 : 1) : 0;
        crs_ += b == '\r';
        lfs_ += b == '\n';
        crLfs_ += b == '\n' && checkedCr_;
        checkedCr_ = b == '\r';
    }
    byteUnits_ += checked.size();
}

void TextFileDecoder::decode(std::u16string& out, std::size_t budget) {
    const std::size_t from = out.size();
    if (encoding_ == TextEncoding::Utf16) {
        out += utf16_;
        utf16_ = std::u16string();
        decoded_ = bytes_.size();
    } else {
        std::size_t end = std::min(bytes_.size(), decoded_ + budget);
        if (encoding_ == TextEncoding::Utf8)
            while (end < bytes_.size() && (static_cast<unsigned char>(bytes_[end]) & 0xC0) == 0x80) --end;
        const std::string_view piece = bytes_.substr(decoded_, end - decoded_);
        if (encoding_ == TextEncoding::Utf8) text::appendDecodedUtf8(piece, out);
        else text::appendDecodedCp1251(piece, out);
        decoded_ = end;
    }
    appendNormalized(out, from);
    if (decoded_ == bytes_.size()) stage_ = Stage::Done;
}

// Line ends of the text from `from` on made LF in place; a CR LF cut between
// two pieces is one line end.
void TextFileDecoder::appendNormalized(std::u16string& out, std::size_t from) {
    std::size_t w = from;
    for (std::size_t r = from; r < out.size(); ++r) {
        const char16_t c = out[r];
        if (c == u'\n' && afterCr_) {
            afterCr_ = false;
            continue;
        }
        afterCr_ = c == u'\r';
        out[w++] = afterCr_ ? u'\n' : c;
    }
    out.resize(w);
}

}  // namespace lettrica::docio
