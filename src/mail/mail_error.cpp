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

}  // namespace lettrica::mail
