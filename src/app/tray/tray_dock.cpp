#include "app/tray/tray_dock.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include "app/command_table.h"
#include "app/tray/app_icon.h"

namespace lettrica::app {

namespace {

// How often the presence of a notification area is looked at while the
// window waits for one or sits in one. The look-up is a cached property of
// the display connection, so this costs next to nothing.
constexpr int kTrayWatchMs = 1000;

}  // namespace

bool startsInTray(const QStringList& arguments) {
    return !arguments.isEmpty() && (arguments.first() == QLatin1String("/t") || arguments.first() == QLatin1String("/T"));
}

TrayDock::TrayDock(const CommandTable& commands, QWidget* window, bool startInTray)
    : QObject(window),
      window_(window),
      minimizeToTray_(commands[Command::MinimizeToTray]),
      icon_(new QSystemTrayIcon(applicationIcon(), this)),
      menu_(new QMenu),
      watch_(new QTimer(this)),
      startInTray_(startInTray) {
    setObjectName("TrayDock");
    icon_->setObjectName("TrayIcon");
    icon_->setToolTip(QStringLiteral("Lettrica"));

    menu_->setObjectName("PopupMenu2");
    auto add = [this](TrayItem which, const char* name, const char* caption) {
        QAction* a = menu_->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromLatin1(name));
        items_[static_cast<std::size_t>(which)] = a;
        return a;
    };
    connect(add(TrayItem::Open, "N32", "Открыть Lettrica"), &QAction::triggered, this, &TrayDock::restoreWindow);
    menu_->addSeparator();
    // Help, about and exit are the window's own commands.
    connect(add(TrayItem::Help, "N38", "Помощь"), &QAction::triggered, commands[Command::Help], &QAction::trigger);
    connect(add(TrayItem::About, "N39", "О программе"), &QAction::triggered, commands[Command::About],
            &QAction::trigger);
    menu_->addSeparator();
    connect(add(TrayItem::Exit, "N41", "Выход"), &QAction::triggered, commands[Command::Exit], &QAction::trigger);
    icon_->setContextMenu(menu_);

    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) restoreWindow();
    });

    // The command toggles its own tick, which is the whole of the option's state.
    watch_->setObjectName("TrayWatch");
    watch_->setInterval(kTrayWatchMs);
    connect(watch_, &QTimer::timeout, this, &TrayDock::checkTray);
    window->installEventFilter(this);
}

// The menu belongs to the icon, not to the window: it has no parent.
TrayDock::~TrayDock() {
    delete icon_;
    delete menu_;
}

void TrayDock::showWindowAtStart() {
    if (!startInTray_) {
        window_->show();
    } else if (QSystemTrayIcon::isSystemTrayAvailable()) {
        dock();
    } else {
        window_->showMinimized();
        waitForTray();
    }
}

void TrayDock::restoreWindow() {
    icon_->hide();
    waiting_ = false;
    watch_->stop();
    // Restored to what it was before minimising, a maximised window included.
    window_->setWindowState((window_->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

bool TrayDock::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::WindowStateChange) {
        if (!window_->isMinimized()) {
            waiting_ = false;  // restored from the task bar: nothing to wait for
        } else if (minimizeToTray_->isChecked()) {
            // Hiding the window inside its own state change confuses some
            // window managers; do it once the change is through.
            QMetaObject::invokeMethod(this, &TrayDock::minimisedByUser, Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

void TrayDock::minimisedByUser() {
    if (!window_->isMinimized() || !window_->isVisible()) return;
    if (QSystemTrayIcon::isSystemTrayAvailable()) dock();
    else waitForTray();
}

void TrayDock::dock() {
    waiting_ = false;
    window_->hide();
    icon_->show();
    watch_->start();  // to bring the window back should the area go away
}

void TrayDock::waitForTray() {
    waiting_ = true;
    watch_->start();
}

void TrayDock::checkTray() {
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    if (waiting_) {
        if (!window_->isMinimized() || !window_->isVisible()) waiting_ = false;
        else if (available) dock();
    } else if (icon_->isVisible() && !window_->isVisible() && !available) {
        icon_->hide();
        window_->showMinimized();
        waiting_ = true;
    }
    if (!waiting_ && !icon_->isVisible()) watch_->stop();
}

}  // namespace lettrica::app
