#pragma once
// A text pane of the main window (RichEdit1, RichEdit2): a QTextEdit whose
// copies hold the characters the pane holds. QTextEdit's own plain-text copy
// turns every no-break space into a space; Russian text is full of them
// (numbers, initials, dashes).

#include <QTextEdit>
#include <functional>

namespace lettrica::app {

class Pane : public QTextEdit {
    Q_OBJECT
public:
    using QTextEdit::QTextEdit;

    // The plain text of a copy of a range: paragraph, line and cell breaks as
    // LF, every other character as it is.
    static QString plainCopy(QString raw);

    // Sees every paste first; true when it took the paste (a large text).
    using PasteHandler = std::function<bool(const QMimeData&)>;
    void setPasteHandler(PasteHandler handler) { pasteHandler_ = std::move(handler); }

protected:
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    PasteHandler pasteHandler_;
};

}  // namespace lettrica::app
