#include "mail/smtp_protocol.h"

#include <QRandomGenerator>

#include "mail/protocol_text.h"
#include "mail/sasl.h"
#include "mail/security_status.h"

namespace lettrica::mail {

namespace {

// The code of a final line, 0 for a line that carries none.
int finalCode(const QByteArray& line) {
    if (line.size() >= 4 && line[3] == '-') return 0;
    if (line.size() < 3) return 0;
    int code = 0;
    for (int i = 0; i < 3; ++i) {
        if (line[i] < '0' || line[i] > '9') return 0;
        code = code * 10 + (line[i] - '0');
    }
    return code;
}

MailError replyLineTooLong() {
    return MailError(MailError::Kind::Protocol, QStringLiteral("Сервер прислал строку ответа длиннее 64 КБ."),
                     errc::kReplyLineTooLong);
}

MailError replyTooLong() {
    return MailError(MailError::Kind::Protocol, QStringLiteral("Сервер прислал ответ длиннее 1 МБ."),
                     errc::kReplyTooLong);
}

bool containsNoCase(const QStringList& list, const QString& name) {
    return list.contains(name, Qt::CaseInsensitive);
}

QByteArray challengeOf(const Reply& reply) {
    return QByteArray::fromBase64(reply.text().mid(4).toLatin1());
}

}  // namespace

QString Reply::text() const {
    QByteArray all;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i) all += "\r\n";
        all += lines[i];
    }
    return QString::fromUtf8(all).trimmed();
}

QStringList parseExtensions(const QList<QByteArray>& lines) {
    QStringList out;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& l = lines[i];
        if (l.size() >= 4 && (l[3] == '-' || l[3] == ' ')) out.append(QString::fromUtf8(l.mid(4)));
    }
    return out;
}

QStringList parseAuthMethods(const QStringList& extensions) {
    QStringList methods;
    for (const QString& e : extensions) {
        if (!e.startsWith(QLatin1String("AUTH"))) continue;
        for (const QString& m : e.mid(5).split(u' ', Qt::SkipEmptyParts))
            if (!methods.contains(m)) methods.append(m);
    }
    return methods;
}

LoginMethod chooseLogin(const QStringList& extensions, const QStringList& methods, const LoginOptions& o) {
    if (o.userName.isEmpty() && o.password.isEmpty()) return LoginMethod::None;
    const LoginMethod plain = !methods.isEmpty() && !containsNoCase(methods, QStringLiteral("LOGIN")) &&
                                      containsNoCase(methods, QStringLiteral("PLAIN"))
                                  ? LoginMethod::Plain
                                  : LoginMethod::Login;
    if (extensions.join(u' ').contains(QLatin1String("AUTH"))) {
        if (!o.useSasl) return plain;
        if (containsNoCase(methods, QStringLiteral("NTLM"))) return LoginMethod::Ntlm;
        if (containsNoCase(methods, QStringLiteral("CRAM-MD5"))) return LoginMethod::CramMd5;
        return o.saslOnly ? LoginMethod::Refused : plain;
    }
    return o.useSasl && o.saslOnly ? LoginMethod::Refused : LoginMethod::None;
}

std::optional<MailError> checkDataLines(const QList<QByteArray>& lines, int batchSize) {
    if (batchSize < 1) return MailError(MailError::Kind::Client, QStringLiteral("Invalid Batch Size"), errc::kInvalidBatchSize);
    for (const QByteArray& l : lines)
        if (l.size() > batchSize - 3)
            return MailError(MailError::Kind::Client,
                             QStringLiteral("The data line length must be lower than BatchSize"), errc::kLineTooLong);
    return std::nullopt;
}

QList<QByteArray> dataBlocks(const QList<QByteArray>& lines, int batchSize) {
    QList<QByteArray> blocks;
    QByteArray block;
    for (const QByteArray& line : lines) {
        if (!block.isEmpty() && block.size() + line.size() + 3 > batchSize) {
            blocks.append(block);
            block.clear();
        }
        if (line.startsWith('.')) block += '.';
        block += line;
        block += "\r\n";
    }
    if (!block.isEmpty()) blocks.append(block);
    return blocks;
}

bool SmtpProtocol::hasExtension(const QString& keyword) const {
    for (const QString& e : extensions_)
        if (e.section(u' ', 0, 0).compare(keyword, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QList<QByteArray> SmtpProtocol::takeOutput() {
    QList<QByteArray> out;
    out.swap(output_);
    return out;
}

void SmtpProtocol::command(const QByteArray& line, QList<int> accepted, Handler next) {
    output_.append(line + "\r\n");
    expect(std::move(accepted), std::move(next));
}

void SmtpProtocol::expect(QList<int> accepted, Handler next) {
    // Without pipelining the server answers only what has been written:
    // whatever it sent before is stale and must not count as this reply.
    buffer_.clear();
    response_.clear();
    responseBytes_ = 0;
    status_ = Status::AwaitingReply;
    accepted_ = std::move(accepted);
    handler_ = std::move(next);
}

void SmtpProtocol::fail(MailError error) {
    error_ = std::move(error);
    status_ = Status::Failed;
    handler_ = nullptr;
    buffer_.clear();
}

void SmtpProtocol::done() {
    status_ = Status::Done;
    handler_ = nullptr;
}

void SmtpProtocol::receive(const QByteArray& bytes) {
    // Bytes nobody waits for answer nothing that was written.
    if (status_ != Status::AwaitingReply) return;
    buffer_ += bytes;

    // One line at a time, in a loop: a reply that ends hands over to the
    // next step, which writes before it waits, so what follows the reply in
    // this batch is stale and the loop ends with it.
    // The first final line with an accepted code ends the reply; a refused
    // one fails it unless an accepted one follows in the same batch.
    qsizetype pos = 0;
    bool refusedSeen = false;
    for (qsizetype nl; (nl = buffer_.indexOf('\n', pos)) >= 0;) {
        QByteArray line = buffer_.mid(pos, nl - pos);
        pos = nl + 1;
        if (line.endsWith('\r')) line.chop(1);
        if (line.size() > kMaxReplyLineBytes) return fail(replyLineTooLong());
        responseBytes_ += line.size() + 2;
        if (responseBytes_ > kMaxReplyBytes) return fail(replyTooLong());
        response_.append(line);

        const int code = finalCode(line);
        if (code == 0) continue;
        lastCode_ = code;
        if (!accepted_.contains(code)) {
            refusedSeen = true;
            continue;
        }
        buffer_.clear();
        Handler next = std::move(handler_);
        handler_ = nullptr;
        status_ = Status::Idle;
        next(Reply{code, response_});
        return;
    }
    buffer_.remove(0, pos);
    // A line still without its end may not grow beyond the limit either.
    if (buffer_.size() > kMaxReplyLineBytes + 1) return fail(replyLineTooLong());
    if (refusedSeen) {
        QStringList lines;
        for (const QByteArray& b : response_) lines.append(QString::fromUtf8(b));
        fail(MailError(MailError::Kind::Reply, Reply{lastCode_, response_}.text(), lastCode_, lines));
    }
}

// ---- Opening ----

std::optional<MailError> checkOpenOptions(const SmtpProtocol::OpenOptions& options) {
    if (auto e = checkName(options.heloName, NameRole::Greeting)) return e;
    return checkName(options.login.userName, NameRole::Login);
}

void SmtpProtocol::beginOpen(const OpenOptions& options) {
    open_ = options;
    error_.reset();
    output_.clear();
    extensions_.clear();
    authMethods_.clear();
    loginUsed_ = LoginMethod::None;
    lastCode_ = 0;
    if (std::optional<MailError> e = checkOpenOptions(options)) return fail(*e);
    expect({220}, [this](const Reply&) { afterGreeting(); });
}

void SmtpProtocol::readCapabilities(const Reply& reply) {
    extensions_ = parseExtensions(reply.lines);
    authMethods_ = parseAuthMethods(extensions_);
}

void SmtpProtocol::afterGreeting() {
    const QByteArray name = open_.heloName.toUtf8();
    if (!open_.useEhlo) {
        command("HELO " + name, {250}, [this](const Reply&) {
            extensions_.clear();
            authMethods_.clear();
            logIn();
        });
        return;
    }
    command("EHLO " + name, {250, 530}, [this](const Reply& reply) {
        readCapabilities(reply);
        if (open_.startTls) {
            command("STARTTLS", {220}, [this](const Reply&) { status_ = Status::NeedTlsHandshake; });
        } else {
            logIn();
        }
    });
}

void SmtpProtocol::tlsEstablished() {
    // Nothing read before the handshake may be trusted afterwards; the
    // command drops it.
    command("EHLO " + open_.heloName.toUtf8(), {250}, [this](const Reply& reply) {
        readCapabilities(reply);
        logIn();
    });
}

void SmtpProtocol::logIn() {
    const LoginOptions& o = open_.login;
    loginUsed_ = chooseLogin(extensions_, authMethods_, o);
    const QByteArray user = o.userName.toUtf8();
    const QByteArray password = o.password.toUtf8();
    switch (loginUsed_) {
        case LoginMethod::None:
            done();
            return;
        case LoginMethod::Refused:
            fail(MailError(MailError::Kind::Client,
                           QStringLiteral("Unable to logon to the server using Secure Password Authentication"),
                           errc::kNoSecureLogon));
            return;
        case LoginMethod::Login:
            command("AUTH LOGIN", {334}, [this, user, password](const Reply&) {
                command(user.toBase64(), {334}, [this, password](const Reply&) {
                    command(password.toBase64(), {235}, [this](const Reply&) { done(); });
                });
            });
            return;
        case LoginMethod::Plain:
            command("AUTH PLAIN", {334}, [this, user, password](const Reply&) {
                command((QByteArray(1, '\0') + user + '\0' + password).toBase64(), {235},
                        [this](const Reply&) { done(); });
            });
            return;
        case LoginMethod::CramMd5:
            command("AUTH CRAM-MD5", {334}, [this](const Reply& reply) {
                const QByteArray answer =
                    cramMd5Response(open_.login.userName, open_.login.password, challengeOf(reply));
                command(answer.toBase64(), {235}, [this](const Reply&) { done(); });
            });
            return;
        case LoginMethod::Ntlm:
            command("AUTH NTLM", {334}, [this](const Reply&) {
                command(ntlm::negotiateMessage().toBase64(), {334}, [this](const Reply& reply) {
                    const std::optional<ntlm::Challenge> challenge = ntlm::parseChallenge(challengeOf(reply));
                    if (!challenge) {
                        fail(secstatus::error(secstatus::kInvalidToken));
                        return;
                    }
                    QByteArray clientChallenge(8, '\0');
                    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(clientChallenge.data()), 2);
                    const ntlm::Identity identity{open_.login.userName, open_.login.password,
                                                  open_.login.workstation};
                    const QByteArray token =
                        ntlm::authenticateMessage(*challenge, identity, clientChallenge, ntlm::fileTimeNow());
                    command(token.toBase64(), {235}, [this](const Reply&) { done(); });
                });
            });
            return;
    }
}

// ---- Sending ----

void SmtpProtocol::beginSend(const Envelope& envelope, const QList<QByteArray>& source, int batchSize) {
    envelope_ = envelope;
    source_ = source;
    batchSize_ = batchSize;
    error_.reset();
    // Everything that can be refused without the server is refused before
    // MAIL, so that no transaction is left half open.
    if (envelope.recipients.isEmpty()) {
        fail(MailError(MailError::Kind::Client, QStringLiteral("The recipient list is empty"), errc::kRecipientsEmpty));
        return;
    }
    if (source.isEmpty()) {
        fail(MailError(MailError::Kind::Client, QStringLiteral("The data list is empty"), errc::kDataEmpty));
        return;
    }
    // The addresses go into MAIL and RCPT as they are.
    if (std::optional<MailError> e = checkAddress(envelope.from, AddressRole::Sender)) return fail(*e);
    for (const QString& r : envelope.recipients)
        if (std::optional<MailError> e = checkAddress(r, AddressRole::Recipient)) return fail(*e);
    if (std::optional<MailError> e = checkDataLines(source, batchSize)) {
        fail(*e);
        return;
    }
    QByteArray mail = "MAIL FROM:<" + envelope.from.toUtf8() + '>';
    if (envelope.body8BitMime && hasExtension(QStringLiteral("8BITMIME"))) mail += " BODY=8BITMIME";
    command(mail, {250}, [this](const Reply&) { sendRecipient(0); });
}

void SmtpProtocol::sendRecipient(qsizetype index) {
    // 251 "User not local; will forward" accepts the recipient too.
    command("RCPT TO:<" + envelope_.recipients[index].toUtf8() + '>', {250, 251}, [this, index](const Reply&) {
        if (index + 1 < envelope_.recipients.size()) {
            sendRecipient(index + 1);
            return;
        }
        command("DATA", {354}, [this](const Reply&) {
            output_.append(dataBlocks(source_, batchSize_));
            output_.append(".\r\n");
            source_.clear();
            // An answer that came with the 354 is stale: the reply to the data follows its end.
            expect({250}, [this](const Reply&) { done(); });
        });
    });
}

void SmtpProtocol::beginQuit() {
    error_.reset();
    command("QUIT", {221}, [this](const Reply&) { done(); });
}

}  // namespace lettrica::mail
