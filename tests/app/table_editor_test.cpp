// The user table editors TForm2 / TForm3 over the program's table state,
// offscreen, each test with its own empty settings directory.

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/tables/table_editor_dialog.h"
#include "app/tables/user_tables.h"
#include "support/captions_fit.h"
#include "tables/user_table.h"
#include "convert/converter.h"

using lettrica::app::TableEditorDialog;
using lettrica::app::UserTables;
using lettrica::tables::TableKind;

namespace {

struct Message {
    QString caption;
    QString text;
    bool shown = false;
};

// Runs `action`; a message box that comes up meanwhile is read and closed.
Message answerMessage(const std::function<void()>& action) {
    Message m;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            m = {box->windowTitle(), box->text(), true};
            QCOMPARE(box->icon(), QMessageBox::Critical);
            box->button(QMessageBox::Ok)->click();
        }
    });
    timer.start();
    action();
    timer.stop();
    return m;
}

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

// The next widget that Tab reaches after `w`.
QWidget* nextTabStop(QWidget* w) {
    do w = w->nextInFocusChain();
    while (w && !(w->focusPolicy() & Qt::TabFocus));
    return w;
}

}  // namespace

class TableEditorTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> home_;
    QString file(const char* name) const { return home_->filePath(QString::fromLatin1(name)); }
    QByteArray read(const char* name) const {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void init() {
        home_ = std::make_unique<QTemporaryDir>();
        QVERIFY(home_->isValid());
        qputenv("LETTRICA_HOME", home_->path().toLocal8Bit());
    }
    void cleanup() { home_.reset(); }

    void layoutOfTheTrEditor() {
        UserTables tables;
        TableEditorDialog d(TableKind::Tr, &tables);
        QCOMPARE(d.objectName(), u("TForm2"));
        QCOMPARE(d.windowTitle(), u(" Редактирование таблицы Rus <- Translit"));
        // As designed, in the middle of a dialog wide enough for its title.
        QCOMPARE(d.height(), 475);
        const int x = (d.width() - 378) / 2;
        QVERIFY(x >= 0);
        checkCaptionsFit(&d);
        QCOMPARE(d.fieldCount(), 52);
        auto* g1 = d.findChild<QGroupBox*>("GroupBox1");
        auto* g2 = d.findChild<QGroupBox*>("GroupBox2");
        QVERIFY(g1 && g2);
        QCOMPARE(g1->geometry(), QRect(x + 8, 4, 177, 433));
        QCOMPARE(g2->geometry(), QRect(x + 194, 4, 177, 433));
        QVERIFY(g1->title().isEmpty());
        // A..M on the left, N..Z on the right; capital then small letter.
        auto* n = d.findChild<QLineEdit*>("Edit27");
        QCOMPARE(n->parentWidget(), g2);
        QCOMPARE(n->geometry(), QRect(24, 14, 49, 21));
        QCOMPARE(d.findChild<QLineEdit*>("Edit26")->parentWidget(), g1);
        QCOMPARE(d.findChild<QLineEdit*>("Edit26")->geometry(), QRect(112, 14 + 12 * 32, 49, 21));
        QCOMPARE(d.findChild<QLabel*>("Label27")->text(), u("N"));
        QCOMPARE(d.findChild<QLabel*>("Label52")->text(), u("z"));
        QCOMPARE(d.findChild<QLabel*>("Label52")->buddy(), d.field(52));
        QCOMPARE(d.findChild<QLabel*>("Label2")->geometry().topLeft(), QPoint(96, 16));

        const char* names[] = {"BitBtn1", "BitBtn2", "BitBtn3"};
        const char* captions[] = {"OK", "Отмена", "Очистить"};
        const int xs[] = {104, 196, 287};
        for (int i = 0; i < 3; ++i) {
            auto* b = d.findChild<QPushButton*>(names[i]);
            QVERIFY(b);
            QCOMPARE(b->text(), u(captions[i]));
            QCOMPARE(b->geometry().topLeft(), QPoint(x + xs[i], 444));
            QCOMPARE(b->height(), 25);
            QVERIFY(b->width() >= 82);  // or what the caption needs
        }
        QVERIFY(d.findChild<QPushButton*>("BitBtn1")->isDefault());

        // Tab order: field by field through both boxes, then the buttons.
        for (int k = 1; k < 52; ++k) QCOMPARE(nextTabStop(d.field(k)), d.field(k + 1));
        QWidget* w = d.field(52);
        for (const char* name : names) {
            w = nextTabStop(w);
            QCOMPARE(w->objectName(), QString::fromLatin1(name));
        }
    }

    void layoutOfTheRtEditor() {
        UserTables tables;
        TableEditorDialog d(TableKind::Rt, &tables);
        QCOMPARE(d.objectName(), u("TForm3"));
        QCOMPARE(d.windowTitle(), u(" Редактирование таблицы Rus -> Translit"));
        QCOMPARE(d.size(), QSize(560, 411));
        checkCaptionsFit(&d);
        QCOMPARE(d.fieldCount(), 66);
        QCOMPARE(d.findChild<QGroupBox*>("GroupBox3")->geometry(), QRect(376, 4, 177, 368));
        // А..Й, К..Ф, Х..Я; Ё, ё after Е, е.
        QCOMPARE(d.findChild<QLabel*>("Label13")->text(), u("Ё"));
        QCOMPARE(d.findChild<QLabel*>("Label14")->text(), u("ё"));
        QCOMPARE(d.findChild<QLabel*>("Label15")->text(), u("Ж"));
        QCOMPARE(d.findChild<QLabel*>("Label23")->text(), u("К"));
        QCOMPARE(d.findChild<QLabel*>("Label38")->text(), u("с"));
        QCOMPARE(d.field(23)->parentWidget()->objectName(), u("GroupBox2"));
        QCOMPARE(d.field(45)->parentWidget()->objectName(), u("GroupBox3"));
        QCOMPARE(d.field(45)->geometry(), QRect(24, 14, 49, 21));
        QCOMPARE(d.findChild<QPushButton*>("BitBtn1")->geometry(), QRect(286, 379, 82, 25));
        QCOMPARE(d.findChild<QPushButton*>("BitBtn3")->geometry().topLeft(), QPoint(469, 379));
    }

    void opensWithTheDefaults() {
        UserTables tables;
        tables.setDefaults();
        tables.loadFiles();
        TableEditorDialog tr(TableKind::Tr, &tables);
        tr.prepare();
        QCOMPARE(tr.field(1)->text(), u("А"));
        QCOMPARE(tr.field(19)->text(), u("Дж"));
        QCOMPARE(tr.field(33)->text(), u("Ку"));
        QCOMPARE(tr.field(47)->text(), u("Кс"));
        TableEditorDialog rt(TableKind::Rt, &tables);
        rt.prepare();
        QCOMPARE(rt.field(1)->text(), u("A"));
        QCOMPARE(rt.field(15)->text(), u("}|{"));
        QCOMPARE(rt.field(51)->text(), u("LLI"));
        QCOMPARE(rt.field(65)->text(), u("9I"));
    }

    void emptyFieldsAreRefused() {
        UserTables tables;
        TableEditorDialog d(TableKind::Tr, &tables);
        d.prepare();
        d.open();
        QTest::mouseClick(d.findChild<QPushButton*>("BitBtn3"), Qt::LeftButton);
        for (int k = 1; k <= 52; ++k) QVERIFY(d.field(k)->text().isEmpty());
        Message m = answerMessage([&] { QTest::mouseClick(d.findChild<QPushButton*>("BitBtn1"), Qt::LeftButton); });
        QVERIFY(m.shown);
        QCOMPARE(m.caption, u("Ошибка"));
        QCOMPARE(m.text, u("Некоторые поля содержат пустые значения."));
        QVERIFY(d.isVisible());
        QCOMPARE(tables.entries(TableKind::Tr)[0], u("А"));
        QVERIFY(!tables.set().modified(TableKind::Tr));

        // Only the last field empty: the same message; typed values stay.
        d.prepare();
        d.field(1)->setText(u("Я"));
        d.field(52)->clear();
        m = answerMessage([&] { d.storeFields(); });
        QCOMPARE(m.text, u("Некоторые поля содержат пустые значения."));
        QCOMPARE(d.field(1)->text(), u("Я"));
        QCOMPARE(d.focusWidget(), d.field(52));
        QCOMPARE(tables.entries(TableKind::Tr)[0], u("А"));
        d.reject();

        tables.saveFiles();
        QVERIFY(!QFile::exists(file("tr.dat")));
    }

    void charactersOutsideWindows1251AreRefused() {
        UserTables tables;
        TableEditorDialog d(TableKind::Rt, &tables);
        d.prepare();
        d.open();
        d.field(15)->setText(u("zh😀"));
        Message m = answerMessage([&] { d.storeFields(); });
        QVERIFY(m.shown);
        QCOMPARE(m.caption, u("Ошибка"));
        QVERIFY2(m.text.contains(u("\"Ж\"")) && m.text.contains(u("😀")) && m.text.contains(u("Windows-1251")),
                 qPrintable(m.text));
        QVERIFY(d.isVisible());
        QCOMPARE(tables.entries(TableKind::Rt)[14], u("}|{"));

        // A line break pasted into a field would split the file's lines.
        d.field(15)->setText(u("z\nh"));
        QVERIFY(d.field(15)->text().contains(QChar('\n')));
        m = answerMessage([&] { d.storeFields(); });
        QVERIFY(m.text.contains(u("\"Ж\"")));
        QVERIFY(d.isVisible());
        // Characters the code page has beyond the letters are fine.
        d.field(15)->setText(u("«ж» № €"));
        m = answerMessage([&] { d.storeFields(); });
        QVERIFY(!m.shown);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(tables.entries(TableKind::Rt)[14], u("«ж» № €"));
    }

    void okStoresAndMarksTheTable() {
        UserTables tables;
        QSignalSpy resetSpy(&tables, &UserTables::resetEnabledChanged);
        TableEditorDialog d(TableKind::Tr, &tables);
        d.prepare();
        d.open();
        d.field(16)->setText(u(" "));  // h: one space is a value
        QTest::keyClick(d.field(16), Qt::Key_Return);  // Enter answers OK
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(tables.entries(TableKind::Tr)[15], u(" "));
        QVERIFY(tables.set().modified(TableKind::Tr));
        QVERIFY(!tables.set().modified(TableKind::Rt));
        QVERIFY(tables.resetEnabled());
        QCOMPARE(resetSpy.count(), 1);
        QCOMPARE(resetSpy.at(0).at(0).toBool(), true);

        // The next conversion uses the edited entry.
        QCOMPARE(lettrica::translit::convertAll(tables.converter(TableKind::Tr), u"John"), std::u16string(u"Джо н"));

        // OK without any change in the other editor still marks its table.
        TableEditorDialog rt(TableKind::Rt, &tables);
        rt.prepare();
        rt.open();
        rt.storeFields();
        QVERIFY(tables.set().modified(TableKind::Rt));
        tables.saveFiles();
        QCOMPARE(read("rt.dat").size(), 232);
        QVERIFY(read("tr.dat").startsWith(QByteArray("\xC0\r\n\xE0\r\n")));
    }

    void cancelDiscards() {
        UserTables tables;
        TableEditorDialog d(TableKind::Rt, &tables);
        d.prepare();
        d.open();
        d.field(1)->setText(u("changed"));
        QTest::keyClick(d.field(1), Qt::Key_Escape);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));

        d.prepare();
        d.open();
        d.field(2)->setText(u("changed"));
        QTest::mouseClick(d.findChild<QPushButton*>("BitBtn2"), Qt::LeftButton);
        QVERIFY(!d.isVisible());

        d.prepare();
        QCOMPARE(d.field(1)->text(), u("A"));
        QCOMPARE(d.field(2)->text(), u("a"));
        QVERIFY(!tables.set().modified(TableKind::Rt));
        QVERIFY(!tables.resetEnabled());
        tables.saveFiles();
        QVERIFY(!QFile::exists(file("rt.dat")));
    }

    void restartKeepsAnEditedTable() {
        {
            UserTables tables;
            tables.setDefaults();
            tables.loadFiles();
            TableEditorDialog d(TableKind::Rt, &tables);
            d.prepare();
            d.open();
            d.field(15)->setText(u("ZH"));
            d.field(16)->setText(u("zh"));
            d.storeFields();
            QVERIFY(!d.isVisible());
            tables.saveFiles();
        }
        QVERIFY(QFile::exists(file("rt.dat")));
        QVERIFY(!QFile::exists(file("tr.dat")));

        UserTables next;
        next.setDefaults();
        QSignalSpy resetSpy(&next, &UserTables::resetEnabledChanged);
        next.loadFiles();
        QVERIFY(next.resetEnabled());
        QCOMPARE(resetSpy.count(), 1);
        TableEditorDialog d(TableKind::Rt, &next);
        d.prepare();
        QCOMPARE(d.field(15)->text(), u("ZH"));
        QCOMPARE(d.field(16)->text(), u("zh"));
        QCOMPARE(d.field(17)->text(), u("3"));
        QCOMPARE(lettrica::translit::convertAll(next.converter(TableKind::Rt), u"Жук"), std::u16string(u"ZHyk"));

        // Reset: defaults, both files gone, and they stay gone at close.
        next.reset();
        QVERIFY(!next.resetEnabled());
        QVERIFY(!QFile::exists(file("rt.dat")));
        d.prepare();
        QCOMPARE(d.field(15)->text(), u("}|{"));
        next.saveFiles();
        QVERIFY(!QFile::exists(file("rt.dat")));
    }
};

QTEST_MAIN(TableEditorTest)
#include "table_editor_test.moc"
