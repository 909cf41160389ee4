#pragma once
// The SMTP client: opens a connection (TLS from the first byte or after
// STARTTLS), greets, logs in, sends one message per call and says goodbye.
// Calls are synchronous but keep the Qt event loop running while they wait.

#include <QString>
#include <QStringList>
#include <algorithm>
#include <limits>

#include "mail/mail_error.h"
#include "mail/message.h"
#include "mail/smtp_protocol.h"
#include "mail/tls.h"
#include "mail/transport.h"

namespace lettrica::mail {

// ctAutomatic: TLS from the first byte on any port but 25, STARTTLS on 25.
enum class TlsMode { None, Automatic, Implicit, Explicit };

struct SmtpSettings {
    QString server;
    quint16 port = 25;
    TlsMode useTls = TlsMode::None;
    int tlsFlags = TlsFlagTls;
    QString userName;
    QString password;
    int timeOut = 60000;  // milliseconds without progress; 0 or less means 60000
    int replyTimeLimit = 0;  // milliseconds one reply may take in all; 0 or less: 10 x the time-out
    int batchSize = 8192;
    bool useEhlo = true;
    QString hostName;  // empty: this computer's name
    bool useSasl = false;
    bool saslOnly = false;
    QString mailAgent;       // written as X-Mailer
    QString mailFrom;        // empty: the message's sender
    QStringList mailToList;  // empty: the message's To, Cc and Bcc
};

class SmtpClient {
public:
    SmtpSettings& settings() { return settings_; }
    const SmtpSettings& settings() const { return settings_; }

    // Connect, greet, upgrade, log in; nothing when already connected. On
    // failure the connection is dropped without QUIT and the error thrown.
    // A host, greeting or login name that checkName refuses fails before
    // anything is looked up or connected.
    void open();
    // The mail transaction for `message` (opens first if needed). An unsafe
    // address, in the envelope or the header, fails before MAIL.
    void send(const MailMessage& message);
    // QUIT (its failure ignored) unless the connection broke or a command is
    // unfinished, then the socket is closed. Never throws.
    void close();
    bool connected() const { return connected_; }
    // Stops the open() or send() in progress at once, from an event handler
    // that runs while it waits: the call fails with cancelledError() and the
    // connection is dropped without QUIT. The next open() starts afresh.
    void abort() { transport_.cancel(); }

    // What the server announced on the last EHLO.
    const QStringList& extensions() const { return protocol_.extensions(); }
    const QStringList& authMethods() const { return protocol_.authMethods(); }
    bool supports8BitMime() const { return protocol_.hasExtension(QStringLiteral("8BITMIME")); }
    LoginMethod loginUsed() const { return protocol_.loginUsed(); }
    int lastResponseCode() const { return protocol_.lastResponseCode(); }
    bool isEncrypted() const { return transport_.isEncrypted(); }

    int effectiveTimeout() const { return settings_.timeOut > 0 ? settings_.timeOut : 60000; }
    int effectiveReplyTimeLimit() const {
        if (settings_.replyTimeLimit > 0) return settings_.replyTimeLimit;
        return static_cast<int>(std::min<qint64>(10LL * effectiveTimeout(), std::numeric_limits<int>::max()));
    }
    QString heloName() const;

private:
    void run();
    void startTls();

    SmtpSettings settings_;
    Transport transport_;
    SmtpProtocol protocol_;
    bool connected_ = false;
    bool broken_ = false;
};

}  // namespace lettrica::mail
