#include "mail/protocol_text.h"

namespace lettrica::mail {

namespace {

// C0, DEL, C1, and the Unicode line and paragraph separators.
bool isControl(QChar c) {
    const QChar::Category k = c.category();
    return k == QChar::Other_Control || k == QChar::Separator_Line || k == QChar::Separator_Paragraph;
}

bool hasBlank(const QString& s) {
    for (QChar c : s)
        if (c.isSpace()) return true;
    return false;
}

}  // namespace

bool containsControl(const QString& s) {
    for (QChar c : s)
        if (isControl(c)) return true;
    return false;
}

QString visibleText(const QString& text) {
    constexpr qsizetype kShown = 60;
    QString out;
    for (qsizetype i = 0; i < text.size() && i < kShown; ++i) {
        const QChar c = text[i];
        if (c == u'\r') out += QLatin1String("\\r");
        else if (c == u'\n') out += QLatin1String("\\n");
        else if (c == u'\t') out += QLatin1String("\\t");
        else if (isControl(c)) out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QChar(u'0'));
        else out += c;
    }
    if (text.size() > kShown) out += QChar(0x2026);
    return out;
}

std::optional<MailError> checkAddress(const QString& address, AddressRole role, const QString& shown) {
    QString reason;
    if (containsControl(address)) reason = QStringLiteral("в адресе управляющий символ");
    else if (hasBlank(address)) reason = QStringLiteral("в адресе пробел");
    else if (address.contains(u'<') || address.contains(u'>')) reason = QStringLiteral("в адресе знак \"<\" или \">\"");
    else if (!address.contains(u'@')) reason = QStringLiteral("в адресе нет знака \"@\"");
    else if (address.toUtf8().size() > kMaxAddressBytes)
        reason = QStringLiteral("адрес длиннее %1 байт").arg(kMaxAddressBytes);
    if (reason.isEmpty()) return std::nullopt;
    return invalidAddressError(role, shown.isEmpty() ? address : shown, reason);
}

MailError invalidAddressError(AddressRole role, const QString& shown, const QString& reason) {
    const QString whose = role == AddressRole::Sender ? QStringLiteral("Недопустимый адрес отправителя")
                                                      : QStringLiteral("Недопустимый адрес получателя");
    return MailError(MailError::Kind::Client, QStringLiteral("%1 \"%2\": %3.").arg(whose, visibleText(shown), reason),
                     errc::kInvalidAddress);
}

std::optional<MailError> checkName(const QString& name, NameRole role) {
    QString reason;
    if (containsControl(name)) reason = QStringLiteral("управляющий символ");
    else if (role != NameRole::Login && hasBlank(name)) reason = QStringLiteral("пробел");
    if (reason.isEmpty()) return std::nullopt;
    const QString what = role == NameRole::Host       ? QStringLiteral("Недопустимое имя сервера")
                         : role == NameRole::Greeting ? QStringLiteral("Недопустимое имя компьютера")
                                                      : QStringLiteral("Недопустимый логин");
    return MailError(MailError::Kind::Client, QStringLiteral("%1 \"%2\": %3.").arg(what, visibleText(name), reason),
                     errc::kInvalidName);
}

}  // namespace lettrica::mail
