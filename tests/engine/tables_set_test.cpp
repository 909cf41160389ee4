// The tables over a run: start-up load, editor confirmation, close-time
// save, reset, and what each does to the files.

#include <gtest/gtest.h>

#include <csignal>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>

#include "tables/table_file.h"
#include "tables/user_table_set.h"
#include "tables_test_util.h"

using namespace lettrica::tables;
namespace fs = std::filesystem;

namespace {

std::string lines(std::size_t n, std::string_view prefix = "x") {
    std::string s;
    for (std::size_t i = 1; i <= n; ++i) s += std::string(prefix) + std::to_string(i) + "\r\n";
    return s;
}

Table filled(TableKind kind, std::string_view prefix) {
    Table t;
    for (std::size_t i = 1; i <= entryCount(kind); ++i) t.push_back(std::string(prefix) + std::to_string(i));
    return t;
}

}  // namespace

TEST(UserTableSet, NoFilesKeepsDefaultsAndCreatesNothing) {
    TempDir dir;
    UserTableSet set;
    set.load(dir.path());
    EXPECT_EQ(set.table(TableKind::Tr), defaultTable(TableKind::Tr));
    EXPECT_EQ(set.table(TableKind::Rt), defaultTable(TableKind::Rt));
    EXPECT_FALSE(set.loaded(TableKind::Tr));
    EXPECT_FALSE(set.loaded(TableKind::Rt));
    EXPECT_FALSE(set.resetEnabled());
    EXPECT_TRUE(set.save(dir.path()).empty());
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(UserTableSet, RejectedFileIsDeletedOtherTableUnaffected) {
    TempDir dir;
    writeBytes(dir / "tr.dat", lines(51));
    writeBytes(dir / "rt.dat", lines(66));
    UserTableSet set;
    UserTableSet::LoadReport report = set.load(dir.path());
    EXPECT_EQ(report.tr.status, LoadStatus::Rejected);
    EXPECT_EQ(set.table(TableKind::Tr), defaultTable(TableKind::Tr));
    EXPECT_FALSE(fs::exists(dir / "tr.dat"));
    EXPECT_TRUE(set.loaded(TableKind::Rt));
    EXPECT_EQ(set.table(TableKind::Rt)[65], "x66");
    EXPECT_TRUE(set.resetEnabled());

    // 52 lines and one more line end: rejected too, and the reset stays
    // disabled when nothing was accepted.
    TempDir dir2;
    writeBytes(dir2 / "tr.dat", lines(52) + "\r\n");
    UserTableSet set2;
    set2.load(dir2.path());
    EXPECT_FALSE(fs::exists(dir2 / "tr.dat"));
    EXPECT_FALSE(set2.resetEnabled());
}

TEST(UserTableSet, RejectedFileLeavesNoEntryBehind) {
    // A table already changed in memory falls back to the defaults whole.
    TempDir dir;
    writeBytes(dir / "rt.dat", lines(70));
    UserTableSet set;
    ASSERT_TRUE(set.confirm(TableKind::Rt, filled(TableKind::Rt, "m")).ok());
    set.load(dir.path());
    EXPECT_EQ(set.table(TableKind::Rt), defaultTable(TableKind::Rt));
}

// What is not a regular file is taken as missing and never replaced or
// deleted, at start, at close or by the reset; neither is a read-only file,
// valid or not. A FIFO would block the load for ever if it were opened.
TEST(UserTableSet, OddAndReadOnlyFilesAreLeftAlone) {
    const std::string readOnly = lines(66, "ro");
    const std::string rejected = lines(51, "short");
    for (const char* kind : {"directory", "fifo", "loop"}) {
        SCOPED_TRACE(kind);
        TempDir dir;
        const fs::path tr = dir / "tr.dat";
        if (kind == std::string("directory")) fs::create_directory(tr);
        else if (kind == std::string("fifo")) ASSERT_EQ(::mkfifo(tr.c_str(), 0644), 0);
        else fs::create_symlink("tr.dat", tr);
        const fs::file_type type = fs::symlink_status(tr).type();
        writeBytes(dir / "rt.dat", readOnly);
        fs::permissions(dir / "rt.dat", fs::perms(0444));

        UserTableSet set;
        UserTableSet::LoadReport report = set.load(dir.path());
        EXPECT_EQ(report.tr.status, LoadStatus::NotAFile);
        EXPECT_EQ(set.table(TableKind::Tr), defaultTable(TableKind::Tr));
        EXPECT_TRUE(set.loaded(TableKind::Rt));
        EXPECT_EQ(set.table(TableKind::Rt)[65], "ro66");

        // Confirmed in both editors: the close refuses both files.
        ASSERT_TRUE(set.confirm(TableKind::Tr, filled(TableKind::Tr, "t")).ok());
        ASSERT_TRUE(set.confirm(TableKind::Rt, filled(TableKind::Rt, "r")).ok());
        EXPECT_EQ(set.save(dir.path()).size(), 2u);
        // And so does the reset.
        EXPECT_EQ(set.reset(dir.path()).size(), 2u);
        EXPECT_EQ(fs::symlink_status(tr).type(), type);
        EXPECT_EQ(readBytes(dir / "rt.dat"), readOnly);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);

        // A rejected read-only file is not deleted either.
        fs::permissions(dir / "rt.dat", fs::perms(0644));
        writeBytes(dir / "rt.dat", rejected);
        fs::permissions(dir / "rt.dat", fs::perms(0444));
        UserTableSet again;
        EXPECT_EQ(again.load(dir.path()).rt.status, LoadStatus::Rejected);
        EXPECT_EQ(readBytes(dir / "rt.dat"), rejected);
        EXPECT_FALSE(again.resetEnabled());
    }
}

TEST(UserTableSet, LoadedFileUntouchedUnlessConfirmed) {
    TempDir dir;
    std::string lfOnly = "A\nB\n";
    for (int i = 0; i < 50; ++i) lfOnly += "q\n";
    writeBytes(dir / "tr.dat", lfOnly);
    UserTableSet set;
    set.load(dir.path());
    ASSERT_TRUE(set.loaded(TableKind::Tr));
    EXPECT_TRUE(set.save(dir.path()).empty());
    EXPECT_EQ(readBytes(dir / "tr.dat"), lfOnly);
    EXPECT_FALSE(fs::exists(dir / "rt.dat"));

    // Confirmed without change: rewritten with CR LF.
    ASSERT_TRUE(set.confirm(TableKind::Tr, set.table(TableKind::Tr)).ok());
    EXPECT_TRUE(set.save(dir.path()).empty());
    std::string expected = "A\r\nB\r\n";
    for (int i = 0; i < 50; ++i) expected += "q\r\n";
    EXPECT_EQ(readBytes(dir / "tr.dat"), expected);
    EXPECT_FALSE(fs::exists(dir / "rt.dat"));
}

TEST(UserTableSet, ConfirmedTableSurvivesARestart) {
    TempDir dir;
    {
        UserTableSet set;
        set.load(dir.path());
        Table t = set.table(TableKind::Rt);
        t[0] = " ";                        // one space is a valid entry
        t[14] = std::string(300, 'Z');     // Ж
        ASSERT_TRUE(set.confirm(TableKind::Rt, t).ok());
        EXPECT_TRUE(set.resetEnabled());
        EXPECT_TRUE(set.save(dir.path()).empty());
    }
    EXPECT_FALSE(fs::exists(dir / "tr.dat"));
    UserTableSet next;
    next.load(dir.path());
    EXPECT_TRUE(next.loaded(TableKind::Rt));
    EXPECT_FALSE(next.modified(TableKind::Rt));
    EXPECT_EQ(next.table(TableKind::Rt)[0], " ");
    EXPECT_EQ(next.table(TableKind::Rt)[14], std::string(300, 'Z'));
    EXPECT_EQ(next.table(TableKind::Rt)[1], "a");
}

TEST(UserTableSet, DefaultsConfirmedAreWrittenByteExact) {
    TempDir dir;
    UserTableSet set;
    ASSERT_TRUE(set.confirm(TableKind::Tr, defaultTable(TableKind::Tr)).ok());
    ASSERT_TRUE(set.confirm(TableKind::Rt, defaultTable(TableKind::Rt)).ok());
    EXPECT_TRUE(set.save(dir / "new" / "sub").empty());  // directory created on first write
    EXPECT_EQ(fs::file_size(dir / "new" / "sub" / "tr.dat"), 162u);
    EXPECT_EQ(fs::file_size(dir / "new" / "sub" / "rt.dat"), 232u);
}

TEST(UserTableSet, ConfirmRefusesWhatCouldNotBeStored) {
    UserTableSet set;
    Table t = set.table(TableKind::Tr);
    t[3] = "a\nb";
    EXPECT_FALSE(set.confirm(TableKind::Tr, t).ok());
    EXPECT_FALSE(set.confirm(TableKind::Tr, Table(66)).ok());
    EXPECT_FALSE(set.modified(TableKind::Tr));
    EXPECT_FALSE(set.resetEnabled());
    EXPECT_EQ(set.table(TableKind::Tr), defaultTable(TableKind::Tr));
}

TEST(UserTableSet, ResetDeletesBothFilesAndUnmarks) {
    TempDir dir;
    writeBytes(dir / "tr.dat", lines(52));
    writeBytes(dir / "rt.dat", lines(66));
    UserTableSet set;
    set.load(dir.path());
    ASSERT_TRUE(set.confirm(TableKind::Tr, filled(TableKind::Tr, "t")).ok());
    EXPECT_TRUE(set.reset(dir.path()).empty());
    EXPECT_FALSE(fs::exists(dir / "tr.dat"));
    EXPECT_FALSE(fs::exists(dir / "rt.dat"));
    EXPECT_EQ(set.table(TableKind::Tr), defaultTable(TableKind::Tr));
    EXPECT_EQ(set.table(TableKind::Rt), defaultTable(TableKind::Rt));
    EXPECT_FALSE(set.resetEnabled());
    EXPECT_FALSE(set.modified(TableKind::Tr));
    // Nothing is recreated at close.
    EXPECT_TRUE(set.save(dir.path()).empty());
    EXPECT_TRUE(fs::is_empty(dir.path()));
    // A later OK marks the table again.
    ASSERT_TRUE(set.confirm(TableKind::Rt, set.table(TableKind::Rt)).ok());
    EXPECT_TRUE(set.resetEnabled());
    set.save(dir.path());
    EXPECT_TRUE(fs::exists(dir / "rt.dat"));
    EXPECT_FALSE(fs::exists(dir / "tr.dat"));
}

TEST(UserTableSet, FailedWriteKeepsThePreviousFile) {
    TempDir dir;
    const std::string previous = lines(66, "old");
    writeBytes(dir / "rt.dat", previous);
    UserTableSet set;
    set.load(dir.path());
    ASSERT_TRUE(set.confirm(TableKind::Rt, filled(TableKind::Rt, "a-much-longer-new-entry-")).ok());

    // Limit the size of any file this process writes to below the new
    // table: the write fails part-way, as on a full disk.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 200;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::vector<std::string> errors = set.save(dir.path());
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(readBytes(dir / "rt.dat"), previous);
    // No temporary file is left behind.
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 1u);

    // A directory where the file should go: reported, nothing lost.
    TempDir other;
    writeBytes(other / "blocker", "x");
    EXPECT_EQ(set.save(other / "blocker").size(), 1u);
    EXPECT_EQ(readBytes(other / "blocker"), "x");
}
