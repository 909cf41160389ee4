// The manual against the program: every command of the window stands in
// its table of commands with its shortcut, and every row of its
// transliteration tables is what the engine does with that text. A command
// added without its line in the manual, a changed shortcut or a table row
// typed wrong fails here.

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextBrowser>
#include <QTextFrame>
#include <QRegularExpression>
#include <QTest>
#include <QTextDocumentFragment>
#include <map>
#include <vector>

#include "app/command_table.h"
#include "app/help/help_window.h"
#include "app/main_window.h"
#include "app/help/info_commands.h"
#include "app/u16_text.h"
#include "tables/user_table.h"
#include "tables/user_table_converter.h"
#include "convert/converter.h"
#include "translit/cyrillic_to_latin.h"
#include "translit/latin_to_cyrillic.h"

using namespace lettrica;

namespace {

using Row = QStringList;

QString manual() {
    QFile file(QStringLiteral(LETTRICA_HELP_HTML));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

// The data rows (not the heading) of the table with the given id, each cell
// as plain text with entities decoded.
std::vector<Row> tableRows(const QString& html, const QString& id) {
    const qsizetype start = html.indexOf(QStringLiteral("<table id=\"%1\">").arg(id));
    if (start < 0) return {};
    const qsizetype end = html.indexOf(QStringLiteral("</table>"), start);
    const QString table = html.mid(start, end - start);
    static const QRegularExpression rowRe(QStringLiteral("<tr>(.*?)</tr>"),
                                          QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression cellRe(QStringLiteral("<td>(.*?)</td>"),
                                           QRegularExpression::DotMatchesEverythingOption);
    std::vector<Row> rows;
    for (auto r = rowRe.globalMatch(table); r.hasNext();) {
        Row cells;
        for (auto c = cellRe.globalMatch(r.next().captured(1)); c.hasNext();)
            cells << QTextDocumentFragment::fromHtml(c.next().captured(1)).toPlainText().simplified();
        if (!cells.isEmpty()) rows.push_back(cells);
    }
    return rows;
}

QString convert(const translit::Converter& converter, const QString& text) {
    return app::fromU16(translit::convertAll(converter, app::viewU16(text)));
}

// Checks a table whose first column holds sources separated by spaces and
// whose further columns hold what each converter makes of them, in the same
// order. Returns the sources seen.
QStringList checkTable(const QString& html, const QString& id, const std::map<int, const translit::Converter*>& columns) {
    QStringList sources;
    const std::vector<Row> rows = tableRows(html, id);
    if (rows.empty()) qWarning("no table %s", qPrintable(id));
    for (const Row& row : rows) {
        const QStringList from = row.value(0).split(' ');
        sources << from;
        for (const auto& [column, converter] : columns) {
            const QStringList expected = row.value(column).split(' ');
            if (expected.size() != from.size()) {
                qWarning("%s: row '%s' column %d has %d texts", qPrintable(id), qPrintable(row.join('|')), column,
                         int(expected.size()));
                return {};
            }
            for (qsizetype i = 0; i < from.size(); ++i) {
                const QString got = convert(*converter, from[i]);
                if (got != expected[i]) {
                    qWarning("%s: '%s' gives '%s', the manual says '%s'", qPrintable(id), qPrintable(from[i]),
                             qPrintable(got), qPrintable(expected[i]));
                    return {};
                }
            }
        }
    }
    return sources;
}

QStringList letters(const QString& capitals) {
    QStringList out;
    for (QChar c : capitals) out << QString(c) << QString(c.toLower());
    return out;
}

const QString kLatin = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
const QString kCyrillic = QStringLiteral("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ");

}  // namespace

class HelpManualTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        html_ = manual();
        QVERIFY2(!html_.isEmpty(), LETTRICA_HELP_HTML);
    }

    void everyCommandWithItsShortcut() {
        QObject owner;
        const app::CommandTable commands(&owner);
        const std::vector<Row> rows = tableRows(html_, QStringLiteral("commands"));
        QVERIFY(!rows.empty());
        for (QAction* a : commands.all()) {
            const QString caption = a->text().remove('&');
            const QString keys = a->shortcut().toString(QKeySequence::PortableText);
            bool found = false;
            for (const Row& row : rows)
                found = found || (row.value(0) == caption && (keys.isEmpty() || row.value(1) == keys));
            QVERIFY2(found, qPrintable(QStringLiteral("%1 \"%2\" %3").arg(a->objectName(), caption, keys)));
        }
    }

    void builtInTablesAreWhatTheEngineDoes() {
        const QStringList toLatin = checkTable(html_, QStringLiteral("rus-translit"),
                                               {{1, &translit::gostCyrillicToLatin()},
                                                {2, &translit::angloCyrillicToLatin()}});
        QCOMPARE(toLatin, letters(kCyrillic));  // all 66 letters, in order

        const QStringList toCyrillic = checkTable(html_, QStringLiteral("translit-rus"),
                                                  {{1, &translit::gostLatinToCyrillic()},
                                                   {2, &translit::angloLatinToCyrillic()}});
        for (const QString& letter : letters(kLatin)) QVERIFY2(toCyrillic.contains(letter), qPrintable(letter));
        for (const char* sign : {"\"", "'", "`"}) QVERIFY2(toCyrillic.contains(sign), sign);
        // Every rule of both systems, in both cases of its first letter.
        for (const char* rule : {"Ch", "Eh", "Kh", "Zh", "Sh", "Shh", "Sch", "Ja", "Jj", "Jo", "Ju", "Ya", "Yu"}) {
            QVERIFY2(toCyrillic.contains(rule), rule);
            QVERIFY2(toCyrillic.contains(QString::fromLatin1(rule).toLower()), rule);
        }
        for (const char* rule : {"`E", "`e", "``", "''"}) QVERIFY2(toCyrillic.contains(rule), rule);
    }

    void userTableDefaultsAndTheirLines() {
        using tables::TableKind;
        for (auto [id, kind, keys] : {std::tuple{"user-tr", TableKind::Tr, kLatin},
                                      std::tuple{"user-rt", TableKind::Rt, kCyrillic}}) {
            const translit::CharMapConverter converter =
                tables::makeUserTableConverter(kind, tables::defaultTable(kind));
            QCOMPARE(checkTable(html_, QString::fromLatin1(id), {{2, &converter}}), letters(keys));
            // The line numbers of the file stand beside each letter.
            int line = 1;
            for (const Row& row : tableRows(html_, QString::fromLatin1(id))) {
                QCOMPARE(row.value(1), QStringLiteral("%1, %2").arg(line).arg(line + 1));
                line += 2;
            }
            QCOMPARE(line - 1, int(tables::entryCount(kind)));
        }
    }

    void everySectionIsInTheContents() {
        static const QRegularExpression headingRe(QStringLiteral("<h2 id=\"([^\"]+)\""));
        int sections = 0;
        for (auto m = headingRe.globalMatch(html_); m.hasNext();) {
            const QString id = m.next().captured(1);
            if (id == QLatin1String("toc")) continue;
            ++sections;
            QVERIFY2(html_.contains(QStringLiteral("href=\"#%1\"").arg(id)), qPrintable(id));
        }
        QVERIFY(sections >= 15);
    }

    // F1 shows this manual formatted in the program's own window: its title,
    // headings and tables, no markup as text; its links lead within it; Esc
    // closes it and only it.
    void f1ShowsTheManualFormatted() {
        qputenv("LETTRICA_HOME", QByteArray("/dev/null/no-settings"));
        app::MainWindow window;
        auto* info = window.findChild<app::InfoCommands*>("InfoCommands");
        info->setExecutableDir(QFileInfo(QStringLiteral(LETTRICA_HELP_HTML)).path());
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(window.sourcePane(), Qt::Key_F1);
        QTextBrowser* browser = info->helpWindow()->browser();
        QCOMPARE(browser->window()->windowTitle(), QStringLiteral("Lettrica — справка"));
        QCOMPARE(browser->document()->begin().blockFormat().headingLevel(), 1);
        QVERIFY(!browser->toPlainText().contains(QStringLiteral("</")));
        QVERIFY(browser->document()->rootFrame()->childFrames().size() >= 5);  // its tables
        QTest::keyClick(browser, Qt::Key_Tab);  // to the first link of the contents, and along it
        QTest::keyClick(browser, Qt::Key_Return);
        QCOMPARE(browser->source().fileName() + '#' + browser->source().fragment(), QStringLiteral("help.html#window"));
        QApplication::setActiveWindow(browser->window());  // offscreen, a shown window is not always active
        QTest::keyClick(browser, Qt::Key_Escape);
        QVERIFY(window.isVisible() && !browser->window()->isVisible());
    }

private:
    QString html_;
};

QTEST_MAIN(HelpManualTest)
#include "help_manual_test.moc"
