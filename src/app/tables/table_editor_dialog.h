#pragma once
// The user table editors: TForm2 edits the tr table (Rus <- Translit, one
// field per Latin letter), TForm3 the rt table (Rus -> Translit, one field
// per Cyrillic letter). The fields are refilled from the table at every
// opening; OK stores them all, "Отмена" and the close button discard them.

#include <QDialog>
#include <QList>

#include "tables/user_table.h"

class QLineEdit;
class QPushButton;

namespace lettrica::app {

class UserTables;

class TableEditorDialog : public QDialog {
    Q_OBJECT
public:
    TableEditorDialog(tables::TableKind kind, UserTables* tables, QWidget* parent = nullptr);

    tables::TableKind kind() const { return kind_; }
    // Field k, 1-based as in its name "Edit<k>".
    QLineEdit* field(int k) const { return fields_.value(k - 1); }
    int fieldCount() const { return static_cast<int>(fields_.size()); }

    // Fills the fields from the table and centres the window, without
    // showing it; open() and exec() follow.
    void prepare();

public slots:
    // Prepares, then shows modally.
    int openEditor();
    // OK: stores the fields in the table and closes, or names the first
    // field the table refuses and leaves the editor open on it.
    void storeFields();
    // "Очистить": empties every field.
    void clearFields();

private:
    void build();

    tables::TableKind kind_;
    UserTables* tables_;
    QList<QLineEdit*> fields_;
};

}  // namespace lettrica::app
