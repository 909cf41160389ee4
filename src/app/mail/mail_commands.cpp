#include "app/mail/mail_commands.h"

#include <QAction>

#include "app/command_table.h"
#include "app/conversion/long_command_runner.h"
#include "app/mail/pane_lines.h"
#include "app/mail/send_dialog.h"
#include "app/mail/smtp_settings_dialog.h"
#include "app/message_boxes.h"
#include "app/settings_store.h"
#include "app/u16_text.h"
#include "settings/address_book.h"
#include "settings/settings_dir.h"
#include "settings/settings_keys.h"

namespace lettrica::app {

namespace {

const QString kCaption = QStringLiteral(" Lettrica");

std::filesystem::path addressBookPath() { return settings::settingsFile(settings::kAddressBookFileName); }

}  // namespace

mail::MailSettings toMailSettings(const settings::MailSettings& held) {
    mail::MailSettings m;
    m.host = fromU16(held.host);
    m.port = held.port;
    m.authType = held.authType;
    m.timeOutSeconds = held.timeOut;
    m.userName = fromU16(held.userName);
    m.login = fromU16(held.login);
    m.password = fromU16(held.password);
    m.email = fromU16(held.email);
    return m;
}

MailCommands::MailCommands(const CommandTable& commands, Panes panes, LongCommandRunner& runner,
                           SettingsStore& settings, QWidget* window)
    : QObject(window),
      panes_(panes),
      runner_(runner),
      settings_(settings),
      sendDialog_(new SendDialog(window)),
      settingsDialog_(new SmtpSettingsDialog(window)) {
    setObjectName(QStringLiteral("MailCommands"));
    sendDialog_->readSettings(SettingsStore::open());
    sendDialog_->loadAddressBook(addressBookPath());
    // Address, Doc1 and Doc2 go with the settings at close, and the address
    // book with them.
    settings.addSectionWriter(this, [this](settings::IniFile& ini, std::string_view section) {
        if (section != settings::keys::EmailAddress.section) return;
        sendDialog_->writeSettings(ini);
        sendDialog_->saveAddressBook(addressBookPath());
    });
    connect(commands[Command::SendMail], &QAction::triggered, this, &MailCommands::sendMail);
    connect(commands[Command::SmtpSettings], &QAction::triggered, this, &MailCommands::editSmtpSettings);
}

void MailCommands::editSmtpSettings() {
    if (sending_) return;
    settings::MailSettings& held = settings_.mail();
    settingsDialog_->load(held);
    if (settingsDialog_->exec() == QDialog::Accepted) settingsDialog_->store(held);
}

QStringList MailCommands::bodyLines() const {
    QStringList lines;
    const bool source = sendDialog_->sourcePaneTicked();
    const bool result = sendDialog_->resultPaneTicked();
    if (source) lines += paneLines(panes_.source);
    if (source && result) lines << QString();
    if (result) lines += paneLines(panes_.result);
    return lines;
}

void MailCommands::sendMail() {
    if (runner_.isBusy()) return;
    if (sendDialog_->exec() != QDialog::Accepted) return;
    const QString to = sendDialog_->address();
    // Remembered before anything can fail.
    sendDialog_->remember(to);
    // The text as it stands when the user said OK, whatever is typed into
    // the panes while the connection is made.
    const std::optional<mail::MailError> failure = send(to, bodyLines());
    // Stopped by a close of the window: nothing to report.
    if (failure && failure->kind() == mail::MailError::Kind::Cancelled) return;
    if (failure) showMessage(QMessageBox::Critical, kCaption, QStringLiteral("Не удалось отправить письмо:\r") + failure->message());
    else showMessage(QMessageBox::Information, kCaption, QStringLiteral("Письмо отправлено."));
}

std::optional<mail::MailError> MailCommands::send(const QString& to, const QStringList& body) {
    LongCommandRunner::BusyGuard busy(runner_, Work::Sending, [this] { client_.abort(); });
    sending_ = true;
    std::optional<mail::MailError> failure;
    try {
        mail::sendMail(client_, message_, toMailSettings(settings_.mail()), to, body);
    } catch (const mail::MailError& e) {
        failure = e;
    }
    sending_ = false;
    // The last step may have ended well all the same (the QUIT after the
    // message): a send stopped by a close reports nothing.
    if (busy.stopped()) failure = mail::cancelledError();
    return failure;
}

}  // namespace lettrica::app
