#pragma once
// A converter that looks at one character at a time: each Windows-1251 byte
// either has a replacement text or keeps its character. The built-in
// Cyrillic -> Latin tables, the user tables, recoding and case change are all
// of this kind. Over Windows-1251 streams it runs as a byte table.

#include <array>
#include <optional>
#include <string>

#include "translit/converter.h"

namespace lettrica::translit {

using CharMap = std::array<std::optional<std::u16string>, 256>;

class CharMapConverter : public Converter {
public:
    explicit CharMapConverter(const CharMap& map);

    Step step(std::u16string_view text, std::size_t pos) const override;
    std::size_t convertText(std::u16string_view text, bool final, std::u16string& out) const override;
    std::size_t convertBytes(std::string_view bytes, bool final, std::string& out) const override;

    // The entry of a Windows-1251 byte, or nullptr when that byte's character is kept.
    const std::u16string* entry(unsigned char byte) const {
        return has_[byte] ? &texts_[byte] : nullptr;
    }

private:
    std::array<bool, 256> has_{};
    std::array<std::u16string, 256> texts_;
    // Byte form: every byte's output (itself when kept). Outputs of up to
    // four bytes also live in fixed slots, so the hot loop copies four bytes
    // and advances by the true length.
    std::array<std::string, 256> bytes_;
    std::array<std::array<char, 4>, 256> slots_{};
    std::array<std::uint8_t, 256> slotLen_{};
    bool allFitSlots_ = true;
};

}  // namespace lettrica::translit
