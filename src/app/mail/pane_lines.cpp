#include "app/mail/pane_lines.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

namespace lettrica::app {

namespace {

// The characters that stand for something other than text.
QString textOf(QString piece) {
    piece.remove(QChar::ObjectReplacementCharacter);
    piece.remove(QChar::LineSeparator);
    return piece;
}

}  // namespace

QStringList paneLines(const QTextEdit* pane) {
    QTextDocument* document = pane->document();
    const bool wrapped = pane->lineWrapMode() != QTextEdit::NoWrap;
    QStringList lines;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        if (wrapped) {
            // The layout of a long document is made lazily; asking for the
            // block's rectangle lays it out.
            document->documentLayout()->blockBoundingRect(block);
            const QTextLayout* layout = block.layout();
            if (layout && layout->lineCount() > 0) {
                for (int i = 0; i < layout->lineCount(); ++i) {
                    const QTextLine line = layout->lineAt(i);
                    lines << textOf(text.mid(line.textStart(), line.textLength()));
                }
                continue;
            }
        }
        for (const QString& piece : text.split(QChar::LineSeparator)) lines << textOf(piece);
    }
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

}  // namespace lettrica::app
