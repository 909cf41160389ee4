#pragma once
// What a print job is called and where a job printed to a file goes.

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace lettrica::app {

// "Lettrica - " and the date and time in the locale's short date form and
// long time form (without a time zone, which is not part of the time the
// user reads on a clock); the time is left out at exactly midnight.
QString printJobName(const QDateTime& at, const QLocale& locale = QLocale());

// A job name made fit to name a file: no folder separators, and no colons,
// which many shared and removable file systems refuse.
QString jobFileStem(const QString& jobName);

// The file of the `n`th job printed to `path` in one command: the first goes
// to `path`, the later ones get "-n" before the extension ("out.pdf",
// "out-2.pdf"), so that no job overwrites another.
QString jobOutputFile(const QString& path, int n);

}  // namespace lettrica::app
