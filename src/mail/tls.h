#pragma once
// TLS for the SMTP client: which certificates are trusted, how the client
// side is configured, and how a failed handshake or verification is worded.

#include <QList>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QString>

#include "mail/mail_error.h"

namespace lettrica::mail {

// Protocol versions a caller may allow. SSL 2.0 and 3.0 are never offered
// whatever is asked (insecure, refused by every current server); TLS means
// TLS 1.2 or later.
enum TlsFlag : int { TlsFlagSsl2 = 1, TlsFlagSsl3 = 2, TlsFlagTls = 4 };

// The system's CA store plus the certificates named by SSL_CERT_FILE (a PEM
// file) and SSL_CERT_DIR (a colon-separated list of folders of PEM files),
// read at each call so that a change of the environment takes effect.
QList<QSslCertificate> trustedCertificates();

// The client configuration: TLS 1.2 or later, the trusted set above, the
// peer always verified.
QSslConfiguration clientTlsConfiguration();

// The error for a certificate the verification refused. With several
// faults the chain's trust is reported before dates, usage and the name.
MailError certificateError(const QList<QSslError>& errors);

// The error for a handshake that failed without a certificate verdict
// (no common protocol version, a peer that does not speak TLS ...).
MailError handshakeError(const QString& libraryText);

}  // namespace lettrica::mail
