#pragma once
// The user tables' commands: the two editors and the reset, which is on only
// while a table differs from its defaults or a table file exists. It owns the
// tables and the two editor windows for the whole run; the transliteration
// commands read the tables through tables().

#include <QObject>

#include "tables/user_table.h"

class QWidget;

namespace lettrica::app {

class CommandTable;
class TableEditorDialog;
class UserTables;

class UserTableCommands : public QObject {
    Q_OBJECT
public:
    // Creates the tables with their defaults and the two hidden editors, and
    // connects the commands.
    UserTableCommands(const CommandTable& commands, QWidget* window);
    ~UserTableCommands() override;

    // The table files, read after the settings at start.
    void loadFiles();
    // At close, after the settings: the tables confirmed in an editor.
    void saveFiles();

    UserTables* tables() const { return tables_; }
    TableEditorDialog* editor(tables::TableKind kind) const;

    // The text of the reset confirmation.
    static QString resetQuestion();

public slots:
    void editToCyrillicTable();
    void editToLatinTable();
    // Asks first; then both tables take their defaults and both files go.
    void resetTables();

private:
    UserTables* tables_;
    TableEditorDialog* trEditor_;
    TableEditorDialog* rtEditor_;
};

}  // namespace lettrica::app
