#include "translit/converter.h"

#include "text/cp1251.h"

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

std::u16string convertAll(const Converter& converter, std::u16string_view text) {
    std::u16string out;
    converter.convertText(text, true, out);
    return out;
}

}  // namespace lettrica::translit
