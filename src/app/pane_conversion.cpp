#include "app/pane_conversion.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include "app/document_adapter.h"
#include "app/progress_window.h"
#include "translit/document_conversion.h"

namespace lettrica::app {

namespace {
// Characters per slice, and the time after which the event loop gets its turn.
constexpr std::size_t kSlice = 16 * 1024;
qint64 sliceMillis = 30;
}  // namespace

void setSliceMillis(int millis) { sliceMillis = millis; }

RunOutcome runPaneConversion(const PaneConversion& run) {
    const DocumentSnapshot snapshot = snapshotDocument(*run.source);
    translit::DocumentConversion conversion(snapshot.text);

    const bool wasVisible = run.target->isVisible();
    if (run.hideTargetWhileRunning && wasVisible) run.target->hide();
    run.progress->start(static_cast<qint64>(conversion.total()));
    QCoreApplication::processEvents();

    bool cancelled = false;
    QElapsedTimer clock;
    while (!conversion.done()) {
        clock.start();
        do {
            conversion.advance(run.converter(), kSlice);
        } while (!conversion.done() && clock.elapsed() < sliceMillis);
        run.progress->setProgress(static_cast<qint64>(conversion.position()));
        QCoreApplication::processEvents();
        if (run.progress->cancelRequested()) {
            cancelled = true;
            break;
        }
    }

    // The result is built in a document of its own and then handed to the
    // pane: filling a document that an editor lays out costs ten times more.
    QTextDocument* old = run.target->document();
    auto* document = new QTextDocument(run.target);
    document->setDefaultFont(old->defaultFont());
    document->setDefaultTextOption(old->defaultTextOption());
    document->setDocumentMargin(old->documentMargin());
    document->setIndentWidth(old->indentWidth());
    document->setDefaultStyleSheet(old->defaultStyleSheet());
    buildDocument(*document, conversion.result(), snapshot);
    document->setUndoRedoEnabled(old->isUndoRedoEnabled());
    QPointer<QTextDocument> previous(old);
    run.target->setDocument(document);
    if (previous && previous != document) previous->deleteLater();
    if (!cancelled) {
        QTextCursor cursor(document);
        cursor.movePosition(QTextCursor::Start);
        run.target->setTextCursor(cursor);
    }
    if (run.hideTargetWhileRunning && wasVisible) run.target->show();
    run.progress->finish();
    return cancelled ? RunOutcome::Cancelled : RunOutcome::Finished;
}

}  // namespace lettrica::app
