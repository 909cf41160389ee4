// Open and Save on the real window offscreen, through real files: the
// filters, forced extensions, messages and questions, the bytes written, and
// the formats a pane keeps on its way to a file and back.

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QPointer>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>
#include <QThread>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/files/file_filters.h"
#include "app/files/pane_files.h"
#include "app/files/rich_document_adapter.h"
#include "support/whole_documents.h"
#include "app/main_window.h"
#include "docio/rtf_builder.h"
#include "docio/rtf_writer.h"
#include "text/cp1251.h"
#include "app/conversion/long_command_runner.h"
#include "app/conversion/progress_window.h"
#include "support/cancel_press.h"
#include "support/file_dialog.h"
#include "support/message_catcher.h"
#include "support/next_modal.h"
#include "support/window_in_home.h"

using namespace lettrica;
using app::Command;
using app::MainWindow;

namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Russian text (no other letters) in Windows-1251.
QByteArray inCp1251(const QString& text) {
    QByteArray bytes;
    for (QChar c : text) {
        const ushort u = c.unicode();
        bytes += u < 0x80 ? char(u) : u == 0x0451 ? '\xb8' : char(u - 0x0410 + 0xC0);
    }
    return bytes;
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

void fill(QTextEdit* pane, const QString& boldRed, const QString& rest) {
    pane->clear();
    QTextCursor c(pane->document());
    QTextCharFormat strong;
    strong.setFontWeight(QFont::Bold);
    strong.setForeground(Qt::red);
    c.insertText(boldRed, strong);
    c.insertText(rest, QTextCharFormat());
}

QTextCharFormat formatOf(QTextEdit* pane, const QString& word) {
    QTextCursor c = pane->document()->find(word);
    return c.isNull() ? QTextCharFormat() : c.charFormat();
}

docio::CharFormat pictureOnly(int image) {
    docio::CharFormat f;
    f.image = image;
    return f;
}

bool isDefaultFormat(const QTextCharFormat& f) {
    return f.fontFamilies().toStringList().value(0) == "MS Sans Serif" && f.fontPointSize() == 10 &&
           f.fontWeight() == QFont::Normal && f.foreground().color() == Qt::black && !f.fontItalic();
}

}  // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        window_ = showWindowIn(home_);
        QVERIFY(window_);
    }
    void cleanup() {
        delete window_;
        window_ = nullptr;
        QFile::remove(home_.filePath("lettrica.ini"));
    }

    // The content decides the format, the filter the pane and the extension.
    void openByFilterAndContent() {
        QTemporaryDir dir;
        writeBytes(dir.filePath("doc.txt"), "{\\rtf1\\ansi\\ansicpg1251{\\b \\'c6\\'e8\\'f0} \\'ea\\'ee\\'f2\\par}");
        writeBytes(dir.filePath("plain.rtf"), "\xcf\xf0\xe8\xe2\xe5\xf2\r\n\xec\xe8\xf0");
        fill(window_->sourcePane(), "Источник", " как был");
        const QString sourceBefore = window_->sourcePane()->toHtml();

        chooseFile(3, dir.filePath("plain"));  // no extension: ".txt" is added, and it does not exist
        MessageCatcher missing;
        window_->action(Command::Open)->trigger();
        QCOMPARE(missing.texts, QStringList{"Указанный Вами файл \"plain.txt\" на диске не существует."});

        chooseFile(4, dir.filePath("plain.doc"));  // ".doc" becomes ".rtf": plain text in it
        window_->action(Command::Open)->trigger();
        QCOMPARE(window_->resultPane()->toPlainText(), QStringLiteral("Привет\nмир"));
        QVERIFY(isDefaultFormat(formatOf(window_->resultPane(), "мир")));
        QCOMPARE(window_->sourcePane()->toHtml(), sourceBefore);  // the other pane untouched

        chooseFile(1, dir.filePath("doc.rtf"));  // ".rtf" becomes ".txt", which holds RTF
        window_->action(Command::AutoVolume)->trigger();         // the volume in the status bar follows the panes
        window_->action(Command::Open)->trigger();
        QCoreApplication::processEvents();  // the status bar is updated once the events are handled
        const QString volume = window_->statusBar()->currentMessage();
        window_->action(Command::AutoVolume)->trigger();
        window_->action(Command::AutoVolume)->trigger();
        QCOMPARE(volume, window_->statusBar()->currentMessage());
        QCOMPARE(window_->sourcePane()->toPlainText(), QStringLiteral("Жир кот"));
        QVERIFY(formatOf(window_->sourcePane(), "Жир").fontWeight() == QFont::Bold);
        QVERIFY(formatOf(window_->sourcePane(), "кот").fontWeight() == QFont::Normal);
        QCOMPARE(window_->sourcePane()->textCursor().position(), 0);

        // The command line opens the same way.
        MainWindow started(QStringList{dir.filePath("doc.txt")});
        QVERIFY(formatOf(started.sourcePane(), "Жир").fontWeight() == QFont::Bold);
    }

    // The target's formatting is reset before the file is looked at; a file
    // that cannot be shown leaves the text and says so.
    void filesThatCannotBeOpened() {
        QTemporaryDir dir;
        QVERIFY(mkfifo(QFile::encodeName(dir.filePath("pipe.txt")).constData(), 0600) == 0);
        writeBytes(dir.filePath("deep.rtf"), "{\\rtf1 " + QByteArray(5000, '{') + "x");
        writeBytes(dir.filePath("cut.rtf"), "{\\rtf1\\ansi\\ansicpg1251 {\\b \\'c6\\'e8\\'f0");
        const std::pair<const char*, const char*> why[] = {
            {"pipe.txt", "Это не обычный файл (pipe.txt: is a FIFO)."},
            {"deep.rtf", "Документ RTF повреждён: groups are nested too deeply."},
        };
        for (auto [name, reason] : why) {
            fill(window_->sourcePane(), "Жирный", " текст");
            chooseFile(QByteArray(name).endsWith(".rtf") ? 2 : 1, dir.filePath(name));
            MessageCatcher catcher;
            window_->action(Command::Open)->trigger();
            QCOMPARE(catcher.texts,
                     QStringList{QStringLiteral("Произошла ошибка при открытии файла \"%1\".\n%2").arg(name, reason)});
            QCOMPARE(catcher.captions, QStringList{"Ошибка"});
            QCOMPARE(catcher.icons, QList<QMessageBox::Icon>{QMessageBox::Critical});
            QCOMPARE(window_->sourcePane()->toPlainText(), QStringLiteral("Жирный текст"));
            QVERIFY(isDefaultFormat(formatOf(window_->sourcePane(), "Жирный")));
        }
        // Cut short, but read to its end: what it holds is shown.
        chooseFile(2, dir.filePath("cut.rtf"));
        window_->action(Command::Open)->trigger();
        QCOMPARE(window_->sourcePane()->toPlainText(), QStringLiteral("Жир"));
        QVERIFY(formatOf(window_->sourcePane(), "Жир").fontWeight() == QFont::Bold);
    }

    void textSaveIsWindows1251WithCrLf() {
        QTemporaryDir dir;
        fill(window_->sourcePane(), "Привет", "");
        QTextCursor c(window_->sourcePane()->document());
        c.movePosition(QTextCursor::End);
        c.insertBlock();
        c.insertText(QStringLiteral("мир — ёж\u00a0№1"));
        c.createList(QTextListFormat::ListDisc);
        c.insertText(QString(QChar(0x2028)) + "строка");
        chooseFile(1, dir.filePath("out.doc"));
        window_->action(Command::Save)->trigger();
        QCOMPARE(readBytes(dir.filePath("out.txt")),
                 QByteArray("\xcf\xf0\xe8\xe2\xe5\xf2\r\n\xec\xe8\xf0 \x97 \xb8\xe6\xa0\xb9" "1\r\n\xf1\xf2\xf0\xee\xea\xe0"));
    }

    // Never a "?": UTF-8 when the user agrees, else nothing at all.
    void characterOutsideWindows1251OffersUtf8() {
        QTemporaryDir dir;
        fill(window_->resultPane(), "Ёлка", " 中文 😀");
        for (const char* answer : {"&No", "&Yes"}) {
            chooseFile(3, dir.filePath("tree.txt"));
            MessageCatcher question{QString::fromLatin1(answer)};
            window_->action(Command::Save)->trigger();
            QCOMPARE(question.texts, QStringList{"Символ «中» (U+4E2D) нельзя записать в кодировке Windows-1251.\n"
                                                 "Сохранить текст в кодировке UTF-8?"});
            QCOMPARE(question.captions, QStringList{"Confirm"});
            QCOMPARE(question.buttons.value(0), QStringList({"&Yes", "&No"}));
        }
        QCOMPARE(readBytes(dir.filePath("tree.txt")), QStringLiteral("Ёлка 中文 😀").toUtf8());
    }

    // A TXT save asks its pace between paragraphs from the pane to the
    // committed file and its bar never goes back. A Windows-1251 text is read
    // once, written while it is looked at; a character Windows-1251 lacks
    // (found around the Russian letters that skip its table) has it written
    // again in UTF-8. Stopped, it leaves the old file as it was.
    void textSaveIsPacedThroughout() {
        // 2000 paragraphs with a line break in each; the 1500th odd or not.
        auto fill = [](QTextDocument& document, const QString& odd, QString& file) {
            QTextCursor c(&document);
            for (int i = 0; i < 2000; ++i) {
                if (i > 0) c.insertBlock();
                c.insertText(i == 1500 ? odd : QStringLiteral("Абзац яЁё\u2028z"));
                file += (i > 0 ? "\r\n" : "") + (i == 1500 ? odd : QStringLiteral("Абзац яЁё\r\nz"));
            }
        };
        double last = 0;
        int calls = 0;
        bool backwards = false;
        const app::Pace pace = [&](std::size_t done, std::size_t total) {
            const double share = static_cast<double>(done) / static_cast<double>(total);
            backwards = backwards || share < last;
            last = share;
            ++calls;
            return true;
        };
        QTemporaryDir dir;
        QTextDocument mixed;
        QString mixedFile;
        fill(mixed, QStringLiteral("Џ ѐ"), mixedFile);
        app::TextFileWriting text(mixed, dir.filePath("paced.txt"), pace);
        QVERIFY(text.ready() && text.fitsOpenLimits());
        QCOMPARE(text.firstCharacterOutsideCp1251(), std::optional<char32_t>(U'ѐ'));
        const int looking = calls;
        QVERIFY(looking >= 2000 && last < 0.9);
        QCOMPARE(text.write(app::TextFileEncoding::Utf8), std::string());
        QVERIFY(!backwards && last == 1.0);
        QVERIFY(calls - looking >= 2000);
        QCOMPARE(readBytes(dir.filePath("paced.txt")), mixedFile.toUtf8());

        QTextDocument russian;
        QString russianFile;
        fill(russian, QStringLiteral("Џ"), russianFile);
        calls = 0;
        last = 0;
        app::TextFileWriting once(russian, dir.filePath("once.txt"), pace);
        QVERIFY(once.ready() && !once.firstCharacterOutsideCp1251() && last == 1.0);
        QCOMPARE(once.write(app::TextFileEncoding::Cp1251), std::string());
        QVERIFY(calls >= 2000 && calls < 2100);
        QCOMPARE(readBytes(dir.filePath("once.txt")), QByteArray::fromStdString(text::encodeCp1251(russianFile.toStdU16String()).bytes));

        // Stopped while it looks: not ready, the old file untouched, no
        // temporary file left beside it.
        writeBytes(dir.filePath("kept.txt"), "old");
        {
            app::TextFileWriting stopped(russian, dir.filePath("kept.txt"), [](std::size_t done, std::size_t total) {
                return static_cast<double>(done) / static_cast<double>(total) <= 0.45;
            });
            QVERIFY(!stopped.ready());
            QCOMPARE(stopped.write(app::TextFileEncoding::Cp1251), std::string(app::TextFileWriting::kStopped));
        }
        QCOMPARE(readBytes(dir.filePath("kept.txt")), QByteArray("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
    }

    // A TXT save reads the pane without the pass over its formats, deciding
    // on the way which empty block Qt keeps before a table and which
    // characters stand for objects; it must give the paragraphs the full
    // reading gives (an empty line too many or too few before a table was
    // the fault to catch), for tables first in the document and in cells,
    // frames and pictures.
    void textSaveReadsAsTheFullReading() {
        const char* const pages[] = {
            "<table border='1'><tr><td>а</td><td>б</td></tr></table><p>после</p>",
            "<p></p><table><tr><td><table><tr><td>внутри</td></tr></table>ячейка</td><td></td></tr></table><p></p>",
            "<p>один</p><p></p><table><tr><td></td></tr></table><table><tr><td>два</td></tr></table>",
            "<ol><li>Хлеб</li><li>Молоко<ol><li>козье</li></ol></li></ol><p>tab\there&#x2028;line &#xFFFC; 中文</p>",
        };
        QTemporaryDir dir;
        for (const char* page : pages) {
            QTextDocument document;
            document.setHtml(QString::fromUtf8(page));
            QTextCursor c(&document);
            c.movePosition(QTextCursor::End);
            QImage image(4, 4, QImage::Format_RGB32);
            image.fill(Qt::red);
            document.addResource(QTextDocument::ImageResource, QUrl("picture"), image);
            QTextImageFormat picture;
            picture.setName("picture");
            c.insertImage(picture);
            c.insertFrame(QTextFrameFormat());
            c.insertText(QStringLiteral("в рамке"));

            QString expected;
            const docio::RichDocument whole = app::richDocumentOf(document);
            for (const text::Paragraph& p : whole.text.paragraphs) {
                if (&p != &whole.text.paragraphs.front()) expected += "\r\n";
                expected += QString::fromStdU16String(p.plainText()).replace(QChar(0x2028), "\r\n");
            }
            app::TextFileWriting text(document, dir.filePath("t.txt"));
            QVERIFY(text.ready());
            QCOMPARE(text.write(app::TextFileEncoding::Utf8), std::string());
            QCOMPARE(QString::fromUtf8(readBytes(dir.filePath("t.txt"))), expected);
        }
    }

    // Asked once; No writes nothing, Yes replaces; a failed write keeps the old file.
    void overwriteQuestionAndFailedSaves() {
        QTemporaryDir dir;
        fill(window_->resultPane(), "Новый", " текст");
        writeBytes(dir.filePath("keep.rtf"), "old");
        const QString question = QStringLiteral("Файл \"keep.rtf\" на диске уже существует.\nПерезаписать его?");
        for (const char* answer : {"&No", "&Yes"}) {
            chooseFile(4, dir.filePath("keep.rtf"));
            MessageCatcher asked{QString::fromLatin1(answer)};
            window_->action(Command::Save)->trigger();
            QCOMPARE(asked.texts, QStringList{question});
            QCOMPARE(asked.icons, QList<QMessageBox::Icon>{QMessageBox::Question});
            QVERIFY(readBytes(dir.filePath("keep.rtf")).startsWith(answer[1] == 'Y' ? "{\\rtf1" : "old"));
        }

        writeBytes(dir.filePath("ro.txt"), "read-only");
        QVERIFY(chmod(QFile::encodeName(dir.filePath("ro.txt")).constData(), 0444) == 0);
        MessageCatcher failed{QStringLiteral("&Yes")};
        chooseFile(3, dir.filePath("ro.txt"));
        window_->action(Command::Save)->trigger();
        chooseFile(3, dir.filePath("gone/new.txt"));
        window_->action(Command::Save)->trigger();
        QCOMPARE(failed.texts, QStringList({"Файл \"ro.txt\" на диске уже существует.\nПерезаписать его?",
                                            "Произошла ошибка при сохранении информации в файл \"ro.txt\".",
                                            "Произошла ошибка при сохранении информации в файл \"new.txt\"."}));
        QCOMPARE(readBytes(dir.filePath("ro.txt")), QByteArray("read-only"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"keep.rtf", "ro.txt"}));
    }

    // What the window saves, it opens: an 11 MiB Russian text saved as RTF
    // (over three times its size, every letter an \'xx, 37 MB where 32 MiB
    // were the most a file could have) opens again. A file
    // with more text than the pane takes is refused saying so, with
    // lettrica-cli named for it.
    void savedFilesOpenAndTooLargeOnesSayWhy() {
        QTemporaryDir dir;
        const QByteArray cp1251Line = inCp1251(QStringLiteral("Съешь же ещё этих мягких французских булок, да выпей чаю.\r\n"));
        writeBytes(dir.filePath("big.txt"), cp1251Line.repeated((11 << 20) / cp1251Line.size()));
        {
            chooseFile(1, dir.filePath("big.txt"));
            MessageCatcher none;
            window_->action(Command::Open)->trigger();
            const QString text = window_->sourcePane()->toPlainText();
            QVERIFY(text.size() > (10 << 20));
            chooseFile(2, dir.filePath("big.rtf"));
            window_->action(Command::Save)->trigger();
            QVERIFY(QFileInfo(dir.filePath("big.rtf")).size() > (32 << 20));
            window_->sourcePane()->clear();
            chooseFile(2, dir.filePath("big.rtf"));
            window_->action(Command::Open)->trigger();
            QCOMPARE(none.texts, QStringList{});
            QVERIFY(window_->sourcePane()->toPlainText() == text);
        }

        const int before = window_->sourcePane()->document()->characterCount();
        // Counted before any of it goes in: refused at once, the pane untouched.
        writeBytes(dir.filePath("huge.txt"), QByteArray(2'000'000, '\n'));
        chooseFile(1, dir.filePath("huge.txt"));
        MessageCatcher refused;
        window_->action(Command::Open)->trigger();
        QCOMPARE(refused.texts, QStringList{QStringLiteral(
                                    "Файл \"huge.txt\" слишком велик для окна: в нём больше 2\u00A0000\u00A0000 абзацев.\n"
                                    "Такие файлы обрабатывает lettrica-cli, например: lettrica-cli to-latin -o результат huge.txt")});
        QCOMPARE(window_->sourcePane()->document()->characterCount(), before);
    }

    // "Отмена" while a large file opens (reading it, or laying it out once
    // shown) or a large text is pasted leaves the pane as it was, formatting
    // and all; uncancelled, both give the whole text.
    void cancelLeavesThePaneAsItWas() {
        QTemporaryDir dir;
        const QByteArray line = inCp1251(QStringLiteral("Съешь же ещё этих мягких булок.\r\n"));
        writeBytes(dir.filePath("big.txt"), line.repeated(40000));
        fill(window_->sourcePane(), "Жирный", " текст");
        QTextCursor caret(window_->sourcePane()->document());
        caret.setPosition(2);
        caret.setPosition(4, QTextCursor::KeepAnchor);  // "рн" selected
        window_->sourcePane()->setTextCursor(caret);
        const QString before = window_->sourcePane()->toHtml();
        app::setSliceMillis(0);  // a slice per pass of the event loop
        auto* progress = window_->runner()->progressWindow();
        MessageCatcher none;
        // The pane keeps its own document, which goes, off the window's
        // thread, only once a file has opened.
        QPointer<QTextDocument> kept = window_->sourcePane()->document();
        QThread* freedBy = nullptr;
        connect(kept, &QObject::destroyed, this, [&freedBy] { freedBy = QThread::currentThread(); },
                Qt::DirectConnection);
        for (int at : {5, 80}) {
            CancelPress cancel(progress, [progress, at] { return progress->percent() >= at; });
            chooseFile(1, dir.filePath("big.txt"));
            window_->action(Command::Open)->trigger();
            QVERIFY(cancel.pressed());
            QCoreApplication::processEvents();
            QCOMPARE(window_->sourcePane()->document(), kept.data());
            QCOMPARE(window_->sourcePane()->toHtml(), before);
            QVERIFY(!window_->runner()->isBusy() && !window_->sourcePane()->isReadOnly());
        }
        const QString pasted = QStringLiteral("Вставка 😀\n").repeated(40000);
        QGuiApplication::clipboard()->setText(pasted);
        for (int at : {5, 80}) {
            CancelPress cancel(progress, [progress, at] { return progress->percent() >= at; });
            window_->action(Command::PasteSource)->trigger();
            QVERIFY(cancel.pressed());
            QCOMPARE(window_->sourcePane()->toHtml(), before);
        }
        QCOMPARE(window_->sourcePane()->textCursor().selectedText(), QStringLiteral("рн"));

        window_->action(Command::PasteSource)->trigger();  // over the selection, in the typing format
        QCOMPARE(window_->sourcePane()->toPlainText(), QStringLiteral("Жи") + pasted + QStringLiteral("ый текст"));
        QVERIFY(formatOf(window_->sourcePane(), "Вставка").fontWeight() == QFont::Bold);
        window_->sourcePane()->undo();  // one step takes all of it back
        QCOMPARE(window_->sourcePane()->toHtml(), before);
        chooseFile(1, dir.filePath("big.txt"));
        window_->action(Command::Open)->trigger();
        QCOMPARE(window_->sourcePane()->toPlainText().size(), 40000 * (line.size() - 1));
        QTRY_VERIFY(kept.isNull());
        QVERIFY(freedBy && freedBy != QThread::currentThread());
        QCOMPARE(none.texts, QStringList{});
        QGuiApplication::clipboard()->clear();
        app::setSliceMillis(30);
    }

    // Memory running out while a file is read ends the open with a message
    // and the pane as it was, not with the program aborting.
    void openThatRunsOutOfMemory() {
        QTemporaryDir dir;
        writeBytes(dir.filePath("big.rtf"), "{\\rtf1 " + QByteArray(64 << 20, 'x') + "}");
        fill(window_->sourcePane(), "Жирный", " текст");
        chooseFile(2, dir.filePath("big.rtf"));
        MessageCatcher catcher;
        rlimit saved {};
        QVERIFY(getrlimit(RLIMIT_AS, &saved) == 0);
        long pages = 0;
        QFile statm(QStringLiteral("/proc/self/statm"));
        QVERIFY(statm.open(QIODevice::ReadOnly));
        pages = statm.readAll().split(' ').value(0).toLong();
        rlimit tight = saved;
        tight.rlim_cur = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (32 << 20);
        QVERIFY(setrlimit(RLIMIT_AS, &tight) == 0);
        window_->action(Command::Open)->trigger();
        QVERIFY(setrlimit(RLIMIT_AS, &saved) == 0);
        QCOMPARE(catcher.texts,
                 QStringList{QStringLiteral("Произошла ошибка при открытии файла \"big.rtf\".\nНе хватило памяти.")});
        QCOMPARE(window_->sourcePane()->toPlainText(), QStringLiteral("Жирный текст"));
    }

    // A file the user may write but does not own is saved in place, its
    // owner and inode kept, instead of failing to give a new file its owner.
    void saveOverAFileOfAnotherOwner() {
        if (::geteuid() != 0) QSKIP("needs root to act as another user");
        QTemporaryDir dir;
        QVERIFY(chmod(QFile::encodeName(dir.path()).constData(), 0777) == 0);
        const QByteArray shared = QFile::encodeName(dir.filePath("shared.rtf"));
        writeBytes(dir.filePath("shared.rtf"), "old");
        QVERIFY(chmod(shared.constData(), 0666) == 0);
        struct stat before {};
        QVERIFY(stat(shared.constData(), &before) == 0);
        fill(window_->resultPane(), "Общий", " файл");
        chooseFile(4, dir.filePath("shared.rtf"));
        MessageCatcher asked{QStringLiteral("&Yes")};
        QVERIFY(seteuid(65534) == 0);
        window_->action(Command::Save)->trigger();
        QVERIFY(seteuid(0) == 0);
        QCOMPARE(asked.texts, QStringList{"Файл \"shared.rtf\" на диске уже существует.\nПерезаписать его?"});
        QVERIFY(readBytes(dir.filePath("shared.rtf")).startsWith("{\\rtf1"));
        struct stat after {};
        QVERIFY(stat(shared.constData(), &after) == 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_uid, 0u);
    }

    // Each dialog offers the filter chosen last, also after a restart.
    void filtersChosenLastAreOfferedFirst() {
        QTemporaryDir dir;
        writeBytes(dir.filePath("a.txt"), "a");
        chooseFile(3, dir.filePath("a.txt"));
        window_->action(Command::Open)->trigger();
        chooseFile(1, dir.filePath("b.txt"));
        window_->action(Command::Save)->trigger();
        cleanupWithoutRemovingSettings();
        init();
        QStringList offered;
        for (Command command : {Command::Open, Command::Save}) {
            onNextModal([&offered](QWidget* w) {
                offered << static_cast<QFileDialog*>(w)->selectedNameFilter();
                static_cast<QFileDialog*>(w)->reject();
            });
            window_->action(command)->trigger();
        }
        QCOMPARE(offered, QStringList({app::fileFilterTexts()[2], app::fileFilterTexts()[0]}));
    }

    // What a pane takes from a file it gives back to one: every character's
    // format, every picture, every paragraph's alignment, indents, list and
    // table cell, and the tables, through QTextDocument both ways.
    void formatsSurviveThePaneBothWays() {
        for (const char* name : {"libreoffice.rtf", "wordpad.rtf", "word2007.rtf", "structured.rtf"}) {
            const QByteArray bytes = readBytes(QStringLiteral(LETTRICA_TEST_DATA "/rtf/") + name);
            const docio::RichDocument file = docio::readRtf(std::string_view(bytes.constData(), bytes.size())).document;
            QTextDocument pane;
            wholedoc::fill(pane, file);
            const docio::RichDocument back = app::richDocumentOf(pane);
            QCOMPARE(back.text.plainText(), file.text.plainText());
            QVERIFY2(back.tables == file.tables, name);
            QCOMPARE(back.images.size(), file.images.size());
            for (std::size_t i = 0; i < file.images.size(); ++i) {
                auto image = [](const docio::Image& p) {
                    return QImage::fromData(QByteArray(p.data.data(), static_cast<qsizetype>(p.data.size())))
                        .convertToFormat(QImage::Format_ARGB32);
                };
                QVERIFY2(!image(file.images[i]).isNull() && image(file.images[i]) == image(back.images[i]), name);
                QCOMPARE(back.images[i].width, file.images[i].width);
            }
            for (std::size_t i = 0; i < file.text.paragraphs.size(); ++i) {
                const auto &a = file.text.paragraphs[i], &b = back.text.paragraphs[i];
                const docio::ParagraphFormat &pa = docio::paragraphFormatAt(file, a.format),
                                             &pb = docio::paragraphFormatAt(back, b.format);
                QVERIFY2(pa.alignment == pb.alignment && pa.leftIndent == pb.leftIndent &&
                             pa.firstLineIndent == pb.firstLineIndent && pa.rightIndent == pb.rightIndent &&
                             pa.listStyle == pb.listStyle && pa.listLevel == pb.listLevel &&
                             pa.listStart == pb.listStart && pa.table == pb.table && pa.row == pb.row &&
                             pa.column == pb.column,
                         name);
                for (std::size_t j = 0; j < file.text.paragraphs.size(); ++j) {
                    const auto &fa = docio::paragraphFormatAt(file, file.text.paragraphs[j].format);
                    const auto &fb = docio::paragraphFormatAt(back, back.text.paragraphs[j].format);
                    if (pa.listStyle != docio::ListStyle::None && fa.listStyle != docio::ListStyle::None)
                        QVERIFY2((pa.listId == fa.listId) == (pb.listId == fb.listId), name);  // the same lists
                }
                auto characters = [](const docio::RichDocument& d, const text::Paragraph& p) {
                    std::vector<docio::CharFormat> out;
                    for (const text::Run& r : p.runs) {
                        // A picture is its image, compared above.
                        docio::CharFormat f = docio::charFormatAt(d, r.format);
                        if (f.image >= 0) f = pictureOnly(f.image);
                        for (std::size_t k = 0; k < r.text.size(); ++k) out.push_back(f);
                    }
                    return out;
                };
                std::vector<docio::CharFormat> ca = characters(file, a), cb = characters(back, b);
                for (std::size_t k = 0; k < ca.size(); ++k)
                    if (ca[k].fontName.empty()) ca[k].fontName = cb[k].fontName;  // the pane's default face
                QVERIFY2(ca == cb, qPrintable(QStringLiteral("%1 paragraph %2").arg(name).arg(i)));
            }
        }
    }

    // A long list is built in parts (Qt's lists are slow to grow), and a
    // numbered one keeps its numbers on the way back to a file.
    void longListsKeepTheirNumbers() {
        QByteArray rtf = "{\\rtf1{\\*\\listtable{\\list{\\listlevel\\levelnfc0\\levelstartat3}\\listid7}}"
                         "{\\*\\listoverridetable{\\listoverride\\listid7\\ls1}}";
        for (int i = 0; i < 1200; ++i) rtf += "\\pard\\ls1 x\\par";
        const docio::RichDocument file = docio::readRtf(std::string_view(rtf.constData(), rtf.size() + 0)).document;
        QTextDocument pane;
        wholedoc::fill(pane, file);
        const docio::RichDocument back = app::richDocumentOf(pane);
        int lastStart = 0, items = 0;
        for (const text::Paragraph& p : back.text.paragraphs) {
            const docio::ParagraphFormat& f = docio::paragraphFormatAt(back, p.format);
            QCOMPARE(f.listStyle, docio::ListStyle::Decimal);
            if (f.listStart != lastStart) QCOMPARE(f.listStart, 3 + items);  // a part starts where the last ended
            lastStart = f.listStart;
            ++items;
        }
        QCOMPARE(items, 1200);
    }

private:
    void cleanupWithoutRemovingSettings() {
        window_->close();
        delete window_;
        window_ = nullptr;
    }

    QTemporaryDir home_;
    MainWindow* window_ = nullptr;
};

QTEST_MAIN(FileCommandsTest)
#include "file_commands_test.moc"
