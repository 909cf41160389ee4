// The INI service: Windows profile semantics on a real file.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "settings/ini_file.h"
#include "tables_test_util.h"
#include "test_util.h"

using namespace lettrica::settings;
namespace fs = std::filesystem;

namespace {

mode_t modeOf(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0);
    return st.st_mode & 07777;
}

std::size_t entriesIn(const fs::path& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
    return n;
}

}  // namespace

TEST(IniFile, CreatesTheFileAndItsDirectoryOwnerOnly) {
    TempDir dir;
    const fs::path file = dir / "sub" / "lettrica.ini";
    IniFile ini(file);
    EXPECT_EQ(ini.readBytes("Main", "Width", "0"), "0");
    EXPECT_FALSE(ini.contains("Main", "Width"));
    EXPECT_EQ(ini.save(), "");  // nothing written, nothing to do
    EXPECT_FALSE(fs::exists(file));

    ASSERT_TRUE(ini.writeBytes("Main", "Width", "800"));
    ASSERT_TRUE(ini.writeBytes("Main", "Height", "600"));
    ASSERT_TRUE(ini.writeBytes("Menu", "Table", "1"));
    ASSERT_EQ(ini.save(), "");
    EXPECT_EQ(readBytes(file), "[Main]\r\nWidth=800\r\nHeight=600\r\n\r\n[Menu]\r\nTable=1\r\n");
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(modeOf(file.parent_path()), 0700u);  // it holds the password too
    EXPECT_EQ(entriesIn(file.parent_path()), 1u);  // no temporary file left behind

    IniFile again(file);
    EXPECT_EQ(again.readBytes("Main", "Height", "0"), "600");
    EXPECT_EQ(again.readBytes("menu", "TABLE", "2"), "1");
}

TEST(IniFile, WriteTouchesOnlyItsOwnLine) {
    TempDir dir;
    const std::string before =
        "; written by hand\n"
        "Stray=before any section\n"
        "[main]\n"
        "  WIDTH = 640  \n"
        "Colour=blue\n"
        "\n"
        "; about the menu\n"
        "[Menu]\n"
        "Table=0\n"
        "Unknown=kept\n"
        "no equals sign here\n"
        "\n"
        "[Main]\n"
        "Width=999\n"
        "[Tail]\n"
        "Last=1";  // no line end at the very end
    writeBytes(dir / "a.ini", before);
    IniFile ini(dir / "a.ini");
    EXPECT_EQ(ini.readBytes("Main", "Width", "0"), "640");  // the first section of a name counts
    EXPECT_EQ(ini.readBytes("Main", "Stray", "-"), "-");

    ASSERT_TRUE(ini.writeBytes("Main", "Width", "1024"));  // replaced, spelled as the file spells it
    ASSERT_TRUE(ini.writeBytes("Menu", "Perenos", "0"));   // added after the section's last key
    ASSERT_TRUE(ini.writeBytes("Tail", "New", "x"));       // added after a last line without an end
    ASSERT_TRUE(ini.writeBytes("Tray", "Min", "1"));       // a new section at the end
    ASSERT_EQ(ini.save(), "");
    EXPECT_EQ(readBytes(dir / "a.ini"),
              "; written by hand\n"
              "Stray=before any section\n"
              "[main]\n"
              "  WIDTH =1024\n"
              "Colour=blue\n"
              "\n"
              "; about the menu\n"
              "[Menu]\n"
              "Table=0\n"
              "Unknown=kept\n"
              "Perenos=0\n"
              "no equals sign here\n"
              "\n"
              "[Main]\n"
              "Width=999\n"
              "[Tail]\n"
              "Last=1\n"
              "New=x\n"
              "\n"
              "[Tray]\n"
              "Min=1\n");
}

TEST(IniFile, UnchangedValuesLeaveTheFileAlone) {
    TempDir dir;
    writeBytes(dir / "a.ini", "[A]\r\nk=1\r\n");
    fs::permissions(dir / "a.ini", fs::perms(0664));
    IniFile ini(dir / "a.ini");
    ASSERT_TRUE(ini.writeBytes("a", "K", "1"));
    EXPECT_FALSE(ini.modified());
    ASSERT_TRUE(ini.writeBytes("A", "k", "2"));
    EXPECT_TRUE(ini.modified());
    ASSERT_EQ(ini.save(), "");
    EXPECT_EQ(readBytes(dir / "a.ini"), "[A]\r\nk=2\r\n");
    // A rewrite takes from group and others what they could read: the file
    // may hold the mail password.
    EXPECT_EQ(modeOf(dir / "a.ini"), 0600u);
}

TEST(IniFile, NamesCompareWithoutCaseInWindows1251) {
    IniFile ini = IniFile::fromContent("x.ini", "[\xCF\xF0\xE8\xEC\xE5\xF0]\nK\xB8y=v\n");  // [Пример] Kёy
    EXPECT_EQ(ini.readBytes("\xEF\xD0\xC8\xCC\xC5\xD0", "k\xA8Y", "-"), "v");  // пРИМЕР kЁY
}

TEST(IniFile, ValuesComeBackAsWritten) {
    TempDir dir;
    const std::vector<std::u16string> values = {
        u"  pass word ", u"\"quoted\"", u"'single'", u"\"", u"", u"a=b;c", u"Пароль №1", u"tab\there",
    };
    {
        IniFile ini(dir / "v.ini");
        for (std::size_t i = 0; i < values.size(); ++i)
            ASSERT_TRUE(ini.write("Email", "k" + std::to_string(i), values[i])) << i;
        ASSERT_EQ(ini.save(), "");
    }
    IniFile ini(dir / "v.ini");
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(ini.read("Email", "k" + std::to_string(i), u"-"), values[i]) << i;
    // The file is Windows-1251.
    EXPECT_NE(readBytes(dir / "v.ini").find("k6=\xCF\xE0\xF0\xEE\xEB\xFC \xB9" "1\r\n"), std::string::npos);
    // Hand-written quotes and blanks are read as Windows reads them.
    IniFile hand = IniFile::fromContent("h.ini", "[S]\nq =  \"a b\"  \nr='x'\nblank=\n");
    EXPECT_EQ(hand.readBytes("S", "q", "-"), "a b");
    EXPECT_EQ(hand.readBytes("S", "r", "-"), "x");
    EXPECT_EQ(hand.readBytes("S", "blank", "-"), "");
}

// Never a silent "?": the whole file goes UTF-8 while a value needs it.
TEST(IniFile, UsesUtf8OnlyWhileAValueNeedsIt) {
    TempDir dir;
    const std::string before = "; \xCF\xF0\xE8\xE2\xE5\xF2\n[Email]\nmUserName=Jose\n";  // ; Привет
    writeBytes(dir / "u.ini", before);
    IniFile ini(dir / "u.ini");
    EXPECT_TRUE(ini.write("Email", "mUserName", u"José 王") && ini.save().empty());
    EXPECT_EQ(readBytes(dir / "u.ini"), "\xEF\xBB\xBF; Привет\n[Email]\nmUserName=José 王\n");
    IniFile back(dir / "u.ini");
    EXPECT_EQ(back.read("email", "MUSERNAME", u""), u"José 王");
    EXPECT_TRUE(back.write("Email", "mUserName", u"Jose") && back.save().empty());
    EXPECT_EQ(readBytes(dir / "u.ini"), before);
}

TEST(IniFile, RefusesWhatWouldCorruptTheFile) {
    IniFile ini = IniFile::fromContent("r.ini", "[Email]\r\nmPassword=old\r\n");
    // A line break would smuggle in lines of its own.
    EXPECT_FALSE(ini.write("Email", "mPassword", u"x\r\n[Main]\r\nWidth=1"));
    EXPECT_FALSE(ini.writeBytes("Email", "mPassword", std::string("a\0b", 3)));
    // Names that could not be read back as the same name.
    EXPECT_FALSE(ini.writeBytes("Ma]in", "Width", "1"));
    EXPECT_FALSE(ini.writeBytes("Main", "Wid=th", "1"));
    EXPECT_FALSE(ini.writeBytes("Main", " Width", "1"));
    EXPECT_FALSE(ini.writeBytes("", "Width", "1"));
    EXPECT_FALSE(ini.modified());
    EXPECT_EQ(ini.content(), "[Email]\r\nmPassword=old\r\n");
}

TEST(IniFile, LeavesAReadOnlyFileAndReportsFailures) {
    TempDir dir;
    writeBytes(dir / "ro.ini", "[Main]\nWidth=1\n");
    fs::permissions(dir / "ro.ini", fs::perms(0444));
    IniFile ini(dir / "ro.ini");
    ASSERT_TRUE(ini.writeBytes("Main", "Width", "2"));
    EXPECT_NE(ini.save(), "");
    EXPECT_EQ(readBytes(dir / "ro.ini"), "[Main]\nWidth=1\n");
    EXPECT_EQ(entriesIn(dir.path()), 1u);

    // A directory that cannot be made (a file stands in the way).
    writeBytes(dir / "plain", "x");
    IniFile blocked(dir / "plain" / "lettrica.ini");
    ASSERT_TRUE(blocked.writeBytes("Main", "Width", "2"));
    EXPECT_NE(blocked.save(), "");
    EXPECT_EQ(readBytes(dir / "plain"), "x");
}

// Whatever stands in the settings file's place and is not a settings file
// reads as no file (every key its default, at once: a FIFO is not waited
// for, a directory does not throw) and is never replaced.
TEST(IniFile, WhatIsNotASettingsFileIsReadAsEmptyAndLeftAlone) {
    TempDir dir;
    const fs::path fifo = dir / "fifo.ini", sub = dir / "dir.ini", loop = dir / "loop.ini", big = dir / "big.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(sub);
    fs::create_symlink("loop.ini", loop);
    const std::string huge = "[Main]\r\nWidth=1\r\n" + std::string(IniFile::kMaxFileBytes, ';');
    writeBytes(big, huge);
    for (const fs::path& p : {fifo, sub, loop, big}) {
        SCOPED_TRACE(p.filename().string());
        const fs::file_type type = fs::symlink_status(p).type();
        IniFile ini(p);
        EXPECT_NE(ini.unusable(), "");
        EXPECT_EQ(ini.readBytes("Main", "Width", "0"), "0");
        ASSERT_TRUE(ini.writeBytes("Main", "Width", "2"));
        EXPECT_NE(ini.save(), "");
        EXPECT_EQ(fs::symlink_status(p).type(), type);
    }
    EXPECT_EQ(readBytes(big), huge);
    EXPECT_EQ(entriesIn(dir.path()), 4u);
}

TEST(IniFile, ALinkStaysALink) {
    TempDir dir;
    writeBytes(dir / "real.ini", "[Main]\n");
    fs::permissions(dir / "real.ini", fs::perms(0600));
    fs::create_symlink(dir / "real.ini", dir / "link.ini");
    IniFile ini(dir / "link.ini");
    ASSERT_TRUE(ini.writeBytes("Main", "Top", "5"));
    ASSERT_EQ(ini.save(), "");
    EXPECT_TRUE(fs::is_symlink(dir / "link.ini"));
    EXPECT_EQ(readBytes(dir / "real.ini"), "[Main]\nTop=5\n");
}

TEST(IniFile, NumbersConvertAsTheWindowsProgramConverted) {
    EXPECT_EQ(toInteger("800"), 800);
    EXPECT_EQ(toInteger("  42"), 42);
    EXPECT_EQ(toInteger("-5"), -5);
    EXPECT_EQ(toInteger("+7"), 7);
    EXPECT_EQ(toInteger("007"), 7);
    EXPECT_EQ(toInteger("$FF"), 255);
    EXPECT_EQ(toInteger("0x1f"), 31);
    EXPECT_EQ(toInteger("X10"), 16);
    EXPECT_EQ(toInteger("-$10"), -16);
    EXPECT_EQ(toInteger("$FFFFFFFF"), -1);
    EXPECT_EQ(toInteger("2147483647"), 2147483647);
    EXPECT_EQ(toInteger("-2147483648"), INT32_MIN);
    for (const char* bad : {"", " ", "abc", "12a", "12 ", "-", "+", "$", "0x", "1.5", "2147483648",
                            "-2147483649", "$100000000", "\t1", "1e3"})
        EXPECT_EQ(toInteger(bad), std::nullopt) << '"' << bad << '"';
}
