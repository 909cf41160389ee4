// The send dialog and the SMTP settings dialog offscreen: the OK rule as a
// user types, the address book through real files, F8, the settings dialog's
// copy-back through the real window, keyboard use and captions shown whole.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <sys/stat.h>

#include "app/mail/mail_commands.h"
#include "app/mail/send_dialog.h"
#include "app/mail/smtp_settings_dialog.h"
#include "app/main_window.h"
#include "app/settings_store.h"
#include "settings/ini_file.h"
#include "support/captions_fit.h"
#include "support/settings_home.h"

using lettrica::app::MailCommands;
using lettrica::app::Command;
using lettrica::app::MainWindow;
using lettrica::app::SendDialog;
using lettrica::app::SmtpSettingsDialog;
namespace settings = lettrica::settings;

namespace {

// Answers the next modal dialog named `name`: `act` fills it in and ends it.
void answerModal(const char* name, std::function<void(QDialog*)> act) {
    QTimer::singleShot(0, [name, act] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        QCOMPARE(dialog->objectName(), QString::fromLatin1(name));
        act(dialog);
    });
}

template <class T>
T* child(QWidget* parent, const char* name) {
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    if (!found) qFatal("no control %s", name);
    return found;
}

QLineEdit* addressEdit(QWidget* dialog) { return child<QComboBox>(dialog, "ComboBox1")->lineEdit(); }

// Key by key, as a keyboard types it (Cyrillic included).
void typeText(QWidget* widget, const QString& text) {
    for (QChar c : text) QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void typeAddress(QWidget* dialog, const QString& text) {
    QLineEdit* edit = addressEdit(dialog);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    typeText(edit, text);
}

}  // namespace

class MailDialogsTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<SettingsHome> home_;

    QByteArray value(const char* key) const { return home_->iniValue("Email", key); }
    static SendDialog* sendDialog(MainWindow& w) { return w.findChild<MailCommands*>()->sendDialog(); }

private slots:
    void init() { home_ = std::make_unique<SettingsHome>(); }

    // The rule is checked on every keystroke and every click of a box.
    void okFollowsTheTypedAddressAndTheBoxes() {
        SendDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* ok = child<QPushButton>(&dialog, "BitBtn1");
        QVERIFY(!ok->isEnabled());  // nothing typed yet
        const struct {
            const char* text;
            bool ok;
        } cases[] = {{"a@b.c", true},  {"@b.c", false}, {"a.b@", false},    {"ab@c", false},
                     {".a@b", false},  {"a@b.", false}, {"a.b@c", true},     {"x@y.z, ;", true},
                     {"a@b.c@", true}, {"", false},     {"иван@почта.рф", true}};
        for (const auto& c : cases) {
            typeAddress(&dialog, QString::fromUtf8(c.text));
            QCOMPARE(dialog.address(), QString::fromUtf8(c.text));
            QVERIFY2(ok->isEnabled() == c.ok, c.text);
            QCOMPARE(SendDialog::addressLooksPlausible(QString::fromUtf8(c.text)), c.ok);
        }
        typeAddress(&dialog, QStringLiteral("a@b.c"));
        auto* source = child<QCheckBox>(&dialog, "CheckBox1");
        auto* result = child<QCheckBox>(&dialog, "CheckBox2");
        QTest::mouseClick(source, Qt::LeftButton);
        QVERIFY(ok->isEnabled());
        QTest::mouseClick(result, Qt::LeftButton);
        QVERIFY(!ok->isEnabled());  // whatever the address
        QTest::mouseClick(result, Qt::LeftButton);
        QVERIFY(ok->isEnabled());
    }

    // Enter is OK only while OK is enabled; Esc is "Отмена".
    void keyboardAlone() {
        SendDialog dialog;
        dialog.open();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QLineEdit* edit = addressEdit(&dialog);
        QVERIFY(edit->hasFocus());
        QTest::keyClicks(edit, QStringLiteral("ab@c"));
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QTest::keyClicks(edit, QStringLiteral(".d"));
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(dialog.entries().isEmpty());  // only a send adds to the book

        dialog.open();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(edit->selectedText(), QStringLiteral("ab@c.d"));  // typing replaces it
        QTest::keyClick(edit, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.address(), QStringLiteral("ab@c.d"));  // kept after Cancel too
    }

    // email.dat and [Email] through a real window: read at creation, sorted
    // with letter case ignored, F8, a send's address added once, written at
    // close in the list's order and read back the same.
    void addressBookAndKeys() {
        home_->write("email.dat", "b@x.org\r\nZ@x.org\r\n\r\na@x.org\r\n");
        home_->write("lettrica.ini", "[Email]\r\nAddress=typed@x.org\r\nDoc1=0\r\nDoc2=x\r\n");
        auto w = std::make_unique<MainWindow>();
        SendDialog* d = sendDialog(*w);
        QCOMPARE(d->objectName(), QStringLiteral("TForm8"));
        QCOMPARE(d->entries(), QStringList({"", "a@x.org", "b@x.org", "Z@x.org"}));
        QCOMPARE(d->address(), QStringLiteral("typed@x.org"));
        QVERIFY(!d->sourcePaneTicked());
        QVERIFY(d->resultPaneTicked());

        d->remember(QStringLiteral("A@X.ORG"));  // there already, in other letters
        d->remember(QStringLiteral("Łukasz Żak <lukasz@example.org>"));  // beyond Windows-1251
        QCOMPARE(d->entries(), QStringList({"", "a@x.org", "b@x.org", "Z@x.org", "Łukasz Żak <lukasz@example.org>"}));
        QCOMPARE(d->address(), QStringLiteral("typed@x.org"));

        // F8 as the keyboard sends it: to whatever has the focus.
        d->show();
        QApplication::setActiveWindow(d);
        QVERIFY(QTest::qWaitForWindowActive(d));
        typeAddress(d, QStringLiteral("nobody@x.org"));
        QTest::keyRelease(d->windowHandle(), Qt::Key_F8);
        QCOMPARE(d->entries().size(), 5);  // not an entry: nothing happens
        QCOMPARE(d->address(), QStringLiteral("nobody@x.org"));
        typeAddress(d, QStringLiteral("B@X.Org"));
        QVERIFY(child<QPushButton>(d, "BitBtn1")->isEnabled());
        QTest::keyRelease(d->windowHandle(), Qt::Key_F8);
        QCOMPARE(d->entries(), QStringList({"", "a@x.org", "Z@x.org", "Łukasz Żak <lukasz@example.org>"}));
        QCOMPARE(d->address(), QString());
        QVERIFY(!child<QPushButton>(d, "BitBtn1")->isEnabled());
        d->hide();

        QVERIFY(w->close());
        QCOMPARE(home_->read("email.dat"),
                 QByteArray("\xEF\xBB\xBF\r\na@x.org\r\nZ@x.org\r\nŁukasz Żak <lukasz@example.org>\r\n"));
        QCOMPARE(value("Address"), QByteArray(""));
        QCOMPARE(value("Doc1"), QByteArray("0"));
        QCOMPARE(value("Doc2"), QByteArray("1"));
        w.reset();

        w = std::make_unique<MainWindow>();
        QCOMPARE(sendDialog(*w)->entries(), QStringList({"", "a@x.org", "Z@x.org", "Łukasz Żak <lukasz@example.org>"}));
    }

    // A FIFO where email.dat should be: the program neither waits on it nor
    // replaces it; the list starts empty.
    void anAddressBookThatIsNoFileStays() {
        QCOMPARE(::mkfifo(home_->path("email.dat").toLocal8Bit().constData(), 0600), 0);
        auto w = std::make_unique<MainWindow>();
        SendDialog* d = sendDialog(*w);
        QVERIFY(d->entries().isEmpty());
        d->remember(QStringLiteral("a@x.org"));
        QVERIFY(w->close());
        struct stat st {};
        QCOMPARE(::stat(home_->path("email.dat").toLocal8Bit().constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
    }

    // Ctrl+Alt+E shows the held values; OK takes them back in order, a port
    // that is not a number keeping the old one; "Отмена" changes nothing;
    // the close writes them, the password in a file only its owner reads.
    void smtpSettingsCopyBack() {
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        settings::MailSettings& held = w.settingsStore()->mail();
        answerModal("TForm9", [](QDialog* d) {
            QCOMPARE(child<QLineEdit>(d, "mailport")->text(), QStringLiteral("25"));
            QCOMPARE(child<QComboBox>(d, "mailAuthType")->currentText(), QStringLiteral("нет"));
            QCOMPARE(child<QComboBox>(d, "mailAuthType")->count(), 2);
            QCOMPARE(child<QLabel>(d, "mailTimeOutLabel")->text(), QStringLiteral("Timeout: 0 sec"));
            QCOMPARE(child<QLineEdit>(d, "mailUserName")->text(), QStringLiteral("Your_Name"));
            child<QLineEdit>(d, "mailhost")->setText(QStringLiteral("smtp.example.org"));
            child<QLineEdit>(d, "mailport")->setText(QStringLiteral("587x"));
            child<QComboBox>(d, "mailAuthType")->setCurrentIndex(1);
            auto* slider = child<QSlider>(d, "mailTimeOut");
            QCOMPARE(slider->maximum(), 30);
            slider->setFocus();
            for (int i = 0; i < 12; ++i) QTest::keyClick(slider, Qt::Key_Right);
            QCOMPARE(child<QLabel>(d, "mailTimeOutLabel")->text(), QStringLiteral("Timeout: 12 sec"));
            child<QLineEdit>(d, "mailUserName")->setText(QStringLiteral("José Müller"));
            child<QLineEdit>(d, "mailLogin")->setText(QStringLiteral("ivan"));
            typeText(child<QLineEdit>(d, "mailPassword"), QStringLiteral("pässwörd"));
            QCOMPARE(child<QLineEdit>(d, "mailPassword")->displayText(), QStringLiteral("********"));
            child<QLineEdit>(d, "mailEmail")->setText(QStringLiteral("ivan@example.org"));
            child<QPushButton>(d, "BitBtn1")->click();
        });
        QTest::keyClick(&w, Qt::Key_E, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(held.host, std::u16string(u"smtp.example.org"));
        QCOMPARE(held.port, 25);
        QCOMPARE(int(held.authType), 1);
        QCOMPARE(int(held.timeOut), 12);
        QCOMPARE(held.userName, std::u16string(u"José Müller"));
        QCOMPARE(held.login, std::u16string(u"ivan"));
        QCOMPARE(held.password, std::u16string(u"pässwörd"));
        QCOMPARE(held.email, std::u16string(u"ivan@example.org"));

        answerModal("TForm9", [](QDialog* d) {
            QCOMPARE(child<QLabel>(d, "mailTimeOutLabel")->text(), QStringLiteral("Timeout: 12 sec"));
            QCOMPARE(child<QComboBox>(d, "mailAuthType")->currentIndex(), 1);
            child<QLineEdit>(d, "mailport")->setText(QStringLiteral("465"));
            child<QLineEdit>(d, "mailhost")->setText(QStringLiteral("changed.example.org"));
            QTest::keyClick(d, Qt::Key_Escape);
        });
        w.action(Command::SmtpSettings)->trigger();
        QCOMPARE(held.port, 25);
        QCOMPARE(held.host, std::u16string(u"smtp.example.org"));

        answerModal("TForm9", [](QDialog* d) {
            QCOMPARE(child<QLineEdit>(d, "mailhost")->text(), QStringLiteral("smtp.example.org"));  // refilled
            child<QLineEdit>(d, "mailport")->setText(QStringLiteral("465"));
            child<QPushButton>(d, "BitBtn1")->click();
        });
        w.action(Command::SmtpSettings)->trigger();
        QCOMPARE(held.port, 465);
        answerModal("TForm9", [](QDialog* d) {
            child<QLineEdit>(d, "mailport")->clear();
            child<QPushButton>(d, "BitBtn1")->click();
        });
        w.action(Command::SmtpSettings)->trigger();
        QCOMPARE(held.port, 465);

        QVERIFY(w.close());
        QCOMPARE(value("mhost"), QByteArray("smtp.example.org"));
        QCOMPARE(value("mport"), QByteArray("465"));
        QCOMPARE(value("mAuthType"), QByteArray("1"));
        QCOMPARE(value("mTimeOut"), QByteArray("12"));
        QVERIFY(home_->read("lettrica.ini").startsWith("\xEF\xBB\xBF["));  // UTF-8: Windows-1251 lacks them
        QCOMPARE(value("mPassword"), QByteArray("pässwörd"));
        struct stat st {};
        QCOMPARE(::stat(home_->path("lettrica.ini").toLocal8Bit().constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
        QCOMPARE(MainWindow().settingsStore()->mail().userName, std::u16string(u"José Müller"));
    }

    // Every caption and title shows whole in the face that stands in for
    // "MS Sans Serif" (the time-out's at its longest), and neither dialog is
    // smaller than designed.
    void captionsShowWhole() {
        SendDialog send;
        SmtpSettingsDialog smtp;
        child<QSlider>(&smtp, "mailTimeOut")->setValue(30);
        for (QDialog* d : {static_cast<QDialog*>(&send), static_cast<QDialog*>(&smtp)}) {
            d->show();
            QVERIFY(QTest::qWaitForWindowExposed(d));
            checkCaptionsFit(d);
        }
        QVERIFY(send.width() >= 198 && send.height() >= 164);
        QVERIFY(smtp.width() >= 304 && smtp.height() >= 304);
    }
};

QTEST_MAIN(MailDialogsTest)
#include "mail_dialogs_test.moc"
