#include "translit/converter.h"

#include "text/cp1251.h"
#include "text/utf8.h"

namespace lettrica::translit {

std::size_t Converter::convertText(std::u16string_view text, bool final, std::u16string& out) const {
    const std::size_t ahead = lookahead();
    const std::size_t limit = final ? text.size() : (text.size() > ahead ? text.size() - ahead : 0);
    std::size_t pos = 0;
    while (pos < limit) {
        Step s = step(text, pos);
        if (s.keep) {
            out.push_back(text[pos]);
            ++pos;
        } else {
            out.append(s.replacement);
            pos += s.span;
        }
    }
    return pos;
}

std::size_t Converter::convertBytes(std::string_view bytes, bool final, std::string& out) const {
    std::u16string decoded = text::decodeCp1251(bytes);
    std::u16string converted;
    std::size_t consumed = convertText(decoded, final, converted);
    // Every replacement is a Windows-1251 text and every kept character came
    // from a byte, so encoding cannot fail here.
    out += text::encodeCp1251(converted).bytes;
    return consumed;
}

std::size_t Converter::convertUtf8(std::string_view utf8, bool final, std::string& out) const {
    const std::size_t whole = text::checkUtf8(utf8).completePrefix;
    std::u16string decoded;
    text::appendDecodedUtf8(utf8.substr(0, whole), decoded);
    // Bytes that are not UTF-8 after all (the caller promised they would
    // be) are read as Windows-1251 rather than lost.
    if (final) text::appendDecodedCp1251(utf8.substr(whole), decoded);
    std::u16string_view view(decoded);
    // Never leave half of a surrogate pair behind: a kept high surrogate
    // written without its low one would turn into U+FFFD.
    const std::size_t ahead = lookahead();
    if (!final && view.size() > ahead) {
        const char16_t last = view[view.size() - ahead - 1];
        if (last >= 0xD800 && last <= 0xDBFF) view.remove_suffix(1);
    }
    std::u16string converted;
    const std::size_t units = convertText(view, final, converted);
    text::appendEncodedUtf8(converted, out);
    if (final) return utf8.size();
    // Back from UTF-16 units to bytes.
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    std::size_t bytes = 0;
    for (std::size_t u = 0; u < units && bytes < whole;) {
        const unsigned char c = p[bytes];
        const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        bytes += len;
        u += len == 4 ? 2 : 1;
    }
    return bytes;
}

std::u16string convertAll(const Converter& converter, std::u16string_view text) {
    std::u16string out;
    converter.convertText(text, true, out);
    return out;
}

}  // namespace lettrica::translit
