#include "app/files/pane_files.h"

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <filesystem>

#include "app/document/pane_documents.h"
#include "app/document/pane_layout.h"
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
    QTextDocument* document = documentLike(*pane->document());
    document->setParent(pane);
    setWrapMode(*document, QTextOption::WrapAtWordBoundaryOrAnywhere);
    return document;
}

Pace partOf(const Pace& pace, double from, double to) {
    if (!pace) return {};
    return [pace, from, to](std::size_t done, std::size_t total) {
        constexpr double kWhole = 1e6;
        const double share = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
        return pace(static_cast<std::size_t>(kWhole * (from + (to - from) * share)), static_cast<std::size_t>(kWhole));
    };
}

void showInPane(QTextEdit* pane, QTextDocument* document) {
    QTextDocument* previous = swapIntoPane(pane, document);
    if (previous != document) disposeOfDocument(previous);
}

QTextDocument* swapIntoPane(QTextEdit* pane, QTextDocument* document) {
    const bool undo = pane->document()->isUndoRedoEnabled();
    document->setUndoRedoEnabled(undo);
    QTextDocument* previous = pane->document();
    // The pane deletes a document of its own making when it shows another.
    previous->setParent(pane);
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
    layOutWhenIdle(pane);
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::Start);
    pane->setTextCursor(cursor);
    return previous;
}

bool fitsOpenLimits(const QTextDocument& document) {
    const auto paragraphs = static_cast<std::size_t>(document.blockCount());
    const std::size_t characters = static_cast<std::size_t>(document.characterCount()) - paragraphs;
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
// `pace` sees the bytes read and three times the file's size.
FileBytes readFileBytes(const QString& path, const Pace& pace, bool& stopped) {
    FileBytes result;
    settings::RegularFileReader file(nativePath(path));
    std::size_t have = 0, limit = kMaxTextFileBytes;
    bool sniffed = false;
    while (file.state() == settings::FileState::Regular) {
        const std::size_t room = 1024 * 1024;
        result.bytes.resize(have + room);
        const std::size_t n = file.read(result.bytes.data() + have, room);
        have += n;
        if (!sniffed) {
            // The first bytes say whether it is RTF; then the buffer takes
            // the size the file claims, as far as it may be read.
            sniffed = true;
            if (docio::isRtfDocument(std::string_view(result.bytes.data(), have))) limit = static_cast<std::size_t>(-1);
            result.bytes.reserve(std::min(file.sizeHint(), limit - 1) + room);
        }
        if (n == 0) break;
        if (have > limit) {
            result.tooLarge = true;
            break;
        }
        if (pace && !pace(have, 3 * std::max(have, file.sizeHint()))) {
            stopped = true;
            break;
        }
    }
    result.bytes.resize(have);
    result.state = file.state();
    result.error = file.error();
    return result;
}

// Fills the document from the paragraphs an RTF reader hands over,
// measuring the words, within the window's limits, pacing the work.
class RtfFilling final : public docio::RtfParagraphSink {
public:
    RtfFilling(QTextDocument& document, std::size_t fileSize, const Pace& pace)
        : filler_(document, {kMaxOpenCharacters, kMaxOpenParagraphs}), fileSize_(fileSize), pace_(pace) {}
    bool paragraph(const docio::RichDocument& tables, text::Paragraph&& paragraph) override {
        for (const text::Run& run : paragraph.runs) words.feed(run.text);
        words.paragraphEnd();
        if (!filler_.paragraph(tables, std::move(paragraph))) return false;
        // The reader does not say how far it is in the file: a file holds
        // about four bytes for each character of its text.
        const std::size_t guess = std::min(fileSize_ - 1, 4 * filler_.characters());
        if (pace_ && !pace_(fileSize_ + guess, 3 * fileSize_)) stopped = true;
        return !stopped;
    }
    RichDocumentFiller& filler() { return filler_; }
    WordMeter words;
    bool stopped = false;

private:
    RichDocumentFiller filler_;
    const std::size_t fileSize_;
    const Pace& pace_;
};

// A text file into the document a piece at a time: decoded, counted
// against the limits, measured for long words and inserted, piece by piece.
OpenResult fillFromText(std::string_view bytes, QTextDocument& document, const QTextCharFormat& plainFormat,
                        const Pace& pace) {
    using Status = OpenResult::Status;
    OpenResult result;
    docio::TextFileDecoder decoder(bytes);
    WordMeter words;
    QTextCursor cursor(&document);
    cursor.setBlockCharFormat(plainFormat);  // also what an empty file gives typed text
    std::u16string piece;
    constexpr std::size_t kPiece = 64 * 1024;
    while (!decoder.done()) {
        piece.clear();
        const bool checking = !decoder.encoding();
        decoder.step(piece, kPiece);
        // The whole text is counted before any of it goes in.
        if (checking && decoder.encoding() &&
            (decoder.lineEnds() >= kMaxOpenParagraphs || decoder.characters() > kMaxOpenCharacters)) {
            result.status = Status::TooLarge;
            result.tooManyParagraphs = decoder.lineEnds() >= kMaxOpenParagraphs;
            return result;
        }
        words.feed(piece);  // a line end is a space
        if (!piece.empty()) cursor.insertText(fromU16(piece), plainFormat);
        if (pace && !pace(bytes.size() + decoder.progress(), bytes.size() + decoder.total())) {
            result.status = Status::Cancelled;
            return result;
        }
    }
    if (words.tooLong()) setWrapMode(document, QTextOption::WrapAnywhere);
    return result;
}

}  // namespace

OpenResult readDocumentFile(const QString& path, QTextDocument& document, const QTextCharFormat& plainFormat,
                            const Pace& pace) {
    using Status = OpenResult::Status;
    OpenResult result;
    bool stopped = false;
    FileBytes file = readFileBytes(path, pace, stopped);
    if (stopped) {
        result.status = Status::Cancelled;
        return result;
    }
    if (file.state != settings::FileState::Regular) {
        result.status = file.state == settings::FileState::NotRegular ? Status::NotRegular : Status::Unreadable;
        result.reason = file.error;
        return result;
    }
    if (file.tooLarge) {
        result.status = Status::TooLarge;
        return result;
    }
    if (!docio::isRtfDocument(file.bytes)) return fillFromText(file.bytes, document, plainFormat, pace);

    // The words are measured from the text as it arrives; the document is
    // laid out only once it is shown.
    RtfFilling filling(document, std::max<std::size_t>(file.bytes.size(), 1), pace);
    const docio::RtfReadResult read = docio::readRtf(file.bytes, filling);
    RichDocumentFiller& filler = filling.filler();
    filler.finish();
    if (filling.stopped) {
        result.status = Status::Cancelled;
        return result;
    }
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
    if (filling.words.tooLong()) setWrapMode(document, QTextOption::WrapAnywhere);
    return result;
}

std::optional<char32_t> firstCharacterOutsideCp1251(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        // ASCII and the Russian letters without the table: most of a text.
        if (c < 0x80 || (c >= 0x410 && c <= 0x44F) || text::unicodeToCp1251(c) >= 0) continue;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1]))
            return QChar::surrogateToUcs4(c, text[i + 1]);
        return c;
    }
    return std::nullopt;
}

namespace {

// Appends a paragraph as a TXT file holds it: a line break inside it is a
// line end. False when a character has no Windows-1251 byte.
bool appendFileText(const text::Paragraph& paragraph, TextFileEncoding encoding, std::string& bytes) {
    for (const text::Run& run : paragraph.runs) {
        std::u16string_view rest = run.text;
        for (std::size_t br; !rest.empty(); rest.remove_prefix(br == rest.npos ? rest.size() : br + 1)) {
            br = rest.find(char16_t{0x2028});
            const std::u16string_view part = rest.substr(0, br);
            if (encoding == TextFileEncoding::Utf8) {
                text::appendEncodedUtf8(part, bytes);
            } else {
                text::EncodeResult encoded = text::encodeCp1251(part);
                if (!encoded.ok()) return false;
                bytes += encoded.bytes;
            }
            if (br != rest.npos) bytes += "\r\n";
        }
    }
    return true;
}

}  // namespace

class TextFileWriting::Impl {
public:
    Impl(const QTextDocument& document, const QString& path, const Pace& pace)
        : reading(document), writer(nativePath(path)), pace_(pace) {}

    // Writes the file's text from the first paragraph on, as long as it can
    // be written in `encoding`, calling `look` with each paragraph. False
    // when the pace said stop.
    bool pass(TextFileEncoding encoding, const std::function<void(const text::Paragraph&)>& look);
    // More work than one pass, `more` characters from here: the bar keeps
    // what it shows and shares out the rest over what is left.
    void growWork(std::size_t more) {
        shown_ = share();
        base_ = done_;
        left_ = std::max<std::size_t>(more, 1);
    }
    // A second pass, from here to the end of it.
    std::size_t anotherPass() const { return (passStart_ + reading.total() - done_) + reading.total(); }
    bool grown() const { return left_ > 0; }

    RichDocumentReading reading;
    settings::AtomicFileWriter writer;  // keeps its error once a write failed
    bool whole = false;        // every paragraph written in the encoding of the last pass
    TextFileEncoding written = TextFileEncoding::Cp1251;

private:
    double share() const {
        if (left_ == 0) return reading.total() == 0 ? 1.0 : static_cast<double>(done_) / static_cast<double>(reading.total());
        return shown_ + (1 - shown_) * static_cast<double>(done_ - base_) / static_cast<double>(left_);
    }

    const Pace pace_;
    std::size_t done_ = 0;  // characters read, in all passes
    std::size_t passStart_ = 0;
    double shown_ = 0;
    std::size_t base_ = 0, left_ = 0;
};

bool TextFileWriting::Impl::pass(TextFileEncoding encoding, const std::function<void(const text::Paragraph&)>& look) {
    written = encoding;
    whole = false;
    bool writing = writer.truncate(0);
    reading.rewind();
    passStart_ = done_;
    std::string bytes;
    const auto flush = [&] {
        writing = writer.write(bytes);
        bytes.clear();
    };
    text::Paragraph paragraph;
    for (bool first = true; reading.next(paragraph); first = false) {
        if (look) look(paragraph);
        if (writing) {
            if (!first) bytes += "\r\n";
            writing = appendFileText(paragraph, encoding, bytes);
            if (writing && bytes.size() >= 256 * 1024) flush();
        }
        done_ = passStart_ + reading.position();
        if (pace_ && !pace_(static_cast<std::size_t>(share() * 1e6), 1000000)) return false;
    }
    if (writing && !bytes.empty()) flush();
    whole = writing;
    return true;
}

TextFileWriting::TextFileWriting(const QTextDocument& document, const QString& path, const Pace& pace)
    : impl_(std::make_unique<Impl>(document, path, pace)) {
    // The window's limits, where a line break inside a paragraph is a
    // paragraph of its own, and the first character Windows-1251 lacks.
    std::size_t characters = 0, lines = 0;
    const auto look = [&](const text::Paragraph& paragraph) {
        ++lines;
        for (const text::Run& run : paragraph.runs) {
            std::u16string_view rest = run.text;
            for (std::size_t br; !rest.empty(); rest.remove_prefix(br == rest.npos ? rest.size() : br + 1)) {
                br = rest.find(char16_t{0x2028});
                const std::u16string_view part = rest.substr(0, br);
                characters += part.size();
                if (br != rest.npos) ++lines;
                if (!outsideCp1251_ && (outsideCp1251_ = app::firstCharacterOutsideCp1251(part)))
                    impl_->growWork(impl_->anotherPass());
            }
        }
    };
    ready_ = impl_->pass(TextFileEncoding::Cp1251, look);
    fits_ = characters <= kMaxOpenCharacters && lines <= kMaxOpenParagraphs;
}

TextFileWriting::~TextFileWriting() = default;

std::string TextFileWriting::write(TextFileEncoding encoding) {
    if (!ready_) return kStopped;
    settings::AtomicFileWriter& writer = impl_->writer;
    if (!writer.ok()) return writer.error();
    if (!impl_->whole || impl_->written != encoding) {
        if (!impl_->grown()) impl_->growWork(impl_->reading.total());
        if (!impl_->pass(encoding, {})) return kStopped;
        if (!writer.ok()) return writer.error();
        if (!impl_->whole) return "a character has no Windows-1251 byte";
    }
    if (!writer.commit()) return writer.error();
    return {};
}

std::string writeRtfFile(const QString& path, const QTextDocument& document, const Pace& pace) {
    // The formats first, then each paragraph written as it is read.
    RichDocumentReading reading(document);
    if (!reading.readTables(partOf(pace, 0, 0.1))) return TextFileWriting::kStopped;
    settings::AtomicFileWriter writer(nativePath(path));
    if (!writer.ok()) return writer.error();
    bool written = true;
    docio::RtfWriter rtf(reading.tables(), [&](std::string_view piece) {
        if (written) written = writer.write(piece);
    });
    const Pace rest = partOf(pace, 0.1, 1);
    text::Paragraph paragraph;
    while (written && reading.next(paragraph)) {
        rtf.paragraph(paragraph);
        if (rest && !rest(reading.position(), reading.total())) return TextFileWriting::kStopped;
    }
    rtf.finish();
    if (!written || !writer.commit()) return writer.error();
    return {};
}

}  // namespace lettrica::app
