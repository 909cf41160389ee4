#pragma once
// The byte pipe under the SMTP conversation: a name look-up, a TCP
// connection and TLS over QSslSocket. Every wait runs the Qt event loop,
// so windows keep repainting, and fails with "Timeout error occured" when
// nothing moves for the whole time-out.

#include <QByteArray>
#include <QHostAddress>
#include <QHostInfo>
#include <QList>
#include <QObject>
#include <QSslError>
#include <QSslSocket>
#include <QString>
#include <optional>

#include "mail/mail_error.h"

class QEventLoop;
class QTimer;

namespace lettrica::mail {

class Transport : public QObject {
    Q_OBJECT
public:
    explicit Transport(QObject* parent = nullptr);
    ~Transport() override;

    // Milliseconds without progress before a wait fails.
    void setTimeout(int milliseconds) { timeout_ = milliseconds; }

    // Looks the server up (a literal address is taken as it is; of a name,
    // the first IPv4 address) and connects.
    void connectTo(const QString& server, quint16 port);
    // TLS on the open connection, verifying the certificate for `peerName`.
    void startTls(const QString& peerName);

    // Writes and waits until the bytes have left.
    void write(const QByteArray& bytes);
    // Waits for and returns the bytes that arrived (at least one).
    QByteArray read();

    // Drops the connection at once.
    void abort();
    bool isOpen() const;
    bool isEncrypted() const { return socket_.isEncrypted(); }

    QHostAddress resolve(const QString& server);

private:
    template <class Done>
    void wait(Done done);
    void progress();
    void throwSocketError();

    QSslSocket socket_;
    int timeout_ = 60000;
    QEventLoop* loop_ = nullptr;
    QTimer* timer_ = nullptr;
    std::optional<QAbstractSocket::SocketError> socketError_;
    QString socketErrorText_;
    QList<QSslError> sslErrors_;
    bool handshaking_ = false;
    std::optional<QHostInfo> lookup_;
    quint64 lookupGeneration_ = 0;
};

// The error for a socket failure: the system's text for the matching error
// number (at most 256 characters) and that number as the code.
MailError socketError(QAbstractSocket::SocketError error, const QString& libraryText);

}  // namespace lettrica::mail
