// Text volume in the main window: the message box and the status-bar line.

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include "app/main_window.h"
#include "app/window/volume_status.h"

#include "support/window_in_home.h"

using lettrica::app::Command;
using lettrica::app::MainWindow;
using lettrica::app::VolumeStatus;

class VolumeStatusTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir home_;
    MainWindow* window_ = nullptr;
    VolumeStatus* volume() const { return window_->findChild<VolumeStatus*>("VolumeStatus"); }
    QString status() const { return window_->statusBar()->currentMessage(); }
    static QString line(int t1, int t2) {
        return QString::fromUtf8(" Переводимый текст - %1 симв. Переведенный текст - %2 симв.").arg(t1).arg(t2);
    }

private slots:
    void init() {
        window_ = showWindowIn(home_);
        QVERIFY(window_);
    }
    void cleanup() {
        delete window_;
        window_ = nullptr;
    }

    void messageBoxReadsBothPanes() {
        QVERIFY(window_->action(Command::TextVolume)->isEnabled());
        window_->sourcePane()->setPlainText(QString::fromUtf8("Привет, мир"));
        QString caption, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QWidget* owner = window_;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            caption = box->windowTitle();
            text = box->text();
            icon = box->icon();
            owner = box->parentWidget();
            box->accept();
        });
        QTest::keyClick(window_, Qt::Key_V, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(caption, QString::fromUtf8("Объем текста"));
        QCOMPARE(icon, QMessageBox::Information);
        QCOMPARE(owner, nullptr);
        QCOMPARE(text, QString::fromUtf8("Объем переводимого текста: 11 печатных символов.\n"
                                         "Всего символов: 11.\n\n"
                                         "Объем переведенного текста: 0 печатных символов.\n"
                                         "Всего символов: 0."));
        // The text itself separates its lines by CR.
        window_->sourcePane()->setPlainText(QString::fromUtf8("аб\nв"));
        window_->resultPane()->setPlainText(QString::fromUtf8("x\ty"));
        QCOMPARE(volume()->message(), QString::fromUtf8("Объем переводимого текста: 3 печатных символа.\r"
                                                        "Всего символов: 5.\r\r"
                                                        "Объем переведенного текста: 2 печатных символа.\r"
                                                        "Всего символов: 3."));
    }

    void statusLineFollowsThePanesOncePerPass() {
        QVERIFY(status().isEmpty());
        window_->sourcePane()->setPlainText("abc");
        QTest::qWait(0);
        QVERIFY(status().isEmpty());  // off: nothing counted

        QTest::keyClick(window_, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(window_->action(Command::AutoVolume)->isChecked());
        QCOMPARE(status(), line(3, 0));  // at once, not on the next pass

        // Many changes in one pass: one count, with the final figures.
        const int before = volume()->updatesRun();
        QTextCursor cursor(window_->sourcePane()->document());
        cursor.movePosition(QTextCursor::End);
        for (int i = 0; i < 200; ++i) cursor.insertText("x");
        cursor.insertBlock();
        window_->resultPane()->setPlainText(QString::fromUtf8("аб\r\nв😀"));
        QVERIFY(volume()->updatePending());
        QCOMPARE(status(), line(3, 0));
        QTest::qWait(0);
        QCOMPARE(volume()->updatesRun(), before + 1);
        QCOMPARE(status(), line(3 + 200 + 2, 6));

        // Typing goes through the same path.
        window_->resultPane()->clear();
        QTest::keyClicks(window_->resultPane(), "ab");
        QTest::keyClick(window_->resultPane(), Qt::Key_Return);
        QTest::keyClicks(window_->resultPane(), "c");
        QTRY_COMPARE(status(), line(205, 5));

        // A conversion hands the result pane a new document: still counted.
        window_->sourcePane()->setPlainText(QString::fromUtf8("Щука"));
        QTest::keyClick(window_, Qt::Key_F3);
        QTRY_COMPARE(status(), line(4, 6));
    }

    void hintsStayOutWhileTheVolumeIsShown() {
        window_->action(Command::AutoVolume)->trigger();
        QCOMPARE(status(), line(0, 0));
        QStatusTipEvent tip(QString::fromUtf8(" Новый"));
        QApplication::sendEvent(window_, &tip);
        QCOMPARE(status(), line(0, 0));

        // Off: the bar is emptied and shows hints again.
        QTest::keyClick(window_, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!window_->action(Command::AutoVolume)->isChecked());
        QVERIFY(status().isEmpty());
        window_->sourcePane()->setPlainText("more");
        QTest::qWait(0);
        QVERIFY(status().isEmpty());
        QApplication::sendEvent(window_, &tip);
        QCOMPARE(status(), QString::fromUtf8(" Новый"));
    }
};

QTEST_MAIN(VolumeStatusTest)
#include "volume_status_test.moc"
