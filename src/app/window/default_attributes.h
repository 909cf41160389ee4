#pragma once
// The panes' default text attributes: "MS Sans Serif", 10 points, black, no
// style. New, Open and the file named on the command line give them to a
// pane before it takes new text.

#include <QTextCharFormat>

class QTextEdit;

namespace lettrica::app {

inline constexpr const char* kDefaultFontName = "MS Sans Serif";
inline constexpr int kDefaultFontSize = 10;

QTextCharFormat defaultCharFormat();

// The whole text and the typing format of `pane` take the defaults; the
// caret goes to the start with nothing selected.
void applyDefaultAttributes(QTextEdit* pane);

}  // namespace lettrica::app
