#pragma once
// A pane's document replaced by another. The one replaced is freed off the
// window's thread: freeing one of 64 Mi characters, laid out, takes a
// quarter of a second (the layout of each of its paragraphs, then its
// text), all of it in one event were it deleted where it lived; emptying it
// in place (QTextEdit::clear) costs the same.

class QTextDocument;
class QTextEdit;

namespace lettrica::app {

// A new empty document that shows like `pane` (its font, text options,
// margin, indent and style sheet), without undo, and without a parent.
QTextDocument* documentLike(const QTextDocument& pane);

// Shows `document` in the pane instead of its current one, which is freed
// by disposeOfDocument; the new one takes the old one's undo setting and is
// laid out in idle time (layOutWhenIdle).
void replaceDocument(QTextEdit* pane, QTextDocument* document);

// Empties the pane as QTextEdit::clear does (the typing format stays), a
// large document by replacing it with an empty one like it.
void clearPane(QTextEdit* pane);

// Frees `document` once the event loop is back where this was called from
// (as deleteLater would), so that nothing still reading it is cut short:
// then it goes to a thread of its own and is deleted there. Nothing may
// hold it meanwhile: no pane shows it, no cursor or block of it is kept.
// The thread ends with the application, freeing what it was given.
void disposeOfDocument(QTextDocument* document);

// Frees at once the documents disposeOfDocument was given, for a command
// that replaces one pane's document and then another's: the first need not
// wait beside the second's new one. Only where nothing reads them any more.
void freeDisposedDocuments();

}  // namespace lettrica::app
