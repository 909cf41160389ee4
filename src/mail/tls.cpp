#include "mail/tls.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSslSocket>
#include <algorithm>

#include "mail/security_status.h"

namespace lettrica::mail {

namespace {

QList<QSslCertificate> certificatesIn(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = file.readAll();
    QList<QSslCertificate> certs = QSslCertificate::fromData(data, QSsl::Pem);
    if (certs.isEmpty()) certs = QSslCertificate::fromData(data, QSsl::Der);
    return certs;
}

quint32 statusOf(QSslError::SslError e) {
    switch (e) {
        case QSslError::SelfSignedCertificate:
        case QSslError::SelfSignedCertificateInChain:
        case QSslError::CertificateUntrusted:
        case QSslError::CertificateRejected:
            return secstatus::kUntrustedRoot;
        case QSslError::UnableToGetIssuerCertificate:
        case QSslError::UnableToGetLocalIssuerCertificate:
        case QSslError::UnableToVerifyFirstCertificate:
        case QSslError::PathLengthExceeded:
        case QSslError::InvalidCaCertificate:
            return secstatus::kChaining;
        case QSslError::CertificateNotYetValid:
        case QSslError::CertificateExpired:
        case QSslError::InvalidNotBeforeField:
        case QSslError::InvalidNotAfterField:
            return secstatus::kCertExpired;
        case QSslError::CertificateRevoked:
            return secstatus::kCertRevoked;
        case QSslError::InvalidPurpose:
            return secstatus::kWrongUsage;
        case QSslError::UnableToDecryptCertificateSignature:
        case QSslError::UnableToDecodeIssuerPublicKey:
        case QSslError::CertificateSignatureFailed:
        case QSslError::SubjectIssuerMismatch:
        case QSslError::AuthorityIssuerSerialNumberMismatch:
            return secstatus::kCertSignature;
        case QSslError::HostNameMismatch:
            return secstatus::kCnNoMatch;
        default:
            return secstatus::kCertUnknown;
    }
}

int rank(quint32 status) {
    static const quint32 order[] = {secstatus::kUntrustedRoot, secstatus::kChaining,     secstatus::kCertSignature,
                                    secstatus::kCertExpired,   secstatus::kCertRevoked,  secstatus::kWrongUsage,
                                    secstatus::kCnNoMatch,     secstatus::kCertUnknown};
    const auto* it = std::find(std::begin(order), std::end(order), status);
    return static_cast<int>(it - std::begin(order));
}

}  // namespace

QList<QSslCertificate> trustedCertificates() {
    QList<QSslCertificate> certs = QSslConfiguration::systemCaCertificates();
    const QString file = qEnvironmentVariable("SSL_CERT_FILE");
    if (!file.isEmpty()) certs += certificatesIn(file);
    const QString dirs = qEnvironmentVariable("SSL_CERT_DIR");
    for (const QString& dir : dirs.split(u':', Qt::SkipEmptyParts)) {
        const QFileInfoList entries = QDir(dir).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
        for (const QFileInfo& entry : entries) certs += certificatesIn(entry.filePath());
    }
    return certs;
}

QSslConfiguration clientTlsConfiguration() {
    QSslConfiguration conf = QSslConfiguration::defaultConfiguration();
    conf.setProtocol(QSsl::TlsV1_2OrLater);
    conf.setCaCertificates(trustedCertificates());
    conf.setPeerVerifyMode(QSslSocket::VerifyPeer);
    conf.setPeerVerifyDepth(0);
    return conf;
}

MailError certificateError(const QList<QSslError>& errors) {
    quint32 worst = secstatus::kCertUnknown;
    QStringList details;
    for (const QSslError& e : errors) {
        const quint32 s = statusOf(e.error());
        if (rank(s) < rank(worst)) worst = s;
        details.append(e.errorString());
    }
    return secstatus::error(worst, details.join(QLatin1String("; ")));
}

MailError handshakeError(const QString& libraryText) {
    const QString t = libraryText.toLower();
    quint32 status = secstatus::kIllegalMessage;
    if (t.contains(QLatin1String("protocol version")) || t.contains(QLatin1String("unsupported protocol")) ||
        t.contains(QLatin1String("no protocols available")) || t.contains(QLatin1String("no shared cipher")) ||
        t.contains(QLatin1String("handshake failure")))
        status = secstatus::kAlgorithmMismatch;
    return secstatus::error(status, libraryText);
}

}  // namespace lettrica::mail
