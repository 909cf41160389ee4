#pragma once
// E-mail addresses as people type them: "Name <user@host>", a bare
// user@host, "user@host (Name)", and lists of them separated by "," ";" or a
// line break.

#include <QList>
#include <QString>
#include <QStringList>

namespace lettrica::mail {

struct MailAddress {
    QString name;     // display name, unquoted and unescaped
    QString address;  // the bare address, user@host
    bool operator==(const MailAddress&) const = default;
};

// One full address. The address is the last <...> pair (brackets not
// escaped by a backslash) or else the run of address characters around the
// first "@" outside quotes and comments; the name is what remains.
MailAddress parseAddress(const QString& text);

// Whether the "<" and ">" not escaped by a backslash make one pair at most,
// "<" first. Otherwise parseAddress would take a part of the text for the
// address and the rest for a name: "<b@x NOTIFY=NEVER" is no address b@x.
bool anglesPaired(const QString& text);

// A list typed by a user: pieces split at "," ";" CR or LF outside a quoted
// name, each trimmed; empty pieces are dropped.
QStringList splitAddressList(const QString& text);
QList<MailAddress> parseAddressList(const QString& text);

// The display name as it stands in a header: quoted (with \ escapes) when it
// holds a blank or a character that would otherwise end or split it.
QString formatDisplayName(const QString& name);

// "name <address>", or the bare address when the name is empty or equals it.
QString formatAddress(const QString& name, const QString& address);
inline QString formatAddress(const MailAddress& a) { return formatAddress(a.name, a.address); }

}  // namespace lettrica::mail
