// NTLMv2 against the published worked example of MS-NLMP (user "User",
// domain "Domain", password "Password") and the message layouts.

#include <QtEndian>
#include <gtest/gtest.h>

#include "mail/sasl.h"

using namespace lettrica::mail;

namespace {

QByteArray avPair(quint16 id, const QString& value) {
    QByteArray out(4, '\0');
    qToLittleEndian<quint16>(id, out.data());
    QByteArray text;
    for (QChar c : value) {
        text += static_cast<char>(c.unicode() & 0xFF);
        text += static_cast<char>(c.unicode() >> 8);
    }
    qToLittleEndian<quint16>(static_cast<quint16>(text.size()), out.data() + 2);
    return out + text;
}

// A CHALLENGE message with the example's server challenge and target info.
QByteArray exampleChallenge(const QByteArray& targetInfo, quint32 flags) {
    QByteArray m("NTLMSSP\0", 8);
    QByteArray field(4, '\0');
    qToLittleEndian<quint32>(2, field.data());
    m += field;
    QByteArray header(40 - 12, '\0');  // target name (empty), flags, challenge, reserved
    qToLittleEndian<quint32>(flags, header.data() + 8);
    const QByteArray challenge = QByteArray::fromHex("0123456789abcdef");
    std::copy(challenge.begin(), challenge.end(), header.begin() + 12);
    m += header;
    QByteArray info(8, '\0');
    qToLittleEndian<quint16>(static_cast<quint16>(targetInfo.size()), info.data());
    qToLittleEndian<quint16>(static_cast<quint16>(targetInfo.size()), info.data() + 2);
    qToLittleEndian<quint32>(48, info.data() + 4);
    return m + info + targetInfo;
}

struct Field {
    quint16 length;
    quint32 offset;
};
Field fieldAt(const QByteArray& m, int at) {
    return {qFromLittleEndian<quint16>(m.constData() + at), qFromLittleEndian<quint32>(m.constData() + at + 4)};
}
QByteArray payload(const QByteArray& m, int at) {
    const Field f = fieldAt(m, at);
    return m.mid(f.offset, f.length);
}

}  // namespace

TEST(Ntlm, NtowfV2OfThePublishedExample) {
    EXPECT_EQ(ntlm::ntowfV2(QStringLiteral("User"), QStringLiteral("Password"), QStringLiteral("Domain")).toHex(),
              QByteArray("0c868a403bfd7a93a3001ef22ef02e3f"));
}

TEST(Ntlm, NegotiateMessageAsksForNtlmAndUnicode) {
    const QByteArray m = ntlm::negotiateMessage();
    ASSERT_EQ(m.size(), 32);
    EXPECT_TRUE(m.startsWith(QByteArray("NTLMSSP\0", 8)));
    EXPECT_EQ(qFromLittleEndian<quint32>(m.constData() + 8), 1u);
    const quint32 flags = qFromLittleEndian<quint32>(m.constData() + 12);
    EXPECT_TRUE(flags & 0x00000001);  // Unicode
    EXPECT_TRUE(flags & 0x00000200);  // NTLM
    EXPECT_TRUE(flags & 0x00080000);  // extended session security
}

TEST(Ntlm, AuthenticateMessageReproducesThePublishedResponses) {
    const QByteArray targetInfo = avPair(2, QStringLiteral("Domain")) + avPair(1, QStringLiteral("Server")) +
                                  QByteArray(4, '\0');
    const auto challenge = ntlm::parseChallenge(exampleChallenge(targetInfo, 0xE28A8233));
    ASSERT_TRUE(challenge.has_value());
    EXPECT_EQ(challenge->serverChallenge.toHex(), QByteArray("0123456789abcdef"));
    EXPECT_EQ(challenge->targetInfo, targetInfo);
    EXPECT_FALSE(challenge->timestamp.has_value());

    const QByteArray m = ntlm::authenticateMessage(
        *challenge, {QStringLiteral("Domain\\User"), QStringLiteral("Password"), QStringLiteral("COMPUTER")},
        QByteArray(8, '\xaa'), 0);
    EXPECT_EQ(qFromLittleEndian<quint32>(m.constData() + 8), 3u);
    // LM, NT, domain, user, workstation: fields at 12, 20, 28, 36, 44.
    EXPECT_EQ(payload(m, 12).toHex(), QByteArray("86c35097ac9cec102554764a57cccc19aaaaaaaaaaaaaaaa"));
    const QByteArray nt = payload(m, 20);
    EXPECT_EQ(nt.left(16).toHex(), QByteArray("68cd0ab851e51c96aabc927bebef6a1c"));
    EXPECT_EQ(nt.mid(16, 8), QByteArray("\x01\x01\0\0\0\0\0\0", 8));
    EXPECT_EQ(nt.mid(16 + 28, targetInfo.size()), targetInfo);
    EXPECT_EQ(payload(m, 28), QByteArray("D\0o\0m\0a\0i\0n\0", 12));
    EXPECT_EQ(payload(m, 36), QByteArray("U\0s\0e\0r\0", 8));
    // Every payload lies inside the message.
    for (int at = 12; at <= 52; at += 8) {
        const Field f = fieldAt(m, at);
        EXPECT_LE(f.offset + f.length, static_cast<quint32>(m.size()));
    }
}

TEST(Ntlm, ServerTimestampIsUsedAndLmResponseZeroed) {
    QByteArray stamp(4, '\0');
    qToLittleEndian<quint16>(7, stamp.data());
    qToLittleEndian<quint16>(8, stamp.data() + 2);
    stamp += QByteArray::fromHex("0011223344556677");
    const QByteArray targetInfo = avPair(1, QStringLiteral("S")) + stamp + QByteArray(4, '\0');
    const auto challenge = ntlm::parseChallenge(exampleChallenge(targetInfo, 0x00000001));
    ASSERT_TRUE(challenge->timestamp.has_value());
    const QByteArray m = ntlm::authenticateMessage(*challenge, {QStringLiteral("u"), QStringLiteral("p"), {}},
                                                   QByteArray(8, 'c'), 12345);
    EXPECT_EQ(payload(m, 12), QByteArray(24, '\0'));
    EXPECT_EQ(payload(m, 20).mid(24, 8), QByteArray::fromHex("0011223344556677"));
}

TEST(Ntlm, MalformedChallengesAreRefused) {
    EXPECT_FALSE(ntlm::parseChallenge("NTLMSSP").has_value());
    EXPECT_FALSE(ntlm::parseChallenge(QByteArray(48, 'x')).has_value());
    QByteArray m = exampleChallenge(avPair(1, QStringLiteral("S")) + QByteArray(4, '\0'), 1);
    m.chop(6);  // the target info runs past the end
    EXPECT_FALSE(ntlm::parseChallenge(m).has_value());
    // A pair claiming more bytes than there are.
    QByteArray bad(4, '\0');
    qToLittleEndian<quint16>(1, bad.data());
    qToLittleEndian<quint16>(50, bad.data() + 2);
    EXPECT_FALSE(ntlm::parseChallenge(exampleChallenge(bad, 1)).has_value());
}
