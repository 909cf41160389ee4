#pragma once
// The main window TForm1, a shell: it builds the two panes, the menus, the
// tool bar and the status bar from the command table, and hands each family
// of commands its commands, the panes and the long-command runner; the
// families connect their commands and do the work. The window keeps the
// order of start-up and close.

#include <QMainWindow>
#include <QStringList>

#include "app/command_table.h"
#include "app/window/panes.h"

class QMenu;
class QSplitter;
class QTextEdit;
class QToolBar;

namespace lettrica::app {

class FileCommands;
class LongCommandRunner;
class PaneCommands;
class SettingsStore;
class SystemChoice;
class TextServices;
class TrayDock;
class UserTableCommands;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `arguments`: the command line without the program name.
    explicit MainWindow(const QStringList& arguments = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    QAction* action(Command command) const { return commands_[command]; }
    const CommandTable& commands() const { return commands_; }
    QTextEdit* sourcePane() const { return panes_.source; }
    QTextEdit* resultPane() const { return panes_.result; }
    QWidget* upperPanel() const { return upperPanel_; }
    QSplitter* splitter() const { return splitter_; }
    LongCommandRunner* runner() const { return runner_; }
    SettingsStore* settingsStore() const { return settings_; }
    SystemChoice* systemChoice() const { return systems_; }
    UserTableCommands* userTableCommands() const { return userTableCommands_; }
    TextServices* textServices() const { return textServices_; }
    TrayDock* trayDock() const { return tray_; }

    // Shows the window, or only the tray icon when started with "/t".
    void showAtStart();

signals:
    // The window has closed for good: settings and files are written.
    void closed();
    // A command's report has just taken the status bar.
    void commandReported();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildPanes();
    void buildMenus();
    void buildToolBar();

    CommandTable commands_;
    SystemChoice* systems_ = nullptr;
    Panes panes_{};
    QWidget* upperPanel_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QMenu* paneMenu_ = nullptr;
    LongCommandRunner* runner_ = nullptr;
    SettingsStore* settings_ = nullptr;
    UserTableCommands* userTableCommands_ = nullptr;
    TextServices* textServices_ = nullptr;
    TrayDock* tray_ = nullptr;
};

}  // namespace lettrica::app
