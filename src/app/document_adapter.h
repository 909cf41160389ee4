#pragma once
// Between a pane's QTextDocument and the engine's styled text. A run's format
// is an index into the snapshot's character formats, a paragraph's an index
// into its paragraph styles; both travel through the engine untouched and
// come back here when the converted document is built.

#include <QList>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextListFormat>
#include <QVector>

#include "app/u16_text.h"
#include "text/styled_text.h"

class QTextDocument;

namespace lettrica::app {

struct ParagraphStyle {
    QTextBlockFormat block;
    QTextCharFormat blockChar;  // the format an empty paragraph shows
    int list = -1;              // index into lists, -1 outside a list
};

struct DocumentSnapshot {
    text::StyledText text;
    QVector<QTextCharFormat> charFormats;
    QVector<ParagraphStyle> paragraphStyles;
    QVector<QTextListFormat> lists;
};

DocumentSnapshot snapshotDocument(const QTextDocument& document);

// Replaces the contents of `document` by `text`, formatted from `styles`
// (the snapshot the text's formats refer to), fragment by fragment.
void buildDocument(QTextDocument& document, const text::StyledText& text, const DocumentSnapshot& styles);

}  // namespace lettrica::app
