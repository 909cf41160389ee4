#pragma once
// A text pane of the main window (RichEdit1, RichEdit2): a QTextEdit whose
// copies hold the characters the pane holds. QTextEdit's own plain-text copy
// turns every no-break space into a space; Russian text is full of them
// (numbers, initials, dashes).

#include <QTextEdit>

namespace lettrica::app {

class Pane : public QTextEdit {
    Q_OBJECT
public:
    using QTextEdit::QTextEdit;

    // The plain text of a copy of a range: paragraph, line and cell breaks as
    // LF, every other character as it is.
    static QString plainCopy(QString raw);

protected:
    QMimeData* createMimeDataFromSelection() const override;
};

}  // namespace lettrica::app
