#include "app/document_adapter.h"

#include <QHash>
#include <map>
#include <tuple>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

namespace lettrica::app {

DocumentSnapshot snapshotDocument(const QTextDocument& document) {
    DocumentSnapshot snap;
    const QList<QTextFormat> all = document.allFormats();
    QHash<int, int> charIndex;                 // document format index -> snapshot index
    std::map<std::tuple<int, int, int>, int> paragraphIndex;  // (block format, char format, list)
    QHash<const QTextList*, int> listIndex;

    auto charFormat = [&](int docIndex) {
        auto it = charIndex.find(docIndex);
        if (it != charIndex.end()) return *it;
        int i = static_cast<int>(snap.charFormats.size());
        snap.charFormats.append(all.value(docIndex).toCharFormat());
        charIndex.insert(docIndex, i);
        return i;
    };

    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        int list = -1;
        if (QTextList* l = block.textList()) {
            auto it = listIndex.find(l);
            if (it == listIndex.end()) {
                it = listIndex.insert(l, static_cast<int>(snap.lists.size()));
                snap.lists.append(l->format());
            }
            list = *it;
        }
        const auto key = std::make_tuple(block.blockFormatIndex(), block.charFormatIndex(), list);
        auto pit = paragraphIndex.find(key);
        if (pit == paragraphIndex.end()) {
            pit = paragraphIndex.emplace(key, static_cast<int>(snap.paragraphStyles.size())).first;
            snap.paragraphStyles.append(ParagraphStyle{block.blockFormat(), block.charFormat(), list});
        }

        text::Paragraph paragraph;
        paragraph.format = pit->second;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            text::appendRun(paragraph, viewU16(fragment.text()), charFormat(fragment.charFormatIndex()));
        }
        snap.text.paragraphs.push_back(std::move(paragraph));
    }
    return snap;
}

void buildDocument(QTextDocument& document, const text::StyledText& text, const DocumentSnapshot& styles) {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    QVector<QTextList*> lists(styles.lists.size(), nullptr);
    bool first = true;
    for (const text::Paragraph& paragraph : text.paragraphs) {
        const ParagraphStyle style = styles.paragraphStyles.value(paragraph.format);
        if (first) {
            cursor.setBlockFormat(style.block);
            cursor.setBlockCharFormat(style.blockChar);
            first = false;
        } else {
            cursor.insertBlock(style.block, style.blockChar);
        }
        if (style.list >= 0 && style.list < lists.size()) {
            if (!lists[style.list])
                lists[style.list] = cursor.createList(styles.lists[style.list]);
            else
                lists[style.list]->add(cursor.block());
        }
        for (const text::Run& run : paragraph.runs)
            cursor.insertText(fromU16(run.text), styles.charFormats.value(run.format));
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undo);
}

}  // namespace lettrica::app
