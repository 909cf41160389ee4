#include "app/user_table_commands.h"

#include <QAction>

#include "app/main_window.h"
#include "app/message_boxes.h"
#include "app/table_editor_dialog.h"
#include "app/user_tables.h"

namespace lettrica::app {

using tables::TableKind;

UserTableCommands::UserTableCommands(MainWindow* window)
    : QObject(window),
      window_(window),
      tables_(new UserTables(this)),
      trEditor_(new TableEditorDialog(TableKind::Tr, tables_, window)),
      rtEditor_(new TableEditorDialog(TableKind::Rt, tables_, window)) {
    tables_->setDefaults();

    QAction* edit1 = window->action(QStringLiteral("EditTable1"));
    QAction* edit2 = window->action(QStringLiteral("EditTable2"));
    QAction* reset = window->action(QStringLiteral("N27"));
    edit1->setEnabled(true);
    edit2->setEnabled(true);
    reset->setEnabled(tables_->resetEnabled());
    connect(edit1, &QAction::triggered, this, &UserTableCommands::EditTable1Click);
    connect(edit2, &QAction::triggered, this, &UserTableCommands::EditTable2Click);
    connect(reset, &QAction::triggered, this, &UserTableCommands::N27Click);
    connect(tables_, &UserTables::resetEnabledChanged, reset, &QAction::setEnabled);

    // Rus <- Translit looks Latin letters up in the tr table, Rus -> Translit
    // Cyrillic letters in the rt table.
    window->setUserTableConverters([this](Direction direction) -> const translit::Converter& {
        return tables_->converter(direction == Direction::ToLatin ? TableKind::Rt : TableKind::Tr);
    });
}

UserTableCommands::~UserTableCommands() = default;

TableEditorDialog* UserTableCommands::editor(TableKind kind) const {
    return kind == TableKind::Tr ? trEditor_ : rtEditor_;
}

void UserTableCommands::loadFiles() { tables_->loadFiles(); }

void UserTableCommands::saveFiles() { tables_->saveFiles(); }

void UserTableCommands::EditTable1Click() { trEditor_->openEditor(); }

void UserTableCommands::EditTable2Click() { rtEditor_->openEditor(); }

QString UserTableCommands::resetQuestion() {
    return QString::fromUtf8(
        "Вы действительно хотите вернуть начальные настройки пользовательских таблиц транслитерации "
        "(при этом будут удалены файлы с настройками этих таблиц: \"tr.dat\" и \"rt.dat\")?");
}

void UserTableCommands::N27Click() {
    if (confirm(resetQuestion())) tables_->reset();
}

}  // namespace lettrica::app
