#pragma once
// The user-table commands of the main window: the editors (EditTable1,
// EditTable2), the reset (N27) with its enabled state, and the user tables
// as the converters of the "UserTable" choice. It owns the tables and the two
// editor windows for the whole run.

#include <QObject>

#include "tables/user_table.h"

namespace lettrica::app {

class MainWindow;
class TableEditorDialog;
class UserTables;

class UserTableCommands : public QObject {
    Q_OBJECT
public:
    // Creates the tables with their defaults (DefaultUserTables) and the two
    // hidden editors, and connects the commands.
    explicit UserTableCommands(MainWindow* window);
    ~UserTableCommands() override;

    // LoadUserTableFiles, after the settings have been read.
    void loadFiles();
    // SaveUserTableFiles, at close after the settings.
    void saveFiles();

    UserTables* tables() const { return tables_; }
    TableEditorDialog* editor(tables::TableKind kind) const;

    // The text of the reset confirmation.
    static QString resetQuestion();

public slots:
    void EditTable1Click();
    void EditTable2Click();
    void N27Click();

private:
    MainWindow* window_;
    UserTables* tables_;
    TableEditorDialog* trEditor_;
    TableEditorDialog* rtEditor_;
};

}  // namespace lettrica::app
