#pragma once
// A formatted document as files carry it: the engine's styled text plus the
// two tables its format indexes point into. The RTF reader fills one, the
// RTF writer writes one, and the desktop maps both tables to and from Qt's
// QTextCharFormat / QTextBlockFormat / QTextListFormat.
//
// Contract for users of the tables:
// - A run's `format` indexes `charFormats`, a paragraph's `format` indexes
//   `paragraphFormats`. The reader never gives an index outside its tables;
//   the writer takes an index outside them (or empty tables) as the default
//   format, so a hand-built document cannot make it fail.
// - The reader gives each distinct format one entry: equal formats have
//   equal indexes, so a caller may compare indexes instead of formats.
// - Lengths are in twips (1/20 point) and font sizes in half points, the
//   units of RTF itself, so nothing is rounded on the way through.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "text/styled_text.h"

namespace lettrica::docio {

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const Rgb&) const = default;
};

enum class VerticalPosition : std::uint8_t { Normal, Superscript, Subscript };

struct CharFormat {
    std::u16string fontName;          // empty: the reader's default face
    int halfPoints = 24;              // the size: 24 is 12 points, RTF's default
    std::optional<Rgb> color;         // none: the automatic text colour
    std::optional<Rgb> background;    // none: no highlight
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    VerticalPosition position = VerticalPosition::Normal;
    bool operator==(const CharFormat&) const = default;
};

enum class Alignment : std::uint8_t { Left, Center, Right, Justify };

// The marker of a list level: a bullet of some shape or a numbering.
enum class ListStyle : std::uint8_t {
    None,      // not a list item
    Disc,      // bullets
    Circle,
    Square,
    Decimal,   // 1, 2, 3
    LowerAlpha,
    UpperAlpha,
    LowerRoman,
    UpperRoman,
};

inline bool isNumbered(ListStyle style) { return style >= ListStyle::Decimal; }

struct ParagraphFormat {
    Alignment alignment = Alignment::Left;
    int leftIndent = 0;       // twips
    int rightIndent = 0;      // twips
    int firstLineIndent = 0;  // twips, negative for a hanging first line
    // List membership: items with the same listId and listLevel are one list
    // (one QTextList), even when other paragraphs stand between them. The
    // ids mean nothing outside the document; listLevel 0 is the outermost.
    ListStyle listStyle = ListStyle::None;
    int listLevel = 0;
    int listId = 0;
    int listStart = 1;        // the number of the first item of a numbered list
    bool operator==(const ParagraphFormat&) const = default;
};

struct RichDocument {
    text::StyledText text;
    std::vector<CharFormat> charFormats;
    std::vector<ParagraphFormat> paragraphFormats;
};

// The format a run or paragraph index stands for; the default one for an
// index outside the table.
const CharFormat& charFormatAt(const RichDocument& document, int index);
const ParagraphFormat& paragraphFormatAt(const RichDocument& document, int index);

struct CharFormatHash {
    std::size_t operator()(const CharFormat& format) const;
};
struct ParagraphFormatHash {
    std::size_t operator()(const ParagraphFormat& format) const;
};

}  // namespace lettrica::docio
