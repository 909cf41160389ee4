#include "mail/mail_error.h"

#include <utility>

namespace lettrica::mail {

MailError::MailError(Kind kind, QString message, int code, QStringList reply, QString detail)
    : kind_(kind),
      message_(std::move(message)),
      code_(code),
      reply_(std::move(reply)),
      detail_(std::move(detail)),
      utf8_(message_.toStdString()) {}

MailError timeoutError() {
    // Spelled as the program has always reported it; scripts match on it.
    return MailError(MailError::Kind::Timeout, QStringLiteral("Timeout error occured"), errc::kTimeout);
}

MailError replyTooSlowError(int milliseconds) {
    // Whole seconds as they are, anything finer with one decimal (a comma in Russian).
    const QString seconds = milliseconds % 1000 == 0
                                ? QString::number(milliseconds / 1000)
                                : QString::number(milliseconds / 1000.0, 'f', 1).replace(u'.', u',');
    return MailError(MailError::Kind::Timeout, QStringLiteral("Сервер не закончил ответ за %1 с.").arg(seconds),
                     errc::kReplyTooSlow);
}

MailError connectionClosedError(const QString& detail) {
    return MailError(MailError::Kind::Socket, QStringLiteral("Сервер закрыл соединение."), errc::kConnectionClosed, {},
                     detail);
}

MailError cancelledError() {
    return MailError(MailError::Kind::Cancelled, QStringLiteral("Отправка прервана."), errc::kCancelled);
}

}  // namespace lettrica::mail
