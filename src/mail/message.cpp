#include "mail/message.h"

#include <QElapsedTimer>
#include <QTimeZone>
#include <algorithm>
#include <atomic>

#include "mail/charset.h"
#include "mail/protocol_text.h"

namespace lettrica::mail {

namespace {

QStringList splitLines(const QString& text) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(u'\r', u'\n');
    QStringList lines = t.split(u'\n');
    // A final line break ends the last line; it does not open an empty one.
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

bool fieldNameIs(const QByteArray& line, const QByteArray& name) {
    return line.size() > name.size() && line[name.size()] == ':' &&
           qstrnicmp(line.constData(), name.constData(), name.size()) == 0;
}

qsizetype headerEnd(const QList<QByteArray>& lines) {
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (lines[i].isEmpty()) return i;
    return lines.size();
}

// The full address with its display name encoded, the name's budget being
// what the limit leaves beside the address. The address goes in as it is,
// so it is checked here.
QByteArray encodedAddress(const MailAddress& a, AddressRole role, const QString& charset, int limit,
                          TransferEncoding headerEncoding) {
    if (std::optional<MailError> e = checkAddress(a.address, role, a.address.isEmpty() ? a.name : a.address)) throw *e;
    if (a.name.isEmpty() || a.name == a.address) return a.address.toUtf8();
    const QByteArray name =
        encodeHeaderText(a.name, charset, limit - static_cast<int>(a.address.size()) - 3, headerEncoding);
    if (name.isEmpty()) return a.address.toUtf8();
    const QString formatted = formatAddress(QString::fromLatin1(name), a.address);
    return formatted.toUtf8();
}

QByteArray encodedList(const QList<MailAddress>& list, const QByteArray& field, const QString& charset,
                       TransferEncoding headerEncoding) {
    QByteArray value;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const int limit = i == 0 ? kCharsPerLine - static_cast<int>(field.size()) - 2 : kCharsPerLine - 1;
        if (i > 0) value += ",\r\n";
        value += encodedAddress(list[i], AddressRole::Recipient, charset, limit, headerEncoding);
    }
    return value;
}

}  // namespace

void MailMessage::reset() {
    from_ = {};
    to_.clear();
    cc_.clear();
    bcc_.clear();
    subject_.clear();
    date_ = QDateTime::currentDateTime();
    priority_ = Priority::Normal;
    charSet_ = QStringLiteral("iso-8859-1");
    encoding_ = TransferEncoding::None;
    headerEncoding_ = TransferEncoding::None;
    messageId_.clear();
    body_.clear();
    hasBody_ = false;
}

void MailMessage::buildFromText(const QString& plain) {
    const QString charset = charSet_;
    const TransferEncoding encoding = encoding_;
    const TransferEncoding headerEncoding = headerEncoding_;
    reset();
    charSet_ = charset;
    encoding_ = encoding;
    headerEncoding_ = headerEncoding;
    if (!plain.isEmpty()) {
        body_ = splitLines(plain);
        hasBody_ = true;
    }
}

QString MailMessage::effectiveCharSet() const {
    auto fits = [&](const QString& s) { return encodeCharset(s, charSet_).has_value(); };
    bool ok = fits(subject_) && fits(from_.name);
    for (const auto* list : {&to_, &cc_, &bcc_})
        for (const MailAddress& a : *list) ok = ok && fits(a.name);
    for (const QString& line : body_) ok = ok && fits(line);
    return ok ? charSet_ : QStringLiteral("UTF-8");
}

QByteArray MailMessage::bodyBytes(const QString& line, const QString& charset) const {
    std::optional<QByteArray> bytes = encodeCharset(line, charset);
    return bytes ? *bytes : line.toUtf8();
}

TransferEncoding MailMessage::effectiveEncoding() const {
    if (encoding_ != TransferEncoding::None && encoding_ != TransferEncoding::EightBit) return encoding_;
    for (const QString& line : body_)
        if (line.contains(QChar(u'\0'))) return TransferEncoding::QuotedPrintable;
    return encoding_;
}

bool MailMessage::bodyHasEightBit() const {
    const QString charset = effectiveCharSet();
    for (const QString& line : body_)
        for (char c : bodyBytes(line, charset))
            if (static_cast<unsigned char>(c) > 127) return true;
    return false;
}

qsizetype MailMessage::longestBodyLine() const {
    const QString charset = effectiveCharSet();
    qsizetype longest = 0;
    for (const QString& line : body_) longest = std::max(longest, bodyBytes(line, charset).size());
    return longest;
}

QList<QByteArray> MailMessage::source() const {
    const QString charset = effectiveCharSet();
    QList<QByteArray> lines;
    appendHeaderField(lines, "Message-ID", messageId_.toUtf8());
    if (!from_.name.isEmpty() || !from_.address.isEmpty())
        appendHeaderField(lines, "From",
                          encodedAddress(from_, AddressRole::Sender, charset, kCharsPerLine - 6, headerEncoding_));
    appendHeaderField(lines, "To", encodedList(to_, "To", charset, headerEncoding_));
    appendHeaderField(lines, "Cc", encodedList(cc_, "Cc", charset, headerEncoding_));
    appendHeaderField(lines, "Bcc", encodedList(bcc_, "Bcc", charset, headerEncoding_));
    appendHeaderField(lines, "Subject", encodeHeaderText(subject_, charset, kCharsPerLine - 9, headerEncoding_));
    appendHeaderField(lines, "Date", formatMailDate(date_));
    appendHeaderField(lines, "MIME-Version", "1.0");
    lines.append("Content-Type: text/plain;");
    lines.append("\tcharset=\"" + charset.toLatin1() + '"');
    const TransferEncoding encoding = effectiveEncoding();
    appendHeaderField(lines, "Content-Transfer-Encoding", transferEncodingName(encoding));
    if (priority_ != Priority::Normal)
        appendHeaderField(lines, "Importance", priority_ == Priority::Low ? "Low" : "High");
    appendHeaderField(lines, "X-Priority",
                      priority_ == Priority::Low ? "5" : priority_ == Priority::High ? "1" : "3");
    lines.append(QByteArray());

    switch (encoding) {
        case TransferEncoding::None:
        case TransferEncoding::EightBit:
            for (const QString& line : body_) lines.append(bodyBytes(line, charset));
            break;
        case TransferEncoding::QuotedPrintable:
            for (const QString& line : body_) lines.append(quotedPrintableLines(bodyBytes(line, charset)));
            break;
        case TransferEncoding::Base64: {
            QByteArray all;
            for (const QString& line : body_) all += bodyBytes(line, charset) + "\r\n";
            lines.append(base64Lines(all));
            break;
        }
    }
    return lines;
}

QByteArray formatMailDate(const QDateTime& when) {
    static const char* const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDate d = when.date();
    const QTime t = when.time();
    const int offset = when.isValid() ? when.offsetFromUtc() : 0;
    const int absolute = offset < 0 ? -offset : offset;
    return QByteArray(days[d.dayOfWeek() - 1]) + ", " + QByteArray::number(d.day()) + ' ' + months[d.month() - 1] +
           ' ' + QByteArray::number(d.year()) + ' ' + QByteArray::number(t.hour()).rightJustified(2, '0') + ':' +
           QByteArray::number(t.minute()).rightJustified(2, '0') + ':' +
           QByteArray::number(t.second()).rightJustified(2, '0') + ' ' + (offset < 0 ? '-' : '+') +
           QByteArray::number(absolute / 3600).rightJustified(2, '0') +
           QByteArray::number(absolute % 3600 / 60).rightJustified(2, '0');
}

void appendHeaderField(QList<QByteArray>& lines, const QByteArray& name, const QByteArray& value) {
    if (value.isEmpty()) return;
    const QByteArray field = name + ": " + value;
    // Only a CR LF pair may break the field, and only as a fold onto a line
    // that starts with a TAB; any other control byte would end or split the
    // header line, so it becomes a blank.
    QList<QByteArray> folded(1);
    for (qsizetype i = 0; i < field.size(); ++i) {
        const auto b = static_cast<unsigned char>(field[i]);
        if (b == '\r' && i + 1 < field.size() && field[i + 1] == '\n') {
            ++i;
            folded.append(QByteArray(1, '\t'));
        } else {
            folded.last() += (b < 32 && b != '\t') || b == 127 ? ' ' : static_cast<char>(b);
        }
    }
    for (qsizetype i = 0; i < folded.size(); ++i) {
        QByteArray line = folded[i];
        // A continuation of blanks only would read as the end of the header.
        if (i > 0 && line.trimmed().isEmpty()) continue;
        // A line over the limit folds before its last blank that fits.
        while (line.size() > kMaxHeaderLineBytes) {
            qsizetype at = kMaxHeaderLineBytes;
            while (at > 1 && line[at] != ' ' && line[at] != '\t') --at;
            if (at <= 1) break;  // one word: nothing to fold at
            lines.append(line.left(at));
            line.remove(0, at);
        }
        lines.append(line);
    }
}

void insertHeaderField(QList<QByteArray>& lines, const QByteArray& name, const QByteArray& value) {
    const qsizetype end = headerEnd(lines);
    for (qsizetype i = 0; i < end; ++i)
        if (fieldNameIs(lines[i], name)) return;
    QList<QByteArray> field;
    appendHeaderField(field, name, value);
    for (qsizetype i = 0; i < field.size(); ++i) lines.insert(end + i, field[i]);
}

void removeHeaderField(QList<QByteArray>& lines, const QByteArray& name) {
    const qsizetype end = headerEnd(lines);
    for (qsizetype i = 0; i < end; ++i) {
        if (!fieldNameIs(lines[i], name)) continue;
        qsizetype j = i + 1;
        while (j < end && !lines[j].isEmpty() && (lines[j][0] == ' ' || lines[j][0] == '\t')) ++j;
        lines.remove(i, j - i);
        return;
    }
}

QByteArray makeMessageId(const QString& hostName) {
    static std::atomic<int> counter{0};
    const int n = ++counter;
    const QDateTime now = QDateTime::currentDateTime();
    auto hex = [](qint64 v, int width) { return QByteArray::number(v, 16).toUpper().rightJustified(width, '0'); };
    const QByteArray stamp = hex(now.date().month(), 2) + hex(now.date().day(), 2) + hex(now.time().hour(), 2) +
                             hex(now.time().minute(), 2) + hex(now.time().second(), 2) + hex(now.time().msec(), 2);
    QElapsedTimer uptime;
    uptime.start();
    // Milliseconds of the monotonic clock, which counts from boot.
    const qint64 ticks = uptime.msecsSinceReference() & 0xFFFFFFFF;
    // Only characters a message identifier may hold on its right side.
    QByteArray host;
    for (QChar c : hostName)
        if (c.isLetterOrNumber() && c.unicode() < 128) host += static_cast<char>(c.unicode());
        else if (c == u'.' || c == u'-') host += static_cast<char>(c.unicode());
    if (host.isEmpty()) host = "localhost";
    return '<' + hex(ticks, 8) + stamp.left(12) + hex(n, 3) + hex(2 * qint64(n), 3) + '@' + host + '>';
}

}  // namespace lettrica::mail
