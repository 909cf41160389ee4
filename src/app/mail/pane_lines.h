#pragma once
// The lines of a pane as the pane lays them out, which is what a message
// built from the pane carries: with word wrap on, every line the pane shows
// is a line of its own; with word wrap off, a paragraph is one line (a
// forced line break inside it, Shift+Enter or <br> in pasted HTML, still
// ends a line). Images and other objects have no text and are left out.
// An empty last line is no line, as the pane's own line count has it: an
// empty pane has no lines.

#include <QStringList>

class QTextEdit;

namespace lettrica::app {

QStringList paneLines(const QTextEdit* pane);

}  // namespace lettrica::app
