#include "app/tables/table_editor_dialog.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "app/dialog_frame.h"
#include "app/message_boxes.h"
#include "app/tables/user_tables.h"

namespace lettrica::app {

using tables::TableKind;

namespace {

struct Layout {
    const char* name;
    const char* caption;
    QSize client;
    int groups;
    int rows;
    int groupX[3];
    int groupHeight;
    int buttonY;
    int buttonX[3];
};

const Layout kTrLayout{"TForm2", " Редактирование таблицы Rus <- Translit", {378, 475}, 2, 13,
                       {8, 194, 0}, 433, 444, {104, 196, 287}};
const Layout kRtLayout{"TForm3", " Редактирование таблицы Rus -> Translit", {560, 411}, 3, 11,
                       {8, 192, 376}, 368, 379, {286, 378, 469}};

const Layout& layoutOf(TableKind kind) { return kind == TableKind::Tr ? kTrLayout : kRtLayout; }

}  // namespace

TableEditorDialog::TableEditorDialog(TableKind kind, UserTables* tables, QWidget* parent)
    : QDialog(parent), kind_(kind), tables_(tables) {
    build();
}

void TableEditorDialog::build() {
    const Layout& l = layoutOf(kind_);
    setObjectName(QString::fromLatin1(l.name));
    setWindowTitle(QString::fromUtf8(l.caption));
    // Single fixed border with only the system menu and its close button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    setFont(font);
    QFont letterFont(QStringLiteral("MS Sans Serif"));
    letterFont.setPixelSize(13);

    int entry = 0;
    for (int g = 0; g < l.groups; ++g) {
        auto* box = new QGroupBox(this);
        box->setObjectName(QStringLiteral("GroupBox%1").arg(g + 1));
        box->setGeometry(l.groupX[g], 4, 177, l.groupHeight);
        for (int row = 0; row < l.rows; ++row) {
            for (int column = 0; column < 2; ++column, ++entry) {
                const int labelX = column == 0 ? 8 : 96;
                auto* label = new QLabel(UserTables::keyLetter(kind_, entry), box);
                label->setObjectName(QStringLiteral("Label%1").arg(entry + 1));
                label->setFont(letterFont);
                label->setGeometry(labelX, 16 + 32 * row, 16, 17);
                auto* edit = new QLineEdit(box);
                edit->setObjectName(QStringLiteral("Edit%1").arg(entry + 1));
                edit->setGeometry(labelX + 16, 14 + 32 * row, 49, 21);
                edit->setMaxLength(static_cast<int>(tables::kMaxEntryBytes));  // what a table file holds
                edit->setAccessibleName(label->text());
                label->setBuddy(edit);
                fields_.append(edit);
            }
        }
    }

    const char* const names[3] = {"BitBtn1", "BitBtn2", "BitBtn3"};
    const char* const captions[3] = {"OK", "Отмена", "Очистить"};
    const QStyle::StandardPixmap icons[3] = {QStyle::SP_DialogOkButton, QStyle::SP_DialogCancelButton,
                                             QStyle::SP_DialogResetButton};
    QPushButton* buttons[3];
    for (int i = 0; i < 3; ++i) {
        buttons[i] = new QPushButton(QString::fromUtf8(captions[i]), this);
        buttons[i]->setObjectName(QString::fromLatin1(names[i]));
        buttons[i]->setIcon(style()->standardIcon(icons[i]));
        // As wide as designed, or as its caption needs in the face drawn here.
        buttons[i]->setGeometry(l.buttonX[i], l.buttonY, std::max(82, buttons[i]->sizeHint().width()), 25);
        buttons[i]->setAutoDefault(false);
    }
    buttons[0]->setDefault(true);  // Enter; Esc rejects the dialog
    connect(buttons[0], &QPushButton::clicked, this, &TableEditorDialog::storeFields);
    connect(buttons[1], &QPushButton::clicked, this, &QDialog::reject);
    connect(buttons[2], &QPushButton::clicked, this, &TableEditorDialog::clearFields);

    QWidget* previous = nullptr;
    for (QLineEdit* edit : fields_) {
        if (previous) setTabOrder(previous, edit);
        previous = edit;
    }
    for (QPushButton* b : buttons) {
        setTabOrder(previous, b);
        previous = b;
    }
    fixDialogSize(this, l.client.width(), l.client.height());
}

void TableEditorDialog::prepare() {
    const QStringList entries = tables_->entries(kind_);
    for (int k = 0; k < fields_.size(); ++k) fields_[k]->setText(entries.value(k));
    fields_.first()->setFocus();
    fields_.first()->selectAll();
    // Centred on the desktop, not on the main window.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

int TableEditorDialog::openEditor() {
    prepare();
    return exec();
}

void TableEditorDialog::storeFields() {
    QStringList values;
    for (QLineEdit* edit : fields_) values.append(edit->text());
    if (std::optional<UserTables::Refusal> refusal = tables_->confirm(kind_, values)) {
        showMessage(QMessageBox::Critical, QString::fromUtf8("Ошибка"), refusal->message);
        if (QLineEdit* edit = field(refusal->field)) {
            edit->setFocus();
            edit->selectAll();
        }
        return;
    }
    accept();
}

void TableEditorDialog::clearFields() {
    for (QLineEdit* edit : fields_) edit->clear();
}

}  // namespace lettrica::app
