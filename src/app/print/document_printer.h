#pragma once
// Prints a document as one job: laid out on the whole printable area of the
// page, with no margins, header, footer or page numbers of its own, page
// after page; an empty document gives one empty page. (QTextDocument::print
// would add 2 cm margins and page numbers.)

class QPrinter;
class QTextDocument;

namespace lettrica::app {

// False when the job could not be started or finished. The printer's page
// layout (the margins page setup chose) is as it was afterwards.
bool printDocument(const QTextDocument& document, QPrinter& printer);

}  // namespace lettrica::app
