#pragma once
// The frame of the window's long commands (transliteration, case, recoding,
// repair) and of a send: it owns the busy state, the progress window with
// its "Отмена", and what a close asked for meanwhile does.
//
// A command holds a BusyGuard while it runs: the commands that the command
// table marks off for its kind of work are off and both panes read-only;
// all come back as they were when the last guard ends. A conversion runs
// through convert(): a slice of work, the event loop, a look at the cancel
// state, and so on. Closing the window while busy stops the work (a
// conversion is abandoned, a send dropped) and the window closes as soon as
// the last guard has ended (readyToClose), whoever started the work.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "app/command_table.h"
#include "app/window/panes.h"

class QTextDocument;
class QTextEdit;
class QWidget;

namespace lettrica::translit {
class Converter;
}

namespace lettrica::app {

class ProgressWindow;

enum class RunOutcome { Finished, Cancelled };

// How long the work runs before the event loop gets its turn (30 ms by
// default). Tests set 0 to see every slice.
void setSliceMillis(int millis);

class LongCommandRunner : public QObject {
    Q_OBJECT
public:
    // The panes are read-only while busy; the progress window TForm5 is a
    // child of `window`.
    LongCommandRunner(const CommandTable& commands, Panes panes, QWidget* window);

    bool isBusy() const { return depth_ > 0; }
    ProgressWindow* progressWindow() const { return progress_; }

    class BusyGuard {
    public:
        // `stop` ends the work at once when the window is closed meanwhile.
        BusyGuard(LongCommandRunner& runner, Work work, std::function<void()> stop = {});
        ~BusyGuard();
        BusyGuard(const BusyGuard&) = delete;
        BusyGuard& operator=(const BusyGuard&) = delete;
        // The window was closed while the work ran; it closes when the last
        // guard ends.
        bool stopped() const { return runner_.closing_; }

    private:
        LongCommandRunner& runner_;
    };

    // What the command says after "Отмена" (a modal box, information icon).
    struct CancelMessage {
        QString caption;
        QString text;
    };

    // Converts `source` into `target` with the progress window, the target
    // hidden meanwhile; the converter is the one of the whole run. `source`
    // may be the target's own document and must not change during the run.
    // The result is built in a document of its own and handed to the target
    // at the end. Finished: the target's caret is at its start. Cancelled:
    // the target holds the converted beginning and the untouched rest, or,
    // when the window is closing, what it had before.
    RunOutcome convert(const QTextDocument& source, QTextEdit* target, const translit::Converter& converter,
                       const CancelMessage& message);

    // Work that is no conversion (opening, pasting, saving a text), done in
    // pieces by its command: the command calls keepGoing() often, between
    // pieces of a few milliseconds; once a slice has passed it moves the bar,
    // lets the event loop run and says whether to go on (false after
    // "Отмена" or when the window is being closed). The progress window shows
    // once the work has lasted ten slices, so that quick work shows nothing
    // and takes no keys meanwhile; the busy state lasts as long as the object.
    class SlicedWork {
    public:
        explicit SlicedWork(LongCommandRunner& runner);
        ~SlicedWork();
        SlicedWork(const SlicedWork&) = delete;
        SlicedWork& operator=(const SlicedWork&) = delete;

        bool keepGoing(qint64 done, qint64 total) {
            return clock_.elapsed() < sliceMillis() ? !cancelled() : pause(done, total);
        }
        bool cancelled() const { return runner_.cancelRequested_ || runner_.closing_; }

    private:
        bool pause(qint64 done, qint64 total);
        static qint64 sliceMillis();

        LongCommandRunner& runner_;
        BusyGuard busy_;
        QElapsedTimer clock_, started_;
        qint64 total_ = 0;
        bool shown_ = false;
    };

    // The window is being closed. False when nothing runs; otherwise the
    // work is stopped and readyToClose() follows once it has ended.
    bool holdClose();

public slots:
    // Stops the running conversion, as "Отмена" does.
    void requestCancel();

signals:
    void busyChanged(bool busy);
    // A close held back during the work may go ahead now.
    void readyToClose();

private:
    void begin(Work work, std::function<void()> stop);
    void end();

    const CommandTable& commands_;
    Panes panes_;
    ProgressWindow* progress_;
    int depth_ = 0;
    std::vector<std::function<void()>> stops_;  // one per guard, empty ones included
    std::array<std::optional<bool>, kCommandCount> enabledBefore_;  // of the commands turned off
    std::array<bool, 2> readOnlyBefore_{};
    bool cancelRequested_ = false;
    bool closing_ = false;
};

}  // namespace lettrica::app
