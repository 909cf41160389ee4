#pragma once
// Presses "Отмена" in the progress window once during a long command: at the
// first pass of the event loop at which the window shows and `when` holds.
// The run gives the event loop a pass after every slice, and a zero timer
// ticks once a pass.

#include <QPushButton>
#include <QTimer>
#include <functional>

#include "app/conversion/progress_window.h"

class CancelPress {
public:
    explicit CancelPress(lettrica::app::ProgressWindow* progress, std::function<bool()> when = {}) {
        QObject::connect(&timer_, &QTimer::timeout, [this, progress, when] {
            if (pressed_ || !progress->isVisible() || (when && !when())) return;
            progress->findChild<QPushButton*>("BitBtn1")->click();
            pressed_ = true;
            timer_.stop();
        });
        timer_.start(0);
    }
    bool pressed() const { return pressed_; }

private:
    QTimer timer_;
    bool pressed_ = false;
};
