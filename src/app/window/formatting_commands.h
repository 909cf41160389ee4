#pragma once
// The formatting commands on whichever pane has the keyboard focus: bold,
// italic and underline of the selection (ticked while the selection has
// them), bullets on its paragraphs, the three alignments, and the font
// command, which takes the pane whose caret moved last.

#include <QObject>

namespace lettrica::app {

class CommandTable;
class LongCommandRunner;
class PaneFocus;

class FormattingCommands : public QObject {
    Q_OBJECT
public:
    FormattingCommands(const CommandTable& commands, const PaneFocus& focus, const LongCommandRunner& runner,
                       QWidget* window);

public slots:
    void setBold(bool bold);
    void setItalic(bool italic);
    void setUnderline(bool underline);
    // Bullets on the selected paragraphs, or, when the caret stands in a
    // list, every selected paragraph out of its list.
    void toggleBullets();
    void alignLeft();
    void alignCenter();
    void alignRight();
    // The font dialog for the active pane's selection; nothing changes on
    // "Отмена".
    void chooseFont();

private:
    void updateState();

    const CommandTable& commands_;
    const PaneFocus& focus_;
    const LongCommandRunner& runner_;
    QWidget* window_;
};

}  // namespace lettrica::app
