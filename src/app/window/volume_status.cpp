#include "app/window/volume_status.h"

#include <QAction>
#include <QEvent>
#include <QStatusBar>
#include <QTextDocument>
#include <QTextEdit>

#include "app/command_table.h"
#include "app/message_boxes.h"
#include "app/u16_text.h"
#include "app/window/status_report.h"

namespace lettrica::app {

VolumeStatus::VolumeStatus(const CommandTable& commands, Panes panes, QStatusBar* statusBar,
                           const StatusReport& report, QWidget* window)
    : QObject(window), panes_(panes), statusBar_(statusBar), window_(window), toggle_(commands[Command::AutoVolume]) {
    setObjectName("VolumeStatus");
    connect(commands[Command::TextVolume], &QAction::triggered, this, &VolumeStatus::showVolume);
    connect(toggle_, &QAction::triggered, this, &VolumeStatus::toggleAutoVolume);
    for (QTextEdit* pane : {panes.source, panes.result})
        connect(pane, &QTextEdit::textChanged, this, &VolumeStatus::paneChanged);
    // Hints reach the status bar as status-tip events sent up to the window.
    window->installEventFilter(this);
    // A command's report outlives the changes its command made to the panes,
    // and when it gives way the status bar is the volume's again.
    connect(&report, &StatusReport::shown, this, [this] { pending_ = false; });
    connect(statusBar, &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty()) paneChanged();
    });
}

text::Volume VolumeStatus::paneVolume(const QTextEdit* pane) {
    // The raw text has the paragraph and line separators, each a line break,
    // and costs no conversion of them.
    const QString raw = pane->document()->toRawText();
    return text::countVolume(viewU16(raw));
}

bool VolumeStatus::isOn() const { return toggle_->isChecked(); }

QString VolumeStatus::message() const {
    return fromU16(text::volumeMessage(paneVolume(panes_.source), paneVolume(panes_.result)));
}

void VolumeStatus::showVolume() {
    showMessage(QMessageBox::Information, QString::fromUtf8("Объем текста"), message());
}

void VolumeStatus::toggleAutoVolume() {
    if (!isOn()) {
        statusBar_->clearMessage();
        return;
    }
    updateStatusBar();
}

void VolumeStatus::paneChanged() {
    if (!isOn() || pending_) return;
    pending_ = true;
    QMetaObject::invokeMethod(this, [this] {
        if (!pending_) return;
        pending_ = false;
        updateStatusBar();
    }, Qt::QueuedConnection);
}

void VolumeStatus::updateStatusBar() {
    if (!isOn()) return;
    ++updatesRun_;
    const text::Volume source = paneVolume(panes_.source);
    const text::Volume result = paneVolume(panes_.result);
    statusBar_->showMessage(fromU16(text::volumeStatusLine(source.total, result.total)));
}

bool VolumeStatus::eventFilter(QObject* watched, QEvent* event) {
    // While the volume is shown, hints of menu items and buttons do not
    // replace it.
    if (watched == window_ && event->type() == QEvent::StatusTip && isOn()) return true;
    return QObject::eventFilter(watched, event);
}

}  // namespace lettrica::app
