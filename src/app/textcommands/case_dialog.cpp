#include "app/textcommands/case_dialog.h"

namespace lettrica::app {

CaseDialog::CaseDialog(QWidget* parent)
    : PaneChoiceDialog("TForm6", QStringLiteral(" Регистр..."), 176, QStringLiteral(" Перевести все символы в: "),
                       {QStringLiteral("ВЕРХНИЙ РЕГИСТР"), QStringLiteral("нижний регистр")}, 0,
                       Keys{settings::keys::RegistrReg, settings::keys::RegistrDoc1, settings::keys::RegistrDoc2},
                       parent) {}

}  // namespace lettrica::app
