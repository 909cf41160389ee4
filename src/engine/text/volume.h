#pragma once
// Text volume: how many printable characters a text has and how long it is,
// with the Russian wording the program shows for both.
//
// A character is printable when its code is 32 (space) or more; a line
// break is not printable and counts as two characters (CR LF), whether the
// text ends its lines with CR LF, LF, CR or the paragraph and line
// separators of a rich-text pane. A surrogate pair is one character.

#include <cstdint>
#include <string>
#include <string_view>

namespace lettrica::text {

struct Volume {
    std::uint64_t printable = 0;
    std::uint64_t total = 0;
    bool operator==(const Volume&) const = default;
};

// Counts a text given in pieces of any size; a CR LF split between two
// pieces is still one line break. The figures are complete after each piece.
class VolumeCounter {
public:
    void add(std::u16string_view text);
    // Windows-1251 bytes: one character each.
    void addCp1251(std::string_view bytes);
    const Volume& volume() const { return volume_; }

private:
    Volume volume_;
    bool afterCr_ = false;
    bool afterHighSurrogate_ = false;
};

Volume countVolume(std::u16string_view text);

// "1 печатный символ.", "22 печатных символа.", "12 печатных символов."
std::u16string printablePhrase(std::uint64_t count);

// The "Объем текста" message for the source and the result pane; its lines
// are separated by a single CR.
std::u16string volumeMessage(const Volume& source, const Volume& result);

// The status-bar line of the automatic volume display (total lengths only).
std::u16string volumeStatusLine(std::uint64_t sourceTotal, std::uint64_t resultTotal);

}  // namespace lettrica::text
