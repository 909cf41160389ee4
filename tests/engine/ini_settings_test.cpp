// The main window's keys of lettrica.ini: read order, guards and close order,
// through a real file in a temporary settings directory.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

#include "settings/main_settings.h"
#include "settings/settings_dir.h"
#include "settings/settings_keys.h"
#include "tables_test_util.h"
#include "test_util.h"

using namespace lettrica::settings;
namespace fs = std::filesystem;

namespace {

// A fresh LETTRICA_HOME, restored afterwards.
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* saved = std::getenv("LETTRICA_HOME");
        if (saved) saved_ = saved;
        hadSaved_ = saved != nullptr;
        setenv("LETTRICA_HOME", dir_.path().c_str(), 1);
    }
    void TearDown() override {
        if (hadSaved_) setenv("LETTRICA_HOME", saved_.c_str(), 1);
        else unsetenv("LETTRICA_HOME");
    }
    fs::path file() const { return settingsFile(kSettingsFileName); }
    void writeFile(std::string_view content) const { writeBytes(file(), content); }
    MainWindowState load() const {
        MainWindowState state;
        loadMainSettings(IniFile(file()), state);
        return state;
    }
    void save(const MainWindowState& state, const SectionWriter& dialogs = {}) const {
        IniFile ini(file());
        saveMainSettings(ini, state, dialogs);
        ASSERT_EQ(ini.save(), "");
    }

    TempDir dir_;
    std::string saved_;
    bool hadSaved_ = false;
};

}  // namespace

TEST_F(SettingsFileTest, NoFileGivesTheDefaultsAndTheFirstCloseWritesEveryKey) {
    ASSERT_FALSE(fs::exists(file()));
    MainWindowState state = load();
    EXPECT_EQ(state.width, 0);
    EXPECT_EQ(state.panelHeight, 0);
    EXPECT_FALSE(state.hasPosition);
    EXPECT_FALSE(state.maximized);
    EXPECT_EQ(state.table, kAngloTable);
    EXPECT_TRUE(state.wordWrap);
    EXPECT_FALSE(state.autoVolume);
    EXPECT_EQ(state.openFilter, 2);
    EXPECT_EQ(state.saveFilter, 4);
    EXPECT_FALSE(state.minimizeToTray);
    EXPECT_EQ(state.mail, defaultMailSettings());
    EXPECT_EQ(state.mail.port, 25);
    EXPECT_EQ(state.mail.login, u"Your_Login");
    EXPECT_EQ(state.mail.userName, u"Your_Name");
    EXPECT_EQ(state.mail.email.substr(0, 11), u"Your_Login@");

    state.width = 600;
    state.height = 520;
    state.left = 10;
    state.top = 20;
    state.panelHeight = 218;
    state.mail.password = u"секрет 1";
    // Each dialog's keys go in at its place of the close order.
    std::vector<std::string> calls;
    save(state, [&](IniFile& ini, std::string_view section) {
        calls.emplace_back(section);
        if (section == "Print") {
            writeFlag(ini, keys::PrintDoc1, true);
            writeFlag(ini, keys::PrintDoc2, false);
        } else if (section == "Email") {
            writeText(ini, keys::EmailAddress, u"a@b.c");
        } else if (section == "Registr") {
            writeNumber(ini, keys::RegistrReg, 1);
        } else if (section == "Perekod") {
            writeNumber(ini, keys::PerekodNapr, 0);
        }
    });
    EXPECT_EQ(calls, (std::vector<std::string>{"Print", "Email", "Registr", "Perekod"}));
    EXPECT_EQ(readBytes(file()),
              "[Main]\r\nMaximized=0\r\nLeft=10\r\nTop=20\r\nWidth=600\r\nHeight=520\r\nPanelH=218\r\n\r\n"
              "[Menu]\r\nTable=2\r\nPerenos=1\r\nAutoV=0\r\n\r\n"
              "[File]\r\nOpen=2\r\nSave=4\r\n\r\n"
              "[Print]\r\nDoc1=1\r\nDoc2=0\r\n\r\n"
              "[Email]\r\nAddress=a@b.c\r\nmhost=smtp.yandex.ru\r\nmport=25\r\nmAuthType=0\r\nmTimeOut=0\r\n"
              "mUserName=Your_Name\r\nmLogin=Your_Login\r\nmPassword=\xF1\xE5\xEA\xF0\xE5\xF2 1\r\n"
              "mEmail=Your_Login@yandex.ru\r\n\r\n"
              "[Registr]\r\nReg=1\r\n\r\n"
              "[Perekod]\r\nNapr=0\r\n\r\n"
              "[Tray]\r\nMin=0\r\n");
    // The password stands in plain text, so only its owner may read the file.
    struct stat st {};
    ASSERT_EQ(::stat(file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    MainWindowState back = load();
    EXPECT_EQ(back.width, 600);
    EXPECT_EQ(back.height, 520);
    EXPECT_TRUE(back.hasPosition);
    EXPECT_EQ(back.left, 10);
    EXPECT_EQ(back.top, 20);
    EXPECT_EQ(back.panelHeight, 218);
    EXPECT_EQ(back.mail, state.mail);
}

TEST_F(SettingsFileTest, BothCoordinatesMustBeNonZeroToPlaceTheWindow) {
    writeFile("[Main]\nLeft=0\nTop=100\n");
    EXPECT_FALSE(load().hasPosition);
    writeFile("[Main]\nLeft=-5\nTop=10\n");
    MainWindowState s = load();
    EXPECT_TRUE(s.hasPosition);
    EXPECT_EQ(s.left, -5);
    EXPECT_EQ(s.top, 10);
}

TEST_F(SettingsFileTest, TheMainGroupStopsAtItsFirstValueThatIsNoNumber) {
    const std::string rest = "[Menu]\nTable=1\nPerenos=0\nAutoV=1\n[File]\nOpen=3\nSave=1\n[Tray]\nMin=1\n"
                             "[Email]\nmport=587\n";
    writeFile("[Main]\nWidth=abc\nHeight=500\nPanelH=100\nLeft=5\nTop=6\nMaximized=1\n" + rest);
    MainWindowState s = load();
    EXPECT_EQ(s.width, 0);
    EXPECT_EQ(s.height, 0);
    EXPECT_EQ(s.panelHeight, 0);
    EXPECT_FALSE(s.hasPosition);
    EXPECT_FALSE(s.maximized);
    // Every later key has a guard of its own.
    EXPECT_EQ(s.table, kGostTable);
    EXPECT_FALSE(s.wordWrap);
    EXPECT_TRUE(s.autoVolume);
    EXPECT_EQ(s.openFilter, 3);
    EXPECT_EQ(s.saveFilter, 1);
    EXPECT_TRUE(s.minimizeToTray);
    EXPECT_EQ(s.mail.port, 587);

    // What was read before the bad value stays applied; an empty value is no number.
    writeFile("[Main]\nWidth=700\nHeight=480\nPanelH=\nLeft=5\nTop=6\n");
    s = load();
    EXPECT_EQ(s.width, 700);
    EXPECT_EQ(s.height, 480);
    EXPECT_EQ(s.panelHeight, 0);
    EXPECT_FALSE(s.hasPosition);

    // Top that does not convert takes Left with it.
    writeFile("[Main]\nLeft=5\nTop=x\nMaximized=1\n");
    s = load();
    EXPECT_FALSE(s.hasPosition);
    EXPECT_FALSE(s.maximized);

    // Zero and negative sizes are read but not applied; the group goes on.
    writeFile("[Main]\nWidth=-3\nHeight=0\nMaximized=1\n");
    s = load();
    EXPECT_EQ(s.width, 0);
    EXPECT_TRUE(s.maximized);
}

TEST_F(SettingsFileTest, OtherKeysKeepTheirStateWhenOutOfRangeOrNoNumber) {
    writeFile("[Menu]\nTable=7\nPerenos=5\nAutoV=2\n[File]\nOpen=9\nSave=-1\n[Tray]\nMin=2\n"
              "[Email]\nmport=-25\nmAuthType=257\nmTimeOut=-1\n");
    MainWindowState s = load();
    EXPECT_EQ(s.table, kAngloTable);
    EXPECT_TRUE(s.wordWrap);
    EXPECT_FALSE(s.autoVolume);
    EXPECT_EQ(s.openFilter, 9);  // used unchanged
    EXPECT_EQ(s.saveFilter, -1);
    EXPECT_FALSE(s.minimizeToTray);
    EXPECT_EQ(s.mail.port, -25);
    EXPECT_EQ(s.mail.authType, 1);  // modulo 256
    EXPECT_EQ(s.mail.timeOut, 255);

    writeFile("[Menu]\nTable=zero\n[Email]\nmport=x\nmAuthType=\nmhost=\n");
    s = load();
    EXPECT_EQ(s.table, kAngloTable);
    EXPECT_EQ(s.mail.port, 25);
    EXPECT_EQ(s.mail.authType, 0);
    EXPECT_EQ(s.mail.host, u"");  // a text key that is present is taken as it is

    writeFile("[Menu]\nTable=0\n");
    EXPECT_EQ(load().table, kUserTable);
}

TEST_F(SettingsFileTest, AByteSizedValueIsWrittenBackReduced) {
    writeFile("[Email]\nmAuthType=257\n");
    MainWindowState s = load();
    save(s);
    IniFile ini(file());
    EXPECT_EQ(ini.readBytes("Email", "mAuthType", "-"), "1");
}

TEST_F(SettingsFileTest, ClosingMaximisedKeepsTheStoredPlacement) {
    writeFile("; my settings\n[MAIN]\nleft=40\nTop=50\nWidth=800\nHeight=600\nMaximized=0\nPanelH=200\n"
              "Extra=yes\n[Print]\nDoc1=0\n");
    MainWindowState s = load();
    EXPECT_EQ(s.width, 800);
    s.maximized = true;
    s.width = 1920;  // the maximised geometry must not reach the file
    s.height = 1080;
    s.left = 0;
    s.top = 0;
    s.panelHeight = 300;
    save(s);
    const std::string content = readBytes(file());
    EXPECT_EQ(content.substr(0, content.find("[Menu]")),
              "; my settings\n[MAIN]\nleft=40\nTop=50\nWidth=800\nHeight=600\nMaximized=1\nPanelH=300\n"
              "Extra=yes\n[Print]\nDoc1=0\n\n");
    MainWindowState back = load();
    EXPECT_TRUE(back.maximized);
    EXPECT_EQ(back.width, 800);
    EXPECT_EQ(back.left, 40);
}

TEST(SettingsKeys, ChoiceIndexesAreClampedAsStored) {
    EXPECT_EQ(clampChoiceIndex(-7, 2), -1);
    EXPECT_EQ(clampChoiceIndex(-1, 2), -1);
    EXPECT_EQ(clampChoiceIndex(0, 6), 0);
    EXPECT_EQ(clampChoiceIndex(5, 6), 5);
    EXPECT_EQ(clampChoiceIndex(99, 6), 5);
}

TEST(SettingsKeys, DialogKeysReadTheirDefaults) {
    IniFile empty = IniFile::fromContent("e.ini", "");
    EXPECT_EQ(readNumber(empty, keys::PrintDoc1), 1);
    EXPECT_EQ(readNumber(empty, keys::RegistrReg), 1);
    EXPECT_EQ(readNumber(empty, keys::PerekodNapr), 0);
    EXPECT_EQ(readText(empty, keys::EmailAddress), u"");
    IniFile some = IniFile::fromContent("s.ini", "[perekod]\nNAPR=x\ndoc2=0\n");
    EXPECT_EQ(readNumber(some, keys::PerekodNapr), std::nullopt);
    EXPECT_EQ(readNumber(some, keys::PerekodDoc2), 0);
}
