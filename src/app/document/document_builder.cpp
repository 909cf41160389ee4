#include "app/document/document_builder.h"

#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include "app/u16_text.h"

namespace lettrica::app {

DocumentBuilder::DocumentBuilder(QTextDocument& document, const DocumentFormats& formats)
    : document_(document), formats_(formats), cursor_(&document) {}

void DocumentBuilder::beginParagraph(int style) {
    const ParagraphStyle s = formats_.paragraphStyles.value(style);
    if (!(s.container == current_)) moveTo(s.container);
    if (pending_) {
        cursor_.setBlockFormat(s.block);
        if (!frameMark_) cursor_.setBlockCharFormat(s.blockChar);
        pending_ = frameMark_ = false;
    } else {
        cursor_.insertBlock(s.block, s.blockChar);
    }
    if (s.list >= 0 && s.list < formats_.lists.size()) {
        if (lists_.size() < formats_.lists.size()) lists_.resize(formats_.lists.size(), nullptr);
        if (!lists_[s.list]) lists_[s.list] = cursor_.createList(formats_.lists[s.list]);
        else lists_[s.list]->add(cursor_.block());
    }
}

void DocumentBuilder::insertText(std::u16string_view text, int format) {
    if (text.empty()) return;
    const QTextCharFormat f = formats_.charFormats.value(format);
    if (f.isImageFormat()) takeImages();
    cursor_.insertText(fromU16(text), f);
}

void DocumentBuilder::takeImages() {
    // Pictures arrive with the formats that name them; copy the new ones.
    if (imagesTaken_ == formats_.images.size()) return;
    for (auto it = formats_.images.cbegin(); it != formats_.images.cend(); ++it)
        if (!document_.resource(QTextDocument::ImageResource, it.key()).isValid())
            document_.addResource(QTextDocument::ImageResource, it.key(), it.value());
    imagesTaken_ = static_cast<int>(formats_.images.size());
}

// The cells from the body down to `container`, outermost first.
QVector<Container> DocumentBuilder::pathTo(Container container) const {
    QVector<Container> path;
    while (container.frame >= 0 && container.frame < formats_.frames.size()) {
        path.prepend(container);
        const FrameShape& frame = formats_.frames[container.frame];
        if (frame.parent >= container.frame) break;  // a parent comes before its children
        container = Container{frame.parent, frame.parentRow, frame.parentColumn};
    }
    return path;
}

void DocumentBuilder::moveTo(const Container& target) {
    const QVector<Container> from = pathTo(current_);
    const QVector<Container> to = pathTo(target);
    qsizetype common = 0;
    while (common < from.size() && common < to.size() && from[common] == to[common]) ++common;

    if (common < from.size()) {
        if (common < to.size() && from[common].frame == to[common].frame) {
            enterCell(to[common]);  // the next cell of the same table
            ++common;
        } else {
            // Out of the frame: to the block that follows it.
            const QTextFrame* frame = frames_.value(from[common].frame);
            if (frame) cursor_.setPosition(frame->lastPosition() + 1);
            pending_ = frameMark_ = true;
        }
    }
    for (qsizetype i = common; i < to.size(); ++i) {
        if (!frames_.value(to[i].frame)) createFrame(to[i].frame);
        enterCell(to[i]);
    }
    current_ = target;
}

void DocumentBuilder::createFrame(int index) {
    if (frames_.size() <= index) frames_.resize(index + 1, nullptr);
    const FrameShape& shape = formats_.frames[index];
    if (shape.table) {
        QTextTable* table =
            cursor_.insertTable(std::max(1, shape.rows), std::max(1, shape.columns), shape.format.toTableFormat());
        // Spans first, while the cells are empty; then each cell's own format.
        for (const FrameShape::Cell& cell : shape.cells)
            if (cell.rowSpan > 1 || cell.columnSpan > 1)
                table->mergeCells(cell.row, cell.column, cell.rowSpan, cell.columnSpan);
        for (const FrameShape::Cell& cell : shape.cells) {
            QTextTableCell made = table->cellAt(cell.row, cell.column);
            if (made.isValid()) made.setFormat(cell.format);
        }
        frames_[index] = table;
    } else {
        frames_[index] = cursor_.insertFrame(shape.format);
    }
    pending_ = frameMark_ = true;
}

void DocumentBuilder::enterCell(const Container& cell) {
    QTextFrame* frame = frames_.value(cell.frame);
    if (!frame) return;
    int position = frame->firstPosition();
    if (auto* table = qobject_cast<QTextTable*>(frame)) {
        const QTextTableCell c = table->cellAt(cell.row, cell.column);
        if (c.isValid()) position = c.firstPosition();
    }
    cursor_.setPosition(position);
    pending_ = frameMark_ = true;
}

}  // namespace lettrica::app
