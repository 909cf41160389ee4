#include "app/dialog_width.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QWidget>

namespace lettrica::app {

int titleBarWidth(const QString& title) {
    // Window managers draw titles in a bold face of 8 to 11 points; the
    // desktop's own face at 10 points bold is as wide as any of them.
    QFont font = QGuiApplication::font();
    font.setPointSizeF(std::max<qreal>(font.pointSizeF(), 10));
    font.setBold(true);
    const QFontMetrics metrics(font);
    const int button = metrics.height() + 6;  // a title bar's button is about a line high
    return metrics.horizontalAdvance(title) + 4 * button + 24;
}

void fixDialogSize(QWidget* dialog, int designedWidth, int designedHeight) {
    const int width = std::max(designedWidth, titleBarWidth(dialog->windowTitle()));
    if (const int shift = (width - designedWidth) / 2; shift > 0)
        for (QWidget* child : dialog->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (!child->isWindow()) child->move(child->x() + shift, child->y());
    dialog->setFixedSize(width, designedHeight);
}

}  // namespace lettrica::app
