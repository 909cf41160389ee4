#include "app/window/pane_choice_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFont>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>

#include "app/dialog_frame.h"

namespace lettrica::app {

namespace {
constexpr int kClientWidth = 198;
}

PaneChoiceDialog::PaneChoiceDialog(const char* name, const QString& caption, int clientHeight,
                                   const QString& groupCaption, const QStringList& items, int asBuilt,
                                   const Keys& keys, QWidget* parent)
    : QDialog(parent), items_(items), keys_(keys) {
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(caption);
    // A fixed dialog frame with the close button only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));

    // Placed as the dialog was designed: the radio group on top, its items
    // spread over its height, the pane boxes below, the buttons at the foot.
    // The captions need the width: fontconfig's stand-in for "MS Sans Serif"
    // is wider than the original.
    constexpr int kMargin = 4, kGroupWidth = kClientWidth - 2 * kMargin, kTitle = 18, kRow = 20;
    const int radioHeight = kTitle + static_cast<int>(items.size()) * kRow + 6;
    radioGroup_ = new QGroupBox(groupCaption, this);
    radioGroup_->setObjectName(QStringLiteral("RadioGroup1"));
    radioGroup_->setGeometry(kMargin, 4, kGroupWidth, radioHeight);
    buttons_ = new QButtonGroup(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* item = new QRadioButton(items[i], radioGroup_);
        item->setGeometry(10, kTitle + i * kRow, kGroupWidth - 16, kRow);
        buttons_->addButton(item, i);
    }
    connect(buttons_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) emit itemIndexChanged(itemIndex());
    });

    auto* panes = new QGroupBox(QStringLiteral(" Где произвести изменения? "), this);
    panes->setObjectName(QStringLiteral("GroupBox1"));
    panes->setGeometry(kMargin, 4 + radioHeight + 4, kGroupWidth, kTitle + 2 * kRow + 6);
    source_ = new QCheckBox(QStringLiteral("Переводимый текст"), panes);
    source_->setObjectName(QStringLiteral("CheckBox1"));
    source_->setGeometry(10, kTitle, kGroupWidth - 16, kRow);
    source_->setChecked(true);
    result_ = new QCheckBox(QStringLiteral("Переведенный текст"), panes);
    result_->setObjectName(QStringLiteral("CheckBox2"));
    result_->setGeometry(10, kTitle + kRow, kGroupWidth - 16, kRow);
    result_->setChecked(true);

    ok_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("BitBtn1"));
    ok_->setGeometry(14, clientHeight - 33, 80, 25);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("BitBtn2"));
    cancel->setGeometry(kClientWidth - 14 - 80, clientHeight - 33, 80, 25);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);  // Esc rejects too

    fixDialogSize(this, kClientWidth, clientHeight);

    setItemIndex(asBuilt);
}

int PaneChoiceDialog::itemIndex() const { return buttons_->checkedId(); }

void PaneChoiceDialog::setItemIndex(int index) {
    if (index >= 0 && index < itemCount()) {
        buttons_->button(index)->setChecked(true);
        return;
    }
    // An exclusive group never unchecks its last button by itself.
    if (QAbstractButton* checked = buttons_->checkedButton()) {
        buttons_->setExclusive(false);
        checked->setChecked(false);
        buttons_->setExclusive(true);
    }
    emit itemIndexChanged(-1);
}

bool PaneChoiceDialog::sourcePaneTicked() const { return source_->isChecked(); }
bool PaneChoiceDialog::resultPaneTicked() const { return result_->isChecked(); }

void PaneChoiceDialog::readSettings(const settings::IniFile& ini) {
    if (std::optional<std::int32_t> stored = settings::readNumber(ini, keys_.choice))
        setItemIndex(settings::clampChoiceIndex(*stored, itemCount()));
    if (settings::readNumber(ini, keys_.doc1) == 0) source_->setChecked(false);
    if (settings::readNumber(ini, keys_.doc2) == 0) result_->setChecked(false);
}

void PaneChoiceDialog::writeSettings(settings::IniFile& ini) const {
    // Each key on its own: one that cannot be written does not stop the others.
    settings::writeNumber(ini, keys_.choice, itemIndex());
    settings::writeFlag(ini, keys_.doc1, sourcePaneTicked());
    settings::writeFlag(ini, keys_.doc2, resultPaneTicked());
}

void PaneChoiceDialog::showEvent(QShowEvent* event) {
    // Centred on the desktop, not on the main window.
    if (QScreen* screen = this->screen() ? this->screen() : QApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

}  // namespace lettrica::app
