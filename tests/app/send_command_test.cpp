// "Email/SMS" through the real window, offscreen, against the real SMTP
// server of the mail tests on loopback: what the server stores, the
// messages the user sees, what is kept at close, and a close in the middle
// of a send.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <memory>

#include "app/mail/mail_commands.h"
#include "app/mail/pane_lines.h"
#include "app/mail/send_dialog.h"
#include "app/main_window.h"
#include "app/settings_store.h"
#include "support/settings_home.h"
#include "support/message_catcher.h"
#include "test_server.h"

// START_SERVER of the mail tests, for Qt Test.
#define START_SERVER_OR_FAIL(name, ...)                  \
    mailtest::TestServer name{QStringList{__VA_ARGS__}}; \
    QVERIFY2(name.ok(), qPrintable(name.failure()))

using lettrica::app::MailCommands;
using lettrica::app::Command;
using lettrica::app::MainWindow;
using lettrica::app::paneLines;

namespace {

// Answers the next send dialog: the address typed key by key (replacing
// what is there), then Enter, or "Отмена".
void answerSendDialog(const QString& address, bool ok = true) {
    QTimer::singleShot(0, [address, ok] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        QCOMPARE(dialog->objectName(), QStringLiteral("TForm8"));
        QLineEdit* edit = dialog->findChild<QComboBox*>("ComboBox1")->lineEdit();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        for (QChar c : address) QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
        if (ok) QTest::keyClick(edit, Qt::Key_Return);
        else dialog->findChild<QPushButton*>("BitBtn2")->click();
    });
}

QString crlfLines(const QStringList& lines) {
    QString text;
    for (const QString& l : lines) text += l + QStringLiteral("\r\n");
    return text;
}

}  // namespace

class SendCommandTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<SettingsHome> home_;
    std::unique_ptr<MainWindow> window_;

    // The mail settings of lettrica.ini for a local server, then the window.
    void start(quint16 port, const QByteArray& more = {}) {
        home_->write("lettrica.ini", "[Email]\r\nmhost=127.0.0.1\r\nmport=" + QByteArray::number(port) +
                                      "\r\nmUserName=\xC8\xE2\xE0\xED \xCF\xE5\xF2\xF0\xEE\xE2\r\n"  // Иван Петров
                                      "mEmail=ivan@example.com\r\nmLogin=ivan\r\nmTimeOut=10\r\n" + more);
        window_ = std::make_unique<MainWindow>();
        window_->show();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }
    void sendTo(const QString& address, bool ok = true) {
        // The progress window of F3 took the activation away.
        QApplication::setActiveWindow(window_.get());
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        answerSendDialog(address, ok);
        QTest::keyClick(window_.get(), Qt::Key_E, Qt::ControlModifier);
    }

private slots:
    void init() { home_ = std::make_unique<SettingsHome>(); }
    void cleanup() { window_.reset(); }

    // F3, then Ctrl+E: one message with the source lines, one empty line and
    // the result lines; the success box; the address in the book and in
    // [Email] at close, in order. A second send with characters that
    // Windows-1251 lacks carries them all (in UTF-8), not "?".
    void sendsBothPanesAndKeepsTheAddress() {
        START_SERVER_OR_FAIL(server);
        home_->write("email.dat", "zed@example.org\r\nalpha@example.org\r\n");
        start(server.port());
        window_->sourcePane()->setPlainText(QStringLiteral("Щи да каша\n.точка"));
        QTest::keyClick(window_.get(), Qt::Key_F3);
        QTRY_COMPARE(window_->resultPane()->toPlainText(), QStringLiteral("Schi da kasha\n.tochka"));

        MessageCatcher boxes;
        sendTo(QStringLiteral("Reader@Example.org"));
        QCOMPARE(boxes.texts, QStringList({"Письмо отправлено."}));
        QCOMPARE(boxes.captions, QStringList({" Lettrica"}));
        QCOMPARE(boxes.icons.first(), QMessageBox::Information);
        QCOMPARE(boxes.owners.first(), nullptr);

        const QList<QJsonObject> messages = server.messages();
        QCOMPARE(messages.size(), 1);
        const QJsonObject m = messages.first();
        QCOMPARE(m.value("subject").toString(), QStringLiteral("From Иван Петров"));
        QCOMPARE(m.value("from_rfc2047").toString(), QStringLiteral("Иван Петров <ivan@example.com>"));
        QCOMPARE(m.value("mail_from").toString(), QStringLiteral("ivan@example.com"));
        QCOMPARE(m.value("rcpt_tos").toArray().toVariantList(), QVariantList({"Reader@Example.org"}));
        QCOMPARE(m.value("charset").toString(), QStringLiteral("windows-1251"));
        QCOMPARE(m.value("body").toString(),
                 QStringLiteral("Щи да каша\r\n.точка\r\n\r\nSchi da kasha\r\n.tochka\r\n"));
        QVERIFY(m.value("defects").toArray().isEmpty());

        window_->sourcePane()->setPlainText(QStringLiteral("Über 日本 😀"));
        window_->resultPane()->clear();
        sendTo(QStringLiteral("reader@example.org"));  // the same address in other letters
        QCOMPARE(boxes.texts.size(), 2);
        QCOMPARE(boxes.texts.last(), QStringLiteral("Письмо отправлено."));
        QCOMPARE(server.messages().size(), 2);
        QCOMPARE(server.messages().last().value("body").toString(), QStringLiteral("Über 日本 😀\r\n\r\n"));
        QCOMPARE(server.messages().last().value("charset").toString(), QStringLiteral("utf-8"));

        QVERIFY(window_->close());
        QCOMPARE(home_->read("email.dat"), QByteArray("alpha@example.org\r\nReader@Example.org\r\nzed@example.org\r\n"));
        QCOMPARE(home_->iniValue("Email", "Address"), QByteArray("reader@example.org"));
        QCOMPARE(home_->iniValue("Email", "Doc1"), QByteArray("1"));
        QCOMPARE(home_->iniValue("Email", "Doc2"), QByteArray("1"));
    }

    // With word wrap on, every line the pane shows is a line of the
    // message; with it off, the paragraph is one line. Only the ticked pane
    // goes, with no empty line before it.
    void linesAsThePaneShowsThem() {
        START_SERVER_OR_FAIL(server);
        home_->write("email.dat", "");
        start(server.port(), "Doc1=0\r\n");
        QString paragraph;
        for (int i = 0; i < 60; ++i) paragraph += QStringLiteral("слово%1 ").arg(i);
        paragraph = paragraph.trimmed();
        window_->resultPane()->setPlainText(paragraph);
        const QStringList wrapped = paneLines(window_->resultPane());
        QVERIFY(wrapped.size() > 3);
        QCOMPARE(wrapped.join(QString()), paragraph);

        MessageCatcher boxes;
        sendTo(QStringLiteral("a@example.org"));
        QCOMPARE(server.messages().size(), 1);
        QCOMPARE(server.messages().first().value("body").toString(), crlfLines(wrapped));

        window_->action(Command::WordWrap)->trigger();  // word wrap off
        QCOMPARE(paneLines(window_->resultPane()), QStringList({paragraph}));
        sendTo(QStringLiteral("a@example.org"));
        QCOMPARE(server.messages().size(), 2);
        QCOMPARE(server.messages().last().value("body").toString(), paragraph + QStringLiteral("\r\n"));
        QCOMPARE(boxes.texts, QStringList({"Письмо отправлено.", "Письмо отправлено."}));

        // Pasted from a web page: a forced line break, an image, a list and a table.
        window_->resultPane()->setHtml(QStringLiteral(
            "<p>первая<br>вторая <img src=\"none.png\"> строка</p><ul><li>пункт</li></ul>"
            "<table><tr><td>A1</td><td>B1</td></tr></table>"));
        QCOMPARE(paneLines(window_->resultPane()),
                 QStringList({"первая", "вторая  строка", "пункт", "A1", "B1"}));
    }

    // Nothing listens on the port: the failure box with the system's words.
    // Cancelling the dialog sends nothing and shows nothing. A host, login
    // or sender with a control character, or unpaired "<" ">", never reaches the server.
    void failuresAndRefusals() {
        START_SERVER_OR_FAIL(server);
        const quint16 closed = mailtest::freePort();
        start(closed);
        MessageCatcher boxes;
        sendTo(QStringLiteral("a@example.org"));
        QCOMPARE(boxes.texts, QStringList({"Не удалось отправить письмо:\nConnection refused"}));
        QCOMPARE(boxes.captions, QStringList({" Lettrica"}));
        QCOMPARE(boxes.icons.first(), QMessageBox::Critical);
        auto* commands = window_->findChild<MailCommands*>();
        QVERIFY(commands->sendDialog()->hasEntry(QStringLiteral("a@example.org")));  // kept all the same
        QVERIFY(window_->action(Command::SendMail)->isEnabled());
        QVERIFY(window_->action(Command::Exit)->isEnabled());

        auto& held = window_->settingsStore()->mail();
        held.port = server.port();
        sendTo(QStringLiteral("b@example.org"), false);
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(!commands->sendDialog()->hasEntry(QStringLiteral("b@example.org")));

        const struct {
            std::u16string host, login, email;
            QString message;
        } unsafe[] = {
            {u"127.0.0.1\r\nMAIL FROM:<x@y>", u"ivan", u"ivan@example.com",
             QStringLiteral("Недопустимое имя сервера \"127.0.0.1\\r\\nMAIL FROM:<x@y>\": управляющий символ.")},
            {u"127.0.0.1", u"ivan\tx", u"ivan@example.com",
             QStringLiteral("Недопустимый логин \"ivan\\tx\": управляющий символ.")},
            {u"127.0.0.1", u"ivan", u"ivan@example.com\r\nRCPT TO:<x@y>",
             QStringLiteral("Недопустимый адрес отправителя \"ivan@example.com\\r\\nRCPT TO:<x@y>\": "
                            "в адресе управляющий символ.")},
            {u"127.0.0.1", u"ivan", u"ivan.example.com",
             QStringLiteral("Недопустимый адрес отправителя \"ivan.example.com\": в адресе нет знака \"@\".")},
        };
        const QString host = QString::fromStdU16String(held.host);
        for (const auto& u : unsafe) {
            held.host = u.host;
            held.login = u.login;
            held.email = u.email;
            sendTo(QStringLiteral("a@example.org"));
            QCOMPARE(boxes.texts.last(), QStringLiteral("Не удалось отправить письмо:\n") + u.message);
        }
        held.email = u"ivan@example.com";
        sendTo(QStringLiteral("<b@x.org NOTIFY=NEVER ORCPT=rfc822;c@d.org>"));
        QVERIFY(boxes.texts.last().endsWith(
            QStringLiteral("ORCPT=rfc822\": в адресе знаки \"<\" и \">\" не образуют одну пару.")));
        QCOMPARE(boxes.texts.size(), 6);
        QVERIFY(server.events(QStringLiteral("connect")).isEmpty());
    }

    // Esc ("Выход") while the server keeps the client waiting, as the title bar's close: the
    // commands that could start over were off meanwhile; the send stops
    // without waiting for its time-out of 200 s, no message shows, the
    // window closes and its settings are written.
    void closingDuringASendStopsItAndCloses() {
        START_SERVER_OR_FAIL(server, QStringLiteral("--mode"), QStringLiteral("silent"));
        start(server.port(), "mTimeOut=200\r\n");
        window_->sourcePane()->setPlainText(QStringLiteral("текст"));
        auto* commands = window_->findChild<MailCommands*>();
        QList<Command> offDuringSend;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (!commands->isSending() || server.commands().filter(QStringLiteral("MAIL FROM:")).isEmpty()) return;
            poll.stop();
            for (Command command : {Command::SendMail, Command::SmtpSettings, Command::Exit, Command::New,
                                    Command::ToCyrillic, Command::ToLatin, Command::ChangeCase, Command::Recode,
                                    Command::CopyResult})
                if (!window_->action(command)->isEnabled()) offDuringSend << command;
            QApplication::setActiveWindow(window_.get());  // as the window manager does after the dialog
            QTest::keyClick(window_->windowHandle(), Qt::Key_Escape);
            QTimer::singleShot(5000, window_.get(), [this] { window_->close(); });  // should Esc do nothing
        });
        poll.start(10);
        MessageCatcher boxes;
        QElapsedTimer clock;
        clock.start();
        sendTo(QStringLiteral("a@example.org"));
        QVERIFY(!window_->isVisible());
        QVERIFY(clock.elapsed() < 4000);  // Esc stopped the wait at once
        // Esc stays on, and so does copying the result pane, which the send leaves whole.
        QCOMPARE(offDuringSend, QList<Command>({Command::SendMail, Command::SmtpSettings, Command::New,
                                                Command::ToCyrillic, Command::ToLatin, Command::ChangeCase,
                                                Command::Recode}));
        QVERIFY(!commands->isSending());
        QVERIFY(boxes.texts.isEmpty());
        QCOMPARE(home_->iniValue("Email", "Address"), QByteArray("a@example.org"));
        QCOMPARE(home_->read("email.dat"), QByteArray("a@example.org\r\n"));
    }
};

QTEST_MAIN(SendCommandTest)
#include "send_command_test.moc"
