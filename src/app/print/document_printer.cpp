#include "app/print/document_printer.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>
#include <QTextOption>
#include <algorithm>
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
    // The clone carries the pane's no-wrap setting, which belongs to the
    // screen: on paper a line runs on to the next, never off the sheet.
    QTextOption option = document->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document->setDefaultTextOption(option);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    document->setPageSize(page.size());
    // Copies are the printer's to make where it can (a print queue); where it
    // cannot (a PDF file), they are printed here, whole documents one after
    // the other when collated, each page so many times otherwise.
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    const bool collate = printer.collateCopies();
    const int pages = document->pageCount();
    bool first = true;
    for (int round = 0; round < (collate ? copies : 1); ++round)
        for (int i = 0; i < pages; ++i)
            for (int copy = 0; copy < (collate ? 1 : copies); ++copy) {
                if (!first && !printer.newPage()) {
                    painter.end();
                    return false;
                }
                first = false;
                const QRectF slice(0, i * page.height(), page.width(), page.height());
                painter.save();
                painter.translate(0, -slice.top());
                document->drawContents(&painter, slice);
                painter.restore();
            }
    return painter.end();
}

// Page setup's margins, at least the printer's own; the printer's own alone
// when page setup's leave no room on this paper.
QPageLayout layoutWithin(QPageLayout layout, const QMarginsF& margins) {
    layout.setUnits(QPageLayout::Millimeter);
    layout.setMode(QPageLayout::StandardMode);
    const QMarginsF least = layout.minimumMargins();
    const QMarginsF wanted(std::max(margins.left(), least.left()), std::max(margins.top(), least.top()),
                           std::max(margins.right(), least.right()), std::max(margins.bottom(), least.bottom()));
    if (!layout.setMargins(wanted) || !layout.paintRect().isValid())
        layout.setMargins(least);
    return layout;
}

}  // namespace

bool printDocument(const QTextDocument& document, QPrinter& printer, const QMarginsF& margins) {
    const QPageLayout chosen = printer.pageLayout();
    printer.setFullPage(false);
    printer.setPageLayout(layoutWithin(chosen, margins));
    const bool printed = printPages(document, printer);
    printer.setPageLayout(chosen);
    return printed;
}

}  // namespace lettrica::app
