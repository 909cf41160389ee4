#pragma once
// Running the client the way the send command and lettrica-cli send do,
// for the server tests: settings for a local server, one send through
// sendMail, and one run of the real lettrica-cli.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

#include "mail/send_mail.h"
#include "test_server.h"

namespace mailtest {

// A local server at 127.0.0.1:`port`, log-in user/secret, sender
// "Иван Петров" <ivan@example.com>, a 10 s time-out.
lettrica::mail::MailSettings localSettings(quint16 port);

// Body lines with Cyrillic text and lines that need dot-stuffing.
extern const QStringList kBody;

// One send through sendMail; the error it ended with, if any. Either way
// the client must be left disconnected.
std::optional<lettrica::mail::MailError> trySend(const lettrica::mail::MailSettings& settings,
                                                 const QString& to = QStringLiteral("a@example.org"),
                                                 std::optional<lettrica::mail::TlsMode> tls = std::nullopt,
                                                 const QStringList& body = kBody);

struct CliRun {
    int exitCode;
    QString out, err;
};

// `lettrica-cli send ARGS`, with the password in LETTRICA_SMTP_PASSWORD
// unless `password` is null.
CliRun runCli(const QStringList& args, const QByteArray& password = "secret");

}  // namespace mailtest

// Starts a test server with these arguments, or fails the test.
#define START_SERVER(name, ...)                          \
    mailtest::TestServer name{QStringList{__VA_ARGS__}}; \
    ASSERT_TRUE(name.ok()) << name.failure().toStdString()
