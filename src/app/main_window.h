#pragma once
// The main window TForm1: two panes, the command table, the menus, the tool
// bar and the status bar, and the small commands that belong to the window
// itself. Long commands run through runPaneConversion with the shared
// progress window; while one runs, the commands that write the panes are off.

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QTextEdit>
#include <functional>

#include "app/pane_conversion.h"

class QAction;
class QMenu;
class QSplitter;
class QToolBar;

namespace lettrica::translit {
class Converter;
}

namespace lettrica::app {

class CommandTable;
class FileCommands;
class ProgressWindow;
class SettingsStore;
class TextServices;
class TrayDock;
class UserTableCommands;

enum class Direction { ToCyrillic, ToLatin };  // TrPerevod, RtPerevod

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `arguments`: the command line without the program name.
    explicit MainWindow(const QStringList& arguments = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    QAction* action(const QString& name) const;
    QTextEdit* sourcePane() const { return source_; }
    QTextEdit* resultPane() const { return result_; }
    QWidget* upperPanel() const { return upperPanel_; }
    QSplitter* splitter() const { return splitter_; }
    ProgressWindow* progressWindow() const { return progress_; }
    SettingsStore* settingsStore() const { return settings_; }
    UserTableCommands* userTableCommands() const { return userTableCommands_; }
    TextServices* textServices() const { return textServices_; }
    int activePane() const { return activePane_; }

    // The converter of the ticked table for a direction. The user tables
    // come from whoever owns them; until one is set, "UserTable" stays off.
    const translit::Converter& converterFor(Direction direction) const;
    using UserTableConverters = std::function<const translit::Converter&(Direction)>;
    void setUserTableConverters(UserTableConverters converters);

    // A long command over a pane; the pane-writing commands are off meanwhile.
    // Returns Cancelled also when the window is closing.
    // The window supplies run.abandoned: true once it is closing.
    RunOutcome runLongCommand(PaneConversion run);
    // Turns the pane-writing commands off and the panes read-only, or back
    // as they were: for a long command, and for a send.
    void setBusy(bool busy);
    bool isBusy() const { return busy_; }
    // The window was asked to close during a long command; it closes after it.
    bool closeRequested() const { return closeAfterRun_; }

    // Shows the window, or only the tray icon when started with "/t".
    void showAtStart();
    TrayDock* trayDock() const { return tray_; }

    // Loads a file into the source pane as the command line does; false
    // (and the error message) when it cannot be read.
    bool loadCommandLineFile(const QString& path);

    // Sets the two reset flags and runs DefAtr (New, Open, the command line).
    void resetAttributes(bool source, bool result);

    // A command's report in the status bar. It stands until the next command
    // runs, which takes the status bar back for its own message or state.
    void showCommandReport(const QString& text);

public slots:
    void NewExecute();
    void PasteExecute();
    void CopyTExecute();
    void N17Click();
    void FontExecute();
    void DefAtrExecute();
    void TrPerevodExecute();
    void RtPerevodExecute();

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
    void connectCommands();
    void runTransliteration(Direction direction);

    QTextEdit* focusedPane() const { return focused_; }
    void setFocusedPane(QTextEdit* pane);
    void updateEditCommands();
    void updateFormatCommands();
    void toggleBullets();

    CommandTable* commands_;
    QTextEdit* source_ = nullptr;
    QTextEdit* result_ = nullptr;
    QWidget* upperPanel_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QMenu* paneMenu_ = nullptr;
    ProgressWindow* progress_ = nullptr;
    SettingsStore* settings_ = nullptr;
    UserTableCommands* userTableCommands_ = nullptr;
    TextServices* textServices_ = nullptr;
    FileCommands* files_ = nullptr;
    TrayDock* tray_ = nullptr;
    QPointer<QTextEdit> focused_;
    int activePane_ = 1;
    bool resetSource_ = false;
    bool resetResult_ = false;
    UserTableConverters userTables_;
    QString report_;  // the command report the status bar shows, if any

    bool busy_ = false;
    bool readOnlyBeforeRun_[2] = {false, false};
    bool closeAfterRun_ = false;
    QList<QPair<QAction*, bool>> disabledWhileBusy_;
};

}  // namespace lettrica::app
