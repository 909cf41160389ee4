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
//   {\*\pn ...} (WordPad and other rich-edit controls).
// - \line (U+2028, as Qt keeps a line break inside a paragraph), \tab, \~,
//   \-, \_, the typographic quotes and dashes, \bullet. Table cells and rows
//   end paragraphs.
// - Skipped: font, colour, style and list tables as text, \* destinations,
//   pictures, objects (but their \result), document information, headers,
//   footers, footnotes, field instructions (their results are read),
//   \pntext / \listtext (the list marker a reader would draw), hidden text
//   and \bin data.
//
// Paragraphs: \par ends one; the empty paragraph after the last \par is no
// paragraph (every writer ends its last paragraph with \par). The document
// always has at least one paragraph, unless the file is not RTF at all.

#include <string_view>

#include "docio/rich_format.h"
#include "docio/rtf_reader.h"

namespace lettrica::docio {

struct RtfReadResult {
    // Everything that could be read; for a file that is not RTF, nothing.
    RichDocument document;
    // The first fault met. NotRtf: the file is not RTF (read it as plain
    // text). Any other: the document is incomplete or damaged; it still holds
    // what came before the fault, for a caller that prefers some text to none.
    RtfFault fault;
    bool ok() const { return fault.ok(); }
};

RtfReadResult readRtf(std::string_view bytes);

}  // namespace lettrica::docio
