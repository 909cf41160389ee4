#pragma once
// A pane's document from a file and to a file, without dialogs or messages
// (file_commands.h adds those).
//
// Reading: the content decides. An RTF document opens with its formatting,
// whatever the file's name; anything else is plain text, UTF-8 when it is
// valid UTF-8 (a byte-order mark dropped), Windows-1251 otherwise.
// A damaged RTF document opens with what could be read when the reader got
// to the end of the file (it was cut short, or a control word was too long
// and skipped); it is refused when reading had to stop with bytes of the file
// left unread (groups nested too deep, \bin past the end), since the pane
// would show part of the file as if it were all of it.
//
// Writing: always through the atomic writer, so a failure leaves the old
// file exactly as it was.

#include <QString>
#include <QTextCharFormat>
#include <cstddef>
#include <optional>
#include <string>

class QTextDocument;
class QTextEdit;

namespace lettrica::app {

// The largest file the window opens, and the most paragraphs. The pane holds
// the whole text and lays it out, at about 120 bytes a paragraph besides the
// text; far beyond these a file takes minutes and gigabytes, and it is
// refused with the open error instead (lettrica-cli has no such limits).
inline constexpr std::size_t kMaxOpenBytes = 32u << 20;
inline constexpr std::size_t kMaxOpenParagraphs = 2'000'000;
// Qt takes time in the square of a word's length to wrap it at the pane's
// edge. A pane opened on a file with a longer run of characters without a
// space wraps anywhere instead, which is as quick as any text, until a file
// without such a word is opened into it.
inline constexpr std::size_t kLongestWrappedWord = 10'000;

// A new, empty document with the pane's defaults (font, margins, options),
// to be filled while no editor lays it out and then shown by showInPane.
QTextDocument* newPaneDocument(QTextEdit* pane);
// Shows `document` in the pane instead of its current one (which is deleted
// later), the caret at the start. The pane takes the document's wrap mode.
void showInPane(QTextEdit* pane, QTextDocument* document);

// Fills the empty `document` from the file; plain text takes `plainFormat`.
// False when the file cannot be read, is not a regular file, is larger than
// the limits above or is an RTF document too damaged to show.
bool readDocumentFile(const QString& path, QTextDocument& document, const QTextCharFormat& plainFormat);

// The document's text as a TXT file holds it: CR LF between paragraphs and
// for every line break inside one; no formatting, no list markers.
std::u16string fileText(const QTextDocument& document);

// The first character Windows-1251 cannot hold, as a whole code point.
std::optional<char32_t> firstCharacterOutsideCp1251(std::u16string_view text);

enum class TextFileEncoding { Cp1251, Utf8 };

// Write the file; an empty string when it worked, else why not. Text that
// Windows-1251 cannot hold whole is refused, never written with "?".
std::string writeTextFile(const QString& path, std::u16string_view text, TextFileEncoding encoding);
std::string writeRtfFile(const QString& path, const QTextDocument& document);

}  // namespace lettrica::app
