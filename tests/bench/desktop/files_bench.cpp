// Times opening a large RTF written by LibreOffice into a pane and saving a
// large formatted pane as RTF, stage by stage, through the real window.
// Run offscreen or under Xvfb:
//   QT_QPA_PLATFORM=offscreen files_bench [megabytes]
//   QT_QPA_PLATFORM=offscreen files_bench --open FILE   (times Ctrl+O of any file)
// The document is the body of tests/data/rtf/libreoffice.rtf (LibreOffice's
// RTF of formatted.fodt) repeated to the size asked.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTextDocument>
#include <QTextEdit>
#include <cstdio>
#include <sys/resource.h>

#include "app/files/file_commands.h"
#include "app/files/pane_files.h"
#include "app/files/rich_document_adapter.h"
#include "support/whole_documents.h"
#include "app/main_window.h"
#include "app/window/default_attributes.h"
#include "docio/rtf_builder.h"
#include "docio/rtf_writer.h"

using namespace lettrica;

namespace {

QByteArray bigRtf(double megabytes) {
    QFile fixture(QStringLiteral(LETTRICA_TEST_DATA "/rtf/libreoffice.rtf"));
    if (!fixture.open(QIODevice::ReadOnly)) return {};
    const QByteArray whole = fixture.readAll();
    const qsizetype bodyStart = whole.indexOf("\\pard\\plain");
    const QByteArray body = whole.mid(bodyStart, whole.lastIndexOf('}') - bodyStart);
    QByteArray out = whole.left(bodyStart);
    while (out.size() < megabytes * 1e6) out += body;
    return out + "}";
}

long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void report(const char* what, qint64 ms) { std::printf("  %-44s %6lld ms\n", what, static_cast<long long>(ms)); }

int openOne(const QString& path) {
    app::MainWindow window;
    auto* files = window.findChild<app::FileCommands*>(QStringLiteral("FileCommands"));
    // A refused file shows the open error: answered at once.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    answer.start(10);
    QElapsedTimer clock;
    clock.start();
    lettrica::app::applyDefaultAttributes(window.sourcePane());
    const bool opened = files->loadFile(window.sourcePane(), path);
    std::printf("%s: %s in %lld ms, %lld characters, %d paragraphs; peak memory %ld MB\n", qPrintable(path),
                opened ? "opened" : "refused", static_cast<long long>(clock.elapsed()),
                static_cast<long long>(window.sourcePane()->document()->characterCount()),
                window.sourcePane()->document()->blockCount(), peakMegabytes());
    return opened ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("LETTRICA_HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    QApplication app(argc, argv);
    if (argc > 2 && QByteArray(argv[1]) == "--open") return openOne(QString::fromLocal8Bit(argv[2]));
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 5.0;
    const QByteArray rtf = bigRtf(megabytes);
    const QString path = home.filePath("big.rtf");
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(rtf) != rtf.size()) return 1;
    }
    app::MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    auto* files = window.findChild<app::FileCommands*>(QStringLiteral("FileCommands"));

    QElapsedTimer clock;
    std::printf("open %.1f MB of LibreOffice RTF into the source pane:\n", rtf.size() / 1e6);
    clock.start();
    const docio::RtfReadResult read = docio::readRtf(std::string_view(rtf.constData(), rtf.size()));
    report("engine: read RTF", clock.restart());
    QTextDocument scratch;
    wholedoc::fill(scratch, read.document);
    report("adapter: fill a document no editor shows", clock.restart());

    clock.restart();
    lettrica::app::applyDefaultAttributes(window.sourcePane());
    if (!files->loadFile(window.sourcePane(), path)) return 1;
    const qint64 filled = clock.elapsed();
    QCoreApplication::processEvents();
    window.sourcePane()->viewport()->repaint();
    QCoreApplication::processEvents();
    report("file to filled pane (what Ctrl+O does)", filled);
    report("file to pane shown", clock.elapsed());
    std::printf("  %lld characters, %zu paragraphs\n",
                static_cast<long long>(window.sourcePane()->document()->characterCount()),
                read.document.text.paragraphs.size());

    std::printf("save the pane as RTF:\n");
    const QTextDocument& pane = *window.sourcePane()->document();
    clock.restart();
    const docio::RichDocument rich = app::richDocumentOf(pane);
    report("adapter: pane to file model", clock.restart());
    const std::string written = docio::writeRtf(rich);
    report("engine: write RTF", clock.restart());
    if (!app::writeRtfFile(home.filePath("saved.rtf"), pane).empty()) return 1;
    report("pane to file on disk (what Ctrl+S does)", clock.elapsed());
    std::printf("  %.1f MB written\n", written.size() / 1e6);

    // A pane of as many characters as the file had bytes: Russian words,
    // every 17th bold, every 23rd red, a paragraph every 12 words.
    docio::RichDocument big;
    big.charFormats.resize(3);
    big.charFormats[1].bold = true;
    big.charFormats[2].color = docio::Rgb{200, 0, 0};
    const std::u16string words[] = {u"Съешь ", u"же ", u"ещё ", u"этих ", u"мягких ", u"французских ", u"булок, ",
                                    u"да ", u"выпей ", u"чаю. "};
    std::size_t chars = 0;
    for (int i = 0; chars < megabytes * 1e6; ++i) {
        if (i % 12 == 0) big.text.paragraphs.emplace_back();
        const std::u16string& w = words[i % std::size(words)];
        text::appendRun(big.text.paragraphs.back(), w, i % 17 == 0 ? 1 : i % 23 == 0 ? 2 : 0);
        chars += w.size();
    }
    QTextDocument* bigPane = app::newPaneDocument(window.resultPane());
    wholedoc::fill(*bigPane, big);
    app::showInPane(window.resultPane(), bigPane);
    std::printf("save a pane of %.1f million characters as RTF:\n", chars / 1e6);
    clock.restart();
    if (!app::writeRtfFile(home.filePath("pane.rtf"), *window.resultPane()->document()).empty()) return 1;
    report("pane to file on disk (what Ctrl+S does)", clock.elapsed());
    std::printf("  %.1f MB written; peak memory %ld MB\n", QFileInfo(home.filePath("pane.rtf")).size() / 1e6,
                peakMegabytes());
    return 0;
}
