#pragma once
// Reading an RTF file into a formatted document: the tokeniser's events
// (rtf_reader.h) turned into styled text with its character and paragraph
// format tables (rich_format.h).
//
// What is read:
// - Text in every dialect in use: \'hh bytes decoded by the code page of
//   the current font's charset (\fcharset204 is Windows-1251 even in a
//   document that declares \ansicpg1252, as Word writes them), else by the
//   font's \cpg, else by the document's \ansicpg; \uN with its \ucN fallback
//   skipped (negative N and surrogate pairs included); double-byte East Asian
//   fonts as far as the C library can decode them.
// - Character formats: font name, size, colour, background (\highlight,
//   \cb, \chcbpat), bold, italic, underline, strike, super- and subscript;
//   paragraph styles (\sN) and character styles (\csN) of the style sheet.
// - Paragraph formats: alignment, left, right and first-line indents, and
//   lists: \ls/\ilvl through the list tables (Word, LibreOffice) and
//   {\*\pn ...} (WordPad and other rich-edit controls). The marker a writer
//   put before an item ({\listtext}, {\pntext}) says where numbering starts
//   again: from such an item on, the list is another one that starts there.
// - Tables: rows of cells (\trowd, \cellx, \intbl, \cell, \row), spans
//   across columns (cells of several grid columns, \clmgf/\clmrg) and rows
//   (\clvmgf/\clvmrg), cell shading, borders, and tables nested in cells
//   (\itap, \nestcell, \nestrow). At most 63 columns, as Word has; a row
//   with more cells puts the rest into its last column.
// - Pictures in PNG and JPEG ({\pict}, also inside {\*\shppict} and an
//   object's \result).
// - Footnotes, endnotes and comments: the mark in the text becomes the
//   note's number (superscript as the file has it), and the notes come after
//   the document's last paragraph, each starting with its number, a
//   comment's with its author's name too.
// - \line (U+2028, as Qt keeps a line break inside a paragraph), \tab, \~,
//   \-, \_, the typographic quotes and dashes, \bullet.
// - Left out, and counted in the report: headers and footers, pictures in
//   other formats (WMF, EMF ...), drawing shapes and objects without a
//   rendering. Skipped silently: font, colour, style and list tables as
//   text, unknown \* destinations, document information, field
//   instructions (their results are read), hidden text and \bin data.
//
// \ucN fallbacks: what follows \uN is skipped for N characters, where a
// byte or a \'hh counts one; control words and symbols are carried out and
// not counted, and a brace ends the skipping (LibreOffice reads \par after
// \u1055 with \uc1 as a paragraph end, not as the fallback).
//
// Paragraphs: \par ends one; the empty paragraph after the last \par is no
// paragraph (every writer ends its last paragraph with \par). The document
// always has at least one paragraph, unless the file is not RTF at all.
//
// Memory: readRtf with a sink hands each paragraph over once it is complete
// (a table's once the whole table is read, the notes at the end) and keeps
// no text of its own, so reading takes little more than the file and the
// format tables.

#include <cstddef>
#include <string_view>

#include "docio/rich_format.h"
#include "docio/rtf_reader.h"

namespace lettrica::docio {

// What the file holds that the document does not show as the file has it.
struct RtfReadReport {
    int notes = 0;              // footnotes, endnotes and comments, now after the text
    bool headersOrFooters = false;
    int picturesLeftOut = 0;    // not PNG or JPEG, or beyond the size allowed
    int objectsLeftOut = 0;     // drawing shapes, objects without a rendering
    bool operator==(const RtfReadReport&) const = default;
};

struct RtfReadResult {
    // Everything that could be read; for a file that is not RTF, nothing.
    // With a sink, the format tables only: the paragraphs went to the sink.
    RichDocument document;
    RtfReadReport report;
    // The first fault met. NotRtf: the file is not RTF (read it as plain
    // text). Any other: the document is incomplete or damaged; it still holds
    // what came before the fault, for a caller that prefers some text to none.
    RtfFault fault;
    bool ok() const { return fault.ok(); }
};

struct RtfReadOptions {
    // Picture bytes kept in all; the pictures beyond are left out.
    std::size_t maxPictureBytes = std::size_t{256} << 20;
};

class RtfParagraphSink {
public:
    virtual ~RtfParagraphSink() = default;
    // The next paragraph of the document. `tables` are the formats, tables
    // and pictures read so far, which cover this paragraph; they only grow.
    // False stops reading: the fault is then Stopped.
    virtual bool paragraph(const RichDocument& tables, text::Paragraph&& paragraph) = 0;
};

// The whole document in memory.
RtfReadResult readRtf(std::string_view bytes, const RtfReadOptions& options = {});
// The paragraphs to `sink` as they are read.
RtfReadResult readRtf(std::string_view bytes, RtfParagraphSink& sink, const RtfReadOptions& options = {});

}  // namespace lettrica::docio
