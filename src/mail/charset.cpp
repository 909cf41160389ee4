#include "mail/charset.h"

#include "text/cp1251.h"

namespace lettrica::mail {

bool isUtf8Charset(const QString& charset) {
    return charset.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0 ||
           charset.compare(QLatin1String("UTF8"), Qt::CaseInsensitive) == 0;
}

std::optional<QByteArray> encodeCharset(const QString& text, const QString& charset) {
    if (isUtf8Charset(charset)) return text.toUtf8();
    if (charset.compare(QLatin1String("ISO-8859-1"), Qt::CaseInsensitive) == 0 ||
        charset.compare(QLatin1String("Latin1"), Qt::CaseInsensitive) == 0 ||
        charset.compare(QLatin1String("us-ascii"), Qt::CaseInsensitive) == 0) {
        const char16_t limit = charset.startsWith(QLatin1String("us"), Qt::CaseInsensitive) ? 0x80 : 0x100;
        for (QChar c : text)
            if (c.unicode() >= limit) return std::nullopt;
        return text.toLatin1();
    }
    const std::u16string_view view(reinterpret_cast<const char16_t*>(text.utf16()), text.size());
    text::EncodeResult r = text::encodeCp1251(view);
    if (!r.ok()) return std::nullopt;
    return QByteArray(r.bytes.data(), static_cast<qsizetype>(r.bytes.size()));
}

}  // namespace lettrica::mail
