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
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "docio/rtf_builder.h"

class QTextDocument;
class QTextEdit;

namespace lettrica::app {

// What the window opens, counted in the text the pane will hold, whatever
// the file's form: its characters (UTF-16 units, paragraph ends not
// counted) and its paragraphs. Qt places the lines of a document at 1/64
// pixel in 32 bits: a pane cannot show more than 33.5 million pixels of
// text, about 2 million lines, and each paragraph takes a line at least.
// 125 million characters of Russian prose went past that at the window's
// first width; 64 Mi characters take half as many lines (wider, fewer). The
// pane lays out all of it when it is filled, about a minute at this size.
// A larger file is refused with a message that names lettrica-cli, which
// has no such limits. An RTF file holds no more text than the pane it was
// saved from, so whatever a pane within the limits saves, it opens.
inline constexpr std::size_t kMaxOpenCharacters = 64u << 20;
inline constexpr std::size_t kMaxOpenParagraphs = 2'000'000;
// Qt takes time in the square of a word's length to wrap it at the pane's
// edge. A pane opened on a file with a longer run of characters without a
// space wraps anywhere instead, which is as quick as any text, until a file
// without such a word is opened into it.
inline constexpr std::size_t kLongestWrappedWord = 10'000;

// Whether a pane's text is within what the window opens as RTF (a TXT file
// of it: TextFileWriting::fitsOpenLimits).
bool fitsOpenLimits(const QTextDocument& document);

// A new, empty document with the pane's defaults (font, margins, options),
// to be filled while no editor lays it out and then shown by showInPane.
QTextDocument* newPaneDocument(QTextEdit* pane);
// Shows `document` in the pane instead of its current one (which is freed
// later, off the window's thread), the caret at the start, laid out in idle
// time a slice at a time. The pane takes the document's wrap mode.
void showInPane(QTextEdit* pane, QTextDocument* document);
// The same, handing the pane's current document back instead (still a
// child of the pane), so that it can be shown again.
QTextDocument* swapIntoPane(QTextEdit* pane, QTextDocument* document);

// Called often while a file is read or written, with the work done and the
// work in all (in units of its own, growing as the work learns more);
// false stops the work.
using Pace = std::function<bool(std::size_t done, std::size_t total)>;
// `pace` for one part of a work, from `from` to `to` of the whole (0 to 1).
Pace partOf(const Pace& pace, double from, double to);

struct OpenResult {
    enum class Status {
        Opened,
        Unreadable,   // not there, no permission, a read error
        NotRegular,   // a directory, FIFO, device ...
        Damaged,      // an RTF document too damaged to show
        TooLarge,     // beyond the limits above
        OutOfMemory,
        Cancelled,    // the pace said stop
    };
    Status status = Status::Opened;
    std::string reason;        // Unreadable, NotRegular: the system's words; Damaged: the fault
    bool tooManyParagraphs = false;  // TooLarge: by its paragraphs, else by its characters
    docio::RtfReadReport report;     // Opened: what an RTF document held that the pane does not show
};

// Fills the empty `document` from the file; plain text takes `plainFormat`.
// Anything but Opened leaves the document in no state to be shown.
OpenResult readDocumentFile(const QString& path, QTextDocument& document, const QTextCharFormat& plainFormat,
                            const Pace& pace = {});

// The first character Windows-1251 cannot hold, as a whole code point.
std::optional<char32_t> firstCharacterOutsideCp1251(std::u16string_view text);

enum class TextFileEncoding { Cp1251, Utf8 };

// Write the file; an empty string when it worked, else why not. Text that
// Windows-1251 cannot hold whole is refused, never written with "?".
std::string writeTextFile(const QString& path, std::u16string_view text, TextFileEncoding encoding);
std::string writeRtfFile(const QString& path, const QTextDocument& document, const Pace& pace = {});

class RichDocumentReading;

// A document on its way to a TXT file, read from the document a paragraph
// at a time. The pass that looks at what the file will hold, before any
// question is asked, also writes it to a temporary file beside `path` in
// Windows-1251, as long as Windows-1251 holds it; write() then only puts the
// file in place, or writes it again in UTF-8. The document must not change
// meanwhile. A pace that says stop leaves ready() false.
class TextFileWriting {
public:
    TextFileWriting(const QTextDocument& document, const QString& path, const Pace& pace = {});
    ~TextFileWriting();
    bool ready() const { return ready_; }
    // Whether the window opens the file: each line break inside a paragraph
    // is a paragraph of its own there.
    bool fitsOpenLimits() const { return fits_; }
    // As firstCharacterOutsideCp1251 on the file's text.
    std::optional<char32_t> firstCharacterOutsideCp1251() const { return outsideCp1251_; }
    // An empty string when the file is written, else why not; kStopped when
    // the pace said stop. Until it is written, the old file is untouched.
    std::string write(TextFileEncoding encoding);
    static constexpr const char* kStopped = "stopped";

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
    bool ready_ = false;
    bool fits_ = false;
    std::optional<char32_t> outsideCp1251_;
};

}  // namespace lettrica::app
