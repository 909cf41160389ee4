// The user-table commands in the main window: the editors from the menu,
// the reset with its question, conversion by the user tables, and the files
// across a restart. Each test has its own empty settings directory.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/main_window.h"
#include "app/qt_translations.h"
#include "app/tables/table_editor_dialog.h"
#include "app/tables/user_table_commands.h"
#include "app/tables/user_tables.h"

using lettrica::app::Command;
using lettrica::app::MainWindow;
using lettrica::app::TableEditorDialog;
using lettrica::app::UserTableCommands;
using lettrica::tables::TableKind;

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

// Calls `onModal` with each modal widget that comes up while `action` runs.
void whileModal(const std::function<void()>& action, const std::function<void(QWidget*)>& onModal) {
    QWidget* handled = nullptr;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* w = QApplication::activeModalWidget();
        if (w && w != handled) {
            handled = w;
            onModal(w);
        }
    });
    timer.start();
    action();
    timer.stop();
}

QByteArray tableBytes(int lines, const char* entry) {
    QByteArray b;
    for (int i = 0; i < lines; ++i) b += QByteArray(entry) + "\r\n";
    return b;
}

}  // namespace

class UserTableCommandsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> home_;
    std::unique_ptr<MainWindow> window_;

    QString file(const char* name) const { return home_->filePath(QString::fromLatin1(name)); }
    void writeFile(const char* name, const QByteArray& bytes) {
        QFile f(file(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray readFile(const char* name) const {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void start() {
        window_ = std::make_unique<MainWindow>();
        window_->show();
    }
    void stop() {
        window_->close();
        window_.reset();
    }

    // Answers the reset question; returns its text.
    QString answerReset(bool yes) {
        QString text;
        whileModal([&] { window_->action(Command::ResetUserTables)->trigger(); },
                   [&](QWidget* w) {
                       auto* box = qobject_cast<QMessageBox*>(w);
                       QVERIFY(box);
                       QCOMPARE(box->windowTitle(), u("Confirm"));
                       QCOMPARE(box->icon(), QMessageBox::Question);
                       QCOMPARE(box->buttons().size(), 2);
                       text = box->text();
                       for (QAbstractButton* b : box->buttons())
                           if (b->text() == (yes ? u("&Yes") : u("&No"))) b->click();
                   });
        return text;
    }

private slots:
    // As the program runs: Qt's words in Russian, "&Yes" and "&No" as given.
    void initTestCase() { lettrica::app::installQtTranslations(); }

    void init() {
        home_ = std::make_unique<QTemporaryDir>();
        QVERIFY(home_->isValid());
        qputenv("LETTRICA_HOME", home_->path().toLocal8Bit());
    }
    void cleanup() {
        window_.reset();
        home_.reset();
    }

    void noFilesNoResetNothingWritten() {
        start();
        QVERIFY(window_->action(Command::EditToCyrillicTable)->isEnabled());
        QVERIFY(window_->action(Command::EditToLatinTable)->isEnabled());
        QVERIFY(window_->action(Command::UserTable)->isEnabled());
        QVERIFY(!window_->action(Command::ResetUserTables)->isEnabled());
        QCOMPARE(window_->action(Command::EditToCyrillicTable)->shortcut(), QKeySequence(u("Alt+F2")));
        QCOMPARE(window_->action(Command::EditToLatinTable)->shortcut(), QKeySequence(u("Alt+F3")));
        QCOMPARE(window_->action(Command::ResetUserTables)->shortcut(), QKeySequence(u("Alt+R")));
        QVERIFY(window_->findChild<TableEditorDialog*>("TForm2"));
        QVERIFY(window_->findChild<TableEditorDialog*>("TForm3"));
        stop();
        // The close writes lettrica.ini; no table file without a confirmed editor.
        QVERIFY(!QFile::exists(home_->filePath("tr.dat")));
        QVERIFY(!QFile::exists(home_->filePath("rt.dat")));
    }

    void convertsByTheUserTables() {
        start();
        window_->action(Command::UserTable)->trigger();
        QVERIFY(window_->action(Command::UserTable)->isChecked());
        window_->sourcePane()->setPlainText(u("John Xerox Жук"));
        window_->action(Command::ToCyrillic)->trigger();
        QCOMPARE(window_->resultPane()->toPlainText(), u("Джохн Ксерокс Жук"));
        window_->sourcePane()->setPlainText(u("Жук и Ящик, John"));
        window_->action(Command::ToLatin)->trigger();
        QCOMPARE(window_->resultPane()->toPlainText(), u("}|{yk u 9ILLLuk, John"));
    }

    void editorFromTheMenuChangesTheNextConversion() {
        start();
        window_->action(Command::UserTable)->trigger();
        whileModal([&] { window_->action(Command::EditToCyrillicTable)->trigger(); },
                   [&](QWidget* w) {
                       auto* d = qobject_cast<TableEditorDialog*>(w);
                       QVERIFY(d);
                       QCOMPARE(d->objectName(), u("TForm2"));
                       QCOMPARE(d->field(19)->text(), u("Дж"));
                       d->field(19)->setText(u("Й"));  // J
                       d->findChild<QPushButton*>("BitBtn1")->click();
                   });
        QVERIFY(window_->action(Command::ResetUserTables)->isEnabled());
        window_->sourcePane()->setPlainText(u("John"));
        window_->action(Command::ToCyrillic)->trigger();
        QCOMPARE(window_->resultPane()->toPlainText(), u("Йохн"));
        QVERIFY(!QFile::exists(file("tr.dat")));  // nothing is written while running
        stop();

        QCOMPARE(readFile("tr.dat").left(3), QByteArray("\xC0\r\n"));
        QCOMPARE(readFile("tr.dat").size(), 162 - 2 + 1);
        QVERIFY(!QFile::exists(file("rt.dat")));

        // A restart loads it and enables the reset.
        start();
        QVERIFY(window_->action(Command::ResetUserTables)->isEnabled());
        window_->action(Command::UserTable)->trigger();
        window_->sourcePane()->setPlainText(u("Jack"));
        window_->action(Command::ToCyrillic)->trigger();
        QCOMPARE(window_->resultPane()->toPlainText(), u("Йацк"));
    }

    void resetAsksAndDeletesBothFiles() {
        writeFile("tr.dat", tableBytes(52, "t"));
        writeFile("rt.dat", tableBytes(66, "r"));
        start();
        QVERIFY(window_->action(Command::ResetUserTables)->isEnabled());

        const QString question = answerReset(false);
        QCOMPARE(question, u("Вы действительно хотите вернуть начальные настройки пользовательских таблиц "
                             "транслитерации (при этом будут удалены файлы с настройками этих таблиц: "
                             "\"tr.dat\" и \"rt.dat\")?"));
        QVERIFY(QFile::exists(file("tr.dat")));
        QVERIFY(window_->action(Command::ResetUserTables)->isEnabled());

        answerReset(true);
        QVERIFY(!QFile::exists(file("tr.dat")));
        QVERIFY(!QFile::exists(file("rt.dat")));
        QVERIFY(!window_->action(Command::ResetUserTables)->isEnabled());
        QCOMPARE(window_->userTableCommands()->tables()->entries(TableKind::Rt)[0], u("A"));
        stop();
        QVERIFY(!QFile::exists(file("tr.dat")));
        QVERIFY(!QFile::exists(file("rt.dat")));
    }

    void rejectedFileAtStart() {
        writeFile("tr.dat", tableBytes(52, "t") + "\r\n");  // an empty 53rd line
        writeFile("rt.dat", tableBytes(66, "r"));
        start();
        QVERIFY(!QFile::exists(file("tr.dat")));
        QVERIFY(window_->action(Command::ResetUserTables)->isEnabled());  // rt.dat was accepted
        QCOMPARE(window_->userTableCommands()->tables()->entries(TableKind::Tr)[0], u("А"));
        QCOMPARE(window_->userTableCommands()->tables()->entries(TableKind::Rt)[0], u("r"));
        stop();
        // Not confirmed in an editor: left as it was.
        QCOMPARE(readFile("rt.dat"), tableBytes(66, "r"));
    }
};

QTEST_MAIN(UserTableCommandsTest)
#include "user_table_commands_test.moc"
