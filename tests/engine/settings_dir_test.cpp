// Where the program's files live.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "fileio/atomic_file.h"
#include "settings/settings_dir.h"
#include "tables_test_util.h"

using namespace lettrica::settings;
namespace fs = std::filesystem;

namespace {

// Restores an environment variable when the test ends.
class EnvVar {
public:
    explicit EnvVar(const char* name) : name_(name) {
        if (const char* v = std::getenv(name)) saved_ = v;
    }
    ~EnvVar() {
        if (saved_) setenv(name_, saved_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

}  // namespace

TEST(SettingsDir, OrderOfPreference) {
    const fs::path portable = "/opt/lettrica/bin";
    EXPECT_EQ(chooseSettingsDir("/h/l", portable, "/x", "/home/u"), fs::path("/h/l"));
    EXPECT_EQ(chooseSettingsDir("", portable, "/x", "/home/u"), portable);
    EXPECT_EQ(chooseSettingsDir("", {}, "/x", "/home/u"), fs::path("/x/lettrica"));
    EXPECT_EQ(chooseSettingsDir("", {}, "", "/home/u"), fs::path("/home/u/.config/lettrica"));
    // A relative XDG_CONFIG_HOME is ignored.
    EXPECT_EQ(chooseSettingsDir("", {}, "rel/cfg", "/home/u"), fs::path("/home/u/.config/lettrica"));
}

// A writable directory of the executable (a build tree) is not taken: only
// one that already holds lettrica.ini is, as the command-line test of the
// real binary shows.
TEST(SettingsDir, FollowsTheEnvironment) {
    TempDir dir;
    EnvVar home("LETTRICA_HOME"), xdg("XDG_CONFIG_HOME");
    setenv("LETTRICA_HOME", dir.path().c_str(), 1);
    EXPECT_EQ(settingsDir(), dir.path());
    EXPECT_EQ(settingsFile("tr.dat"), dir / "tr.dat");

    unsetenv("LETTRICA_HOME");
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    ASSERT_FALSE(fs::exists(executableDir() / "lettrica.ini"));
    EXPECT_EQ(settingsDir(), dir / "config" / "lettrica");
    EXPECT_FALSE(fs::exists(dir / "config"));  // found, not created
}

TEST(SettingsDir, EnsureCreatesNestedDirectoriesForTheOwnerOnly) {
    TempDir dir;
    EXPECT_EQ(ensureDirExists(dir / "a" / "b"), "");
    EXPECT_TRUE(fs::is_directory(dir / "a" / "b"));
    EXPECT_EQ(fs::status(dir / "a").permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(dir / "a" / "b").permissions(), fs::perms::owner_all);
    EXPECT_EQ(ensureDirExists(dir / "a"), "");  // existing: fine
    writeBytes(dir / "file", "x");
    EXPECT_NE(ensureDirExists(dir / "file" / "sub"), "");
}

TEST(AtomicFile, ReplacesAndKeepsPermissions) {
    TempDir dir;
    const fs::path p = dir / "f.txt";
    ASSERT_TRUE(writeFileAtomically(p, "one").ok());
    fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(writeFileAtomically(p, "two").ok());
    EXPECT_EQ(readBytes(p), "two");
    EXPECT_EQ(fs::status(p).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    // A link keeps being a link; its target gets the new contents.
    fs::create_symlink(p, dir / "link.txt");
    ASSERT_TRUE(writeFileAtomically(dir / "link.txt", "three").ok());
    EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
    EXPECT_EQ(readBytes(p), "three");

    // Writing into a missing directory fails cleanly.
    EXPECT_FALSE(writeFileAtomically(dir / "missing" / "f", "x").ok());
}
