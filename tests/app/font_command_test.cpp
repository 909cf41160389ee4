// The font command (tool button " Шрифт...") with the real dialog
// offscreen: it opens on the face the text is drawn in, carries bold,
// italic, underline and colour both ways, and answers Enter and Esc as one
// dialog.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <functional>

#include "app/window/font_dialog.h"
#include "app/main_window.h"
#include "app/window/pane_focus.h"

#include "support/window_in_home.h"

using lettrica::app::FontDialog;
using lettrica::app::Command;
using lettrica::app::MainWindow;

namespace {

// Runs `act` on the font dialog once it is up; if it is still up after
// that, it is closed with "Отмена" so a fault cannot hang the test.
void withFontDialog(std::function<void(FontDialog*)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<FontDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        act(dialog);
        QTimer::singleShot(500, dialog, [dialog] {
            if (dialog->isVisible()) dialog->reject();
        });
    });
}

QTextCharFormat formatAt(QTextEdit* pane, int position) {
    QTextCursor c(pane->document());
    c.setPosition(position);
    return c.charFormat();
}

}  // namespace

class FontCommandTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        window_ = showWindowIn(home_);
        QVERIFY(window_);
        // "обычный " in the default attributes, then "жирный" bold and red.
        QTextEdit* source = window_->sourcePane();
        QTextCursor c = source->textCursor();
        c.insertText(QString::fromUtf8("обычный "));
        QTextCharFormat bold = c.charFormat();
        bold.setFontWeight(QFont::Bold);
        bold.setForeground(Qt::red);
        c.insertText(QString::fromUtf8("жирный"), bold);
        c.setPosition(8);
        c.setPosition(14, QTextCursor::KeepAnchor);
        source->setTextCursor(c);
        QCOMPARE(window_->findChild<lettrica::app::PaneFocus*>()->active(), source);
    }
    void cleanup() {
        delete window_;
        window_ = nullptr;
    }

    // "MS Sans Serif" is not installed: the dialog shows the face drawn in
    // its place, bold, and Enter (here in the size field) keeps all of it.
    void opensOnTheFaceInUseAndEnterKeepsIt() {
        QFont shown;
        withFontDialog([&](FontDialog* d) {
            shown = d->selectedFont();
            QCOMPARE(d->selectedColor(), QColor(Qt::red));
            auto* size = d->findChildren<QLineEdit*>().last();
            size->setFocus();
            QTest::keyClick(size, Qt::Key_Return);
            QVERIFY(!d->isVisible());
        });
        window_->action(Command::Font)->trigger();
        QCOMPARE(shown.family(), QFontInfo(QFont(QStringLiteral("MS Sans Serif"))).family());
        QVERIFY(shown.bold());
        QVERIFY(!shown.italic());
        QCOMPARE(shown.pointSize(), 10);
        const QTextCharFormat after = formatAt(window_->sourcePane(), 10);
        QCOMPARE(after.fontWeight(), int(QFont::Bold));
        QVERIFY(!after.fontItalic());
        QCOMPARE(after.foreground().color(), QColor(Qt::red));
        QCOMPARE(after.fontFamilies().toStringList(), QStringList{QStringLiteral("MS Sans Serif")});
        QCOMPARE(after.fontPointSize(), 10.0);
        // The plain word before it is as it was.
        QCOMPARE(formatAt(window_->sourcePane(), 3).fontWeight(), int(QFont::Normal));
    }

    // Italic, underline and a colour chosen in the dialog reach the text;
    // what the text had shows in the dialog the next time.
    void styleUnderlineAndColourGoBothWays() {
        withFontDialog([](FontDialog* d) {
            QFont f = d->selectedFont();
            f.setItalic(true);
            f.setStyleName(QString());
            f.setUnderline(true);
            d->chooser()->setCurrentFont(f);
            QTimer::singleShot(0, [] {
                auto* colors = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
                QVERIFY(colors);
                colors->setCurrentColor(QColor(0, 0, 255));
                colors->accept();
            });
            d->findChild<QPushButton*>("ColorButton")->click();
            d->accept();
        });
        window_->action(Command::Font)->trigger();
        const QTextCharFormat after = formatAt(window_->sourcePane(), 10);
        QVERIFY(after.fontItalic());
        QVERIFY(after.fontUnderline());
        QCOMPARE(after.fontWeight(), int(QFont::Bold));
        QCOMPARE(after.foreground().color(), QColor(0, 0, 255));

        QFont shown;
        QColor color;
        withFontDialog([&](FontDialog* d) {
            shown = d->selectedFont();
            color = d->selectedColor();
            d->reject();
        });
        window_->action(Command::Font)->trigger();
        QVERIFY(shown.bold() && shown.italic() && shown.underline());
        QCOMPARE(color, QColor(0, 0, 255));
    }

    // Esc in any part of it closes the whole dialog and changes nothing.
    void escapeAnywhereIsCancel() {
        const QTextCharFormat before = formatAt(window_->sourcePane(), 10);
        withFontDialog([](FontDialog* d) {
            QFont f = d->selectedFont();
            f.setUnderline(true);
            d->chooser()->setCurrentFont(f);
            auto* families = d->findChildren<QListView*>().first();
            families->setFocus();
            QTest::keyClick(families, Qt::Key_Escape);
            QVERIFY(!d->isVisible());
            QCOMPARE(d->result(), int(QDialog::Rejected));
        });
        window_->action(Command::Font)->trigger();
        QCOMPARE(formatAt(window_->sourcePane(), 10), before);
    }

private:
    QTemporaryDir home_;
    MainWindow* window_ = nullptr;
};

QTEST_MAIN(FontCommandTest)
#include "font_command_test.moc"
