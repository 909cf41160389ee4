#pragma once
// A converter that looks at one character at a time: each Windows-1251 byte
// either has a replacement text or keeps its character. The built-in
// Cyrillic -> Latin tables, the user tables, recoding and case change are all
// of this kind. Over Windows-1251 streams it runs as a byte table.

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "convert/converter.h"
#include "text/expanding_byte_map.h"

namespace lettrica::translit {

using CharMap = std::array<std::optional<std::u16string>, 256>;

class CharMapConverter : public Converter {
public:
    explicit CharMapConverter(const CharMap& map);

    Step step(std::u16string_view text, std::size_t pos) const override;
    std::size_t convertText(std::u16string_view text, bool final, std::u16string& out) const override;
    std::size_t convertBytes(std::string_view bytes, bool final, std::string& out) const override;
    std::size_t convertUtf8(std::string_view utf8, bool final, std::string& out) const override;

    // The entry of a Windows-1251 byte, or nullptr when that byte's character is kept.
    const std::u16string* entry(unsigned char byte) const {
        return has_[byte] ? &texts_[byte] : nullptr;
    }

    // A copy that runs the plain loops only, for tests of every path.
    CharMapConverter withoutVectorLoops() const {
        CharMapConverter plain = *this;
        plain.expandBytes_.reset();
        plain.expandCodes_.reset();
        return plain;
    }

    // Characters below this have their output in the direct tables; the
    // rest (rare punctuation such as the numero sign) go through the code page.
    static constexpr char16_t kDirect = 0x460;

private:
    // The output of a character outside the direct tables.
    const std::u16string* entryOf(char32_t ch) const;
    // A character's UTF-8 output as a packed word, or kLong.
    std::uint64_t packedUtf8Of(char32_t ch) const;

    std::array<bool, 256> has_{};
    std::array<std::u16string, 256> texts_;
    std::array<std::string, 256> bytes_;  // every byte's output (itself when kept)
    std::array<std::string, 256> utf8_;   // entries in UTF-8

    // The hot loops store one 64-bit word per character and advance by the
    // true length, kept in the word's last byte (or last UTF-16 unit): up to
    // seven bytes or three units. A longer output is marked kLong and takes
    // the slow path.
    static constexpr std::uint8_t kLong = 0xFF;
    std::array<std::uint64_t, 256> packedBytes_{};
    std::array<std::uint64_t, kDirect> packedText_{};
    std::array<std::uint64_t, kDirect> packedUtf8_{};
    // By the one-byte code of a character of ASCII or the Cyrillic block
    // (text/utf8_cyrillic.h): its output in UTF-8.
    // Only when each output fits a word.
    std::array<std::uint64_t, 256> packedCyrillic_{};
    bool squeeze_ = true;
    // Two characters at once, when every byte's output has three bytes or
    // fewer: 64 K entries, made on first use of the byte path. A copy of the
    // converter makes its own.
    const std::uint64_t* pairTable() const;
    struct PairCache {
        struct State {
            std::once_flag once;
            std::unique_ptr<std::uint64_t[]> table;
        };
        std::unique_ptr<State> state = std::make_unique<State>();
        PairCache() = default;
        PairCache(const PairCache&) : PairCache() {}
        PairCache& operator=(const PairCache&) {
            state = std::make_unique<State>();
            return *this;
        }
    };
    mutable PairCache pairs_;
    // The vector loops of the byte path and of squeezed UTF-8, where the
    // processor has them and every output fits; shared by copies.
    std::shared_ptr<const text::ExpandingByteMap> expandBytes_;
    std::shared_ptr<const text::ExpandingByteMap> expandCodes_;

    std::size_t maxBytes_ = 1;  // longest output of one character, per form
    std::size_t maxUnits_ = 1;
    std::size_t maxUtf8_ = 1;
};

}  // namespace lettrica::translit
