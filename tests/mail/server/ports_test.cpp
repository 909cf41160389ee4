// The send command's port rules on the real well-known ports: 465 speaks
// TLS from the first byte, 587 upgrades with STARTTLS and prefers the
// challenge log-ins, 25 (with a host other than the provider's) stays plain.

#include <QJsonArray>
#include <gtest/gtest.h>

#include "mail/send_mail.h"
#include "client_run.h"
#include "test_server.h"

using namespace lettrica::mail;
using namespace mailtest;

namespace {

MailSettings onPort(int port) {
    MailSettings m = localSettings(static_cast<quint16>(port));
    m.host = QStringLiteral("localhost");
    return m;
}

void send(const MailSettings& s) {
    SmtpClient client;
    MailMessage message;
    sendMail(client, message, s, QStringLiteral("a@example.org"), {QStringLiteral("Проверка портов")});
}

QStringList serverOn(int port, const QString& tls, const QString& auth) {
    const Pki& pki = Pki::get();
    return {QStringLiteral("--port"), QString::number(port), QStringLiteral("--tls"), tls, QStringLiteral("--cert"),
            pki.cert, QStringLiteral("--key"), pki.key, QStringLiteral("--auth"), auth};
}

}  // namespace

TEST(WellKnownPorts, Port465SpeaksTlsFromTheFirstByte) {
    TestServer server(serverOn(465, QStringLiteral("implicit"), QStringLiteral("LOGIN")));
    ASSERT_TRUE(server.ok()) << server.failure().toStdString();
    trustTestCa();
    ASSERT_NO_THROW(send(onPort(465)));
    const auto messages = server.messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].value(QStringLiteral("tls")).toBool());
    EXPECT_FALSE(server.commands().contains(QStringLiteral("STARTTLS")));
}

TEST(WellKnownPorts, Port587UpgradesAndPrefersChallengeLogin) {
    TestServer server(serverOn(587, QStringLiteral("starttls"), QStringLiteral("LOGIN,CRAM-MD5")));
    ASSERT_TRUE(server.ok()) << server.failure().toStdString();
    trustTestCa();
    ASSERT_NO_THROW(send(onPort(587)));
    EXPECT_TRUE(server.commands().contains(QStringLiteral("STARTTLS")));
    const auto auths = server.events(QStringLiteral("auth"));
    ASSERT_EQ(auths.size(), 1);
    EXPECT_EQ(auths[0].value(QStringLiteral("mechanism")).toString(), QStringLiteral("CRAM-MD5"));
    EXPECT_TRUE(auths[0].value(QStringLiteral("ok")).toBool());
    ASSERT_EQ(server.messages().size(), 1);
    EXPECT_TRUE(server.messages()[0].value(QStringLiteral("tls")).toBool());
}

TEST(WellKnownPorts, Port25WithAnOrdinaryHostStaysPlain) {
    // The server offers STARTTLS; the client must not take it.
    TestServer server(serverOn(25, QStringLiteral("starttls"), QStringLiteral("LOGIN,CRAM-MD5")));
    ASSERT_TRUE(server.ok()) << server.failure().toStdString();
    ASSERT_NO_THROW(send(onPort(25)));
    EXPECT_FALSE(server.commands().contains(QStringLiteral("STARTTLS")));
    const auto auths = server.events(QStringLiteral("auth"));
    ASSERT_EQ(auths.size(), 1);
    EXPECT_EQ(auths[0].value(QStringLiteral("mechanism")).toString(), QStringLiteral("LOGIN"));
    ASSERT_EQ(server.messages().size(), 1);
    EXPECT_FALSE(server.messages()[0].value(QStringLiteral("tls")).toBool());
}
