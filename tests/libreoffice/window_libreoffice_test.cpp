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
#include <cstdlib>

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

}  // namespace

TEST(WindowAndLibreOffice, OpenShowsItsFormatsAndSaveGivesThemBack) {
    QTemporaryDir home, work;
    qputenv("LETTRICA_HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    MainWindow window;
    window.show();
    QTextEdit* pane = window.sourcePane();

    chooseFile(2, QStringLiteral(LETTRICA_TEST_DATA "/rtf/libreoffice.rtf"));
    window.action(Command::Open)->trigger();
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
    window.action(Command::Save)->trigger();
    const QString out = work.filePath("out");
    const std::string command = "soffice -env:UserInstallation=file://" + work.filePath("profile").toStdString() +
                                " --headless --convert-to rtf --outdir " + out.toStdString() + " " + ours.toStdString() +
                                " > " + work.filePath("soffice.log").toStdString() + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0)
        << "soffice failed (Debian libreoffice-writer-nogui; tools/deps.sh installs it):\n"
        << richtest::readFile(work.filePath("soffice.log").toStdString());
    const lettrica::docio::RtfReadResult read = lettrica::docio::readRtf(richtest::readFile((out + "/ours.rtf").toStdString()));
    ASSERT_TRUE(read.ok());
    richtest::expectFormattedDocument(read.document);
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
