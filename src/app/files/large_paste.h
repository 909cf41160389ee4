#pragma once
// A paste of a large text, as Open takes a file: in slices with the
// progress window, so that the window keeps answering, and "Отмена" leaves
// the pane as it was. The pasted text takes the typing format, as a plain
// paste does. A smaller paste is QTextEdit's own, rich text and all, which
// is quick at that size; a large one is taken as plain text, since Qt reads
// HTML only in one piece.

#include <QObject>

#include "app/window/panes.h"

class QMimeData;
class QTextEdit;

namespace lettrica::app {

class LongCommandRunner;

class LargePaste : public QObject {
    Q_OBJECT
public:
    // Takes over the large pastes of both panes.
    LargePaste(Panes panes, LongCommandRunner& runner, QObject* parent);

    // Characters from which a paste goes in slices.
    static constexpr qsizetype kLarge = 256 * 1024;

    // False when the text is not large: QTextEdit pastes it.
    bool paste(QTextEdit* pane, const QMimeData& source);

private:
    LongCommandRunner& runner_;
};

}  // namespace lettrica::app
