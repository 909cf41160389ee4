#pragma once
// A command's report in the status bar (what a repair found and changed). It
// stands until the next command runs, which takes the status bar back for
// its own message or state.

#include <QList>
#include <QObject>
#include <QString>

class QAction;
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
    // Commands beyond the command table that end a report as well.
    void endOn(const QList<QAction*>& actions);

signals:
    // A report has just taken the status bar.
    void shown();

private:
    QStatusBar* statusBar_;
    QString report_;  // the report the status bar shows, if any
};

}  // namespace lettrica::app
