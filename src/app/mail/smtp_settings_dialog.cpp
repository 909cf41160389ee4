#include "app/mail/smtp_settings_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSlider>
#include <QVBoxLayout>

#include "app/dialog_frame.h"
#include "app/u16_text.h"
#include "settings/ini_file.h"

namespace lettrica::app {

namespace {

constexpr QSize kDesignedClientSize(304, 304);
constexpr int kMaxTimeOutSeconds = 30;

QLineEdit* field(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

// A caption in the left column, its control in the right one.
void addRow(QGridLayout* grid, QLabel* label, QWidget* control) {
    const int row = grid->rowCount();
    label->setBuddy(control);
    grid->addWidget(label, row, 0);
    grid->addWidget(control, row, 1);
}
void addRow(QGridLayout* grid, const QString& caption, QWidget* control) {
    addRow(grid, new QLabel(caption, control->parentWidget()), control);
}

}  // namespace

SmtpSettingsDialog::SmtpSettingsDialog(QWidget* parent) : QDialog(parent) {
    setUpDialogFrame(this, "TForm9", QStringLiteral(" Настройки SMTP..."));

    auto* server = new QGroupBox(QStringLiteral(" SMTP сервер: "), this);
    server->setObjectName(QStringLiteral("GroupBox1"));
    auto* serverGrid = new QGridLayout(server);
    host_ = field("mailhost", server);
    addRow(serverGrid, QStringLiteral("Хост:"), host_);
    port_ = field("mailport", server);
    port_->setMaximumWidth(port_->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    addRow(serverGrid, QStringLiteral("Порт:"), port_);
    authType_ = new QComboBox(server);
    authType_->setObjectName(QStringLiteral("mailAuthType"));
    authType_->addItems({QStringLiteral("нет"), QStringLiteral("да")});
    addRow(serverGrid, QStringLiteral("Аутентификация:"), authType_);
    timeOutLabel_ = new QLabel(server);
    timeOutLabel_->setObjectName(QStringLiteral("mailTimeOutLabel"));
    timeOut_ = new QSlider(Qt::Horizontal, server);
    timeOut_->setObjectName(QStringLiteral("mailTimeOut"));
    timeOut_->setRange(0, kMaxTimeOutSeconds);
    timeOut_->setSingleStep(1);
    timeOut_->setPageStep(5);
    timeOut_->setTickPosition(QSlider::TicksBelow);
    timeOut_->setTickInterval(5);
    addRow(serverGrid, timeOutLabel_, timeOut_);
    connect(timeOut_, &QSlider::valueChanged, this, &SmtpSettingsDialog::showTimeOut);
    showTimeOut(0);

    auto* user = new QGroupBox(QStringLiteral(" Пользователь:  "), this);
    user->setObjectName(QStringLiteral("GroupBox2"));
    auto* userGrid = new QGridLayout(user);
    userName_ = field("mailUserName", user);
    addRow(userGrid, QStringLiteral("Имя:"), userName_);
    login_ = field("mailLogin", user);
    addRow(userGrid, QStringLiteral("Логин:"), login_);
    password_ = field("mailPassword", user);
    password_->setEchoMode(QLineEdit::Password);
    // Every character shown as "*", whatever the style would draw.
    password_->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    addRow(userGrid, QStringLiteral("Пароль:"), password_);
    email_ = field("mailEmail", user);
    addRow(userGrid, QStringLiteral("Email:"), email_);

    const DialogButtons buttons = makeDialogButtons(this);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(buttons.ok);
    buttonRow->addSpacing(16);
    buttonRow->addWidget(buttons.cancel);
    buttonRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(server);
    layout->addWidget(user);
    layout->addStretch();
    layout->addLayout(buttonRow);

    layout->activate();
    setFixedSize(sizeHint().expandedTo(kDesignedClientSize).expandedTo(QSize(titleBarWidth(windowTitle()), 0)));
}

void SmtpSettingsDialog::showTimeOut(int seconds) {
    timeOutLabel_->setText(QStringLiteral("Timeout: %1 sec").arg(seconds));
}

void SmtpSettingsDialog::load(const settings::MailSettings& mail) {
    host_->setText(fromU16(mail.host));
    port_->setText(QString::number(mail.port));
    authType_->setCurrentIndex(mail.authType < authType_->count() ? mail.authType : -1);
    timeOut_->setValue(mail.timeOut);
    showTimeOut(timeOut_->value());
    userName_->setText(fromU16(mail.userName));
    login_->setText(fromU16(mail.login));
    password_->setText(fromU16(mail.password));
    email_->setText(fromU16(mail.email));
}

void SmtpSettingsDialog::store(settings::MailSettings& mail) const {
    mail.host = viewU16(host_->text());
    if (std::optional<std::int32_t> port = settings::toInteger(port_->text().toStdString())) mail.port = *port;
    if (authType_->currentIndex() >= 0) mail.authType = static_cast<std::uint8_t>(authType_->currentIndex());
    mail.timeOut = static_cast<std::uint8_t>(timeOut_->value());
    mail.userName = viewU16(userName_->text());
    mail.login = viewU16(login_->text());
    mail.password = viewU16(password_->text());
    mail.email = viewU16(email_->text());
}

void SmtpSettingsDialog::showEvent(QShowEvent* event) {
    centreOnDesktop(this);
    QDialog::showEvent(event);
}

}  // namespace lettrica::app
