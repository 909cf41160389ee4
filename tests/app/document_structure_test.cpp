// Lists, tables and frames through the panes: pasted from web pages through
// the clipboard, made with "Маркеры", then run through F2, F3, F4 and F5
// (and a cancel) in the real window. A paragraph format copied from one
// document into another once pointed at a list of the first and crashed.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include "app/document/document_reader.h"
#include "support/whole_documents.h"
#include "app/main_window.h"
#include "app/conversion/long_command_runner.h"
#include "support/cancel_press.h"
#include "app/conversion/progress_window.h"
#include "support/document_shape.h"
#include "support/message_catcher.h"
#include "support/pane_choice.h"
#include "support/window_in_home.h"
#include "textops/recoding.h"

using lettrica::app::Command;
using lettrica::app::MainWindow;
using shape::Detail;

namespace {

// The way a user pastes a web page: through the clipboard, as HTML.
void pasteHtml(QTextEdit* pane, const QString& html) {
    auto* data = new QMimeData;
    data->setHtml(html);
    data->setText(QStringLiteral("plain text that must not be taken"));
    QGuiApplication::clipboard()->setMimeData(data);
    pane->paste();
}

QString recoded(const QString& text, lettrica::textops::Direction direction) {
    std::u16string u(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
    const std::u16string r = lettrica::textops::recodeText(u, direction);
    return QString(reinterpret_cast<const QChar*>(r.data()), static_cast<qsizetype>(r.size()));
}

const char* const kPage =
    "<p>Список покупок:</p>"
    "<ol><li>Хлеб</li><li>Молоко<ol><li>козье</li><li>коровье</li></ol></li><li>Чай</li></ol>"
    "<table border='1'><tr><th>Город</th><th colspan='2'>Жители</th></tr>"
    "<tr><td>Москва</td><td>12&nbsp;655&nbsp;050</td><td rowspan='2'><ul><li>много</li><li>очень</li></ul></td></tr>"
    "<tr><td><table border='1'><tr><td>Щёлково</td></tr></table>и пригород</td><td>5&nbsp;000</td></tr></table>"
    "<p>После таблицы.</p>";

// `copies` of the page, each with long paragraphs (`sentences` each) in its
// table cells and lists, so that the slices of a long run end inside them.
QString bulkyPage(int copies, int sentences = 150) {
    QString words;
    for (int i = 0; i < sentences; ++i) words += QString::fromUtf8("Съешь ещё этих <b>мягких</b> булок. ");
    QString html;
    for (int i = 0; i < copies; ++i)
        html += QString::fromUtf8(kPage) + "<p>" + words + "</p><table border='1'><tr><td>" + words +
                "</td><td><ul><li>" + words + "</li><li>" + words + "</li></ul></td></tr></table>";
    return html;
}

}  // namespace

class DocumentStructureTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        useSettingsHome(home_);
        window_ = new MainWindow();
        window_->show();
        window_->activateWindow();  // the commands' keys are the window's shortcuts
        QVERIFY(QTest::qWaitForWindowActive(window_));
    }
    void cleanup() {
        lettrica::app::setSliceMillis(30);
        delete window_;
        window_ = nullptr;
    }

    // Read into the engine's model and built again, any pasted page is the
    // same document: blocks, cells, spans, lists, formats and characters.
    void pastedPagesSurviveTheRoundTrip() {
        for (quint32 seed = 1; seed <= 120; ++seed) {
            QTextEdit pane;
            pasteHtml(&pane, shape::PageMaker(seed).page());
            const QTextDocument& source = *pane.document();
            const auto snapshot = lettrica::app::snapshotDocument(source);
            QTextDocument built;
            wholedoc::build(built, snapshot.text, snapshot.formats);
            QCOMPARE(built.toRawText(), source.toRawText());
            QCOMPARE(shape::describe(built, Detail::Text), shape::describe(source, Detail::Text));
        }
    }

    void listsAndTablesComeThroughEveryConversion() {
        QTextEdit* source = window_->sourcePane();
        QTextEdit* result = window_->resultPane();
        // A bulleted list made with "Маркеры", then a page pasted below it.
        source->setFocus();
        source->insertPlainText(QString::fromUtf8("Щука\nЁлка"));
        source->selectAll();
        window_->action(Command::Bullets)->trigger();
        QVERIFY(source->textCursor().currentList());
        QTextCursor end = source->textCursor();
        end.movePosition(QTextCursor::End);
        source->setTextCursor(end);
        QTest::keyClick(source, Qt::Key_Return);
        window_->action(Command::Bullets)->trigger();  // out of the list again
        pasteHtml(source, QString::fromUtf8(kPage));
        QVERIFY(!source->document()->rootFrame()->childFrames().isEmpty());
        const QStringList blocks = shape::describe(*source->document(), Detail::Blocks);
        const QStringList runs = shape::describe(*source->document(), Detail::Runs);
        const QString text = source->document()->toRawText();

        // Transliteration: the same blocks in the same cells and lists.
        press(Qt::Key_F3);
        QCOMPARE(shape::describe(*result->document(), Detail::Blocks), blocks);
        QVERIFY(result->toPlainText().startsWith("Schuka\nElka\nSpisok pokupok:\nHleb\n"));
        QVERIFY(result->toPlainText().contains("Schelkovo"));
        press(Qt::Key_F2);
        QCOMPARE(shape::describe(*result->document(), Detail::Blocks), blocks);
        QCOMPARE(source->document()->toRawText(), text);

        // Case and recoding change characters in place: nothing else moves.
        MessageCatcher none;
        press(Qt::Key_F4, [](PaneChoiceDialog* d) { setChoice(d, 0, true, false); });  // capitals
        QCOMPARE(source->document()->toRawText(), text.toUpper());
        QCOMPARE(shape::describe(*source->document(), Detail::Runs), runs);
        press(Qt::Key_F5, [](PaneChoiceDialog* d) { setChoice(d, 1, true, false); });  // Win -> Koi
        QCOMPARE(source->document()->toRawText(), recoded(text.toUpper(), lettrica::textops::Direction::Win2Koi));
        QCOMPARE(shape::describe(*source->document(), Detail::Runs), runs);
        QVERIFY(none.texts.isEmpty());
    }

    // A document of many chunks, the chunks ending inside lists and tables,
    // one slice of work per pass of the event loop.
    void largeDocumentKeepsItsStructureAcrossSlices() {
        QTextEdit* source = window_->sourcePane();
        pasteHtml(source, bulkyPage(12) + shape::PageMaker(7).page(50));
        QVERIFY(source->document()->characterCount() > 3 * 64 * 1024);
        const QStringList runs = shape::describe(*source->document(), Detail::Runs);
        const QString text = source->document()->toRawText();
        lettrica::app::setSliceMillis(0);
        press(Qt::Key_F4, [](PaneChoiceDialog* d) { setChoice(d, 0, true, false); });
        QCOMPARE(source->document()->toRawText(), text.toUpper());
        QCOMPARE(shape::describe(*source->document(), Detail::Runs), runs);
    }

    // "Отмена" at any pass of the event loop during a run, whatever the run
    // is doing then (reading, converting, building, putting the rest in):
    // the message comes while the result pane is still hidden, and the pane
    // then holds the converted beginning and the untouched rest, tables and
    // all.
    void cancelAtEveryPassKeepsPrefixRestAndStructure() {
        QTextEdit* source = window_->sourcePane();
        QTextEdit* result = window_->resultPane();
        // Paragraphs longer than a slice's work: slices end inside them too.
        pasteHtml(source, bulkyPage(2, 700) + shape::PageMaker(3).page(20));
        const QStringList blocks = shape::describe(*source->document(), Detail::Blocks);
        const QStringList before = blockTexts(*source->document());
        window_->action(Command::ToLatin)->trigger();
        const QStringList after = blockTexts(*result->document());
        lettrica::app::setSliceMillis(0);

        int cancelAt = 1;
        for (;; ++cancelAt) {
            int pass = 0;
            CancelPress cancel(window_->runner()->progressWindow(), [&] { return ++pass == cancelAt; });
            MessageCatcher messages;
            bool paneShownWithMessage = false;
            messages.onShow = [&](QMessageBox*) { paneShownWithMessage = result->isVisible(); };
            window_->action(Command::ToLatin)->trigger();
            if (!cancel.pressed()) break;  // the run ended before this pass
            QCOMPARE(messages.texts, QStringList{QString::fromUtf8("Перевод прерван пользователем.")});
            QVERIFY(!paneShownWithMessage);
            QVERIFY(result->isVisible() && !window_->runner()->isBusy());
            QCOMPARE(shape::describe(*result->document(), Detail::Blocks), blocks);
            // Converted blocks, then one converted in part, then the source's.
            const QStringList now = blockTexts(*result->document());
            QCOMPARE(now.size(), before.size());
            qsizetype k = 0;
            while (k < now.size() && now[k] == after[k]) ++k;
            for (qsizetype j = k + 1; j < now.size(); ++j) QCOMPARE(now[j], before[j]);
            if (k < now.size()) QVERIFY2(isConvertedPrefixAndRest(now[k], before[k], after[k]), qPrintable(now[k]));
        }
        QVERIFY2(cancelAt > 20, qPrintable(QString::number(cancelAt)));  // many passes, many places
        QCOMPARE(blockTexts(*source->document()), before);
    }

private:
    // A key as the user presses it: once the window has the keyboard again.
    // `choose` answers the dialog the key opens.
    void press(Qt::Key key, std::function<void(PaneChoiceDialog*)> choose = {}) {
        QTRY_COMPARE(QApplication::activeWindow(), window_);
        if (choose) answerDialog(choose);
        QTest::keyClick(window_, key);
    }

    static QStringList blockTexts(const QTextDocument& document) {
        QStringList texts;
        for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) texts << b.text();
        return texts;
    }

    // `now` is the conversion of a beginning of `source` followed by the
    // rest of it; `converted` is all of `source` converted.
    static bool isConvertedPrefixAndRest(const QString& now, const QString& source, const QString& converted) {
        for (qsizetype rest = 0; rest <= source.size(); ++rest) {
            const QString tail = source.right(rest);
            if (!now.endsWith(tail)) break;
            const QString head = now.left(now.size() - rest);
            if (converted.startsWith(head)) return true;
        }
        return false;
    }

    QTemporaryDir home_;
    MainWindow* window_ = nullptr;
};

QTEST_MAIN(DocumentStructureTest)
#include "document_structure_test.moc"
