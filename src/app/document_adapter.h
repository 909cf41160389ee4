#pragma once
// Between a pane's QTextDocument and the engine's styled text, whole
// documents at once. The long commands use the reader and the builder
// piecewise instead (conversion_pipeline.h).

#include "app/document_model.h"

class QTextDocument;

namespace lettrica::app {

DocumentSnapshot snapshotDocument(const QTextDocument& document);

// Replaces the contents of `document` by `text`, formatted from `formats`
// (those the text's format indexes refer to), lists and tables made anew.
void buildDocument(QTextDocument& document, const text::StyledText& text, const DocumentFormats& formats);

}  // namespace lettrica::app
