#include "app/tables/user_table_commands.h"

#include <QAction>
#include <QWidget>

#include "app/command_table.h"
#include "app/message_boxes.h"
#include "app/tables/table_editor_dialog.h"
#include "app/tables/user_tables.h"

namespace lettrica::app {

using tables::TableKind;

UserTableCommands::UserTableCommands(const CommandTable& commands, QWidget* window)
    : QObject(window),
      tables_(new UserTables(this)),
      trEditor_(new TableEditorDialog(TableKind::Tr, tables_, window)),
      rtEditor_(new TableEditorDialog(TableKind::Rt, tables_, window)) {
    setObjectName(QStringLiteral("UserTableCommands"));
    tables_->setDefaults();

    QAction* reset = commands[Command::ResetUserTables];
    reset->setEnabled(tables_->resetEnabled());
    connect(commands[Command::EditToCyrillicTable], &QAction::triggered, this,
            &UserTableCommands::editToCyrillicTable);
    connect(commands[Command::EditToLatinTable], &QAction::triggered, this, &UserTableCommands::editToLatinTable);
    connect(reset, &QAction::triggered, this, &UserTableCommands::resetTables);
    connect(tables_, &UserTables::resetEnabledChanged, reset, &QAction::setEnabled);
}

UserTableCommands::~UserTableCommands() = default;

TableEditorDialog* UserTableCommands::editor(TableKind kind) const {
    return kind == TableKind::Tr ? trEditor_ : rtEditor_;
}

void UserTableCommands::loadFiles() { tables_->loadFiles(); }

void UserTableCommands::saveFiles() { tables_->saveFiles(); }

void UserTableCommands::editToCyrillicTable() { trEditor_->openEditor(); }

void UserTableCommands::editToLatinTable() { rtEditor_->openEditor(); }

QString UserTableCommands::resetQuestion() {
    return QString::fromUtf8(
        "Вы действительно хотите вернуть начальные настройки пользовательских таблиц транслитерации "
        "(при этом будут удалены файлы с настройками этих таблиц: \"tr.dat\" и \"rt.dat\")?");
}

void UserTableCommands::resetTables() {
    if (confirm(resetQuestion())) tables_->reset();
}

}  // namespace lettrica::app
