#include "app/files/large_paste.h"

#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>

#include "app/conversion/long_command_runner.h"
#include "app/document/pane_layout.h"
#include "app/window/pane.h"

namespace lettrica::app {

namespace {

// Where a piece of `text` from `from` ends: never inside a surrogate pair or
// a CR LF, which would become two characters or two line ends.
qsizetype pieceEnd(const QString& text, qsizetype from) {
    constexpr qsizetype kPiece = 32 * 1024;
    qsizetype end = std::min(text.size(), from + kPiece);
    if (end < text.size() && (text[end - 1].isHighSurrogate() || text[end - 1] == u'\r')) ++end;
    return end;
}

}  // namespace

LargePaste::LargePaste(Panes panes, LongCommandRunner& runner, QObject* parent) : QObject(parent), runner_(runner) {
    setObjectName(QStringLiteral("LargePaste"));
    for (QTextEdit* pane : {panes.source, panes.result})
        if (auto* p = qobject_cast<Pane*>(pane))
            p->setPasteHandler([this, pane](const QMimeData& source) { return paste(pane, source); });
}

bool LargePaste::paste(QTextEdit* pane, const QMimeData& source) {
    if (!source.hasText() || runner_.isBusy()) return false;
    const QString text = source.text();
    if (text.size() < kLarge) return false;

    QTextDocument* document = pane->document();
    QTextCursor cursor = pane->textCursor();
    const int anchor = cursor.anchor(), position = cursor.position();
    // What the paste replaces, to be put back after "Отмена" when there is
    // no undo to do it.
    const QTextDocumentFragment replaced = document->isUndoRedoEnabled() ? QTextDocumentFragment() : cursor.selection();
    const QTextCharFormat format = cursor.charFormat();
    bool cancelled = false;
    {
        LongCommandRunner::SlicedWork work(runner_);
        // All of it is one step for undo: each piece joins the first.
        cursor.beginEditBlock();
        cursor.removeSelectedText();
        const int start = cursor.position();
        for (qsizetype from = 0; from < text.size() && !cancelled;) {
            if (from > 0) cursor.joinPreviousEditBlock();
            const qsizetype end = pieceEnd(text, from);
            cursor.insertText(text.sliced(from, end - from), format);
            cursor.endEditBlock();
            from = end;
            cancelled = !work.keepGoing(from, 2 * text.size());
        }
        if (!cancelled)
            cancelled = !layOutToTheEnd(pane, [&](std::size_t done, std::size_t total) {
                return work.keepGoing(static_cast<qint64>(text.size() * (1 + static_cast<double>(done) / total)),
                                      2 * text.size());
            });
        if (cancelled) {
            if (document->isUndoRedoEnabled()) {
                document->undo(&cursor);
            } else {
                const int end = cursor.position();
                cursor.setPosition(start);
                cursor.setPosition(end, QTextCursor::KeepAnchor);
                cursor.removeSelectedText();
                if (!replaced.isEmpty()) cursor.insertFragment(replaced);
            }
            cursor.setPosition(anchor);
            cursor.setPosition(position, QTextCursor::KeepAnchor);
        }
    }
    pane->setTextCursor(cursor);
    pane->ensureCursorVisible();
    return true;
}

}  // namespace lettrica::app
