#pragma once
// The SMTP conversation without a socket: the caller feeds the server's
// bytes in and writes out what the protocol hands back; the protocol says
// when it waits for the server, needs a TLS handshake, is done, or failed.
// Every rule of the exchange lives here so that it can be tested byte by
// byte: reply reading, EHLO capabilities, the choice of log-in, CRAM-MD5
// and NTLM, dot-stuffing and data blocks.
//
// Replies are read without pipelining: whatever the server sent before a
// command (or the end of the data) was handed out is dropped, and whatever
// follows a complete reply is dropped with it. A reply line may hold
// kMaxReplyLineBytes, a whole reply kMaxReplyBytes (line ends counted);
// beyond either the step fails with a Kind::Protocol error. The time a
// reply may take is the caller's to bound (it owns the clock).

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "mail/mail_error.h"

namespace lettrica::mail {

// RFC 5321 allows reply lines of 512 octets; servers in the wild send
// longer ones, so we take up to 64 KiB a line and 1 MiB a reply.
constexpr qsizetype kMaxReplyLineBytes = 64 * 1024;
constexpr qsizetype kMaxReplyBytes = 1024 * 1024;

struct Reply {
    int code = 0;
    QList<QByteArray> lines;  // every line of the reply, without CR LF
    // All lines joined by CR LF, trimmed: the text a refused step reports.
    QString text() const;
};

// The capabilities of an EHLO reply: the text from the fifth character of
// each line after the first whose fourth character is "-" or a blank.
QStringList parseExtensions(const QList<QByteArray>& replyLines);
// Method names from the extension lines that begin with "AUTH" (AUTH
// LOGIN, AUTH=LOGIN), without duplicates, in the order announced.
QStringList parseAuthMethods(const QStringList& extensions);

struct LoginOptions {
    QString userName;
    QString password;
    bool useSasl = false;   // prefer NTLM and CRAM-MD5
    bool saslOnly = false;  // never fall back to the plain log-in
    QString workstation;    // sent in the NTLM message
};

enum class LoginMethod { None, Login, Plain, CramMd5, Ntlm, Refused };

// The log-in to use after the last EHLO. The plain log-in is LOGIN, or
// PLAIN when the server announces PLAIN but not LOGIN.
LoginMethod chooseLogin(const QStringList& extensions, const QStringList& methods, const LoginOptions& options);

// Lines of the message source as DATA blocks: every line followed by CR LF,
// a leading "." doubled, blocks of at most `batchSize` bytes. The caller
// has checked the line lengths (see checkDataLines).
QList<QByteArray> dataBlocks(const QList<QByteArray>& lines, int batchSize);
// The client's own error for a message that cannot be sent in blocks of
// `batchSize`, or nothing.
std::optional<MailError> checkDataLines(const QList<QByteArray>& lines, int batchSize);

class SmtpProtocol {
public:
    struct OpenOptions {
        QString heloName;
        bool useEhlo = true;
        bool startTls = false;  // STARTTLS after the first EHLO
        LoginOptions login;
    };
    struct Envelope {
        QString from;            // bare address
        QStringList recipients;  // bare addresses
        bool body8BitMime = false;  // add BODY=8BITMIME when the server offers it
    };

    SmtpProtocol() = default;
    // The pending step refers to this object: it stays where it was made.
    SmtpProtocol(const SmtpProtocol&) = delete;
    SmtpProtocol& operator=(const SmtpProtocol&) = delete;

    enum class Status {
        Idle,              // nothing under way
        AwaitingReply,     // feed the server's bytes to receive()
        NeedTlsHandshake,  // do the handshake, then call tlsEstablished()
        Done,              // the step finished
        Failed,            // error() says why
    };

    // Greeting, EHLO, STARTTLS if asked, log-in. Fails at once, before
    // anything is read or written, when checkOpenOptions refuses.
    void beginOpen(const OpenOptions& options);
    void tlsEstablished();
    // MAIL, RCPT for each recipient, DATA and the source lines. Empty lists,
    // an unsafe address (see checkAddress) or a line too long for a block
    // fail at once, before MAIL is written.
    void beginSend(const Envelope& envelope, const QList<QByteArray>& source, int batchSize);
    void beginQuit();

    // The server's bytes, as they came; ignored unless a reply is awaited.
    void receive(const QByteArray& bytes);
    // What must be written now, in order (each entry one write).
    QList<QByteArray> takeOutput();

    Status status() const { return status_; }
    const std::optional<MailError>& error() const { return error_; }
    // True while a command waits for its reply.
    bool inCommand() const { return status_ == Status::AwaitingReply; }

    const QList<QByteArray>& response() const { return response_; }
    int lastResponseCode() const { return lastCode_; }
    const QStringList& extensions() const { return extensions_; }
    const QStringList& authMethods() const { return authMethods_; }
    bool hasExtension(const QString& keyword) const;
    LoginMethod loginUsed() const { return loginUsed_; }

private:
    using Handler = std::function<void(const Reply&)>;
    void command(const QByteArray& line, QList<int> accepted, Handler next);
    void expect(QList<int> accepted, Handler next);
    void fail(MailError error);
    void done();
    void readCapabilities(const Reply& reply);
    void afterGreeting();
    void logIn();
    void sendRecipient(qsizetype index);

    OpenOptions open_;
    Envelope envelope_;
    QList<QByteArray> source_;
    int batchSize_ = 8192;

    Status status_ = Status::Idle;
    std::optional<MailError> error_;
    QByteArray buffer_;
    QList<QByteArray> output_;
    QList<QByteArray> response_;
    qsizetype responseBytes_ = 0;
    QList<int> accepted_;
    Handler handler_;
    int lastCode_ = 0;
    QStringList extensions_;
    QStringList authMethods_;
    LoginMethod loginUsed_ = LoginMethod::None;
};

// The greeting name and the login, as checkName sees them; nothing else of
// the options goes into a command unencoded.
std::optional<MailError> checkOpenOptions(const SmtpProtocol::OpenOptions& options);

}  // namespace lettrica::mail
