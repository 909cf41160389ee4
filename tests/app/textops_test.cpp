// The recoding and case dialogs offscreen, and the two commands over the
// panes: formats kept, the ticked panes only, cancel and its message.

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include <functional>

#include "app/textcommands/case_dialog.h"
#include "app/main_window.h"
#include "app/conversion/long_command_runner.h"
#include "support/cancel_press.h"
#include "app/qt_translations.h"
#include "app/conversion/progress_window.h"
#include "app/textcommands/recode_dialog.h"
#include "app/textcommands/text_services.h"
#include "settings/ini_file.h"
#include "text/cp1251.h"
#include "support/captions_fit.h"
#include "support/message_catcher.h"
#include "support/pane_choice.h"
#include "textops/recoding.h"

using namespace lettrica;
using lettrica::app::CaseDialog;
using lettrica::app::Command;
using lettrica::app::MainWindow;
using lettrica::app::RecodeDialog;

namespace {

// A pane with formatted words: "Ёлка " plain, "Жук" bold red, new paragraph, "Tree" italic.
void fillPane(QTextEdit* pane) {
    pane->clear();
    QTextCursor c(pane->document());
    QTextCharFormat plain;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    bold.setForeground(Qt::red);
    QTextCharFormat italic;
    italic.setFontItalic(true);
    c.insertText(QStringLiteral("Ёлка "), plain);
    c.insertText(QStringLiteral("Жук"), bold);
    c.insertBlock();
    c.insertText(QStringLiteral("\tTree 5"), italic);
}

// Character format at a position of the plain text (paragraph breaks count one here).
QTextCharFormat formatAt(QTextEdit* pane, int position) {
    QTextCursor c(pane->document());
    c.setPosition(position + 1);
    return c.charFormat();
}

QString recode(const QString& text, textops::Direction d) {
    std::u16string u(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
    std::u16string r = textops::recodeText(u, d);
    return QString(reinterpret_cast<const QChar*>(r.data()), static_cast<qsizetype>(r.size()));
}

// Watches a widget for being shown.
struct ShowSpy : QObject {
    int shows = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show) ++shows;
        return false;
    }
};

}  // namespace

class TextopsTest : public QObject {
    Q_OBJECT
private slots:
    // As the program runs: Qt's words in Russian, the dialogs' own as given.
    void initTestCase() { lettrica::app::installQtTranslations(); }

    void init() {
        qputenv("LETTRICA_HOME", home_.path().toUtf8());
        window_ = new MainWindow();
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_));
    }
    void cleanup() {
        delete window_;
        window_ = nullptr;
        QFile::remove(home_.filePath("lettrica.ini"));
    }

    void recodingDialogAsDesigned() {
        auto* d = window_->findChild<RecodeDialog*>("TForm7");
        QVERIFY(d);
        QVERIFY(!d->isVisible());
        QCOMPARE(d->windowTitle(), QStringLiteral(" Перекодировка..."));
        QCOMPARE(d->height(), 257);
        QVERIFY(d->width() >= 198);
        checkFits(d);
        QVERIFY(d->windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!(d->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        auto* group = d->findChild<QGroupBox*>("RadioGroup1");
        QCOMPARE(group->title(), QStringLiteral(" Направление: "));
        QStringList captions;
        for (QRadioButton* r : group->findChildren<QRadioButton*>()) captions << r->text();
        QCOMPARE(captions, QStringList({"Win -> DOS", "Win -> Koi", "DOS -> Win", "DOS -> Koi", "Koi -> Win",
                                        "Koi -> DOS"}));
        QCOMPARE(d->itemIndex(), 0);
        checkPaneBoxesAndButtons(d);
    }

    void caseDialogAsDesigned() {
        auto* d = window_->findChild<CaseDialog*>("TForm6");
        QVERIFY(d);
        QCOMPARE(d->windowTitle(), QStringLiteral(" Регистр..."));
        QCOMPARE(d->height(), 176);
        QVERIFY(d->width() >= 198);
        checkFits(d);
        auto* group = d->findChild<QGroupBox*>("RadioGroup1");
        QCOMPARE(group->title(), QStringLiteral(" Перевести все символы в: "));
        QStringList captions;
        for (QRadioButton* r : group->findChildren<QRadioButton*>()) captions << r->text();
        QCOMPARE(captions, QStringList({"ВЕРХНИЙ РЕГИСТР", "нижний регистр"}));
        // Without a settings file the stored default "1" selects small letters.
        QCOMPARE(d->itemIndex(), 1);
        checkPaneBoxesAndButtons(d);
        QCOMPARE(window_->action(Command::ChangeCase)->shortcut(), QKeySequence(Qt::Key_F4));
        QCOMPARE(window_->action(Command::Recode)->shortcut(), QKeySequence(Qt::Key_F5));
        QVERIFY(window_->action(Command::ChangeCase)->isEnabled());
        QVERIFY(window_->action(Command::Recode)->isEnabled());
    }

    void storedChoicesFollowTheOutOfRangeRules() {
        struct Row {
            const char* stored;
            int recodeIndex;
            int caseIndex;
        };
        // Not a number keeps the index as built (0), above the last is the
        // last, below 0 is none.
        const Row rows[] = {{"3", 3, 1}, {"9", 5, 1}, {"-1", -1, -1}, {"-7", -1, -1}, {"abc", 0, 0},
                            {"$2", 2, 1}, {"0", 0, 0}};
        for (const Row& row : rows) {
            RecodeDialog recodeDialog;
            CaseDialog caseDialog;
            const std::string content = std::string("[Perekod]\nNapr=") + row.stored + "\n[Registr]\nReg=" + row.stored +
                                        "\n";
            const settings::IniFile ini = settings::IniFile::fromContent("x.ini", content);
            recodeDialog.readSettings(ini);
            caseDialog.readSettings(ini);
            QCOMPARE(recodeDialog.itemIndex(), row.recodeIndex);
            QCOMPARE(caseDialog.itemIndex(), row.caseIndex);
            // With no direction OK has nothing to do; the case dialog then lowers.
            QCOMPARE(recodeDialog.findChild<QPushButton*>("BitBtn1")->isEnabled(), row.recodeIndex >= 0);
            QCOMPARE(caseDialog.target(), row.caseIndex == 0 ? textops::Case::Upper : textops::Case::Lower);
        }
        RecodeDialog d;
        d.readSettings(settings::IniFile::fromContent("x.ini", "[perekod]\ndoc1=0\nDOC2=2\n"));
        QVERIFY(!d.sourcePaneTicked());
        QVERIFY(d.resultPaneTicked());
        d.readSettings(settings::IniFile::fromContent("x.ini", "[Perekod]\nDoc1=no\nDoc2=0\n"));
        QVERIFY(!d.resultPaneTicked());
    }

    void choicesRoundTripThroughTheSettingsFile() {
        delete window_;
        QFile ini(home_.filePath("lettrica.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("; mine\r\n[Perekod]\r\nNapr=4\r\nDoc1=0\r\n[Registr]\r\nReg=0\r\nDoc2=0\r\nOther=keep\r\n");
        ini.close();
        window_ = new MainWindow();
        auto* services = window_->textServices();
        QCOMPARE(services->recodeDialog()->itemIndex(), 4);
        QVERIFY(!services->recodeDialog()->sourcePaneTicked());
        QVERIFY(services->recodeDialog()->resultPaneTicked());
        QCOMPARE(services->caseDialog()->itemIndex(), 0);
        QVERIFY(!services->caseDialog()->resultPaneTicked());

        services->recodeDialog()->setItemIndex(-1);
        services->caseDialog()->setItemIndex(1);
        settings::IniFile file(home_.filePath("lettrica.ini").toStdString());
        services->writeSettings(file, "Registr");
        services->writeSettings(file, "Perekod");
        QCOMPARE(file.readBytes("Perekod", "Napr", ""), std::string("-1"));
        QCOMPARE(file.readBytes("Perekod", "Doc1", ""), std::string("0"));
        QCOMPARE(file.readBytes("Perekod", "Doc2", ""), std::string("1"));
        QCOMPARE(file.readBytes("Registr", "Reg", ""), std::string("1"));
        QCOMPARE(file.readBytes("Registr", "Doc2", ""), std::string("0"));
        QCOMPARE(file.readBytes("Registr", "Other", ""), std::string("keep"));
    }

    // Closing the window keeps the dialogs' last state for the next start.
    void choicesSurviveARestart() {
        auto* services = window_->textServices();
        services->recodeDialog()->setItemIndex(5);
        services->recodeDialog()->findChild<QCheckBox*>("CheckBox1")->setChecked(false);
        services->caseDialog()->setItemIndex(0);
        services->caseDialog()->findChild<QCheckBox*>("CheckBox2")->setChecked(false);
        QVERIFY(window_->close());
        delete window_;
        window_ = new MainWindow();
        services = window_->textServices();
        QCOMPARE(services->recodeDialog()->itemIndex(), 5);
        QVERIFY(!services->recodeDialog()->sourcePaneTicked());
        QVERIFY(services->recodeDialog()->resultPaneTicked());
        QCOMPARE(services->caseDialog()->itemIndex(), 0);
        QVERIFY(services->caseDialog()->sourcePaneTicked());
        QVERIFY(!services->caseDialog()->resultPaneTicked());
    }

    void recodingKeepsFormatsInBothPanes() {
        fillPane(window_->sourcePane());
        fillPane(window_->resultPane());
        const QString before = window_->sourcePane()->toPlainText();
        answerDialog([](PaneChoiceDialog* d) { setChoice(d, 1, true, true); });  // Win -> Koi
        window_->action(Command::Recode)->trigger();

        const QString expected = recode(before, textops::Direction::Win2Koi);
        QVERIFY(expected != before);
        QCOMPARE(expected.at(0), QChar(u'Ё'));  // Ё stays in this direction
        for (QTextEdit* pane : {window_->sourcePane(), window_->resultPane()}) {
            QCOMPARE(pane->toPlainText(), expected);
            QVERIFY(pane->isVisible());
            QCOMPARE(pane->textCursor().position(), 0);
            QVERIFY(!pane->textCursor().hasSelection());
            QVERIFY(formatAt(pane, 0).fontWeight() != QFont::Bold);
            QCOMPARE(formatAt(pane, 5).fontWeight(), int(QFont::Bold));
            QCOMPARE(formatAt(pane, 7).foreground().color(), QColor(Qt::red));
            QVERIFY(formatAt(pane, 10).fontItalic());
            QCOMPARE(pane->document()->blockCount(), 2);
        }
        QVERIFY(!window_->runner()->progressWindow()->isVisible());

        // Back again: the text is restored exactly.
        answerDialog([](PaneChoiceDialog* d) { setChoice(d, 4, true, false); });  // Koi -> Win
        window_->action(Command::Recode)->trigger();
        QCOMPARE(window_->sourcePane()->toPlainText(), before);
        QCOMPARE(window_->resultPane()->toPlainText(), expected);
        QCOMPARE(window_->textServices()->recodeDialog()->itemIndex(), 4);  // the choice stays
    }

    void caseChangeOfTheTickedPaneOnly() {
        fillPane(window_->sourcePane());
        window_->resultPane()->setPlainText(QStringLiteral("ёлка Tree 5 µ ґ 中"));
        answerDialog([](PaneChoiceDialog* d) { setChoice(d, 0, false, true); });
        window_->action(Command::ChangeCase)->trigger();
        QCOMPARE(window_->resultPane()->toPlainText(), QStringLiteral("ЁЛКА TREE 5 µ Ґ 中"));
        QCOMPARE(window_->sourcePane()->toPlainText(), QStringLiteral("Ёлка Жук\n\tTree 5"));

        answerDialog([](PaneChoiceDialog* d) { setChoice(d, 1, true, false); });
        window_->action(Command::ChangeCase)->trigger();
        QCOMPARE(window_->sourcePane()->toPlainText(), QStringLiteral("ёлка жук\n\ttree 5"));
        QCOMPARE(formatAt(window_->sourcePane(), 5).fontWeight(), int(QFont::Bold));
        QVERIFY(formatAt(window_->sourcePane(), 10).fontItalic());
    }

    void cancelOrNoPaneChangesNothing() {
        fillPane(window_->sourcePane());
        fillPane(window_->resultPane());
        const QString before = window_->sourcePane()->toPlainText();
        ShowSpy shows;
        window_->runner()->progressWindow()->installEventFilter(&shows);
        answerDialog([](PaneChoiceDialog* d) { setChoice(d, 0, true, true); }, false);  // "Отмена"
        window_->action(Command::Recode)->trigger();
        answerDialog([](PaneChoiceDialog* d) { setChoice(d, 0, false, false); });  // OK, no pane
        window_->action(Command::ChangeCase)->trigger();
        QCOMPARE(window_->sourcePane()->toPlainText(), before);
        QCOMPARE(window_->resultPane()->toPlainText(), before);
        QCOMPARE(shows.shows, 0);
        // The choices made before "Отмена" stay in the dialog.
        QCOMPARE(window_->textServices()->recodeDialog()->itemIndex(), 0);
        QVERIFY(window_->textServices()->recodeDialog()->sourcePaneTicked());
    }

    void emptyPaneIsSkippedWithoutProgress() {
        window_->sourcePane()->clear();
        window_->resultPane()->setPlainText(QStringLiteral("\n\n"));  // only line breaks: walked, unchanged
        ShowSpy shows;
        window_->runner()->progressWindow()->installEventFilter(&shows);
        answerDialog([](PaneChoiceDialog* d) { setChoice(d, 0, true, true); });
        window_->action(Command::Recode)->trigger();
        QCOMPARE(window_->sourcePane()->toPlainText(), QString());
        QCOMPARE(window_->resultPane()->toPlainText(), QStringLiteral("\n\n"));
        QCOMPARE(shows.shows, 1);  // the result pane's pass only
    }

    // "Отмена" in the progress window during the source pane's pass: the
    // message once, the source pane's converted beginning and untouched rest,
    // the result pane as it was.
    void cancelInTheSourcePassLeavesTheResultPaneAlone_data() {
        QTest::addColumn<bool>("recoding");
        QTest::newRow("recoding") << true;
        QTest::newRow("case") << false;
    }
    void cancelInTheSourcePassLeavesTheResultPaneAlone() {
        QFETCH(bool, recoding);
        QString line = QStringLiteral("Съешь же ещё этих мягких булок, да выпей чаю. ");
        QString big;
        for (int i = 0; i < 4000; ++i) big += line + (i % 10 == 9 ? QStringLiteral("\n") : QString());
        window_->sourcePane()->setPlainText(big);
        fillPane(window_->resultPane());
        const QString source = window_->sourcePane()->toPlainText();
        const QString result = window_->resultPane()->toPlainText();

        // "Отмена" at the first turn the run gives the event loop.
        CancelPress cancel(window_->runner()->progressWindow());
        MessageCatcher messages;
        answerDialog([&](PaneChoiceDialog* d) { setChoice(d, recoding ? 3 : 0, true, true); });
        window_->action(recoding ? Command::Recode : Command::ChangeCase)->trigger();
        QVERIFY(cancel.pressed());
        QTRY_COMPARE(messages.texts.size(), 1);
        QTest::qWait(30);
        QCOMPARE(messages.texts.size(), 1);
        if (recoding) {
            QCOMPARE(messages.captions.first(), QStringLiteral("Перекодировка..."));
            QCOMPARE(messages.texts.first(), QStringLiteral("Перевод в нужную кодировку прерван пользователем."));
        } else {
            QCOMPARE(messages.captions.first(), QStringLiteral("Регистр..."));
            QCOMPARE(messages.texts.first(), QStringLiteral("Перевод в нужный регистр прерван пользователем."));
        }
        QCOMPARE(messages.icons.first(), QMessageBox::Information);

        QCOMPARE(window_->resultPane()->toPlainText(), result);
        QVERIFY(window_->sourcePane()->isVisible());
        QVERIFY(!window_->runner()->isBusy());
        // Converted up to some point and as it was from there on.
        const QString now = window_->sourcePane()->toPlainText();
        const QString converted = recoding ? recode(source, textops::Direction::DOSToKOI) : source.toUpper();
        QCOMPARE(now.size(), source.size());
        qsizetype k = 0;
        while (k < now.size() && now.at(k) == converted.at(k)) ++k;
        QCOMPARE(now.mid(k), source.mid(k));
    }

private:
    // Every control inside the client area, none over another, no caption cut.
    void checkFits(PaneChoiceDialog* d) {
        QList<QWidget*> controls;
        for (QWidget* w : d->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) controls << w;
        QCOMPARE(controls.size(), 4);
        for (QWidget* w : controls)
            for (QWidget* other : controls)
                QVERIFY2(w == other || !w->geometry().intersects(other->geometry()), qPrintable(w->objectName()));
        checkCaptionsFit(d);
    }

    void checkPaneBoxesAndButtons(PaneChoiceDialog* d) {
        QCOMPARE(d->findChild<QGroupBox*>("GroupBox1")->title(), QStringLiteral(" Где произвести изменения? "));
        auto* source = d->findChild<QCheckBox*>("CheckBox1");
        auto* result = d->findChild<QCheckBox*>("CheckBox2");
        QCOMPARE(source->text(), QStringLiteral("Переводимый текст"));
        QCOMPARE(result->text(), QStringLiteral("Переведенный текст"));
        QVERIFY(source->isChecked() && result->isChecked());
        QCOMPARE(source->parent(), d->findChild<QGroupBox*>("GroupBox1"));
        auto* ok = d->findChild<QPushButton*>("BitBtn1");
        auto* cancel = d->findChild<QPushButton*>("BitBtn2");
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QVERIFY(ok->isDefault());
        QCOMPARE(cancel->text(), QStringLiteral("Отмена"));
        // Esc answers like "Отмена".
        QTimer::singleShot(0, [d] { QTest::keyClick(d, Qt::Key_Escape); });
        QCOMPARE(d->exec(), int(QDialog::Rejected));
    }

    QTemporaryDir home_;
    MainWindow* window_ = nullptr;
};

QTEST_MAIN(TextopsTest)
#include "textops_test.moc"
