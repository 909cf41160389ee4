#pragma once
// TForm7, " Перекодировка...": the direction of the recoding and the panes
// to recode. Keys Napr, Doc1, Doc2 of section "Perekod".

#include <optional>

#include "app/window/pane_choice_dialog.h"
#include "textops/recoding.h"

namespace lettrica::app {

class RecodeDialog : public PaneChoiceDialog {
    Q_OBJECT
public:
    explicit RecodeDialog(QWidget* parent = nullptr);

    // The selected direction; none when the stored index selected none.
    std::optional<textops::Direction> direction() const { return textops::directionAt(itemIndex()); }
};

}  // namespace lettrica::app
