#include "app/progress_window.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace lettrica::app {

ProgressWindow::ProgressWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setObjectName("TForm5");
    setWindowTitle(QString::fromUtf8("Перевод..."));
    setModal(false);
    setFixedSize(272, 101);
    QFont f(QStringLiteral("MS Sans Serif"), 8);
    setFont(f);

    auto* group = new QGroupBox(QString::fromUtf8(" Прогресс: "), this);
    group->setObjectName("GroupBox1");
    group->setGeometry(8, 4, 257, 57);

    gauge_ = new QProgressBar(group);
    gauge_->setObjectName("Gauge1");
    gauge_->setGeometry(16, 18, 225, 25);
    gauge_->setRange(0, 100);
    gauge_->setValue(0);
    gauge_->setTextVisible(true);
    gauge_->setAlignment(Qt::AlignCenter);
    gauge_->setStyleSheet(QStringLiteral(
        "QProgressBar { background: white; border: 1px solid gray; }"
        "QProgressBar::chunk { background: navy; }"));

    cancelButton_ = new QPushButton(QIcon::fromTheme("process-stop"), QString::fromUtf8("Отмена"), this);
    cancelButton_->setObjectName("BitBtn1");
    cancelButton_->setGeometry(94, 69, 86, 25);
    connect(cancelButton_, &QPushButton::clicked, this, &ProgressWindow::BitBtn1Click);
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
    cancelRequested_ = false;
    percent_ = -1;
    setMaximum(maximum);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    show();
    raise();
}

void ProgressWindow::finish() { hide(); }

void ProgressWindow::BitBtn1Click() {
    cancelRequested_ = true;
    hide();
    emit cancelled();
}

}  // namespace lettrica::app
