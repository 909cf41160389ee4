#include "app/pane_conversion.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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
constexpr qint64 kSliceMillis = 30;
}  // namespace

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
        while (!conversion.done() && clock.elapsed() < kSliceMillis)
            conversion.advance(run.converter(), kSlice);
        run.progress->setProgress(static_cast<qint64>(conversion.position()));
        QCoreApplication::processEvents();
        if (run.progress->cancelRequested()) {
            cancelled = true;
            break;
        }
    }

    QTextDocument* document = run.target->document();
    buildDocument(*document, conversion.result(), snapshot);
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
