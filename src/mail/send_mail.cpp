#include "mail/send_mail.h"

#include <cerrno>

#include "mail/protocol_text.h"

namespace lettrica::mail {

namespace {
// RFC 5322 line limit without CR LF.
constexpr qsizetype kMaxLineBytes = 998;
}  // namespace

TlsMode tlsModeFor(const QString& host, int port) {
    if (port == 587) return TlsMode::Explicit;
    if (port == 465) return TlsMode::Automatic;
    if (port == 25 && host.toLower() == kStartTlsProviderHost) return TlsMode::Automatic;
    return TlsMode::None;
}

void configureClient(SmtpClient& client, const MailSettings& m, std::optional<TlsMode> tlsOverride) {
    SmtpSettings& s = client.settings();
    // Blanks typed around the host are no part of it.
    s.server = m.host.trimmed();
    s.port = static_cast<quint16>(m.port);
    s.tlsFlags = TlsFlagTls;
    s.useTls = tlsModeFor(s.server, m.port);
    s.useSasl = false;
    if (m.port == 587) {
        s.useSasl = true;
        s.tlsFlags = TlsFlagSsl2 | TlsFlagSsl3 | TlsFlagTls;
    }
    if (tlsOverride) s.useTls = *tlsOverride;
    // With log-in switched off the client does not log in at all: a log-in
    // with an empty password can only be refused.
    if (m.authType == 0) {
        s.userName.clear();
        s.password.clear();
    } else {
        s.userName = m.login;
        if (m.authType == 1) s.password = m.password;
    }
    s.timeOut = m.timeOutSeconds * 1000;
    s.mailAgent = QStringLiteral("Lettrica");
}

std::optional<MailError> checkBeforeConnecting(const MailSettings& m, const QString& to) {
    if (auto e = checkName(m.host.trimmed(), NameRole::Host)) return e;
    if (auto e = checkName(m.login, NameRole::Login)) return e;
    if (auto e = checkAddress(m.email.trimmed(), AddressRole::Sender)) return e;
    // A line break would separate addresses ("a@x\r\nBcc: b@y" reaching
    // b@y), so the whole list is refused, not split.
    if (containsControl(to))
        return invalidAddressError(AddressRole::Recipient, to, QStringLiteral("в адресе управляющий символ"));
    for (const QString& piece : splitAddressList(to)) {
        // "<b@x NOTIFY=NEVER ORCPT=rfc822;c@d>" split at ";" would send to
        // b@x and c@d, neither of which the user typed as an address.
        if (!anglesPaired(piece))
            return invalidAddressError(AddressRole::Recipient, piece,
                                       QStringLiteral("в адресе знаки \"<\" и \">\" не образуют одну пару"));
        const MailAddress a = parseAddress(piece);
        if (auto e = checkAddress(a.address, AddressRole::Recipient, a.address.isEmpty() ? a.name : a.address))
            return e;
        // "a@x b@y" reads as the address a@x named "b@y": b@y would silently
        // get nothing. A name is only taken beside an address in "<...>".
        if (!piece.contains(u'<') && !parseAddress(a.name).address.isEmpty())
            return invalidAddressError(AddressRole::Recipient, piece,
                                       QStringLiteral("несколько адресов без \",\" или \";\" между ними"));
    }
    return std::nullopt;
}

void composeMessage(MailMessage& message, const MailSettings& m, const QString& to, const QStringList& bodyLines,
                    bool server8BitMime) {
    message.reset();
    message.setCharSet(QStringLiteral("Windows-1251"));
    QString text;
    for (const QString& line : bodyLines) text += line + QStringLiteral("\r\n");
    message.buildFromText(text);
    message.setPriority(Priority::Normal);
    message.setFrom(m.userName, m.email.trimmed());
    message.setSubject(QStringLiteral("From ") + m.userName);
    message.setRecipients(to);

    const bool longLines = message.longestBodyLine() > kMaxLineBytes;
    if (!message.bodyHasEightBit() && !longLines)
        message.setEncoding(TransferEncoding::None);
    else if (server8BitMime && !longLines)
        message.setEncoding(TransferEncoding::EightBit);
    else
        message.setEncoding(TransferEncoding::QuotedPrintable);
}

void sendMail(SmtpClient& client, MailMessage& message, const MailSettings& settings, const QString& to,
              const QStringList& bodyLines, std::optional<TlsMode> tlsOverride) {
    try {
        if (client.connected()) client.close();
        if (settings.port < 1 || settings.port > 65535)
            throw MailError(MailError::Kind::Client, QStringLiteral("Invalid port number: %1").arg(settings.port),
                            EINVAL);
        if (std::optional<MailError> e = checkBeforeConnecting(settings, to)) throw *e;
        configureClient(client, settings, tlsOverride);
        client.open();
        composeMessage(message, settings, to, bodyLines, client.supports8BitMime());
        client.send(message);
        client.close();
    } catch (...) {
        client.close();
        throw;
    }
}

}  // namespace lettrica::mail
