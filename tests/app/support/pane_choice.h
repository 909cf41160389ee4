#pragma once
// Answers the case and recoding dialogs, which are modal and block.

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/window/pane_choice_dialog.h"

using lettrica::app::PaneChoiceDialog;

// Answers the next modal dialog: `setup` adjusts it, then OK or "Отмена".
inline void answerDialog(std::function<void(PaneChoiceDialog*)> setup, bool ok = true) {
    QTimer::singleShot(0, [setup, ok] {
        auto* dialog = qobject_cast<PaneChoiceDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        if (setup) setup(dialog);
        dialog->findChild<QPushButton*>(ok ? "BitBtn1" : "BitBtn2")->click();
    });
}

inline void setChoice(PaneChoiceDialog* d, int index, bool source, bool result) {
    d->setItemIndex(index);
    d->findChild<QCheckBox*>("CheckBox1")->setChecked(source);
    d->findChild<QCheckBox*>("CheckBox2")->setChecked(result);
}
