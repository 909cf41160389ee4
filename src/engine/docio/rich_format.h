#pragma once
// A formatted document as files carry it: the engine's styled text plus the
// tables its format indexes point into. The RTF reader fills one, the RTF
// writer writes one, and the desktop maps the tables to and from Qt's
// QTextCharFormat / QTextBlockFormat / QTextListFormat / QTextTable and
// image resources.
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
// - A picture is one character, U+FFFC, in a run whose format names it
//   (CharFormat::image). Outside such a run U+FFFC is no picture.
// - A paragraph in a table cell says so in its format (table, row, column).
//   The paragraphs of a table come in the order of its cells, row by row,
//   and every cell that no span covers has at least one paragraph; those of
//   a table nested in a cell come where that cell's paragraphs do.

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
    int image = -1;                   // the picture a U+FFFC of this format shows, -1 none
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
    // The number of the list's first item at this level. Every item of one
    // listId and level has the same start; numbering that starts again in
    // the middle of a list is another list.
    int listStart = 1;
    // The table cell that holds the paragraph: tables[table], -1 for the body.
    int table = -1;
    int row = 0, column = 0;
    bool operator==(const ParagraphFormat&) const = default;
};

inline constexpr char16_t kObjectCharacter = u'\uFFFC';

enum class ImageKind : std::uint8_t { Png, Jpeg };

// A picture as the file held it: a PNG or JPEG file's bytes.
struct Image {
    ImageKind kind = ImageKind::Png;
    std::string data;
    int width = 0, height = 0;  // the size it is shown at, in twips; 0: its own size
};

struct TableCell {
    int row = 0, column = 0;
    int rowSpan = 1, columnSpan = 1;
    std::optional<Rgb> background;
    bool operator==(const TableCell&) const = default;
};

struct Table {
    int rows = 1, columns = 1;
    std::vector<int> columnWidths;  // twips, one a column; empty: shared out evenly
    std::vector<TableCell> cells;   // each cell that no span covers, row by row
    bool borders = false;
    // Where the table sits: in the body (-1), or in a cell of an earlier table.
    int parent = -1;
    int parentRow = 0, parentColumn = 0;
    bool operator==(const Table&) const = default;
};

struct RichDocument {
    text::StyledText text;
    std::vector<CharFormat> charFormats;
    std::vector<ParagraphFormat> paragraphFormats;
    std::vector<Table> tables;
    std::vector<Image> images;
};

// The picture a character shows, or null.
const Image* imageAt(const RichDocument& document, int charFormat);

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
