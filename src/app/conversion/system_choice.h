#pragma once
// The transliteration system that F3 and F2 convert by: one radio choice
// over the program's two tables and the user's (the commands Table1, Table2
// and UserTable) and every other system of the registry, which gets an
// action here. A system's action is named "System_" and its command-line
// name with '-' written '_' ("System_icao_doc_9303"), carries the registry's
// caption, and its hint is the system's purpose line in Russian. The choice
// shows in every menu that lists these actions.

#include <QList>
#include <QObject>
#include <utility>
#include <vector>

class QAction;

namespace lettrica::translit {
struct SystemInfo;
}

namespace lettrica::app {

class CommandTable;

class SystemChoice : public QObject {
    Q_OBJECT
public:
    SystemChoice(const CommandTable& commands, QObject* owner);

    // The systems' own actions in the registry's order, the three tables
    // of the command table left out.
    const QList<QAction*>& systemActions() const { return systemActions_; }
    QAction* actionOf(const translit::SystemInfo& system) const;

    const translit::SystemInfo& current() const;
    void choose(const translit::SystemInfo& system);

    // Of the three choices a program that knows only the tables has (the
    // settings' TableChoice), the one that understands `system` best: the
    // user's tables for "user", else the table that reads more Russian
    // letters back from what the system writes for them, then writes more
    // of them as it does.
    static int nearestTable(const translit::SystemInfo& system);

private:
    std::vector<std::pair<const translit::SystemInfo*, QAction*>> choices_;  // the registry's order
    QList<QAction*> systemActions_;
};

}  // namespace lettrica::app
