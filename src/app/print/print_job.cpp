#include "app/print/print_job.h"

namespace lettrica::app {

namespace {

// A time format without its time-zone fields ('t' outside quotes).
QString withoutTimeZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\'')) quoted = !quoted;
        if (!quoted && c == QLatin1Char('t')) continue;
        out += c;
    }
    return out.trimmed();
}

}  // namespace

QString printJobName(const QDateTime& at, const QLocale& locale) {
    QString when = locale.toString(at.date(), QLocale::ShortFormat);
    if (at.time() != QTime(0, 0))
        when += QLatin1Char(' ') + locale.toString(at.time(), withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
    return QStringLiteral("Lettrica - ") + when;
}

QString jobFileStem(const QString& jobName) {
    QString stem = jobName;
    for (QChar& c : stem)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':')) c = QLatin1Char('-');
    return stem;
}

QString jobOutputFile(const QString& path, int n) {
    if (n <= 1) return path;
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype at = dot > nameStart ? dot : path.size();
    return path.left(at) + QLatin1Char('-') + QString::number(n) + path.mid(at);
}

}  // namespace lettrica::app
