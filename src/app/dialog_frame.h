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

}  // namespace lettrica::app
