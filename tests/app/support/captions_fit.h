#pragma once
// Every caption of a dialog shows whole: its title in a window manager's
// title bar, and the text of each label, button and group box inside its
// control, each control inside its parent. Checked in the face the desktop
// draws "MS Sans Serif" in, which is wider than the original.

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QTest>

#include "app/dialog_frame.h"

inline void checkCaptionsFit(QWidget* dialog) {
    const QString name = dialog->objectName();
    QVERIFY2(dialog->width() >= lettrica::app::titleBarWidth(dialog->windowTitle()),
             qPrintable(name + ": title cut at " + QString::number(dialog->width())));
    if (dialog->minimumSizeHint().isValid())
        QVERIFY2(dialog->minimumSizeHint().width() <= dialog->width() &&
                     dialog->minimumSizeHint().height() <= dialog->height(),
                 qPrintable(name));
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(dialog) || w->isWindow()) continue;
        const QString what = name + "/" + w->objectName() + " " + w->metaObject()->className();
        QString text;
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap()) text = label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w)) text = button->text();
        if (!text.isEmpty()) {
            QVERIFY2(w->sizeHint().width() <= w->width(),
                     qPrintable(what + " '" + text + "' needs " + QString::number(w->sizeHint().width()) +
                                ", has " + QString::number(w->width())));
            QVERIFY2(w->sizeHint().height() <= w->height() + 2, qPrintable(what + " '" + text + "'"));
        }
        if (auto* group = qobject_cast<QGroupBox*>(w))
            QVERIFY2(group->fontMetrics().horizontalAdvance(group->title()) + 16 <= group->width(),
                     qPrintable(what + " '" + group->title() + "'"));
        QVERIFY2(w->parentWidget()->rect().contains(w->geometry()), qPrintable(what + " outside its parent"));
    }
}
