#include "app/window/default_attributes.h"

#include <QTextCursor>
#include <QTextEdit>

namespace lettrica::app {

QTextCharFormat defaultCharFormat() {
    QTextCharFormat f;
    f.setFontFamilies({QString::fromLatin1(kDefaultFontName)});
    f.setFontPointSize(kDefaultFontSize);
    f.setForeground(Qt::black);
    f.setFontWeight(QFont::Normal);
    f.setFontItalic(false);
    f.setFontUnderline(false);
    f.setFontStrikeOut(false);
    return f;
}

void applyDefaultAttributes(QTextEdit* pane) {
    const QTextCharFormat format = defaultCharFormat();
    QTextCursor cursor(pane->document());
    cursor.select(QTextCursor::Document);
    cursor.mergeCharFormat(format);
    cursor.movePosition(QTextCursor::Start);
    pane->setTextCursor(cursor);
    pane->setCurrentCharFormat(format);
}

}  // namespace lettrica::app
