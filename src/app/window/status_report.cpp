#include "app/window/status_report.h"

#include <QAction>
#include <QStatusBar>

#include "app/command_table.h"

namespace lettrica::app {

StatusReport::StatusReport(const CommandTable& commands, QStatusBar* statusBar, QObject* parent)
    : QObject(parent), statusBar_(statusBar) {
    setObjectName(QStringLiteral("StatusReport"));
    endOn(commands.all());
}

void StatusReport::endOn(const QList<QAction*>& actions) {
    for (QAction* a : actions)
        connect(a, &QAction::triggered, this, [this] {
            if (!report_.isEmpty() && statusBar_->currentMessage() == report_) statusBar_->clearMessage();
            report_.clear();
        });
}

void StatusReport::show(const QString& text) {
    report_ = text;
    statusBar_->showMessage(text);
    emit shown();
}

}  // namespace lettrica::app
