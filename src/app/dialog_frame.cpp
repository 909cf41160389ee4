#include "app/dialog_frame.h"

#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <algorithm>

namespace lettrica::app {

void setUpDialogFrame(QDialog* dialog, const char* name, const QString& caption) {
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setWindowTitle(caption);
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint);
    dialog->setModal(true);
    dialog->setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
}

DialogButtons makeDialogButtons(QDialog* dialog) {
    QStyle* style = dialog->style();
    auto* ok = new QPushButton(style->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    auto* cancel =
        new QPushButton(style->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("Отмена"), dialog);
    cancel->setObjectName(QStringLiteral("BitBtn2"));
    cancel->setAutoDefault(false);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return {ok, cancel};
}

void centreOnDesktop(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QApplication::primaryScreen();
    if (!screen) return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

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
