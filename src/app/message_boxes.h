#pragma once
// The program's message boxes: modal, without an owner window, and the
// yes/no question of the platform ("Confirm", "&Yes" and "&No").

#include <QMessageBox>
#include <QString>

namespace lettrica::app {

// Lines may end in CR (the program's own texts), CR LF (a server's reply) or
// LF; each becomes the LF that Qt breaks lines at.
void showMessage(QMessageBox::Icon icon, const QString& caption, const QString& text);

// True for "&Yes" (the default), false for "&No" or Esc.
bool confirm(const QString& question);

}  // namespace lettrica::app
