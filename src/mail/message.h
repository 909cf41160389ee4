#pragma once
// One plain-text e-mail and its transmitted form, the message source:
// header lines, an empty line, body lines (each without its CR LF).

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "mail/address.h"
#include "mail/mail_error.h"
#include "mail/mime_encoding.h"

namespace lettrica::mail {

enum class Priority { Low, Normal, High };

class MailMessage {
public:
    MailMessage() { reset(); }

    // Empties every field; the date becomes now.
    void reset();
    // Like reset() but keeps the character set and both encodings, then
    // takes `plain` as the one text/plain body (no body when it is empty).
    void buildFromText(const QString& plain);

    void setCharSet(const QString& charset) { charSet_ = charset; }
    const QString& charSet() const { return charSet_; }
    // The set the source is written in: charSet(), or UTF-8 when that set
    // cannot hold some character of the texts (nothing is ever turned to "?").
    QString effectiveCharSet() const;

    void setEncoding(TransferEncoding e) { encoding_ = e; }
    TransferEncoding encoding() const { return encoding_; }
    // The encoding the source is written in: encoding(), or quoted-printable
    // when a 7bit or 8bit body would carry a NUL, which RFC 2045 forbids.
    TransferEncoding effectiveEncoding() const;
    void setHeaderEncoding(TransferEncoding e) { headerEncoding_ = e; }

    void setPriority(Priority p) { priority_ = p; }
    Priority priority() const { return priority_; }

    void setFrom(const QString& name, const QString& address) { from_ = {name, address}; }
    const MailAddress& from() const { return from_; }
    void setSubject(const QString& subject) { subject_ = subject; }
    const QString& subject() const { return subject_; }

    // The "To" list from a typed address list (see parseAddressList).
    void setRecipients(const QString& list) { to_ = parseAddressList(list); }
    void setToList(const QList<MailAddress>& l) { to_ = l; }
    void setCcList(const QList<MailAddress>& l) { cc_ = l; }
    void setBccList(const QList<MailAddress>& l) { bcc_ = l; }
    const QList<MailAddress>& toList() const { return to_; }
    const QList<MailAddress>& ccList() const { return cc_; }
    const QList<MailAddress>& bccList() const { return bcc_; }

    void setDate(const QDateTime& d) { date_ = d; }
    const QDateTime& date() const { return date_; }
    void setMessageId(const QString& id) { messageId_ = id; }

    bool hasBody() const { return hasBody_; }
    // The body's lines, in Unicode, without line ends.
    const QStringList& bodyLines() const { return body_; }
    // The body in the effective character set: whether some byte is above
    // 127, and the longest line in bytes.
    bool bodyHasEightBit() const;
    qsizetype longestBodyLine() const;

    // Throws MailError (Client, errc::kInvalidAddress) when an address to be
    // written into the header is one that checkAddress refuses.
    QList<QByteArray> source() const;

private:
    QByteArray bodyBytes(const QString& line, const QString& charset) const;

    MailAddress from_;
    QList<MailAddress> to_, cc_, bcc_;
    QString subject_;
    QDateTime date_;
    Priority priority_ = Priority::Normal;
    QString charSet_;
    TransferEncoding encoding_ = TransferEncoding::None;
    TransferEncoding headerEncoding_ = TransferEncoding::None;
    QString messageId_;
    QStringList body_;
    bool hasBody_ = false;
};

// "Sun, 6 Dec 2026 09:05:07 +0300": English names, no leading zero on the
// day, two digits for the hour (RFC 5322 asks them), the zone as the offset
// from UTC of that moment.
QByteArray formatMailDate(const QDateTime& local);

// RFC 5322: a header line holds at most 998 bytes before its CR LF.
constexpr qsizetype kMaxHeaderLineBytes = 998;

// A header field written as "Name: value", each CR LF of the value turned
// into CR LF TAB (a continuation line); appended as lines. Empty values
// are not written. Whatever the value holds, no line gets a bare CR or LF
// (other control bytes but TAB become blanks), no continuation line is
// blank, and a line over kMaxHeaderLineBytes folds at a blank if it has one.
void appendHeaderField(QList<QByteArray>& lines, const QByteArray& name, const QByteArray& value);

// Inserts a field as the last header line unless the header already has a
// field of that name (compared without regard to case).
void insertHeaderField(QList<QByteArray>& lines, const QByteArray& name, const QByteArray& value);

// Removes the first field of that name with its continuation lines.
void removeHeaderField(QList<QByteArray>& lines, const QByteArray& name);

// A fresh "<...@host>" identifier, unique within the process and over time.
QByteArray makeMessageId(const QString& hostName);

}  // namespace lettrica::mail
