#pragma once
// Whole documents at once, for tests and benchmarks. The window itself fills
// documents piece by piece (the conversion pipeline, the file filler).

#include <QTextDocument>

#include "app/document/document_builder.h"
#include "app/document/document_model.h"
#include "app/files/rich_document_adapter.h"

namespace wholedoc {

// Replaces the contents of `document` by `text`, formatted from `formats`
// (those the text's format indexes refer to), lists and tables made anew.
inline void build(QTextDocument& document, const lettrica::text::StyledText& text,
                  const lettrica::app::DocumentFormats& formats) {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    lettrica::app::DocumentBuilder builder(document, formats);
    builder.beginBatch();
    for (const lettrica::text::Paragraph& paragraph : text.paragraphs) {
        builder.beginParagraph(paragraph.format);
        for (const lettrica::text::Run& run : paragraph.runs) builder.insertText(run.text, run.format);
    }
    builder.endBatch();
    document.setUndoRedoEnabled(undo);
}

// Replaces the contents of `document` by the file model `rich`, as an open
// does; the undo stack is left empty.
inline void fill(QTextDocument& document, const lettrica::docio::RichDocument& rich) {
    lettrica::app::RichDocumentFiller filler(document);
    for (const lettrica::text::Paragraph& paragraph : rich.text.paragraphs)
        filler.paragraph(rich, lettrica::text::Paragraph(paragraph));
    filler.finish();
}

}  // namespace wholedoc
