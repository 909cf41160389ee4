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

// QString <-> UTF-16 without a detour. The view lives as long as the string.
inline std::u16string_view viewU16(const QString& s) {
    return std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size()));
}
inline QString fromU16(std::u16string_view s) {
    return QString(reinterpret_cast<const QChar*>(s.data()), static_cast<qsizetype>(s.size()));
}

}  // namespace lettrica::app
