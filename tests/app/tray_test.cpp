// The tray icon and the information commands offscreen, where no
// notification area exists: the commands and menus, the start-up switch,
// the fallback that keeps a window reachable, the about box, the help window,
// and what site and letter hand to the desktop (caught by Qt's URL handlers,
// the same route QDesktopServices takes to xdg-open).

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>

#include "app/help/help_window.h"
#include "app/main_window.h"
#include "app/help/info_commands.h"
#include "app/tray/tray_dock.h"
#include "support/message_catcher.h"
#include "support/window_in_home.h"

using lettrica::app::HelpWindow;
using lettrica::app::InfoCommands;
using lettrica::app::Command;
using lettrica::app::MainWindow;
using lettrica::app::TrayDock;

// Records every URL the program hands to the desktop.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
    UrlRecorder() {
        for (const char* scheme : {"file", "https", "http", "mailto"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "record");
    }
    ~UrlRecorder() override {
        for (const char* scheme : {"file", "https", "http", "mailto"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
public slots:
    void record(const QUrl& url) { urls << url; }
};

namespace {

QStringList names(const QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    return out;
}

}  // namespace

class TrayTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        useSettingsHome(home_);
        QFile::remove(home_.filePath("lettrica.ini"));
    }

    void commandsMenusAndTrayMenu() {
        MainWindow w;
        struct Row { Command command; const char* caption; const char* hint; const char* keys; };
        const Row rows[] = {
            {Command::MinimizeToTray, "Сворачивать в трей", " Сворачивать программу в системный трей, а не на панель задач", ""},
            {Command::Help, "Помощь", " Вызов справки", "F1"},
            {Command::About, "О программе", " Информация о программе", "Ctrl+Alt+A"},
            {Command::WebSite, "Сайт программы", " Посетить домашнюю страницу программы", "Ctrl+H"},
            {Command::LetterToAuthor, "Письмо автору", " Написать письмо автору программы", "Ctrl+M"},
            {Command::HelpButton, "Помощь", " Вызов справки", ""},
        };
        for (const Row& r : rows) {
            QAction* a = w.action(r.command);
            QCOMPARE(a->text(), QString::fromUtf8(r.caption));
            QCOMPARE(a->statusTip(), QString::fromUtf8(r.hint));
            QCOMPARE(a->shortcut(), QKeySequence(QString::fromLatin1(r.keys)));
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
        }
        QVERIFY(w.action(Command::MinimizeToTray)->isCheckable());
        QVERIFY(!w.action(Command::MinimizeToTray)->isChecked());

        QMenu* help = w.menuBar()->actions().at(3)->menu();
        QCOMPARE(names(help), QStringList({"N12", "N13", "N14", "N15"}));
        QCOMPARE(names(w.findChild<QMenu*>("N34")), QStringList({"N35", "N36"}));
        QCOMPARE(w.findChild<QToolBar*>("ToolBar1")->actions().last()->objectName(), QStringLiteral("HelpButton"));

        TrayDock* dock = w.trayDock();
        QCOMPARE(names(dock->menu()), QStringList({"N32", "-", "N38", "N39", "-", "N41"}));
        QStringList captions;
        for (QAction* a : dock->menu()->actions())
            if (!a->isSeparator()) captions << a->text();
        QCOMPARE(captions, QStringList({"Открыть Lettrica", "Помощь", "О программе", "Выход"}));
        QCOMPARE(dock->icon()->objectName(), QStringLiteral("TrayIcon"));
        QCOMPARE(dock->icon()->toolTip(), QStringLiteral("Lettrica"));
        QVERIFY(!dock->icon()->icon().isNull());
        QVERIFY(!dock->icon()->icon().pixmap(32, 32).isNull());
        QCOMPARE(dock->icon()->contextMenu(), dock->menu());
        QVERIFY(!dock->icon()->isVisible());
    }

    void startUpSwitch_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("tray");
        QTest::newRow("/t") << QStringList{"/t"} << true;
        QTest::newRow("/T") << QStringList{"/T"} << true;
        QTest::newRow("/t and a file") << QStringList{"/t", "letter.txt"} << true;
        QTest::newRow("none") << QStringList{} << false;
        QTest::newRow("-t") << QStringList{"-t"} << false;
        QTest::newRow("t") << QStringList{"t"} << false;
        QTest::newRow("/tray") << QStringList{"/tray"} << false;
        QTest::newRow("/t with a space") << QStringList{"/t "} << false;
        QTest::newRow("empty first") << QStringList{"", "/t"} << false;
        QTest::newRow("/t second") << QStringList{"letter.txt", "/t"} << false;
    }
    void startUpSwitch() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, tray);
        QCOMPARE(lettrica::app::startsInTray(arguments), tray);

        // Offscreen there is no notification area: "/t" must still leave a
        // window the user can reach, minimised, and wait for a tray.
        MainWindow w(arguments);
        w.showAtStart();
        QVERIFY(w.isVisible());
        QCOMPARE(w.isMinimized(), tray);
        QCOMPARE(w.trayDock()->waitingForTray(), tray);
        QVERIFY(!w.trayDock()->icon()->isVisible());
    }

    void minimisingWithoutATrayStaysOrdinary() {
        for (bool option : {false, true}) {
            MainWindow w;
            w.action(Command::MinimizeToTray)->setChecked(option);
            w.showAtStart();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            w.showMinimized();
            QCoreApplication::processEvents();
            QVERIFY(w.isVisible());
            QVERIFY(w.isMinimized());
            QVERIFY(!w.trayDock()->icon()->isVisible());
            // Only a window that asked for the tray waits for one.
            QCOMPARE(w.trayDock()->waitingForTray(), option);
            w.showNormal();
            QCoreApplication::processEvents();
            QVERIFY(!w.trayDock()->waitingForTray());
        }
    }

    void aboutBox() {
        QCOMPARE(InfoCommands::aboutText().split('\n'),
                 QStringList({"Lettrica 2.7 (12.11.2010)", "", "Author: Lettrica team", "Email: support@lettrica.org",
                              "Web: https://lettrica.org/", "", "Copyright (c) 2010 Lettrica team"}));
        MainWindow w;
        MessageCatcher catcher;
        w.action(Command::About)->trigger();
        w.trayDock()->item(lettrica::app::TrayItem::About)->trigger();
        QCOMPARE(catcher.captions, QStringList({"About Lettrica", "About Lettrica"}));
        QCOMPARE(catcher.texts.first(), InfoCommands::aboutText());
        QCOMPARE(catcher.icons.first(), QMessageBox::Information);
        QCOMPARE(catcher.owners.first(), nullptr);
    }

    void siteAndLetter() {
        QCOMPARE(InfoCommands::letterUrl().toEncoded(), QByteArray("mailto:support@lettrica.org?subject=Lettrica%202.7"));
        MainWindow w;
        UrlRecorder recorder;
        w.action(Command::WebSite)->trigger();
        w.action(Command::LetterToAuthor)->trigger();
        QCOMPARE(recorder.urls, QList<QUrl>({QUrl("https://lettrica.org/"), InfoCommands::letterUrl()}));
    }

    void helpBesideTheProgramOrInstalled() {
        QTemporaryDir root;
        const QDir dir(root.path());
        QVERIFY(dir.mkpath("bin") && dir.mkpath("share/lettrica") && dir.mkpath("x/portable/help.html"));
        const QString bin = dir.filePath("bin");
        auto touch = [](const QString& path) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly) && f.write("<html></html>") > 0;
        };

        // Nothing there, or only a directory of that name: no help.
        QCOMPARE(InfoCommands::helpFile(bin), QString());
        QCOMPARE(InfoCommands::helpFile(dir.filePath("x/portable")), QString());
        // Installed: <prefix>/bin/lettrica finds <prefix>/share/lettrica/help.html.
        QVERIFY(touch(dir.filePath("share/lettrica/help.html")));
        QCOMPARE(InfoCommands::helpFile(bin), QDir::cleanPath(dir.filePath("share/lettrica/help.html")));
        // Beside the program wins (the build tree, a portable copy).
        QVERIFY(touch(dir.filePath("bin/help.html")));
        QCOMPARE(InfoCommands::helpFile(bin), dir.filePath("bin/help.html"));

        MainWindow w;
        auto* info = w.findChild<InfoCommands*>("InfoCommands");
        UrlRecorder recorder;
        info->setExecutableDir(bin);
        // Each of the three shows the manual in the program's own window,
        // one window however often asked; never through the desktop's opener.
        for (QAction* help : {w.action(Command::Help), w.action(Command::HelpButton),
                              w.trayDock()->item(lettrica::app::TrayItem::Help)}) {
            help->trigger();
            QVERIFY(info->helpWindow() && info->helpWindow()->isVisible());
            QCOMPARE(info->helpWindow()->browser()->source(), QUrl::fromLocalFile(dir.filePath("bin/help.html")));
            info->helpWindow()->close();
        }
        QCOMPARE(w.findChildren<HelpWindow*>().size(), 1);
        QVERIFY(recorder.urls.isEmpty());

        // A missing manual: nothing is opened and nothing is shown.
        MessageCatcher catcher;
        info->setExecutableDir(dir.filePath("x/portable"));
        w.action(Command::Help)->trigger();
        QCoreApplication::processEvents();
        QVERIFY(recorder.urls.isEmpty());
        QVERIFY(!info->helpWindow()->isVisible());
        QVERIFY(catcher.captions.isEmpty());
    }

private:
    QTemporaryDir home_;
};

QTEST_MAIN(TrayTest)
#include "tray_test.moc"
