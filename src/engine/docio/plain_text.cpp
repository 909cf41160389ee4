#include "docio/plain_text.h"

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

}  // namespace lettrica::docio
