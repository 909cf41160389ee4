// Print and page setup on the real window offscreen: TForm4 and its keys,
// the print dialog, one job per ticked pane. The PDFs are read back with
// poppler's pdftotext, pdfinfo and pdffonts.
//
// With LETTRICA_CUPS_OUT set (tests/print/cups_queue.sh starts a private
// cupsd with a cups-pdf printer and sets it and CUPS_SERVER), cupsQueue prints
// both panes to that queue; without it that case is skipped and the print
// system is pointed at nothing, so no test ever reaches a system cupsd.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <functional>

#include "app/main_window.h"
#include "app/print/print_choice_dialog.h"
#include "app/print/print_commands.h"
#include "app/print/print_job.h"
#include "settings/ini_file.h"
#include "support/captions_fit.h"
#include "support/message_catcher.h"
#include "support/next_modal.h"
#include "support/window_in_home.h"

using namespace lettrica;
using app::Command;
using app::MainWindow;

namespace {

QString run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000)) return QStringLiteral("<%1 did not finish>").arg(program);
    return QString::fromUtf8(p.readAllStandardOutput());
}
QString pdfText(const QString& pdf) { return run("pdftotext", {"-layout", pdf, "-"}).simplified(); }

// Counts the print dialogs shown.
struct PrintDialogSpy : QObject {
    int shown = 0;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show && qobject_cast<QPrintDialog*>(o)) ++shown;
        return false;
    }
};

// Answers TForm4 with the two boxes, then, when a box is ticked, the print
// dialog with OK or Cancel.
void answerPrint(bool source, bool result, bool print, std::function<void(QPrintDialog*)> look = {}) {
    onNextModal([=](QWidget* w) {
        QCOMPARE(w->objectName(), QStringLiteral("TForm4"));
        w->findChild<QCheckBox*>("CheckBox1")->setChecked(source);
        w->findChild<QCheckBox*>("CheckBox2")->setChecked(result);
        if (source || result)
            onNextModal(
                [=](QWidget* dialog) {
                    QVERIFY2(qobject_cast<QPrintDialog*>(dialog), dialog->metaObject()->className());
                    if (look) look(static_cast<QPrintDialog*>(dialog));
                    if (print) static_cast<QDialog*>(dialog)->accept();
                    else static_cast<QDialog*>(dialog)->reject();
                },
                w);
        w->findChild<QPushButton*>("BitBtn1")->click();
    });
}

// Whether `pdf` has words and pdftotext finds every one inside page setup's
// 25 mm margins (with a point's room for the fonts' ascents).
bool insideTheMargins(const QString& pdf) {
    static const QRegularExpression number(" (width|height|xMin|yMin|xMax|yMax)=\"([0-9.]+)\"");
    const double m = 25 / 25.4 * 72 - 1;
    double width = 0, height = 0;
    int words = 0;
    for (auto it = number.globalMatch(run("pdftotext", {"-bbox", pdf, "-"})); it.hasNext();) {
        const QRegularExpressionMatch n = it.next();
        const QString key = n.captured(1);
        const double at = n.captured(2).toDouble();
        if (key == "width") width = at;
        else if (key == "height") height = at;
        else if (key.endsWith("Min") ? at < m : at > (key == "xMax" ? width : height) - m) return false;
        words += key == "xMin";
    }
    return words > 0;
}

void fillPanes(MainWindow& w) {
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCursor(w.sourcePane()->document()).insertText(QStringLiteral("Исходный Полужирный"), bold);
    QTextCursor(w.resultPane()->document()).insertText(QStringLiteral("Ishodnyj rezultat"));
}

}  // namespace

class PrintTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("LETTRICA_CUPS_OUT")) qputenv("CUPS_SERVER", "/nonexistent/cups.sock");
    }
    void init() {
        window_ = showWindowIn(home_);
        QVERIFY(window_);
        commands_ = window_->findChild<app::PrintCommands*>("PrintCommands");
        QVERIFY(commands_);
        spy_.shown = 0;
        qApp->installEventFilter(&spy_);
    }
    void cleanup() {
        qApp->removeEventFilter(&spy_);
        delete window_;
        window_ = nullptr;
        QFile::remove(home_.filePath("lettrica.ini"));
    }

    // Its names, texts, size; every caption whole in the stand-in face.
    void choiceDialogAsDesigned() {
        app::PrintChoiceDialog* d = commands_->choiceDialog();
        QCOMPARE(d->objectName(), QStringLiteral("TForm4"));
        QCOMPARE(d->windowTitle(), QStringLiteral(" Печать..."));
        QCOMPARE(d->height(), 107);
        QVERIFY(d->width() >= 198);
        QCOMPARE(d->findChild<QGroupBox*>("GroupBox1")->title(), QStringLiteral(" Что необходимо напечатать? "));
        QCOMPARE(d->findChild<QCheckBox*>("CheckBox1")->text(), QStringLiteral("Переводимый текст"));
        QCOMPARE(d->findChild<QCheckBox*>("CheckBox2")->text(), QStringLiteral("Переведенный текст"));
        QCOMPARE(d->findChild<QPushButton*>("BitBtn1")->text(), QStringLiteral("OK"));
        QCOMPARE(d->findChild<QPushButton*>("BitBtn2")->text(), QStringLiteral("Отмена"));
        QVERIFY(d->sourcePaneTicked() && d->resultPaneTicked());
        checkCaptionsFit(d);
    }

    // The boxes keep what was chosen, after Cancel of the print dialog too,
    // and reach [Print] at close; Doc1=0 unticks at the next start.
    void boxesAreKeptAndStored() {
        answerPrint(false, true, false);
        window_->action(Command::Print)->trigger();
        QCOMPARE(spy_.shown, 1);
        window_->close();
        const settings::IniFile ini(home_.filePath("lettrica.ini").toStdString());
        QCOMPARE(ini.readBytes("Print", "Doc1", "?"), std::string("0"));
        QCOMPARE(ini.readBytes("Print", "Doc2", "?"), std::string("1"));
        MainWindow again;
        auto* choice = again.findChild<app::PrintCommands*>("PrintCommands")->choiceDialog();
        QVERIFY(!choice->sourcePaneTicked() && choice->resultPaneTicked());
    }

    // Nothing ticked: no print dialog and no job.
    void nothingTickedPrintsNothing() {
        answerPrint(false, false, true);
        window_->action(Command::Print)->trigger();
        QCOMPARE(spy_.shown, 0);
        QVERIFY(!QApplication::activeModalWidget());
    }

    // To a file: the source pane in the file named, the result pane beside it
    // with "-2"; an empty pane is one empty page.
    void bothPanesToAFile() {
        QTemporaryDir dir;
        fillPanes(*window_);
        commands_->printer().setOutputFileName(dir.filePath("panes.pdf"));
        answerPrint(true, true, true);
        window_->action(Command::Print)->trigger();
        QCOMPARE(pdfText(dir.filePath("panes.pdf")), QStringLiteral("Исходный Полужирный"));
        QCOMPARE(pdfText(dir.filePath("panes-2.pdf")), QStringLiteral("Ishodnyj rezultat"));
        QVERIFY(run("pdffonts", {dir.filePath("panes.pdf")}).contains("Bold"));
        QCOMPARE(commands_->printer().outputFileName(), dir.filePath("panes.pdf"));

        // An empty pane is one page; a file gets the copies asked for.
        window_->resultPane()->clear();
        commands_->printer().setOutputFileName(dir.filePath("empty.pdf"));
        commands_->printer().setCopyCount(2);
        answerPrint(false, true, true);
        window_->action(Command::Print)->trigger();
        QVERIFY(run("pdfinfo", {dir.filePath("empty.pdf")}).contains(QRegularExpression("Pages: +2\n")));
        QVERIFY(!QFile::exists(dir.filePath("empty-2.pdf")));
    }

    // Word wrap off in the panes: on paper the lines still wrap, every word
    // printed, all inside page setup's 25 mm margins, though a PDF file
    // calls the whole sheet printable.
    void printedWrappedInsideTheMargins() {
        QTemporaryDir dir;
        window_->action(Command::WordWrap)->trigger();
        QVERIFY(!window_->action(Command::WordWrap)->isChecked());
        QStringList words;
        for (int i = 0; i < 120; ++i) words << QStringLiteral("слово%1").arg(i);
        const QString line = words.join(' ');
        window_->sourcePane()->setPlainText(line + "\n" + line);
        commands_->printer().setOutputFileName(dir.filePath("wrapped.pdf"));
        answerPrint(true, false, true);
        window_->action(Command::Print)->trigger();
        QCOMPARE(pdfText(dir.filePath("wrapped.pdf")), line + ' ' + line);
        QVERIFY(insideTheMargins(dir.filePath("wrapped.pdf")));
        QCOMPARE(commands_->margins(), QMarginsF(25, 25, 25, 25));
    }

    // Both panes to a file whose "-2" neighbour exists: that one is asked
    // about too, and "&No" prints nothing; one that cannot be written is
    // reported, and the other pane still printed.
    void filesAreNotReplacedUnaskedNorLostSilently() {
        QTemporaryDir dir;
        fillPanes(*window_);
        QVERIFY(QDir(dir.path()).mkdir("panes-2.pdf"));
        commands_->printer().setOutputFileName(dir.filePath("panes.pdf"));
        auto printBoth = [this](const QString& answer) {
            MessageCatcher catcher(answer);
            answerPrint(true, true, true);
            window_->action(Command::Print)->trigger();
            return catcher.texts;
        };
        const QString asked = "Файл \"panes-2.pdf\" уже существует.\nЗаменить его?";
        QCOMPARE(printBoth("&No"), QStringList{asked});
        QVERIFY(!QFile::exists(dir.filePath("panes.pdf")));
        QCOMPARE(printBoth("&Yes"), (QStringList{asked, "Не удалось записать файл \"panes-2.pdf\"."}));
        QCOMPARE(pdfText(dir.filePath("panes.pdf")), QStringLiteral("Исходный Полужирный"));
    }

    // The file offered is named after the job at the time of asking, each
    // time (X11's dialog offers the document's name); a name of the user's
    // own stays.
    void offeredFileNameIsFresh() {
        QTemporaryDir dir;
        MessageCatcher told;
        QStringList offered;
        for (int round = 0; round < 3; ++round) {
            answerPrint(false, true, true, [&](QPrintDialog* d) {
                auto* name = d->findChild<QLineEdit*>("filename");
                if (round == 0) name->setText(dir.filePath(d->printer()->docName()));
                offered << QFileInfo(name->text()).fileName();
                if (round == 1) name->setText(dir.filePath("mine.pdf"));
            });
            window_->action(Command::Print)->trigger();
            QTest::qWait(round == 0 ? 1100 : 0);
        }
        const QDateTime now = QDateTime::currentDateTime();
        auto offer = [](const QDateTime& at) { return app::jobFileStem(app::printJobName(at)) + ".pdf"; };
        QVERIFY2(offered[0] != offered[1] && (offered[1] == offer(now) || offered[1] == offer(now.addSecs(-1))),
                 qPrintable(offered.join(" | ")));
        QCOMPARE(offered[2], QStringLiteral("mine.pdf"));
        QCOMPARE(told.texts, QStringList());
    }

    void jobNames() {
        const QLocale ru(QLocale::Russian, QLocale::Russia);
        QCOMPARE(app::printJobName(QDateTime(QDate(2026, 3, 7), QTime(9, 5, 3)), ru),
                 QStringLiteral("Lettrica - 07.03.2026 09:05:03"));
        QCOMPARE(app::printJobName(QDateTime(QDate(2026, 3, 7), QTime(0, 0)), ru), QStringLiteral("Lettrica - 07.03.2026"));
        QCOMPARE(app::printJobName(QDateTime(QDate(2026, 3, 7), QTime(0, 0, 1)), ru),
                 QStringLiteral("Lettrica - 07.03.2026 00:00:01"));
        QCOMPARE(app::jobOutputFile("/a.b/out", 2), QStringLiteral("/a.b/out-2"));
        QCOMPARE(app::jobOutputFile("/tmp/out.pdf", 1), QStringLiteral("/tmp/out.pdf"));
        QCOMPARE(app::jobFileStem("Lettrica - 3/7/26 9:05:03 AM"), QStringLiteral("Lettrica - 3-7-26 9-05-03 AM"));
    }

    // Without a printer there is no page to set up, and the user is told.
    void pageSetupStartsOnA4WithTwentyFiveMillimetres() {
        const QPageLayout layout = commands_->pageSetupPrinter().pageLayout();
        QCOMPARE(layout.pageSize().id(), QPageSize::A4);
        QCOMPARE(layout.margins(QPageLayout::Millimeter), QMarginsF(25, 25, 25, 25));
        if (!qEnvironmentVariableIsEmpty("LETTRICA_CUPS_OUT")) return;  // it has one
        MessageCatcher told;
        window_->action(Command::PageSetup)->trigger();
        QCOMPARE(told.texts, QStringList{"В системе не установлен ни один принтер."});
    }

    // Both panes through a real CUPS queue: two jobs, source first, each a
    // PDF named after its job, with its text and the bold face.
    void cupsQueue() {
        const QString out = qEnvironmentVariable("LETTRICA_CUPS_OUT");
        if (out.isEmpty()) QSKIP("no private CUPS queue: run tests/print/cups_queue.sh");
        fillPanes(*window_);
        const QDateTime before = QDateTime::currentDateTime();
        answerPrint(true, true, true);
        window_->action(Command::Print)->trigger();
        const QDateTime after = QDateTime::currentDateTime();
        QStringList pdfs;
        for (int i = 0; i < 600 && pdfs.size() < 2; ++i, QTest::qWait(100))
            pdfs = QDir(out).entryList({"*.pdf"}, QDir::Files);
        QCOMPARE(pdfs.size(), 2);
        // cups-pdf names a file after its job's title, anything but letters,
        // digits, dots and dashes made "_".
        QStringList names;
        for (QDateTime t = before.addMSecs(-before.time().msec()); t <= after; t = t.addSecs(1))
            names << app::printJobName(t).replace(QRegularExpression("[^A-Za-z0-9.-]"), "_");
        for (const QString& pdf : pdfs) {
            const bool named = std::any_of(names.begin(), names.end(), [&](const QString& n) { return pdf.startsWith(n); });
            QVERIFY2(named, qPrintable(pdf + " is not one of " + names.join(", ")));
        }
        // In the order of the jobs, which cups-pdf adds to the name.
        auto job = [](const QString& pdf) { return QRegularExpression("job_([0-9]+)").match(pdf).captured(1).toInt(); };
        std::sort(pdfs.begin(), pdfs.end(), [&](const QString& a, const QString& b) { return job(a) < job(b); });
        QCOMPARE(pdfText(out + "/" + pdfs[0]), QStringLiteral("Исходный Полужирный"));
        QCOMPARE(pdfText(out + "/" + pdfs[1]), QStringLiteral("Ishodnyj rezultat"));
        QVERIFY(run("pdffonts", {out + "/" + pdfs[0]}).contains("Bold"));
        // cups-pdf calls the whole sheet printable: the text keeps page setup's margins.
        QVERIFY(insideTheMargins(out + "/" + pdfs[0]));

        // With a printer, page setup shows its dialog, and what it sets reaches Print.
        onNextModal([](QWidget* w) {
            QVERIFY(qobject_cast<QPageSetupDialog*>(w));
            auto* sizes = w->findChild<QComboBox*>("pageSizeCombo");
            QVERIFY(sizes);
            const int letter = sizes->findText("Letter", Qt::MatchContains);
            QVERIFY2(letter >= 0, qPrintable(sizes->itemText(0)));
            sizes->setCurrentIndex(letter);
            static_cast<QDialog*>(w)->accept();
        });
        window_->action(Command::PageSetup)->trigger();
        QVERIFY2(commands_->printer().pageLayout().pageSize().name().contains("Letter"),
                 qPrintable(commands_->printer().pageLayout().pageSize().name()));
    }

    // A queue that refuses jobs (cupsreject): one message tells of both
    // panes, each with the print system's words, and nothing is printed.
    void refusingQueue() {
        const QString out = qEnvironmentVariable("LETTRICA_CUPS_OUT");
        if (out.isEmpty()) QSKIP("no private CUPS queue: run tests/print/cups_queue.sh");
        const QStringList before = QDir(out).entryList({"*.pdf"}, QDir::Files);
        QCOMPARE(QProcess::execute("cupsreject", {"lettrica-pdf"}), 0);
        fillPanes(*window_);
        MessageCatcher told;
        answerPrint(true, true, true);
        window_->action(Command::Print)->trigger();
        QCOMPARE(QProcess::execute("cupsaccept", {"lettrica-pdf"}), 0);
        QCOMPARE(told.captions, QStringList{"Ошибка"});
        const QStringList lines = told.texts.value(0).split('\n');
        QCOMPARE(lines.size(), 4);  // per job: the refusal, and the queue's words
        for (int i : {0, 2}) QVERIFY(lines[i].startsWith("Принтер \"lettrica-pdf\" не принял задание \"Lettrica - "));
        QTest::qWait(1000);
        QCOMPARE(QDir(out).entryList({"*.pdf"}, QDir::Files), before);
    }

private:
    QTemporaryDir home_;
    MainWindow* window_ = nullptr;
    app::PrintCommands* commands_ = nullptr;
    PrintDialogSpy spy_;
};

QTEST_MAIN(PrintTest)
#include "print_test.moc"
