// Times F3 on a large formatted source pane: from the key to a filled result
// document, and until the pane is laid out and shown. Also how quickly
// "Отмена" is answered. Run offscreen or under Xvfb, by the Anglo-American
// table or the system named (its command-line name):
//   QT_QPA_PLATFORM=offscreen desktop_bench [megabytes [system]]
// Big texts through the window, each in a process of its own (the peak
// memory is the process's):
//   desktop_bench --make-text MEGABYTES FILE [utf8]   a Russian TXT file
//   desktop_bench --open FILE [WxH]   Open, then scrolling, typing at the
//                                     end, F3, F2, F4, F5 (each with the idle
//                                     time after it), Save as TXT and as RTF
//   desktop_bench --paste FILE [WxH]  the same after the file's text is
//                                     pasted with Alt+V instead
// Each step gives its time, the longest time without handling events and the
// peak memory against the text's size in UTF-8; DESKTOP_BENCH_GAPS=1 also
// lists every gap over 50 ms.

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTextBlock>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>
#include <ctime>
#include <unistd.h>

#include "app/conversion/long_command_runner.h"
#include "app/files/file_commands.h"
#include "app/conversion/progress_window.h"
#include "app/conversion/system_choice.h"
#include "app/document/document_reader.h"
#include "app/main_window.h"
#include "app/memory_policy.h"
#include "app/window/default_attributes.h"
#include "convert/document_conversion.h"
#include "support/file_dialog.h"
#include "support/pane_choice.h"
#include "support/whole_documents.h"
#include "text/cp1251.h"
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

// The window thread's processor time in milliseconds.
qint64 threadMillis() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

// The longest time between two passes of the event loop while it runs: a
// zero timer ticks at every pass. Also the longest processor time the
// window's thread spent between two passes, which other work on a busy
// machine does not stretch.
class EventGaps {
public:
    EventGaps() {
        since_.start();
        cpuStart_ = cpuSince_ = threadMillis();
        QObject::connect(&tick_, &QTimer::timeout, [this] {
            const qint64 gap = since_.elapsed(), cpu = threadMillis() - cpuSince_;
            // Each long gap with the moment it ended, to be matched with a
            // profile taken by `perf record -k CLOCK_MONOTONIC`.
            if (gap >= 50 && qEnvironmentVariableIsSet("DESKTOP_BENCH_GAPS")) {
                timespec now{};
                clock_gettime(CLOCK_MONOTONIC, &now);
                std::printf("    gap %lld ms (%lld ms on the processor) ending at %ld.%03ld\n",
                            static_cast<long long>(gap), static_cast<long long>(cpu), now.tv_sec,
                            now.tv_nsec / 1000000);
            }
            longest_ = std::max(longest_, gap);
            longestCpu_ = std::max(longestCpu_, cpu);
            since_.start();
            cpuSince_ = threadMillis();
        });
        tick_.start(0);
    }
    qint64 longest() {
        longest_ = std::max(longest_, since_.elapsed());
        return longest_;
    }
    // The window thread's processor time since the step began.
    qint64 busy() const { return threadMillis() - cpuStart_; }
    qint64 longestCpu() {
        longestCpu_ = std::max(longestCpu_, threadMillis() - cpuSince_);
        return longestCpu_;
    }

private:
    QTimer tick_;
    QElapsedTimer since_;
    qint64 cpuStart_ = 0, cpuSince_ = 0;
    qint64 longest_ = 0, longestCpu_ = 0;
};

long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

long residentMegabytes() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE) / (1024 * 1024);
}

double utf8Megabytes = 1;

// `gaps` null: nothing to say of them.
void report(const char* step, qint64 ms, EventGaps* gaps) {
    const long peak = peakMegabytes(), now = residentMegabytes();
    const qint64 gap = gaps ? gaps->longest() : 0, cpu = gaps ? gaps->longestCpu() : 0;
    const qint64 busy = gaps ? gaps->busy() : 0;
    std::printf("  %-32s %7lld ms (processor %6lld ms), longest without events %5lld ms (processor %4lld ms), "
                "peak memory %5ld MB (%.1fx the text in UTF-8), now %ld MB (%.1fx)\n",
                step, static_cast<long long>(ms), static_cast<long long>(busy), static_cast<long long>(gap),
                static_cast<long long>(cpu), peak, peak / utf8Megabytes, now, now / utf8Megabytes);
    std::fflush(stdout);
}

// Lets the pane's layout run in idle time until its last paragraph has
// lines (a document put into the pane is laid out from its start), and a
// second more for what else waits for idle time; reports how long the
// layout took and the longest gap meanwhile. The layout's documentSize()
// would lay out all at once.
void settle(QTextEdit* pane, const char* step) {
    EventGaps gaps;
    QElapsedTimer total;
    total.start();
    qint64 laidOut = -1;
    while (total.elapsed() < 600000 && (laidOut < 0 || total.elapsed() < laidOut + 1000)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        // The bench runs outside the application's event loop, where a
        // deleteLater() would wait forever; the window's own loop frees a
        // replaced document as soon as the command returns.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (laidOut < 0 && pane->document()->lastBlock().layout()->lineCount() > 0) laidOut = total.elapsed();
    }
    report(step, laidOut, &gaps);
}

// Russian words, a paragraph every 12 to 70 words, every line a paragraph.
int makeText(double megabytes, const QString& path, bool utf8) {
    const QStringList words = QString::fromUtf8(
        "Съешь же ещё этих мягких французских булок, да выпей чаю. Широкая электрификация южных губерний "
        "даст мощный толчок подъёму сельского хозяйства. ВНИМАНИЕ: Lettrica 2026!").split(' ');
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return 1;
    QByteArray out;
    const qint64 bytes = static_cast<qint64>(megabytes * 1024 * 1024);
    qint64 written = 0;
    qint64 inParagraph = 0, length = 12;
    for (qint64 i = 0; written < bytes; ++i) {
        QString piece = words[i % words.size()];
        if (++inParagraph == length) {
            piece += QStringLiteral("\r\n");
            inParagraph = 0;
            length = 12 + (i * 7919) % 59;
        } else {
            piece += QLatin1Char(' ');
        }
        const std::u16string u(reinterpret_cast<const char16_t*>(piece.utf16()), static_cast<std::size_t>(piece.size()));
        out += utf8 ? piece.toUtf8() : QByteArray::fromStdString(lettrica::text::encodeCp1251(u).bytes);
        if (out.size() > (1 << 20)) {
            written += file.write(out);
            out.clear();
        }
    }
    file.write(out);
    return 0;
}

// The text of a file as the pane holds it.
QString fileText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError()) {
        const std::u16string u = lettrica::text::decodeCp1251(std::string_view(bytes.constData(), bytes.size()));
        text = QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
    }
    return text;
}

// The size of the file's text in UTF-8, read a piece at a time so that the
// bench itself adds nothing to the peak it measures.
qint64 utf8Size(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    QStringDecoder utf8(QStringDecoder::Utf8);
    qint64 cp1251 = 0;
    bool valid = true;
    while (!file.atEnd()) {
        const QByteArray piece = file.read(1 << 20);
        if (valid) const QString decoded = utf8(piece);
        valid = valid && !utf8.hasError();
        const std::u16string u = lettrica::text::decodeCp1251(std::string_view(piece.constData(), piece.size()));
        cp1251 += QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size())).toUtf8().size();
    }
    return valid ? file.size() : cp1251;
}

int bigText(bool paste, const QString& path, QSize size) {
    MainWindow window;
    if (size.isValid()) window.resize(size);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    QTextEdit* source = window.sourcePane();
    utf8Megabytes = std::max(0.001, utf8Size(path) / 1e6);
    std::printf("%s %s (%.1f MB on disk, %.1f MB in UTF-8), window %dx%d:\n", paste ? "paste" : "open",
                qPrintable(QFileInfo(path).fileName()), QFileInfo(path).size() / 1e6, utf8Megabytes, window.width(),
                window.height());
    QElapsedTimer clock;
    if (paste) {
        QGuiApplication::clipboard()->setText(fileText(path));
        report("text in the clipboard", 0, nullptr);
        EventGaps gaps;
        clock.start();
        window.action(Command::PasteSource)->trigger();
        report("Alt+V to filled pane", clock.elapsed(), &gaps);
        QGuiApplication::clipboard()->clear();
    } else {
        auto* files = window.findChild<lettrica::app::FileCommands*>(QStringLiteral("FileCommands"));
        EventGaps gaps;
        clock.start();
        lettrica::app::applyDefaultAttributes(source);
        if (!files->loadFile(source, path)) return 1;
        report("Open to filled pane", clock.elapsed(), &gaps);
    }
    settle(source, "idle layout of the pane");
    if (qEnvironmentVariableIsSet("PROBE")) {
        QElapsedTimer t; t.start();
        QTextBlock mid = source->document()->findBlock(source->document()->characterCount() / 2);
        source->document()->documentLayout()->blockBoundingRect(mid);
        std::printf("probe: half %lld ms, max %d\n", (long long)t.restart(), source->verticalScrollBar()->maximum());
        source->document()->documentLayout()->blockBoundingRect(source->document()->lastBlock());
        std::printf("probe: all %lld ms, max %d\n", (long long)t.restart(), source->verticalScrollBar()->maximum());
        QCoreApplication::processEvents();
        std::printf("probe: max %d\n", source->verticalScrollBar()->maximum());
    }
    std::printf("  %lld characters, %d paragraphs, %d pixels high\n",
                static_cast<long long>(source->document()->characterCount()), source->document()->blockCount(),
                source->verticalScrollBar()->maximum() + source->viewport()->height());
    {
        EventGaps gaps;
        clock.start();
        QScrollBar* bar = source->verticalScrollBar();
        for (int i = 1; i <= 10; ++i) {
            bar->setValue(static_cast<int>(static_cast<qint64>(bar->maximum()) * i / 10));
            source->viewport()->repaint();
            QCoreApplication::processEvents();
        }
        report("scroll to 10 places and paint", clock.elapsed(), &gaps);
    }
    {
        source->setFocus();
        source->moveCursor(QTextCursor::End);
        EventGaps gaps;
        clock.start();
        for (char c : std::string("abcdef ghijk")) {
            QTest::keyClick(source, c);
            source->viewport()->repaint();
            QCoreApplication::processEvents();
        }
        report("type 12 characters at the end", clock.elapsed(), &gaps);
    }
    // F3 and F2 into the result; then both panes in place (the dialog's
    // choice): capitals, then Windows-1251 to KOI8-R.
    for (auto [command, choice, name] : {std::tuple{Command::ToLatin, -1, "F3 to shown result"},
                                         {Command::ToCyrillic, -1, "F2 to shown result"},
                                         {Command::ChangeCase, 0, "F4 on both panes"},
                                         {Command::Recode, 1, "F5 on both panes"}}) {
        if (choice >= 0) answerDialog([choice](PaneChoiceDialog* d) { setChoice(d, choice, true, true); });
        EventGaps gaps;
        clock.start();
        window.action(command)->trigger();
        window.resultPane()->viewport()->repaint();
        report(name, clock.elapsed(), &gaps);
        // Replaced documents are freed and the new ones laid out meanwhile.
        settle(window.resultPane(), "  then idle time");
    }
    {
        QTemporaryDir out;
        const QString saved = out.filePath("saved.txt");
        chooseFile(3, saved);  // the result pane as TXT
        EventGaps gaps;
        clock.start();
        window.action(Command::Save)->trigger();
        report("Save of the result as TXT", clock.elapsed(), &gaps);
        if (!QFileInfo::exists(saved)) std::printf("  (nothing was saved)\n");
        chooseFile(2, out.filePath("saved.rtf"));  // the source pane as RTF
        clock.start();
        EventGaps rtfGaps;
        window.action(Command::Save)->trigger();
        report("Save of the source as RTF", clock.elapsed(), &rtfGaps);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    lettrica::app::keepBigBuffersMapped();  // as the window's own main does
    // A settings directory of its own, so the run leaves no trace.
    QTemporaryDir home;
    qputenv("LETTRICA_HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    QApplication app(argc, argv);
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--make-text" && argc > 3)
        return makeText(std::atof(argv[2]), QString::fromLocal8Bit(argv[3]), argc > 4 && QByteArray(argv[4]) == "utf8");
    if ((mode == "--open" || mode == "--paste") && argc > 2) {
        // The window's size as WIDTHxHEIGHT; its own size at start when not given.
        const QList<QByteArray> size = QByteArray(argc > 3 ? argv[3] : "").split('x');
        return bigText(mode == "--paste", QString::fromLocal8Bit(argv[2]),
                       size.size() == 2 ? QSize(size[0].toInt(), size[1].toInt()) : QSize());
    }
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
