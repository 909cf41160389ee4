#pragma once
// "Открыть" (Ctrl+O) and "Сохранить" (Ctrl+S): one pane from a file, one pane
// to a file. The filter chosen in the dialog decides the pane and the
// extension the name is forced to; the commands themselves say when a file
// is missing and ask before one is replaced, so the dialogs do neither.
//
// The dialogs are Qt's own, not the desktop's native ones: a native dialog
// (a portal or the GTK one) may not report which of two filters with the same
// pattern was chosen, and insists on its own overwrite question, both of
// which decide what the commands do; Qt's own behaves the same on every
// desktop and can be driven by tests and by the keyboard. Each command keeps
// its dialog's filter (in the settings) and last name for the run; the
// dialog itself lives only while it is shown.

#include <QObject>
#include <QString>
#include <optional>
#include <string>

#include "app/files/file_filters.h"
#include "app/files/pane_files.h"
#include "app/window/panes.h"

class QTextEdit;
class QWidget;

namespace lettrica::app {

class CommandTable;
class LongCommandRunner;
class SettingsStore;
class StatusReport;

class FileCommands : public QObject {
    Q_OBJECT
public:
    // What a file held that the pane cannot show goes to `report`.
    FileCommands(const CommandTable& commands, Panes panes, LongCommandRunner& runner,
                 SettingsStore& settings, StatusReport& report, QWidget* window);

    // Replaces the pane's text by the file, as Open does after its checks,
    // with the progress window when it takes a while; shows the open error
    // and gives the pane the default attributes when it cannot. After
    // "Отмена" the pane is as it was.
    bool loadFile(QTextEdit* pane, const QString& path);
    // The file named on the command line, into the source pane with the
    // default attributes.
    bool loadAtStart(const QString& path);

public slots:
    void openFile();
    void saveFile();

private:
    struct Choice {
        int index = 1;  // of the filter, 1 to 4
        FileFilter filter;
        QTextEdit* pane = nullptr;
        QString path;   // its extension forced
    };
    // Shows OpenDialog1 or SaveDialog1 at the held filter and last name;
    // nothing when the user cancelled.
    std::optional<Choice> choose(bool save, int heldIndex);
    // Writes the pane and shows the save error when that failed; writes
    // nothing when the user declines the UTF-8 offer.
    void savePane(QTextEdit* pane, bool rtf, const QString& path);
    // The write itself, paced by `work`: empty, why it failed, kDeclined or
    // TextFileWriting::kStopped.
    std::string writePane(QTextEdit* pane, bool rtf, const QString& path, const Pace& pace);
    static constexpr const char* kDeclined = "declined";

    Panes panes_;
    LongCommandRunner& runner_;
    SettingsStore& settings_;
    StatusReport& report_;
    QWidget* window_;
    QString openName_;  // the last name of each dialog, its extension forced
    QString saveName_;
};

}  // namespace lettrica::app
