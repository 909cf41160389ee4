#pragma once
// The standard editing commands (undo, cut, copy, paste, delete, select all)
// on whichever pane has the keyboard focus, each enabled only when it can act
// there: something to undo, a selection to cut, copy or delete, text on the
// clipboard to paste. While a long command runs their state stays as the run
// left it; it is brought up to date when the run ends.

#include <QObject>

namespace lettrica::app {

class CommandTable;
class LongCommandRunner;
class PaneFocus;

class EditCommands : public QObject {
    Q_OBJECT
public:
    EditCommands(const CommandTable& commands, const PaneFocus& focus, const LongCommandRunner& runner,
                 QObject* parent);

public slots:
    void undo();
    void cut();
    void copy();
    void paste();
    void deleteSelection();
    void selectAll();

private:
    void updateState();

    const CommandTable& commands_;
    const PaneFocus& focus_;
    const LongCommandRunner& runner_;
};

}  // namespace lettrica::app
