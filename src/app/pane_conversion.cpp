#include "app/pane_conversion.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include "app/progress_window.h"

namespace lettrica::app {

namespace {
// Characters of work between two looks at the clock.
constexpr std::size_t kSlice = 16 * 1024;
qint64 sliceMillis = 30;

// A new document that shows like the pane's own.
QTextDocument* documentLike(const QTextDocument& pane) {
    auto* document = new QTextDocument;
    document->setDefaultFont(pane.defaultFont());
    document->setDefaultTextOption(pane.defaultTextOption());
    document->setDocumentMargin(pane.documentMargin());
    document->setIndentWidth(pane.indentWidth());
    document->setDefaultStyleSheet(pane.defaultStyleSheet());
    document->setUndoRedoEnabled(false);
    return document;
}

void handOver(QTextEdit* pane, QTextDocument* document) {
    QTextDocument* old = pane->document();
    document->setUndoRedoEnabled(old->isUndoRedoEnabled());
    document->setParent(pane);
    // The pane would delete its first document on the spot; freeing a large
    // one waits for the event loop instead.
    old->setParent(nullptr);
    pane->setDocument(document);
    old->deleteLater();
}
}  // namespace

void setSliceMillis(int millis) { sliceMillis = millis; }

RunOutcome runPaneConversion(const PaneConversion& run) {
    QTextEdit* target = run.target;
    const bool hide = run.hideTargetWhileRunning && target->isVisible();
    if (hide) target->hide();
    QTextDocument* document = documentLike(*target->document());
    ConversionPipeline pipeline(*run.source, *document, run.converter);
    run.progress->start(static_cast<qint64>(pipeline.total()));
    QCoreApplication::processEvents();

    QElapsedTimer clock;
    auto slice = [&] {
        clock.start();
        do {
            pipeline.work(kSlice);
        } while (!pipeline.done() && clock.elapsed() < sliceMillis);
        run.progress->setProgress(static_cast<qint64>(pipeline.finished()));
    };
    auto abandoned = [&] { return run.abandoned && run.abandoned(); };

    // As the step-by-step loop had it: a piece of work, the event loop, then
    // a look at the flag.
    while (!pipeline.done()) {
        slice();
        QCoreApplication::processEvents();
        if (run.progress->cancelRequested()) break;
    }
    const bool cancelled = run.progress->cancelRequested();
    if (cancelled) {
        pipeline.stopConverting();
        if (!abandoned()) {
            // The untouched rest goes in while the message is read...
            QTimer rest;
            rest.setInterval(0);
            QObject::connect(&rest, &QTimer::timeout, [&] {
                if (pipeline.done() || abandoned()) rest.stop();
                else slice();
            });
            rest.start();
            if (run.cancelMessage) run.cancelMessage();
            rest.stop();
            // ...and what is left of it after.
            while (!pipeline.done() && !abandoned()) {
                slice();
                QCoreApplication::processEvents();
            }
        }
        if (abandoned()) {
            delete document;
            if (hide) target->show();
            run.progress->finish();
            return RunOutcome::Cancelled;
        }
    }

    handOver(target, document);
    if (!cancelled) {
        QTextCursor cursor(document);
        cursor.movePosition(QTextCursor::Start);
        target->setTextCursor(cursor);
    }
    if (hide) target->show();
    run.progress->finish();
    return cancelled ? RunOutcome::Cancelled : RunOutcome::Finished;
}

}  // namespace lettrica::app
