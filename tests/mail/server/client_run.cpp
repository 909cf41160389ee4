#include "client_run.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

using namespace lettrica::mail;

namespace mailtest {

MailSettings localSettings(quint16 port) {
    MailSettings m;
    m.host = QStringLiteral("127.0.0.1");
    m.port = port;
    m.authType = 1;
    m.login = QStringLiteral("user");
    m.password = QStringLiteral("secret");
    m.userName = QStringLiteral("Иван Петров");
    m.email = QStringLiteral("ivan@example.com");
    m.timeOutSeconds = 10;
    return m;
}

const QStringList kBody = {QStringLiteral("Привет, мир!"), QStringLiteral("."), QStringLiteral("..две точки"),
                           QString(), QStringLiteral(".конец")};

std::optional<MailError> trySend(const MailSettings& settings, const QString& to, std::optional<TlsMode> tls,
                                 const QStringList& body) {
    SmtpClient client;
    MailMessage message;
    try {
        sendMail(client, message, settings, to, body, tls);
    } catch (const MailError& e) {
        EXPECT_FALSE(client.connected());
        return e;
    }
    EXPECT_FALSE(client.connected());
    return std::nullopt;
}

CliRun runCli(const QStringList& args, const QByteArray& password) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!password.isNull()) env.insert(QStringLiteral("LETTRICA_SMTP_PASSWORD"), QString::fromUtf8(password));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(LETTRICA_CLI), QStringList{QStringLiteral("send")} + args);
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace mailtest
