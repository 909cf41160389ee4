// Where the program's files live.

#include <gtest/gtest.h>

#include <cstdlib>

#include "settings/atomic_file.h"
#include "settings/settings_dir.h"
#include "tables_test_util.h"

using namespace lettrica::settings;
namespace fs = std::filesystem;

TEST(SettingsDir, OrderOfPreference) {
    const fs::path exe = "/opt/lettrica/bin";
    EXPECT_EQ(chooseSettingsDir("/h/l", exe, "/x", "/home/u"), fs::path("/h/l"));
    EXPECT_EQ(chooseSettingsDir("", exe, "/x", "/home/u"), exe);
    EXPECT_EQ(chooseSettingsDir("", {}, "/x", "/home/u"), fs::path("/x/lettrica"));
    EXPECT_EQ(chooseSettingsDir("", {}, "", "/home/u"), fs::path("/home/u/.config/lettrica"));
    // A relative XDG_CONFIG_HOME is ignored.
    EXPECT_EQ(chooseSettingsDir("", {}, "rel/cfg", "/home/u"), fs::path("/home/u/.config/lettrica"));
}

TEST(SettingsDir, FollowsTheEnvironment) {
    TempDir dir;
    const char* saved = std::getenv("LETTRICA_HOME");
    const std::string savedValue = saved ? saved : "";
    setenv("LETTRICA_HOME", dir.path().c_str(), 1);
    EXPECT_EQ(settingsDir(), dir.path());
    EXPECT_EQ(settingsFile("tr.dat"), dir / "tr.dat");

    // Unset: the test binary's directory is writable, so it is chosen.
    unsetenv("LETTRICA_HOME");
    EXPECT_EQ(settingsDir(), executableDir());
    EXPECT_FALSE(executableDir().empty());
    if (saved) setenv("LETTRICA_HOME", savedValue.c_str(), 1);
}

TEST(SettingsDir, EnsureCreatesNestedDirectories) {
    TempDir dir;
    EXPECT_EQ(ensureDirExists(dir / "a" / "b"), "");
    EXPECT_TRUE(fs::is_directory(dir / "a" / "b"));
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
