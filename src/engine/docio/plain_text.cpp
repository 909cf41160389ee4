#include "docio/plain_text.h"

#include "text/cp1251.h"
#include "text/utf8.h"

namespace lettrica::docio {

DecodedText decodeTextFile(std::string_view bytes) {
    if (text::isValidUtf8(bytes)) {
        if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
        return {text::decodeUtf8(bytes), TextEncoding::Utf8};
    }
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
