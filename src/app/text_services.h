#pragma once
// The text services of the main window: "Регистр..." (F4, TForm6) and
// "Перекодировка..." (F5, TForm7). Each recodes or changes the case of the
// ticked panes in place, source pane first, through the shared progress
// window; a cancel in the source pane's pass leaves the result pane alone.

#include <QObject>
#include <QString>
#include <functional>
#include <string_view>

#include "app/pane_conversion.h"

class QTextEdit;

namespace lettrica::settings {
class IniFile;
}

namespace lettrica::app {

class CaseDialog;
class MainWindow;
class RecodeDialog;

class TextServices : public QObject {
    Q_OBJECT
public:
    // Creates both dialogs (hidden) and reads their keys of lettrica.ini.
    explicit TextServices(MainWindow* window);

    CaseDialog* caseDialog() const { return caseDialog_; }
    RecodeDialog* recodeDialog() const { return recodeDialog_; }

    void readSettings(const settings::IniFile& ini);
    // Writes the dialog keys of `section` ("Registr" or "Perekod") at close.
    void writeSettings(settings::IniFile& ini, std::string_view section) const;

public slots:
    void RegistrPerevodExecute();
    void PerekodirovkaExecute();

private:
    // Runs the ticked panes, source first; shows the message after a cancel.
    void runPanes(bool source, bool result, const ConverterChoice& converter, const QString& caption,
                  const QString& cancelMessage);
    RunOutcome runPass(QTextEdit* pane, const ConverterChoice& converter, const std::function<void()>& cancelMessage);

    MainWindow* window_;
    CaseDialog* caseDialog_;
    RecodeDialog* recodeDialog_;
};

}  // namespace lettrica::app
