#pragma once
// Converts a text that arrives in pieces of any size (reads of a file or a
// pipe) with any converter, so that the output is byte for byte the output of
// the whole text converted at once. Whatever a piece ends with that the next
// one may change (a rule's lookahead, a UTF-8 character cut in two) is held
// back and converted with the next piece; the converters count what they hold
// back in characters, never in bytes.
//
// UTF-8 input that is not valid is read byte by byte as Windows-1251 where it
// fails, so nothing is dropped and the output is always valid UTF-8.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/converter.h"

namespace lettrica::translit {

enum class StreamEncoding { Cp1251, Utf8 };

class StreamConversion {
public:
    static constexpr std::size_t kDefaultChunk = 256 << 10;

    // `trustedUtf8`: the whole input is known to be valid UTF-8, so pieces
    // are not checked. `chunk`: the size of space() after what is held back.
    StreamConversion(const Converter& converter, StreamEncoding encoding, bool trustedUtf8 = false,
                     std::size_t chunk = kDefaultChunk);

    // Where the next read goes: `chunk` bytes, valid until advance().
    std::span<char> space();
    // `n` bytes were read into space(); 0 means the text has ended. Appends
    // the output converted so far to `out`.
    void advance(std::size_t n, std::string& out);

    // The same for bytes already in memory, in space()-sized pieces.
    void feed(std::string_view bytes, std::string& out);
    void finish(std::string& out) { advance(0, out); }

    // UTF-8 that is not valid is not read as Windows-1251 then: at the first
    // piece that shows it the conversion stops and converts nothing more,
    // for a caller that starts again with the whole input as Windows-1251.
    void stopAtInvalidUtf8() { stopAtInvalid_ = true; }
    bool stopped() const { return stopped_; }

private:
    std::size_t convert(std::string_view bytes, bool final, std::string& out);
    std::size_t contextStart(std::string_view bytes, std::size_t end) const;

    const Converter& converter_;
    StreamEncoding encoding_;
    bool trusted_;
    std::size_t chunk_;
    std::vector<char> buffer_;  // the converter's context, the bytes held back, then space()
    std::size_t context_ = 0;   // characters already converted that the next step may read
    std::size_t held_ = 0;
    std::string repaired_;      // a piece whose invalid UTF-8 was read as Windows-1251
    std::string composed_;      // a piece whose decomposed letters were composed
    bool stopAtInvalid_ = false;
    bool stopped_ = false;
};

// `bytes` made valid UTF-8: each byte that does not belong to a valid
// sequence is taken as Windows-1251. Unless `final`, a sequence cut at the
// end is left as it is for the next piece to complete.
void repairUtf8(std::string_view bytes, bool final, std::string& out);

}  // namespace lettrica::translit
