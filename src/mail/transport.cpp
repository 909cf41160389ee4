#include "mail/transport.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostInfo>
#include <QScopeGuard>
#include <QTimer>
#include <netdb.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "mail/tls.h"

namespace lettrica::mail {

namespace {

int errnoOf(QAbstractSocket::SocketError e) {
    switch (e) {
        case QAbstractSocket::ConnectionRefusedError: return ECONNREFUSED;
        case QAbstractSocket::RemoteHostClosedError: return ECONNRESET;
        case QAbstractSocket::HostNotFoundError: return EHOSTUNREACH;
        case QAbstractSocket::SocketAccessError: return EACCES;
        case QAbstractSocket::SocketResourceError: return EMFILE;
        case QAbstractSocket::SocketTimeoutError: return ETIMEDOUT;
        case QAbstractSocket::NetworkError: return ENETUNREACH;
        case QAbstractSocket::AddressInUseError: return EADDRINUSE;
        case QAbstractSocket::SocketAddressNotAvailableError: return EADDRNOTAVAIL;
        case QAbstractSocket::UnsupportedSocketOperationError: return EAFNOSUPPORT;
        default: return EIO;
    }
}

// Restores the members a wait points at, however it ends.
struct WaitScope {
    QEventLoop*& loop;
    QTimer*& timer;
    ~WaitScope() {
        loop = nullptr;
        timer = nullptr;
    }
};

}  // namespace

MailError socketError(QAbstractSocket::SocketError error, const QString& libraryText) {
    const int number = errnoOf(error);
    const QString text = QString::fromLocal8Bit(std::strerror(number)).left(256).trimmed();
    return MailError(MailError::Kind::Socket, text, number, {}, libraryText);
}

Transport::Transport(QObject* parent) : QObject(parent) {
    connect(&socket_, &QSslSocket::readyRead, this, [this] {
        // Input while a write is still leaving answers nothing yet.
        if (writing_ && socket_.bytesToWrite() + socket_.encryptedBytesToWrite() > 0) {
            dropInput();
            return;
        }
        progress();
    });
    connect(&socket_, &QSslSocket::connected, this, &Transport::progress);
    connect(&socket_, &QSslSocket::encrypted, this, &Transport::progress);
    connect(&socket_, &QSslSocket::disconnected, this, &Transport::progress);
    connect(&socket_, &QSslSocket::bytesWritten, this, &Transport::progress);
    connect(&socket_, &QSslSocket::encryptedBytesWritten, this, &Transport::progress);
    connect(&socket_, &QSslSocket::stateChanged, this, &Transport::progress);
    connect(&socket_, &QSslSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        if (!socketError_) {
            socketError_ = e;
            socketErrorText_ = socket_.errorString();
        }
        progress();
    });
    connect(&socket_, &QSslSocket::sslErrors, this, [this](const QList<QSslError>& errors) {
        sslErrors_ += errors;
        progress();
    });
}

Transport::~Transport() { socket_.abort(); }

void Transport::progress() {
    if (timer_) timer_->start(timeout_);
    if (loop_) loop_->quit();
}

void Transport::dropInput() { socket_.skip(socket_.bytesAvailable()); }

void Transport::startReplyClock() { replyDeadline_.setRemainingTime(replyTimeLimit_); }

template <class Done>
void Transport::wait(Done done, bool replyClock) {
    QEventLoop loop;
    // Each timer ends the wait with its own flag set.
    auto alarm = [&loop](QTimer& timer, bool& rang) {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, [&loop, &rang] {
            rang = true;
            loop.quit();
        });
    };
    QTimer timer;    // restarted by every progress
    QTimer overall;  // the reply clock: never restarted
    bool timedOut = false;
    bool overdue = false;
    alarm(timer, timedOut);
    alarm(overall, overdue);
    loop_ = &loop;
    timer_ = &timer;
    WaitScope scope{loop_, timer_};
    timer.start(timeout_);
    if (replyClock) overall.start(std::max<qint64>(0, replyDeadline_.remainingTime()));
    for (;;) {
        // A cancel may be what ended the wait (an aborted socket has nothing left to write).
        if (cancelled_) throw cancelledError();
        if (done()) return;
        if (socketError_) throwSocketError();
        if (timedOut) throw timeoutError();
        if (overdue) throw replyTooSlowError(replyTimeLimit_);
        loop.exec();
    }
}

void Transport::throwSocketError() {
    if (handshaking_ || !sslErrors_.isEmpty()) {
        if (!sslErrors_.isEmpty()) throw certificateError(sslErrors_);
        switch (*socketError_) {
            case QAbstractSocket::SslHandshakeFailedError:
            case QAbstractSocket::SslInternalError:
            case QAbstractSocket::SslInvalidUserDataError:
                throw handshakeError(socketErrorText_);
            case QAbstractSocket::RemoteHostClosedError:
                // The peer hung up in the middle of the handshake.
                throw handshakeError(socketErrorText_);
            default:
                break;
        }
    }
    if (*socketError_ == QAbstractSocket::RemoteHostClosedError) throw connectionClosedError(socketErrorText_);
    throw socketError(*socketError_, socketErrorText_);
}

QHostAddress Transport::resolve(const QString& server) {
    QHostAddress literal;
    if (literal.setAddress(server)) return literal;

    // The answer lands in a member, tagged with the look-up it answers, so
    // that a late answer to an abandoned look-up never counts.
    lookup_.reset();
    const quint64 generation = ++lookupGeneration_;
    const int id = QHostInfo::lookupHost(server, this, [this, generation](const QHostInfo& info) {
        if (generation != lookupGeneration_) return;
        lookup_ = info;
        progress();
    });
    try {
        wait([&] { return lookup_.has_value(); });
    } catch (...) {
        ++lookupGeneration_;
        QHostInfo::abortHostLookup(id);
        throw;
    }
    const QHostInfo* result = &*lookup_;
    if (result->error() != QHostInfo::NoError || result->addresses().isEmpty()) {
        // The resolver's own numbers and texts (netdb.h).
        const int number = result->error() == QHostInfo::UnknownError ? TRY_AGAIN : HOST_NOT_FOUND;
        throw MailError(MailError::Kind::Socket, QString::fromLocal8Bit(hstrerror(number)), number, {},
                        result->errorString());
    }
    for (const QHostAddress& a : result->addresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol) return a;
    return result->addresses().first();
}

void Transport::connectTo(const QString& server, quint16 port) {
    cancelled_ = false;
    socket_.abort();
    socketError_.reset();
    sslErrors_.clear();
    handshaking_ = false;
    const QHostAddress address = resolve(server);
    socket_.connectToHost(address, port);
    wait([&] { return socket_.state() == QAbstractSocket::ConnectedState; });
    startReplyClock();
}

void Transport::startTls(const QString& peerName) {
    socket_.setSslConfiguration(clientTlsConfiguration());
    socket_.setPeerVerifyName(peerName);
    sslErrors_.clear();
    handshaking_ = true;
    socket_.startClientEncryption();
    wait([&] { return socket_.isEncrypted(); });
    handshaking_ = false;
    startReplyClock();
}

void Transport::write(const QByteArray& bytes) {
    if (cancelled_) throw cancelledError();
    if (socketError_) throwSocketError();
    writing_ = true;
    const auto notWriting = qScopeGuard([this] { writing_ = false; });
    // What the kernel holds already is stale too: let Qt read it, then drop it.
    dropInput();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    dropInput();
    if (cancelled_) throw cancelledError();
    if (socketError_) throwSocketError();
    if (socket_.write(bytes) != bytes.size()) {
        if (!socketError_) {
            socketError_ = QAbstractSocket::RemoteHostClosedError;
            socketErrorText_ = socket_.errorString();
        }
        throwSocketError();
    }
    wait([&] { return socket_.bytesToWrite() == 0 && socket_.encryptedBytesToWrite() == 0; });
    startReplyClock();
}

QByteArray Transport::read() {
    wait([&] { return socket_.bytesAvailable() > 0 || socket_.state() == QAbstractSocket::UnconnectedState; },
         true);
    if (socket_.bytesAvailable() == 0) {
        if (socketError_) throwSocketError();
        throw connectionClosedError(socket_.errorString());
    }
    return socket_.readAll();
}

void Transport::abort() {
    socket_.abort();
    socketError_.reset();
    sslErrors_.clear();
    handshaking_ = false;
}

void Transport::cancel() {
    cancelled_ = true;
    socket_.abort();
    // Wakes the wait in progress, a look-up's too.
    progress();
}

bool Transport::isOpen() const { return socket_.state() == QAbstractSocket::ConnectedState; }

}  // namespace lettrica::mail
