#pragma once
// What a pane's QTextDocument becomes on its way through the engine: the
// engine's styled text (paragraphs of runs, formats as indexes) and, here,
// the tables those indexes point into.
//
// Lists, tables and frames are objects of the document they live in: a
// QTextBlockFormat of a list item holds the list's object index in its own
// document, and a cell's block holds its table's. Nothing here keeps such an
// index. A paragraph says which list it belongs to and which cell of which
// table or frame holds it, by index into the tables below, and the builder
// makes the lists, tables and frames anew in the target document.

#include <QHash>
#include <QList>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextFrameFormat>
#include <QTextListFormat>
#include <QUrl>
#include <QVariant>
#include <QVector>

#include "text/styled_text.h"

namespace lettrica::app {

// A table or a plain frame. A plain frame is one cell.
struct FrameShape {
    struct Cell {
        int row = 0, column = 0;
        int rowSpan = 1, columnSpan = 1;
        QTextCharFormat format;  // padding, background, borders of the cell
        bool operator==(const Cell&) const = default;
    };

    bool table = false;
    QTextFrameFormat format;  // a QTextTableFormat for a table
    int rows = 1, columns = 1;
    QVector<Cell> cells;      // every cell of a table that is not covered by another's span
    // Where the frame sits: inside the frame `parent` (-1: the body of the
    // document), in its cell at parentRow, parentColumn.
    int parent = -1;
    int parentRow = 0, parentColumn = 0;
    bool operator==(const FrameShape&) const = default;
};

// The place of a paragraph: the body, or a cell of a table or frame.
struct Container {
    int frame = -1;  // index into DocumentFormats::frames, -1 for the body
    int row = 0, column = 0;
    bool operator==(const Container&) const = default;
};

struct ParagraphStyle {
    QTextBlockFormat block;    // alignment, margins, indent; no object index
    QTextCharFormat blockChar; // what an empty paragraph shows
    int list = -1;             // index into DocumentFormats::lists, -1 outside a list
    Container container;
    bool operator==(const ParagraphStyle&) const = default;
};

struct DocumentFormats {
    QVector<QTextCharFormat> charFormats;        // a run's format indexes this
    QVector<ParagraphStyle> paragraphStyles;     // a paragraph's format indexes this
    QVector<QTextListFormat> lists;
    QVector<FrameShape> frames;                  // in document order, a parent before its children
    QHash<QUrl, QVariant> images;                // the image resources the runs name
};

struct DocumentSnapshot {
    text::StyledText text;
    DocumentFormats formats;
};

// A format as it may travel to another document: without the index of an
// object of the document it came from.
template <typename Format>
Format withoutObject(Format format) {
    format.clearProperty(QTextFormat::ObjectIndex);
    return format;
}

}  // namespace lettrica::app
