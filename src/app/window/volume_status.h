#pragma once
// Text volume in the main window: the "Объем текста" message and the
// automatic volume line in the status bar. The line is refreshed once
// per pass of the event loop however many changes the panes saw in it, so a
// conversion or fast typing in a large pane costs one count per pass.

#include <QObject>

#include "app/window/panes.h"
#include "text/volume.h"

class QAction;
class QStatusBar;
class QTextEdit;
class QWidget;

namespace lettrica::app {

class CommandTable;
class StatusReport;

class VolumeStatus : public QObject {
    Q_OBJECT
public:
    // Watches both panes; the hints that `window` shows in `statusBar` give
    // way to the volume line while it is on, a command's report does not.
    VolumeStatus(const CommandTable& commands, Panes panes, QStatusBar* statusBar, const StatusReport& report,
                 QWidget* window);

    static text::Volume paneVolume(const QTextEdit* pane);
    // The message text, lines separated by a single CR.
    QString message() const;
    bool isOn() const;
    // Updates waiting for the event loop (tests).
    bool updatePending() const { return pending_; }
    int updatesRun() const { return updatesRun_; }

public slots:
    void showVolume();
    // Follows the automatic volume's tick, which it has toggled already.
    void toggleAutoVolume();
    // A pane changed: schedules the status-bar update.
    void paneChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateStatusBar();

    Panes panes_;
    QStatusBar* statusBar_;
    QWidget* window_;
    QAction* toggle_;
    bool pending_ = false;
    int updatesRun_ = 0;
};

}  // namespace lettrica::app
