#include "app/mail/send_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/dialog_frame.h"
#include "app/u16_text.h"
#include "settings/address_book.h"
#include "settings/settings_keys.h"

namespace lettrica::app {

namespace {

constexpr QSize kDesignedClientSize(198, 164);

QStringList fromEntries(const std::vector<std::u16string>& entries) {
    QStringList list;
    for (const std::u16string& e : entries) list << fromU16(e);
    return list;
}

std::vector<std::u16string> toEntries(const QStringList& list) {
    std::vector<std::u16string> entries;
    for (const QString& e : list) entries.emplace_back(viewU16(e));
    return entries;
}

}  // namespace

SendDialog::SendDialog(QWidget* parent) : QDialog(parent) {
    setUpDialogFrame(this, "TForm8", QStringLiteral(" Email/SMS..."));

    auto* addressGroup = new QGroupBox(QStringLiteral(" Email: "), this);
    addressGroup->setObjectName(QStringLiteral("GroupBox1"));
    address_ = new QComboBox(addressGroup);
    address_->setObjectName(QStringLiteral("ComboBox1"));
    address_->setEditable(true);
    // The list changes only through a send and F8, and nothing is completed
    // while the user types.
    address_->setInsertPolicy(QComboBox::NoInsert);
    address_->setCompleter(nullptr);
    address_->setDuplicatesEnabled(true);
    // A long address in the book must not widen the dialog.
    address_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    address_->setMinimumContentsLength(16);
    // The box, not its line edit, has the focus: keys reach the line edit
    // only through the box, past any filter installed on the line edit.
    address_->installEventFilter(this);
    auto* addressLayout = new QVBoxLayout(addressGroup);
    addressLayout->addWidget(address_);

    auto* panes = new QGroupBox(QStringLiteral(" Что необходимо отправить? "), this);
    panes->setObjectName(QStringLiteral("GroupBox2"));
    source_ = new QCheckBox(QStringLiteral("Переводимый текст"), panes);
    source_->setObjectName(QStringLiteral("CheckBox1"));
    source_->setChecked(true);
    result_ = new QCheckBox(QStringLiteral("Переведенный текст"), panes);
    result_->setObjectName(QStringLiteral("CheckBox2"));
    result_->setChecked(true);
    auto* panesLayout = new QVBoxLayout(panes);
    panesLayout->addWidget(source_);
    panesLayout->addWidget(result_);

    const DialogButtons buttons = makeDialogButtons(this);
    ok_ = buttons.ok;
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(buttons.ok);
    buttonRow->addStretch();
    buttonRow->addWidget(buttons.cancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(addressGroup);
    layout->addWidget(panes);
    layout->addStretch();
    layout->addLayout(buttonRow);

    connect(address_, &QComboBox::editTextChanged, this, &SendDialog::updateOk);
    connect(source_, &QCheckBox::toggled, this, &SendDialog::updateOk);
    connect(result_, &QCheckBox::toggled, this, &SendDialog::updateOk);

    // The designed size, or more where the captions need it: fontconfig's
    // stand-in for "MS Sans Serif" is wider than the original.
    layout->activate();
    setFixedSize(sizeHint().expandedTo(kDesignedClientSize).expandedTo(QSize(titleBarWidth(windowTitle()), 0)));
    updateOk();
}

bool SendDialog::addressLooksPlausible(const QString& text) {
    const qsizetype at = text.indexOf(u'@');
    const qsizetype dot = text.indexOf(u'.');
    const qsizetype last = text.size() - 1;
    return at >= 1 && dot >= 1 && at != last && dot != last;
}

void SendDialog::updateOk() {
    ok_->setEnabled(addressLooksPlausible(address()) && (sourcePaneTicked() || resultPaneTicked()));
}

QString SendDialog::address() const { return address_->currentText(); }
void SendDialog::setAddress(const QString& text) { address_->setEditText(text); }
bool SendDialog::sourcePaneTicked() const { return source_->isChecked(); }
bool SendDialog::resultPaneTicked() const { return result_->isChecked(); }

QStringList SendDialog::entries() const {
    QStringList list;
    for (int i = 0; i < address_->count(); ++i) list << address_->itemText(i);
    return list;
}

void SendDialog::insertSorted(const QString& entry) {
    int at = 0;
    while (at < address_->count() && QString::compare(address_->itemText(at), entry, Qt::CaseInsensitive) <= 0) ++at;
    address_->insertItem(at, entry);
}

void SendDialog::setEntries(const QStringList& list) {
    // The box shows its first item when it gets one; the typed text stays.
    const QString typed = address();
    address_->clear();
    for (const QString& entry : list) insertSorted(entry);
    if (address() != typed) setAddress(typed);
}

bool SendDialog::hasEntry(const QString& text) const {
    for (int i = 0; i < address_->count(); ++i)
        if (QString::compare(address_->itemText(i), text, Qt::CaseInsensitive) == 0) return true;
    return false;
}

void SendDialog::remember(const QString& text) {
    if (hasEntry(text)) return;
    const QString typed = address();
    insertSorted(text);
    if (address() != typed) setAddress(typed);
}

void SendDialog::deleteTypedEntry() {
    const QString typed = address();
    for (int i = 0; i < address_->count(); ++i) {
        if (QString::compare(address_->itemText(i), typed, Qt::CaseInsensitive) != 0) continue;
        address_->removeItem(i);
        setAddress(QString());
        updateOk();
        return;
    }
}

void SendDialog::readSettings(const settings::IniFile& ini) {
    setAddress(fromU16(settings::readText(ini, settings::keys::EmailAddress)));
    if (settings::readNumber(ini, settings::keys::EmailDoc1) == 0) source_->setChecked(false);
    if (settings::readNumber(ini, settings::keys::EmailDoc2) == 0) result_->setChecked(false);
}

void SendDialog::writeSettings(settings::IniFile& ini) const {
    settings::writeText(ini, settings::keys::EmailAddress, viewU16(address()));
    settings::writeFlag(ini, settings::keys::EmailDoc1, sourcePaneTicked());
    settings::writeFlag(ini, settings::keys::EmailDoc2, resultPaneTicked());
}

void SendDialog::loadAddressBook(const std::filesystem::path& path) {
    const settings::AddressBookFile file = settings::readAddressBook(path);
    writable_ = file.state == settings::FileState::Missing || file.state == settings::FileState::Regular;
    stored_ = fromEntries(file.entries);
    setEntries(stored_);
}

void SendDialog::saveAddressBook(const std::filesystem::path& path) {
    const QStringList list = entries();
    if (!writable_ || list == stored_) return;
    if (settings::writeAddressBook(path, toEntries(list)).empty()) stored_ = list;
}

void SendDialog::showEvent(QShowEvent* event) {
    centreOnDesktop(this);
    updateOk();
    QDialog::showEvent(event);
    // Ready for typing: the address box has the focus, its text selected
    // once the window is up (activating it puts the cursor back).
    address_->setFocus(Qt::OtherFocusReason);
    QTimer::singleShot(0, address_->lineEdit(), &QLineEdit::selectAll);
}

bool SendDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == address_ && event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F8 && !key->isAutoRepeat()) deleteTypedEntry();
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace lettrica::app
