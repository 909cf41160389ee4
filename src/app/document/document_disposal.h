#pragma once
// A pane's document that no pane shows any more is freed off the window's
// thread: freeing one of 64 Mi characters, laid out, takes a quarter of a
// second (the layout of each of its paragraphs, then its text), all of it
// in one event were it deleted where it lived.

class QTextDocument;

namespace lettrica::app {

// Frees `document` once the event loop is back where this was called from
// (as deleteLater would), so that nothing still reading it is cut short:
// then it goes to a thread of its own and is deleted there. Nothing may
// hold it meanwhile: no pane shows it, no cursor or block of it is kept.
// The thread ends with the application, freeing what it was given.
void disposeOfDocument(QTextDocument* document);

}  // namespace lettrica::app
