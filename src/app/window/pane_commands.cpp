#include "app/window/pane_commands.h"

#include <QAction>
#include <QTextEdit>

#include "app/command_table.h"
#include "app/conversion/long_command_runner.h"
#include "app/window/default_attributes.h"

namespace lettrica::app {

PaneCommands::PaneCommands(const CommandTable& commands, Panes panes, const LongCommandRunner& runner,
                           QObject* parent)
    : QObject(parent), panes_(panes), runner_(runner) {
    setObjectName(QStringLiteral("PaneCommands"));
    connect(commands[Command::New], &QAction::triggered, this, &PaneCommands::newText);
    connect(commands[Command::PasteSource], &QAction::triggered, this, &PaneCommands::pasteIntoSource);
    connect(commands[Command::CopyResult], &QAction::triggered, this, &PaneCommands::copyResult);
    connect(commands[Command::WordWrap], &QAction::triggered, this, &PaneCommands::toggleWordWrap);
}

void PaneCommands::newText() {
    if (runner_.isBusy()) return;
    for (QTextEdit* pane : {panes_.source, panes_.result}) {
        pane->clear();
        // Clearing drops the typing format, so the defaults are set after
        // it: text typed after New is always "MS Sans Serif" 10 points, black.
        applyDefaultAttributes(pane);
    }
}

void PaneCommands::pasteIntoSource() { panes_.source->paste(); }

void PaneCommands::copyResult() {
    panes_.result->selectAll();
    panes_.result->copy();
}

void PaneCommands::toggleWordWrap(bool wrap) {
    for (QTextEdit* pane : {panes_.source, panes_.result})
        pane->setLineWrapMode(wrap ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
}

}  // namespace lettrica::app
