#pragma once
// The log-in mechanisms that need arithmetic: CRAM-MD5 (RFC 2195) and the
// client side of NTLMv2 (MS-NLMP), built on QtCore's MD4 and HMAC-MD5.

#include <QByteArray>
#include <QString>
#include <optional>

namespace lettrica::mail {

QByteArray hmacMd5(const QByteArray& key, const QByteArray& message);

// The CRAM-MD5 answer before base64: the user name, a blank and the
// HMAC-MD5 of the challenge keyed with the password, in lower-case hex.
QByteArray cramMd5Response(const QString& userName, const QString& password, const QByteArray& challenge);

namespace ntlm {

// The NEGOTIATE message (type 1).
QByteArray negotiateMessage();

struct Challenge {
    quint32 flags = 0;
    QByteArray serverChallenge;  // 8 bytes
    QByteArray targetInfo;       // the AV pairs, as received
    std::optional<QByteArray> timestamp;  // MsvAvTimestamp, when the server sent one
};

// Reads a CHALLENGE message (type 2); nothing when it is malformed.
std::optional<Challenge> parseChallenge(const QByteArray& message);

// NTOWFv2: HMAC-MD5 keyed with MD4 of the UTF-16LE password, over the
// upper-cased user and the domain in UTF-16LE.
QByteArray ntowfV2(const QString& user, const QString& password, const QString& domain);

struct Identity {
    QString user;  // "DOMAIN\user" is split; "user@domain" stays whole
    QString password;
    QString workstation;
};

// The AUTHENTICATE message (type 3) with the NTLMv2 responses.
// `clientChallenge` (8 bytes) and `now` (a FILETIME) are inputs so that
// tests can reproduce a message; callers pass random bytes and the clock.
QByteArray authenticateMessage(const Challenge& challenge, const Identity& identity,
                               const QByteArray& clientChallenge, quint64 now);

// The current time as a FILETIME (100 ns units since 1601).
quint64 fileTimeNow();

}  // namespace ntlm

}  // namespace lettrica::mail
