#pragma once
// Fills an empty QTextDocument from styled text, a paragraph and a run at a
// time, so that a long command can let the event loop run in between. Lists,
// tables and frames are made anew in the target as the paragraphs that live
// in them arrive: the target ends up with the same blocks, in the same
// cells, as the document the formats were read from.

#include <QTextCursor>
#include <QVector>
#include <string_view>

#include "app/document/document_model.h"

class QTextDocument;
class QTextFrame;
class QTextList;

namespace lettrica::app {

class DocumentBuilder {
public:
    // `formats` may still grow while the builder works (a reader ahead of it
    // adds to them); it must outlive the builder.
    DocumentBuilder(QTextDocument& document, const DocumentFormats& formats);

    // Starts the next paragraph in paragraph style `style`; the first call
    // takes the document's first block.
    void beginParagraph(int style);
    // Appends text to the current paragraph in character format `format`.
    void insertText(std::u16string_view text, int format);

    // Edits between these two reach the document as one change, which costs
    // far less than one change per insertion. Close a batch before the
    // document is used otherwise or the event loop runs.
    void beginBatch() { cursor_.beginEditBlock(); }
    void endBatch() { cursor_.endEditBlock(); }

private:
    void moveTo(const Container& target);
    QVector<Container> pathTo(Container container) const;
    void createFrame(int index);
    void enterCell(const Container& cell);
    void takeImages();

    QTextDocument& document_;
    const DocumentFormats& formats_;
    QTextCursor cursor_;
    int imagesTaken_ = 0;
    // The cursor's block has no paragraph yet: the document's first block,
    // or one that a frame brought (a cell's first block, the block after a
    // frame). The latter begin at the frame's own mark, whose character
    // format is the frame's and stays.
    bool pending_ = true;
    bool frameMark_ = false;
    Container current_;
    QVector<QTextFrame*> frames_;
    QVector<QTextList*> lists_;
};

}  // namespace lettrica::app
