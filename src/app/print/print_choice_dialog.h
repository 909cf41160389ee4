#pragma once
// TForm4, " Печать...": which panes Print prints. Created once and reused, so
// the boxes keep their state between uses, after Cancel too; they are read
// from keys Doc1 and Doc2 of section "Print" at creation and written there at
// close.

#include <QDialog>

class QCheckBox;

namespace lettrica::settings {
class IniFile;
}

namespace lettrica::app {

class PrintChoiceDialog : public QDialog {
    Q_OBJECT
public:
    explicit PrintChoiceDialog(QWidget* parent = nullptr);

    bool sourcePaneTicked() const;  // CheckBox1, "Переводимый текст"
    bool resultPaneTicked() const;  // CheckBox2, "Переведенный текст"

    // A box is unticked only by the stored number 0.
    void readSettings(const settings::IniFile& ini);
    void writeSettings(settings::IniFile& ini) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QCheckBox* source_;
    QCheckBox* result_;
};

}  // namespace lettrica::app
