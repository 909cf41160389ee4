#pragma once
// lettrica.ini and the autostart entry for the desktop: the main window's
// settings read at creation and written at close, the mail settings held in
// between, and the dialogs' keys. A dialog reads its own keys when it is
// created (open() and the accessors of settings/settings_keys.h) and
// registers a writer for its section, which the close runs at that
// section's place in the close order; nothing here knows a dialog's keys.

#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "settings/main_settings.h"

class QSplitter;
class QWidget;

namespace lettrica::app {

class CommandTable;
class SystemChoice;

class SettingsStore : public QObject {
    Q_OBJECT
public:
    // Keeps the geometry of `window`, the upper panel's height as `splitter`
    // shares it out, the options the commands' ticks hold and the system
    // of transliteration.
    SettingsStore(const CommandTable& commands, SystemChoice& systems, QWidget* window, QSplitter* splitter);

    // The store of a main window (nullptr when it has none).
    static SettingsStore* of(const QObject* mainWindow);
    // lettrica.ini in the settings directory, read now.
    static settings::IniFile open();

    // Creation: reads the main window's keys and applies them to it.
    void load();
    // Creation: ticks the autostart command when the entry exists.
    void loadAutostart();
    // Close: writes every key, the dialogs' included. A failure is silent:
    // the run's settings are lost, the old file stays whole.
    void save();
    // Close: writes or deletes the autostart entry when its tick changed.
    void saveAutostart();

    // A dialog's writer, run at each place of the close order where a
    // dialog's section goes ("Print", "Email" before the mail settings,
    // "Registr", "Perekod"); it writes its own keys of that section. It is
    // dropped when `owner` is destroyed.
    void addSectionWriter(QObject* owner, settings::SectionWriter writer);

    // The eight mail settings, held from creation to close.
    settings::MailSettings& mail() { return state_.mail; }
    // The filter indexes of the open and save dialogs.
    int openFilter() const { return state_.openFilter; }
    int saveFilter() const { return state_.saveFilter; }
    void setOpenFilter(int index) { state_.openFilter = index; }
    void setSaveFilter(int index) { state_.saveFilter = index; }

    bool autostartAtStart() const { return autostartAtStart_; }
    // The program the autostart entry runs; the running executable by default.
    void setExecutablePath(const QString& path) { executable_ = path; }
    // What the last save() reported (empty when it worked).
    const std::string& lastSaveError() const { return lastSaveError_; }

private:
    void apply(const settings::MainWindowState& state);
    settings::MainWindowState capture() const;

    struct Writer {
        QObject* owner;
        settings::SectionWriter write;
    };

    const CommandTable& commands_;
    SystemChoice& systems_;
    QWidget* window_;
    QSplitter* splitter_;
    settings::MainWindowState state_;
    std::vector<Writer> writers_;
    bool autostartAtStart_ = false;
    QString executable_;
    std::string lastSaveError_;
};

}  // namespace lettrica::app
