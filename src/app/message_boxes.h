#pragma once
// The program's message boxes: modal, without an owner window, and the
// yes/no question of the platform ("Confirm", "&Yes" and "&No").

#include <QMessageBox>
#include <QString>

namespace lettrica::app {

// Lines are given with LF, which is what Qt breaks at.
void showMessage(QMessageBox::Icon icon, const QString& caption, const QString& text);

// True for "&Yes" (the default), false for "&No" or Esc.
bool confirm(const QString& question);

}  // namespace lettrica::app
