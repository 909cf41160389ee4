#pragma once
// Answers the next file dialog (Open or Save) with a filter and a name.

#include <QAbstractItemView>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QtTest>

#include "app/files/file_filters.h"
#include "support/next_modal.h"

// `filter` counts from 1, as the dialog's list does.
inline void chooseFile(int filter, const QString& path) {
    onNextModal([filter, path](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        QVERIFY(dialog);
        dialog->selectNameFilter(lettrica::app::fileFilterTexts().at(filter - 1));
        // Typed, as a user does (selectFile() races the dialog's reading of
        // the folder). Typing drops the selection of the last file in the
        // list; set from outside, the text would not.
        for (QAbstractItemView* view : dialog->findChildren<QAbstractItemView*>()) view->clearSelection();
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        QVERIFY(name);
        name->setText(path);
        static_cast<QDialog*>(dialog)->accept();  // as the Open or Save button does
    });
}
