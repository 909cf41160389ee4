#include "app/conversion/long_command_runner.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include "app/conversion/conversion_pipeline.h"
#include "app/document/pane_documents.h"
#include "app/message_boxes.h"
#include "app/conversion/progress_window.h"

namespace lettrica::app {

namespace {
// Characters of work between two looks at the clock.
constexpr std::size_t kSlice = 16 * 1024;
qint64 sliceMillis = 30;
}  // namespace

void setSliceMillis(int millis) { sliceMillis = millis; }

LongCommandRunner::LongCommandRunner(const CommandTable& commands, Panes panes, QWidget* window)
    : QObject(window), commands_(commands), panes_(panes), progress_(new ProgressWindow(window)) {
    setObjectName(QStringLiteral("LongCommandRunner"));
    connect(progress_, &ProgressWindow::cancelRequested, this, [this] { cancelRequested_ = true; });
}

LongCommandRunner::BusyGuard::BusyGuard(LongCommandRunner& runner, Work work, std::function<void()> stop)
    : runner_(runner) {
    runner_.begin(work, std::move(stop));
}

LongCommandRunner::BusyGuard::~BusyGuard() { runner_.end(); }

void LongCommandRunner::begin(Work work, std::function<void()> stop) {
    stops_.push_back(std::move(stop));
    if (depth_++ == 0) {
        // The panes are read piece by piece during a run: nothing may change them.
        for (std::size_t i = 0; QTextEdit* pane : {panes_.source, panes_.result}) {
            readOnlyBefore_[i++] = pane->isReadOnly();
            pane->setReadOnly(true);
        }
    }
    for (std::size_t i = 0; i < kCommandCount; ++i) {
        const auto command = static_cast<Command>(i);
        if (!isOffDuring(CommandTable::offWhile(command), work) || enabledBefore_[i]) continue;
        enabledBefore_[i] = commands_[command]->isEnabled();
        commands_[command]->setEnabled(false);
    }
    if (depth_ == 1) emit busyChanged(true);
}

void LongCommandRunner::end() {
    stops_.pop_back();
    if (--depth_ > 0) return;
    for (std::size_t i = 0; QTextEdit* pane : {panes_.source, panes_.result}) pane->setReadOnly(readOnlyBefore_[i++]);
    for (std::size_t i = 0; i < kCommandCount; ++i) {
        if (enabledBefore_[i]) commands_[static_cast<Command>(i)]->setEnabled(*enabledBefore_[i]);
        enabledBefore_[i].reset();
    }
    emit busyChanged(false);
    if (closing_) {
        closing_ = false;
        emit readyToClose();
    }
}

bool LongCommandRunner::holdClose() {
    if (!isBusy()) return false;
    closing_ = true;
    // The innermost work first: a conversion inside a command of two passes.
    for (auto it = stops_.rbegin(); it != stops_.rend(); ++it)
        if (*it) (*it)();
    return true;
}

LongCommandRunner::SlicedWork::SlicedWork(LongCommandRunner& runner)
    : runner_(runner), busy_(runner, Work::Converting, [&runner] { runner.requestCancel(); }) {
    runner_.cancelRequested_ = false;
    clock_.start();
    started_.start();
}

LongCommandRunner::SlicedWork::~SlicedWork() {
    if (shown_) runner_.progress_->finish();
}

qint64 LongCommandRunner::SlicedWork::sliceMillis() { return lettrica::app::sliceMillis; }

bool LongCommandRunner::SlicedWork::pause(qint64 done, qint64 total) {
    // Work that ends soon shows nothing and leaves the user's keys and
    // clicks waiting for the window, as a command that never lets the event
    // loop run would; it still repaints and answers meanwhile.
    if (!shown_ && started_.elapsed() < 10 * sliceMillis()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        clock_.start();
        return !cancelled();
    }
    if (!shown_ && !cancelled()) {
        shown_ = true;
        runner_.progress_->start(total_ = total);
    }
    if (total != total_) runner_.progress_->setMaximum(total_ = total);
    runner_.progress_->setProgress(done);
    QCoreApplication::processEvents();
    clock_.start();
    return !cancelled();
}

void LongCommandRunner::requestCancel() { progress_->requestCancel(); }

RunOutcome LongCommandRunner::convert(const QTextDocument& source, QTextEdit* target,
                                      const translit::Converter& converter, const CancelMessage& message) {
    BusyGuard busy(*this, Work::Converting, [this] { requestCancel(); });
    cancelRequested_ = false;
    const bool hide = target->isVisible();
    if (hide) target->hide();
    QTextDocument* document = documentLike(*target->document());
    ConversionPipeline pipeline(source, *document, converter);
    progress_->start(static_cast<qint64>(pipeline.total()));
    QCoreApplication::processEvents();

    QElapsedTimer clock;
    auto slice = [&] {
        clock.start();
        do {
            pipeline.work(kSlice);
        } while (!pipeline.done() && clock.elapsed() < sliceMillis);
        progress_->setProgress(static_cast<qint64>(pipeline.finished()));
    };

    // As the step-by-step loop had it: a piece of work, the event loop, then
    // a look at the flag.
    while (!pipeline.done()) {
        slice();
        QCoreApplication::processEvents();
        if (cancelRequested_) break;
    }
    const bool cancelled = cancelRequested_;
    if (cancelled) {
        pipeline.stopConverting();
        if (!closing_) {
            // The untouched rest goes in while the message is read...
            QTimer rest;
            rest.setInterval(0);
            QObject::connect(&rest, &QTimer::timeout, [&] {
                if (pipeline.done() || closing_) rest.stop();
                else slice();
            });
            rest.start();
            showMessage(QMessageBox::Information, message.caption, message.text);
            rest.stop();
            // ...and what is left of it after.
            while (!pipeline.done() && !closing_) {
                slice();
                QCoreApplication::processEvents();
            }
        }
        if (closing_) {
            // Nobody will see the result: the target keeps what it had.
            delete document;
            if (hide) target->show();
            progress_->finish();
            return RunOutcome::Cancelled;
        }
    }

    replaceDocument(target, document);
    if (!cancelled) {
        QTextCursor cursor(document);
        cursor.movePosition(QTextCursor::Start);
        target->setTextCursor(cursor);
    }
    // The result is laid out as it is shown and then in idle time; laying
    // all of it out here would keep the user waiting several times as long.
    if (hide) target->show();
    progress_->finish();
    return cancelled ? RunOutcome::Cancelled : RunOutcome::Finished;
}

}  // namespace lettrica::app
