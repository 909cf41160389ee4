#pragma once
// The commands of the panes themselves: New (both panes emptied, their
// typing format the default one; nothing is asked), paste into the source
// pane whichever pane has the focus, copy the whole result pane, and word
// wrap in both panes.

#include <QObject>

#include "app/window/panes.h"

namespace lettrica::app {

class CommandTable;
class LongCommandRunner;

class PaneCommands : public QObject {
    Q_OBJECT
public:
    PaneCommands(const CommandTable& commands, Panes panes, const LongCommandRunner& runner, QObject* parent);

public slots:
    void newText();
    void pasteIntoSource();
    // Selects the whole result pane and copies it; the text stays selected.
    void copyResult();
    // Follows the word-wrap command's tick, which it has toggled already.
    void toggleWordWrap(bool wrap);

private:
    Panes panes_;
    const LongCommandRunner& runner_;
};

}  // namespace lettrica::app
