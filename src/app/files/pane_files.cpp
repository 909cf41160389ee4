#include "app/files/pane_files.h"

#include <QFile>
#include <QPointer>
#include <QTextBlock>
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

bool fitsOpenLimits(const QTextDocument& document, bool asText) {
    std::size_t paragraphs = static_cast<std::size_t>(document.blockCount());
    const std::size_t characters = static_cast<std::size_t>(document.characterCount()) - paragraphs;
    if (asText)
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
            paragraphs += static_cast<std::size_t>(block.text().count(QChar(0x2028)));
    return characters <= kMaxOpenCharacters && paragraphs <= kMaxOpenParagraphs;
}

namespace {

// A text file of more bytes holds more characters than the pane takes,
// whatever its encoding (three bytes a character at most, and a line end).
constexpr std::size_t kMaxTextFileBytes = 3 * kMaxOpenCharacters + 2 * kMaxOpenParagraphs + 4;

struct FileBytes {
    settings::FileState state = settings::FileState::Missing;
    std::string bytes;
    std::string error;
    bool tooLarge = false;
};

// The whole file when it is regular. An RTF document is read whatever its
// size (the text it holds decides); other files up to kMaxTextFileBytes.
FileBytes readFileBytes(const QString& path) {
    FileBytes result;
    settings::RegularFileReader file(nativePath(path));
    std::size_t have = 0, limit = kMaxTextFileBytes;
    bool sniffed = false;
    while (file.state() == settings::FileState::Regular) {
        const std::size_t room = 256 * 1024;
        result.bytes.resize(have + room);
        const std::size_t n = file.read(result.bytes.data() + have, room);
        have += n;
        if (!sniffed) {
            // The first bytes say whether it is RTF; then the buffer takes
            // the size the file claims, as far as it may be read.
            sniffed = true;
            if (docio::isRtfDocument(std::string_view(result.bytes.data(), have))) limit = static_cast<std::size_t>(-1);
            result.bytes.reserve(std::min(file.sizeHint(), limit - 1) + 1);
        }
        if (n == 0) break;
        if (have > limit) {
            result.tooLarge = true;
            break;
        }
    }
    result.bytes.resize(have);
    result.state = file.state();
    result.error = file.error();
    return result;
}

}  // namespace

OpenResult readDocumentFile(const QString& path, QTextDocument& document, const QTextCharFormat& plainFormat) {
    using Status = OpenResult::Status;
    OpenResult result;
    FileBytes file = readFileBytes(path);
    if (file.state != settings::FileState::Regular) {
        result.status = file.state == settings::FileState::NotRegular ? Status::NotRegular : Status::Unreadable;
        result.reason = file.error;
        return result;
    }
    if (file.tooLarge) {
        result.status = Status::TooLarge;
        return result;
    }
    WordMeter words;
    if (docio::isRtfDocument(file.bytes)) {
        // The words are measured from the text as it arrives; the document
        // is laid out only once it is shown.
        class MeteredFiller final : public docio::RtfParagraphSink {
        public:
            MeteredFiller(RichDocumentFiller& filler, WordMeter& words) : filler_(filler), words_(words) {}
            bool paragraph(const docio::RichDocument& tables, text::Paragraph&& paragraph) override {
                for (const text::Run& run : paragraph.runs) words_.feed(run.text);
                words_.paragraphEnd();
                return filler_.paragraph(tables, std::move(paragraph));
            }

        private:
            RichDocumentFiller& filler_;
            WordMeter& words_;
        };
        RichDocumentFiller filler(document, {kMaxOpenCharacters, kMaxOpenParagraphs});
        MeteredFiller metered(filler, words);
        const docio::RtfReadResult read = docio::readRtf(file.bytes, metered);
        filler.finish();
        if (filler.overLimits()) {
            result.status = Status::TooLarge;
            result.tooManyParagraphs = filler.paragraphs() >= kMaxOpenParagraphs;
            return result;
        }
        if (!readToTheEnd(read.fault.error)) {
            result.status = Status::Damaged;
            result.reason = docio::describeRtfError(read.fault.error);
            return result;
        }
        result.report = read.report;
        result.report.picturesLeftOut += filler.brokenPictures();
        if (words.tooLong()) setWrapMode(document, QTextOption::WrapAnywhere);
        return result;
    }
    std::u16string text = docio::normalizeLineEnds(docio::decodeTextFile(file.bytes).text);
    file.bytes = std::string();
    const std::size_t lineEnds = static_cast<std::size_t>(std::count(text.begin(), text.end(), u'\n'));
    if (lineEnds >= kMaxOpenParagraphs || text.size() - lineEnds > kMaxOpenCharacters) {
        result.status = Status::TooLarge;
        result.tooManyParagraphs = lineEnds >= kMaxOpenParagraphs;
        return result;
    }
    words.feed(text);  // a line end is a space
    if (words.tooLong()) setWrapMode(document, QTextOption::WrapAnywhere);
    QTextCursor cursor(&document);
    cursor.setBlockCharFormat(plainFormat);  // also what an empty file gives typed text
    cursor.insertText(fromU16(text), plainFormat);
    return result;
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
