#include "mail/security_status.h"

namespace lettrica::mail::secstatus {

QString text(quint32 status) {
    switch (status) {
        case kInvalidToken: return QStringLiteral("The token supplied to the function is invalid");
        case kLogonDenied: return QStringLiteral("The logon attempt failed");
        case kNoAuthority: return QStringLiteral("No authority could be contacted for authentication");
        case kUnsupportedFunction: return QStringLiteral("The function requested is not supported");
        case kInternalError: return QStringLiteral("The Local Security Authority cannot be contacted");
        case kIllegalMessage: return QStringLiteral("The message received was unexpected or badly formatted");
        case kCertUnknown:
            return QStringLiteral("An unknown error occurred while processing the certificate");
        case kAlgorithmMismatch:
            return QStringLiteral(
                "The client and server cannot communicate, because they do not possess a common algorithm");
        case kCertExpired:
            return QStringLiteral(
                "A required certificate is not within its validity period when verifying against the current "
                "system clock or the timestamp in the signed file");
        case kCertRevoked: return QStringLiteral("A certificate was explicitly revoked by its issuer");
        case kUntrustedRoot:
            return QStringLiteral(
                "A certificate chain processed correctly, but terminated in a root certificate which is not "
                "trusted by the trust provider");
        case kChaining: return QStringLiteral("A certificate chain could not be built to a trusted root authority");
        case kCnNoMatch: return QStringLiteral("The certificate's CN name does not match the passed value");
        case kWrongUsage: return QStringLiteral("The certificate is not valid for the requested usage");
        case kCertSignature: return QStringLiteral("The signature of the certificate cannot be verified");
        default: break;
    }
    return QStringLiteral("The unknown error was occured: %1").arg(status, 0, 16);
}

MailError error(quint32 status, const QString& detail) {
    return MailError(MailError::Kind::Security, text(status), static_cast<int>(status), {}, detail);
}

}  // namespace lettrica::mail::secstatus
