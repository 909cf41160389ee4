#pragma once
// Checks for text that becomes part of an SMTP command or a header line:
// addresses, the server's host name, the greeting name and the login. Each
// refuses what could end the command or the header line early and start
// another one (CR, LF and every other control character), or make an
// address leave its "<...>" (blanks, "<", ">"). They are run where the
// text is written into the protocol, whatever the caller checked before.

#include <QString>
#include <optional>

#include "mail/mail_error.h"

namespace lettrica::mail {

enum class AddressRole { Sender, Recipient };
enum class NameRole { Host, Greeting, Login };

// RFC 5321 allows a path of 256 octets, its angle brackets included; a
// longer address could not even keep a header line within 998 bytes.
constexpr qsizetype kMaxAddressBytes = 254;

// A bare address (the part inside "<...>") fit for MAIL, RCPT and a header:
// an "@", no control character, no blank, no "<" or ">", at most
// kMaxAddressBytes in UTF-8. The error (Client, errc::kInvalidAddress)
// quotes `shown`, or the address when `shown` is empty.
std::optional<MailError> checkAddress(const QString& address, AddressRole role, const QString& shown = {});

// The error of checkAddress, for a fault found in the text around the address.
MailError invalidAddressError(AddressRole role, const QString& shown, const QString& reason);

// C0 and C1 controls, DEL, and the Unicode line and paragraph separators.
bool containsControl(const QString& text);

// A name without control characters; host and greeting names hold no blank
// either. Error: Client, errc::kInvalidName.
std::optional<MailError> checkName(const QString& name, NameRole role);

// The text as a message may quote it: control characters spelled as \r,
// \n, \t or \xNN, cut after 60 characters.
QString visibleText(const QString& text);

}  // namespace lettrica::mail
