#pragma once
// The mail commands of the main window: "Email/SMS" sends the panes ticked
// in the send dialog to the address typed there, and "Настройки SMTP..."
// edits the eight mail settings the settings store holds. Owns the send
// dialog, the settings dialog, the SMTP client and the message.
//
// A send keeps the event loop running while it waits for the network, so it
// holds the runner's busy state: the commands that would start another
// send, change the settings or write the panes are off. Closing the window
// meanwhile (its title bar, "Выход" or Esc) stops the send at once (the
// connection is dropped) and then closes the window, without a message.

#include <QObject>
#include <QString>
#include <optional>

#include "app/window/panes.h"
#include "mail/message.h"
#include "mail/send_mail.h"
#include "mail/smtp_client.h"
#include "settings/main_settings.h"

class QWidget;

namespace lettrica::app {

class CommandTable;
class LongCommandRunner;
class SendDialog;
class SettingsStore;
class SmtpSettingsDialog;

// The held settings as the mail layer takes them.
mail::MailSettings toMailSettings(const settings::MailSettings& held);

class MailCommands : public QObject {
    Q_OBJECT
public:
    // Creates both dialogs (hidden), reads the send dialog's keys and the
    // address book.
    MailCommands(const CommandTable& commands, Panes panes, LongCommandRunner& runner, SettingsStore& settings,
                 QWidget* window);

    SendDialog* sendDialog() const { return sendDialog_; }
    SmtpSettingsDialog* settingsDialog() const { return settingsDialog_; }
    bool isSending() const { return sending_; }

public slots:
    void sendMail();
    void editSmtpSettings();

private:
    // Runs the send with the other commands off; the error, if any.
    std::optional<mail::MailError> send(const QString& to, const QStringList& body);
    QStringList bodyLines() const;

    Panes panes_;
    LongCommandRunner& runner_;
    SettingsStore& settings_;
    SendDialog* sendDialog_;
    SmtpSettingsDialog* settingsDialog_;
    mail::SmtpClient client_;
    mail::MailMessage message_;
    bool sending_ = false;
};

}  // namespace lettrica::app
