#include "app/print/print_commands.h"

#include <QAction>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextEdit>

#include "app/command_table.h"
#include "app/conversion/long_command_runner.h"
#include "app/message_boxes.h"
#include "app/print/document_printer.h"
#include "app/print/print_choice_dialog.h"
#include "app/print/print_job.h"
#include "app/settings_store.h"
#include "settings/settings_keys.h"

namespace lettrica::app {

PrintCommands::PrintCommands(const CommandTable& commands, Panes panes, const LongCommandRunner& runner,
                             SettingsStore& settings, QWidget* window)
    : QObject(window), panes_(panes), runner_(runner), window_(window), choice_(new PrintChoiceDialog(window)) {
    setObjectName(QStringLiteral("PrintCommands"));
    choice_->readSettings(SettingsStore::open());
    settings.addSectionWriter(this, [this](settings::IniFile& ini, std::string_view section) {
        if (section == settings::keys::PrintDoc1.section) choice_->writeSettings(ini);
    });
    connect(commands[Command::Print], &QAction::triggered, this, &PrintCommands::print);
    connect(commands[Command::PageSetup], &QAction::triggered, this, &PrintCommands::setUpPage);
}

PrintCommands::~PrintCommands() = default;

QPrinter& PrintCommands::printer() {
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setCollateCopies(true);
    }
    return *printer_;
}

QPrinter& PrintCommands::pageSetupPrinter() {
    if (!pageSetup_) {
        pageSetup_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        pageSetup_->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                              QMarginsF(25, 25, 25, 25), QPageLayout::Millimeter,
                                              QMarginsF(0, 0, 0, 0)));
    }
    return *pageSetup_;
}

void PrintCommands::print() {
    // While a long command fills a pane, there is nothing whole to print.
    if (runner_.isBusy() || choice_->exec() != QDialog::Accepted) return;
    const bool source = choice_->sourcePaneTicked(), result = choice_->resultPaneTicked();
    if (!source && !result) return;

    QPrinter& p = printer();
    QPrintDialog dialog(&p, window_);
    dialog.setObjectName(QStringLiteral("PrintDialog1"));
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintCollateCopies |
                      QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() != QDialog::Accepted) return;

    // Printed to a file, each job gets a file of its own.
    const QString file = p.outputFileName();
    int job = 0;
    for (auto [ticked, pane] : {std::pair{source, panes_.source}, std::pair{result, panes_.result}}) {
        if (!ticked) continue;
        if (!file.isEmpty()) p.setOutputFileName(jobOutputFile(file, ++job));
        p.setDocName(printJobName(QDateTime::currentDateTime()));  // named as it starts
        printDocument(*pane->document(), p);
    }
    if (!file.isEmpty()) p.setOutputFileName(file);
}

void PrintCommands::setUpPage() {
    QPrinter& setup = pageSetupPrinter();
    if (setup.outputFormat() != QPrinter::NativeFormat) {
        // Paper and margins belong to a printer; Qt's dialog shows nothing without one.
        showMessage(QMessageBox::Warning, QStringLiteral(" Параметры страницы..."),
                    QStringLiteral("В системе не установлен ни один принтер."));
        return;
    }
    QPageSetupDialog dialog(&setup, window_);
    dialog.setObjectName(QStringLiteral("PageSetupDialog1"));
    if (dialog.exec() == QDialog::Accepted) printer().setPageLayout(setup.pageLayout());
}

}  // namespace lettrica::app
