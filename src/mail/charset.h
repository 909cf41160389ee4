#pragma once
// Texts of a message are held in Unicode and turned into the bytes of the
// message's character set here. Windows-1251 goes through the engine's codec;
// UTF-8 and ISO-8859-1 are known as well. Any other name is labelled as given
// and carries the Windows-1251 bytes, the program's own code page.

#include <QByteArray>
#include <QString>
#include <optional>

namespace lettrica::mail {

// The bytes of `text` in `charset`, or nothing when the set cannot hold
// some character of it (so nothing is ever replaced by "?").
std::optional<QByteArray> encodeCharset(const QString& text, const QString& charset);

bool isUtf8Charset(const QString& charset);

}  // namespace lettrica::mail
