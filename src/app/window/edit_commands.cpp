#include "app/window/edit_commands.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include "app/command_table.h"
#include "app/conversion/long_command_runner.h"
#include "app/window/pane_focus.h"

namespace lettrica::app {

EditCommands::EditCommands(const CommandTable& commands, const PaneFocus& focus, const LongCommandRunner& runner,
                           QObject* parent)
    : QObject(parent), commands_(commands), focus_(focus), runner_(runner) {
    setObjectName(QStringLiteral("EditCommands"));
    auto on = [this](Command command, void (EditCommands::*slot)()) {
        connect(commands_[command], &QAction::triggered, this, slot);
    };
    on(Command::Undo, &EditCommands::undo);
    on(Command::Cut, &EditCommands::cut);
    on(Command::Copy, &EditCommands::copy);
    on(Command::PasteIntoPane, &EditCommands::paste);
    on(Command::Delete, &EditCommands::deleteSelection);
    on(Command::SelectAll, &EditCommands::selectAll);

    const Panes& panes = focus.panes();
    for (QTextEdit* pane : {panes.source, panes.result}) {
        connect(pane, &QTextEdit::cursorPositionChanged, this, &EditCommands::updateState);
        connect(pane, &QTextEdit::selectionChanged, this, &EditCommands::updateState);
        connect(pane, &QTextEdit::undoAvailable, this, &EditCommands::updateState);
        connect(pane, &QTextEdit::textChanged, this, &EditCommands::updateState);
    }
    connect(&focus, &PaneFocus::focusedChanged, this, &EditCommands::updateState);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &EditCommands::updateState);
    connect(&runner, &LongCommandRunner::busyChanged, this, [this](bool busy) {
        if (!busy) updateState();
    });
}

void EditCommands::undo() {
    if (QTextEdit* pane = focus_.focused()) pane->undo();
}

void EditCommands::cut() {
    if (QTextEdit* pane = focus_.focused()) pane->cut();
}

void EditCommands::copy() {
    if (QTextEdit* pane = focus_.focused()) pane->copy();
}

void EditCommands::paste() {
    if (QTextEdit* pane = focus_.focused()) pane->paste();
}

void EditCommands::deleteSelection() {
    if (QTextEdit* pane = focus_.focused()) pane->textCursor().removeSelectedText();
}

void EditCommands::selectAll() {
    if (QTextEdit* pane = focus_.focused()) pane->selectAll();
}

void EditCommands::updateState() {
    QTextEdit* pane = focus_.focused();
    if (!pane || runner_.isBusy()) return;
    const bool selection = pane->textCursor().hasSelection();
    commands_[Command::Undo]->setEnabled(pane->document()->isUndoAvailable());
    commands_[Command::Cut]->setEnabled(selection && !pane->isReadOnly());
    commands_[Command::Copy]->setEnabled(selection);
    commands_[Command::Delete]->setEnabled(selection && !pane->isReadOnly());
    commands_[Command::PasteIntoPane]->setEnabled(pane->canPaste());
    commands_[Command::SelectAll]->setEnabled(!pane->document()->isEmpty());
}

}  // namespace lettrica::app
