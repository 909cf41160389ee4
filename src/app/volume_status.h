#pragma once
// Text volume in the main window: the "Объем текста" message (TextV) and the
// automatic volume line in the status bar (N45). The line is refreshed once
// per pass of the event loop however many changes the panes saw in it, so a
// conversion or fast typing in a large pane costs one count per pass.

#include <QObject>

#include "text/volume.h"

class QAction;
class QTextEdit;

namespace lettrica::app {

class MainWindow;

class VolumeStatus : public QObject {
    Q_OBJECT
public:
    // Takes over TextV and N45 of `window` and watches both panes.
    explicit VolumeStatus(MainWindow* window);

    static text::Volume paneVolume(const QTextEdit* pane);
    // The message text, lines separated by a single CR.
    QString message() const;
    bool isOn() const;
    // Updates waiting for the event loop (tests).
    bool updatePending() const { return pending_; }
    int updatesRun() const { return updatesRun_; }

public slots:
    void TextVExecute();
    void N45Click();
    // A pane changed: schedules the status-bar update.
    void RichEdit1Change();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateStatusBar();

    MainWindow* window_;
    QAction* toggle_;
    bool pending_ = false;
    int updatesRun_ = 0;
};

}  // namespace lettrica::app
