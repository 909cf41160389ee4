#pragma once
// TForm9, " Настройки SMTP...": the outgoing mail server and the sender.
// Each showing is filled from the held mail settings (load); OK copies the
// fields back (store), "Отмена" changes nothing. The values reach
// lettrica.ini when the program closes.

#include <QDialog>

#include "settings/main_settings.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace lettrica::app {

class SmtpSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit SmtpSettingsDialog(QWidget* parent = nullptr);

    // Fills every field: host, port, log-in choice, time-out, name, login,
    // password, address.
    void load(const settings::MailSettings& mail);
    // Copies the fields back in that order. A port that is not a whole
    // number keeps the old one; with no log-in choice made the old one stays.
    void store(settings::MailSettings& mail) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showTimeOut(int seconds);

    QLineEdit* host_;
    QLineEdit* port_;
    QComboBox* authType_;
    QLabel* timeOutLabel_;
    QSlider* timeOut_;
    QLineEdit* userName_;
    QLineEdit* login_;
    QLineEdit* password_;
    QLineEdit* email_;
};

}  // namespace lettrica::app
