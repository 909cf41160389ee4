#pragma once
// Which pane the editing and formatting commands act on: the pane that last
// had the keyboard focus (the source pane at start), and the pane whose caret
// last moved, which the font command takes.

#include <QObject>
#include <QPointer>
#include <QTextEdit>

#include "app/window/panes.h"

namespace lettrica::app {

class PaneFocus : public QObject {
    Q_OBJECT
public:
    PaneFocus(Panes panes, QObject* parent);

    QTextEdit* focused() const { return focused_; }
    QTextEdit* active() const { return active_; }
    const Panes& panes() const { return panes_; }

signals:
    void focusedChanged(QTextEdit* pane);

private:
    void setFocused(QTextEdit* pane);

    Panes panes_;
    QPointer<QTextEdit> focused_;
    QTextEdit* active_;
};

}  // namespace lettrica::app
