// The SMTP conversation byte by byte, without a socket: the test plays the
// server.

#include <gtest/gtest.h>

#include "mail/protocol_text.h"
#include "mail/sasl.h"
#include "mail/smtp_client.h"
#include "mail/smtp_protocol.h"

using namespace lettrica::mail;
using Status = SmtpProtocol::Status;

namespace {

// One line out, as the protocol wrote it (several writes concatenated).
QByteArray out(SmtpProtocol& p) {
    QByteArray all;
    for (const QByteArray& b : p.takeOutput()) all += b;
    return all;
}

// Greets and answers EHLO with `ehloReply`.
void open(SmtpProtocol& p, const QByteArray& ehloReply, SmtpProtocol::OpenOptions options = {}) {
    options.heloName = QStringLiteral("client.test");
    p.beginOpen(options);
    p.receive("220 mail.test ESMTP\r\n");
    EXPECT_EQ(out(p), QByteArray("EHLO client.test\r\n"));
    p.receive(ehloReply);
}

}  // namespace

TEST(Replies, MultiLineReplyArrivingInPieces) {
    SmtpProtocol p;
    p.beginOpen({QStringLiteral("c"), true, false, {}});
    p.receive("220-mail.test wel");
    EXPECT_EQ(p.status(), Status::AwaitingReply);
    p.receive("come\r\n220 ready\r");
    EXPECT_EQ(p.status(), Status::AwaitingReply);
    EXPECT_TRUE(p.takeOutput().isEmpty());
    p.receive("\n");
    EXPECT_EQ(out(p), QByteArray("EHLO c\r\n"));
    p.receive("250-mail.test\r\n250-AUTH LOGIN");
    p.receive(" PLAIN\r\n250 8BITMIME\r\n");
    EXPECT_EQ(p.status(), Status::Done);
    EXPECT_EQ(p.extensions(), (QStringList{QStringLiteral("AUTH LOGIN PLAIN"), QStringLiteral("8BITMIME")}));
    EXPECT_TRUE(p.hasExtension(QStringLiteral("8bitmime")));
}

TEST(Replies, TheLastEhloLineIsACapabilityToo) {
    SmtpProtocol p;
    open(p, "250-mail.test\r\n250 AUTH LOGIN PLAIN LOGIN\r\n");
    EXPECT_EQ(p.authMethods(), (QStringList{QStringLiteral("LOGIN"), QStringLiteral("PLAIN")}));
    EXPECT_EQ(parseAuthMethods({QStringLiteral("AUTH=LOGIN CRAM-MD5"), QStringLiteral("SIZE 10")}),
              (QStringList{QStringLiteral("LOGIN"), QStringLiteral("CRAM-MD5")}));
}

TEST(Replies, RefusedCodeFailsWithTheWholeReply) {
    SmtpProtocol p;
    p.beginOpen({QStringLiteral("c"), true, false, {}});
    p.receive("554-mail.test no\r\n554 go away  \r\n");
    ASSERT_EQ(p.status(), Status::Failed);
    const MailError& e = *p.error();
    EXPECT_EQ(e.kind(), MailError::Kind::Reply);
    EXPECT_EQ(e.code(), 554);
    EXPECT_EQ(e.message(), QStringLiteral("554-mail.test no\r\n554 go away"));
    EXPECT_EQ(e.reply().size(), 2);
    EXPECT_EQ(p.lastResponseCode(), 554);
}

TEST(Replies, LinesWithoutACodeAreIgnored) {
    SmtpProtocol p;
    p.beginOpen({QStringLiteral("c"), true, false, {}});
    p.receive("hello there\r\nxyz\r\n220 ok\r\n");
    EXPECT_EQ(out(p), QByteArray("EHLO c\r\n"));
}

TEST(Replies, Ehlo530IsAcceptedAndStartTlsFollows) {
    SmtpProtocol::OpenOptions o;
    o.startTls = true;
    SmtpProtocol p;
    open(p, "530 5.7.0 Must issue a STARTTLS command first\r\n", o);
    EXPECT_EQ(out(p), QByteArray("STARTTLS\r\n"));
    // Anything sent in the clear after 220 must not survive the handshake.
    p.receive("220 go ahead\r\n250 injected\r\n");
    EXPECT_EQ(p.status(), Status::NeedTlsHandshake);
    p.tlsEstablished();
    EXPECT_EQ(out(p), QByteArray("EHLO client.test\r\n"));
    p.receive("250-mail.test\r\n250 AUTH PLAIN\r\n");
    EXPECT_EQ(p.status(), Status::Done);
    EXPECT_EQ(p.authMethods(), QStringList{QStringLiteral("PLAIN")});
}

TEST(Replies, StartTlsRefusedFailsWithTheServerText) {
    SmtpProtocol::OpenOptions o;
    o.startTls = true;
    SmtpProtocol p;
    open(p, "250 mail.test\r\n", o);
    EXPECT_EQ(out(p), QByteArray("STARTTLS\r\n"));
    p.receive("454 4.7.0 TLS not available\r\n");
    ASSERT_EQ(p.status(), Status::Failed);
    EXPECT_EQ(p.error()->message(), QStringLiteral("454 4.7.0 TLS not available"));
}

TEST(LoginChoice, FollowsSettingsAndAnnouncedMethods) {
    const QStringList ext{QStringLiteral("AUTH LOGIN CRAM-MD5 NTLM")};
    const QStringList all{QStringLiteral("LOGIN"), QStringLiteral("CRAM-MD5"), QStringLiteral("NTLM")};
    LoginOptions o{QStringLiteral("u"), QStringLiteral("p"), false, false, {}};
    EXPECT_EQ(chooseLogin(ext, all, o), LoginMethod::Login);
    o.useSasl = true;
    EXPECT_EQ(chooseLogin(ext, all, o), LoginMethod::Ntlm);
    EXPECT_EQ(chooseLogin(ext, {QStringLiteral("login"), QStringLiteral("cram-md5")}, o), LoginMethod::CramMd5);
    EXPECT_EQ(chooseLogin(ext, {QStringLiteral("LOGIN")}, o), LoginMethod::Login);
    o.saslOnly = true;
    EXPECT_EQ(chooseLogin(ext, {QStringLiteral("LOGIN")}, o), LoginMethod::Refused);
    EXPECT_EQ(chooseLogin({QStringLiteral("8BITMIME")}, {}, o), LoginMethod::Refused);
    o.saslOnly = false;
    EXPECT_EQ(chooseLogin({QStringLiteral("8BITMIME")}, {}, o), LoginMethod::None);
    // Nothing to log in with: no log-in whatever the server offers.
    EXPECT_EQ(chooseLogin(ext, all, LoginOptions{}), LoginMethod::None);
    // A password alone still logs in (with an empty user name).
    EXPECT_EQ(chooseLogin(ext, all, LoginOptions{{}, QStringLiteral("p"), false, false, {}}), LoginMethod::Login);
    // A server that knows only PLAIN gets PLAIN rather than a refused LOGIN.
    EXPECT_EQ(chooseLogin({QStringLiteral("AUTH PLAIN")}, {QStringLiteral("PLAIN")},
                          LoginOptions{QStringLiteral("u"), QStringLiteral("p"), false, false, {}}),
              LoginMethod::Plain);
}

TEST(Login, PlainLoginExchange) {
    SmtpProtocol::OpenOptions o;
    o.login = {QStringLiteral("user"), QStringLiteral("пароль"), false, false, {}};
    SmtpProtocol p;
    open(p, "250-mail.test\r\n250 AUTH LOGIN\r\n", o);
    EXPECT_EQ(out(p), QByteArray("AUTH LOGIN\r\n"));
    p.receive("334 VXNlcm5hbWU6\r\n");
    EXPECT_EQ(out(p), QByteArray("dXNlcg==\r\n"));
    p.receive("334 UGFzc3dvcmQ6\r\n");
    EXPECT_EQ(out(p), QStringLiteral("пароль").toUtf8().toBase64() + "\r\n");
    p.receive("235 2.7.0 ok\r\n");
    EXPECT_EQ(p.status(), Status::Done);
    EXPECT_EQ(p.loginUsed(), LoginMethod::Login);
}

TEST(Login, WrongPasswordFailsWithTheServerReply) {
    SmtpProtocol::OpenOptions o;
    o.login = {QStringLiteral("user"), QStringLiteral("x"), false, false, {}};
    SmtpProtocol p;
    open(p, "250 AUTH LOGIN\r\n", o);
    // The single-line EHLO reply carries no capability: no AUTH, no log-in.
    EXPECT_EQ(p.status(), Status::Done);

    SmtpProtocol q;
    open(q, "250-mail.test\r\n250 AUTH LOGIN\r\n", o);
    out(q);
    q.receive("334 x\r\n");
    q.receive("334 y\r\n");
    q.receive("535 5.7.8 Authentication credentials invalid\r\n");
    ASSERT_EQ(q.status(), Status::Failed);
    EXPECT_EQ(q.error()->code(), 535);
}

TEST(Login, CramMd5UsesTheRfcDigest) {
    // The worked example of RFC 2195.
    const QByteArray challenge = "<1896.697170952@postoffice.reston.mci.net>";
    EXPECT_EQ(cramMd5Response(QStringLiteral("tim"), QStringLiteral("tanstaaftanstaaf"), challenge),
              QByteArray("tim b913a602c7eda7a495b4e6e7334d3890"));

    SmtpProtocol::OpenOptions o;
    o.login = {QStringLiteral("tim"), QStringLiteral("tanstaaftanstaaf"), true, false, {}};
    SmtpProtocol p;
    open(p, "250-mail.test\r\n250 AUTH LOGIN CRAM-MD5\r\n", o);
    EXPECT_EQ(out(p), QByteArray("AUTH CRAM-MD5\r\n"));
    p.receive("334 " + challenge.toBase64() + "\r\n");
    EXPECT_EQ(out(p), QByteArray("dGltIGI5MTNhNjAyYzdlZGE3YTQ5NWI0ZTZlNzMzNGQzODkw\r\n"));
    p.receive("235 ok\r\n");
    EXPECT_EQ(p.status(), Status::Done);
}

TEST(Login, SaslOnlyWithoutChallengeMethodFails) {
    SmtpProtocol::OpenOptions o;
    o.login = {QStringLiteral("u"), QStringLiteral("p"), true, true, {}};
    SmtpProtocol p;
    open(p, "250-mail.test\r\n250 AUTH LOGIN\r\n", o);
    ASSERT_EQ(p.status(), Status::Failed);
    EXPECT_EQ(p.error()->code(), -400);
    EXPECT_EQ(p.error()->message(), QStringLiteral("Unable to logon to the server using Secure Password Authentication"));
    EXPECT_TRUE(p.takeOutput().isEmpty());
}

TEST(Data, DotStuffingAndBlocks) {
    const QList<QByteArray> lines = {"Subject: x", "", ".", ".hidden", "a.b", "12345678"};
    QByteArray joined;
    for (const QByteArray& b : dataBlocks(lines, 8192)) joined += b;
    EXPECT_EQ(joined, QByteArray("Subject: x\r\n\r\n..\r\n..hidden\r\na.b\r\n12345678\r\n"));

    // Blocks of 16: a line joins a block while block + line + 3 <= 16.
    const QList<QByteArray> blocks = dataBlocks(lines, 16);
    EXPECT_EQ(blocks, (QList<QByteArray>{"Subject: x\r\n\r\n", "..\r\n..hidden\r\n", "a.b\r\n12345678\r\n"}));
    for (const QByteArray& b : blocks) EXPECT_LE(b.size(), 16);
}

TEST(Data, LineLimitsAndBatchSize) {
    EXPECT_FALSE(checkDataLines({QByteArray(13, 'x')}, 16).has_value());
    const auto tooLong = checkDataLines({QByteArray(14, 'x')}, 16);
    ASSERT_TRUE(tooLong.has_value());
    EXPECT_EQ(tooLong->code(), -100);
    EXPECT_EQ(tooLong->message(), QStringLiteral("The data line length must be lower than BatchSize"));
    EXPECT_EQ(checkDataLines({"x"}, 0)->code(), -4);
}

namespace {

void ready(SmtpProtocol& p, const QByteArray& ehlo = "250-mail.test\r\n250 8BITMIME\r\n") { open(p, ehlo); }

}  // namespace

TEST(Transaction, FullExchangeWithEightBitBody) {
    SmtpProtocol p;
    ready(p);
    p.beginSend({QStringLiteral("me@x.org"), {QStringLiteral("a@y.org"), QStringLiteral("b@y.org")}, true},
                {"Subject: s", "", ".", "\xCF\xF0\xE8"}, 8192);
    EXPECT_EQ(out(p), QByteArray("MAIL FROM:<me@x.org> BODY=8BITMIME\r\n"));
    p.receive("250 ok\r\n");
    EXPECT_EQ(out(p), QByteArray("RCPT TO:<a@y.org>\r\n"));
    p.receive("250 ok\r\n");
    EXPECT_EQ(out(p), QByteArray("RCPT TO:<b@y.org>\r\n"));
    // "User not local; will forward" accepts the recipient.
    p.receive("251 2.1.5 will forward\r\n");
    EXPECT_EQ(out(p), QByteArray("DATA\r\n"));
    p.receive("354 go\r\n");
    const QList<QByteArray> writes = p.takeOutput();
    ASSERT_EQ(writes.size(), 2);
    EXPECT_EQ(writes[0], QByteArray("Subject: s\r\n\r\n..\r\n\xCF\xF0\xE8\r\n"));
    EXPECT_EQ(writes[1], QByteArray(".\r\n"));
    EXPECT_TRUE(p.inCommand());
    p.receive("250 queued\r\n");
    EXPECT_EQ(p.status(), Status::Done);

    p.beginQuit();
    EXPECT_EQ(out(p), QByteArray("QUIT\r\n"));
    p.receive("221 bye\r\n");
    EXPECT_EQ(p.status(), Status::Done);
}

TEST(Transaction, NoBodyParameterWhenTheServerLacks8BitMime) {
    SmtpProtocol p;
    ready(p, "250-mail.test\r\n250 SIZE 100\r\n");
    p.beginSend({QStringLiteral("me@x.org"), {QStringLiteral("a@y.org")}, true}, {"x"}, 8192);
    EXPECT_EQ(out(p), QByteArray("MAIL FROM:<me@x.org>\r\n"));
}

TEST(Transaction, RefusedRecipientStopsEverything) {
    SmtpProtocol p;
    ready(p);
    p.beginSend({QStringLiteral("me@x.org"), {QStringLiteral("a@y.org"), QStringLiteral("b@y.org")}, false},
                {"x"}, 8192);
    out(p);
    p.receive("250 ok\r\n");
    out(p);
    p.receive("550 5.1.1 <a@y.org>: Recipient address rejected\r\n");
    ASSERT_EQ(p.status(), Status::Failed);
    EXPECT_EQ(p.error()->code(), 550);
    EXPECT_EQ(p.error()->message(), QStringLiteral("550 5.1.1 <a@y.org>: Recipient address rejected"));
    EXPECT_TRUE(p.takeOutput().isEmpty());
    EXPECT_FALSE(p.inCommand());  // so closing still says QUIT
}

TEST(Transaction, ClientChecksComeBeforeAnyCommand) {
    SmtpProtocol p;
    ready(p);
    p.beginSend({QStringLiteral("me@x.org"), {}, false}, {"x"}, 8192);
    EXPECT_EQ(p.error()->code(), -201);
    EXPECT_EQ(p.error()->message(), QStringLiteral("The recipient list is empty"));
    p.beginSend({QStringLiteral("me@x.org"), {QStringLiteral("a@y.org")}, false}, {}, 8192);
    EXPECT_EQ(p.error()->code(), -200);
    EXPECT_EQ(p.error()->message(), QStringLiteral("The data list is empty"));
    p.beginSend({QStringLiteral("me@x.org"), {QStringLiteral("a@y.org")}, false}, {QByteArray(100, 'x')}, 64);
    EXPECT_EQ(p.error()->code(), -100);
    EXPECT_TRUE(p.takeOutput().isEmpty());
}

TEST(Replies, LineAndReplyLimitsHoldAtTheirBounds) {
    // A line of exactly the limit is taken; one byte more fails.
    SmtpProtocol p;
    p.beginOpen({QStringLiteral("c"), true, false, {}});
    p.receive("220-" + QByteArray(kMaxReplyLineBytes - 4, 'x') + "\r\n220 ok\r\n");
    EXPECT_EQ(out(p), QByteArray("EHLO c\r\n"));

    SmtpProtocol q;
    q.beginOpen({QStringLiteral("c"), true, false, {}});
    q.receive("220-" + QByteArray(kMaxReplyLineBytes - 3, 'x') + "\r\n220 ok\r\n");
    ASSERT_EQ(q.status(), Status::Failed);
    EXPECT_EQ(q.error()->kind(), MailError::Kind::Protocol);
    EXPECT_EQ(q.error()->code(), errc::kReplyLineTooLong);

    // Continuation lines: up to the reply limit, line ends counted.
    const QByteArray line = "220-" + QByteArray(1018, 'x') + "\r\n";  // 1024 bytes
    SmtpProtocol s;
    s.beginOpen({QStringLiteral("c"), true, false, {}});
    s.receive(line.repeated(kMaxReplyBytes / 1024 - 1) + "220 " + QByteArray(1018, 'x') + "\r\n");
    EXPECT_EQ(out(s), QByteArray("EHLO c\r\n"));

    SmtpProtocol t;
    t.beginOpen({QStringLiteral("c"), true, false, {}});
    for (int i = 0; i < 2048 && t.status() == Status::AwaitingReply; ++i) t.receive(line);
    ASSERT_EQ(t.status(), Status::Failed);
    EXPECT_EQ(t.error()->kind(), MailError::Kind::Protocol);
    EXPECT_EQ(t.error()->code(), errc::kReplyTooLong);
    EXPECT_TRUE(t.takeOutput().isEmpty());
}

TEST(Replies, ThousandsOfEarlyAnswersNeitherRecurseNorRace) {
    // Every answer of the whole transaction at once: handled one reply at a
    // time, never by nested calls (which overflowed the stack).
    constexpr int kRecipients = 20000;
    SmtpProtocol p;
    ready(p);
    SmtpProtocol::Envelope envelope{QStringLiteral("me@x.org"), {}, false};
    for (int i = 0; i < kRecipients; ++i) envelope.recipients.append(QStringLiteral("r%1@y.org").arg(i));
    p.beginSend(envelope, {"x"}, 8192);
    out(p);
    p.receive(QByteArray("250 ok\r\n").repeated(kRecipients + 1) + "354 go\r\n250 queued\r\n");
    EXPECT_EQ(out(p), QByteArray("RCPT TO:<r0@y.org>\r\n"));
    for (int i = 1; i < kRecipients; ++i) {
        p.receive("250 ok\r\n");
        ASSERT_EQ(out(p), "RCPT TO:<r" + QByteArray::number(i) + "@y.org>\r\n");
    }
    p.receive("250 ok\r\n");
    EXPECT_EQ(out(p), QByteArray("DATA\r\n"));
    p.receive("354 go\r\n");
    out(p);
    p.receive("250 queued\r\n");
    EXPECT_EQ(p.status(), Status::Done);
}

TEST(Envelope, UnsafeAddressesAreRefusedBeforeMail) {
    const QString good = QStringLiteral("o'brien+tag@mail.example.org");
    auto refusal = [&](const QString& from, const QString& to) -> std::optional<MailError> {
        SmtpProtocol p;
        ready(p);
        p.beginSend({from, {good, to}, false}, {"x"}, 8192);
        if (p.status() != Status::Failed) {
            EXPECT_EQ(out(p), "MAIL FROM:<" + from.toUtf8() + ">\r\n");
            return std::nullopt;
        }
        EXPECT_TRUE(p.takeOutput().isEmpty());
        return p.error();
    };
    EXPECT_FALSE(refusal(good, QStringLiteral("иван@пример.рф")));
    EXPECT_FALSE(refusal(QStringLiteral("a@b"), QString(kMaxAddressBytes - 2, u'x') + QStringLiteral("@y")));

    // Each unsafe character, anywhere, in either role.
    const QString unsafe[] = {QStringLiteral("\r"), QStringLiteral("\n"), QStringLiteral("\r\n"),
                              QString(QChar(0)),    QStringLiteral("\t"), QString(QChar(0x7F)),
                              QString(QChar(0x85)), QString(QChar(0x2028)), QStringLiteral(" "),
                              QString(QChar(0xA0)), QStringLiteral("<"),  QStringLiteral(">")};
    for (const QString& bad : unsafe) {
        for (qsizetype at : {0, 3, 6, 13}) {
            QString address = QStringLiteral("me@x.example");
            address.insert(at, bad);
            const auto asSender = refusal(address, good);
            ASSERT_TRUE(asSender) << address.toStdString();
            EXPECT_EQ(asSender->kind(), MailError::Kind::Client);
            EXPECT_EQ(asSender->code(), errc::kInvalidAddress);
            EXPECT_TRUE(asSender->message().startsWith(QStringLiteral("Недопустимый адрес отправителя")));
            const auto asRecipient = refusal(good, address);
            ASSERT_TRUE(asRecipient) << address.toStdString();
            EXPECT_TRUE(asRecipient->message().startsWith(QStringLiteral("Недопустимый адрес получателя")));
        }
    }
    // No "@" (a name typed alone parses to an empty address), or too long.
    EXPECT_EQ(refusal(good, QString())->message(), QStringLiteral("Недопустимый адрес получателя \"\": в адресе нет знака \"@\"."));
    EXPECT_TRUE(refusal(good, QStringLiteral("postmaster")));
    EXPECT_TRUE(refusal(good, QString(kMaxAddressBytes - 1, u'x') + QStringLiteral("@y")));

    // The injection of a second transaction is quoted, not obeyed.
    const auto injected = refusal(QStringLiteral("me@x>\r\nRCPT TO:<other@x>\r\nDATA"), good);
    ASSERT_TRUE(injected);
    EXPECT_EQ(injected->message(), QStringLiteral("Недопустимый адрес отправителя \"me@x>\\r\\nRCPT TO:<other@x>\\r\\nDATA\": "
                                                  "в адресе управляющий символ."));
}

TEST(Open, NamesWithControlCharactersAreRefusedBeforeAnythingIsSent) {
    SmtpProtocol::OpenOptions o;
    o.heloName = QStringLiteral("client.test\r\nMAIL FROM:<x@y>");
    SmtpProtocol p;
    p.beginOpen(o);
    ASSERT_EQ(p.status(), Status::Failed);
    EXPECT_EQ(p.error()->code(), errc::kInvalidName);
    EXPECT_EQ(p.error()->message(),
              QStringLiteral("Недопустимое имя компьютера \"client.test\\r\\nMAIL FROM:<x@y>\": управляющий символ."));
    p.receive("220 hi\r\n");
    EXPECT_TRUE(p.takeOutput().isEmpty());

    o.heloName = QStringLiteral("client test");
    EXPECT_EQ(checkOpenOptions(o)->code(), errc::kInvalidName);
    o.heloName = QStringLiteral("client.test");
    o.login.userName = QStringLiteral("user\n");
    EXPECT_EQ(checkOpenOptions(o)->message(), QStringLiteral("Недопустимый логин \"user\\n\": управляющий символ."));
    o.login.userName = QStringLiteral("DOMAIN\\John Smith");  // a blank is fine in a login
    EXPECT_FALSE(checkOpenOptions(o));

    // The client refuses a host name before looking anything up.
    SmtpClient client;
    client.settings().server = QStringLiteral("127.0.0.1\n");
    client.settings().timeOut = 1;
    try {
        client.open();
        FAIL() << "opened a connection to a host name with a line feed";
    } catch (const MailError& e) {
        EXPECT_EQ(e.kind(), MailError::Kind::Client);
        EXPECT_EQ(e.code(), errc::kInvalidName);
        EXPECT_EQ(e.message(), QStringLiteral("Недопустимое имя сервера \"127.0.0.1\\n\": управляющий символ."));
    }
    EXPECT_FALSE(client.connected());
}
