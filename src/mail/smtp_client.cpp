#include "mail/smtp_client.h"

#include <QHostInfo>

#include "mail/protocol_text.h"
#include "mail/security_status.h"

namespace lettrica::mail {

QString SmtpClient::heloName() const {
    QString name = settings_.hostName.trimmed();
    if (name.isEmpty()) name = QHostInfo::localHostName();
    return name.isEmpty() ? QStringLiteral("localhost") : name;
}

void SmtpClient::startTls() {
    if (!(settings_.tlsFlags & TlsFlagTls))
        throw secstatus::error(secstatus::kAlgorithmMismatch,
                               QStringLiteral("only SSL 2.0/3.0 allowed, and they are never offered"));
    transport_.startTls(settings_.server);
}

void SmtpClient::run() {
    try {
        for (;;) {
            for (const QByteArray& block : protocol_.takeOutput()) transport_.write(block);
            switch (protocol_.status()) {
                case SmtpProtocol::Status::Idle:
                case SmtpProtocol::Status::Done:
                    return;
                case SmtpProtocol::Status::Failed:
                    throw *protocol_.error();
                case SmtpProtocol::Status::NeedTlsHandshake:
                    startTls();
                    protocol_.tlsEstablished();
                    break;
                case SmtpProtocol::Status::AwaitingReply:
                    protocol_.receive(transport_.read());
                    break;
            }
        }
    } catch (const MailError& e) {
        // A reply the server refused leaves the session usable; anything
        // else leaves it in an unknown state.
        if (e.kind() != MailError::Kind::Reply && e.kind() != MailError::Kind::Client) broken_ = true;
        throw;
    }
}

void SmtpClient::open() {
    if (connected_) return;
    const SmtpSettings& s = settings_;
    if (s.batchSize < 1)
        throw MailError(MailError::Kind::Client, QStringLiteral("Invalid Batch Size"), errc::kInvalidBatchSize);
    const bool implicitTls = s.useTls == TlsMode::Implicit || (s.useTls == TlsMode::Automatic && s.port != 25);
    const bool startTlsLater = s.useTls == TlsMode::Explicit || (s.useTls == TlsMode::Automatic && s.port == 25);

    SmtpProtocol::OpenOptions options;
    options.heloName = heloName();
    options.useEhlo = s.useEhlo;
    options.startTls = startTlsLater;
    options.login = {s.userName, s.password, s.useSasl, s.saslOnly, heloName()};
    if (std::optional<MailError> e = checkName(s.server, NameRole::Host)) throw *e;
    if (std::optional<MailError> e = checkOpenOptions(options)) throw *e;

    transport_.setTimeout(effectiveTimeout());
    transport_.setReplyTimeLimit(effectiveReplyTimeLimit());
    broken_ = false;
    try {
        transport_.connectTo(s.server, s.port);
        connected_ = true;
        if (implicitTls) startTls();
        protocol_.beginOpen(options);
        run();
    } catch (...) {
        transport_.abort();
        connected_ = false;
        throw;
    }
}

void SmtpClient::send(const MailMessage& message) {
    open();
    const SmtpSettings& s = settings_;

    QList<QByteArray> source = message.source();
    insertHeaderField(source, "X-Mailer", s.mailAgent.toUtf8());
    insertHeaderField(source, "Message-ID", makeMessageId(QHostInfo::localHostName()));
    for (qsizetype before = -1; before != source.size();) {
        before = source.size();
        removeHeaderField(source, "Bcc");
    }

    SmtpProtocol::Envelope envelope;
    envelope.from = s.mailFrom.isEmpty() ? message.from().address : parseAddress(s.mailFrom).address;
    if (!s.mailToList.isEmpty()) {
        for (const QString& r : s.mailToList) envelope.recipients.append(parseAddress(r).address);
    } else {
        for (const auto* list : {&message.toList(), &message.ccList(), &message.bccList()})
            for (const MailAddress& a : *list) envelope.recipients.append(a.address);
    }
    envelope.body8BitMime = message.effectiveEncoding() == TransferEncoding::EightBit;

    transport_.setTimeout(effectiveTimeout());
    transport_.setReplyTimeLimit(effectiveReplyTimeLimit());
    protocol_.beginSend(envelope, source, s.batchSize);
    run();
}

void SmtpClient::close() {
    if (!connected_) return;
    if (!broken_ && !protocol_.inCommand()) {
        try {
            protocol_.beginQuit();
            run();
        } catch (const MailError&) {
            // Goodbye is a courtesy; the message's fate is already decided.
        }
    }
    transport_.abort();
    connected_ = false;
    broken_ = false;
}

}  // namespace lettrica::mail
