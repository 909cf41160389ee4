#include "app/print/document_printer.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>
#include <memory>

namespace lettrica::app {

namespace {

bool printPages(const QTextDocument& source, QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    // A copy laid out for the printer's resolution and page; the pane's own
    // document stays laid out for the screen.
    std::unique_ptr<QTextDocument> document(source.clone());
    document->documentLayout()->setPaintDevice(&printer);
    document->setDocumentMargin(0);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    document->setPageSize(page.size());
    const int pages = document->pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0 && !printer.newPage()) {
            painter.end();
            return false;
        }
        const QRectF slice(0, i * page.height(), page.width(), page.height());
        painter.save();
        painter.translate(0, -slice.top());
        document->drawContents(&painter, slice);
        painter.restore();
    }
    return painter.end();
}

}  // namespace

bool printDocument(const QTextDocument& document, QPrinter& printer) {
    // The whole printable area: no margins beyond what the printer cannot reach.
    const QPageLayout chosen = printer.pageLayout();
    QPageLayout layout = chosen;
    layout.setMode(QPageLayout::StandardMode);
    layout.setMargins(layout.minimumMargins());
    printer.setFullPage(false);
    printer.setPageLayout(layout);
    const bool printed = printPages(document, printer);
    printer.setPageLayout(chosen);
    return printed;
}

}  // namespace lettrica::app
