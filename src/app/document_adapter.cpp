#include "app/document_adapter.h"

#include <QTextDocument>

#include "app/document_builder.h"
#include "app/document_reader.h"

namespace lettrica::app {

DocumentSnapshot snapshotDocument(const QTextDocument& document) {
    DocumentSnapshot snapshot;
    DocumentReader reader(document, snapshot.formats);
    reader.read(snapshot.text, static_cast<std::size_t>(-1));
    return snapshot;
}

void buildDocument(QTextDocument& document, const text::StyledText& text, const DocumentFormats& formats) {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    DocumentBuilder builder(document, formats);
    builder.beginBatch();
    for (const text::Paragraph& paragraph : text.paragraphs) {
        builder.beginParagraph(paragraph.format);
        for (const text::Run& run : paragraph.runs) builder.insertText(run.text, run.format);
    }
    builder.endBatch();
    document.setUndoRedoEnabled(undo);
}

}  // namespace lettrica::app
