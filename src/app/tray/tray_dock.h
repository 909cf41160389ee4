#pragma once
// The notification-area icon (TrayIcon) with its menu, the start-up switch
// "/t", and minimising into the notification area ([Tray] Min).
//
// A window hidden while no notification area exists (a plain GNOME session,
// or a panel that has not started yet at log-on) could never be reached
// again. So where there is none, "/t" starts the window minimised and
// minimising stays ordinary; the window goes into the notification area as
// soon as one appears, if it is still minimised then. Should the area go away
// while the window is in it, the window comes back minimised.

#include <QObject>
#include <QStringList>
#include <array>
#include <cstddef>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;
class QWidget;

namespace lettrica::app {

class CommandTable;

// True when the first argument is exactly "/t" or "/T"; no later argument
// and no other form of the switch counts.
bool startsInTray(const QStringList& arguments);

// The items of the icon's menu.
enum class TrayItem { Open, Help, About, Exit };

class TrayDock : public QObject {
    Q_OBJECT
public:
    // The icon's menu gives help, about and exit through the window's own
    // commands; `window` is what goes into the notification area.
    TrayDock(const CommandTable& commands, QWidget* window, bool startInTray);
    ~TrayDock() override;

    // Shows the main window as the start-up switch asks: normally, not at all
    // (the icon instead), or minimised when there is no notification area.
    void showWindowAtStart();

    QSystemTrayIcon* icon() const { return icon_; }
    QMenu* menu() const { return menu_; }
    QAction* item(TrayItem which) const { return items_[static_cast<std::size_t>(which)]; }
    // The window waits, minimised, for a notification area to appear.
    bool waitingForTray() const { return waiting_; }

public slots:
    // A left click on the icon and "Открыть Lettrica": the window back,
    // restored, in front.
    void restoreWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void minimisedByUser();
    void dock();
    void waitForTray();
    void checkTray();

    QWidget* window_;
    QAction* minimizeToTray_;
    QSystemTrayIcon* icon_;
    QMenu* menu_;
    std::array<QAction*, 4> items_{};
    QTimer* watch_;
    bool startInTray_;
    bool waiting_ = false;
};

}  // namespace lettrica::app
