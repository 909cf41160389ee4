#pragma once
// Security failures (TLS, certificates, NTLM) carry a status code from the
// published SEC_E_ / CERT_E_ families and an English sentence for it, so
// that a failure reads the same whatever library found it.

#include <QString>

#include "mail/mail_error.h"

namespace lettrica::mail::secstatus {

constexpr quint32 kInvalidToken = 0x80090308;
constexpr quint32 kLogonDenied = 0x8009030C;
constexpr quint32 kNoAuthority = 0x80090311;
constexpr quint32 kUnsupportedFunction = 0x80090302;
constexpr quint32 kInternalError = 0x80090304;
constexpr quint32 kIllegalMessage = 0x80090326;
constexpr quint32 kCertUnknown = 0x80090327;
constexpr quint32 kAlgorithmMismatch = 0x80090331;
constexpr quint32 kCertExpired = 0x800B0101;
constexpr quint32 kCertRevoked = 0x800B010C;
constexpr quint32 kUntrustedRoot = 0x800B0109;
constexpr quint32 kChaining = 0x800B010A;
constexpr quint32 kCnNoMatch = 0x800B010F;
constexpr quint32 kWrongUsage = 0x800B0110;
constexpr quint32 kCertSignature = 0x80096004;

// The sentence for a status; an unknown one gives
// "The unknown error was occured: <hex>".
QString text(quint32 status);

// A Kind::Security error for that status.
MailError error(quint32 status, const QString& detail = {});

}  // namespace lettrica::mail::secstatus
