#include "app/print/print_choice_dialog.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QPushButton>
#include <algorithm>

#include "app/dialog_frame.h"
#include "settings/settings_keys.h"

namespace lettrica::app {

namespace {
// The designed client area. DejaVu Sans, which stands in for "MS Sans
// Serif", is wider: the dialog grows as far as its group's caption needs.
constexpr int kDesignedWidth = 198, kClientHeight = 107;
constexpr int kMargin = 4, kTitle = 18, kRow = 20, kCaptionRoom = 16;
}  // namespace

PrintChoiceDialog::PrintChoiceDialog(QWidget* parent) : QDialog(parent) {
    setUpDialogFrame(this, "TForm4", QStringLiteral(" Печать..."));

    const QString caption = QStringLiteral(" Что необходимо напечатать? ");
    const int clientWidth =
        std::max(kDesignedWidth, QFontMetrics(font()).horizontalAdvance(caption) + kCaptionRoom + 2 * kMargin);
    const int groupWidth = clientWidth - 2 * kMargin;
    auto* group = new QGroupBox(caption, this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    group->setGeometry(kMargin, kMargin, groupWidth, kTitle + 2 * kRow + 6);
    source_ = new QCheckBox(QStringLiteral("Переводимый текст"), group);
    source_->setObjectName(QStringLiteral("CheckBox1"));
    source_->setGeometry(10, kTitle, groupWidth - 16, kRow);
    source_->setChecked(true);
    result_ = new QCheckBox(QStringLiteral("Переведенный текст"), group);
    result_->setObjectName(QStringLiteral("CheckBox2"));
    result_->setGeometry(10, kTitle + kRow, groupWidth - 16, kRow);
    result_->setChecked(true);

    const DialogButtons buttons = makeDialogButtons(this);
    buttons.ok->setGeometry(14, kClientHeight - 33, 80, 25);
    buttons.cancel->setGeometry(clientWidth - 14 - 80, kClientHeight - 33, 80, 25);

    fixDialogSize(this, clientWidth, kClientHeight);
}

bool PrintChoiceDialog::sourcePaneTicked() const { return source_->isChecked(); }
bool PrintChoiceDialog::resultPaneTicked() const { return result_->isChecked(); }

void PrintChoiceDialog::readSettings(const settings::IniFile& ini) {
    if (settings::readNumber(ini, settings::keys::PrintDoc1) == 0) source_->setChecked(false);
    if (settings::readNumber(ini, settings::keys::PrintDoc2) == 0) result_->setChecked(false);
}

void PrintChoiceDialog::writeSettings(settings::IniFile& ini) const {
    settings::writeFlag(ini, settings::keys::PrintDoc1, sourcePaneTicked());
    settings::writeFlag(ini, settings::keys::PrintDoc2, resultPaneTicked());
}

void PrintChoiceDialog::showEvent(QShowEvent* event) {
    centreOnDesktop(this);  // on the desktop, not on the main window
    QDialog::showEvent(event);
}

}  // namespace lettrica::app
