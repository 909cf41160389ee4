#include "mail/mime_encoding.h"

#include <algorithm>

#include "mail/charset.h"

namespace lettrica::mail {

namespace {

const char kHex[] = "0123456789ABCDEF";

void appendHex(QByteArray& out, unsigned char b) {
    out += '=';
    out += kHex[b >> 4];
    out += kHex[b & 15];
}

bool isQLiteral(unsigned char b) {
    return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '!' || b == '*' ||
           b == '+' || b == '-' || b == '/';
}

QByteArray wrap(const QByteArray& bytes, TransferEncoding method, const QByteArray& charset) {
    if (method == TransferEncoding::None) return bytes;
    const bool base64 = method == TransferEncoding::Base64;
    return "=?" + charset + (base64 ? "?B?" : "?Q?") + (base64 ? bytes.toBase64() : encodeQ(bytes)) + "?=";
}

}  // namespace

QByteArray transferEncodingName(TransferEncoding encoding) {
    switch (encoding) {
        case TransferEncoding::None: return "7bit";
        case TransferEncoding::QuotedPrintable: return "quoted-printable";
        case TransferEncoding::Base64: return "base64";
        case TransferEncoding::EightBit: return "8bit";
    }
    return "7bit";
}

TransferEncoding chooseHeaderEncoding(const QByteArray& bytes) {
    TransferEncoding method = TransferEncoding::None;
    int line = 0;
    qsizetype high = 0;
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b == '\r' || b == '\n') {
            if (line > kCharsPerLine) method = TransferEncoding::QuotedPrintable;
            line = 0;
        } else if (b < 32) {
            return TransferEncoding::Base64;
        } else if (b < 127) {
            ++line;
        } else {
            method = TransferEncoding::QuotedPrintable;
            if (++high > bytes.size() / 2) return TransferEncoding::Base64;
        }
    }
    if (line > kCharsPerLine) method = TransferEncoding::QuotedPrintable;
    return method;
}

QByteArray encodeQ(const QByteArray& bytes) {
    QByteArray out;
    out.reserve(bytes.size() * 3);
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b == ' ')
            out += '_';
        else if (isQLiteral(b))
            out += ch;
        else
            appendHex(out, b);
    }
    return out;
}

QByteArray encodeHeaderText(const QString& text, const QString& charsetName, int limit, TransferEncoding forced) {
    QString flat = text;
    flat.replace(QLatin1String("\r\n"), QLatin1String(" "));
    flat.replace(u'\r', u' ');
    flat.replace(u'\n', u' ');

    QString charset = charsetName;
    std::optional<QByteArray> encoded = encodeCharset(flat, charset);
    if (!encoded) {
        charset = QStringLiteral("UTF-8");
        encoded = flat.toUtf8();
    }
    const QByteArray bytes = *encoded;
    const QByteArray label = charset.toLatin1();
    const bool utf8 = isUtf8Charset(charset);

    TransferEncoding method = chooseHeaderEncoding(bytes);
    if (method != TransferEncoding::None && forced != TransferEncoding::None && forced != TransferEncoding::EightBit)
        method = forced;

    const qsizetype m = std::max(1, limit);
    auto pieces = [&](TransferEncoding how) {
        const qsizetype e = wrap(bytes, how, label).size();
        return e / m + (e % m != 0 ? 1 : 0);
    };
    qsizetype n = pieces(method);
    if (method == TransferEncoding::None) {
        if (n <= 1) return bytes.trimmed();
        method = TransferEncoding::QuotedPrintable;
        n = pieces(method);
    }
    if (n < 1) n = 1;

    // Pieces of K = L div N bytes, the last one taking what is left; in UTF-8
    // a cut moves back to the start of a character.
    auto cut = [&](qsizetype pieces) {
        const qsizetype k = std::max<qsizetype>(1, bytes.size() / pieces);
        QList<QByteArray> words;
        qsizetype pos = 0;
        while (pos < bytes.size()) {
            qsizetype end = std::min(bytes.size(), pos + k);
            if (utf8) {
                auto continuation = [&](qsizetype i) { return (static_cast<unsigned char>(bytes[i]) & 0xC0) == 0x80; };
                qsizetype c = end;
                while (c > pos && c < bytes.size() && continuation(c)) --c;
                if (c == pos) {  // one character longer than a piece: take it whole
                    c = pos + 1;
                    while (c < bytes.size() && continuation(c)) ++c;
                }
                end = c;
            }
            words.append(wrap(bytes.mid(pos, end - pos), method, label));
            pos = end;
        }
        return words;
    };
    auto longest = [](const QList<QByteArray>& words) {
        qsizetype m = 0;
        for (const QByteArray& w : words) m = std::max(m, w.size());
        return m;
    };

    // Every piece carries the whole wrapper, and quoted-printable pieces
    // vary in length, so N from the total alone can give words over the
    // RFC 2047 limit: take more pieces until every word fits (or each is
    // one character).
    QList<QByteArray> words = cut(n);
    const qsizetype wrapper = wrap(QByteArray(), method, label).size();
    while (longest(words) > kMaxEncodedWord && bytes.size() / n > 1) {
        const qsizetype room = std::max<qsizetype>(1, kMaxEncodedWord - wrapper);
        const qsizetype needed = (n * (longest(words) - wrapper) + room - 1) / room;
        n = std::max(n + 1, needed);
        words = cut(n);
    }
    return words.join("\r\n").trimmed();
}

QList<QByteArray> quotedPrintableLines(const QByteArray& line) {
    // Encode byte by byte, then break so that no output line exceeds 76
    // characters counting the soft break "=", never inside an =XX triple.
    QList<QByteArray> tokens;
    tokens.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        const auto b = static_cast<unsigned char>(line[i]);
        const bool last = i + 1 == line.size();
        QByteArray t;
        if ((b >= 33 && b <= 126 && b != '=') || ((b == ' ' || b == '\t') && !last))
            t += static_cast<char>(b);
        else
            appendHex(t, b);
        tokens.append(t);
    }
    QList<QByteArray> out;
    QByteArray current;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QByteArray& t = tokens[i];
        const bool last = i + 1 == tokens.size();
        // The last token may use the 76th column; others must leave room for "=".
        const qsizetype room = last ? kCharsPerLine : kCharsPerLine - 1;
        if (current.size() + t.size() > room) {
            out.append(current + '=');
            current.clear();
        }
        current += t;
    }
    out.append(current);
    return out;
}

QList<QByteArray> base64Lines(const QByteArray& bytes) {
    const QByteArray all = bytes.toBase64();
    QList<QByteArray> out;
    for (qsizetype i = 0; i < all.size(); i += kCharsPerLine) out.append(all.mid(i, kCharsPerLine));
    return out;
}

}  // namespace lettrica::mail
