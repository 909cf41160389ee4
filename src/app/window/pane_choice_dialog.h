#pragma once
// The common frame of the recoding and case dialogs: a radio group of
// choices, the two pane boxes "Переводимый текст" and "Переведенный текст",
// OK and "Отмена". Created once and reused, so the last choices show again,
// also after Cancel; its three keys of lettrica.ini are read at creation and
// written at close.

#include <QDialog>
#include <QStringList>

#include "settings/settings_keys.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QPushButton;

namespace lettrica::app {

class PaneChoiceDialog : public QDialog {
    Q_OBJECT
public:
    struct Keys {
        settings::Key choice;  // the selected index
        settings::Key doc1;    // CheckBox1
        settings::Key doc2;    // CheckBox2
    };

    // The selected choice, -1 when none is.
    int itemIndex() const;
    void setItemIndex(int index);  // -1 or out of range: none
    int itemCount() const { return static_cast<int>(items_.size()); }

    bool sourcePaneTicked() const;  // CheckBox1, "Переводимый текст"
    bool resultPaneTicked() const;  // CheckBox2, "Переведенный текст"

    // The stored index clamped to the choices (a value that is not a number
    // keeps the current choice); a pane box is unticked only by the number 0.
    void readSettings(const settings::IniFile& ini);
    void writeSettings(settings::IniFile& ini) const;

signals:
    void itemIndexChanged(int index);

protected:
    PaneChoiceDialog(const char* name, const QString& caption, int clientHeight, const QString& groupCaption,
                     const QStringList& items, int asBuilt, const Keys& keys, QWidget* parent);
    void showEvent(QShowEvent* event) override;
    QPushButton* okButton() const { return ok_; }

private:
    QStringList items_;
    Keys keys_;
    QGroupBox* radioGroup_;
    QButtonGroup* buttons_;
    QCheckBox* source_;
    QCheckBox* result_;
    QPushButton* ok_;
};

}  // namespace lettrica::app
