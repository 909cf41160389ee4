#include "app/window/pane_focus.h"

#include <QApplication>

namespace lettrica::app {

PaneFocus::PaneFocus(Panes panes, QObject* parent)
    : QObject(parent), panes_(panes), focused_(panes.source), active_(panes.source) {
    setObjectName(QStringLiteral("PaneFocus"));
    for (QTextEdit* pane : {panes.source, panes.result}) {
        connect(pane, &QTextEdit::cursorPositionChanged, this, [this, pane] {
            active_ = pane;
            if (pane->hasFocus()) setFocused(pane);
        });
        connect(pane, &QTextEdit::selectionChanged, this, [this, pane] { active_ = pane; });
    }
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now == panes_.source || now == panes_.result) setFocused(static_cast<QTextEdit*>(now));
    });
}

void PaneFocus::setFocused(QTextEdit* pane) {
    if (focused_ == pane) return;
    focused_ = pane;
    emit focusedChanged(pane);
}

}  // namespace lettrica::app
