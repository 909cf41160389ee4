// Times "Исправить кодировку" and "Исправить раскладку" on a formatted
// source pane, from the command to the filled result pane, for text that is
// right (nothing to do), read in the wrong code page, and typed on the wrong
// layout, beside F3 on the same panes. Run offscreen or under Xvfb:
//   QT_QPA_PLATFORM=offscreen repair_pane_bench [megabytes]

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <cstdio>
#include <functional>

#include "app/main_window.h"

using lettrica::app::Command;
using lettrica::app::MainWindow;

namespace {

QString misreadAsWindows1251(const QString& text) {
    // UTF-8 bytes shown one by one as Windows-1251.
    static const QString upper = QString::fromUtf8(
        "ЂЃ‚ѓ„…†‡€‰Љ‹ЊЌЋЏђ‘’“”•–—\u0098™љ›њќћџ\u00A0ЎўЈ¤Ґ¦§Ё©Є«¬\u00AD®Ї°±Ііґµ¶·ё№є»јЅѕї"
        "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя");
    QString out;
    for (unsigned char b : text.toUtf8()) out += b < 0x80 ? QChar(b) : upper[b - 0x80];
    return out;
}

QString typedOnUs(const QString& text) {
    static const QString ru = QString::fromUtf8("ёйцукенгшщзхъфывапролджэячсмитьбю.ЁЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮ,");
    static const QString us =
        QString::fromLatin1("`qwertyuiop[]asdfghjkl;'zxcvbnm,./~QWERTYUIOP{}ASDFGHJKL:\"ZXCVBNM<>?");
    QString out;
    for (QChar c : text) {
        const qsizetype i = ru.indexOf(c);
        out += i < 0 ? c : us[i];
    }
    return out;
}

void fillSource(QTextEdit* pane, qint64 bytes, const std::function<QString(const QString&)>& garble) {
    const QStringList words = QString::fromUtf8(
        "Съешь же ещё этих мягких французских булок, да выпей чаю. Широкая электрификация южных губерний "
        "даст мощный толчок подъёму сельского хозяйства. Сегодня утром поезд пришёл на вокзал.").split(' ');
    pane->clear();
    QTextDocument* doc = pane->document();
    doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    QTextCharFormat plain, bold;
    bold.setFontWeight(QFont::Bold);
    qint64 written = 0;
    int i = 0;
    while (written < bytes) {
        const QString w = garble(words[i % words.size()]);
        cursor.insertText(w, i % 17 == 0 ? bold : plain);
        cursor.insertText(QStringLiteral(" "), plain);
        written += w.size() + 1;
        if (++i % 12 == 0) cursor.insertBlock();
    }
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("LETTRICA_HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    QApplication app(argc, argv);
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 1.0;
    MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;

    const auto same = [](const QString& s) { return s; };
    struct Case {
        const char* what;
        std::function<QString(const QString&)> garble;
        Command command;
    } cases[] = {
        {"right text, Исправить кодировку", same, Command::FixEncoding},
        {"UTF-8 read as Windows-1251, Исправить кодировку", misreadAsWindows1251, Command::FixEncoding},
        {"right text, Исправить раскладку", same, Command::FixLayout},
        {"typed on the US layout, Исправить раскладку", typedOnUs, Command::FixLayout},
        // The conversion frame alone on the same panes, for comparison.
        {"UTF-8 read as Windows-1251, Rus -> Translit (F3)", misreadAsWindows1251, Command::ToLatin},
        {"typed on the US layout, Rus -> Translit (F3)", typedOnUs, Command::ToLatin},
    };
    std::printf("%.1f MB of right text before garbling, a paragraph every 12 words, some bold;\n"
                "command to filled result pane, first run and second run:\n", megabytes);
    for (const Case& c : cases) {
        fillSource(window.sourcePane(), static_cast<qint64>(megabytes * 1e6), c.garble);
        qint64 ms[2];
        for (qint64& m : ms) {
            QElapsedTimer clock;
            clock.start();
            window.action(c.command)->trigger();
            m = clock.elapsed();
        }
        std::printf("  %5lld ms %5lld ms  %s (%lld characters)\n", static_cast<long long>(ms[0]),
                    static_cast<long long>(ms[1]), c.what,
                    static_cast<long long>(window.sourcePane()->document()->characterCount()));
    }
    return 0;
}
