#pragma once
// Plain-text files as the panes take them: UTF-8 when the bytes are valid
// UTF-8 (a leading byte-order mark dropped); UTF-16 when a byte-order mark
// says so and the rest is whole, valid UTF-16 (what Notepad saves as
// "Unicode"); Windows-1251 otherwise. Line ends of any kind (CR LF, LF, CR)
// end a paragraph.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lettrica::docio {

enum class TextEncoding { Utf8, Utf16, Cp1251 };

struct DecodedText {
    std::u16string text;
    TextEncoding encoding;
};

DecodedText decodeTextFile(std::string_view bytes);

// The text with every line end made a single LF.
std::u16string normalizeLineEnds(std::u16string_view text);

// decodeTextFile and normalizeLineEnds a piece at a time, so that a large
// file is never held whole as text beside its bytes: the bytes are checked
// for UTF-8 first, then decoded piece by piece, each piece ending on a whole
// character and never between the CR and LF of one line end. The bytes must
// outlive the decoder. A UTF-16 file (rare, and needing the whole file to
// be told apart) is decoded at once by the first piece.
class TextFileDecoder {
public:
    explicit TextFileDecoder(std::string_view bytes);

    // Checks or decodes about `budget` more bytes; the text decoded, its line
    // ends made LF, is appended to `out`. Returns done().
    bool step(std::u16string& out, std::size_t budget);
    bool done() const { return stage_ == Stage::Done; }
    // Known once the check is over: the encoding, the text's UTF-16 units
    // without its line ends, and its line ends.
    std::optional<TextEncoding> encoding() const { return encoding_; }
    std::size_t characters() const { return characters_; }
    std::size_t lineEnds() const { return lineEnds_; }
    // Work done and in all: every byte is checked and then decoded.
    std::size_t progress() const { return checked_ + decoded_; }
    std::size_t total() const { return 2 * bytes_.size(); }

private:
    enum class Stage { Check, Decode, Done };
    void check(std::size_t budget);
    void decode(std::u16string& out, std::size_t budget);
    void appendNormalized(std::u16string& out, std::size_t from);
    void count(std::string_view checked);

    std::string_view bytes_;
    Stage stage_ = Stage::Check;
    std::optional<TextEncoding> encoding_;
    std::size_t checked_ = 0, decoded_ = 0;
    std::u16string utf16_;  // a UTF-16 file, decoded whole
    bool afterCr_ = false;  // the last piece ended in a CR
    // Counted while checking, for both readings of the bytes.
    std::size_t utf8Units_ = 0, byteUnits_ = 0, crs_ = 0, lfs_ = 0, crLfs_ = 0;
    bool checkedCr_ = false;
    bool utf8_ = true;  // valid UTF-8 so far
    std::size_t characters_ = 0, lineEnds_ = 0;
};

}  // namespace lettrica::docio
