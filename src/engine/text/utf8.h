#pragma once
// UTF-8 <-> UTF-16 with validation. Errors carry the byte position instead of
// throwing, so callers can fall back (to Windows-1251) or report the place.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lettrica::text {

// Length of the longest prefix of `bytes` that is valid UTF-8, possibly
// stopping before an incomplete sequence at the very end.
struct Utf8Check {
    bool valid = true;            // no invalid sequence anywhere
    std::size_t completePrefix = 0;  // bytes that form whole characters
    bool ascii = true;            // every byte checked is below 0x80 (when valid)
};
Utf8Check checkUtf8(std::string_view bytes);
inline bool isValidUtf8(std::string_view bytes) {
    Utf8Check c = checkUtf8(bytes);
    return c.valid && c.completePrefix == bytes.size();
}

// Where the last `count` whole characters of `bytes` begin, a character cut
// at the very end being held back with them: a converter that looks `count`
// characters ahead stops there and leaves the rest for the next piece. Bytes
// are counted as characters only where they are not valid UTF-8.
std::size_t utf8HoldBack(std::string_view bytes, std::size_t count);

// Decodes valid UTF-8 (as checked above); the input must hold whole characters.
void appendDecodedUtf8(std::string_view bytes, std::u16string& out);
std::u16string decodeUtf8(std::string_view bytes);

// Encodes UTF-16; an unpaired surrogate is written as U+FFFD.
void appendEncodedUtf8(std::u16string_view text, std::string& out);
std::string encodeUtf8(std::u16string_view text);

}  // namespace lettrica::text
