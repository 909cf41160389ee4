#include "app/print/print_choice_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "settings/settings_keys.h"

namespace lettrica::app {

namespace {
// The designed client area; the captions fit it in DejaVu Sans, which
// stands in for "MS Sans Serif".
constexpr int kClientWidth = 198, kClientHeight = 107;
constexpr int kMargin = 4, kTitle = 18, kRow = 20;
}  // namespace

PrintChoiceDialog::PrintChoiceDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TForm4"));
    setWindowTitle(QStringLiteral(" Печать..."));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));

    const int groupWidth = kClientWidth - 2 * kMargin;
    auto* group = new QGroupBox(QStringLiteral(" Что необходимо напечатать? "), this);
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

    auto* ok = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setGeometry(14, kClientHeight - 33, 80, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("BitBtn2"));
    cancel->setGeometry(kClientWidth - 14 - 80, kClientHeight - 33, 80, 25);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);  // Esc rejects too

    setFixedSize(kClientWidth, kClientHeight);
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
    // Centred on the desktop, not on the main window.
    if (QScreen* screen = this->screen() ? this->screen() : QApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

}  // namespace lettrica::app
