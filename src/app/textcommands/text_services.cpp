#include "app/textcommands/text_services.h"

#include <QAction>
#include <QTextDocument>
#include <QTextEdit>

#include "app/document/pane_documents.h"
#include "app/textcommands/case_dialog.h"
#include "app/command_table.h"
#include "app/textcommands/recode_dialog.h"
#include "app/settings_store.h"
#include "settings/settings_keys.h"

namespace lettrica::app {

TextServices::TextServices(const CommandTable& commands, Panes panes, LongCommandRunner& runner,
                           SettingsStore& settings, QWidget* window)
    : QObject(window),
      panes_(panes),
      runner_(runner),
      caseDialog_(new CaseDialog(window)),
      recodeDialog_(new RecodeDialog(window)) {
    setObjectName(QStringLiteral("TextServices"));
    readSettings(SettingsStore::open());
    settings.addSectionWriter(this, [this](settings::IniFile& ini, std::string_view section) {
        writeSettings(ini, section);
    });
    connect(commands[Command::ChangeCase], &QAction::triggered, this, &TextServices::changeCase);
    connect(commands[Command::Recode], &QAction::triggered, this, &TextServices::recode);
}

void TextServices::readSettings(const settings::IniFile& ini) {
    caseDialog_->readSettings(ini);
    recodeDialog_->readSettings(ini);
}

void TextServices::writeSettings(settings::IniFile& ini, std::string_view section) const {
    if (section == settings::keys::RegistrReg.section) caseDialog_->writeSettings(ini);
    if (section == settings::keys::PerekodNapr.section) recodeDialog_->writeSettings(ini);
}

void TextServices::changeCase() {
    if (runner_.isBusy() || caseDialog_->exec() != QDialog::Accepted) return;
    runPanes(caseDialog_->sourcePaneTicked(), caseDialog_->resultPaneTicked(),
             textops::caseConverter(caseDialog_->target()),
             {QStringLiteral("Регистр..."), QStringLiteral("Перевод в нужный регистр прерван пользователем.")});
}

void TextServices::recode() {
    if (runner_.isBusy() || recodeDialog_->exec() != QDialog::Accepted) return;
    const std::optional<textops::Direction> chosen = recodeDialog_->direction();
    if (!chosen) return;  // nothing selected: the panes stay as they are
    runPanes(recodeDialog_->sourcePaneTicked(), recodeDialog_->resultPaneTicked(),
             textops::recodingConverter(*chosen),
             {QStringLiteral("Перекодировка..."),
              QStringLiteral("Перевод в нужную кодировку прерван пользователем.")});
}

void TextServices::runPanes(bool source, bool result, const translit::Converter& converter,
                            const LongCommandRunner::CancelMessage& message) {
    // Busy for both passes, so that nothing slips in between them.
    LongCommandRunner::BusyGuard busy(runner_, Work::Converting);
    const bool cancelled = source && runPass(panes_.source, converter, message) == RunOutcome::Cancelled;
    if (cancelled || !result) return;
    // The source's old document goes before the result's new one is built.
    freeDisposedDocuments();
    runPass(panes_.result, converter, message);
}

RunOutcome TextServices::runPass(QTextEdit* pane, const translit::Converter& converter,
                                 const LongCommandRunner::CancelMessage& message) {
    if (pane->document()->isEmpty()) return RunOutcome::Finished;  // no progress window either
    return runner_.convert(*pane->document(), pane, converter, message);
}

}  // namespace lettrica::app
