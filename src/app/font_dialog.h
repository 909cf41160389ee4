#pragma once
// The font command's dialog: face, size and style from the system's font
// chooser, plus the colour, which Qt's chooser leaves out.

#include <QColor>
#include <QDialog>
#include <QFont>

class QFontDialog;
class QPushButton;

namespace lettrica::app {

class FontDialog : public QDialog {
    Q_OBJECT
public:
    explicit FontDialog(QWidget* parent = nullptr);

    void setCurrent(const QFont& font, const QColor& color);
    QFont selectedFont() const;
    QColor selectedColor() const { return color_; }

private:
    void showColor();
    QFontDialog* chooser_;
    QPushButton* colorButton_;
    QColor color_;
};

}  // namespace lettrica::app
