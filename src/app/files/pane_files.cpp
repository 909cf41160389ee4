#include "app/files/pane_files.h"

#include <QFile>
#include <QPointer>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <filesystem>

#include "app/files/rich_document_adapter.h"
#include "app/u16_text.h"
#include "docio/plain_text.h"
#include "docio/rtf_builder.h"
#include "docio/rtf_writer.h"
#include "fileio/atomic_file.h"
#include "fileio/regular_file.h"
#include "text/cp1251.h"
#include "text/utf8.h"

namespace lettrica::app {

namespace {

std::filesystem::path nativePath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// Faults after which the file's end was still reached: what was read is all
// the file holds.
bool readToTheEnd(docio::RtfError error) {
    return error == docio::RtfError::None || error == docio::RtfError::Truncated ||
           error == docio::RtfError::WordTooLong;
}

// Finds a run of more than kLongestWrappedWord characters without a space,
// a hyphen or a line end, in text fed to it piece by piece.
class WordMeter {
public:
    void feed(std::u16string_view text) {
        for (char16_t c : text) {
            word_ = QChar::isSpace(c) || c == u'-' ? 0 : word_ + 1;
            if (word_ > kLongestWrappedWord) tooLong_ = true;
        }
    }
    void paragraphEnd() { word_ = 0; }
    bool tooLong() const { return tooLong_; }

private:
    std::size_t word_ = 0;
    bool tooLong_ = false;
};

void setWrapMode(QTextDocument& document, QTextOption::WrapMode mode) {
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(mode);
    document.setDefaultTextOption(option);
}

}  // namespace

QTextDocument* newPaneDocument(QTextEdit* pane) {
    const QTextDocument* old = pane->document();
    auto* document = new QTextDocument(pane);
    document->setDefaultFont(old->defaultFont());
    document->setDefaultTextOption(old->defaultTextOption());
    setWrapMode(*document, QTextOption::WrapAtWordBoundaryOrAnywhere);
    document->setDocumentMargin(old->documentMargin());
    document->setIndentWidth(old->indentWidth());
    document->setDefaultStyleSheet(old->defaultStyleSheet());
    document->setUndoRedoEnabled(false);
    return document;
}

void showInPane(QTextEdit* pane, QTextDocument* document) {
    const bool undo = pane->document()->isUndoRedoEnabled();
    document->setUndoRedoEnabled(undo);
    QPointer<QTextDocument> previous(pane->document());
    // The pane imposes its wrap mode on any document it shows, and a change
    // of mode lays its document out again: change it while the pane shows
    // an empty one, so that neither the old nor the new text is laid out twice.
    const QTextOption::WrapMode wrap = document->defaultTextOption().wrapMode();
    if (pane->wordWrapMode() != wrap) {
        auto* empty = new QTextDocument(pane);
        pane->setDocument(empty);
        pane->setWordWrapMode(wrap);
        pane->setDocument(document);
        delete empty;
    }
    pane->setDocument(document);
    if (previous && previous != document) previous->deleteLater();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::Start);
    pane->setTextCursor(cursor);
}

bool readDocumentFile(const QString& path, QTextDocument& document, const QTextCharFormat& plainFormat) {
    const settings::FileContents file = settings::readRegularFile(nativePath(path), kMaxOpenBytes);
    if (file.state != settings::FileState::Regular) return false;
    WordMeter words;
    if (docio::isRtfDocument(file.bytes)) {
        const docio::RtfReadResult read = docio::readRtf(file.bytes);
        if (!readToTheEnd(read.fault.error) || read.document.text.paragraphs.size() > kMaxOpenParagraphs)
            return false;
        for (const text::Paragraph& paragraph : read.document.text.paragraphs) {
            for (const text::Run& run : paragraph.runs) words.feed(run.text);
            words.paragraphEnd();
        }
        if (words.tooLong()) setWrapMode(document, QTextOption::WrapAnywhere);
        fillDocument(document, read.document);
        return true;
    }
    const std::u16string text = docio::normalizeLineEnds(docio::decodeTextFile(file.bytes).text);
    if (static_cast<std::size_t>(std::count(text.begin(), text.end(), u'\n')) >= kMaxOpenParagraphs) return false;
    words.feed(text);  // a line end is a space
    if (words.tooLong()) setWrapMode(document, QTextOption::WrapAnywhere);
    QTextCursor cursor(&document);
    cursor.setBlockCharFormat(plainFormat);  // also what an empty file gives typed text
    cursor.insertText(fromU16(text), plainFormat);
    return true;
}

std::u16string fileText(const QTextDocument& document) {
    const std::u16string text = richDocumentOf(document).text.plainText();
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c == 0x2028) out += u"\r\n";
        else out.push_back(c);
    }
    return out;
}

std::optional<char32_t> firstCharacterOutsideCp1251(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (text::unicodeToCp1251(c) >= 0) continue;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1]))
            return QChar::surrogateToUcs4(c, text[i + 1]);
        return c;
    }
    return std::nullopt;
}

std::string writeTextFile(const QString& path, std::u16string_view text, TextFileEncoding encoding) {
    std::string bytes;
    if (encoding == TextFileEncoding::Utf8) {
        bytes = text::encodeUtf8(text);
    } else {
        text::EncodeResult encoded = text::encodeCp1251(text);
        if (!encoded.ok()) return "a character has no Windows-1251 byte";
        bytes = std::move(encoded.bytes);
    }
    return settings::writeFileAtomically(nativePath(path), bytes).error;
}

std::string writeRtfFile(const QString& path, const QTextDocument& document) {
    const docio::RichDocument rich = richDocumentOf(document);
    settings::AtomicFileWriter writer(nativePath(path));
    if (!writer.ok()) return writer.error();
    bool written = true;
    docio::writeRtf(rich, [&](std::string_view piece) {
        if (written) written = writer.write(piece);
    });
    if (!written || !writer.commit()) return writer.error();
    return {};
}

}  // namespace lettrica::app
