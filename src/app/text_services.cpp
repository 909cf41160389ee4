#include "app/text_services.h"

#include <QTextDocument>
#include <QTextEdit>

#include "app/case_dialog.h"
#include "app/main_window.h"
#include "app/message_boxes.h"
#include "app/recode_dialog.h"
#include "app/settings_store.h"
#include "settings/settings_keys.h"

namespace lettrica::app {

TextServices::TextServices(MainWindow* window) : QObject(window), window_(window) {
    setObjectName(QStringLiteral("TextServices"));
    caseDialog_ = new CaseDialog(window);
    recodeDialog_ = new RecodeDialog(window);
    readSettings(SettingsStore::open());
}

void TextServices::readSettings(const settings::IniFile& ini) {
    caseDialog_->readSettings(ini);
    recodeDialog_->readSettings(ini);
}

void TextServices::writeSettings(settings::IniFile& ini, std::string_view section) const {
    if (section == settings::keys::RegistrReg.section) caseDialog_->writeSettings(ini);
    if (section == settings::keys::PerekodNapr.section) recodeDialog_->writeSettings(ini);
}

void TextServices::RegistrPerevodExecute() {
    if (window_->isBusy() || caseDialog_->exec() != QDialog::Accepted) return;
    // The dialog is asked again before every slice, as the choice is read
    // afresh at every position.
    ConverterChoice converter = [this]() -> const translit::Converter& {
        return textops::caseConverter(caseDialog_->target());
    };
    runPanes(caseDialog_->sourcePaneTicked(), caseDialog_->resultPaneTicked(), converter,
             QStringLiteral("Регистр..."), QStringLiteral("Перевод в нужный регистр прерван пользователем."));
}

void TextServices::PerekodirovkaExecute() {
    if (window_->isBusy() || recodeDialog_->exec() != QDialog::Accepted) return;
    const std::optional<textops::Direction> chosen = recodeDialog_->direction();
    if (!chosen) return;  // nothing selected: the panes stay as they are
    ConverterChoice converter = [this, chosen]() -> const translit::Converter& {
        return textops::recodingConverter(recodeDialog_->direction().value_or(*chosen));
    };
    runPanes(recodeDialog_->sourcePaneTicked(), recodeDialog_->resultPaneTicked(), converter,
             QStringLiteral("Перекодировка..."), QStringLiteral("Перевод в нужную кодировку прерван пользователем."));
}

void TextServices::runPanes(bool source, bool result, const ConverterChoice& converter, const QString& caption,
                            const QString& cancelMessage) {
    auto message = [caption, cancelMessage] { showMessage(QMessageBox::Information, caption, cancelMessage); };
    bool cancelled = source && runPass(window_->sourcePane(), converter, message) == RunOutcome::Cancelled;
    if (!cancelled && result) runPass(window_->resultPane(), converter, message);
    if (window_->closeRequested()) window_->close();
}

RunOutcome TextServices::runPass(QTextEdit* pane, const ConverterChoice& converter,
                                 const std::function<void()>& cancelMessage) {
    if (pane->document()->isEmpty()) return RunOutcome::Finished;  // no progress window either
    PaneConversion run{pane->document(), pane, converter, window_->progressWindow()};
    run.cancelMessage = cancelMessage;
    return window_->runLongCommand(run);
}

}  // namespace lettrica::app
