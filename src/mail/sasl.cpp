#include "mail/sasl.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QMessageAuthenticationCode>
#include <QtEndian>

namespace lettrica::mail {

QByteArray hmacMd5(const QByteArray& key, const QByteArray& message) {
    return QMessageAuthenticationCode::hash(message, key, QCryptographicHash::Md5);
}

QByteArray cramMd5Response(const QString& userName, const QString& password, const QByteArray& challenge) {
    return userName.toUtf8() + ' ' + hmacMd5(password.toUtf8(), challenge).toHex();
}

namespace ntlm {

namespace {

constexpr quint32 kUnicode = 0x00000001;
constexpr quint32 kOem = 0x00000002;
constexpr quint32 kRequestTarget = 0x00000004;
constexpr quint32 kNtlm = 0x00000200;
constexpr quint32 kAlwaysSign = 0x00008000;
constexpr quint32 kExtendedSessionSecurity = 0x00080000;
constexpr quint32 kTargetInfo = 0x00800000;
constexpr quint32 k128 = 0x20000000;
constexpr quint32 k56 = 0x80000000;
constexpr quint32 kOurFlags =
    kUnicode | kOem | kRequestTarget | kNtlm | kAlwaysSign | kExtendedSessionSecurity | k128 | k56;

const QByteArray kSignature("NTLMSSP\0", 8);

void put16(QByteArray& b, quint16 v) {
    char x[2];
    qToLittleEndian(v, x);
    b.append(x, 2);
}
void put32(QByteArray& b, quint32 v) {
    char x[4];
    qToLittleEndian(v, x);
    b.append(x, 4);
}
void put64(QByteArray& b, quint64 v) {
    char x[8];
    qToLittleEndian(v, x);
    b.append(x, 8);
}
quint16 get16(const QByteArray& b, qsizetype at) { return qFromLittleEndian<quint16>(b.constData() + at); }
quint32 get32(const QByteArray& b, qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); }

QByteArray utf16le(const QString& s) {
    QByteArray out;
    out.reserve(s.size() * 2);
    for (QChar c : s) put16(out, c.unicode());
    return out;
}

}  // namespace

QByteArray negotiateMessage() {
    QByteArray m = kSignature;
    put32(m, 1);
    put32(m, kOurFlags);
    // No domain and no workstation supplied: empty fields at the end.
    for (int i = 0; i < 2; ++i) {
        put16(m, 0);
        put16(m, 0);
        put32(m, 32);
    }
    return m;
}

std::optional<Challenge> parseChallenge(const QByteArray& m) {
    if (m.size() < 32 || !m.startsWith(kSignature) || get32(m, 8) != 2) return std::nullopt;
    Challenge c;
    c.flags = get32(m, 20);
    c.serverChallenge = m.mid(24, 8);
    if (m.size() >= 48) {
        const quint16 len = get16(m, 40);
        const quint32 offset = get32(m, 44);
        if (len > 0) {
            if (offset > static_cast<quint32>(m.size()) || len > m.size() - offset) return std::nullopt;
            c.targetInfo = m.mid(offset, len);
        }
    }
    // Walk the AV pairs: they must be well formed, and the timestamp is used.
    qsizetype at = 0;
    while (at < c.targetInfo.size()) {
        if (at + 4 > c.targetInfo.size()) return std::nullopt;
        const quint16 id = get16(c.targetInfo, at);
        const quint16 len = get16(c.targetInfo, at + 2);
        if (at + 4 + len > c.targetInfo.size()) return std::nullopt;
        if (id == 0) break;
        if (id == 7 && len == 8) c.timestamp = c.targetInfo.mid(at + 4, 8);
        at += 4 + len;
    }
    return c;
}

QByteArray ntowfV2(const QString& user, const QString& password, const QString& domain) {
    const QByteArray ntHash = QCryptographicHash::hash(utf16le(password), QCryptographicHash::Md4);
    return hmacMd5(ntHash, utf16le(user.toUpper()) + utf16le(domain));
}

quint64 fileTimeNow() {
    // 100 ns units between 1601-01-01 and 1970-01-01.
    constexpr quint64 kEpochDelta = 116444736000000000ULL;
    return kEpochDelta + static_cast<quint64>(QDateTime::currentMSecsSinceEpoch()) * 10000ULL;
}

QByteArray authenticateMessage(const Challenge& challenge, const Identity& identity,
                               const QByteArray& clientChallenge, quint64 now) {
    QString user = identity.user;
    QString domain;
    if (const qsizetype slash = user.indexOf(u'\\'); slash >= 0) {
        domain = user.left(slash);
        user = user.mid(slash + 1);
    }

    const QByteArray key = ntowfV2(user, identity.password, domain);
    QByteArray stamp;
    if (challenge.timestamp) stamp = *challenge.timestamp;
    else put64(stamp, now);

    QByteArray blob("\x01\x01\0\0\0\0\0\0", 8);
    blob += stamp + clientChallenge + QByteArray(4, '\0') + challenge.targetInfo + QByteArray(4, '\0');
    const QByteArray proof = hmacMd5(key, challenge.serverChallenge + blob);
    const QByteArray ntResponse = proof + blob;
    // With a server timestamp the LMv2 response is sent as zeros.
    const QByteArray lmResponse = challenge.timestamp
                                      ? QByteArray(24, '\0')
                                      : hmacMd5(key, challenge.serverChallenge + clientChallenge) + clientChallenge;

    const bool unicode = challenge.flags & kUnicode;
    auto text = [&](const QString& s) { return unicode ? utf16le(s) : s.toLatin1(); };
    const quint32 flags = (challenge.flags & kOurFlags) | (unicode ? kUnicode : kOem) |
                          (challenge.flags & kTargetInfo);

    const QByteArray fields[] = {lmResponse, ntResponse, text(domain), text(user), text(identity.workstation),
                                 QByteArray()};
    // Payload order: domain, user, workstation, LM, NT, session key.
    const int order[] = {2, 3, 4, 0, 1, 5};
    quint32 offsets[6];
    quint32 offset = 64;
    for (int i : order) {
        offsets[i] = offset;
        offset += static_cast<quint32>(fields[i].size());
    }
    QByteArray m = kSignature;
    put32(m, 3);
    for (int i = 0; i < 6; ++i) {
        put16(m, static_cast<quint16>(fields[i].size()));
        put16(m, static_cast<quint16>(fields[i].size()));
        put32(m, offsets[i]);
    }
    put32(m, flags);
    for (int i : order) m += fields[i];
    return m;
}

}  // namespace ntlm

}  // namespace lettrica::mail
