#pragma once
// What a document looks like, told without the object indexes that differ
// from one document to another: each block's place (the frames and cells
// around it), its list, its formats and, if asked, its text. Two documents
// with the same description show the same. Also random pages of HTML with
// lists, tables and frames, as a web page gives them.

#include <QDebug>
#include <QHash>
#include <QRandomGenerator>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

namespace shape {

inline QString properties(const QTextFormat& format) {
    QString out;
    QDebug d(&out);
    d.nospace();
    const auto all = format.properties();
    for (auto it = all.cbegin(); it != all.cend(); ++it)
        if (it.key() != QTextFormat::ObjectIndex) d << it.key() << '=' << it.value() << ';';
    return out;
}

enum class Detail { Blocks, Runs, Text };

// One line per block. `Blocks`: place, list, block format; `Runs` adds the
// character formats of its runs; `Text` their text too.
inline QStringList describe(const QTextDocument& document, Detail detail) {
    QStringList lines;
    QHash<const void*, int> ordinal;  // lists and frames numbered as first met
    auto number = [&](const void* object) {
        auto it = ordinal.find(object);
        if (it == ordinal.end()) it = ordinal.insert(object, static_cast<int>(ordinal.size()));
        return *it;
    };
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString line;
        QStringList place;
        const QTextFrame* child = nullptr;  // the frame just inside f, on the way to the block
        for (QTextFrame* f = document.frameAt(block.position()); f && f != document.rootFrame();
             child = f, f = f->parentFrame()) {
            QString p = QStringLiteral("F%1").arg(number(f));
            if (auto* t = qobject_cast<QTextTable*>(f)) {
                const QTextTableCell cell = t->cellAt(child ? child->firstPosition() - 1 : block.position());
                p += QStringLiteral("[%1x%2 at %3,%4 span %5,%6 %7]")
                         .arg(t->rows()).arg(t->columns()).arg(cell.row()).arg(cell.column())
                         .arg(cell.rowSpan()).arg(cell.columnSpan()).arg(properties(cell.format()));
            }
            p += properties(f->frameFormat());
            place.prepend(p);
        }
        line += place.join('/') + QStringLiteral(" | ");
        if (QTextList* list = block.textList())
            line += QStringLiteral("L%1 %2 item %3 | ").arg(number(list)).arg(properties(list->format())).arg(list->itemNumber(block));
        line += properties(block.blockFormat());
        if (detail != Detail::Blocks) {
            QString runs, previous;
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QString format = properties(it.fragment().charFormat());
                if (format != previous) runs += QStringLiteral(" {") + format + '}';
                previous = format;
                if (detail == Detail::Text) runs += it.fragment().text();
            }
            line += runs;
        }
        lines << line;
    }
    return lines;
}

// A page of HTML: paragraphs with styled words, lists nested in lists,
// tables with spans nested in tables, rules, pictures, line breaks.
class PageMaker {
public:
    explicit PageMaker(quint32 seed) : random_(seed) {}

    QString page(int blocks = 6) {
        QString html = QStringLiteral("<html><body>");
        for (int i = 0; i < blocks; ++i) html += block(0);
        return html + QStringLiteral("</body></html>");
    }

private:
    int pick(int n) { return static_cast<int>(random_.bounded(n)); }

    QString words() {
        static const char* const pool[] = {"Щука", "ёлка", "Жук", "shhuka", "Jolka", "чай", "TREE", "5", "—", "«Да»",
                                           "schi", "Ы", "zh", "ц"};
        QString out;
        for (int i = 0, n = 1 + pick(5); i < n; ++i) {
            QString w = QString::fromUtf8(pool[pick(14)]);
            switch (pick(7)) {
                case 0: w = "<b>" + w + "</b>"; break;
                case 1: w = "<i>" + w + "</i>"; break;
                case 2: w = "<span style='color:#c00000'>" + w + "</span>"; break;
                case 3: w = "<a href='https://example.org/'>" + w + "</a>"; break;
                case 4: w += "<br>"; break;
                default: break;
            }
            out += w + (pick(4) == 0 ? QStringLiteral("&nbsp;") : QStringLiteral(" "));
        }
        if (pick(10) == 0) out += QStringLiteral("<img src='picture.png' width='8' height='8'>");
        return out;
    }

    QString list(int depth) {
        const bool ordered = pick(2) == 0;
        QString html = ordered ? QStringLiteral("<ol>") : QStringLiteral("<ul>");
        for (int i = 0, n = 1 + pick(3); i < n; ++i) {
            html += "<li>" + words();
            if (depth < 3 && pick(3) == 0) html += list(depth + 1);
            html += "</li>";
        }
        return html + (ordered ? QStringLiteral("</ol>") : QStringLiteral("</ul>"));
    }

    QString table(int depth) {
        const int rows = 1 + pick(3), columns = 1 + pick(3);
        QString html = QStringLiteral("<table border='1' cellpadding='%1'>").arg(pick(4));
        for (int r = 0; r < rows; ++r) {
            html += "<tr>";
            for (int c = 0; c < columns; ++c) {
                int span = 1;
                if (c + 1 < columns && pick(4) == 0) span = 2;
                html += span > 1 ? QStringLiteral("<td colspan='2'>") : (pick(5) == 0 ? QStringLiteral("<td bgcolor='#e0e0ff'>") : QStringLiteral("<td>"));
                switch (pick(5)) {
                    case 0: html += list(2); break;
                    case 1: if (depth < 2) { html += table(depth + 1); break; } [[fallthrough]];
                    case 2: html += "<p>" + words() + "</p><p>" + words() + "</p>"; break;
                    case 3: break;  // an empty cell
                    default: html += words(); break;
                }
                html += "</td>";
                c += span - 1;
            }
            html += "</tr>";
        }
        return html + "</table>";
    }

    QString block(int depth) {
        switch (pick(6)) {
            case 0: return list(depth);
            case 1: return table(depth);
            case 2: return pick(2) ? QStringLiteral("<hr>") : QStringLiteral("<p align='center'>") + words() + "</p>";
            default: return "<p>" + words() + "</p>";
        }
    }

    QRandomGenerator random_;
};

}  // namespace shape
