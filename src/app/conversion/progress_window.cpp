#include "app/conversion/progress_window.h"

#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include "app/command_icons.h"
#include "app/dialog_frame.h"
#include "app/conversion/gauge.h"

namespace lettrica::app {

ProgressWindow::ProgressWindow(QWidget* parent)
    // A title and nothing else: no minimise, maximise or close button, no
    // system menu; the window manager is asked through these hints.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setObjectName("TForm5");
    setWindowTitle(QString::fromUtf8("Перевод..."));
    setModal(false);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));

    auto* group = new QGroupBox(QString::fromUtf8(" Прогресс: "), this);
    group->setObjectName("GroupBox1");
    group->setGeometry(8, 4, 257, 57);

    gauge_ = new Gauge(group);
    gauge_->setObjectName("Gauge1");
    gauge_->setGeometry(16, 18, 225, 25);
    gauge_->setRange(0, 100);
    gauge_->setValue(0);

    cancelButton_ = new QPushButton(commandIcon("process-stop", Glyph::Cancel),
                                    QString::fromUtf8("Отмена"), this);
    cancelButton_->setObjectName("BitBtn1");
    cancelButton_->setGeometry(94, 69, 86, 25);
    cancelButton_->setDefault(true);
    connect(cancelButton_, &QPushButton::clicked, this, &ProgressWindow::requestCancel);
    fixDialogSize(this, 272, 101);
}

void ProgressWindow::setMaximum(qint64 maximum) {
    maximum_ = maximum;
    setProgress(minimum_);
}

void ProgressWindow::setProgress(qint64 progress) {
    progress = std::clamp(progress, minimum_, std::max(minimum_, maximum_));
    int p = maximum_ == minimum_ ? 0 : static_cast<int>(100 * (progress - minimum_) / (maximum_ - minimum_));
    if (p == percent_) return;
    percent_ = p;
    gauge_->setValue(p);
}

void ProgressWindow::start(qint64 maximum) {
    percent_ = -1;
    setMaximum(maximum);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    show();
    raise();
    activateWindow();  // so Enter, Space or Esc reach "Отмена"
    cancelButton_->setFocus();
}

void ProgressWindow::finish() { closeAndReturnFocus(); }

void ProgressWindow::requestCancel() {
    closeAndReturnFocus();
    emit cancelRequested();
}

bool ProgressWindow::event(QEvent* event) {
    // A short run hides the window before the window manager has acted on
    // its activation; the focus then arrives late, for a window no longer
    // shown, and the keyboard would reach nothing. Hand it on.
    if (event->type() == QEvent::WindowActivate && !isVisible())
        if (QWidget* owner = parentWidget(); owner && owner->isVisible()) {
            QApplication::setActiveWindow(owner);
            owner->activateWindow();
        }
    return QDialog::event(event);
}

void ProgressWindow::closeAndReturnFocus() {
    // The keyboard goes back to the window the command was started from.
    const bool active = isActiveWindow();
    hide();
    if (QWidget* owner = parentWidget(); active && owner && owner->isVisible()) owner->activateWindow();
}

}  // namespace lettrica::app
