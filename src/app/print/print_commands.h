#pragma once
// "Печать..." and "Параметры страницы...". Print asks its pane choice dialog
// which panes, then the print dialog for a printer, and
// prints each ticked pane as a job of its own, the source pane first. A job
// that fails (a file that cannot be written, a queue that refuses it) does
// not stop the second; the user is told of each in one message at the end.
//
// Page setup keeps a printer of its own, so that it works whatever the print
// dialog chose last (Qt's page setup refuses "Print to File"); the paper it
// sets is handed to the printer Print uses, and every job is printed inside
// its margins. The printers are made when first needed: asking the print
// system for its printers must not slow the start.

#include <QMarginsF>
#include <QObject>
#include <QString>
#include <memory>

#include "app/window/panes.h"

class QPrinter;
class QWidget;

namespace lettrica::app {

class CommandTable;
class LongCommandRunner;
class PrintChoiceDialog;
class SettingsStore;

class PrintCommands : public QObject {
    Q_OBJECT
public:
    // Creates the pane choice dialog (hidden), reads its keys and writes
    // them at close.
    PrintCommands(const CommandTable& commands, Panes panes, const LongCommandRunner& runner,
                  SettingsStore& settings, QWidget* window);
    ~PrintCommands() override;

    PrintChoiceDialog* choiceDialog() const { return choice_; }
    // The printer of the print dialog, and the one page setup shows, which
    // starts on A4 with 25 mm margins.
    QPrinter& printer();
    QPrinter& pageSetupPrinter();
    // What every job is printed inside: page setup's margins, in millimetres.
    QMarginsF margins() const { return margins_; }

public slots:
    void print();
    void setUpPage();

private:
    void offerFreshFileName(QPrinter& printer);

    Panes panes_;
    const LongCommandRunner& runner_;
    QWidget* window_;
    PrintChoiceDialog* choice_;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPrinter> pageSetup_;
    QMarginsF margins_{25, 25, 25, 25};
    QString offeredStem_;  // the file name the print dialog offered last, without ".pdf"
};

}  // namespace lettrica::app
