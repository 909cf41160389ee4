#pragma once
// The byte pipe under the SMTP conversation: a name look-up, a TCP
// connection and TLS over QSslSocket. Every wait runs the Qt event loop,
// so windows keep repainting, and fails with "Timeout error occured" when
// nothing moves for the whole time-out.
//
// The conversation has no pipelining, so the pipe keeps only what the
// server sends after the last write has left: input that comes before or
// while bytes are written is dropped (and does not count as progress of
// the write). The server closing the connection, in order or not, is
// connectionClosedError().

#include <QByteArray>
#include <QDeadlineTimer>
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
    // Milliseconds that the answer to one write (or the first bytes after
    // connecting or the handshake) may take in all, however steadily it
    // trickles in.
    void setReplyTimeLimit(int milliseconds) { replyTimeLimit_ = milliseconds; }

    // Looks the server up (a literal address is taken as it is; of a name,
    // the first IPv4 address) and connects.
    void connectTo(const QString& server, quint16 port);
    // TLS on the open connection, verifying the certificate for `peerName`.
    void startTls(const QString& peerName);

    // Drops the input that has arrived, writes and waits until the bytes
    // have left; the reply clock starts then.
    void write(const QByteArray& bytes);
    // Waits for and returns the bytes that arrived (at least one). Fails
    // with replyTooSlowError when it would wait beyond the reply time limit.
    QByteArray read();

    // Drops the connection at once.
    void abort();
    // Ends the wait in progress, and every later one until the next
    // connectTo(), with cancelledError(); the connection is dropped. Safe to
    // call from an event handler that runs inside a wait.
    void cancel();
    bool isOpen() const;
    bool isEncrypted() const { return socket_.isEncrypted(); }

    QHostAddress resolve(const QString& server);

private:
    template <class Done>
    void wait(Done done, bool replyClock = false);
    void progress();
    void dropInput();
    void startReplyClock();
    [[noreturn]] void throwSocketError();

    QSslSocket socket_;
    int timeout_ = 60000;
    int replyTimeLimit_ = 600000;
    QDeadlineTimer replyDeadline_;
    bool writing_ = false;
    QEventLoop* loop_ = nullptr;
    QTimer* timer_ = nullptr;
    std::optional<QAbstractSocket::SocketError> socketError_;
    QString socketErrorText_;
    QList<QSslError> sslErrors_;
    bool handshaking_ = false;
    bool cancelled_ = false;
    std::optional<QHostInfo> lookup_;
    quint64 lookupGeneration_ = 0;
};

// The error for a socket failure: the system's text for the matching error
// number (at most 256 characters) and that number as the code.
MailError socketError(QAbstractSocket::SocketError error, const QString& libraryText);

}  // namespace lettrica::mail
