// The XDG autostart entry.

#include <gtest/gtest.h>

#include <cstdlib>

#include "settings/autostart.h"
#include "tables_test_util.h"

using namespace lettrica::settings;
namespace fs = std::filesystem;

namespace {
class EnvGuard {
public:
    explicit EnvGuard(const char* name) : name_(name) {
        const char* v = std::getenv(name);
        had_ = v != nullptr;
        if (v) value_ = v;
    }
    ~EnvGuard() {
        if (had_) setenv(name_, value_.c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::string value_;
    bool had_ = false;
};
}  // namespace

TEST(Autostart, EntryLivesUnderTheConfigHome) {
    EnvGuard xdg("XDG_CONFIG_HOME"), home("HOME");
    TempDir dir;
    setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    EXPECT_EQ(autostartEntryPath(), dir / "autostart" / "lettrica.desktop");
    setenv("XDG_CONFIG_HOME", "relative/cfg", 1);  // invalid, ignored
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(autostartEntryPath(), fs::path("/home/someone/.config/autostart/lettrica.desktop"));
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(autostartEntryPath(), fs::path("/home/someone/.config/autostart/lettrica.desktop"));
}

TEST(Autostart, WriteAndRemove) {
    EnvGuard xdg("XDG_CONFIG_HOME");
    TempDir dir;
    setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    EXPECT_FALSE(autostartEntryExists());
    ASSERT_EQ(writeAutostartEntry("/opt/lettrica/lettrica"), "");
    EXPECT_TRUE(autostartEntryExists());
    const std::string entry = readBytes(dir / "autostart" / "lettrica.desktop");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
    EXPECT_NE(entry.find("\nName=Lettrica\n"), std::string::npos);
    EXPECT_NE(entry.find("\nExec=/opt/lettrica/lettrica /t\n"), std::string::npos);
    ASSERT_EQ(removeAutostartEntry(), "");
    EXPECT_FALSE(autostartEntryExists());
    EXPECT_EQ(removeAutostartEntry(), "");  // nothing there is not a failure

    // Whatever it holds, an entry that is there means "on".
    fs::create_directories(dir / "autostart");
    writeBytes(dir / "autostart" / "lettrica.desktop", "garbage");
    EXPECT_TRUE(autostartEntryExists());
}

TEST(Autostart, ExecQuotesReservedCharacters) {
    EXPECT_EQ(desktopExecArgument("/usr/bin/lettrica"), "/usr/bin/lettrica");
    EXPECT_EQ(desktopExecArgument("/home/u/My Apps/lettrica"), "\"/home/u/My Apps/lettrica\"");
    // Inside quotes $ ` " \ take a backslash, which the file format doubles again.
    EXPECT_EQ(desktopExecArgument("/a b/$x\\y"), "\"/a b/\\\\$x\\\\\\\\y\"");
    EXPECT_EQ(desktopExecArgument("/opt/100%/lettrica"), "/opt/100%%/lettrica");
}
