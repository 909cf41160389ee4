#pragma once
// The dialogs were laid out for "MS Sans Serif"; the faces Linux draws in
// its place (DejaVu Sans) are wider, and a narrow dialog cuts its own title
// in the title bar. These size a fixed dialog so its title shows whole.

#include <QString>

class QWidget;

namespace lettrica::app {

// The width a window needs for `title` to show whole in the title bar a
// window manager draws: the title in the bold title font, with room for the
// window's icon and three buttons beside it.
int titleBarWidth(const QString& title);

// Gives `dialog` its fixed client size `designed`, widened if its title
// needs more; the controls, placed for the designed width, move to the
// middle of the wider one.
void fixDialogSize(QWidget* dialog, int designedWidth, int designedHeight);

}  // namespace lettrica::app
