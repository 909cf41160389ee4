#pragma once
// Prints a document as one job, page after page, inside the margins given
// (the margins of page setup), with no header, footer or page numbers of its
// own; an empty document gives one empty page. The printed copy always wraps
// its lines to the page, whatever its pane does on screen.
// (QTextDocument::print would add its own 2 cm margins and page numbers.)

#include <QMarginsF>

class QPrinter;
class QTextDocument;

namespace lettrica::app {

// `margins` in millimetres. They are widened to what the printer cannot
// reach; margins that leave no room on the paper the print dialog chose give
// way to the printer's own. False when the job could not be started or
// finished. The printer's page layout is as it was afterwards.
bool printDocument(const QTextDocument& document, QPrinter& printer, const QMarginsF& margins);

}  // namespace lettrica::app
