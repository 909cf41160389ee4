// The one file writer: what it may replace, what the replacement keeps, and
// that no temporary file outlives it, whatever ends the process.

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <iterator>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "fileio/atomic_file.h"
#include "tables_test_util.h"

using namespace lettrica::settings;
namespace fs = std::filesystem;

namespace {

long entriesIn(const fs::path& dir) { return std::distance(fs::directory_iterator(dir), fs::directory_iterator()); }

// Runs `child` in a forked process and returns its wait status.
int inChild(const std::function<void()>& child) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        child();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

}  // namespace

TEST(AtomicFile, ReplacementKeepsModeOwnerAndGroup) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    TempDir dir;
    const fs::path p = dir / "shared.txt";
    writeBytes(p, "old");
    ASSERT_EQ(::chown(p.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    ASSERT_EQ(::chmod(p.c_str(), 02640), 0);  // set-group-ID survives the change of owner too

    ASSERT_TRUE(writeFileAtomically(p, "new").ok());
    struct stat st {};
    ASSERT_EQ(::stat(p.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, nobody->pw_uid);
    EXPECT_EQ(st.st_gid, nobody->pw_gid);
    EXPECT_EQ(st.st_mode & 07777, 02640u);
    EXPECT_EQ(readBytes(p), "new");
    EXPECT_EQ(entriesIn(dir.path()), 1);
}

// A file the user may write but does not own (another owner, or a group
// not theirs) cannot be replaced by a file of theirs: it is written in
// place, owner, mode and inode kept, also in a directory they may not
// write. Where its old bytes cannot be kept aside first, nothing is written.
TEST(AtomicFile, FileOfAnotherOwnerIsWrittenInPlace) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    TempDir dir;
    fs::create_directory(dir / "open");
    fs::create_directory(dir / "closed");
    fs::permissions(dir.path(), fs::perms(0755));
    fs::permissions(dir / "open", fs::perms(0777));
    fs::permissions(dir / "closed", fs::perms(0755));
    const struct {
        const char* file;
        mode_t mode;
        gid_t group;
        const char* tmpdir;
        bool written;
    } cases[] = {
        {"open/others.txt", 0666, 0, nullptr, true},                      // writable by everybody
        {"open/group.txt", 0664, nobody->pw_gid, nullptr, true},           // by the user's group
        {"closed/others.txt", 0666, 0, nullptr, true},                    // no temporary file beside it
        {"open/nowhere.txt", 0666, 0, "/nonexistent", false},             // no room for the old bytes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const fs::path p = dir / c.file;
        writeBytes(p, std::string(100000, 'o'));
        ASSERT_EQ(::chown(p.c_str(), 0, c.group), 0);
        ASSERT_EQ(::chmod(p.c_str(), c.mode), 0);
        struct stat before {};
        ASSERT_EQ(::stat(p.c_str(), &before), 0);
        const int status = inChild([&] {
            if (c.tmpdir) ::setenv("TMPDIR", c.tmpdir, 1);
            if (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0) ::_exit(3);
            ::_exit(writeFileAtomically(p, "new").ok() ? 0 : 1);
        });
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.written ? 0 : 1);
        struct stat after {};
        ASSERT_EQ(::stat(p.c_str(), &after), 0);
        EXPECT_EQ(readBytes(p), c.written ? "new" : std::string(100000, 'o'));
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_uid, 0u);
        EXPECT_EQ(after.st_gid, c.group);
        EXPECT_EQ(after.st_mode & 07777, c.mode);
    }
    EXPECT_EQ(entriesIn(dir / "open"), 3);
    EXPECT_EQ(entriesIn(dir / "closed"), 1);
}

TEST(AtomicFile, FollowsLinksToMissingFilesAndFailsOnLoops) {
    TempDir dir;
    fs::create_directory(dir / "real");
    // A link to a file that does not exist yet: the file is created there.
    fs::create_symlink("real/new.txt", dir / "dangling");
    ASSERT_TRUE(writeFileAtomically(dir / "dangling", "text").ok());
    EXPECT_TRUE(fs::is_symlink(dir / "dangling"));
    EXPECT_EQ(readBytes(dir / "real" / "new.txt"), "text");
    // A chain of links ends at the same file.
    fs::create_symlink("dangling", dir / "chain");
    ASSERT_TRUE(writeFileAtomically(dir / "chain", "more").ok());
    EXPECT_EQ(readBytes(dir / "real" / "new.txt"), "more");
    EXPECT_TRUE(fs::is_symlink(dir / "chain"));

    fs::create_symlink("b", dir / "a");
    fs::create_symlink("a", dir / "b");
    WriteResult loop = writeFileAtomically(dir / "a", "x");
    EXPECT_FALSE(loop.ok());
    EXPECT_NE(loop.error.find("symbolic links"), std::string::npos) << loop.error;
    EXPECT_TRUE(fs::is_symlink(dir / "a"));
    EXPECT_TRUE(fs::is_symlink(dir / "b"));
    EXPECT_EQ(entriesIn(dir.path()), 5);
    EXPECT_EQ(entriesIn(dir / "real"), 1);
}

// A read-only file (also for root), a directory and a FIFO are neither
// replaced nor deleted; the refusal names the reason.
TEST(AtomicFile, ReplacesAndDeletesOnlyWhatItMay) {
    TempDir dir;
    writeBytes(dir / "ro.txt", "keep");
    fs::permissions(dir / "ro.txt", fs::perms(0444));
    fs::create_directory(dir / "dir");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    fs::create_symlink("ro.txt", dir / "to-ro");

    const struct {
        const char* name;
        const char* reason;
    } cases[] = {{"ro.txt", "read-only"}, {"to-ro", "read-only"}, {"dir", "Is a directory"}, {"fifo", "regular"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::file_type type = fs::symlink_status(dir / c.name).type();
        WriteResult w = writeFileAtomically(dir / c.name, "new");
        EXPECT_NE(w.error.find(c.reason), std::string::npos) << w.error;
        WriteResult d = deleteFileIfAllowed(dir / c.name);
        EXPECT_NE(d.error.find(c.reason), std::string::npos) << d.error;
        EXPECT_EQ(fs::symlink_status(dir / c.name).type(), type);
    }
    EXPECT_EQ(readBytes(dir / "ro.txt"), "keep");
    EXPECT_EQ(entriesIn(dir.path()), 4);

    // What may be written may be deleted; a link goes, not its target.
    writeBytes(dir / "rw.txt", "x");
    fs::create_symlink("rw.txt", dir / "to-rw");
    EXPECT_TRUE(deleteFileIfAllowed(dir / "to-rw").ok());
    EXPECT_TRUE(fs::exists(dir / "rw.txt"));
    EXPECT_TRUE(deleteFileIfAllowed(dir / "rw.txt").ok());
    EXPECT_TRUE(deleteFileIfAllowed(dir / "rw.txt").ok());  // missing: no error
    EXPECT_EQ(entriesIn(dir.path()), 4);
}

// A write interrupted by a signal leaves the old file and nothing else: the
// unnamed temporary file vanishes with the process even on SIGKILL, and the
// named one (file systems without unnamed files) is removed by the handler.
TEST(AtomicFile, NoTemporaryFileOutlivesAnInterruptedWrite) {
    struct Case {
        int signal;
        bool unnamed;
    };
    for (Case c : {Case{SIGINT, false}, Case{SIGTERM, false}, Case{SIGHUP, false}, Case{SIGKILL, true},
                   Case{SIGTERM, true}}) {
        SCOPED_TRACE(std::string(strsignal(c.signal)) + (c.unnamed ? ", unnamed" : ", named"));
        TempDir dir;
        writeBytes(dir / "out.txt", "old");
        const int status = inChild([&] {
            for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, SIG_DFL);
            removeTemporariesOnSignals();
            WriteOptions options;
            options.unnamedTemporary = c.unnamed;
            AtomicFileWriter writer(dir / "out.txt", options);
            if (!writer.write(std::string(100000, 'n'))) ::_exit(2);
            // The named file is really there until the signal.
            if (entriesIn(dir.path()) != (c.unnamed ? 1 : 2)) ::_exit(3);
            ::raise(c.signal);
            ::_exit(4);
        });
        ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), c.signal);
        EXPECT_EQ(entriesIn(dir.path()), 1);
        EXPECT_EQ(readBytes(dir / "out.txt"), "old");
    }
}

// A signal the program was started with ignored (nohup) stays ignored.
TEST(AtomicFile, IgnoredSignalsStayIgnored) {
    const int status = inChild([] {
        std::signal(SIGHUP, SIG_IGN);
        removeTemporariesOnSignals();
        ::raise(SIGHUP);
    });
    EXPECT_TRUE(WIFEXITED(status));
}
