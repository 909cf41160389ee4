// Times F3 on a large formatted source pane: from the key to a filled result
// document, and until the pane is laid out and shown. Also how quickly
// "Отмена" is answered. Run offscreen or under Xvfb, by the Anglo-American
// table or the system named (its command-line name):
//   QT_QPA_PLATFORM=offscreen desktop_bench [megabytes [system]]

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <cstdio>

#include "app/conversion/long_command_runner.h"
#include "app/conversion/progress_window.h"
#include "app/conversion/system_choice.h"
#include "app/document/document_reader.h"
#include "app/main_window.h"
#include "convert/document_conversion.h"
#include "support/whole_documents.h"
#include "translit/registry.h"
#include "translit/word_list_file.h"

using lettrica::app::Command;
using lettrica::app::MainWindow;

namespace {

void fillSource(QTextEdit* pane, qint64 bytes) {
    const QStringList words = QString::fromUtf8(
        "Съешь же ещё этих мягких французских булок, да выпей чаю. Широкая электрификация южных губерний "
        "даст мощный толчок подъёму сельского хозяйства. ВНИМАНИЕ: Lettrica 2026!").split(' ');
    QTextDocument* doc = pane->document();
    doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    QTextCharFormat plain, bold, red;
    bold.setFontWeight(QFont::Bold);
    red.setForeground(Qt::red);
    qint64 written = 0;
    int i = 0;
    QString line;
    while (written < bytes) {
        const QString& w = words[i % words.size()];
        const QTextCharFormat& f = i % 17 == 0 ? bold : i % 23 == 0 ? red : plain;
        cursor.insertText(w, f);
        cursor.insertText(QStringLiteral(" "), plain);
        written += w.size() + 1;
        if (++i % 12 == 0) cursor.insertBlock();
    }
}

}  // namespace

int main(int argc, char** argv) {
    // A settings directory of its own, so the run leaves no trace.
    QTemporaryDir home;
    qputenv("LETTRICA_HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    QApplication app(argc, argv);
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 5.0;
    const lettrica::translit::SystemInfo* system = lettrica::translit::findSystem(argc > 2 ? argv[2] : "anglo");
    if (!system || system->userTables) {
        std::fprintf(stderr, "desktop_bench: no such system\n");
        return 2;
    }
    MainWindow window;
    window.systemChoice()->choose(*system);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    fillSource(window.sourcePane(), static_cast<qint64>(megabytes * 1e6));
    {
        // The source pane is laid out in idle time after it is filled; let
        // that end, as it has once the user looks at the text, so that F3 is
        // timed without it: until the layout has not grown for half a second.
        QAbstractTextDocumentLayout* layout = window.sourcePane()->document()->documentLayout();
        QElapsedTimer settled, total;
        settled.start();
        total.start();
        QSizeF size = layout->documentSize();
        while (settled.elapsed() < 500 && total.elapsed() < 60000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (layout->documentSize() != size) {
                size = layout->documentSize();
                settled.start();
            }
        }
        std::printf("source pane laid out in %lld ms\n", static_cast<long long>(total.elapsed() - 500));
    }
    const qint64 chars = window.sourcePane()->document()->characterCount();

    QElapsedTimer clock;
    {
        // The stages alone, without the window.
        clock.start();
        auto snapshot = lettrica::app::snapshotDocument(*window.sourcePane()->document());
        const qint64 snap = clock.restart();
        auto converted = lettrica::translit::convertDocument(snapshot.text, *lettrica::translit::toLatinConverter(*system));
        const qint64 conv = clock.restart();
        auto* scratch = new QTextDocument;
        wholedoc::build(*scratch, converted, snapshot.formats);
        const qint64 build = clock.restart();
        delete scratch;
        const qint64 free = clock.restart();
        std::printf("stages: snapshot %lld ms, engine %lld ms, build %lld ms, freeing the document %lld ms\n",
                    static_cast<long long>(snap), static_cast<long long>(conv), static_cast<long long>(build),
                    static_cast<long long>(free));
    }
    clock.start();
    window.action(Command::ToLatin)->trigger();
    const qint64 filled = clock.elapsed();
    // Until the visible part of the result is laid out and painted (the rest
    // of a long document is laid out as the user scrolls or in idle time).
    QCoreApplication::processEvents();
    window.resultPane()->viewport()->repaint();
    QCoreApplication::processEvents();
    const qint64 shown = clock.elapsed();
    std::printf("desktop F3 by %s on %.1f MB (%lld characters, bold and red words):\n", system->name.c_str(),
                megabytes, static_cast<long long>(chars));
    std::printf("  key to filled result document: %lld ms\n", static_cast<long long>(filled));
    std::printf("  key to result shown:            %lld ms\n", static_cast<long long>(shown));

    // How long the window goes without handling events during F3: the
    // longest wait a click on "Отмена" (or anything else) can meet. A zero
    // timer ticks at every pass of the event loop; the last gap runs to the
    // end of the command, the result handed to the pane.
    {
        QElapsedTimer since;
        qint64 longest = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            if (since.isValid()) longest = std::max(longest, since.elapsed());
            since.start();
        });
        tick.start(0);
        window.action(Command::ToLatin)->trigger();
        longest = std::max(longest, since.elapsed());
        tick.stop();
        std::printf("  longest time without handling events during F3: %lld ms\n", static_cast<long long>(longest));
    }

    // Cancel: press "Отмена" when the bar reaches a point, and measure until
    // the message shows (closed at once) and until the run has ended with
    // the converted beginning and the untouched rest in the pane.
    for (int at : {1, 10, 50, 90, 99}) {
        QElapsedTimer cancelClock;
        qint64 toMessage = -1;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* box = QApplication::activeModalWidget()) {
                if (toMessage < 0 && cancelClock.isValid()) toMessage = cancelClock.elapsed();
                box->close();
            } else if (!cancelClock.isValid() && window.runner()->progressWindow()->isVisible() &&
                       window.runner()->progressWindow()->percent() >= at) {
                cancelClock.start();
                window.runner()->progressWindow()->findChild<QPushButton*>("BitBtn1")->click();
            }
        });
        poll.start(0);
        window.action(Command::ToLatin)->trigger();
        poll.stop();
        std::printf("  \"Отмена\" at %2d%%: message after %lld ms, partial result shown after %lld ms\n", at,
                    static_cast<long long>(toMessage),
                    static_cast<long long>(cancelClock.isValid() ? cancelClock.elapsed() : -1));
    }

    // F2 over what F3 made: a lossy system reads every word back by the
    // word list.
    window.action(Command::ToLatin)->trigger();
    QTextDocument* latin = window.resultPane()->document()->clone(window.sourcePane());
    window.sourcePane()->setDocument(latin);
    {
        // Laid out before the key, as above.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        clock.start();
        auto snapshot = lettrica::app::snapshotDocument(*latin);
        const auto back = lettrica::translit::toCyrillicConverter(*system, lettrica::translit::findWordList());
        lettrica::translit::convertDocument(snapshot.text, *back);
        std::printf("F2 engine stage alone (snapshot and conversion): %lld ms\n",
                    static_cast<long long>(clock.elapsed()));
    }
    clock.start();
    window.action(Command::ToCyrillic)->trigger();
    std::printf("desktop F2 by %s over that result (%lld characters): %lld ms\n", system->name.c_str(),
                static_cast<long long>(latin->characterCount()), static_cast<long long>(clock.elapsed()));
    return 0;
}
