#include "app/print/print_commands.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
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
#include "app/print/print_queue.h"
#include "app/settings_store.h"
#include "settings/settings_keys.h"

namespace lettrica::app {

namespace {

// Qt asks before the print dialog's file is replaced; the second pane's file
// beside it is asked about here.
bool mayReplace(const QString& path) {
    if (!QFileInfo::exists(path)) return true;
    return confirm(QStringLiteral("Файл \"%1\" уже существует.\nЗаменить его?").arg(QFileInfo(path).fileName()));
}

// What went wrong with the job just printed, in words for the user; empty
// when nothing did.
QString jobFailure(const QPrinter& printer, bool printed, const QString& job) {
    const QString file = printer.outputFileName();
    if (!file.isEmpty())
        return printed ? QString() : QStringLiteral("Не удалось записать файл \"%1\".").arg(QFileInfo(file).fileName());
    const QString refusal = printed ? lastJobRefusal() : QString();
    if (printed && refusal.isEmpty()) return {};
    QString text = QStringLiteral("Принтер \"%1\" не принял задание \"%2\".").arg(printer.printerName(), job);
    if (!refusal.isEmpty()) text += QLatin1Char('\n') + refusal;
    return text;
}

}  // namespace

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

void PrintCommands::offerFreshFileName(QPrinter& p) {
    const QString stem = jobFileStem(printJobName(QDateTime::currentDateTime()));
    // The dialog names the file after the document, up to its last dot:
    // ".pdf" keeps the dots of the date.
    p.setDocName(stem + QStringLiteral(".pdf"));
    // A file name kept as it was offered is offered anew; one of the user's
    // own stays.
    const QFileInfo previous(p.outputFileName());
    if (!offeredStem_.isEmpty() && previous.fileName() == offeredStem_ + QStringLiteral(".pdf"))
        p.setOutputFileName(previous.dir().filePath(stem + QStringLiteral(".pdf")));
    offeredStem_ = stem;
}

void PrintCommands::print() {
    // While a long command fills a pane, there is nothing whole to print.
    if (runner_.isBusy() || choice_->exec() != QDialog::Accepted) return;
    const bool source = choice_->sourcePaneTicked(), result = choice_->resultPaneTicked();
    if (!source && !result) return;

    QPrinter& p = printer();
    offerFreshFileName(p);
    QPrintDialog dialog(&p, window_);
    dialog.setObjectName(QStringLiteral("PrintDialog1"));
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintCollateCopies |
                      QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() != QDialog::Accepted) return;

    // Printed to a file, each job gets a file of its own.
    const QString file = p.outputFileName();
    if (!file.isEmpty() && source && result && !mayReplace(jobOutputFile(file, 2))) return;
    QStringList failures;
    int job = 0;
    for (auto [ticked, pane] : {std::pair{source, panes_.source}, std::pair{result, panes_.result}}) {
        if (!ticked) continue;
        if (!file.isEmpty()) p.setOutputFileName(jobOutputFile(file, ++job));
        const QString name = printJobName(QDateTime::currentDateTime());  // named as it starts
        p.setDocName(name);
        const bool printed = printDocument(*pane->document(), p, margins_);
        const QString failure = jobFailure(p, printed, name);
        if (!failure.isEmpty()) failures << failure;
    }
    if (!file.isEmpty()) p.setOutputFileName(file);
    if (!failures.isEmpty()) showMessage(QMessageBox::Critical, QStringLiteral("Ошибка"), failures.join(QLatin1Char('\n')));
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
    if (dialog.exec() != QDialog::Accepted) return;
    printer().setPageLayout(setup.pageLayout());
    margins_ = setup.pageLayout().margins(QPageLayout::Millimeter);
}

}  // namespace lettrica::app
