// The progress window offscreen: the percentage readable over the fill and
// beside it at every value, a title bar asked without buttons, a glyph on
// "Отмена" without an icon theme, and the keyboard's way to cancel.

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "app/conversion/progress_window.h"
#include "support/captions_fit.h"

using lettrica::app::ProgressWindow;

namespace {

double luminance(QRgb c) {
    auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

double contrast(QRgb a, QRgb b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace

class ProgressWindowTest : public QObject {
    Q_OBJECT
private slots:
    // Every pixel the text changes, against what lies under it: more than a
    // third of them (the rest are smoothed edges) stand out at least 3 : 1,
    // whether the fill is under them or not. Black on navy gives none.
    void percentageReadsAtEveryValue() {
        ProgressWindow window;
        window.start(1000);
        auto* gauge = window.findChild<QProgressBar*>("Gauge1");
        for (int value = 0; value <= 1000; value += 10) {
            window.setProgress(value);
            const QImage with = gauge->grab().toImage();
            gauge->setTextVisible(false);
            const QImage without = gauge->grab().toImage();
            gauge->setTextVisible(true);
            int text = 0, readable = 0;
            for (int y = 0; y < with.height(); ++y) {
                for (int x = 0; x < with.width(); ++x) {
                    const QRgb a = with.pixel(x, y), b = without.pixel(x, y);
                    if (a == b) continue;
                    ++text;
                    if (contrast(a, b) >= 3.0) ++readable;
                }
            }
            QVERIFY2(text > 20, qPrintable(QString::number(value)));
            QVERIFY2(readable * 3 > text, qPrintable(QStringLiteral("%1%: %2 of %3 text pixels readable")
                                                         .arg(value / 10).arg(readable).arg(text)));
        }
        QCOMPARE(gauge->text(), QStringLiteral("100%"));
    }

    void titleBarWithoutButtons() {
        ProgressWindow window;
        const Qt::WindowFlags flags = window.windowFlags();
        QVERIFY(flags & Qt::CustomizeWindowHint);
        QVERIFY(flags & Qt::WindowTitleHint);
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint |
                           Qt::WindowSystemMenuHint | Qt::WindowContextHelpButtonHint)));
        QCOMPARE(window.windowTitle(), QStringLiteral("Перевод..."));
        QCOMPARE(window.size(), QSize(272, 101));
        checkCaptionsFit(&window);
    }

    void cancelCarriesAGlyph() {
        QIcon::setThemeName(QString());  // as on a desktop without an icon theme
        ProgressWindow window;
        auto* cancel = window.findChild<QPushButton*>("BitBtn1");
        QCOMPARE(cancel->text(), QStringLiteral("Отмена"));
        const QImage glyph = cancel->icon().pixmap(16, 16).toImage();
        int inked = 0;
        for (int y = 0; y < glyph.height(); ++y)
            for (int x = 0; x < glyph.width(); ++x) inked += qAlpha(glyph.pixel(x, y)) > 128;
        QVERIFY2(inked > 10, qPrintable(QString::number(inked)));
    }

    // Esc, and the window manager's close where it offers one, are "Отмена":
    // the run must stop, not go on without its window.
    void escapeAndCloseCancel() {
        ProgressWindow window;
        QSignalSpy cancels(&window, &ProgressWindow::cancelRequested);
        window.start(10);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::keyClick(&window, Qt::Key_Escape);
        QCOMPARE(cancels.size(), 1);
        QVERIFY(!window.isVisible());
        window.start(10);
        window.close();
        QCOMPARE(cancels.size(), 2);
        QVERIFY(!window.isVisible());
    }

    // A window manager gives the keyboard to the progress window some time
    // after it is shown; a quick run has closed it by then. The keyboard must
    // go on to the window the command came from, not stay with a window
    // nobody sees (every key of the main window was dead after F3).
    void keyboardArrivingLateGoesToTheOwner() {
        QLineEdit owner;
        owner.setObjectName("Owner");
        owner.show();
        QApplication::setActiveWindow(&owner);
        QVERIFY(QTest::qWaitForWindowActive(&owner));
        auto* window = new ProgressWindow(&owner);
        window->start(10);
        window->finish();
        QApplication::setActiveWindow(window);  // the late activation
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&owner));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(&owner));
    }
};

QTEST_MAIN(ProgressWindowTest)
#include "progress_window_test.moc"
