#pragma once
// The two panes of the main window, as the command families see them.

class QTextEdit;

namespace lettrica::app {

struct Panes {
    QTextEdit* source;  // RichEdit1, "Переводимый текст", upper
    QTextEdit* result;  // RichEdit2, "Переведенный текст", lower
};

}  // namespace lettrica::app
