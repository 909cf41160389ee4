#include "app/mail/mail_commands.h"

#include <QAction>
#include <QCloseEvent>
#include <QMessageBox>

#include "app/mail/pane_lines.h"
#include "app/mail/send_dialog.h"
#include "app/mail/smtp_settings_dialog.h"
#include "app/main_window.h"
#include "app/settings_store.h"
#include "app/u16_text.h"
#include "settings/address_book.h"
#include "settings/settings_dir.h"
#include "settings/settings_keys.h"

namespace lettrica::app {

namespace {

// Off while a send runs, beside the commands that write the panes. "Выход"
// (Esc) stays on: it closes the window as its title bar does, which stops
// the send at once.
const char* const kOffWhileSending[] = {"emsms", "SMTP1"};

const QString kCaption = QStringLiteral(" Lettrica");

std::filesystem::path addressBookPath() { return settings::settingsFile(settings::kAddressBookFileName); }

void showMessage(QMessageBox::Icon icon, const QString& text) {
    // No owner window, as every message of the program. Qt breaks lines at
    // LF only; the server's reply lines end in CR LF.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    QMessageBox box(icon, kCaption, shown, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.exec();
}

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

MailCommands::MailCommands(MainWindow* window)
    : QObject(window),
      window_(window),
      sendDialog_(new SendDialog(window)),
      settingsDialog_(new SmtpSettingsDialog(window)) {
    setObjectName(QStringLiteral("MailCommands"));
    sendDialog_->readSettings(SettingsStore::open());
    sendDialog_->loadAddressBook(addressBookPath());
    // Address, Doc1 and Doc2 go with the settings at close, and the address
    // book with them.
    window->settingsStore()->addSectionWriter(this, [this](settings::IniFile& ini, std::string_view section) {
        if (section != settings::keys::EmailAddress.section) return;
        sendDialog_->writeSettings(ini);
        sendDialog_->saveAddressBook(addressBookPath());
    });
    for (const char* name : {"emsms", "SMTP1"}) window->action(name)->setEnabled(true);
    connect(window->action("emsms"), &QAction::triggered, this, &MailCommands::emsmsExecute);
    connect(window->action("SMTP1"), &QAction::triggered, this, &MailCommands::SMTP1Click);
    window->installEventFilter(this);
}

void MailCommands::SMTP1Click() {
    if (sending_) return;
    settings::MailSettings& held = window_->settingsStore()->mail();
    settingsDialog_->load(held);
    if (settingsDialog_->exec() == QDialog::Accepted) settingsDialog_->store(held);
}

QStringList MailCommands::bodyLines() const {
    QStringList lines;
    const bool source = sendDialog_->sourcePaneTicked();
    const bool result = sendDialog_->resultPaneTicked();
    if (source) lines += paneLines(window_->sourcePane());
    if (source && result) lines << QString();
    if (result) lines += paneLines(window_->resultPane());
    return lines;
}

void MailCommands::emsmsExecute() {
    if (sending_ || window_->isBusy()) return;
    if (sendDialog_->exec() != QDialog::Accepted) return;
    const QString to = sendDialog_->address();
    // Remembered before anything can fail.
    sendDialog_->remember(to);
    // The text as it stands when the user said OK, whatever is typed into
    // the panes while the connection is made.
    const std::optional<mail::MailError> failure = send(to, bodyLines());
    if (closeRequested_) {
        closeRequested_ = false;
        window_->close();
        return;
    }
    if (failure) showMessage(QMessageBox::Critical, QStringLiteral("Не удалось отправить письмо:\r") + failure->message());
    else showMessage(QMessageBox::Information, QStringLiteral("Письмо отправлено."));
}

std::optional<mail::MailError> MailCommands::send(const QString& to, const QStringList& body) {
    window_->setBusy(true);
    QList<QPair<QAction*, bool>> wereEnabled;
    for (const char* name : kOffWhileSending) {
        QAction* a = window_->action(name);
        wereEnabled.append({a, a->isEnabled()});
        a->setEnabled(false);
    }
    sending_ = true;
    std::optional<mail::MailError> failure;
    try {
        mail::sendMail(client_, message_, toMailSettings(window_->settingsStore()->mail()), to, body);
    } catch (const mail::MailError& e) {
        failure = e;
    }
    sending_ = false;
    for (auto [a, enabled] : wereEnabled) a->setEnabled(enabled);
    window_->setBusy(false);
    return failure;
}

bool MailCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Close && sending_) {
        // The window closes once the send has ended, which is at once.
        closeRequested_ = true;
        client_.abort();
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace lettrica::app
