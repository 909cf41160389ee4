// Header texts as RFC 2047 encoded words: the method, the Q alphabet and
// the cutting of long texts into several words.

#include <QRandomGenerator>
#include <gtest/gtest.h>

#include "mail/mime_encoding.h"
#include "mail_test_util.h"

using namespace lettrica::mail;

TEST(HeaderEncodingChoice, FollowsTheByteScan) {
    EXPECT_EQ(chooseHeaderEncoding("From Your_Name"), TransferEncoding::None);
    EXPECT_EQ(chooseHeaderEncoding(QByteArray(76, 'a')), TransferEncoding::None);
    EXPECT_EQ(chooseHeaderEncoding(QByteArray(77, 'a')), TransferEncoding::QuotedPrintable);
    EXPECT_EQ(chooseHeaderEncoding(QByteArray(70, 'a') + "\r\n" + QByteArray(70, 'a')), TransferEncoding::None);
    EXPECT_EQ(chooseHeaderEncoding("tab\there"), TransferEncoding::Base64);
    // Exactly half the bytes above 126 is still Q; more than half is B.
    EXPECT_EQ(chooseHeaderEncoding(cp1251(QStringLiteral("abcdИван"))), TransferEncoding::QuotedPrintable);
    EXPECT_EQ(chooseHeaderEncoding(cp1251(QStringLiteral("abcИван"))), TransferEncoding::Base64);
}

TEST(HeaderEncoding, QKeepsOnlySafeCharacters) {
    EXPECT_EQ(encodeQ("Az09!*+-/"), QByteArray("Az09!*+-/"));
    EXPECT_EQ(encodeQ("a b"), QByteArray("a_b"));
    // "_" would read back as a blank, "?=" would end the word, and the
    // specials would split an address list.
    EXPECT_EQ(encodeQ("a_b?=c"), QByteArray("a=5Fb=3F=3Dc"));
    EXPECT_EQ(encodeQ(",;<>\"@()."), QByteArray("=2C=3B=3C=3E=22=40=28=29=2E"));
    EXPECT_EQ(encodeQ("\xC8\xE2"), QByteArray("=C8=E2"));
}

TEST(HeaderEncoding, ShortAsciiStaysAsItIs) {
    EXPECT_EQ(encodeHeaderText(QStringLiteral("  From Your_Name "), QStringLiteral("Windows-1251"), 67),
              QByteArray("From Your_Name"));
}

TEST(HeaderEncoding, CyrillicBecomesQOrBByTheShareOfHighBytes) {
    EXPECT_EQ(encodeHeaderText(QStringLiteral("From Иван"), QStringLiteral("Windows-1251"), 67),
              QByteArray("=?Windows-1251?Q?From_=C8=E2=E0=ED?="));
    EXPECT_EQ(encodeHeaderText(QStringLiteral("Иван"), QStringLiteral("Windows-1251"), 67),
              "=?Windows-1251?B?" + cp1251(QStringLiteral("Иван")).toBase64() + "?=");
}

TEST(HeaderEncoding, LongAsciiSubjectBecomesSeveralQWords) {
    // 80 characters: one word would be 99 long, so two words of 40.
    QString subject = QStringLiteral("Plain ASCII subject ").repeated(4);
    subject.back() = u'!';
    const QByteArray encoded = encodeHeaderText(subject, QStringLiteral("Windows-1251"), 67);
    const QList<QByteArray> words = encoded.split('\n');
    ASSERT_EQ(words.size(), 2);
    for (const QByteArray& w : words) EXPECT_TRUE(w.trimmed().startsWith("=?Windows-1251?Q?")) << w.constData();
    EXPECT_EQ(decodeWords(encoded), subject.toLatin1());
    EXPECT_TRUE(words[0].endsWith("?=\r"));
}

TEST(HeaderEncoding, LongCyrillicTextIsCutIntoEqualPieces) {
    QString text = QStringLiteral("Съешь же ещё этих мягких французских булок, да выпей чаю. ").repeated(3);
    text.chop(1);
    const QByteArray bytes = cp1251(text);
    const QByteArray encoded = encodeHeaderText(text, QStringLiteral("Windows-1251"), 67);
    const QList<QByteArray> words = encoded.split('\n');
    ASSERT_GT(words.size(), 3);
    EXPECT_EQ(decodeWords(encoded), bytes);
    // All pieces but a short last one hold the same number of characters.
    const qsizetype first = decodeWord(words[0].trimmed()).size();
    for (qsizetype i = 1; i + 1 < words.size(); ++i) EXPECT_EQ(decodeWord(words[i].trimmed()).size(), first);
    EXPECT_LE(decodeWord(words.last().trimmed()).size(), first);
}

TEST(HeaderEncoding, TinyOrNegativeLimitsStillGiveValidWords) {
    const QByteArray encoded = encodeHeaderText(QStringLiteral("Привет"), QStringLiteral("Windows-1251"), -20);
    EXPECT_EQ(decodeWords(encoded), cp1251(QStringLiteral("Привет")));
}

TEST(HeaderEncoding, LineBreaksInsideTheTextBecomeBlanks) {
    EXPECT_EQ(encodeHeaderText(QStringLiteral("one\r\ntwo\nthree"), QStringLiteral("Windows-1251"), 67),
              QByteArray("one two three"));
}

TEST(HeaderEncoding, TextOutsideTheCharsetGoesAsUtf8WithoutSplittingCharacters) {
    QString text = QStringLiteral("Привет 😀 ").repeated(6);
    text.chop(1);
    const QByteArray encoded = encodeHeaderText(text, QStringLiteral("Windows-1251"), 40);
    EXPECT_TRUE(encoded.startsWith("=?UTF-8?")) << encoded.constData();
    for (const QByteArray& w : encoded.split('\n')) {
        // Every word must hold whole characters on its own.
        const QByteArray piece = decodeWord(w.trimmed());
        EXPECT_EQ(QString::fromUtf8(piece).toUtf8(), piece);
    }
    EXPECT_EQ(QString::fromUtf8(decodeWords(encoded)), text);
}

TEST(BodyEncoding, QuotedPrintableLinesStayShortAndDecodeBack) {
    const QByteArray line = cp1251(QStringLiteral("Длинная строка = с пробелом в конце ")).repeated(4);
    const QList<QByteArray> out = quotedPrintableLines(line);
    ASSERT_GT(out.size(), 1);
    QByteArray decoded;
    for (qsizetype i = 0; i < out.size(); ++i) {
        EXPECT_LE(out[i].size(), 76);
        QByteArray l = out[i];
        const bool soft = i + 1 < out.size();
        if (soft) {
            ASSERT_TRUE(l.endsWith('='));
            l.chop(1);
        }
        for (qsizetype j = 0; j < l.size(); ++j) {
            if (l[j] == '=') {
                decoded += static_cast<char>(l.mid(j + 1, 2).toInt(nullptr, 16));
                j += 2;
            } else decoded += l[j];
        }
    }
    EXPECT_EQ(decoded, line);
    // A blank at the end of the line is encoded so transport cannot strip it.
    EXPECT_TRUE(out.last().endsWith("=20"));
    EXPECT_EQ(quotedPrintableLines(QByteArray()), QList<QByteArray>{QByteArray()});
}

TEST(HeaderEncoding, EveryWordFitsTheRfcLimitAndDecodesBack) {
    // Random texts of every mix, at the limits the message uses and at
    // silly ones: each encoded word holds at most 75 characters and the
    // words decode to the text.
    const QString alphabet = QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюяАБВЯЁ") +
                             QStringLiteral("abcxyzABCXYZ0123456789     .,;:=?_-\"()<>@");
    const QString emoji = QStringLiteral("😀");
    QRandomGenerator rng(17);
    for (int round = 0; round < 3000; ++round) {
        QString text;
        for (int i = rng.bounded(1, 300); i > 0; --i) text += alphabet[rng.bounded(int(alphabet.size()))];
        if (round % 5 == 0) text.insert(rng.bounded(int(text.size())), emoji);  // forces UTF-8
        const int limits[] = {67, 70, 72, 40, 10, 1, -20};
        const int limit = limits[rng.bounded(int(std::size(limits)))];
        const QByteArray encoded = encodeHeaderText(text, QStringLiteral("Windows-1251"), limit);
        if (!encoded.startsWith("=?")) {
            EXPECT_EQ(encoded, text.trimmed().toLatin1());
            continue;
        }
        const bool utf8 = encoded.startsWith("=?UTF-8?");
        for (const QByteArray& w : encoded.split('\n')) EXPECT_LE(w.trimmed().size(), kMaxEncodedWord) << w.constData();
        EXPECT_EQ(decodeWords(encoded), utf8 ? text.toUtf8() : cp1251(text)) << encoded.constData();
    }
}
