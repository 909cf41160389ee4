#pragma once
// A text written in one character set and read back in another, and the way
// back: write the garbled text in the set it was read in and read the bytes
// in the set it was written in. The way back is taken only when it is exact:
// every character must exist in the set it was read in, and the bytes must
// be valid in the set it was written in; otherwise the misreading cannot
// have happened and undo() says so.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "repair/charsets.h"

namespace lettrica::repair {

struct Misreading {
    Charset written;
    Charset read;
    bool operator==(const Misreading&) const = default;
};

// One or two misreadings, in the order they happened.
struct Chain {
    std::array<Misreading, 2> steps{};
    std::uint8_t length = 0;
    bool operator==(const Chain&) const = default;
};

// "UTF-8 read as Windows-1251", "... then UTF-8 read as Windows-1251".
std::string describe(const Chain& chain);

// A stretch of the garbled text and the stretch of the repaired text it
// becomes, by their lengths in UTF-16 units; pieces follow each other.
struct Piece {
    std::uint32_t source;
    std::uint32_t result;
};

// Undoes one misreading of `garbled` into `out` (replacing it). With
// `pieces`, also says which stretch became which. False when it cannot
// have happened.
bool undo(Misreading misreading, std::u16string_view garbled, std::u16string& out,
          std::vector<Piece>* pieces = nullptr);

// Joins the pieces of a first undo (garbled -> middle) and of a second
// (middle -> result) into pieces from garbled to result.
std::vector<Piece> composePieces(const std::vector<Piece>& first, const std::vector<Piece>& second);

}  // namespace lettrica::repair
