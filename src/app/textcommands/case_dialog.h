#pragma once
// TForm6, " Регистр...": capitals or small letters, and the panes to change.
// Keys Reg, Doc1, Doc2 of section "Registr".

#include "app/window/pane_choice_dialog.h"
#include "textops/case_conversion.h"

namespace lettrica::app {

class CaseDialog : public PaneChoiceDialog {
    Q_OBJECT
public:
    explicit CaseDialog(QWidget* parent = nullptr);

    // Index 0 is capitals; anything else, none selected included, small letters.
    textops::Case target() const { return textops::caseAt(itemIndex()); }
};

}  // namespace lettrica::app
