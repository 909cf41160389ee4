// Settings and autostart on a real MainWindow, offscreen: applied at
// creation, written at close, through real files in temporary directories.

#include <QAction>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <memory>
#include <sys/stat.h>

#include "app/conversion/system_choice.h"
#include "app/main_window.h"
#include "app/settings_store.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "translit/registry.h"

using lettrica::app::Command;
using lettrica::app::MainWindow;
using lettrica::app::SettingsStore;
namespace settings = lettrica::settings;

class SettingsTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> home_, config_;

    QString iniPath() const { return home_->filePath("lettrica.ini"); }
    QString entryPath() const { return config_->filePath("autostart/lettrica.desktop"); }
    void writeIni(const QByteArray& content) {
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }
    QByteArray readFile(const QString& path) const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QByteArray value(const char* section, const char* key) const {
        settings::IniFile ini(iniPath().toStdString());
        return QByteArray::fromStdString(ini.readBytes(section, key, "<missing>"));
    }
    std::unique_ptr<MainWindow> start(bool show = true) {
        auto w = std::make_unique<MainWindow>();
        if (show) {
            w->show();
            if (!QTest::qWaitForWindowExposed(w.get())) return nullptr;
        }
        return w;
    }
    static QPoint centredAt(const MainWindow& w) {
        return QGuiApplication::primaryScreen()->availableGeometry().center() - w.rect().center();
    }

private slots:
    void init() {
        home_ = std::make_unique<QTemporaryDir>();
        config_ = std::make_unique<QTemporaryDir>();
        qputenv("LETTRICA_HOME", home_->path().toUtf8());
        qputenv("XDG_CONFIG_HOME", config_->path().toUtf8());
    }

    void firstRunDefaultsThenARestartKeepsEverything() {
        QVERIFY(!QFile::exists(iniPath()));
        auto w = start();
        QVERIFY(w);
        QVERIFY(w->action(Command::AngloTable)->isChecked());
        QVERIFY(w->action(Command::WordWrap)->isChecked());
        QVERIFY(!w->action(Command::AutoVolume)->isChecked());
        QVERIFY(!w->action(Command::MinimizeToTray)->isChecked());
        QVERIFY(!w->action(Command::Autostart)->isChecked());
        QCOMPARE(w->upperPanel()->height(), 218);
        SettingsStore* store = w->settingsStore();
        QCOMPARE(SettingsStore::of(w.get()), store);
        QCOMPARE(store->openFilter(), 2);
        QCOMPARE(store->saveFilter(), 4);
        QCOMPARE(store->mail().login, std::u16string(u"Your_Login"));

        // The user changes everything the main window keeps.
        w->resize(700, 520);
        w->move(31, 42);
        w->splitter()->setSizes({150, 300});
        QTest::qWait(0);
        const int panel = w->upperPanel()->height();
        w->action(Command::GostTable)->trigger();
        w->action(Command::WordWrap)->trigger();
        w->action(Command::AutoVolume)->trigger();
        w->action(Command::MinimizeToTray)->setChecked(true);
        store->setOpenFilter(3);
        store->setSaveFilter(1);
        store->mail().password = u"пароль 1";
        store->mail().authType = 1;
        store->mail().port = 465;
        QVERIFY(w->close());
        QVERIFY(QFile::exists(iniPath()));
        QCOMPARE(store->lastSaveError(), std::string());
        struct stat st {};
        QCOMPARE(::stat(iniPath().toLocal8Bit().constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
        QCOMPARE(value("Main", "Width"), QByteArray("700"));
        QCOMPARE(value("Main", "Maximized"), QByteArray("0"));
        QCOMPARE(value("Menu", "Table"), QByteArray("1"));
        QCOMPARE(value("Menu", "Perenos"), QByteArray("0"));
        QCOMPARE(value("Menu", "AutoV"), QByteArray("1"));
        QCOMPARE(value("Tray", "Min"), QByteArray("1"));
        QCOMPARE(value("Email", "mPassword"), QByteArray("\xEF\xE0\xF0\xEE\xEB\xFC 1"));  // plain Windows-1251
        w.reset();

        // Left readable to all by another hand: private again at start,
        // whether or not the run writes anything.
        QCOMPARE(::chmod(iniPath().toLocal8Bit().constData(), 0644), 0);
        auto again = start();
        QVERIFY(again);
        QCOMPARE(::stat(iniPath().toLocal8Bit().constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
        QCOMPARE(again->size(), QSize(700, 520));
        QCOMPARE(again->pos(), QPoint(31, 42));
        QCOMPARE(again->upperPanel()->height(), panel);
        QVERIFY(again->action(Command::GostTable)->isChecked());
        QVERIFY(!again->action(Command::WordWrap)->isChecked());
        QCOMPARE(again->sourcePane()->lineWrapMode(), QTextEdit::NoWrap);
        QCOMPARE(again->resultPane()->lineWrapMode(), QTextEdit::NoWrap);
        QVERIFY(again->action(Command::AutoVolume)->isChecked());
        QCOMPARE(again->statusBar()->currentMessage(),
                 QString::fromUtf8(" Переводимый текст - 0 симв. Переведенный текст - 0 симв."));
        QVERIFY(again->action(Command::MinimizeToTray)->isChecked());
        SettingsStore* s = again->settingsStore();
        QCOMPARE(s->openFilter(), 3);
        QCOMPARE(s->saveFilter(), 1);
        QCOMPARE(s->mail().password, std::u16string(u"пароль 1"));
        QCOMPARE(int(s->mail().authType), 1);
        QCOMPARE(s->mail().port, 465);
    }

    void guardsAsStored() {
        // Left=0 centres; Width="abc" ends the "Main" group; later keys apply.
        writeIni("[Main]\r\nLeft=0\r\nTop=100\r\nPanelH=120\r\n[Menu]\r\nTable=0\r\nAutoV=2\r\n"
                 "[Email]\r\nmAuthType=257\r\nmTimeOut=300\r\n");
        {
            auto w = start(false);
            QCOMPARE(w->pos(), centredAt(*w));
            QVERIFY(w->action(Command::UserTable)->isChecked());
            QVERIFY(!w->action(Command::AutoVolume)->isChecked());
            QCOMPARE(int(w->settingsStore()->mail().authType), 1);
            QCOMPARE(int(w->settingsStore()->mail().timeOut), 44);
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w.get()));
            QCOMPARE(w->upperPanel()->height(), 120);
            QVERIFY(w->close());
        }
        QCOMPARE(value("Email", "mAuthType"), QByteArray("1"));
        QCOMPARE(value("Email", "mTimeOut"), QByteArray("44"));

        writeIni("[Main]\r\nWidth=abc\r\nHeight=300\r\nLeft=5\r\nTop=6\r\n[Menu]\r\nTable=7\r\nPerenos=5\r\n");
        auto designed = start(false);
        const QSize designedSize = designed->size();
        designed.reset();
        writeIni("[Main]\r\nWidth=abc\r\nHeight=300\r\nLeft=5\r\nTop=6\r\n[Menu]\r\nTable=1\r\nPerenos=5\r\n");
        auto w = start(false);
        QCOMPARE(w->size(), designedSize);
        QCOMPARE(w->pos(), centredAt(*w));
        QVERIFY(w->action(Command::GostTable)->isChecked());
        QVERIFY(w->action(Command::WordWrap)->isChecked());
        w.reset();

        writeIni("[Menu]\r\nTable=7\r\n");
        QVERIFY(start(false)->action(Command::AngloTable)->isChecked());
    }

    // A system is kept under its own key, and Table holds the table that a
    // program knowing only those reads it back best by; a System unknown
    // here leaves the choice to Table.
    void theSystemIsKeptBesideTheTable() {
        for (auto [name, table] : {std::pair{"icao-doc-9303", "1"}, {"wikipedia", "2"}, {"user", "0"}}) {
            auto w = start(false);
            w->systemChoice()->choose(*lettrica::translit::findSystem(name));
            QVERIFY(w->close());
            QCOMPARE(value("Menu", "System"), QByteArray(name));
            QCOMPARE(value("Menu", "Table"), QByteArray(table));
            QCOMPARE(start(false)->systemChoice()->current().name, std::string(name));
        }
        writeIni("[Menu]\r\nTable=1\r\nSystem=klingon\r\n");
        QVERIFY(start(false)->action(Command::GostTable)->isChecked());
    }

    void maximisedCloseKeepsTheStoredPlacement() {
        writeIni("; placement of the last normal window\r\n[Main]\r\nWidth=800\r\nHeight=600\r\nLeft=20\r\n"
                 "Top=30\r\nMaximized=1\r\n[Mine]\r\nKeep=this\r\n");
        auto w = start();
        QVERIFY(w);
        QTRY_VERIFY(w->isMaximized());
        QCOMPARE(w->normalGeometry().size(), QSize(800, 600));
        QVERIFY(w->close());
        const QByteArray content = readFile(iniPath());
        QVERIFY(content.startsWith("; placement of the last normal window\r\n[Main]\r\nWidth=800\r\nHeight=600\r\n"
                                   "Left=20\r\nTop=30\r\nMaximized=1\r\nPanelH="));
        QVERIFY(content.contains("\r\n[Mine]\r\nKeep=this\r\n"));
        w.reset();

        // Restored, it returns to the stored size.
        auto again = start();
        QTRY_VERIFY(again->isMaximized());
        again->showNormal();
        QTRY_COMPARE(again->size(), QSize(800, 600));
    }

    void dialogsWriteTheirOwnKeysAtTheirPlace() {
        auto w = start(false);
        auto owner = std::make_unique<QObject>();
        int calls = 0;
        w->settingsStore()->addSectionWriter(owner.get(), [&](settings::IniFile& ini, std::string_view section) {
            ++calls;
            if (section == "Print") settings::writeFlag(ini, settings::keys::PrintDoc1, false);
            if (section == "Email") settings::writeText(ini, settings::keys::EmailAddress, u"кому@пример.рф");
        });
        auto gone = std::make_unique<QObject>();
        w->settingsStore()->addSectionWriter(gone.get(), [&](settings::IniFile&, std::string_view) { calls += 100; });
        gone.reset();  // a dialog destroyed before the close writes nothing
        QVERIFY(w->close());
        QCOMPARE(calls, 4);  // Print, Email, Registr, Perekod
        QCOMPARE(value("Print", "Doc1"), QByteArray("0"));
        const QByteArray content = readFile(iniPath());
        QVERIFY(content.indexOf("[File]") < content.indexOf("[Print]"));
        QVERIFY(content.indexOf("Address=") < content.indexOf("mhost="));
        QVERIFY(content.indexOf("[Email]") < content.indexOf("[Tray]"));
        // The case and recoding dialogs write theirs too.
        QCOMPARE(value("Registr", "Reg"), QByteArray("1"));
        QCOMPARE(value("Perekod", "Napr"), QByteArray("0"));
        QCOMPARE(value("Perekod", "Doc2"), QByteArray("1"));
    }

    void aFailedWriteLosesOnlyThisRun() {
        writeIni("[Menu]\r\nTable=1\r\n");
        QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::ReadGroup);
        auto w = start(false);
        w->action(Command::AngloTable)->trigger();
        QVERIFY(w->close());  // no message, the window closes all the same
        QVERIFY(!w->settingsStore()->lastSaveError().empty());
        QCOMPARE(readFile(iniPath()), QByteArray("[Menu]\r\nTable=1\r\n"));
    }

    // A FIFO in place of lettrica.ini and rt.dat, a directory in place of
    // tr.dat: the window opens at once on its defaults (nothing waits for a
    // writer) and its close replaces none of them.
    void filesThatAreNoFilesStopNothingAndStay() {
        const QByteArray home = home_->path().toLocal8Bit();
        QCOMPARE(::mkfifo(home + "/lettrica.ini", 0600), 0);
        QCOMPARE(::mkfifo(home + "/rt.dat", 0600), 0);
        QCOMPARE(::mkdir(home + "/tr.dat", 0700), 0);
        auto w = start();
        QVERIFY(w);
        QVERIFY(w->action(Command::AngloTable)->isChecked());
        QVERIFY(!w->action(Command::ResetUserTables)->isEnabled());
        w->action(Command::GostTable)->trigger();
        QVERIFY(w->close());
        QVERIFY(!w->settingsStore()->lastSaveError().empty());
        struct stat st {};
        QCOMPARE(::stat(home + "/lettrica.ini", &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QCOMPARE(::stat(home + "/rt.dat", &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QCOMPARE(::stat(home + "/tr.dat", &st), 0);
        QVERIFY(S_ISDIR(st.st_mode));
        QCOMPARE(QDir(home_->path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot | QDir::Hidden).size(), 3);
    }

    void autostartFollowsTheTickAtClose() {
        QVERIFY(!QFile::exists(entryPath()));
        auto w = start(false);
        QVERIFY(w->action(Command::Autostart)->isEnabled());
        QVERIFY(!w->action(Command::Autostart)->isChecked());
        w->action(Command::Autostart)->trigger();
        QVERIFY(!QFile::exists(entryPath()));  // nothing changes before the close
        QVERIFY(w->close());
        const QByteArray entry = readFile(entryPath());
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        QVERIFY(entry.contains("\nExec=" + QCoreApplication::applicationFilePath().toUtf8() + " /t\n"));
        w.reset();

        w = start(false);
        QVERIFY(w->action(Command::Autostart)->isChecked());
        QVERIFY(w->settingsStore()->autostartAtStart());
        w->action(Command::Autostart)->trigger();
        QVERIFY(w->close());
        QVERIFY(!QFile::exists(entryPath()));
        w.reset();

        // An entry left alone while the tick does not change, whatever it runs.
        QFile stale(entryPath());
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("[Desktop Entry]\nExec=/old/place/lettrica /t\n");
        stale.close();
        w = start(false);
        QVERIFY(w->action(Command::Autostart)->isChecked());
        QVERIFY(w->close());
        QCOMPARE(readFile(entryPath()), QByteArray("[Desktop Entry]\nExec=/old/place/lettrica /t\n"));
    }
};

QTEST_MAIN(SettingsTest)
#include "settings_test.moc"
