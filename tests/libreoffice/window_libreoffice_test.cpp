// The window against LibreOffice: Ctrl+O of LibreOffice's RTF of our
// document (tests/data/rtf/libreoffice.rtf, made from formatted.fodt) shows
// its text and formats in the pane, and Ctrl+S of that pane as RTF gives a
// file LibreOffice opens with the same text and formats (it saves it again
// as RTF, which the engine reads). The real window runs offscreen; soffice
// starts once, headless, with a profile of its own.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>
#include <QTextTable>
#include <QFileInfo>
#include <QImage>
#include <QStatusBar>
#include <cstdlib>
#include <memory>

#include "app/files/file_commands.h"
#include "app/main_window.h"
#include "docio/rtf_builder.h"
#include "rich_document_util.h"
#include "support/file_dialog.h"

using lettrica::app::Command;
using lettrica::app::MainWindow;

namespace {

QTextCursor find(QTextEdit* pane, const char* word) {
    QTextCursor c = pane->document()->find(QString::fromUtf8(word));
    EXPECT_FALSE(c.isNull()) << word;
    return c;
}
QTextCharFormat charOf(QTextEdit* pane, const char* word) { return find(pane, word).charFormat(); }
QString colourOf(QTextEdit* pane, const char* word) { return charOf(pane, word).foreground().color().name(); }

// The real window in a settings directory of its own, and LibreOffice
// with a profile of its own to open what it saves.
class WindowAndLibreOffice : public ::testing::Test {
protected:
    WindowAndLibreOffice() {
        qputenv("LETTRICA_HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
        window = std::make_unique<MainWindow>();
        window->show();
    }

    // LibreOffice's file in `format` of `file`, as its bytes.
    std::string soffice(const char* format, const QString& file, const char* extension) const {
        const std::string command = "soffice -env:UserInstallation=file://" + work.filePath("profile").toStdString() +
                                    " --headless --convert-to " + format + " --outdir " +
                                    work.filePath("out").toStdString() + " " + file.toStdString() + " > " +
                                    work.filePath("soffice.log").toStdString() + " 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0)
            << "soffice failed (Debian libreoffice-writer-nogui; tools/deps.sh installs it):\n"
            << richtest::readFile(work.filePath("soffice.log").toStdString());
        return richtest::readFile(work.filePath("out/" + QFileInfo(file).completeBaseName() + extension).toStdString());
    }

    QTemporaryDir home, work;
    std::unique_ptr<MainWindow> window;
};

}  // namespace

TEST_F(WindowAndLibreOffice, OpenShowsItsFormatsAndSaveGivesThemBack) {
    QTextEdit* pane = window->sourcePane();
    chooseFile(2, QStringLiteral(LETTRICA_TEST_DATA "/rtf/libreoffice.rtf"));
    window->action(Command::Open)->trigger();
    EXPECT_EQ(pane->document()->blockCount(), 12);
    EXPECT_EQ(charOf(pane, "Обычный").fontFamilies().toStringList().value(0), "Liberation Serif");
    EXPECT_EQ(charOf(pane, "Обычный").fontPointSize(), 12);
    EXPECT_EQ(charOf(pane, "жирный").fontWeight(), QFont::Bold);
    EXPECT_TRUE(charOf(pane, "курсив").fontItalic());
    EXPECT_TRUE(charOf(pane, "подчёркнутый").fontUnderline());
    EXPECT_EQ(colourOf(pane, "Красный"), "#c9211e");
    EXPECT_EQ(colourOf(pane, "синий"), "#2a6099");
    EXPECT_EQ(charOf(pane, "крупно").fontPointSize(), 20);
    EXPECT_EQ(charOf(pane, "мелко").fontPointSize(), 8);
    EXPECT_EQ(charOf(pane, "моноширинный").fontFamilies().toStringList().value(0), "Courier New");
    EXPECT_TRUE(charOf(pane, "Ёлка").fontItalic());
    EXPECT_TRUE(charOf(pane, "сильный").fontWeight() == QFont::Bold);
    EXPECT_TRUE(find(pane, "По центру").blockFormat().alignment() & Qt::AlignHCenter);
    EXPECT_TRUE(find(pane, "Справа").blockFormat().alignment() & Qt::AlignRight);
    EXPECT_TRUE(find(pane, "По ширине").blockFormat().alignment() & Qt::AlignJustify);
    QTextList* bullets = find(pane, "Первый").block().textList();
    QTextList* numbers = find(pane, "Раз").block().textList();
    ASSERT_TRUE(bullets && numbers);
    EXPECT_EQ(bullets->format().style(), QTextListFormat::ListDisc);
    EXPECT_EQ(numbers->format().style(), QTextListFormat::ListDecimal);
    EXPECT_EQ(find(pane, "Второй").block().textList(), bullets);
    EXPECT_EQ(find(pane, "Два").block().textList(), numbers);
    EXPECT_FALSE(find(pane, "Вне 1251: Äpfel, 中文, 😀, ∑, «ёлки» — №5 € ™").isNull());

    const QString ours = work.filePath("ours.rtf");
    chooseFile(2, ours);
    window->action(Command::Save)->trigger();
    const lettrica::docio::RtfReadResult read = lettrica::docio::readRtf(soffice("rtf", ours, ".rtf"));
    ASSERT_TRUE(read.ok());
    richtest::expectFormattedDocument(read.document);
}

namespace {

// The tables of a document, outer ones first, each with the table it sits in.
QList<std::pair<QTextTable*, QTextTable*>> tablesOf(QTextFrame* frame, QTextTable* outer = nullptr) {
    QList<std::pair<QTextTable*, QTextTable*>> found;
    for (QTextFrame* child : frame->childFrames()) {
        auto* table = qobject_cast<QTextTable*>(child);
        if (table) found.append(std::make_pair(table, outer));
        found += tablesOf(child, table ? table : outer);
    }
    return found;
}

}  // namespace

// Ctrl+O of LibreOffice's RTF of a document with a footnote, a comment, a
// list that starts again at 5, tables (a span each way, shading, a table in
// a cell) and a picture: the pane shows tables as tables and the picture,
// the notes come after the text, and the status bar says what moved or
// stayed out. Ctrl+S gives a file that LibreOffice numbers 1, 5, 6, and
// Ctrl+O of it gives the pane the same tables and text again.
TEST_F(WindowAndLibreOffice, TablesNotesPicturesAndNumberingThatStartsAgain) {
    QTextEdit* pane = window->sourcePane();
    chooseFile(2, QStringLiteral(LETTRICA_TEST_DATA "/rtf/structured.rtf"));
    window->action(Command::Open)->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(window->statusBar()->currentMessage(),
              QStringLiteral("В файле \"structured.rtf\" сноски и примечания (2) перенесены в конец текста; "
                             "колонтитулы не показаны."));

    const auto tables = tablesOf(pane->document()->rootFrame());
    ASSERT_EQ(tables.size(), 3);
    QTextTable* spans = tables[1].first;
    EXPECT_EQ(tables[2].second, spans);  // the table in a cell
    EXPECT_EQ(std::make_pair(spans->rows(), spans->columns()), std::make_pair(2, 3));
    EXPECT_EQ(spans->cellAt(0, 0).columnSpan(), 2);
    EXPECT_EQ(spans->cellAt(0, 2).rowSpan(), 2);
    EXPECT_EQ(spans->cellAt(0, 0).format().background().color().name(), "#ffff00");
    EXPECT_EQ(spans->cellAt(1, 1).firstCursorPosition().block().text(), "");  // the block Qt keeps before a table
    EXPECT_EQ(find(pane, "в2").block().text(), "в2");
    const QTextCursor picture = find(pane, QString(QChar(0xFFFC)).toUtf8().constData());
    const QVariant image = pane->document()->resource(QTextDocument::ImageResource,
                                                      QUrl(picture.charFormat().toImageFormat().name()));
    EXPECT_EQ(image.value<QImage>().size(), QSize(8, 4));
    EXPECT_EQ(pane->document()->lastBlock().text(), "2 Ivan Petrov: Текст примечания");

    const QString ours = work.filePath("ours.rtf");
    chooseFile(2, ours);
    window->action(Command::Save)->trigger();
    const std::string shown = soffice("'txt:Text (encoded):UTF8'", ours, ".txt");
    for (const char* line : {"    1. Первый\n", "    5. Пятый\n", "    6. Шестой\n", "Ячейка Б2\n", "1 Текст сноски\n"})
        EXPECT_NE(shown.find(line), std::string::npos) << line << " in:\n" << shown;

    chooseFile(4, ours);
    window->action(Command::Open)->trigger();
    const auto again = tablesOf(window->resultPane()->document()->rootFrame());
    ASSERT_EQ(again.size(), 3);
    EXPECT_EQ(again[2].second, again[1].first);
    EXPECT_EQ(again[1].first->cellAt(0, 2).rowSpan(), 2);
    EXPECT_EQ(window->resultPane()->toPlainText(), pane->toPlainText());
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
