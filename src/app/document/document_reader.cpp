#include "app/document/document_reader.h"

#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include "app/u16_text.h"

namespace lettrica::app {

namespace {

// Every block is its text and one separator; the engine counts a paragraph
// break as two characters.
std::size_t countedLength(const QTextDocument& document) {
    const int n = document.characterCount() + document.blockCount() - 2;
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

}  // namespace

DocumentReader::DocumentReader(const QTextDocument& document, DocumentFormats& formats, EmptyParagraphFormat empty)
    : document_(document),
      formats_(formats),
      all_(document.allFormats()),
      hasFrames_(!document.rootFrame()->childFrames().isEmpty()),
      blockChar_(empty == EmptyParagraphFormat::Read),
      total_(countedLength(document)),
      block_(document.begin()) {}

bool DocumentReader::read(text::StyledText& into, std::size_t budget) {
    std::size_t spent = 0;
    while (!done() && spent < budget) {
        if (!inBlock_) {
            paragraph_ = text::Paragraph{};
            paragraph_.format = paragraphStyle(block_);
            fragment_ = block_.begin();
            inBlock_ = true;
        }
        for (; !fragment_.atEnd() && spent < budget; ++fragment_) {
            const QTextFragment fragment = fragment_.fragment();
            if (!fragment.isValid()) continue;
            const QString text = fragment.text();
            text::appendRun(paragraph_, viewU16(text), charFormat(fragment.charFormatIndex(), fragment));
            spent += static_cast<std::size_t>(text.size());
            position_ += static_cast<std::size_t>(text.size());
        }
        if (!fragment_.atEnd()) break;
        into.paragraphs.push_back(std::move(paragraph_));
        inBlock_ = false;
        block_ = block_.next();
        if (!done()) {
            position_ += 2;
            spent += 2;
        }
    }
    return done();
}

bool DocumentReader::skim(Skimmed& into) {
    if (done()) return false;
    into.style = paragraphStyle(block_);
    into.runFormats.clear();
    into.length = 0;
    for (QTextBlock::iterator it = block_.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid()) continue;
        const int format = charFormat(fragment.charFormatIndex(), fragment);
        if (fragment.length() == 0) continue;
        into.runFormats.push_back(format);
        into.length += static_cast<std::size_t>(fragment.length());
    }
    position_ += into.length;
    block_ = block_.next();
    if (!done()) position_ += 2;
    return true;
}

int DocumentReader::charFormat(int documentIndex, const QTextFragment& fragment) {
    auto it = charIndex_.constFind(documentIndex);
    if (it != charIndex_.constEnd()) return *it;
    const QTextCharFormat format = withoutObject(
        documentIndex >= 0 && documentIndex < all_.size() ? all_[documentIndex].toCharFormat() : fragment.charFormat());
    if (format.isImageFormat()) {
        // The picture itself lives in the document's resources.
        const QUrl name(format.toImageFormat().name());
        const QVariant image = document_.resource(QTextDocument::ImageResource, name);
        if (image.isValid()) formats_.images.insert(name, image);
    }
    const int index = static_cast<int>(formats_.charFormats.size());
    formats_.charFormats.append(format);
    charIndex_.insert(documentIndex, index);
    return index;
}

int DocumentReader::paragraphStyle(const QTextBlock& block) {
    // A block's list is named by its format: looked up once a format.
    const int blockFormat = block.blockFormatIndex();
    auto known = listOfBlockFormat_.constFind(blockFormat);
    if (known == listOfBlockFormat_.constEnd())
        known = listOfBlockFormat_.insert(blockFormat, block.textList() ? listIndex(block.textList()) : -1);
    const int list = *known;
    const Container container = containerOf(block);
    const auto key = std::make_tuple(blockFormat, blockChar_ ? block.charFormatIndex() : -1, list,
                                     container.frame, container.row, container.column);
    auto it = paragraphIndex_.find(key);
    if (it != paragraphIndex_.end()) return it->second;
    const int index = static_cast<int>(formats_.paragraphStyles.size());
    formats_.paragraphStyles.append(ParagraphStyle{withoutObject(block.blockFormat()),
                                                   blockChar_ ? withoutObject(block.charFormat()) : QTextCharFormat(),
                                                   list, container});
    paragraphIndex_.emplace(key, index);
    return index;
}

int DocumentReader::listIndex(const QTextObject* list) {
    auto it = listIndex_.constFind(list);
    if (it != listIndex_.constEnd()) return *it;
    const int index = static_cast<int>(formats_.lists.size());
    formats_.lists.append(withoutObject(list->format().toListFormat()));
    listIndex_.insert(list, index);
    return index;
}

Container DocumentReader::containerOf(const QTextBlock& block) {
    if (!hasFrames_) return {};
    QTextFrame* frame = document_.frameAt(block.position());
    if (!frame || frame == document_.rootFrame()) return {};
    const int index = frameIndex(frame);
    if (auto* table = qobject_cast<QTextTable*>(frame)) {
        const QTextTableCell cell = table->cellAt(block.position());
        if (cell.isValid()) return Container{index, cell.row(), cell.column()};
    }
    return Container{index, 0, 0};
}

int DocumentReader::frameIndex(QTextFrame* frame) {
    // Frames nest as deep as the pasted page had them: walk up without recursion
    // to the first frame already known, then register downwards.
    QVector<QTextFrame*> chain;
    for (QTextFrame* f = frame; f && f != document_.rootFrame() && !frameIndex_.contains(f); f = f->parentFrame())
        chain.append(f);
    for (auto it = chain.crbegin(); it != chain.crend(); ++it) registerFrame(*it);
    return frameIndex_.value(frame, -1);
}

void DocumentReader::registerFrame(QTextFrame* frame) {
    FrameShape shape;
    QTextFrame* parent = frame->parentFrame();
    if (parent && parent != document_.rootFrame()) {
        shape.parent = frameIndex_.value(parent, -1);
        if (auto* table = qobject_cast<QTextTable*>(parent)) {
            const QTextTableCell cell = table->cellAt(frame->firstPosition() - 1);
            if (cell.isValid()) {
                shape.parentRow = cell.row();
                shape.parentColumn = cell.column();
            }
        }
    }
    shape.format = withoutObject(frame->frameFormat());
    if (auto* table = qobject_cast<QTextTable*>(frame)) {
        shape.table = true;
        shape.rows = table->rows();
        shape.columns = table->columns();
        for (int r = 0; r < shape.rows; ++r) {
            for (int c = 0; c < shape.columns; ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                if (!cell.isValid() || cell.row() != r || cell.column() != c) continue;  // covered by a span
                shape.cells.append(
                    FrameShape::Cell{r, c, cell.rowSpan(), cell.columnSpan(), withoutObject(cell.format())});
            }
        }
    }
    frameIndex_.insert(frame, static_cast<int>(formats_.frames.size()));
    formats_.frames.append(shape);
}

DocumentSnapshot snapshotDocument(const QTextDocument& document) {
    DocumentSnapshot snapshot;
    DocumentReader reader(document, snapshot.formats);
    reader.read(snapshot.text, static_cast<std::size_t>(-1));
    return snapshot;
}

}  // namespace lettrica::app
