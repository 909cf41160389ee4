#include "mail/address.h"

#include <vector>

namespace lettrica::mail {

namespace {

bool isAddressChar(QChar c) {
    const char16_t u = c.unicode();
    if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')) return true;
    static const QString extra = QStringLiteral("!#$%&'*+-/=?_`{}|~^.@\"");
    return extra.contains(c);
}

bool escapedAt(const QString& s, qsizetype i) { return i > 0 && s[i - 1] == u'\\'; }

bool isBlankOrControl(QChar c) { return c.unicode() <= 0x20; }

QString trimmedBlanks(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && isBlankOrControl(s[b])) ++b;
    while (e > b && isBlankOrControl(s[e - 1])) --e;
    return s.mid(b, e - b);
}

QString stripPair(const QString& s, QChar open, QChar close) {
    if (s.size() >= 2 && s.front() == open && s.back() == close) return trimmedBlanks(s.mid(1, s.size() - 2));
    return s;
}

}  // namespace

MailAddress parseAddress(const QString& text) {
    MailAddress result;
    qsizetype from = -1, to = -1;  // the part of `text` that is the address, brackets included

    // The last unescaped <...> pair.
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'<' || escapedAt(text, i)) continue;
        qsizetype j = i + 1;
        while (j < text.size() && !(text[j] == u'>' && !escapedAt(text, j))) ++j;
        if (j >= text.size()) break;
        from = i;
        to = j + 1;
        result.address = text.mid(i + 1, j - i - 1).trimmed();
        i = j;
    }

    if (from < 0) {
        // A bare address: the run of address characters around an "@" that
        // stands outside quotes and comments. Quoted text counts as address
        // characters, so "john doe"@host stays whole.
        std::vector<bool> quoted(static_cast<size_t>(text.size()), false);
        std::vector<bool> commented(static_cast<size_t>(text.size()), false);
        bool inQuote = false;
        int depth = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c == u'"' && !escapedAt(text, i) && depth == 0) {
                quoted[i] = true;
                inQuote = !inQuote;
                continue;
            }
            quoted[i] = inQuote;
            if (inQuote) continue;
            if (c == u'(' && !escapedAt(text, i)) ++depth;
            commented[i] = depth > 0;
            if (c == u')' && !escapedAt(text, i) && depth > 0) --depth;
        }
        auto addressChar = [&](qsizetype i) { return quoted[i] || (!commented[i] && isAddressChar(text[i])); };
        for (qsizetype at = 1; at + 1 < text.size(); ++at) {
            if (text[at] != u'@' || quoted[at] || commented[at]) continue;
            if (!addressChar(at - 1) || !addressChar(at + 1)) continue;
            qsizetype b = at, e = at + 1;
            while (b > 0 && addressChar(b - 1)) --b;
            while (e < text.size() && addressChar(e)) ++e;
            from = b;
            to = e;
            result.address = text.mid(b, e - b);
            break;
        }
    }

    QString rest = from >= 0 ? text.left(from) + text.mid(to) : text;
    // Unescaped quotes become blanks, escapes give the escaped character.
    QString name;
    name.reserve(rest.size());
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const QChar c = rest[i];
        if (c == u'\\' && i + 1 < rest.size()) {
            name += rest[++i];
        } else if (c == u'"') {
            name += u' ';
        } else {
            name += c;
        }
    }
    name = trimmedBlanks(name);
    name = stripPair(name, u'\'', u'\'');
    name = stripPair(name, u'(', u')');
    result.name = name;
    return result;
}

bool anglesPaired(const QString& text) {
    int opened = 0, closed = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (escapedAt(text, i)) continue;
        if (text[i] == u'<' && ++opened > 1) return false;
        if (text[i] == u'>' && ++closed > opened) return false;
    }
    return opened == closed;
}

QStringList splitAddressList(const QString& text) {
    QStringList pieces;
    auto flush = [&](qsizetype b, qsizetype e) {
        const QString piece = trimmedBlanks(text.mid(b, e - b));
        if (!piece.isEmpty()) pieces.append(piece);
    };
    // A separator inside a double-quoted name, or inside a name that opens
    // with a single quote, belongs to the name. An apostrophe elsewhere
    // (O'Brien) is just a letter and must not swallow the next address.
    qsizetype start = 0;
    bool inDouble = false;
    bool inSingle = false;
    bool atPieceStart = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"' && !escapedAt(text, i) && !inSingle) {
            inDouble = !inDouble;
        } else if (c == u'\'' && !inDouble) {
            if (atPieceStart) inSingle = true;
            else if (inSingle) inSingle = false;
        } else if ((c == u',' || c == u';' || c == u'\r' || c == u'\n') && !inDouble && !inSingle) {
            flush(start, i);
            start = i + 1;
            atPieceStart = true;
            continue;
        }
        if (!isBlankOrControl(c)) atPieceStart = false;
    }
    flush(start, text.size());
    return pieces;
}

QList<MailAddress> parseAddressList(const QString& text) {
    QList<MailAddress> list;
    for (const QString& piece : splitAddressList(text)) list.append(parseAddress(piece));
    return list;
}

QString formatDisplayName(const QString& name) {
    static const QString escaped = QStringLiteral("\"()\\");
    static const QString special = QStringLiteral(" ,;:<>@[]\t");
    bool needsEscape = false;
    bool needsQuotes = false;
    for (QChar c : name) {
        if (escaped.contains(c)) needsEscape = true;
        if (special.contains(c)) needsQuotes = true;
    }
    if (needsEscape) {
        QString out;
        out.reserve(name.size() + 8);
        out += u'"';
        for (QChar c : name) {
            if (escaped.contains(c)) out += u'\\';
            out += c;
        }
        out += u'"';
        return out;
    }
    if (needsQuotes) return u'"' + name + u'"';
    return name;
}

QString formatAddress(const QString& name, const QString& address) {
    if (name.isEmpty() || name == address) return address;
    return formatDisplayName(name) + QStringLiteral(" <") + address + u'>';
}

}  // namespace lettrica::mail
