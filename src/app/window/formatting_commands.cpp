#include "app/window/formatting_commands.h"

#include <QAction>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>

#include "app/command_table.h"
#include "app/conversion/long_command_runner.h"
#include "app/window/font_dialog.h"
#include "app/window/default_attributes.h"
#include "app/window/pane_focus.h"

namespace lettrica::app {

FormattingCommands::FormattingCommands(const CommandTable& commands, const PaneFocus& focus,
                                       const LongCommandRunner& runner, QWidget* window)
    : QObject(window), commands_(commands), focus_(focus), runner_(runner), window_(window) {
    setObjectName(QStringLiteral("FormattingCommands"));
    connect(commands[Command::Bold], &QAction::triggered, this, &FormattingCommands::setBold);
    connect(commands[Command::Italic], &QAction::triggered, this, &FormattingCommands::setItalic);
    connect(commands[Command::Underline], &QAction::triggered, this, &FormattingCommands::setUnderline);
    connect(commands[Command::Bullets], &QAction::triggered, this, &FormattingCommands::toggleBullets);
    connect(commands[Command::AlignLeft], &QAction::triggered, this, &FormattingCommands::alignLeft);
    connect(commands[Command::AlignCenter], &QAction::triggered, this, &FormattingCommands::alignCenter);
    connect(commands[Command::AlignRight], &QAction::triggered, this, &FormattingCommands::alignRight);
    connect(commands[Command::Font], &QAction::triggered, this, &FormattingCommands::chooseFont);

    const Panes& panes = focus.panes();
    for (QTextEdit* pane : {panes.source, panes.result}) {
        connect(pane, &QTextEdit::cursorPositionChanged, this, &FormattingCommands::updateState);
        connect(pane, &QTextEdit::currentCharFormatChanged, this, &FormattingCommands::updateState);
    }
    connect(&focus, &PaneFocus::focusedChanged, this, &FormattingCommands::updateState);
}

void FormattingCommands::setBold(bool bold) {
    QTextCharFormat f;
    f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    if (QTextEdit* pane = focus_.focused()) pane->mergeCurrentCharFormat(f);
}

void FormattingCommands::setItalic(bool italic) {
    QTextCharFormat f;
    f.setFontItalic(italic);
    if (QTextEdit* pane = focus_.focused()) pane->mergeCurrentCharFormat(f);
}

void FormattingCommands::setUnderline(bool underline) {
    QTextCharFormat f;
    f.setFontUnderline(underline);
    if (QTextEdit* pane = focus_.focused()) pane->mergeCurrentCharFormat(f);
}

void FormattingCommands::alignLeft() {
    if (QTextEdit* pane = focus_.focused()) pane->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
}

void FormattingCommands::alignCenter() {
    if (QTextEdit* pane = focus_.focused()) pane->setAlignment(Qt::AlignHCenter);
}

void FormattingCommands::alignRight() {
    if (QTextEdit* pane = focus_.focused()) pane->setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
}

void FormattingCommands::toggleBullets() {
    QTextEdit* pane = focus_.focused();
    if (!pane) return;
    QTextCursor cursor = pane->textCursor();
    cursor.beginEditBlock();
    if (cursor.currentList()) {
        QTextDocument* doc = pane->document();
        QTextBlock block = doc->findBlock(cursor.selectionStart());
        const QTextBlock last = doc->findBlock(cursor.selectionEnd());
        for (;; block = block.next()) {
            if (QTextList* list = block.textList()) {
                list->remove(block);
                QTextCursor c(block);
                QTextBlockFormat bf = block.blockFormat();
                bf.setIndent(0);
                c.setBlockFormat(bf);
            }
            if (block == last || !block.isValid()) break;
        }
    } else {
        cursor.createList(QTextListFormat::ListDisc);
    }
    cursor.endEditBlock();
    updateState();
}

void FormattingCommands::chooseFont() {
    QTextEdit* pane = focus_.active();
    const QTextCharFormat current = pane->currentCharFormat();
    // What the format leaves open, the pane's own font decides.
    const QFont used = current.font().resolve(pane->document()->defaultFont());
    const QColor color =
        current.foreground().style() == Qt::NoBrush ? pane->palette().color(QPalette::Text) : current.foreground().color();
    FontDialog dialog(window_);
    dialog.setCurrent(used, color);
    if (dialog.exec() != QDialog::Accepted) return;
    const QFont font = dialog.selectedFont();
    QTextCharFormat f;
    // A face left as shown stays as the text names it ("MS Sans Serif"
    // drawn by its stand-in), so OK alone changes nothing.
    if (dialog.faceChanged()) f.setFontFamilies({font.family()});
    f.setFontPointSize(font.pointSizeF() > 0 ? font.pointSizeF() : kDefaultFontSize);
    f.setForeground(dialog.selectedColor());
    f.setFontWeight(font.weight());
    f.setFontItalic(font.italic());
    f.setFontUnderline(font.underline());
    f.setFontStrikeOut(font.strikeOut());
    pane->mergeCurrentCharFormat(f);
}

void FormattingCommands::updateState() {
    QTextEdit* pane = focus_.focused();
    if (!pane || runner_.isBusy()) return;
    const QTextCharFormat f = pane->currentCharFormat();
    commands_[Command::Bold]->setChecked(f.fontWeight() >= QFont::Bold);
    commands_[Command::Italic]->setChecked(f.fontItalic());
    commands_[Command::Underline]->setChecked(f.fontUnderline());
    commands_[Command::Bullets]->setChecked(pane->textCursor().currentList() != nullptr);
    const Qt::Alignment a = pane->alignment();
    if (a & Qt::AlignHCenter) commands_[Command::AlignCenter]->setChecked(true);
    else if (a & Qt::AlignRight) commands_[Command::AlignRight]->setChecked(true);
    else commands_[Command::AlignLeft]->setChecked(true);
}

}  // namespace lettrica::app
