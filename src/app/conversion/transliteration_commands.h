#pragma once
// Rus <- Translit (F2) and Rus -> Translit (F3): the whole source pane,
// converted by the system chosen when the command starts (GOST 16876-71,
// the Anglo-American table, the user's tables or a standard's system), into
// the result pane, whose previous text is discarded. The source pane is
// never changed. The status bar then names the system, unless the automatic
// volume holds it; that reading back went letter by letter for want of the
// word list it says always.

#include <QObject>
#include <memory>

#include "app/window/panes.h"

namespace lettrica::translit {
class Converter;
struct SystemInfo;
}  // namespace lettrica::translit

namespace lettrica::app {

class CommandTable;
class LongCommandRunner;
class StatusReport;
class SystemChoice;
class UserTables;

enum class Direction { ToCyrillic, ToLatin };

class TransliterationCommands : public QObject {
    Q_OBJECT
public:
    TransliterationCommands(const CommandTable& commands, const SystemChoice& systems, Panes panes,
                            LongCommandRunner& runner, const UserTables& userTables, StatusReport& report,
                            QObject* parent);

    struct Chosen {
        std::shared_ptr<const translit::Converter> converter;
        // Reading back by words without the word list: letter by letter.
        bool withoutWords = false;
    };
    // The converter of a system for a direction.
    Chosen converterFor(const translit::SystemInfo& system, Direction direction) const;

public slots:
    void convertToCyrillic();
    void convertToLatin();

private:
    void convert(Direction direction);

    const CommandTable& commands_;
    const SystemChoice& systems_;
    Panes panes_;
    LongCommandRunner& runner_;
    const UserTables& userTables_;
    StatusReport& report_;
};

}  // namespace lettrica::app
