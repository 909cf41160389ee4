#include "app/volume_status.h"

#include <QAction>
#include <QEvent>
#include <QMessageBox>
#include <QStatusBar>
#include <QTextDocument>
#include <QTextEdit>

#include "app/u16_text.h"
#include "app/main_window.h"

namespace lettrica::app {

VolumeStatus::VolumeStatus(MainWindow* window) : QObject(window), window_(window), toggle_(window->action("N45")) {
    setObjectName("VolumeStatus");
    QAction* textV = window->action("TextV");
    textV->setEnabled(true);
    toggle_->setEnabled(true);
    connect(textV, &QAction::triggered, this, &VolumeStatus::TextVExecute);
    connect(toggle_, &QAction::triggered, this, &VolumeStatus::N45Click);
    for (QTextEdit* pane : {window->sourcePane(), window->resultPane()})
        connect(pane, &QTextEdit::textChanged, this, &VolumeStatus::RichEdit1Change);
    // Hints reach the status bar as status-tip events sent up to the window.
    window->installEventFilter(this);
    // A command's report outlives the changes its command made to the panes,
    // and when it gives way the status bar is the volume's again.
    connect(window, &MainWindow::commandReported, this, [this] { pending_ = false; });
    connect(window->statusBar(), &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty()) RichEdit1Change();
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
    return fromU16(text::volumeMessage(paneVolume(window_->sourcePane()), paneVolume(window_->resultPane())));
}

void VolumeStatus::TextVExecute() {
    // No owner window, as every message of the program. Qt breaks lines at
    // LF only, so the CRs of the text become LFs on screen.
    QMessageBox box(QMessageBox::Information, QString::fromUtf8("Объем текста"),
                    message().replace(QLatin1Char('\r'), QLatin1Char('\n')), QMessageBox::Ok);
    box.setObjectName("MessageBox");
    box.exec();
}

void VolumeStatus::N45Click() {
    // The action has toggled its own tick before this runs.
    if (!isOn()) {
        window_->statusBar()->clearMessage();
        return;
    }
    updateStatusBar();
}

void VolumeStatus::RichEdit1Change() {
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
    const text::Volume source = paneVolume(window_->sourcePane());
    const text::Volume result = paneVolume(window_->resultPane());
    window_->statusBar()->showMessage(fromU16(text::volumeStatusLine(source.total, result.total)));
}

bool VolumeStatus::eventFilter(QObject* watched, QEvent* event) {
    // While the volume is shown, hints of menu items and buttons do not
    // replace it.
    if (watched == window_ && event->type() == QEvent::StatusTip && isOn()) return true;
    return QObject::eventFilter(watched, event);
}

}  // namespace lettrica::app
