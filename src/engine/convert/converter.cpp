#include "convert/converter.h"

#include <algorithm>

#include "text/compose.h"
#include "text/cp1251.h"
#include "text/utf8.h"

namespace lettrica::translit {

namespace {

// Steps over text[from..): the characters before `from` are context only.
std::size_t stepFrom(const Converter& c, std::u16string_view text, std::size_t from, bool final, std::u16string& out) {
    const std::size_t ahead = c.lookahead();
    const std::size_t limit = final ? text.size() : (text.size() > ahead ? text.size() - ahead : 0);
    std::size_t pos = from;
    while (pos < limit) {
        Step s = c.step(text, pos);
        if (s.keep) {
            out.push_back(text[pos]);
            ++pos;
        } else {
            out.append(s.replacement);
            pos += s.span;
        }
    }
    return std::max(pos, from) - from;
}

std::size_t bytesByStep(const Converter& c, std::size_t context, std::string_view bytes, bool final, std::string& out) {
    std::u16string decoded = text::decodeCp1251(bytes);
    std::u16string converted;
    std::size_t consumed = stepFrom(c, decoded, context, final, converted);
    // Every kept character came from a byte; a replacement may still hold
    // a letter Windows-1251 lacks.
    text::EncodeResult encoded = text::encodeCp1251(converted);
    if (!encoded.ok()) throw UnencodableOutput(converted[*encoded.unmappableAt]);
    out += encoded.bytes;
    return consumed;
}

std::size_t utf8ByStep(const Converter& c, std::size_t context, std::string_view utf8, bool final, std::string& out) {
    const std::size_t whole = text::checkUtf8(utf8).completePrefix;
    std::u16string decoded;
    text::appendDecodedUtf8(utf8.substr(0, context), decoded);
    const std::size_t from = decoded.size();
    text::appendDecodedUtf8(utf8.substr(context, whole - context), decoded);
    // Bytes that are not UTF-8 after all (the caller promised they would
    // be) are read as Windows-1251 rather than lost.
    if (final) text::appendDecodedCp1251(utf8.substr(whole), decoded);
    std::u16string_view view(decoded);
    // Never leave half of a surrogate pair behind: a kept high surrogate
    // written without its low one would turn into U+FFFD.
    const std::size_t ahead = c.lookahead();
    if (!final && view.size() > from + ahead) {
        const char16_t last = view[view.size() - ahead - 1];
        if (last >= 0xD800 && last <= 0xDBFF) view.remove_suffix(1);
    }
    std::u16string converted;
    const std::size_t units = stepFrom(c, view, from, final, converted);
    text::appendEncodedUtf8(converted, out);
    if (final) return utf8.size() - context;
    // Back from UTF-16 units to bytes.
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    std::size_t bytes = context;
    for (std::size_t u = 0; u < units && bytes < whole;) {
        const unsigned char ch = p[bytes];
        const std::size_t len = ch < 0x80 ? 1 : ch < 0xE0 ? 2 : ch < 0xF0 ? 3 : 4;
        bytes += len;
        u += len == 4 ? 2 : 1;
    }
    return bytes - context;
}

}  // namespace

std::size_t Converter::convertText(std::u16string_view text, bool final, std::u16string& out) const {
    return stepFrom(*this, text, 0, final, out);
}

std::size_t Converter::convertBytes(std::string_view bytes, bool final, std::string& out) const {
    return bytesByStep(*this, 0, bytes, final, out);
}

std::size_t Converter::convertUtf8(std::string_view utf8, bool final, std::string& out) const {
    return utf8ByStep(*this, 0, utf8, final, out);
}

std::size_t Converter::convertBytesAfter(std::size_t context, std::string_view bytes, bool final,
                                         std::string& out) const {
    if (context == 0) return convertBytes(bytes, final, out);
    return bytesByStep(*this, context, bytes, final, out);
}

std::size_t Converter::convertUtf8After(std::size_t context, std::string_view utf8, bool final,
                                        std::string& out) const {
    if (context == 0) return convertUtf8(utf8, final, out);
    return utf8ByStep(*this, context, utf8, final, out);
}

std::u16string convertAll(const Converter& converter, std::u16string_view text) {
    std::u16string composed(text);
    text::composeCyrillic(composed);
    std::u16string out;
    converter.convertText(composed, true, out);
    return out;
}

}  // namespace lettrica::translit
