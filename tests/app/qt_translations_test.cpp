// Qt's own words in Russian beside the program's: the standard dialogs and
// buttons once the translations are loaded as main() loads them, while every
// caption the program gives its own buttons stays as given.

#include <QAbstractButton>
#include <QApplication>
#include <QFontDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/window/font_dialog.h"
#include "app/main_window.h"
#include "app/qt_translations.h"
#include "support/captions_fit.h"

using lettrica::app::MainWindow;

class QtTranslationsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(lettrica::app::installQtTranslations()); }

    void standardButtonsAndDialogsSpeakRussian() {
        QMessageBox box(QMessageBox::Question, QStringLiteral("x"), QStringLiteral("y"),
                        QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QString::fromUtf8("Отмена"));
        QCOMPARE(box.button(QMessageBox::Yes)->text(), QString::fromUtf8("&Да"));
        QCOMPARE(box.button(QMessageBox::No)->text(), QString::fromUtf8("&Нет"));

        lettrica::app::FontDialog font;
        QStringList labels;
        for (QLabel* l : font.chooser()->findChildren<QLabel*>()) labels << l->text();
        QVERIFY2(labels.contains(QString::fromUtf8("&Шрифт")), qPrintable(labels.join('|')));
        QVERIFY2(labels.contains(QString::fromUtf8("&Размер")), qPrintable(labels.join('|')));
        // The longer Russian words fit.
        font.show();
        QVERIFY(QTest::qWaitForWindowExposed(&font));
        checkCaptionsFit(&font);
    }

    // The buttons of every window of the program keep their own captions.
    void theProgramsOwnCaptionsStay() {
        QTemporaryDir home;
        qputenv("LETTRICA_HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
        MainWindow window;
        lettrica::app::FontDialog font;
        QStringList captions;
        QList<QWidget*> windows = window.findChildren<QWidget*>();
        windows << &font;
        for (QWidget* w : windows)
            if (auto* b = qobject_cast<QPushButton*>(w); b && !b->text().isEmpty()) captions << b->text();
        for (const QString& caption : captions)
            QVERIFY2(caption == "OK" || caption == QString::fromUtf8("Отмена") || caption == QString::fromUtf8("Очистить") ||
                         caption == QString::fromUtf8("Цвет..."),
                     qPrintable(caption));
        QVERIFY(captions.count("OK") >= 4);  // TForm2, TForm3, TForm6, TForm7, the font dialog
        QVERIFY(captions.count(QString::fromUtf8("Отмена")) >= 5);
    }
};

QTEST_MAIN(QtTranslationsTest)
#include "qt_translations_test.moc"
