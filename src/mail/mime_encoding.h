#pragma once
// MIME encodings of header texts (RFC 2047 encoded words) and of body lines
// (quoted-printable, base64).

#include <QByteArray>
#include <QList>
#include <QString>

namespace lettrica::mail {

enum class TransferEncoding { None, QuotedPrintable, Base64, EightBit };

// The Content-Transfer-Encoding name; None is "7bit".
QByteArray transferEncodingName(TransferEncoding encoding);

constexpr int kCharsPerLine = 76;
// RFC 2047: an encoded word is at most 75 characters long.
constexpr qsizetype kMaxEncodedWord = 75;

// The method a header text needs: base64 for control bytes or mostly 8-bit
// text, quoted-printable for some 8-bit bytes or a line over 76 characters,
// None for short printable ASCII.
TransferEncoding chooseHeaderEncoding(const QByteArray& bytes);

// The "Q" encoding of RFC 2047 for use anywhere in a header, display names
// included: letters, digits and ! * + - / stay, a blank becomes "_", every
// other byte becomes =XX. ("_", "?" and "=" are always encoded, so the
// text can neither turn into blanks nor end the word early.)
QByteArray encodeQ(const QByteArray& bytes);

// A header text (subject, display name) ready to be written: the text itself
// when it is short printable ASCII, else one or more encoded words in
// `charset`, each cut from the text so that it keeps near `limit`
// characters and never exceeds kMaxEncodedWord, joined by CR LF (the field
// writer folds them onto continuation lines). `forced` other than None
// imposes the method when one is needed. Line breaks inside the text become
// blanks: a header cannot carry them.
QByteArray encodeHeaderText(const QString& text, const QString& charset, int limit,
                            TransferEncoding forced = TransferEncoding::None);

// Quoted-printable body lines (RFC 2045) for one text line: soft line
// breaks keep every output line within 76 characters, blanks at the end of
// a line are encoded.
QList<QByteArray> quotedPrintableLines(const QByteArray& line);

// The base64 body of the whole text, in lines of 76 characters.
QList<QByteArray> base64Lines(const QByteArray& bytes);

}  // namespace lettrica::mail
