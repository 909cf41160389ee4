#pragma once
// Reads a QTextDocument into the engine's styled text a piece at a time, so
// that a long command can let the event loop run between pieces. Every block
// of the document becomes one paragraph, those in table cells and frames
// included, in document order; its format records the block's list and the
// cell that holds it (see document_model.h).
//
// The document must not change while it is read: the reader keeps its place
// as a block and a fragment of it.

#include <QHash>
#include <QTextBlock>
#include <map>
#include <tuple>
#include <vector>

#include "app/document/document_model.h"

class QTextDocument;
class QTextFrame;
class QTextObject;

namespace lettrica::app {

class DocumentReader {
public:
    // Formats found on the way are added to `formats`. What an empty
    // paragraph shows (ParagraphStyle::blockChar) costs a search of the
    // document for every paragraph; a file has no use for it.
    enum class EmptyParagraphFormat { Read, Skip };
    DocumentReader(const QTextDocument& document, DocumentFormats& formats,
                   EmptyParagraphFormat empty = EmptyParagraphFormat::Read);

    // Reads about `budget` more characters (a fragment is never split) and
    // appends each paragraph to `into` once it is read to its end.
    // Returns done().
    bool read(text::StyledText& into, std::size_t budget);

    // The next paragraph's formats without its text, registered as read()
    // would (so a reader that skims and one that reads the same document
    // give the same indexes): its style, and the format of each fragment
    // with text, in order. Not to be mixed with read() on one reader.
    struct Skimmed {
        int style = 0;
        std::vector<int> runFormats;
        std::size_t length = 0;  // its characters
    };
    // False once every paragraph is skimmed.
    bool skim(Skimmed& into);

    bool done() const { return !block_.isValid(); }
    // Characters read so far and in all, a paragraph break counting two.
    std::size_t position() const { return position_; }
    std::size_t total() const { return total_; }

private:
    int paragraphStyle(const QTextBlock& block);
    int charFormat(int documentIndex, const QTextFragment& fragment);
    int listIndex(const QTextObject* list);
    int frameIndex(QTextFrame* frame);
    void registerFrame(QTextFrame* frame);
    Container containerOf(const QTextBlock& block);

    const QTextDocument& document_;
    DocumentFormats& formats_;
    const QList<QTextFormat> all_;  // the document's formats, by its own index
    const bool hasFrames_;
    const bool blockChar_;
    const std::size_t total_;
    std::size_t position_ = 0;

    QTextBlock block_;
    bool inBlock_ = false;
    QTextBlock::iterator fragment_;
    text::Paragraph paragraph_;

    QHash<int, int> charIndex_;
    QHash<const QTextObject*, int> listIndex_;
    QHash<int, int> listOfBlockFormat_;  // the document's block format -> list index, -1 for none
    QHash<const QTextFrame*, int> frameIndex_;
    // (block format, block char format, list, frame, row, column) -> paragraph style
    std::map<std::tuple<int, int, int, int, int, int>, int> paragraphIndex_;
};

// The whole document at once.
DocumentSnapshot snapshotDocument(const QTextDocument& document);

}  // namespace lettrica::app
