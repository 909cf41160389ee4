// The main window offscreen: its commands, its panes and the conversion
// commands with formatting and cancel.

#include <algorithm>
#include <atomic>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextLayout>
#include <QThread>
#include <QTimer>
#include <QToolBar>

#include "app/conversion/long_command_runner.h"
#include "app/conversion/system_choice.h"
#include "app/main_window.h"
#include "app/conversion/progress_window.h"
#include "support/cancel_press.h"
#include "support/message_catcher.h"
#include "support/pane_choice.h"
#include "support/window_in_home.h"
#include "translit/registry.h"
#include "translit/word_list_file.h"

using lettrica::translit::convertAll;

using lettrica::app::Command;
using lettrica::app::MainWindow;

namespace {

void setRich(QTextEdit* pane, const QString& html) { pane->setHtml(html); }

// A conversion's key; the window then takes the keyboard back from the progress window.
void convertByKey(MainWindow* window, Qt::Key key) {
    QTest::keyClick(window, key);
    QCoreApplication::processEvents();
    window->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), window);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        window_ = showWindowIn(home_);
        QVERIFY(window_);
    }
    void cleanup() {
        delete window_;
        window_ = nullptr;
    }

    void startsAsDescribed() {
        QCOMPARE(window_->objectName(), QStringLiteral("TForm1"));
        QCOMPARE(window_->windowTitle(), QStringLiteral(" Lettrica"));
        QCOMPARE(window_->sourcePane()->objectName(), QStringLiteral("RichEdit1"));
        QCOMPARE(window_->resultPane()->objectName(), QStringLiteral("RichEdit2"));
        QVERIFY(window_->action(Command::AngloTable)->isChecked());
        QVERIFY(!window_->action(Command::GostTable)->isChecked());
        QVERIFY(window_->action(Command::WordWrap)->isChecked());
        QVERIFY(!window_->action(Command::AutoVolume)->isChecked());
        QVERIFY(!window_->action(Command::MinimizeToTray)->isChecked());
        QVERIFY(!window_->action(Command::Autostart)->isChecked());
        QVERIFY(window_->sourcePane()->toPlainText().isEmpty());
        QVERIFY(window_->resultPane()->toPlainText().isEmpty());
        QVERIFY(window_->sourcePane()->hasFocus());
        QCOMPARE(window_->upperPanel()->height(), 218);
        QCOMPARE(window_->findChild<ProgressWindowAlias*>("TForm5")->isVisible(), false);
    }

    // Every command carries its own name, a hint that begins with one space
    // and shows in the status bar, and a key no other command answers to.
    void commandsAreNamedHintedAndKeyedOnce() {
        QHash<QString, Command> names;
        QHash<QKeySequence, Command> keys;
        for (std::size_t i = 0; i < lettrica::app::kCommandCount; ++i) {
            const auto command = static_cast<Command>(i);
            QAction* a = window_->action(command);
            QVERIFY2(!a->objectName().isEmpty() && !names.contains(a->objectName()), qPrintable(a->objectName()));
            names.insert(a->objectName(), command);
            QVERIFY2(a->statusTip().startsWith(' ') && !a->statusTip().startsWith("  "), qPrintable(a->objectName()));
            a->showStatusText(window_);
            QCOMPARE(window_->statusBar()->currentMessage(), a->statusTip());
            if (a->shortcut().isEmpty()) continue;
            QVERIFY2(!keys.contains(a->shortcut()), qPrintable(a->shortcut().toString()));
            keys.insert(a->shortcut(), command);
        }
        QCOMPARE(window_->action(Command::ToLatin)->text(), QStringLiteral("Rus -> Translit"));
        QCOMPARE(window_->action(Command::ToLatin)->shortcut(), QKeySequence(Qt::Key_F3));
        QCOMPARE(window_->action(Command::CopyResult)->shortcut(), QKeySequence(QStringLiteral("Alt+C")));
    }

    void menusAreInOrder() {
        QStringList top;
        for (QAction* a : window_->menuBar()->actions()) top << a->text();
        QCOMPARE(top, QStringList({"Файл", "Правка", "Перевод", "Справка"}));
        auto names = [](QMenu* m) {
            QStringList out;
            for (QAction* a : m->actions()) out << (a->isSeparator() ? "-" : a->menu() ? a->text() : a->objectName());
            return out;
        };
        QMenu* edit = window_->menuBar()->actions()[1]->menu();
        QCOMPARE(names(edit), QStringList({"EditUndo1", "-", "Paste", "CopyT", "-", "N17"}));
        QMenu* translate = window_->menuBar()->actions()[2]->menu();
        QCOMPARE(names(translate), QStringList({"TrPerevod", "RtPerevod", "Системы транслитерации", "-",
                                                "RegistrPerevod", "Perekodirovka", "-", "FixEncoding", "FixLayout"}));
        QStringList systems{"Table1", "Table2", "UserTable", "-"};
        for (const auto& system : lettrica::translit::systems())
            if (system.name != "gost" && system.name != "anglo" && !system.userTables)
                systems << "System_" + QString::fromStdString(system.name).replace('-', '_');
        QCOMPARE(names(translate->actions()[2]->menu()), systems);
        for (const QString& name : systems.mid(4)) {  // every hint Russian, as the window's others are
            const QString tip = window_->findChild<QAction*>(name)->statusTip();
            const auto count = [&tip](QChar::Script s) {
                return std::ranges::count_if(tip, [s](QChar c) { return c.script() == s; });
            };
            QVERIFY2(tip.startsWith(' ') && count(QChar::Script_Cyrillic) > count(QChar::Script_Latin), qPrintable(tip));
        }
        QMenu* popup = window_->findChild<QMenu*>("PopupMenu1");
        QCOMPARE(names(popup), QStringList({"EditUndo1", "-", "EditCut1", "EditCopy1", "EditPaste1", "EditDelete1",
                                            "-", "EditSelectAll1", "-", "TrPerevod", "RtPerevod"}));
        QMenu* file = window_->menuBar()->actions()[0]->menu();
        QStringList f = names(file);
        QCOMPARE(f.first(), QStringLiteral("New"));
        QCOMPARE(f.last(), QStringLiteral("N6"));
        QVERIFY(f.contains("Таблицы транслитерации"));
    }

    void commandsAreEnabled() {
        using C = Command;
        for (Command command : {C::New, C::Open, C::Save, C::Print, C::PageSetup, C::SendMail, C::ToCyrillic,
                                C::ToLatin, C::PasteSource, C::CopyResult, C::WordWrap, C::GostTable, C::AngloTable})
            QVERIFY2(window_->action(command)->isEnabled(), qPrintable(window_->action(command)->objectName()));
    }

    void f3KeepsBoldAndColourOnLongerReplacements() {
        setRich(window_->sourcePane(),
                "<p><b>Щи</b> <span style='color:#ff0000'>да</span></p><p>Жук</p>");
        QTest::keyClick(window_, Qt::Key_F3);
        QTextEdit* result = window_->resultPane();
        QCOMPARE(result->toPlainText(), QStringLiteral("Schi da\nZhuk"));
        QTextCursor c(result->document());
        c.setPosition(3);  // inside "Sch"
        QCOMPARE(c.charFormat().fontWeight(), int(QFont::Bold));
        c.setPosition(7);  // inside "da"
        QCOMPARE(c.charFormat().foreground().color(), QColor(Qt::red));
        QCOMPARE(result->textCursor().position(), 0);
        // The source is never changed.
        QCOMPARE(window_->sourcePane()->toPlainText(), QStringLiteral("Щи да\nЖук"));
    }

    void f2ByGostAfterAltG() {
        window_->sourcePane()->setPlainText("Shhuka, Jolka\nS\nhh");
        QTest::keyClick(window_, Qt::Key_G, Qt::AltModifier);
        QVERIFY(window_->action(Command::GostTable)->isChecked());
        QTest::keyClick(window_, Qt::Key_F2);
        QCOMPARE(window_->resultPane()->toPlainText(), QStringLiteral("Щука, Ёлка\nС\nхх"));
        // Running again discards the first result.
        QTest::keyClick(window_, Qt::Key_F2);
        QCOMPARE(window_->resultPane()->toPlainText(), QStringLiteral("Щука, Ёлка\nС\nхх"));
    }

    // Every system converts in the window as the engine does, both ways; a
    // decomposed "Е" + U+0308 pasted in is "Ё" to each; the status bar
    // names the system.
    void everySystemConvertsAsTheEngineDoes() {
        const QString text = QString::fromUtf8("ЩУКА и Щука: Юлия, Е\u0308лка, и\u0306од, Подъезд, ЦИРК.\nЇ 中 ЖЁЛТЫЙ\n");
        const std::u16string composed = u"ЩУКА и Щука: Юлия, Ёлка, йод, Подъезд, ЦИРК.\nЇ 中 ЖЁЛТЫЙ\n";
        for (const auto& system : lettrica::translit::systems()) {
            if (system.userTables) continue;
            window_->systemChoice()->choose(system);
            QGuiApplication::clipboard()->setText(text);
            QTest::keyClick(window_, Qt::Key_N, Qt::ControlModifier);
            QTest::keyClick(window_, Qt::Key_V, Qt::AltModifier);
            convertByKey(window_, Qt::Key_F3);
            const QString latin = window_->resultPane()->toPlainText();
            QCOMPARE(latin.toStdU16String(), convertAll(*lettrica::translit::toLatinConverter(system), composed));
            QCOMPARE(window_->statusBar()->currentMessage(),
                     QString::fromUtf8(" Система транслитерации: ") + QString::fromStdString(system.caption));
            window_->sourcePane()->setPlainText(latin);
            convertByKey(window_, Qt::Key_F2);
            const auto back = lettrica::translit::toCyrillicConverter(system, lettrica::translit::findWordList());
            QCOMPARE(window_->resultPane()->toPlainText().toStdU16String(), convertAll(*back, latin.toStdU16String()));
        }
    }

    // F2 reads words back by the word list; without it, letter by letter,
    // and the status bar says so even while it shows the volume.
    void readingBackSaysWhenTheWordListIsMissing() {
        QTemporaryDir dir;
        { QFile f(dir.filePath("w")); QVERIFY(f.open(QIODevice::WriteOnly) && f.write("\xb8\xeb\xea\xe0\n") == 5); }
        window_->systemChoice()->choose(*lettrica::translit::findSystem("icao-doc-9303"));
        window_->sourcePane()->setPlainText("Elka");
        qputenv("LETTRICA_WORDS", dir.filePath("w").toUtf8());  // "ёлка"
        convertByKey(window_, Qt::Key_F2);
        QCOMPARE(window_->resultPane()->toPlainText(), QString::fromUtf8("Ёлка"));
        qputenv("LETTRICA_WORDS", dir.filePath("none.txt").toUtf8());
        window_->action(Command::AutoVolume)->trigger();
        convertByKey(window_, Qt::Key_F2);
        qunsetenv("LETTRICA_WORDS");
        QCOMPARE(window_->resultPane()->toPlainText(), QString::fromUtf8("Елка"));
        QVERIFY(window_->statusBar()->currentMessage().endsWith(
            QString::fromUtf8("(%1) не найден: слова прочитаны по буквам").arg(dir.filePath("none.txt"))));
    }

    void charactersOutsideTheCodePageAreKept() {
        window_->sourcePane()->setPlainText(QString::fromUtf8("Жук 中 😀 é"));
        QTest::keyClick(window_, Qt::Key_F3);
        QCOMPARE(window_->resultPane()->toPlainText(), QString::fromUtf8("Zhuk 中 😀 é"));
    }

    void emptySourceGivesEmptyResult() {
        window_->resultPane()->setPlainText("old");
        QTest::keyClick(window_, Qt::Key_F3);
        QVERIFY(window_->resultPane()->toPlainText().isEmpty());
        QVERIFY(!window_->runner()->progressWindow()->isVisible());
    }

    void cancelLeavesConvertedPrefixAndUntouchedRest() {
        QString text;
        for (int i = 0; i < 40000; ++i) text += QString::fromUtf8("Щука плавает в реке.\n");
        window_->sourcePane()->setPlainText(text);
        // One slice per event-loop pass, so the cancel lands mid-run however fast the machine.
        lettrica::app::setSliceMillis(0);
        MessageCatcher catcher;
        // Press "Отмена" as soon as the bar has moved.
        auto* progress = window_->runner()->progressWindow();
        CancelPress cancel(progress, [progress] { return progress->percent() > 0; });
        QTest::keyClick(window_, Qt::Key_F3);
        QTRY_COMPARE(catcher.texts.size(), 1);
        QCOMPARE(catcher.captions.first(), QString::fromUtf8("Перевод..."));
        QCOMPARE(catcher.texts.first(), QString::fromUtf8("Перевод прерван пользователем."));
        QCOMPARE(catcher.icons.first(), QMessageBox::Information);
        QCOMPARE(catcher.owners.first(), nullptr);
        const QString result = window_->resultPane()->toPlainText();
        QVERIFY(result.startsWith("Schuka plavaet v reke."));
        QVERIFY(result.endsWith(QString::fromUtf8("Щука плавает в реке.\n")));
        QVERIFY(window_->resultPane()->isVisible());
        QVERIFY(!window_->runner()->progressWindow()->isVisible());
        // The next run starts afresh and completes.
        window_->sourcePane()->setPlainText(QString::fromUtf8("Да"));
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_));
        QTest::keyClick(window_, Qt::Key_F3);
        QCOMPARE(window_->resultPane()->toPlainText(), QStringLiteral("Da"));
        lettrica::app::setSliceMillis(30);
    }

    // A result replaced by the next one is freed on a thread of its own,
    // not in one event of the window's; the new one is laid out in idle time
    // a few milliseconds at a time, never in Qt's own steps of 200 000
    // characters and more, and so again after the pane's width changes.
    void replacedResultIsFreedElsewhereAndTheNewOneLaidOutInSlices() {
        QString text;
        for (int i = 0; i < 12500; ++i)
            text += QString::fromUtf8("Щука плавает в реке, а ёж сидит под ёлкой. Ура! Съешь же ещё этих мягких булок.\n");
        window_->sourcePane()->setPlainText(text);
        convertByKey(window_, Qt::Key_F3);
        QPointer<QTextDocument> first = window_->resultPane()->document();
        const bool undo = first->isUndoRedoEnabled();
        QThread* freedBy = nullptr;
        bool emptiedInPlace = false;
        connect(first, &QObject::destroyed, this, [&freedBy] { freedBy = QThread::currentThread(); }, Qt::DirectConnection);
        connect(first, &QTextDocument::contentsChanged, this, [&emptiedInPlace] { emptiedInPlace = true; });
        convertByKey(window_, Qt::Key_F3);
        QTRY_VERIFY(first.isNull());
        QVERIFY(freedBy && freedBy != QThread::currentThread());
        QVERIFY(!emptiedInPlace);
        QCOMPARE(window_->resultPane()->document()->isUndoRedoEnabled(), undo);

        // How far the result is laid out for the pane's width: its first
        // paragraph without lines, or with lines of another width.
        const QTextDocument* result = window_->resultPane()->document();
        auto laidOut = [result] {
            const qreal width = result->firstBlock().layout()->lineAt(0).width();
            int low = 0, high = result->blockCount();
            while (low < high) {
                const int mid = (low + high) / 2;
                const QTextLayout* layout = result->findBlockByNumber(mid).layout();
                (layout->lineCount() > 0 && layout->lineAt(0).width() == width ? low = mid + 1 : high = mid);
            }
            return low == result->blockCount() ? result->characterCount() : result->findBlockByNumber(low).position();
        };
        for (int width : {0, 300}) {
            if (width > 0) window_->resize(width, window_->height());
            int before = laidOut(), longestStep = 0;
            QTimer pass;
            connect(&pass, &QTimer::timeout, [&] {
                longestStep = std::max(longestStep, laidOut() - before);
                before = laidOut();
            });
            pass.start(0);
            QTRY_VERIFY_WITH_TIMEOUT(before == result->characterCount(), 30000);
            QVERIFY2(longestStep < 200000, qPrintable(QString::number(longestStep)));
        }
    }

    // Capitals on both panes: the source's old document is on its way out
    // before the result's new one is built, not kept until the command ends.
    void bothPanesInPlaceFreeTheFirstOldDocumentBetweenThem() {
        QString text;
        for (int i = 0; i < 2000; ++i) text += QString::fromUtf8("Щука плавает в реке.\n");
        window_->sourcePane()->setPlainText(text);
        window_->resultPane()->setPlainText(text);
        std::atomic<bool> freed = false;
        connect(window_->sourcePane()->document(), &QObject::destroyed, this, [&freed] { freed = true; },
                Qt::DirectConnection);
        answerDialog([](PaneChoiceDialog* d) { setChoice(d, 0, true, true); });
        window_->action(Command::ChangeCase)->trigger();
        QCOMPARE(window_->resultPane()->toPlainText().left(5), QString::fromUtf8("ЩУКА "));
        // No event loop has run since: only the command itself can have let it go.
        for (int i = 0; i < 500 && !freed; ++i) QThread::msleep(10);
        QVERIFY(freed);
    }

    void closingDuringARunStopsItAndCloses() {
        QString text;
        for (int i = 0; i < 20000; ++i) text += QString::fromUtf8("Щука плавает в реке.\n");
        window_->sourcePane()->setPlainText(text);
        lettrica::app::setSliceMillis(0);
        MessageCatcher catcher;
        QTimer poll;
        connect(&poll, &QTimer::timeout, window_, [this] {
            if (window_->runner()->isBusy()) window_->close();
        });
        poll.start(1);
        QTest::keyClick(window_, Qt::Key_F3);
        poll.stop();
        lettrica::app::setSliceMillis(30);
        QTRY_VERIFY(!window_->isVisible());
        QVERIFY(!window_->runner()->isBusy());
        QVERIFY(catcher.texts.isEmpty());  // no "interrupted" message on the way out
    }

    // A run converts by the table ticked when it started, whatever is ticked
    // meanwhile; and Alt+C, which would copy the hidden result pane, is off
    // until the run has ended.
    void aRunKeepsItsTableAndCopiesNoHiddenPane() {
        QString text;
        for (int i = 0; i < 20000; ++i) text += QString::fromUtf8("Щука плавает в реке.\n");
        window_->sourcePane()->setPlainText(text);
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        lettrica::app::setSliceMillis(0);
        int passes = 0;
        bool copyWasOff = true;
        QTimer poll;
        connect(&poll, &QTimer::timeout, window_, [&] {
            if (!window_->runner()->isBusy()) return;
            copyWasOff = copyWasOff && !window_->action(Command::CopyResult)->isEnabled();
            if (++passes != 2) return;
            // From the menus, as the progress window has the keyboard.
            window_->action(Command::GostTable)->trigger();
            window_->action(Command::CopyResult)->trigger();
        });
        poll.start(0);
        QTest::keyClick(window_, Qt::Key_F3);
        poll.stop();
        lettrica::app::setSliceMillis(30);
        QVERIFY(passes > 2);
        QVERIFY(window_->action(Command::GostTable)->isChecked());
        QVERIFY(copyWasOff);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
        QVERIFY(window_->action(Command::CopyResult)->isEnabled());
        const QString result = window_->resultPane()->toPlainText();
        QCOMPARE(result.count(QStringLiteral("Schuka plavaet v reke.")), 20000);  // GOST writes "Shhuka"
    }

    void newResetsTypingFormat() {
        QTextEdit* source = window_->sourcePane();
        source->setHtml("<b style='color:red'>жирный</b>");
        QTest::keyClick(window_, Qt::Key_N, Qt::ControlModifier);
        QVERIFY(source->toPlainText().isEmpty());
        source->setFocus();
        QTest::keyClicks(source, "abc");
        QTextCursor c(source->document());
        c.setPosition(2);
        QCOMPARE(c.charFormat().fontWeight(), int(QFont::Normal));
        QCOMPARE(c.charFormat().foreground().color(), QColor(Qt::black));
        QCOMPARE(c.charFormat().fontPointSize(), 10.0);
        QVERIFY(c.charFormat().fontFamilies().toStringList().contains("MS Sans Serif"));
    }

    void pasteGoesToSourceAndCopyTTakesAllOfResult() {
        window_->resultPane()->setPlainText("first\nsecond");
        window_->resultPane()->setFocus();
        QGuiApplication::clipboard()->setText(QString::fromUtf8("вставка"));
        QTest::keyClick(window_, Qt::Key_V, Qt::AltModifier);
        QCOMPARE(window_->sourcePane()->toPlainText(), QString::fromUtf8("вставка"));
        QTextCursor part = window_->resultPane()->textCursor();
        part.setPosition(1);
        part.setPosition(3, QTextCursor::KeepAnchor);
        window_->resultPane()->setTextCursor(part);
        QTest::keyClick(window_, Qt::Key_C, Qt::AltModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("first\nsecond"));
        QCOMPARE(window_->resultPane()->textCursor().selectedText().size(), 12);
    }

    // Copies hold the pane's characters: a no-break space stays one, in the
    // plain text other programs take and in the rich part the panes take.
    void copiesKeepNoBreakSpaces() {
        QTextEdit* result = window_->resultPane();
        result->setHtml(QString::fromUtf8("<p><b>12&nbsp;655</b> руб.</p><p>А.&nbsp;С.&nbsp;Пушкин</p>"
                                          "<table><tr><td>1&nbsp;000</td><td>x</td></tr></table>"));
        const QString whole = QString::fromUtf8("12\u00A0655 руб.\nА.\u00A0С.\u00A0Пушкин\n1\u00A0000\nx\n");
        QTest::keyClick(window_, Qt::Key_C, Qt::AltModifier);  // CopyT
        const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(copied->text(), whole);
        QVERIFY(copied->hasHtml());

        // Ctrl+C on part of a pane, by the command and by the pane's own key.
        QTextCursor part(result->document());
        part.setPosition(0);
        part.setPosition(6, QTextCursor::KeepAnchor);
        result->setTextCursor(part);
        result->setFocus();
        QTRY_VERIFY(result->hasFocus());
        window_->action(Command::Copy)->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8("12\u00A0655"));
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(result, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8("12\u00A0655"));

        // Back into the source pane (Alt+V), bold and all.
        QTest::keyClick(window_, Qt::Key_C, Qt::AltModifier);
        QTest::keyClick(window_, Qt::Key_V, Qt::AltModifier);
        QCOMPARE(window_->sourcePane()->document()->toRawText(), result->document()->toRawText());
        QTextCursor bold(window_->sourcePane()->document());
        bold.setPosition(2);
        QCOMPARE(bold.charFormat().fontWeight(), int(QFont::Bold));
    }

    void wordWrapTogglesBothPanes() {
        QTest::keyClick(window_, Qt::Key_B, Qt::AltModifier);
        QVERIFY(!window_->action(Command::WordWrap)->isChecked());
        QCOMPARE(window_->sourcePane()->lineWrapMode(), QTextEdit::NoWrap);
        QCOMPARE(window_->resultPane()->lineWrapMode(), QTextEdit::NoWrap);
        QTest::keyClick(window_, Qt::Key_B, Qt::AltModifier);
        QCOMPARE(window_->resultPane()->lineWrapMode(), QTextEdit::WidgetWidth);
    }

    void formattingCommandsFollowTheFocusedPane() {
        QTextEdit* result = window_->resultPane();
        result->setPlainText("word");
        result->setFocus();
        QTRY_VERIFY(result->hasFocus());
        result->selectAll();
        QVERIFY(window_->action(Command::Copy)->isEnabled());
        QTest::keyClick(window_, Qt::Key_B, Qt::ControlModifier);
        QTextCursor c(result->document());
        c.setPosition(2);
        QCOMPARE(c.charFormat().fontWeight(), int(QFont::Bold));
        QVERIFY(window_->action(Command::Bold)->isChecked());
        QVERIFY(window_->sourcePane()->toPlainText().isEmpty());
        window_->action(Command::AlignCenter)->trigger();
        QCOMPARE(result->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
        window_->action(Command::Bullets)->trigger();
        QVERIFY(result->textCursor().currentList());
        window_->action(Command::Bullets)->trigger();
        QVERIFY(!result->textCursor().currentList());
        // Nothing selected: cut, copy and delete are off.
        QTextCursor none = result->textCursor();
        none.clearSelection();
        result->setTextCursor(none);
        QVERIFY(!window_->action(Command::Cut)->isEnabled());
        QVERIFY(!window_->action(Command::Delete)->isEnabled());
    }

    void commandLineFileIsReadAsUtf8OrWindows1251() {
        QTemporaryDir dir;
        const QString utf8 = dir.filePath("u.txt"), cp1251 = dir.filePath("w.txt");
        QFile f(utf8);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Привет\r\nмир");
        f.close();
        QFile g(cp1251);
        QVERIFY(g.open(QIODevice::WriteOnly));
        g.write("\xcf\xf0\xe8\xe2\xe5\xf2\r\n\xec\xe8\xf0");
        g.close();
        for (const QString& path : {utf8, cp1251}) {
            MainWindow w(QStringList{path});
            QCOMPARE(w.sourcePane()->toPlainText(), QString::fromUtf8("Привет\nмир"));
        }
        MainWindow missing(QStringList{dir.filePath("none.txt")});
        QVERIFY(missing.sourcePane()->toPlainText().isEmpty());
    }

    void escapeClosesTheWindow() {
        window_->sourcePane()->setFocus();
        QTest::keyClick(window_->sourcePane(), Qt::Key_Escape);
        QTRY_VERIFY(!window_->isVisible());
    }

private:
    using ProgressWindowAlias = lettrica::app::ProgressWindow;
    QTemporaryDir home_;
    MainWindow* window_ = nullptr;
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
