#include "app/files/file_filters.h"

namespace lettrica::app {

QStringList fileFilterTexts() {
    return {
        QStringLiteral("Переводимый текст - TXT (*.txt)"),
        QStringLiteral("Переводимый текст - RTF (*.rtf)"),
        QStringLiteral("Переведенный текст - TXT (*.txt)"),
        QStringLiteral("Переведенный текст - RTF (*.rtf)"),
    };
}

FileFilter fileFilterAt(int index) {
    return {index > 2 ? PaneChoice::Result : PaneChoice::Source,
            index == 2 || index == 4 ? FileKind::Rtf : FileKind::Text};
}

QString forceExtension(const QString& path, FileKind kind) {
    const QString extension = kind == FileKind::Rtf ? QStringLiteral(".rtf") : QStringLiteral(".txt");
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot > nameStart) return path.left(dot) + extension;
    return path + extension;
}

}  // namespace lettrica::app
