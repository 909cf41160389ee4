#pragma once
// The font command's dialog: face, style, size and effects from Qt's font
// chooser, plus the colour, which Qt's chooser leaves out, under one OK and
// one "Отмена". Enter anywhere in it is OK and Esc is "Отмена", as in any
// dialog.

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

    // Shows `font` as it is drawn: a face that is not installed ("MS Sans
    // Serif") is shown as the face that stands in for it, with its style.
    void setCurrent(const QFont& font, const QColor& color);
    QFont selectedFont() const;
    QColor selectedColor() const { return color_; }
    // Whether the user chose another face than the one shown at first.
    bool faceChanged() const;

    QFontDialog* chooser() const { return chooser_; }

private:
    void showColor();
    QFontDialog* chooser_;
    QPushButton* colorButton_;
    QColor color_;
    QString shownFamily_;
};

}  // namespace lettrica::app
