#pragma once
// Between the engine's file model (RichDocument: what the RTF reader gives
// and the RTF writer takes) and the one adapter of the panes, the
// DocumentReader and DocumentBuilder that conversions use too. Only the
// formats are mapped here; walking a QTextDocument is theirs.
// - characters: font name, size, colour, background, bold, italic,
//   underline, strike, super- and subscript; a picture as a
//   QTextImageFormat whose image is a resource of the document;
// - paragraphs: alignment, indents, list membership (style, level, start),
//   the table cell that holds them;
// - tables: rows, columns, spans, column widths, cell shading, borders,
//   tables in cells.
//
// Lists are objects of their document: each (listId, listLevel) of the file
// becomes one QTextList built in the target, and each QTextList of a pane one
// list of the file. Qt indents a list by its level, so the indents a file
// gives a list item are kept beside it (not applied twice) and written back
// as they came; a numbering start is kept the same way, since this Qt may
// have no QTextListFormat::setStart.
//
// Qt measures lengths in pixels at 96 dots per inch, RTF in twips: one
// pixel is 15 twips.

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <tuple>

#include "app/document/document_model.h"
#include "docio/rtf_builder.h"

class QTextDocument;

namespace lettrica::app {

class DocumentBuilder;

// Fills an empty QTextDocument from the paragraphs of a file as the RTF
// reader hands them over, so that the file's text is never held twice.
// Reading stops (the sink says no) once the text passes the limits given.
struct FillLimits {
    std::size_t characters = static_cast<std::size_t>(-1);  // UTF-16 units, paragraph ends not counted
    std::size_t paragraphs = static_cast<std::size_t>(-1);
};

class RichDocumentFiller final : public docio::RtfParagraphSink {
public:
    explicit RichDocumentFiller(QTextDocument& document, FillLimits limits = {});
    ~RichDocumentFiller() override;

    bool paragraph(const docio::RichDocument& tables, text::Paragraph&& paragraph) override;
    // Ends the one edit the filling is; the document is ready to be shown.
    void finish();

    bool overLimits() const { return overLimits_; }
    std::size_t characters() const { return characters_; }
    std::size_t paragraphs() const { return paragraphs_; }
    // Pictures the pane cannot show (their bytes are no image Qt reads).
    int brokenPictures() const { return brokenPictures_; }

private:
    void mapTables(const docio::RichDocument& tables);
    int paragraphStyle(const docio::RichDocument& tables, const text::Paragraph& paragraph);

    QTextDocument& document_;
    const FillLimits limits_;
    DocumentFormats formats_;
    std::unique_ptr<DocumentBuilder> builder_;
    bool undo_;
    bool finished_ = false;
    bool overLimits_ = false;
    std::size_t characters_ = 0, paragraphs_ = 0;
    int brokenPictures_ = 0;
    std::size_t tablesMapped_ = 0;
    struct ListInQt {
        int part = -1;  // the index in formats_.lists of the part items are added to
        int items = 0;  // in all parts so far
    };
    std::map<std::pair<int, int>, ListInQt> lists_;  // by (listId, listLevel)
    // (paragraph format, list part, first run's format) -> paragraph style
    std::map<std::tuple<int, int, int>, int> styles_;
};

// The document as a file would hold it. Characters that stand for objects
// (frame boundaries, a U+FFFC that is no picture) are no text and are left
// out. A format a run does not set (no font name or size of its own) takes
// the document's default font.
docio::RichDocument richDocumentOf(const QTextDocument& document);

// The same a paragraph at a time, so that a save never holds the text a
// second time: the tables (formats, tables, pictures) come first, from one
// pass over the document's formats, then the paragraphs are read from the
// document as they are asked for, a few tens of thousands of characters
// ahead. Without that pass (a text file needs no tables) the tables grow as
// the paragraphs come. The document must not change while it is read.
class RichDocumentReading {
public:
    explicit RichDocumentReading(const QTextDocument& document);
    ~RichDocumentReading();
    RichDocumentReading(const RichDocumentReading&) = delete;
    RichDocumentReading& operator=(const RichDocumentReading&) = delete;

    // The pass over the formats, before any paragraph is asked for. `pace`,
    // when given, sees the paragraphs looked at and in all; false when it
    // said stop.
    bool readTables(const std::function<bool(std::size_t, std::size_t)>& pace = {});
    // Every format, table and picture the paragraphs use (no text), once
    // readTables() is done.
    const docio::RichDocument& tables() const;

    // The next paragraph; false after the last.
    bool next(text::Paragraph& paragraph);
    // From the first paragraph again.
    void rewind();
    // Characters of the paragraphs next() has gone past and in all, a
    // paragraph break counting two.
    std::size_t position() const;
    std::size_t total() const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace lettrica::app
