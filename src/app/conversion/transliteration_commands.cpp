#include "app/conversion/transliteration_commands.h"

#include <QAction>
#include <QTextEdit>

#include "app/command_table.h"
#include "app/conversion/long_command_runner.h"
#include "app/conversion/system_choice.h"
#include "app/document/pane_documents.h"
#include "app/tables/user_tables.h"
#include "app/window/status_report.h"
#include "translit/registry.h"
#include "translit/word_list_file.h"

namespace lettrica::app {

TransliterationCommands::TransliterationCommands(const CommandTable& commands, const SystemChoice& systems,
                                                 Panes panes, LongCommandRunner& runner,
                                                 const UserTables& userTables, StatusReport& report,
                                                 QObject* parent)
    : QObject(parent),
      commands_(commands),
      systems_(systems),
      panes_(panes),
      runner_(runner),
      userTables_(userTables),
      report_(report) {
    setObjectName(QStringLiteral("TransliterationCommands"));
    connect(commands[Command::ToCyrillic], &QAction::triggered, this, &TransliterationCommands::convertToCyrillic);
    connect(commands[Command::ToLatin], &QAction::triggered, this, &TransliterationCommands::convertToLatin);
}

TransliterationCommands::Chosen TransliterationCommands::converterFor(const translit::SystemInfo& system,
                                                                      Direction direction) const {
    const bool toLatin = direction == Direction::ToLatin;
    if (system.userTables) {
        // Rus -> Translit looks Cyrillic letters up in the rt table, Rus <-
        // Translit Latin letters in the tr table; the tables live as long
        // as the window.
        const translit::Converter& c =
            userTables_.converter(toLatin ? tables::TableKind::Rt : tables::TableKind::Tr);
        return {std::shared_ptr<const translit::Converter>(std::shared_ptr<const translit::Converter>(), &c)};
    }
    if (toLatin) return {translit::toLatinConverter(system)};
    std::string words;
    if (system.readBack == translit::ReadBack::Words) words = translit::findWordList();
    return {translit::toCyrillicConverter(system, words),
            system.readBack == translit::ReadBack::Words && words.empty()};
}

void TransliterationCommands::convertToCyrillic() { convert(Direction::ToCyrillic); }

void TransliterationCommands::convertToLatin() { convert(Direction::ToLatin); }

void TransliterationCommands::convert(Direction direction) {
    if (runner_.isBusy()) return;
    const translit::SystemInfo& system = systems_.current();
    const Chosen chosen = converterFor(system, direction);
    clearPane(panes_.result);
    runner_.convert(*panes_.source->document(), panes_.result, *chosen.converter,
                    {QString::fromUtf8("Перевод..."), QString::fromUtf8("Перевод прерван пользователем.")});
    QString note = QString::fromUtf8(" Система транслитерации: ") + QString::fromStdString(system.caption);
    if (chosen.withoutWords)
        note += QString::fromUtf8(". Список русских слов (%1) не найден: слова прочитаны по буквам")
                    .arg(QString::fromStdString(translit::wordListName()));
    else if (commands_[Command::AutoVolume]->isChecked())
        return;
    report_.show(note);
}

}  // namespace lettrica::app
