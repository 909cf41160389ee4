#pragma once
// The text services: "Регистр..." (capitals or small letters) and
// "Перекодировка..." (the code page of the Russian letters). Each changes the
// panes ticked in its dialog in place, source pane first, through the long
// command runner; a cancel in the source pane's pass leaves the result pane
// alone. The dialogs keep their choices in lettrica.ini.

#include <QObject>
#include <QString>
#include <string_view>

#include "app/conversion/long_command_runner.h"
#include "app/window/panes.h"

class QTextEdit;
class QWidget;

namespace lettrica::settings {
class IniFile;
}

namespace lettrica::app {

class CaseDialog;
class CommandTable;
class RecodeDialog;
class SettingsStore;

class TextServices : public QObject {
    Q_OBJECT
public:
    // Creates both dialogs (hidden) and reads their keys of lettrica.ini.
    TextServices(const CommandTable& commands, Panes panes, LongCommandRunner& runner, SettingsStore& settings,
                 QWidget* window);

    CaseDialog* caseDialog() const { return caseDialog_; }
    RecodeDialog* recodeDialog() const { return recodeDialog_; }

    void readSettings(const settings::IniFile& ini);
    // Writes the dialog keys of `section` ("Registr" or "Perekod") at close.
    void writeSettings(settings::IniFile& ini, std::string_view section) const;

public slots:
    void changeCase();
    void recode();

private:
    // Runs the ticked panes, source first; shows the message after a cancel.
    void runPanes(bool source, bool result, const translit::Converter& converter,
                  const LongCommandRunner::CancelMessage& message);
    RunOutcome runPass(QTextEdit* pane, const translit::Converter& converter,
                       const LongCommandRunner::CancelMessage& message);

    Panes panes_;
    LongCommandRunner& runner_;
    CaseDialog* caseDialog_;
    RecodeDialog* recodeDialog_;
};

}  // namespace lettrica::app
