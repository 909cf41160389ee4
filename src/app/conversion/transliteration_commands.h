#pragma once
// Rus <- Translit (F2) and Rus -> Translit (F3): the whole source pane,
// converted by the table ticked when the command starts (GOST 16876-71, the
// Anglo-American table or the user's tables), into the result pane, whose
// previous text is discarded. The source pane is never changed.

#include <QObject>

#include "app/window/panes.h"

namespace lettrica::translit {
class Converter;
}

namespace lettrica::app {

class CommandTable;
class LongCommandRunner;
class UserTables;

enum class Direction { ToCyrillic, ToLatin };

class TransliterationCommands : public QObject {
    Q_OBJECT
public:
    TransliterationCommands(const CommandTable& commands, Panes panes, LongCommandRunner& runner,
                            const UserTables& userTables, QObject* parent);

    // The converter of the ticked table for a direction.
    const translit::Converter& converterFor(Direction direction) const;

public slots:
    void convertToCyrillic();
    void convertToLatin();

private:
    void convert(Direction direction);

    const CommandTable& commands_;
    Panes panes_;
    LongCommandRunner& runner_;
    const UserTables& userTables_;
};

}  // namespace lettrica::app
