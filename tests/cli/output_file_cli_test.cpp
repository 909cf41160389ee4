// -o OUT on the real lettrica-cli: it replaces only what a shell redirection
// could write, keeps what the old file was, and leaves nothing behind when
// the run is interrupted. Input files are judged by their bytes.

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cli_test_util.h"

using namespace clitest;
namespace fs = std::filesystem;

namespace {

class OutputFileCli : public CliTest {};

// Whether process `pid` holds a file open in `dir` (its temporary output).
bool holdsFileIn(pid_t pid, const fs::path& dir) {
    std::error_code ec;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
        const std::string target = fs::read_symlink(fd.path(), ec).string();
        if (!ec && target.rfind(dir.string() + "/", 0) == 0) return true;
    }
    return false;
}

}  // namespace

TEST_F(OutputFileCli, ReplacesOnlyWhatARedirectionCouldWrite) {
    write("in.txt", cp1251("Жук"));
    write("ro.txt", "keep");
    fs::permissions(path("ro.txt"), fs::perms(0444));
    fs::create_directory(path("dir"));
    fs::create_directory(path("sub"));
    fs::create_symlink("sub/new.txt", path("dangling"));
    fs::create_symlink("loop2", path("loop1"));
    fs::create_symlink("loop1", path("loop2"));
    const auto before = listing();

    // Refused as "> OUT" would refuse it (and root too, for a read-only
    // file), by every command that writes files.
    for (const char* command : {"to-latin", "recode --from win --to koi", "case upper"}) {
        SCOPED_TRACE(command);
        Result r = run(std::string(command) + " -o ro.txt in.txt");
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.err.find("ro.txt: Permission denied"), std::string::npos) << r.err;
    }
    Result r = run("to-latin -o loop1 in.txt");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("loop1: Too many levels of symbolic links"), std::string::npos) << r.err;
    r = run("to-latin -o dir in.txt");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("dir: Is a directory"), std::string::npos) << r.err;
    for (const char* empty : {"-o ''", "--output="}) {
        r = run(std::string("to-latin in.txt ") + empty);
        EXPECT_EQ(r.code, 2) << empty;
        EXPECT_EQ(r.out, "") << empty;
    }
    EXPECT_EQ(read("ro.txt"), "keep");
    EXPECT_EQ(listing(), before);
    EXPECT_TRUE(fs::is_empty(path("sub")));
    EXPECT_TRUE(fs::is_empty(path("dir")));

    // A link that names no file (/dev/stdout to a pipe) is written to as a pipe.
    r = run("to-latin -o /dev/stdout in.txt | cat");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Zhuk");

    // A link to a file not there yet: the file it names is written.
    r = run("to-latin -o dangling in.txt");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(path("dangling")));
    EXPECT_EQ(read("sub/new.txt"), "Zhuk");
}

TEST_F(OutputFileCli, ReplacingKeepsOwnerGroupAndMode) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    write("in.txt", cp1251("Жук"));
    write("theirs.txt", "old");
    ASSERT_EQ(::chown(path("theirs.txt").c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    ASSERT_EQ(::chmod(path("theirs.txt").c_str(), 0640), 0);
    Result r = run("to-latin -o theirs.txt in.txt");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(read("theirs.txt"), "Zhuk");
    struct stat st {};
    ASSERT_EQ(::stat(path("theirs.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, nobody->pw_uid);
    EXPECT_EQ(st.st_gid, nobody->pw_gid);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// -o onto a file the user may write but does not own is written in place:
// the owner, group, mode and inode stay.
TEST_F(OutputFileCli, FileOfAnotherOwnerIsWrittenInPlace) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    write("in.txt", cp1251("Жук"));
    write("shared.txt", "old");
    ASSERT_EQ(::chmod(path("shared.txt").c_str(), 0666), 0);
    for (const fs::path& dir : {path("in.txt").parent_path(), path("in.txt").parent_path().parent_path()})
        fs::permissions(dir, fs::perms(0755));
    struct stat before {};
    ASSERT_EQ(::stat(path("shared.txt").c_str(), &before), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(path("in.txt").parent_path().c_str()) != 0 || ::setgroups(0, nullptr) != 0 ||
            ::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0)
            ::_exit(99);
        ::execl(LETTRICA_CLI, "lettrica-cli", "to-latin", "-o", "shared.txt", "in.txt", static_cast<char*>(nullptr));
        ::_exit(98);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(read("shared.txt"), "Zhuk");
    struct stat after {};
    ASSERT_EQ(::stat(path("shared.txt").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, 0u);
    EXPECT_EQ(after.st_mode & 07777, 0666u);
    EXPECT_EQ(listing(), (std::vector<std::string>{"in.txt", "shared.txt"}));
}

// The run is stopped while it waits for more input, its output file open:
// the old file stays and no temporary file is left, whatever the signal.
TEST_F(OutputFileCli, InterruptedRunLeavesNoTemporaryFile) {
    const fs::path work = path("").parent_path();
    for (int sig : {SIGINT, SIGTERM, SIGKILL}) {
        SCOPED_TRACE(strsignal(sig));
        write("out.txt", "old");
        const auto before = listing();
        int in[2];
        ASSERT_EQ(::pipe(in), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::close(in[0]);
            ::close(in[1]);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, SIG_DFL);
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            if (::chdir(work.c_str()) != 0) ::_exit(126);
            ::execl(LETTRICA_CLI, LETTRICA_CLI, "to-latin", "-o", "out.txt", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        // More than one read's worth, so that output has been written too.
        const std::string text = repeat(cp1251("щука "), 200000);
        ASSERT_EQ(::write(in[1], text.data(), 65536), 65536);
        while (!holdsFileIn(pid, work)) {
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, WNOHANG), 0) << "ended before its output was open";
            ::usleep(10000);
        }
        ASSERT_EQ(::kill(pid, sig), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ::close(in[1]);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), sig);
        EXPECT_EQ(listing(), before);
        EXPECT_EQ(read("out.txt"), "old");
    }
}

// A pseudo-file claims a size of 0 and has bytes all the same: they decide
// the encoding. The program's own environment holds Windows-1251 "При".
TEST_F(OutputFileCli, PseudoFilesAreJudgedByTheirBytes) {
    Result r = run("to-latin /proc/self/environ", {}, Stdin::Null, "export LETTRICA_PROBE=\"$(printf '\\317\\360\\350')\";");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find(std::string("LETTRICA_PROBE=Pri\0", 19)), std::string::npos);
}
