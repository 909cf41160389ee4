#include "app/dialog_frame.h"

#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

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

}  // namespace lettrica::app
