#include "app/textcommands/recode_dialog.h"

#include <QPushButton>

namespace lettrica::app {

namespace {
QStringList directionCaptions() {
    QStringList captions;
    for (int i = 0; i < textops::kDirectionCount; ++i)
        captions << QString::fromLatin1(textops::directionCaption(*textops::directionAt(i)));
    return captions;
}
}  // namespace

RecodeDialog::RecodeDialog(QWidget* parent)
    : PaneChoiceDialog("TForm7", QStringLiteral(" Перекодировка..."), 257, QStringLiteral(" Направление: "),
                       directionCaptions(), 0,
                       Keys{settings::keys::PerekodNapr, settings::keys::PerekodDoc1, settings::keys::PerekodDoc2},
                       parent) {
    // Without a direction OK would have nothing to do: it waits for one.
    connect(this, &PaneChoiceDialog::itemIndexChanged, this,
            [this](int index) { okButton()->setEnabled(index >= 0); });
}

}  // namespace lettrica::app
