// The send command's configuration of the client and composition of the
// message, without a server.

#include <gtest/gtest.h>

#include "mail/send_mail.h"
#include "mail_test_util.h"

using namespace lettrica::mail;

TEST(PortRules, TlsModeFromPortAndHost) {
    EXPECT_EQ(tlsModeFor(QStringLiteral("mail.example.org"), 465), TlsMode::Automatic);
    EXPECT_EQ(tlsModeFor(QStringLiteral("mail.example.org"), 587), TlsMode::Explicit);
    EXPECT_EQ(tlsModeFor(QStringLiteral("mail.example.org"), 25), TlsMode::None);
    EXPECT_EQ(tlsModeFor(kStartTlsProviderHost, 25), TlsMode::Automatic);
    // The host is compared in lower case.
    EXPECT_EQ(tlsModeFor(kStartTlsProviderHost.toUpper(), 25), TlsMode::Automatic);
    EXPECT_EQ(tlsModeFor(kStartTlsProviderHost, 2525), TlsMode::None);
}

TEST(PortRules, ConfigureClient) {
    SmtpClient client;
    MailSettings m;
    m.host = QStringLiteral("mail.example.org");
    m.port = 587;
    m.authType = 1;
    m.login = QStringLiteral("login");
    m.password = QStringLiteral("pw");
    m.timeOutSeconds = 7;
    configureClient(client, m);
    const SmtpSettings& s = client.settings();
    EXPECT_EQ(s.server, QStringLiteral("mail.example.org"));
    EXPECT_EQ(s.port, 587);
    EXPECT_EQ(s.useTls, TlsMode::Explicit);
    EXPECT_TRUE(s.useSasl);
    EXPECT_EQ(s.userName, QStringLiteral("login"));
    EXPECT_EQ(s.password, QStringLiteral("pw"));
    EXPECT_EQ(s.timeOut, 7000);
    EXPECT_EQ(s.mailAgent, QStringLiteral("Lettrica"));

    // The same client on another port forgets the 587 preferences.
    m.port = 465;
    configureClient(client, m);
    EXPECT_EQ(s.useTls, TlsMode::Automatic);
    EXPECT_FALSE(s.useSasl);
    EXPECT_EQ(s.tlsFlags, TlsFlagTls);

    configureClient(client, m, TlsMode::None);
    EXPECT_EQ(s.useTls, TlsMode::None);

    // An unknown authentication value leaves the password as it was.
    m.authType = 2;
    m.password = QStringLiteral("other");
    configureClient(client, m);
    EXPECT_EQ(s.password, QStringLiteral("pw"));
    EXPECT_EQ(s.userName, QStringLiteral("login"));

    // Authentication off: no log-in at all.
    m.authType = 0;
    configureClient(client, m);
    EXPECT_TRUE(s.userName.isEmpty());
    EXPECT_TRUE(s.password.isEmpty());
}

TEST(PortRules, ZeroTimeOutMeansTheDefaultMinute) {
    SmtpClient client;
    configureClient(client, MailSettings{});
    EXPECT_EQ(client.settings().timeOut, 0);
    EXPECT_EQ(client.effectiveTimeout(), 60000);
}

TEST(Compose, SubjectSenderRecipientsAndBody) {
    MailMessage m;
    MailSettings s;
    composeMessage(m, s, QStringLiteral("a@b.c; d@e.f"), {QStringLiteral("one"), QString(), QStringLiteral("two")},
                   true);
    EXPECT_EQ(m.subject(), QStringLiteral("From Your_Name"));
    EXPECT_EQ(m.from().name, QStringLiteral("Your_Name"));
    EXPECT_EQ(m.from().address, s.email);
    EXPECT_EQ(m.toList().size(), 2);
    EXPECT_EQ(m.charSet(), QStringLiteral("Windows-1251"));
    EXPECT_EQ(m.bodyLines(), (QStringList{QStringLiteral("one"), QString(), QStringLiteral("two")}));
    // Plain ASCII is honestly 7bit.
    EXPECT_EQ(m.encoding(), TransferEncoding::None);
}

TEST(Compose, EightBitBodyFollowsWhatTheServerTakes) {
    MailMessage m;
    composeMessage(m, MailSettings{}, QStringLiteral("a@b.c"), {QStringLiteral("Привет")}, true);
    EXPECT_EQ(m.encoding(), TransferEncoding::EightBit);
    composeMessage(m, MailSettings{}, QStringLiteral("a@b.c"), {QStringLiteral("Привет")}, false);
    EXPECT_EQ(m.encoding(), TransferEncoding::QuotedPrintable);
    // A line over 998 bytes may not travel as it is, even with 8BITMIME.
    composeMessage(m, MailSettings{}, QStringLiteral("a@b.c"), {QString(999, u'x')}, true);
    EXPECT_EQ(m.encoding(), TransferEncoding::QuotedPrintable);
}
