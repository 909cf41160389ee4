// The client against a real SMTP server on loopback: log-ins checked by the
// server, TLS both ways with certificates made for the test, certificate
// faults, refusals, a silent server and a dropped connection. The stored
// message is compared field by field.

#include <QElapsedTimer>
#include <QJsonArray>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryFile>
#include <QTimer>
#include <gtest/gtest.h>

#include <cerrno>
#include <optional>

#include "mail/send_mail.h"
#include "client_run.h"
#include "test_server.h"

using namespace lettrica::mail;
using namespace mailtest;

namespace {

QStringList tlsServerArgs(const QString& mode, const QString& cert, const QString& key) {
    return {QStringLiteral("--tls"), mode, QStringLiteral("--cert"), cert, QStringLiteral("--key"), key};
}

QString str(const QJsonObject& o, const char* key) { return o.value(QLatin1String(key)).toString(); }

}  // namespace

TEST(Delivery, PlainLoginAndTheMessageFieldByField) {
    START_SERVER(server, {QStringLiteral("--auth"), QStringLiteral("LOGIN,PLAIN")});
    const auto error = trySend(localSettings(server.port()),
                               QStringLiteral("Пётр Сидоров <petr@example.org>; b@example.org"));
    ASSERT_FALSE(error) << error->what();

    const auto auths = server.events(QStringLiteral("auth"));
    ASSERT_EQ(auths.size(), 1);
    EXPECT_EQ(str(auths[0], "mechanism"), QStringLiteral("LOGIN"));
    EXPECT_TRUE(auths[0].value(QStringLiteral("ok")).toBool());

    const auto messages = server.messages();
    ASSERT_EQ(messages.size(), 1);
    const QJsonObject m = messages[0];
    EXPECT_EQ(str(m, "mail_from"), QStringLiteral("ivan@example.com"));
    EXPECT_EQ(m.value(QStringLiteral("rcpt_tos")).toArray(),
              (QJsonArray{QStringLiteral("petr@example.org"), QStringLiteral("b@example.org")}));
    EXPECT_TRUE(m.value(QStringLiteral("mail_options")).toArray().contains(QStringLiteral("BODY=8BITMIME")));

    // As an independent parser (Python's email package) reads it.
    EXPECT_EQ(str(m, "subject"), QStringLiteral("From Иван Петров"));
    EXPECT_EQ(str(m, "from"), QStringLiteral("Иван Петров <ivan@example.com>"));
    EXPECT_EQ(str(m, "to"), QStringLiteral("Пётр Сидоров <petr@example.org>, b@example.org"));
    EXPECT_EQ(str(m, "charset"), QStringLiteral("windows-1251"));
    EXPECT_EQ(str(m, "cte"), QStringLiteral("8bit"));
    EXPECT_EQ(str(m, "body"), kBody.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    EXPECT_TRUE(m.value(QStringLiteral("defects")).toArray().isEmpty());

    // As the bytes arrived.
    const StoredMessage stored = parseStored(server.raw(m));
    EXPECT_EQ(stored.fieldNames(),
              (QList<QByteArray>{"From", "To", "Subject", "Date", "MIME-Version", "Content-Type",
                                 "Content-Transfer-Encoding", "X-Priority", "X-Mailer", "Message-ID"}));
    EXPECT_EQ(stored.field("From"),
              "=?Windows-1251?B?" + cp1251(QStringLiteral("Иван Петров")).toBase64() + "?= <ivan@example.com>");
    EXPECT_EQ(stored.field("To"), "=?Windows-1251?B?" + cp1251(QStringLiteral("Пётр Сидоров")).toBase64() +
                                      "?= <petr@example.org>,\r\n\tb@example.org");
    EXPECT_EQ(stored.field("Subject"), "=?Windows-1251?B?" + cp1251(QStringLiteral("From Иван Петров")).toBase64() + "?=");
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^(Mon|Tue|Wed|Thu|Fri|Sat|Sun), \\d{1,2} [A-Z][a-z]{2} \\d{4} "
                                                  "\\d{1,2}:\\d\\d:\\d\\d [+-]\\d{4}$"))
                    .match(QString::fromLatin1(stored.field("Date")))
                    .hasMatch())
        << stored.field("Date").constData();
    EXPECT_EQ(stored.field("MIME-Version"), QByteArray("1.0"));
    EXPECT_EQ(stored.field("Content-Type"), QByteArray("text/plain;\r\n\tcharset=\"Windows-1251\""));
    EXPECT_EQ(stored.field("X-Priority"), QByteArray("3"));
    EXPECT_EQ(stored.field("X-Mailer"), QByteArray("Lettrica"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^<[0-9A-F]{26,}@[A-Za-z0-9.-]+>$"))
                    .match(QString::fromLatin1(stored.field("Message-ID")))
                    .hasMatch())
        << stored.field("Message-ID").constData();
    QList<QByteArray> expectedBody;
    for (const QString& line : kBody) expectedBody.append(cp1251(line));
    EXPECT_EQ(stored.body, expectedBody);  // dot-stuffing undone by the server

    const QStringList commands = server.commands();
    EXPECT_TRUE(commands.contains(QStringLiteral("MAIL FROM:<ivan@example.com> BODY=8BITMIME")));
    EXPECT_TRUE(commands.contains(QStringLiteral("RCPT TO:<petr@example.org>")));
    EXPECT_EQ(commands.last(), QStringLiteral("QUIT"));
}

// RFC 2045 forbids a NUL in a 7bit or 8bit body, RFC 5322 a one-digit hour.
TEST(Delivery, ANulAndAnEarlyHourAsTheRfcsWantThem) {
    START_SERVER(server);
    // A zone where it is now five o'clock, whenever the test runs.
    qputenv("TZ", "LTZ" + QByteArray::number(QDateTime::currentDateTimeUtc().time().hour() - 5));
    const QString text = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    ASSERT_FALSE(trySend(localSettings(server.port()), QStringLiteral("a@example.org"), std::nullopt, {text}));
    qunsetenv("TZ");
    const QJsonObject m = server.messages().value(0);
    EXPECT_EQ(str(m, "cte"), QStringLiteral("quoted-printable"));
    EXPECT_EQ(str(m, "body"), text + QStringLiteral("\r\n"));
    EXPECT_TRUE(parseStored(server.raw(m)).field("Date").contains(" 05:"));
}

TEST(Delivery, LongNamesFoldIntoSeveralEncodedWords) {
    START_SERVER(server);
    MailSettings s = localSettings(server.port());
    s.userName = QStringLiteral("Константин Константинопольский-Переименованный");
    ASSERT_FALSE(trySend(s));
    const auto messages = server.messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(str(messages[0], "subject"), QStringLiteral("From ") + s.userName);
    EXPECT_EQ(str(messages[0], "from_rfc2047"), s.userName + QStringLiteral(" <ivan@example.com>"));
    const StoredMessage stored = parseStored(server.raw(messages[0]));
    for (const QByteArray& field : {stored.field("Subject"), stored.field("From")}) {
        const QList<QByteArray> lines = field.split('\n');
        ASSERT_GT(lines.size(), 1) << field.constData();
        for (qsizetype i = 1; i < lines.size(); ++i) EXPECT_TRUE(lines[i].startsWith("\t=?Windows-1251?")) << field.constData();
    }
    for (const QByteArray& line : stored.header) EXPECT_LE(line.size(), 78) << line.constData();
}

TEST(Delivery, BccReachesTheServerButNotTheHeader) {
    START_SERVER(server);
    SmtpClient client;
    configureClient(client, localSettings(server.port()));
    MailMessage message;
    composeMessage(message, localSettings(server.port()), QStringLiteral("a@example.org"), {QStringLiteral("x")}, false);
    message.setBccList({MailAddress{QString(), QStringLiteral("hidden@example.org")}});
    client.send(message);
    client.close();
    const auto messages = server.messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].value(QStringLiteral("rcpt_tos")).toArray().contains(QStringLiteral("hidden@example.org")));
    EXPECT_TRUE(parseStored(server.raw(messages[0])).field("Bcc").isNull());
}

TEST(Delivery, WithoutEightBitMimeTheBodyGoesQuotedPrintable) {
    // aiosmtpd announces 8BITMIME unless it decodes data; ask a client that
    // believes otherwise by composing for a server without it.
    START_SERVER(server);
    SmtpClient client;
    MailSettings s = localSettings(server.port());
    configureClient(client, s);
    client.open();
    MailMessage message;
    composeMessage(message, s, QStringLiteral("a@example.org"), kBody, false);
    client.send(message);
    client.close();
    const auto messages = server.messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(str(messages[0], "cte"), QStringLiteral("quoted-printable"));
    EXPECT_EQ(str(messages[0], "body"), kBody.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    EXPECT_FALSE(messages[0].value(QStringLiteral("mail_options")).toArray().contains(QStringLiteral("BODY=8BITMIME")));
    for (const QByteArray& line : parseStored(server.raw(messages[0])).body)
        for (char c : line) EXPECT_LT(static_cast<unsigned char>(c), 128);
}

TEST(Delivery, NoLogInWhenAuthenticationIsOff) {
    START_SERVER(server);
    MailSettings s = localSettings(server.port());
    s.authType = 0;
    s.password = QStringLiteral("not used");
    ASSERT_FALSE(trySend(s));
    EXPECT_TRUE(server.events(QStringLiteral("auth")).isEmpty());
    EXPECT_EQ(server.messages().size(), 1);
}

TEST(Login, CramMd5CheckedByTheServer) {
    START_SERVER(server, {QStringLiteral("--auth"), QStringLiteral("LOGIN,CRAM-MD5")});
    SmtpClient client;
    configureClient(client, localSettings(server.port()));
    client.settings().useSasl = true;
    client.open();
    EXPECT_EQ(client.loginUsed(), LoginMethod::CramMd5);
    client.close();
    const auto auths = server.events(QStringLiteral("auth"));
    ASSERT_EQ(auths.size(), 1);
    EXPECT_EQ(str(auths[0], "mechanism"), QStringLiteral("CRAM-MD5"));
    EXPECT_TRUE(auths[0].value(QStringLiteral("ok")).toBool());

    client.settings().password = QStringLiteral("wrong");
    try {
        client.open();
        FAIL() << "a wrong password logged in";
    } catch (const MailError& e) {
        EXPECT_EQ(e.kind(), MailError::Kind::Reply);
        EXPECT_EQ(e.code(), 535);
        EXPECT_EQ(e.message(), QStringLiteral("535 5.7.8 Authentication credentials invalid"));
    }
    EXPECT_FALSE(client.connected());
}

TEST(Login, PlainForAServerThatKnowsOnlyPlain) {
    START_SERVER(server, {QStringLiteral("--auth"), QStringLiteral("PLAIN")});
    ASSERT_FALSE(trySend(localSettings(server.port())));
    const auto auths = server.events(QStringLiteral("auth"));
    ASSERT_EQ(auths.size(), 1);
    EXPECT_EQ(str(auths[0], "mechanism"), QStringLiteral("PLAIN"));
    EXPECT_TRUE(auths[0].value(QStringLiteral("ok")).toBool());
}

TEST(Login, NtlmV2VerifiedByAnIndependentImplementation) {
    START_SERVER(server, {QStringLiteral("--auth"), QStringLiteral("LOGIN,NTLM")});
    SmtpClient client;
    MailSettings s = localSettings(server.port());
    configureClient(client, s);
    client.settings().useSasl = true;
    client.open();
    EXPECT_EQ(client.loginUsed(), LoginMethod::Ntlm);
    client.close();

    client.settings().userName = QStringLiteral("TESTDOM\\user");
    client.open();
    client.close();

    const auto auths = server.events(QStringLiteral("auth"));
    ASSERT_EQ(auths.size(), 2);
    for (const QJsonObject& a : auths) {
        EXPECT_EQ(str(a, "mechanism"), QStringLiteral("NTLM"));
        EXPECT_EQ(str(a, "login"), QStringLiteral("user"));
        EXPECT_TRUE(a.value(QStringLiteral("ok")).toBool());
    }
    EXPECT_EQ(str(auths[1], "domain"), QStringLiteral("TESTDOM"));

    client.settings().password = QStringLiteral("wrong");
    try {
        client.open();
        FAIL() << "a wrong NTLM password logged in";
    } catch (const MailError& e) {
        EXPECT_EQ(e.code(), 535);
    }
    EXPECT_FALSE(server.events(QStringLiteral("auth")).last().value(QStringLiteral("ok")).toBool());
}

TEST(Tls, StartTlsWithACertificateTrustedThroughSslCertFile) {
    const Pki& pki = Pki::get();
    QStringList args = tlsServerArgs(QStringLiteral("starttls"), pki.cert, pki.key);
    args << QStringLiteral("--require-starttls");
    START_SERVER(server, args);
    trustTestCa();
    ASSERT_FALSE(trySend(localSettings(server.port()), QStringLiteral("a@example.org"), TlsMode::Explicit));
    const auto messages = server.messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].value(QStringLiteral("tls")).toBool());
    const QStringList commands = server.commands();
    ASSERT_GE(commands.size(), 3);
    EXPECT_TRUE(commands[0].startsWith(QLatin1String("EHLO ")));
    EXPECT_EQ(commands[1], QStringLiteral("STARTTLS"));
    EXPECT_TRUE(commands[2].startsWith(QLatin1String("EHLO ")));
}

TEST(Tls, ImplicitTlsFromTheFirstByte) {
    const Pki& pki = Pki::get();
    START_SERVER(server, tlsServerArgs(QStringLiteral("implicit"), pki.cert, pki.key));
    trustTestCa();
    MailSettings s = localSettings(server.port());
    s.host = QStringLiteral("localhost");
    ASSERT_FALSE(trySend(s, QStringLiteral("a@example.org"), TlsMode::Implicit));
    const auto messages = server.messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].value(QStringLiteral("tls")).toBool());
    EXPECT_FALSE(server.commands().contains(QStringLiteral("STARTTLS")));
}

TEST(Tls, TrustThroughSslCertDirAndNothingWithoutIt) {
    const Pki& pki = Pki::get();
    START_SERVER(server, tlsServerArgs(QStringLiteral("implicit"), pki.cert, pki.key));
    qunsetenv("SSL_CERT_FILE");
    qunsetenv("SSL_CERT_DIR");
    const auto untrusted = trySend(localSettings(server.port()), QStringLiteral("a@example.org"), TlsMode::Implicit);
    ASSERT_TRUE(untrusted);
    EXPECT_EQ(untrusted->kind(), MailError::Kind::Security);
    EXPECT_EQ(untrusted->message(), QStringLiteral("A certificate chain could not be built to a trusted root authority"));

    qputenv("SSL_CERT_DIR", (QStringLiteral("/nonexistent:") + pki.caDir).toLocal8Bit());
    const auto error = trySend(localSettings(server.port()), QStringLiteral("a@example.org"), TlsMode::Implicit);
    EXPECT_FALSE(error) << error->what();
    EXPECT_EQ(server.messages().size(), 1);
}

namespace {

void expectCertificateRefused(const QString& cert, const QString& key, quint32 status, const QString& sentence) {
    START_SERVER(server, tlsServerArgs(QStringLiteral("starttls"), cert, key));
    trustTestCa();
    const auto error = trySend(localSettings(server.port()), QStringLiteral("a@example.org"), TlsMode::Explicit);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), MailError::Kind::Security);
    EXPECT_EQ(error->code(), static_cast<int>(status));
    EXPECT_EQ(error->message(), sentence) << error->detail().toStdString();
    // Nothing of the message went out, and no QUIT on a failed upgrade.
    EXPECT_TRUE(server.messages().isEmpty());
    const QStringList commands = server.commands();
    EXPECT_EQ(commands.filter(QRegularExpression(QStringLiteral("^(MAIL|AUTH|QUIT)"))), QStringList());
}

}  // namespace

TEST(Tls, WrongHostCertificateIsRefused) {
    const Pki& pki = Pki::get();
    expectCertificateRefused(pki.wrongHostCert, pki.wrongHostKey, 0x800B010F,
                             QStringLiteral("The certificate's CN name does not match the passed value"));
}

TEST(Tls, SelfSignedCertificateIsRefused) {
    const Pki& pki = Pki::get();
    expectCertificateRefused(pki.selfSignedCert, pki.selfSignedKey, 0x800B0109,
                             QStringLiteral("A certificate chain processed correctly, but terminated in a root "
                                            "certificate which is not trusted by the trust provider"));
}

TEST(Tls, ExpiredCertificateIsRefused) {
    const Pki& pki = Pki::get();
    expectCertificateRefused(pki.expiredCert, pki.expiredKey, 0x800B0101,
                             QStringLiteral("A required certificate is not within its validity period when verifying "
                                            "against the current system clock or the timestamp in the signed file"));
}

TEST(Tls, ServerWithOnlyOldProtocolVersionsFailsClearly) {
    const Pki& pki = Pki::get();
    QStringList args = tlsServerArgs(QStringLiteral("implicit"), pki.cert, pki.key);
    args << QStringLiteral("--mode") << QStringLiteral("old-tls");
    START_SERVER(server, args);
    trustTestCa();
    const auto error = trySend(localSettings(server.port()), QStringLiteral("a@example.org"), TlsMode::Implicit);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), MailError::Kind::Security);
    EXPECT_EQ(error->message(),
              QStringLiteral("The client and server cannot communicate, because they do not possess a common algorithm"))
        << error->detail().toStdString();
}

TEST(Tls, StartTlsRefusedByTheServer) {
    START_SERVER(server);  // no TLS at all
    const auto error = trySend(localSettings(server.port()), QStringLiteral("a@example.org"), TlsMode::Explicit);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), MailError::Kind::Reply);
    EXPECT_EQ(error->code(), 454);
    EXPECT_EQ(error->message(), QStringLiteral("454 TLS not available"));
    EXPECT_TRUE(server.messages().isEmpty());
}

TEST(Refusals, RecipientRefusedWith550) {
    START_SERVER(server, {QStringLiteral("--refuse"), QStringLiteral("b@example.org")});
    const auto error = trySend(localSettings(server.port()), QStringLiteral("a@example.org; b@example.org"));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), MailError::Kind::Reply);
    EXPECT_EQ(error->code(), 550);
    EXPECT_EQ(error->message(), QStringLiteral("550 5.1.1 <b@example.org>: Recipient address rejected: User unknown"));
    EXPECT_TRUE(server.messages().isEmpty());
    EXPECT_FALSE(server.commands().contains(QStringLiteral("DATA")));
    // The session was sound, so the client said goodbye.
    EXPECT_EQ(server.commands().last(), QStringLiteral("QUIT"));
}

TEST(Refusals, UserNotLocalWillForwardIsASuccess) {
    START_SERVER(server, {QStringLiteral("--forward"), QStringLiteral("a@example.org")});
    ASSERT_FALSE(trySend(localSettings(server.port())));
    EXPECT_EQ(server.messages().size(), 1);
}

TEST(Refusals, Ehlo530ThenStartTlsDelivers) {
    const Pki& pki = Pki::get();
    QStringList args = tlsServerArgs(QStringLiteral("starttls"), pki.cert, pki.key);
    args << QStringLiteral("--require-starttls") << QStringLiteral("--ehlo-530");
    START_SERVER(server, args);
    trustTestCa();
    const auto error = trySend(localSettings(server.port()), QStringLiteral("a@example.org"), TlsMode::Explicit);
    ASSERT_FALSE(error) << error->what();
    ASSERT_EQ(server.messages().size(), 1);
    EXPECT_TRUE(server.messages()[0].value(QStringLiteral("tls")).toBool());
}

TEST(Refusals, Ehlo530WithoutTlsFailsAtTheNextCommand) {
    const Pki& pki = Pki::get();
    QStringList args = tlsServerArgs(QStringLiteral("starttls"), pki.cert, pki.key);
    args << QStringLiteral("--require-starttls") << QStringLiteral("--ehlo-530");
    START_SERVER(server, args);
    const auto error = trySend(localSettings(server.port()), QStringLiteral("a@example.org"), TlsMode::None);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 530);
    EXPECT_EQ(error->message(), QStringLiteral("530 Must issue a STARTTLS command first"));
    EXPECT_TRUE(server.messages().isEmpty());
}

TEST(Failures, SilentServerTimesOutWhileTheEventLoopRuns) {
    START_SERVER(server, {QStringLiteral("--mode"), QStringLiteral("silent")});
    SmtpClient client;
    configureClient(client, localSettings(server.port()));
    client.settings().timeOut = 1500;
    client.open();

    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(50);

    MailMessage message;
    composeMessage(message, localSettings(server.port()), QStringLiteral("a@example.org"), kBody, true);
    QElapsedTimer clock;
    clock.start();
    try {
        client.send(message);
        FAIL() << "a silent server accepted the message";
    } catch (const MailError& e) {
        const qint64 elapsed = clock.elapsed();
        EXPECT_EQ(e.kind(), MailError::Kind::Timeout);
        EXPECT_EQ(e.code(), -1);
        EXPECT_EQ(e.message(), QStringLiteral("Timeout error occured"));
        EXPECT_GE(elapsed, 1400);
        EXPECT_LT(elapsed, 4000);
    }
    // Timers kept firing during the wait: the event loop ran.
    EXPECT_GE(ticks, 15);

    // A broken session is closed at once, without waiting on QUIT.
    clock.restart();
    client.close();
    EXPECT_LT(clock.elapsed(), 500);
    EXPECT_FALSE(server.commands().contains(QStringLiteral("QUIT")));
}

TEST(Failures, SilentGreetingTimesOutInOpen) {
    // A listening socket that never speaks: the greeting wait ends.
    QTcpServer mute;
    ASSERT_TRUE(mute.listen(QHostAddress::LocalHost, 0));
    SmtpClient client;
    MailSettings s = localSettings(mute.serverPort());
    configureClient(client, s);
    client.settings().timeOut = 800;
    QElapsedTimer clock;
    clock.start();
    try {
        client.open();
        FAIL() << "opened without a greeting";
    } catch (const MailError& e) {
        EXPECT_EQ(e.kind(), MailError::Kind::Timeout);
        EXPECT_GE(clock.elapsed(), 700);
        EXPECT_LT(clock.elapsed(), 3000);
    }
    EXPECT_FALSE(client.connected());
}

TEST(Failures, ConnectionDroppedDuringData) {
    START_SERVER(server, {QStringLiteral("--mode"), QStringLiteral("drop-in-data")});
    QStringList big;
    for (int i = 0; i < 4000; ++i) big.append(QStringLiteral("Строка номер %1 довольно длинного письма").arg(i));
    const auto error = trySend(localSettings(server.port()), QStringLiteral("a@example.org"), std::nullopt, big);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), MailError::Kind::Socket) << error->what();
    EXPECT_EQ(error->code(), errc::kConnectionClosed);
    EXPECT_EQ(error->message(), QStringLiteral("Сервер закрыл соединение."));
    EXPECT_EQ(server.events(QStringLiteral("dropped")).size(), 1);
}

TEST(Failures, ConnectionRefused) {
    const quint16 port = freePort();
    const auto error = trySend(localSettings(port));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), MailError::Kind::Socket);
    EXPECT_EQ(error->code(), ECONNREFUSED);
    EXPECT_EQ(error->message(), QStringLiteral("Connection refused"));
}

TEST(Failures, UnknownHost) {
    MailSettings s = localSettings(25);
    s.host = QStringLiteral("no-such-host.invalid");
    s.timeOutSeconds = 3;
    const auto error = trySend(s);
    ASSERT_TRUE(error);
    // ".invalid" never resolves; a resolver that cannot answer in time
    // ends in the time-out instead.
    if (error->kind() == MailError::Kind::Socket) EXPECT_EQ(error->message(), QStringLiteral("Unknown host"));
    else EXPECT_EQ(error->kind(), MailError::Kind::Timeout);
}

TEST(Failures, InvalidPortIsRefusedBeforeConnecting) {
    MailSettings s = localSettings(25);
    s.port = 70000;
    const auto error = trySend(s);
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->message().contains(QLatin1String("70000")));
}

TEST(CommandLine, SendsAWindows1251FileAndReportsSuccess) {
    START_SERVER(server, {QStringLiteral("--auth"), QStringLiteral("LOGIN")});
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write(cp1251(QStringLiteral("Первая строка\r\n.\r\nПоследняя\r\n")));
    file.close();
    const CliRun run = runCli({QStringLiteral("--to"), QStringLiteral("x@example.org"), QStringLiteral("--host"),
                               QStringLiteral("127.0.0.1"), QStringLiteral("--port"), QString::number(server.port()),
                               QStringLiteral("--auth"), QStringLiteral("--login"), QStringLiteral("user"),
                               QStringLiteral("--name"), QStringLiteral("Иван"), QStringLiteral("--from"),
                               QStringLiteral("ivan@example.com"), QStringLiteral("--timeout"), QStringLiteral("10"),
                               file.fileName()});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("Письмо отправлено.\n"));
    const auto messages = server.messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(str(messages[0], "body"), QStringLiteral("Первая строка\r\n.\r\nПоследняя\r\n"));
    EXPECT_EQ(str(messages[0], "subject"), QStringLiteral("From Иван"));
    EXPECT_EQ(str(messages[0], "login"), QStringLiteral("user"));
}

TEST(CommandLine, ReportsTheFailureAndExitsOne) {
    START_SERVER(server, {QStringLiteral("--refuse"), QStringLiteral("x@example.org")});
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write("hello\n");
    file.close();
    const CliRun run = runCli({QStringLiteral("--to"), QStringLiteral("x@example.org"), QStringLiteral("--host"),
                               QStringLiteral("127.0.0.1"), QStringLiteral("--port"), QString::number(server.port()),
                               file.fileName()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, QStringLiteral("Не удалось отправить письмо:\n550 5.1.1 <x@example.org>: Recipient address "
                                      "rejected: User unknown\n"));
    EXPECT_TRUE(run.out.isEmpty());
}

TEST(CommandLine, AuthWithoutThePasswordVariableIsAUsageError) {
    const CliRun run = runCli({QStringLiteral("--to"), QStringLiteral("x@example.org"), QStringLiteral("--auth")},
                              QByteArray());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QLatin1String("LETTRICA_SMTP_PASSWORD")));
}

TEST(CommandLine, UnsafeAddressesSendNothing) {
    // A sender that smuggles in a second transaction, a recipient typed as
    // a name alone, two recipients with only a blank between them (the
    // second would be taken for the first one's name and get nothing), and
    // line breaks that would split the From line or add a recipient, and "<" ">" split by ";".
    START_SERVER(server);
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write("hello\n");
    file.close();
    const struct {
        QString from, to, error;
    } cases[] = {
        {QStringLiteral("me@x.org>\r\nRCPT TO:<other@x.org>\r\nDATA\r\nforged\r\n.\r\nQUIT"), QStringLiteral("a@example.org"),
         QStringLiteral("Недопустимый адрес отправителя \"me@x.org>\\r\\nRCPT TO:<other@x.org>\\r\\nDATA\\r\\nforged\\r\\n.\\r\\nQUIT\": "
                        "в адресе управляющий символ.")},
        {QStringLiteral("me@x.org"), QStringLiteral("John Smith"),
         QStringLiteral("Недопустимый адрес получателя \"John Smith\": в адресе нет знака \"@\".")},
        {QStringLiteral("me@x.org"), QStringLiteral("a@example.org b@example.org"),
         QStringLiteral("Недопустимый адрес получателя \"a@example.org b@example.org\": несколько адресов без \",\" или "
                        "\";\" между ними.")},
        {QStringLiteral("me@x.org\nBcc: other@x.org"), QStringLiteral("a@example.org"),
         QStringLiteral("Недопустимый адрес отправителя \"me@x.org\\nBcc: other@x.org\": в адресе управляющий символ.")},
        {QStringLiteral("me@x.org"), QStringLiteral("a@example.org\r\nBcc: evil@x.org"),
         QStringLiteral("Недопустимый адрес получателя \"a@example.org\\r\\nBcc: evil@x.org\": "
                        "в адресе управляющий символ.")},
        {QStringLiteral("me@x.org"), QStringLiteral("<b@x.org NOTIFY=NEVER ORCPT=rfc822;c@d.org>"),
         QStringLiteral("Недопустимый адрес получателя \"<b@x.org NOTIFY=NEVER ORCPT=rfc822\": в адресе знаки \"<\" и "
                        "\">\" не образуют одну пару.")},
    };
    for (const auto& c : cases) {
        const CliRun run = runCli({QStringLiteral("--to"), c.to, QStringLiteral("--host"), QStringLiteral("127.0.0.1"),
                                   QStringLiteral("--port"), QString::number(server.port()), QStringLiteral("--from"),
                                   c.from, file.fileName()});
        EXPECT_EQ(run.exitCode, 1) << run.out.toStdString();
        EXPECT_EQ(run.err, QStringLiteral("Не удалось отправить письмо:\n") + c.error + u'\n');
    }
    // Refused before the connection is even made.
    EXPECT_TRUE(server.events(QStringLiteral("connect")).isEmpty());
}
