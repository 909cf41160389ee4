// "Исправить кодировку" and "Исправить раскладку" in the real window,
// offscreen, from their keys: formats kept, right paragraphs untouched, the
// status bar's words, nothing changed when nothing is found, "Отмена".

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include <functional>

#include "app/main_window.h"
#include "app/conversion/long_command_runner.h"
#include "support/cancel_press.h"
#include "app/conversion/progress_window.h"
#include "support/message_catcher.h"
#include "support/settings_home.h"

using lettrica::app::Command;
using lettrica::app::MainWindow;

namespace {

QTextCharFormat bold() {
    QTextCharFormat f;
    f.setFontWeight(QFont::Bold);
    f.setForeground(Qt::darkGreen);
    return f;
}

bool isBold(QTextEdit* pane, const QString& word) {
    const int at = pane->toPlainText().indexOf(word);
    if (at < 0) return false;
    QTextCursor c(pane->document());
    c.setPosition(at + 1);
    return c.charFormat().fontWeight() == QFont::Bold && c.charFormat().foreground().color() == Qt::darkGreen;
}

}  // namespace

class RepairCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        window_ = new MainWindow();
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_));
    }
    void cleanup() {
        delete window_;
        window_ = nullptr;
    }

    // Both commands stand in "Перевод" with keys that no other command has.
    void commandsAndTheirKeys() {
        QMenu* translate = window_->menuBar()->findChild<QMenu*>("N3");
        QVERIFY(translate);
        const QList<QAction*> items = translate->actions();
        for (auto [command, caption, hint, key] :
             {std::tuple{Command::FixEncoding, "Исправить кодировку", " Исправить текст, прочитанный в неверной кодировке",
                         "Shift+F5"},
              std::tuple{Command::FixLayout, "Исправить раскладку",
                         " Исправить текст, набранный в неверной раскладке клавиатуры", "Shift+F6"}}) {
            QAction* a = window_->action(command);
            QCOMPARE(a->text(), QString::fromUtf8(caption));
            QCOMPARE(a->statusTip(), QString::fromUtf8(hint));
            QCOMPARE(a->shortcut(), QKeySequence(QString::fromLatin1(key)));
            QVERIFY(items.contains(a));
        }
        QHash<QKeySequence, QString> taken;
        for (QAction* a : window_->findChildren<QAction*>()) {
            if (a->shortcut().isEmpty() || a->objectName().isEmpty()) continue;
            QVERIFY2(!taken.contains(a->shortcut()) || taken[a->shortcut()] == a->objectName(),
                     qPrintable(a->objectName() + " and " + taken[a->shortcut()]));
            taken[a->shortcut()] = a->objectName();
        }
    }

    void garbledParagraphsAreRepairedWithTheirFormats() {
        QTextEdit* source = window_->sourcePane();
        QTextCursor c(source->document());
        c.insertText(QStringLiteral("РџСЂРёРІРµС‚, "));
        c.insertText(QStringLiteral("РјРёСЂ"), bold());
        c.insertText(QStringLiteral("! РљР°Рє РґРµР»Р°?"), QTextCharFormat());
        c.insertBlock();
        c.insertText(QStringLiteral("Этот абзац в порядке."));
        c.insertBlock();
        c.insertBlock();
        c.insertText(QStringLiteral("Ïðèâåò, ìèð!"));
        const QString before = source->toHtml();

        QTest::keyClick(window_, Qt::Key_F5, Qt::ShiftModifier);
        QTextEdit* result = window_->resultPane();
        QCOMPARE(result->toPlainText(),
                 QStringLiteral("Привет, мир! Как дела?\nЭтот абзац в порядке.\n\nПривет, мир!"));
        QVERIFY(isBold(result, QStringLiteral("мир!")));
        QVERIFY(!isBold(result, QStringLiteral("Привет")));
        QCOMPARE(source->toHtml(), before);
        QCOMPARE(window_->statusBar()->currentMessage(),
                 QStringLiteral("UTF-8, прочитанный как Windows-1251 и другое: исправлено 2 абзаца из 3"));
        QCOMPARE(result->textCursor().position(), 0);
        QVERIFY(!window_->runner()->progressWindow()->isVisible());
        QVERIFY(window_->action(Command::FixEncoding)->isEnabled());
    }

    void layoutSlipsAreRetyped() {
        window_->sourcePane()->setPlainText(QStringLiteral("ghbdtn? rfr ltkf"));
        QTest::keyClick(window_, Qt::Key_F6, Qt::ShiftModifier);
        QCOMPARE(window_->resultPane()->toPlainText(), QStringLiteral("привет, как дела"));
        QCOMPARE(window_->statusBar()->currentMessage(),
                 QStringLiteral("Русский текст, набранный в английской раскладке: исправлен 1 абзац из 1"));
    }

    void nothingFoundChangesNothing() {
        window_->sourcePane()->setPlainText(QStringLiteral("Привет, мир!\nHello, world!\nfor (i = 0; i < n; ++i)"));
        window_->resultPane()->setPlainText(QStringLiteral("что было"));
        window_->action(Command::FixEncoding)->trigger();
        QCOMPARE(window_->resultPane()->toPlainText(), QStringLiteral("что было"));
        QCOMPARE(window_->statusBar()->currentMessage(),
                 QStringLiteral("Текст в неверной кодировке не найден: ничего не изменено"));
        window_->action(Command::FixLayout)->trigger();
        QCOMPARE(window_->resultPane()->toPlainText(), QStringLiteral("что было"));
        QCOMPARE(window_->statusBar()->currentMessage(),
                 QStringLiteral("Текст в неверной раскладке не найден: ничего не изменено"));
    }

    // The report stands until the next command, which takes the status bar
    // back for its own report, or the volume line when that is on.
    void reportGivesWayToTheNextCommand() {
        auto key = [this](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
            QApplication::setActiveWindow(window_);  // offscreen, none is once the progress window went
            QTest::keyClick(window_, k, m);
            QTest::qWait(0);
            return window_->statusBar()->currentMessage();
        };
        window_->sourcePane()->setPlainText(QStringLiteral("ghbdtn? rfr ltkf"));
        const QString report = key(Qt::Key_F6, Qt::ShiftModifier);
        QVERIFY(report.startsWith(QStringLiteral("Русский текст")));
        QCOMPARE(key(Qt::Key_F3), QString::fromUtf8(" Система транслитерации: Англо-американская таблица"));
        const QString volume = key(Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!volume.isEmpty());
        QCOMPARE(key(Qt::Key_F6, Qt::ShiftModifier), report);
        QCOMPARE(key(Qt::Key_B, Qt::AltModifier), volume);
    }

    // "Отмена" after the first slice: the repaired beginning, the rest as it was.
    void cancelKeepsTheRepairedBeginning() {
        const QString garbled = QStringLiteral("РЎСЉРµС€СЊ Р¶Рµ РµС‰С‘ СЌС‚РёС… РјСЏРіРєРёС… Р±СѓР»РѕРє.");
        QString big;
        for (int i = 0; i < 3000; ++i) big += garbled + QLatin1Char('\n');
        window_->sourcePane()->setPlainText(big);
        CancelPress cancel(window_->runner()->progressWindow());
        MessageCatcher messages;
        lettrica::app::setSliceMillis(0);  // the event loop after every slice
        window_->action(Command::FixEncoding)->trigger();
        lettrica::app::setSliceMillis(30);
        QCOMPARE(messages.captions, QStringList{QStringLiteral("Исправить кодировку")});
        QCOMPARE(messages.texts, QStringList{QStringLiteral("Исправление прервано пользователем.")});
        const QString result = window_->resultPane()->toPlainText();
        QVERIFY(result.startsWith(QStringLiteral("Съешь же ещё этих мягких булок.\n")));
        QVERIFY(result.endsWith(garbled + QLatin1Char('\n')));
        QCOMPARE(result.count(QLatin1Char('\n')), 3000);
        QVERIFY(window_->statusBar()->currentMessage().startsWith(
            QStringLiteral("UTF-8, прочитанный как Windows-1251: исправлен")));
    }

private:
    SettingsHome home_;
    MainWindow* window_ = nullptr;
};

QTEST_MAIN(RepairCommandsTest)
#include "repair_commands_test.moc"
