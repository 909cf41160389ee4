#pragma once
// Helpers shared by the mail unit tests: Windows-1251 bytes of a UTF-8
// literal and a decoder for encoded words written the obvious way, so that
// expectations do not come from the code under test.

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>

#include "text/cp1251.h"

inline QByteArray cp1251(const QString& s) {
    const auto r = lettrica::text::encodeCp1251(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), s.size()));
    return QByteArray(r.bytes.data(), static_cast<qsizetype>(r.bytes.size()));
}

inline QString fromCp1251(const QByteArray& b) {
    return QString::fromStdU16String(lettrica::text::decodeCp1251(std::string_view(b.constData(), b.size())));
}

// The bytes of one "=?charset?Q|B?text?=" word.
inline QByteArray decodeWord(const QByteArray& word) {
    static const QRegularExpression re(QStringLiteral("^=\\?([^?]+)\\?([QqBb])\\?([^?]*)\\?=$"));
    const auto m = re.match(QString::fromLatin1(word));
    if (!m.hasMatch()) return "<not an encoded word: " + word + ">";
    const QByteArray text = m.captured(3).toLatin1();
    if (m.captured(2).toUpper() == QLatin1String("B")) return QByteArray::fromBase64(text);
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '_') out += ' ';
        else if (text[i] == '=' && i + 2 < text.size() + 0) {
            out += static_cast<char>(text.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else out += text[i];
    }
    return out;
}

// Decodes every word of a header value whose words are separated by CR LF
// (and any folding blanks).
inline QByteArray decodeWords(const QByteArray& value) {
    QByteArray out;
    for (QByteArray w : value.split('\n')) out += decodeWord(w.trimmed());
    return out;
}
