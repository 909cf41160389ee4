#include "app/window/font_dialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lettrica::app {

namespace {

// Qt's font dialog set into ours without its buttons. On its own it would
// hide itself on Esc (leaving our frame empty) and swallow Enter; here both
// belong to the dialog around it.
class EmbeddedFontChooser : public QFontDialog {
public:
    explicit EmbeddedFontChooser(QDialog* owner) : QFontDialog(owner), owner_(owner) {
        setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
        setWindowFlags(Qt::Widget);
    }

    void done(int result) override { owner_->done(result); }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Escape: event->ignore(); return;  // up to the owner
            default: QFontDialog::keyPressEvent(event);
        }
    }

private:
    QDialog* owner_;
};

// The style of `family` that draws `font`: the one the font database picked
// for it, or else the first with the same boldness and slant.
QString styleFor(const QString& family, const QFont& font, const QFontInfo& used) {
    const QStringList styles = QFontDatabase::styles(family);
    auto fits = [&](const QString& style) {
        return QFontDatabase::bold(family, style) == font.bold() && QFontDatabase::italic(family, style) == font.italic();
    };
    if (styles.contains(used.styleName()) && fits(used.styleName())) return used.styleName();
    for (const QString& style : styles)
        if (fits(style) && !style.contains(QLatin1String("Condensed"))) return style;
    return used.styleName();
}

}  // namespace

FontDialog::FontDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("FontDialog1");
    setWindowTitle(QString::fromUtf8(" Шрифт"));
    chooser_ = new EmbeddedFontChooser(this);
    chooser_->setObjectName("FontChooser");

    colorButton_ = new QPushButton(QString::fromUtf8("Цвет..."), this);
    colorButton_->setObjectName("ColorButton");
    colorButton_->setAutoDefault(false);
    connect(colorButton_, &QPushButton::clicked, this, [this] {
        QColor c = QColorDialog::getColor(color_, this, QString::fromUtf8(" Цвет"));
        if (c.isValid()) {
            color_ = c;
            showColor();
        }
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName("FontButtons");
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* colorRow = new QHBoxLayout;
    auto* colorLabel = new QLabel(QString::fromUtf8("Цвет:"), this);
    colorLabel->setBuddy(colorButton_);
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(colorButton_);
    colorRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(chooser_);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);
    chooser_->show();
}

void FontDialog::setCurrent(const QFont& font, const QColor& color) {
    const QFontInfo used(font);
    QFont shown(font);
    shown.setFamilies({used.family()});
    shown.setStyleName(styleFor(used.family(), font, used));
    if (shown.pointSizeF() <= 0) shown.setPointSizeF(used.pointSizeF());
    chooser_->setCurrentFont(shown);
    shownFamily_ = chooser_->currentFont().family();
    color_ = color.isValid() ? color : QColor(Qt::black);
    showColor();
}

QFont FontDialog::selectedFont() const { return chooser_->currentFont(); }

bool FontDialog::faceChanged() const { return chooser_->currentFont().family() != shownFamily_; }

void FontDialog::showColor() {
    QPixmap swatch(16, 16);
    swatch.fill(color_);
    colorButton_->setIcon(QIcon(swatch));
}

}  // namespace lettrica::app
