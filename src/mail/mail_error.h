#pragma once
// The one error type of the mail layer. It keeps apart what kind of failure
// happened, the sentence shown to the user, the numeric code (a reply code,
// a socket error number, a security status or one of our own negative
// codes) and, for an unexpected reply, the server's reply lines.

#include <QString>
#include <QStringList>
#include <exception>
#include <string>

namespace lettrica::mail {

class MailError : public std::exception {
public:
    enum class Kind {
        Socket,    // look-up, connect, read or write failed; the server closed the connection
        Timeout,   // a wait saw no progress for the whole time-out, or one reply took too long in all
        Reply,     // the server answered with a code not accepted at that step
        Client,    // our own checks (batch size, empty lists, no secure login, unsafe addresses and names)
        Protocol,  // the server broke the exchange: a reply line or a whole reply beyond our limits
        Security,  // TLS handshake, certificate verification, NTLM
        Cancelled, // the caller ended the exchange (the window closing during a send)
    };

    MailError(Kind kind, QString message, int code, QStringList reply = {}, QString detail = {});

    Kind kind() const { return kind_; }
    const QString& message() const { return message_; }
    int code() const { return code_; }
    // The lines of the server's reply for Kind::Reply, empty otherwise.
    const QStringList& reply() const { return reply_; }
    // What the underlying library said, for diagnostics; never shown instead of message().
    const QString& detail() const { return detail_; }

    // Everything but security failures counts as a socket error, as the
    // send command distinguishes them.
    bool isSocketError() const { return kind_ != Kind::Security; }

    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    Kind kind_;
    QString message_;
    int code_;
    QStringList reply_;
    QString detail_;
    std::string utf8_;
};

// The client's own codes.
namespace errc {
constexpr int kTimeout = -1;
constexpr int kReplyTooSlow = -2;      // one reply took longer than its limit in all
constexpr int kConnectionClosed = -3;  // the server ended the connection (no error number applies)
constexpr int kInvalidBatchSize = -4;
constexpr int kCancelled = -5;
constexpr int kLineTooLong = -100;
constexpr int kDataEmpty = -200;
constexpr int kRecipientsEmpty = -201;
constexpr int kInvalidAddress = -202;  // an envelope or header address that could break out of its place
constexpr int kInvalidName = -203;     // a host, greeting or login name with a control character
constexpr int kReplyLineTooLong = -300;
constexpr int kReplyTooLong = -301;
constexpr int kNoSecureLogon = -400;
}  // namespace errc

MailError timeoutError();
// One reply did not end within `milliseconds` in all, though data kept coming.
MailError replyTooSlowError(int milliseconds);
// The server closed the connection; `detail` is what the library said.
MailError connectionClosedError(const QString& detail);
// The caller asked the client to stop (SmtpClient::abort).
MailError cancelledError();

}  // namespace lettrica::mail
