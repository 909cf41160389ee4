#pragma once
// A command's report in the status bar (what a repair found and changed). It
// stands until the next command runs, which takes the status bar back for
// its own message or state.

#include <QObject>
#include <QString>

class QStatusBar;

namespace lettrica::app {

class CommandTable;

class StatusReport : public QObject {
    Q_OBJECT
public:
    // Made before the command families connect their commands, so that the
    // last report goes before any command's own handler runs.
    StatusReport(const CommandTable& commands, QStatusBar* statusBar, QObject* parent);

    void show(const QString& text);

signals:
    // A report has just taken the status bar.
    void shown();

private:
    QStatusBar* statusBar_;
    QString report_;  // the report the status bar shows, if any
};

}  // namespace lettrica::app
