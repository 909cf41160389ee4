// The message source: field order, folding, the Date form, the fields the
// client adds and removes, and the body.

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTimeZone>
#include <gtest/gtest.h>

#include "mail/message.h"
#include "mail_test_util.h"

using namespace lettrica::mail;

namespace {

QDateTime fixedDate() { return QDateTime(QDate(2026, 12, 6), QTime(9, 5, 7), QTimeZone(3 * 3600)); }

MailMessage sample() {
    MailMessage m;
    m.setCharSet(QStringLiteral("Windows-1251"));
    m.buildFromText(QStringLiteral("Привет!\r\n.\r\nLine two\r\n"));
    m.setFrom(QStringLiteral("Your_Name"), QStringLiteral("me@example.com"));
    m.setSubject(QStringLiteral("From Your_Name"));
    m.setRecipients(QStringLiteral("a@example.com; Bob Smith <b@example.com>"));
    m.setDate(fixedDate());
    return m;
}

}  // namespace

TEST(MailDate, UsesEnglishNamesAndTheZoneOfTheMoment) {
    EXPECT_EQ(formatMailDate(fixedDate()), QByteArray("Sun, 6 Dec 2026 09:05:07 +0300"));
    EXPECT_EQ(formatMailDate(QDateTime(QDate(2027, 1, 25), QTime(23, 59, 0), QTimeZone(-(5 * 3600 + 30 * 60)))),
              QByteArray("Mon, 25 Jan 2027 23:59:00 -0530"));
    EXPECT_EQ(formatMailDate(QDateTime(QDate(2027, 7, 1), QTime(0, 0, 9), QTimeZone::utc())),
              QByteArray("Thu, 1 Jul 2027 00:00:09 +0000"));
}

TEST(MessageSource, FieldsInOrderWithFoldedRecipients) {
    const QList<QByteArray> expected = {
        "From: Your_Name <me@example.com>",
        "To: a@example.com,",
        "\t\"Bob Smith\" <b@example.com>",
        "Subject: From Your_Name",
        "Date: Sun, 6 Dec 2026 09:05:07 +0300",
        "MIME-Version: 1.0",
        "Content-Type: text/plain;",
        "\tcharset=\"Windows-1251\"",
        "Content-Transfer-Encoding: 7bit",
        "X-Priority: 3",
        "",
        cp1251(QStringLiteral("Привет!")),
        ".",  // dot-stuffing is the protocol's business
        "Line two",
    };
    EXPECT_EQ(sample().source(), expected);
}

TEST(MessageSource, EncodedSenderAndSubject) {
    MailMessage m = sample();
    m.setFrom(QStringLiteral("Иван Петров"), QStringLiteral("ivan@example.com"));
    m.setSubject(QStringLiteral("From Иван Петров"));
    const QList<QByteArray> src = m.source();
    EXPECT_EQ(src[0], "From: =?Windows-1251?B?" + cp1251(QStringLiteral("Иван Петров")).toBase64() + "?= <ivan@example.com>");
    EXPECT_EQ(src[3], "Subject: =?Windows-1251?B?" + cp1251(QStringLiteral("From Иван Петров")).toBase64() + "?=");
}

TEST(MessageSource, PriorityAndEncodingFields) {
    MailMessage m = sample();
    m.setPriority(Priority::High);
    m.setEncoding(TransferEncoding::EightBit);
    QList<QByteArray> src = m.source();
    EXPECT_TRUE(src.contains("Importance: High"));
    EXPECT_TRUE(src.contains("X-Priority: 1"));
    EXPECT_TRUE(src.contains("Content-Transfer-Encoding: 8bit"));
    m.setPriority(Priority::Low);
    src = m.source();
    EXPECT_TRUE(src.contains("Importance: Low"));
    EXPECT_TRUE(src.contains("X-Priority: 5"));
}

TEST(MessageSource, QuotedPrintableBodyIsSevenBitAndShort) {
    MailMessage m = sample();
    m.buildFromText(QStringLiteral("Длинная строка ").repeated(20) + QStringLiteral("\r\n"));
    m.setEncoding(TransferEncoding::QuotedPrintable);
    const QList<QByteArray> src = m.source();
    EXPECT_TRUE(src.contains("Content-Transfer-Encoding: quoted-printable"));
    const qsizetype bodyStart = src.indexOf(QByteArray()) + 1;
    ASSERT_GT(src.size() - bodyStart, 1);
    for (qsizetype i = bodyStart; i < src.size(); ++i) {
        EXPECT_LE(src[i].size(), 76);
        for (char c : src[i]) EXPECT_LT(static_cast<unsigned char>(c), 128);
    }
}

TEST(MessageBuild, ResetsFieldsButKeepsCharsetAndEncodings) {
    MailMessage m = sample();
    m.setEncoding(TransferEncoding::QuotedPrintable);
    m.buildFromText(QStringLiteral("x"));
    EXPECT_EQ(m.charSet(), QStringLiteral("Windows-1251"));
    EXPECT_EQ(m.encoding(), TransferEncoding::QuotedPrintable);
    EXPECT_TRUE(m.subject().isEmpty());
    EXPECT_TRUE(m.toList().isEmpty());
    EXPECT_EQ(m.bodyLines(), QStringList{QStringLiteral("x")});
    m.reset();
    EXPECT_EQ(m.charSet(), QStringLiteral("iso-8859-1"));
    EXPECT_FALSE(m.hasBody());
}

TEST(MessageBuild, FinalLineBreakAddsNoEmptyLineButInnerOnesStay) {
    MailMessage m;
    m.buildFromText(QStringLiteral("a\r\n\r\nb\r\n"));
    EXPECT_EQ(m.bodyLines(), (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
}

TEST(MessageCharset, FallsBackToUtf8RatherThanLosingCharacters) {
    MailMessage m = sample();
    EXPECT_EQ(m.effectiveCharSet(), QStringLiteral("Windows-1251"));
    m.buildFromText(QStringLiteral("Привет 😀\r\n"));
    EXPECT_EQ(m.effectiveCharSet(), QStringLiteral("UTF-8"));
    const QList<QByteArray> src = m.source();
    EXPECT_TRUE(src.contains("\tcharset=\"UTF-8\""));
    EXPECT_EQ(src.last(), QStringLiteral("Привет 😀").toUtf8());
}

TEST(HeaderFields, InsertBeforeTheBlankLineUnlessPresent) {
    QList<QByteArray> lines = {"From: a@b.c", "x-mailer: Other", "", "body"};
    insertHeaderField(lines, "X-Mailer", "Lettrica");
    EXPECT_EQ(lines.size(), 4);
    insertHeaderField(lines, "Message-ID", "<1@h>");
    EXPECT_EQ(lines, (QList<QByteArray>{"From: a@b.c", "x-mailer: Other", "Message-ID: <1@h>", "", "body"}));
    // A body line that looks like a field does not count.
    QList<QByteArray> other = {"From: a@b.c", "", "X-Mailer: in the body"};
    insertHeaderField(other, "X-Mailer", "Lettrica");
    EXPECT_EQ(other[1], QByteArray("X-Mailer: Lettrica"));
}

TEST(HeaderFields, RemoveTakesTheContinuationLinesAlong) {
    QList<QByteArray> lines = {"From: a@b.c", "Bcc: x@y.z,", "\tw@v.u", "Subject: s", "", "Bcc: body"};
    removeHeaderField(lines, "bcc");
    EXPECT_EQ(lines, (QList<QByteArray>{"From: a@b.c", "Subject: s", "", "Bcc: body"}));
}

TEST(HeaderFields, NoBareLineBreakWhateverTheValue) {
    // Values made of pieces that could each end or split a header line.
    const QByteArray pieces[] = {"\r\n",  "\r",        "\n", QByteArray(1, '\0'),      "\t",        " ",
                                 "\x7f",  "\r\n\r\n", "word", "Bcc: evil@example.org", "=?x?Q?a?=", QByteArray(60, 'w')};
    QRandomGenerator rng(13);
    for (int round = 0; round < 3000; ++round) {
        QByteArray value;
        for (int i = rng.bounded(1, 80); i > 0; --i) value += pieces[rng.bounded(int(std::size(pieces)))];
        QList<QByteArray> lines;
        appendHeaderField(lines, "Subject", value);
        if (value.trimmed().isEmpty() && lines.isEmpty()) continue;
        ASSERT_FALSE(lines.isEmpty());
        ASSERT_TRUE(lines[0].startsWith("Subject: ")) << lines[0].constData();
        QByteArray kept;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QByteArray& l = lines[i];
            EXPECT_LE(l.size(), kMaxHeaderLineBytes);
            for (char c : l)
                ASSERT_TRUE((static_cast<unsigned char>(c) >= 32 && c != 127) || c == '\t') << value.toHex().constData();
            if (i > 0) {
                ASSERT_TRUE(l.startsWith('\t') || l.startsWith(' ')) << value.toHex().constData();
                ASSERT_FALSE(l.trimmed().isEmpty()) << value.toHex().constData();
            }
            for (char c : l)
                if (c != ' ' && c != '\t') kept += c;
        }
        // Only blanks and line breaks changed: every visible byte is there, in order.
        QByteArray visible;
        for (char c : "Subject:" + value)
            if (static_cast<unsigned char>(c) > 32 && c != 127) visible += c;
        EXPECT_EQ(kept, visible);
    }
}

TEST(HeaderFields, BccIsInTheSourceForTheClientToRemove) {
    MailMessage m = sample();
    m.setBccList({MailAddress{QString(), QStringLiteral("hidden@example.com")}});
    EXPECT_TRUE(m.source().contains("Bcc: hidden@example.com"));
}

TEST(MessageId, HasTheDocumentedShapeAndNeverRepeats) {
    const QByteArray a = makeMessageId(QStringLiteral("host.example"));
    const QByteArray b = makeMessageId(QStringLiteral("host.example"));
    static const QRegularExpression shape(QStringLiteral("^<[0-9A-F]{8}[0-9A-F]{12}([0-9A-F]{3,})([0-9A-F]{3,})@host\\.example>$"));
    EXPECT_TRUE(shape.match(QString::fromLatin1(a)).hasMatch()) << a.constData();
    EXPECT_TRUE(shape.match(QString::fromLatin1(b)).hasMatch()) << b.constData();
    EXPECT_NE(a, b);
    // The counter part: n then 2n, so consecutive ids differ there even
    // within one millisecond.
    const QByteArray tailA = a.mid(21, a.indexOf('@') - 21);
    const QByteArray tailB = b.mid(21, b.indexOf('@') - 21);
    EXPECT_NE(tailA, tailB);
    EXPECT_TRUE(makeMessageId(QStringLiteral("bad host!")).endsWith("@badhost>"));
    EXPECT_TRUE(makeMessageId(QString()).endsWith("@localhost>"));
}
