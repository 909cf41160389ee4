#include "app/conversion/transliteration_commands.h"

#include <QAction>
#include <QTextEdit>

#include "app/command_table.h"
#include "app/conversion/long_command_runner.h"
#include "app/tables/user_tables.h"
#include "translit/cyrillic_to_latin.h"
#include "translit/latin_to_cyrillic.h"

namespace lettrica::app {

TransliterationCommands::TransliterationCommands(const CommandTable& commands, Panes panes,
                                                 LongCommandRunner& runner, const UserTables& userTables,
                                                 QObject* parent)
    : QObject(parent), commands_(commands), panes_(panes), runner_(runner), userTables_(userTables) {
    setObjectName(QStringLiteral("TransliterationCommands"));
    connect(commands[Command::ToCyrillic], &QAction::triggered, this, &TransliterationCommands::convertToCyrillic);
    connect(commands[Command::ToLatin], &QAction::triggered, this, &TransliterationCommands::convertToLatin);
}

const translit::Converter& TransliterationCommands::converterFor(Direction direction) const {
    const bool toLatin = direction == Direction::ToLatin;
    // Rus -> Translit looks Cyrillic letters up in the rt table, Rus <-
    // Translit Latin letters in the tr table.
    if (commands_[Command::UserTable]->isChecked())
        return userTables_.converter(toLatin ? tables::TableKind::Rt : tables::TableKind::Tr);
    if (commands_[Command::GostTable]->isChecked())
        return toLatin ? static_cast<const translit::Converter&>(translit::gostCyrillicToLatin())
                       : translit::gostLatinToCyrillic();
    return toLatin ? static_cast<const translit::Converter&>(translit::angloCyrillicToLatin())
                   : translit::angloLatinToCyrillic();
}

void TransliterationCommands::convertToCyrillic() { convert(Direction::ToCyrillic); }

void TransliterationCommands::convertToLatin() { convert(Direction::ToLatin); }

void TransliterationCommands::convert(Direction direction) {
    if (runner_.isBusy()) return;
    panes_.result->clear();
    runner_.convert(*panes_.source->document(), panes_.result, converterFor(direction),
                    {QString::fromUtf8("Перевод..."), QString::fromUtf8("Перевод прерван пользователем.")});
}

}  // namespace lettrica::app
