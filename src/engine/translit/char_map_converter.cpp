#include "translit/char_map_converter.h"

#include <cstring>

#include "text/cp1251.h"

namespace lettrica::translit {

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
        } else {
            bytes_[b] = std::string(1, static_cast<char>(b));
        }
        if (bytes_[b].size() <= 4) {
            slotLen_[b] = static_cast<std::uint8_t>(bytes_[b].size());
            std::memcpy(slots_[b].data(), bytes_[b].data(), bytes_[b].size());
        } else {
            allFitSlots_ = false;
        }
    }
}

Step CharMapConverter::step(std::u16string_view text, std::size_t pos) const {
    int b = text::unicodeToCp1251(text[pos]);
    if (b < 0 || !has_[b]) return Step::keepOne();
    return Step::replace(texts_[b]);
}

std::size_t CharMapConverter::convertText(std::u16string_view text, bool, std::u16string& out) const {
    out.reserve(out.size() + text.size() + text.size() / 4);
    for (char16_t ch : text) {
        int b = text::unicodeToCp1251(ch);
        if (b < 0 || !has_[b]) out.push_back(ch);
        else out += texts_[b];
    }
    return text.size();
}

std::size_t CharMapConverter::convertBytes(std::string_view bytes, bool, std::string& out) const {
    const std::size_t base = out.size();
    if (allFitSlots_) {
        // Worst case four bytes per input byte, plus slack for the last slot copy.
        out.resize(base + bytes.size() * 4 + 4);
        char* dst = out.data() + base;
        for (unsigned char c : bytes) {
            std::memcpy(dst, slots_[c].data(), 4);
            dst += slotLen_[c];
        }
        out.resize(static_cast<std::size_t>(dst - out.data()));
    } else {
        for (unsigned char c : bytes) out += bytes_[c];
    }
    return bytes.size();
}

}  // namespace lettrica::translit
