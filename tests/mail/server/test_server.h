#pragma once
// The real SMTP server of the mail tests (tests/mail/smtp_server.py under
// the system Python, which sees Debian's aiosmtpd and impacket), the
// certificates it serves (made with openssl for each test process), and a
// reader for what it stored.

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace mailtest {

// Certificates for localhost / 127.0.0.1 under a test CA, plus faulty ones.
struct Pki {
    QString dir;
    QString caCert;                     // the test CA (trusted only via SSL_CERT_FILE / SSL_CERT_DIR)
    QString caDir;                      // a folder holding only the CA, for SSL_CERT_DIR
    QString cert, key;                  // localhost and 127.0.0.1, signed by the CA
    QString wrongHostCert, wrongHostKey;  // wrong.example, signed by the CA
    QString selfSignedCert, selfSignedKey;  // localhost, signed by itself
    QString expiredCert, expiredKey;    // localhost, signed by the CA, expired in 2020
    static const Pki& get();            // made once per process
};

// Makes the test CA trusted through SSL_CERT_FILE (and clears SSL_CERT_DIR).
void trustTestCa();

// The message as stored: header lines as sent (folding kept) and body lines.
struct StoredMessage {
    QList<QByteArray> header;
    QList<QByteArray> body;
    // The field's value with its continuation lines (joined by CR LF), or a
    // null array when absent. Names are compared without regard to case.
    QByteArray field(const QByteArray& name) const;
    QList<QByteArray> fieldNames() const;
};
StoredMessage parseStored(const QByteArray& raw);

class TestServer {
public:
    // Starts the server with these arguments (host and port default to
    // 127.0.0.1 and a free port) and waits until it listens.
    explicit TestServer(const QStringList& args = {});
    ~TestServer();

    quint16 port() const { return port_; }
    bool ok() const { return port_ != 0; }
    QString failure() const { return failure_; }

    // Every event logged so far, or those of one kind ("message", "auth",
    // "command", "connect", "dropped").
    QList<QJsonObject> events(const QString& kind = {}) const;
    QList<QJsonObject> messages() const { return events(QStringLiteral("message")); }
    // The commands in the order received, as "VERB arg".
    QStringList commands() const;
    QByteArray raw(const QJsonObject& message) const;

private:
    QTemporaryDir out_;
    QProcess process_;
    quint16 port_ = 0;
    QString failure_;
};

// Bytes of a Windows-1251 text.
QByteArray cp1251(const QString& s);

// A TCP port nobody listens on right now.
quint16 freePort();

}  // namespace mailtest
