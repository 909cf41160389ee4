#include "app/conversion/system_choice.h"

#include <QAction>
#include <QActionGroup>

#include "app/command_table.h"
#include "settings/main_settings.h"
#include "translit/cyrillic_to_latin.h"
#include "translit/latin_to_cyrillic.h"
#include "translit/registry.h"

namespace lettrica::app {

namespace {

QAction* tableCommand(const CommandTable& commands, const translit::SystemInfo& system) {
    if (system.userTables) return commands[Command::UserTable];
    if (system.name == "gost") return commands[Command::GostTable];
    if (system.name == "anglo") return commands[Command::AngloTable];
    return nullptr;
}

}  // namespace

SystemChoice::SystemChoice(const CommandTable& commands, QObject* owner) : QObject(owner) {
    setObjectName(QStringLiteral("SystemChoice"));
    for (const translit::SystemInfo& system : translit::systems()) {
        QAction* action = tableCommand(commands, system);
        if (!action) {
            action = new QAction(QString::fromStdString(system.caption), owner);
            action->setObjectName(QStringLiteral("System_") +
                                  QString::fromStdString(system.name).replace(QLatin1Char('-'), QLatin1Char('_')));
            const QString purpose = QString::fromStdString(system.purposeInRussian);
            action->setStatusTip(QLatin1Char(' ') + purpose);
            action->setToolTip(purpose);
            action->setCheckable(true);
            commands.tableGroup()->addAction(action);
            systemActions_.push_back(action);
        }
        choices_.emplace_back(&system, action);
    }
}

QAction* SystemChoice::actionOf(const translit::SystemInfo& system) const {
    for (const auto& [info, action] : choices_)
        if (info->name == system.name) return action;
    return nullptr;
}

const translit::SystemInfo& SystemChoice::current() const {
    for (const auto& [info, action] : choices_)
        if (action->isChecked()) return *info;
    return *translit::findSystem("anglo");
}

void SystemChoice::choose(const translit::SystemInfo& system) {
    if (QAction* action = actionOf(system)) action->setChecked(true);
}

int SystemChoice::nearestTable(const translit::SystemInfo& system) {
    if (system.userTables) return settings::kUserTable;
    if (system.name == "gost") return settings::kGostTable;
    if (system.name == "anglo") return settings::kAngloTable;
    // Which table's Rus <- Translit gives back more of the letters as the
    // system writes them; of two as good, the one that writes more of them
    // as the system does.
    const auto converter = translit::toLatinConverter(system);
    int gost = 0, anglo = 0;
    for (char16_t letter = u'а'; letter <= u'я'; ++letter) {
        const std::u16string_view one(&letter, 1);
        const std::u16string latin = translit::convertAll(*converter, one);
        gost += 2 * (translit::convertAll(translit::gostLatinToCyrillic(), latin) == one) +
                (translit::convertAll(translit::gostCyrillicToLatin(), one) == latin);
        anglo += 2 * (translit::convertAll(translit::angloLatinToCyrillic(), latin) == one) +
                 (translit::convertAll(translit::angloCyrillicToLatin(), one) == latin);
    }
    return gost > anglo ? settings::kGostTable : settings::kAngloTable;
}

}  // namespace lettrica::app
