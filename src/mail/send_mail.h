#pragma once
// The send command's work after the dialogs: configure the client from the
// mail settings, connect, compose the message from the body lines and send
// it to the typed addresses. The desktop command and lettrica-cli send both
// go through here.

#include <QString>
#include <QStringList>
#include <optional>

#include "mail/message.h"
#include "mail/smtp_client.h"

namespace lettrica::mail {

// The public provider the defaults point at; on port 25 its host is
// upgraded with STARTTLS.
inline const QString kDefaultSmtpHost = QStringLiteral("smtp.yandex.ru");
inline const QString kDefaultMailDomain = QStringLiteral("yandex.ru");
inline const QString kStartTlsProviderHost = QStringLiteral("smtp.yandex.ru");

// The eight mail settings as the program keeps them.
struct MailSettings {
    QString host = kDefaultSmtpHost;
    int port = 25;
    int authType = 0;        // 0 no log-in, 1 log in with login and password
    int timeOutSeconds = 0;  // 0..30; 0 means the client's default of 60 s
    QString userName = QStringLiteral("Your_Name");
    QString login = QStringLiteral("Your_Login");
    QString password;
    QString email = QStringLiteral("Your_Login@") + kDefaultMailDomain;
};

// The TLS mode the port and host call for: 465 TLS from the first byte,
// 587 STARTTLS, 25 with the provider's host STARTTLS, anything else none.
TlsMode tlsModeFor(const QString& host, int port);

// Applies the settings to the client: server, port, TLS mode (or
// `tlsOverride`), the challenge log-ins first on 587, log-in, time-out,
// X-Mailer "Lettrica".
void configureClient(SmtpClient& client, const MailSettings& settings,
                     std::optional<TlsMode> tlsOverride = std::nullopt);

// The message for these body lines (each followed by CR LF), from the
// sender of `settings` to the address list `to`, subject "From " + name.
// The body is 7bit when it is plain ASCII, 8bit when the server takes
// 8BITMIME, quoted-printable otherwise (and for lines over 998 bytes, and
// for a NUL, see MailMessage::effectiveEncoding).
void composeMessage(MailMessage& message, const MailSettings& settings, const QString& to,
                    const QStringList& bodyLines, bool server8BitMime);

// What would make the send unsafe, found before anything is looked up or
// connected: a host, login or sender address with a control character, a
// host or address with a blank, an address without "@", a recipient that
// checkAddress refuses, a control character anywhere in the recipient list,
// "<" and ">" that do not pair up in one of its addresses. The login is
// checked even with log-in off.
std::optional<MailError> checkBeforeConnecting(const MailSettings& settings, const QString& to);

// Connects, composes, sends and closes. Throws the MailError of the first
// failure, after the connection has been closed.
void sendMail(SmtpClient& client, MailMessage& message, const MailSettings& settings, const QString& to,
              const QStringList& bodyLines, std::optional<TlsMode> tlsOverride = std::nullopt);

}  // namespace lettrica::mail
