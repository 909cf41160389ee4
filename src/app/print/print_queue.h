#pragma once
// Whether the print system took the job just printed to a queue.
//
// Qt hands a finished job to CUPS at QPainter::end() and ignores the answer,
// so a queue that refuses jobs (cupsreject), a printer deleted meanwhile or
// a server gone away would look like success. Qt's CUPS support calls libcups
// in this process and on this thread, and libcups keeps the status of its
// last request per thread: read right after the job, it is that job's.

#include <QString>

namespace lettrica::app {

// Empty when the last job reached its queue; otherwise the print system's
// own words on why not.
QString lastJobRefusal();

}  // namespace lettrica::app
