#include "app/font_dialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lettrica::app {

FontDialog::FontDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("FontDialog1");
    setWindowTitle(QString::fromUtf8(" Шрифт"));
    chooser_ = new QFontDialog(this);
    chooser_->setObjectName("FontChooser");
    chooser_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    chooser_->setWindowFlags(Qt::Widget);

    colorButton_ = new QPushButton(QString::fromUtf8("Цвет..."), this);
    colorButton_->setObjectName("ColorButton");
    connect(colorButton_, &QPushButton::clicked, this, [this] {
        QColor c = QColorDialog::getColor(color_, this, QString::fromUtf8(" Цвет"));
        if (c.isValid()) {
            color_ = c;
            showColor();
        }
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(new QLabel(QString::fromUtf8("Цвет:"), this));
    colorRow->addWidget(colorButton_);
    colorRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(chooser_);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);
    chooser_->show();
}

void FontDialog::setCurrent(const QFont& font, const QColor& color) {
    chooser_->setCurrentFont(font);
    color_ = color.isValid() ? color : QColor(Qt::black);
    showColor();
}

QFont FontDialog::selectedFont() const { return chooser_->currentFont(); }

void FontDialog::showColor() {
    QPixmap swatch(16, 16);
    swatch.fill(color_);
    colorButton_->setIcon(QIcon(swatch));
}

}  // namespace lettrica::app
