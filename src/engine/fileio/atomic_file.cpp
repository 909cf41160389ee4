#include "fileio/atomic_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <random>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lettrica::settings {
namespace fs = std::filesystem;

namespace {

// A written file is handed to the disk in steps of this size, so that the
// flush before the rename finds little left to do.
constexpr std::size_t kWriteBehind = 8 << 20;
// Writes from this size on have their blocks allocated first.
constexpr std::size_t kAllocateAhead = 64 << 10;
// As many links as the kernel follows in one path.
constexpr int kMaxLinks = 40;

// The named temporary files in existence, for the signal handler: fixed
// buffers and lock-free flags are all a handler may touch.
struct PendingTemporary {
    std::atomic<int> state{0};  // 0 free, 1 being filled in, 2 holds a name
    char path[PATH_MAX];
};
PendingTemporary pending[16];

int claimPending(const fs::path& path) {
    const std::string& p = path.native();
    if (p.size() >= PATH_MAX) return -1;
    for (int i = 0; i < static_cast<int>(std::size(pending)); ++i) {
        int expected = 0;
        if (!pending[i].state.compare_exchange_strong(expected, 1)) continue;
        std::memcpy(pending[i].path, p.c_str(), p.size() + 1);
        pending[i].state.store(2);
        return i;
    }
    return -1;  // more writes at once than slots: that one is not cleaned up by a signal
}

void releasePending(int slot) {
    if (slot >= 0) pending[slot].state.store(0);
}

void removePendingAndDie(int sig) {
    for (PendingTemporary& p : pending)
        if (p.state.load() == 2) ::unlink(p.path);
    // The handler was reset on entry: the signal, blocked until we return,
    // then ends the process as it would have without us.
    ::raise(sig);
}

bool procFdUsable() {
    static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
    return usable;
}

std::string errnoText() { return std::strerror(errno); }

fs::path readLink(const fs::path& link) {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buffer.size()) return fs::path(buffer.substr(0, static_cast<std::size_t>(n)));
        buffer.resize(buffer.size() * 2);
    }
}

fs::path temporaryName(const fs::path& target) {
    return target.parent_path() / ("." + target.filename().string() + ".tmp-" + uniqueSuffix());
}

fs::path directoryOf(const fs::path& file) { return file.parent_path().empty() ? fs::path(".") : file.parent_path(); }

// Makes a file of a fresh hidden name beside `beside` exist through
// `create`; false with errno set when it could not.
bool createNamedBeside(const fs::path& beside, const std::function<bool(const char* name)>& create, fs::path& made,
                       int& slot) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        const fs::path name = temporaryName(beside);
        // Known to the signal handler before it exists, so it never exists unknown.
        const int claimed = claimPending(name);
        if (create(name.c_str())) {
            made = name;
            slot = claimed;
            return true;
        }
        const int err = errno;
        releasePending(claimed);
        errno = err;
        if (err != EEXIST) return false;
    }
    return false;
}

fs::path temporaryDirectory() {
    const char* dir = std::getenv("TMPDIR");
    return dir && *dir ? fs::path(dir) : fs::path("/tmp");
}

// Whether a new file of ours can be given `target`'s owner and group.
bool canGiveOwnership(const WriteTarget& target) {
    const uid_t uid = ::geteuid();
    if (uid == 0) return true;
    if (target.owner != uid) return false;
    if (target.group == ::getegid()) return true;
    const int n = ::getgroups(0, nullptr);
    if (n <= 0) return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(n));
    const int got = ::getgroups(n, groups.data());
    return got > 0 && std::find(groups.begin(), groups.begin() + got, target.group) != groups.begin() + got;
}

// Copies `size` bytes from the start of one file to the start of another.
bool copyStart(int from, int to, std::size_t size) {
    std::vector<char> buffer(1 << 20);
    for (std::size_t at = 0; at < size;) {
        const std::size_t want = std::min(buffer.size(), size - at);
        const ssize_t got = ::pread(from, buffer.data(), want, static_cast<off_t>(at));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            if (got == 0) errno = EIO;  // shorter than it was
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::pwrite(to, buffer.data() + done, static_cast<std::size_t>(got - done),
                                         static_cast<off_t>(at + static_cast<std::size_t>(done)));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) {
                if (put == 0) errno = ENOSPC;
                return false;
            }
            done += put;
        }
        at += static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

std::string uniqueSuffix() {
    static thread_local std::mt19937_64 gen{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::uint64_t v = gen();
    std::string s(12, '0');
    for (char& c : s) {
        c = digits[v & 15];
        v >>= 4;
    }
    return s;
}

WriteTarget resolveWriteTarget(const fs::path& path) {
    WriteTarget target;
    target.path = path;
    // What the path leads to, as the kernel follows it: this also sees
    // through the links of /proc (/dev/stdout to a pipe) that name no file.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        target.exists = true;
        target.mode = st.st_mode;
        target.owner = st.st_uid;
        target.group = st.st_gid;
        target.device = st.st_dev;
        target.inode = st.st_ino;
    } else if (errno != ENOENT) {
        target.reason = errnoText();  // a loop of links, a search permission
        return target;
    }
    // The name the rename must replace: links followed one by one, down to
    // the file a dangling link names.
    fs::path p = path;
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        struct stat lst {};
        if (::lstat(p.c_str(), &lst) != 0 || !S_ISLNK(lst.st_mode)) {
            target.path = p;
            return target;
        }
        const fs::path link = readLink(p);
        if (link.empty()) break;
        p = link.is_absolute() ? link : p.parent_path() / link;
    }
    target.reason = std::strerror(ELOOP);
    return target;
}

std::string replaceRefusal(const WriteTarget& target) {
    if (!target.exists) return {};
    if (S_ISDIR(target.mode)) return std::strerror(EISDIR);
    if (!S_ISREG(target.mode)) return "not a regular file";
    if ((target.mode & 0222) == 0) return std::string(std::strerror(EACCES)) + " (the file is read-only)";
    if (::access(target.path.c_str(), W_OK) != 0) return errnoText();
    return {};
}

AtomicFileWriter::AtomicFileWriter(const fs::path& path, WriteOptions options) : options_(options) {
    target_ = resolveWriteTarget(path);
    if (!target_.reason.empty()) {
        reason_ = target_.reason;
        return;
    }
    if (std::string refusal = replaceRefusal(target_); !refusal.empty()) {
        reason_ = refusal;
        return;
    }
    // No more than the final mode while it is written, so that nobody else
    // opens it meanwhile.
    mode_t mode = static_cast<mode_t>(options_.newFileMode & 07777);
    if (target_.exists) mode &= target_.mode & options_.keptModeMask & 07777;

    // A file that cannot keep its owner is written in place; its new bytes
    // wait in a temporary file that is only read, never renamed.
    inPlace_ = target_.exists && !canGiveOwnership(target_);
    if (options_.unnamedTemporary && procFdUsable()) {
        fd_ = ::open(directoryOf(target_.path).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    }
    // The file system has no unnamed files (or they were not wanted).
    if (fd_ < 0 && !createNamed([&](const char* name) {
            fd_ = ::open(name, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            return fd_ >= 0;
        })) {
        // A directory this user may not write, around a file they may.
        if (!target_.exists || (errno != EACCES && errno != EPERM)) {
            failErrno("");
            return;
        }
        inPlace_ = true;
        fd_ = ::open(temporaryDirectory().c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd_ < 0 && !createNamedBeside(temporaryDirectory() / target_.path.filename(), [&](const char* name) {
                fd_ = ::open(name, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
                return fd_ >= 0;
            }, tempPath_, pendingSlot_))
            failErrno("");
    }
}

bool AtomicFileWriter::createNamed(const std::function<bool(const char* name)>& create) {
    return createNamedBeside(target_.path, create, tempPath_, pendingSlot_);
}

AtomicFileWriter::~AtomicFileWriter() {
    if (!committed_) discard();
}

bool allocateAhead(int fd, std::uint64_t at, std::size_t size) {
    return size < kAllocateAhead ||
           ::fallocate(fd, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(at), static_cast<off_t>(size)) == 0;
}

std::string AtomicFileWriter::error() const { return target_.path.string() + ": " + reason_; }

void AtomicFileWriter::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
    tempPath_.clear();
    releasePending(pendingSlot_);
    pendingSlot_ = -1;
}

bool AtomicFileWriter::fail(const std::string& why) {
    if (reason_.empty()) reason_ = why;
    discard();
    return false;
}

bool AtomicFileWriter::failErrno(const char* what) {
    const std::string text = errnoText();
    return fail(*what ? std::string(what) + ": " + text : text);
}

bool AtomicFileWriter::write(std::string_view bytes) {
    if (!ok()) return false;
    const char* p = bytes.data();
    std::size_t size = bytes.size();
    allocateAhead(fd_, written_, size);
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return failErrno("");
        if (n == 0) {
            errno = ENOSPC;
            return failErrno("");
        }
        p += n;
        size -= static_cast<std::size_t>(n);
        written_ += static_cast<std::size_t>(n);
    }
    // Whenever the commit flushes, a new file too: else its flush writes the
    // whole file at once (50 ms for 40 MB).
    if ((options_.flushNewFile || target_.exists) && written_ - flushed_ >= kWriteBehind) {
        // Only a hint to start writing back; errors show at the flush.
        ::sync_file_range(fd_, static_cast<off_t>(flushed_), static_cast<off_t>(written_ - flushed_),
                          SYNC_FILE_RANGE_WRITE);
        flushed_ = written_;
    }
    return true;
}

bool AtomicFileWriter::truncate(std::size_t size) {
    if (!ok()) return false;
    if (size > written_) return fail("cannot take back more than was written");
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) return failErrno("");
    if (::lseek(fd_, static_cast<off_t>(size), SEEK_SET) < 0) return failErrno("");
    written_ = size;
    flushed_ = std::min(flushed_, size);
    return true;
}

bool AtomicFileWriter::commit() {
    if (!ok()) return false;
    if (inPlace_) return commitInPlace();
    if (target_.exists) {
        // Owner first: changing it clears the set-user-ID bits the mode
        // then puts back.
        if (::fchown(fd_, target_.owner, target_.group) != 0) {
            const int err = errno;
            struct stat st {};
            if (::fstat(fd_, &st) != 0 || st.st_uid != target_.owner || st.st_gid != target_.group) {
                if (err != EPERM && err != EACCES) {
                    errno = err;
                    return failErrno("cannot keep the file's owner and group");
                }
                inPlace_ = true;  // not ours to give away: the file keeps them itself
                return commitInPlace();
            }
        }
        if (::fchmod(fd_, target_.mode & options_.keptModeMask & 07777) != 0)
            return failErrno("cannot keep the file's mode");
    }
    // A replaced file is on disk before the rename, so that a crash leaves
    // the old or the new one whole.
    const bool flush = options_.flushNewFile || target_.exists;
    if (flush && ::fsync(fd_) != 0 && errno != EINVAL) return failErrno("");

    if (tempPath_.empty()) {
        // The unnamed file gets a name just before the rename.
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        if (!createNamed([&](const char* name) {
                return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name, AT_SYMLINK_FOLLOW) == 0;
            }))
            return failErrno("");
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return failErrno("");
    if (::rename(tempPath_.c_str(), target_.path.c_str()) != 0) return failErrno("");
    tempPath_.clear();
    releasePending(pendingSlot_);
    pendingSlot_ = -1;
    committed_ = true;
    if (flush) {
        // The rename itself must reach the disk too.
        const int dirFd = ::open(directoryOf(target_.path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            ::fsync(dirFd);
            ::close(dirFd);
        }
    }
    return true;
}

// The old bytes go to a named file in the temporary directory, where they
// stay should putting them back fail too; the new ones are copied over the
// file from the temporary file, and the file is cut to their length.
bool AtomicFileWriter::commitInPlace() {
    const int target = ::open(target_.path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (target < 0) return failErrno("");
    struct stat st {};
    if (::fstat(target, &st) != 0 || !S_ISREG(st.st_mode) || st.st_dev != target_.device ||
        st.st_ino != target_.inode) {
        ::close(target);
        return fail("the file was replaced while it was written");
    }
    const std::size_t oldSize = static_cast<std::size_t>(st.st_size);
    const int reader = ::open(target_.path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    fs::path backupPath;
    int backup = -1, backupSlot = -1;
    const bool made = reader >= 0 && createNamedBeside(temporaryDirectory() / target_.path.filename(), [&](const char* name) {
        backup = ::open(name, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        return backup >= 0;
    }, backupPath, backupSlot);
    auto closeAll = [&] {
        if (reader >= 0) ::close(reader);
        if (backup >= 0) ::close(backup);
        ::close(target);
    };
    if (!made || !copyStart(reader, backup, oldSize)) {
        const int err = errno;
        closeAll();
        if (made) ::unlink(backupPath.c_str());
        releasePending(backupSlot);
        errno = err;
        return failErrno("cannot keep a copy of the file while it is written");
    }
    if (copyStart(fd_, target, written_) && ::ftruncate(target, static_cast<off_t>(written_)) == 0 &&
        (::fsync(target) == 0 || errno == EINVAL)) {
        closeAll();
        ::unlink(backupPath.c_str());
        releasePending(backupSlot);
        discard();
        committed_ = true;
        return true;
    }
    const std::string why = errnoText();
    const bool restored = copyStart(backup, target, oldSize) && ::ftruncate(target, static_cast<off_t>(oldSize)) == 0;
    closeAll();
    if (restored) {
        ::unlink(backupPath.c_str());
        releasePending(backupSlot);
        return fail(why + " (the file is as it was)");
    }
    releasePending(backupSlot);  // kept on purpose: it is the user's old file
    return fail(why + "; the file could not be put back: its old contents are in " + backupPath.string());
}

WriteResult writeFileAtomically(const fs::path& path, std::string_view bytes, unsigned newFileMode) {
    WriteOptions options;
    options.newFileMode = newFileMode;
    return writeFileAtomically(path, bytes, options);
}

WriteResult writeFileAtomically(const fs::path& path, std::string_view bytes, const WriteOptions& options) {
    AtomicFileWriter writer(path, options);
    if (writer.write(bytes) && writer.commit()) return {};
    return {writer.error()};
}

WriteResult deleteFileIfAllowed(const fs::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return {};
        return {path.string() + ": " + errnoText()};
    }
    const WriteTarget target = resolveWriteTarget(path);
    if (!target.reason.empty()) return {path.string() + ": " + target.reason};
    if (!target.exists) return {};  // a link to nothing: nothing of ours to delete
    if (std::string refusal = replaceRefusal(target); !refusal.empty()) return {path.string() + ": " + refusal};
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return {path.string() + ": " + errnoText()};
    return {};
}

void removeTemporariesOnSignals() {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(sig, nullptr, &old) != 0) continue;
        // An ignored signal (nohup) stays ignored; a handler of the
        // program's own stays its own.
        if (old.sa_handler != SIG_DFL || (old.sa_flags & SA_SIGINFO)) continue;
        struct sigaction act {};
        act.sa_handler = removePendingAndDie;
        sigemptyset(&act.sa_mask);
        act.sa_flags = SA_RESETHAND;
        ::sigaction(sig, &act, nullptr);
    }
}

}  // namespace lettrica::settings
