#pragma once
// What the program's small modal dialogs share: a fixed frame with the
// close button only, "MS Sans Serif" 8 pt, the OK and "Отмена" buttons
// (BitBtn1 the default, BitBtn2 the cancel one, as Esc is), and their place
// in the centre of the desktop.

class QDialog;
class QPushButton;
class QString;
class QWidget;

namespace lettrica::app {

void setUpDialogFrame(QDialog* dialog, const char* name, const QString& caption);

struct DialogButtons {
    QPushButton* ok;
    QPushButton* cancel;
};
// Made as children of `dialog`, connected to accept and reject; the caller
// places them.
DialogButtons makeDialogButtons(QDialog* dialog);

// Moves the window's frame to the centre of the desktop it is on.
void centreOnDesktop(QWidget* window);

// The dialogs were laid out for "MS Sans Serif"; the faces Linux draws in
// its place (DejaVu Sans) are wider, and a narrow dialog cuts its own title
// in the title bar.

// The width a window needs for `title` to show whole in the title bar a
// window manager draws: the title in the bold title font, with room for the
// window's icon and three buttons beside it.
int titleBarWidth(const QString& title);

// Gives `dialog` its fixed client size `designed`, widened if its title
// needs more; the controls, placed for the designed width, move to the
// middle of the wider one.
void fixDialogSize(QWidget* dialog, int designedWidth, int designedHeight);

}  // namespace lettrica::app
