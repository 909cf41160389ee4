#pragma once
// Between a pane's QTextDocument and the engine's file model (RichDocument,
// what the RTF reader gives and the RTF writer takes), both ways:
// - characters: font name, size, colour, background, bold, italic,
//   underline, strike, super- and subscript;
// - paragraphs: alignment, indents, list membership (style, level, start).
//
// Lists are objects of their document: each (listId, listLevel) of the file
// becomes one QTextList built in the target, and each QTextList of a pane one
// list of the file. Qt indents a list by its level, so the indents a file
// gives a list item are kept beside it (not applied twice) and written back
// as they came; a numbering start other than 1 is kept the same way, since
// this Qt may have no QTextListFormat::setStart.
//
// Qt measures indents in pixels at 96 dots per inch, RTF in twips: one
// pixel is 15 twips.

#include "docio/rich_format.h"

class QTextDocument;

namespace lettrica::app {

// Replaces the contents of `document` by `rich`. The document's undo stack is
// left empty. Intended for a document that no editor shows yet: filling one
// that an editor lays out costs many times more.
void fillDocument(QTextDocument& document, const docio::RichDocument& rich);

// The document as a file would hold it. Characters that stand for objects
// (images, frame boundaries) are no text and are left out. A format a run does
// not set (no font name or size of its own) takes the document's default font.
docio::RichDocument richDocumentOf(const QTextDocument& document);

}  // namespace lettrica::app
