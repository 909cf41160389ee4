// The client against servers that misbehave on purpose (the raw modes of
// the test server): replies that never end, a line without an end, a reply
// trickled in for ever, answers sent before their command, replies in
// pieces, and a server that hangs up. Each must end with its own error, at
// once and without the memory a flood would take; a legitimate reply in
// pieces must still work.

#include <QJsonObject>
#include <QTimer>
#include <gtest/gtest.h>

#include "client_run.h"
#include "test_server.h"

using namespace lettrica::mail;
using namespace mailtest;

namespace {

QStringList mode(const QString& name) { return {QStringLiteral("--mode"), name}; }

// The error of one send to a local server, with the client as configured
// by the send command and then adjusted by `adjust`.
template <class Adjust>
std::optional<MailError> sendWith(quint16 port, const QString& to, Adjust adjust) {
    SmtpClient client;
    MailMessage message;
    const MailSettings settings = localSettings(port);
    try {
        configureClient(client, settings);
        adjust(client.settings());
        client.open();
        composeMessage(message, settings, to, kBody, client.supports8BitMime());
        client.send(message);
        client.close();
    } catch (const MailError& e) {
        client.close();
        EXPECT_FALSE(client.connected());
        return e;
    }
    return std::nullopt;
}

}  // namespace

TEST(HostileServer, FloodsStopAtTheirLimits) {
    // Continuation lines without end, and one line without an end, as fast
    // as the server can write: each ends at its limit with its own error.
    const struct {
        QString mode;
        int code;
        QString message;
    } floods[] = {
        {QStringLiteral("flood-reply"), errc::kReplyTooLong, QStringLiteral("Сервер прислал ответ длиннее 1 МБ.")},
        {QStringLiteral("endless-line"), errc::kReplyLineTooLong,
         QStringLiteral("Сервер прислал строку ответа длиннее 64 КБ.")},
    };
    for (const auto& flood : floods) {
        START_SERVER(server, mode(flood.mode));
        const auto error = trySend(localSettings(server.port()));
        ASSERT_TRUE(error) << flood.mode.toStdString();
        EXPECT_EQ(error->kind(), MailError::Kind::Protocol);
        EXPECT_EQ(error->code(), flood.code);
        EXPECT_EQ(error->message(), flood.message);
    }
}

TEST(HostileServer, TrickledReplyStopsAtTheReplyTimeLimit) {
    // A line every 20 ms keeps the 5 s time-out without progress from ever
    // running out; the limit on the whole reply ends it.
    START_SERVER(server, mode(QStringLiteral("trickle-reply")) << QStringLiteral("--interval") << QStringLiteral("0.02"));
    const auto error = sendWith(server.port(), QStringLiteral("a@example.org"), [](SmtpSettings& s) {
        s.timeOut = 5000;
        s.replyTimeLimit = 700;
    });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), MailError::Kind::Timeout);
    EXPECT_EQ(error->code(), errc::kReplyTooSlow);
    EXPECT_EQ(error->message(), QStringLiteral("Сервер не закончил ответ за 0,7 с."));
    // A broken session: no goodbye.
    EXPECT_FALSE(server.commands().contains(QStringLiteral("QUIT")));
}

TEST(HostileServer, EarlyAnswersNeitherHideTheRefusalNorDerailManyRecipients) {
    // 20 000 answers to nothing arrive with the answer to MAIL, then each of
    // 3000 recipients is answered in turn; DATA comes with an early 250 and
    // the message is refused. Taking early answers as replies once sent the
    // recipients by recursion (a stack overflow at 4000) and reported the
    // refused message as sent.
    START_SERVER(server, mode(QStringLiteral("early-answers")) << QStringLiteral("--early") << QStringLiteral("20000"));
    QStringList to;
    for (int i = 0; i < 3000; ++i) to.append(QStringLiteral("r%1@example.org").arg(i));
    const auto error = sendWith(server.port(), to.join(u','), [](SmtpSettings&) {});
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), MailError::Kind::Reply);
    EXPECT_EQ(error->code(), 554);
    EXPECT_EQ(error->message(), QStringLiteral("554 5.7.1 Message refused"));
    const QStringList commands = server.commands();
    EXPECT_EQ(commands.filter(QStringLiteral("RCPT TO:")).size(), 3000);
    EXPECT_TRUE(commands.contains(QStringLiteral("DATA")));
    EXPECT_TRUE(commands.contains(QStringLiteral(".")));
}

TEST(HostileServer, CommandLineReportsTheRefusalAfterAnEarly250) {
    START_SERVER(server, mode(QStringLiteral("early-answers")));
    const CliRun run = runCli({QStringLiteral("--to"), QStringLiteral("x@example.org"), QStringLiteral("--host"),
                               QStringLiteral("127.0.0.1"), QStringLiteral("--port"), QString::number(server.port()),
                               QStringLiteral("--from"), QStringLiteral("me@example.org"), QStringLiteral("/dev/null")});
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString();
    EXPECT_EQ(run.err, QStringLiteral("Не удалось отправить письмо:\n554 5.7.1 Message refused\n"));
    EXPECT_TRUE(run.out.isEmpty());
}

TEST(HostileServer, RepliesInPiecesStillWork) {
    START_SERVER(server, mode(QStringLiteral("split-replies")));
    const auto error = trySend(localSettings(server.port()), QStringLiteral("a@example.org, b@example.org"));
    EXPECT_FALSE(error) << error->what();
    const QStringList commands = server.commands();
    EXPECT_EQ(commands.filter(QStringLiteral("RCPT TO:")).size(), 2);
    EXPECT_TRUE(commands.contains(QStringLiteral(".")));
    EXPECT_EQ(commands.last(), QStringLiteral("QUIT"));
}

TEST(HostileServer, HangingUpReadsAsTheServerClosingTheConnection) {
    START_SERVER(server, mode(QStringLiteral("hang-up")));
    const auto error = trySend(localSettings(server.port()));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), MailError::Kind::Socket);
    EXPECT_EQ(error->code(), errc::kConnectionClosed);
    EXPECT_EQ(error->message(), QStringLiteral("Сервер закрыл соединение."));
    EXPECT_EQ(server.events(QStringLiteral("hang-up")).size(), 1);
}

TEST(HostileServer, AbortEndsTheWaitForASilentServer) {
    // The window closing during a send calls abort() from an event handler
    // that runs while the client waits. Without it the send would wait for
    // the whole 30 s time-out and end as a time-out. The next send on the
    // same client starts afresh.
    START_SERVER(silent, mode(QStringLiteral("silent")));
    SmtpClient client;
    MailMessage message;
    MailSettings settings = localSettings(silent.port());
    settings.timeOutSeconds = 30;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!silent.commands().filter(QStringLiteral("MAIL FROM:")).isEmpty()) client.abort();
    });
    poll.start(10);
    try {
        sendMail(client, message, settings, QStringLiteral("a@example.org"), kBody);
        ADD_FAILURE() << "the send did not stop";
    } catch (const MailError& e) {
        EXPECT_EQ(e.kind(), MailError::Kind::Cancelled);
        EXPECT_EQ(e.code(), errc::kCancelled);
        EXPECT_EQ(e.message(), QStringLiteral("Отправка прервана."));
    }
    poll.stop();
    EXPECT_FALSE(client.connected());
    EXPECT_FALSE(silent.commands().contains(QStringLiteral("QUIT")));

    START_SERVER(server);
    sendMail(client, message, localSettings(server.port()), QStringLiteral("a@example.org"), kBody);
    EXPECT_EQ(server.messages().size(), 1);
}
