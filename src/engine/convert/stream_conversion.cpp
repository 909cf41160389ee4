#include "convert/stream_conversion.h"

#include <algorithm>
#include <cstring>

#include "text/compose.h"
#include "text/cp1251.h"
#include "text/utf8.h"

namespace lettrica::translit {

void repairUtf8(std::string_view bytes, bool final, std::string& out) {
    out.clear();
    std::size_t i = 0;
    while (i < bytes.size()) {
        const text::Utf8Check check = text::checkUtf8(bytes.substr(i));
        out.append(bytes.substr(i, check.completePrefix));
        i += check.completePrefix;
        if (i == bytes.size()) break;
        if (check.valid && !final) {  // cut at the end
            out.append(bytes.substr(i));
            break;
        }
        const char16_t ch = text::cp1251ToUnicode(static_cast<unsigned char>(bytes[i]));
        text::appendEncodedUtf8(std::u16string_view(&ch, 1), out);
        ++i;
    }
}

StreamConversion::StreamConversion(const Converter& converter, StreamEncoding encoding, bool trustedUtf8,
                                   std::size_t chunk)
    : converter_(converter), encoding_(encoding), trusted_(trustedUtf8 && encoding == StreamEncoding::Utf8),
      chunk_(std::max<std::size_t>(chunk, 1)) {
    // A little room for what is held back, so the buffer keeps its size.
    buffer_.reserve(chunk_ + 64);
}

std::span<char> StreamConversion::space() {
    buffer_.resize(context_ + held_ + chunk_);
    return {buffer_.data() + context_ + held_, chunk_};
}

std::size_t StreamConversion::convert(std::string_view bytes, bool final, std::string& out) {
    if (context_ == 0) {
        if (encoding_ == StreamEncoding::Cp1251) return converter_.convertBytes(bytes, final, out);
        return converter_.convertUtf8(bytes, final, out);
    }
    if (encoding_ == StreamEncoding::Cp1251) return converter_.convertBytesAfter(context_, bytes, final, out);
    return converter_.convertUtf8After(context_, bytes, final, out);
}

// Where the last lookbehind() characters before `end` begin.
std::size_t StreamConversion::contextStart(std::string_view bytes, std::size_t end) const {
    std::size_t at = end;
    for (std::size_t n = converter_.lookbehind(); n > 0 && at > 0; --n) {
        --at;
        if (encoding_ == StreamEncoding::Utf8)
            while (at > 0 && (static_cast<unsigned char>(bytes[at]) & 0xC0) == 0x80) --at;
    }
    return at;
}

void StreamConversion::advance(std::size_t n, std::string& out) {
    if (stopped_) return;
    held_ += std::min(n, buffer_.size() - context_ - held_);  // never more than space() gave
    const bool final = n == 0;
    std::string_view piece(buffer_.data(), context_ + held_);
    bool ascii = false;  // then nothing is decomposed
    if (encoding_ == StreamEncoding::Utf8 && !trusted_) {
        const text::Utf8Check check = text::checkUtf8(piece);
        ascii = check.valid && check.ascii;
        if (!check.valid || (final && check.completePrefix != piece.size())) {
            if (stopAtInvalid_) {
                stopped_ = true;
                held_ = context_ = 0;
                return;
            }
            repairUtf8(piece, final, repaired_);
            piece = repaired_;
        }
    }
    // Decomposed letters are composed before the converter sees them; a
    // letter at the end waits for a mark the next piece may bring.
    std::size_t wait = 0;
    if (encoding_ == StreamEncoding::Utf8 && !ascii) {
        if (text::composeCyrillicUtf8(piece, composed_)) piece = composed_;
        if (!final) wait = std::min(text::composeHoldBack(piece), piece.size() - context_);
    }
    // No rule reaches past a line break: a piece that ends with one is
    // converted to its end, so that a pipe pausing after a line gives the
    // whole line rather than all but its last characters.
    const bool lineEnd = !final && wait == 0 && !piece.empty() && piece.back() == '\n';
    const std::size_t used = context_ + convert(piece.substr(0, piece.size() - wait), final || lineEnd, out);
    // The rest is at most a few characters (a word, for a converter that
    // reads words), with the context before it; after a repair it is valid
    // UTF-8 and is not repaired again.
    const std::size_t from = final ? piece.size() : contextStart(piece, used);
    const std::string_view kept = piece.substr(from);
    if (kept.size() > buffer_.size()) buffer_.resize(kept.size());
    if (!kept.empty()) std::memmove(buffer_.data(), kept.data(), kept.size());
    context_ = used - from;
    held_ = kept.size() - context_;
    if (final) context_ = held_ = 0;
}

void StreamConversion::feed(std::string_view bytes, std::string& out) {
    while (!bytes.empty()) {
        const std::span<char> room = space();
        const std::size_t n = std::min(room.size(), bytes.size());
        std::memcpy(room.data(), bytes.data(), n);
        advance(n, out);
        bytes.remove_prefix(n);
    }
}

}  // namespace lettrica::translit
