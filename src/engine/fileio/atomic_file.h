#pragma once
// The one way the program replaces a file (settings, user tables, the
// autostart entry, lettrica-cli -o): the new bytes go to a temporary file in
// the same directory, which takes the file's name in one rename only when
// everything was written, so a failure at any point leaves the previous
// contents intact. A write replaces only what it may:
// - a symbolic link is followed to the file it names, also when that file
//   does not exist yet; the link stays a link. A loop of links is an error;
// - only a regular file is replaced: a directory, FIFO or device is left as
//   it is;
// - a read-only file is refused (no write bit for anybody refuses root too,
//   as the user meant it to stay), as is one this user may not write;
// - the replacement keeps the old file's mode, owner and group. Where it
//   cannot (a file this user may write but does not own, or one whose group
//   is not the user's, or in a directory this user may not write), the file
//   is written in place, as editors do: the new bytes are first written
//   whole to a temporary file, the old ones copied aside, and should writing
//   over the file fail, the old bytes are put back;
// - the temporary file has no name while it is written (O_TMPFILE), so
//   nothing is left behind whatever ends the process. Where the file system
//   cannot do that, a hidden named one is used, and removeTemporariesOnSignals()
//   makes SIGINT, SIGTERM and SIGHUP remove it.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace lettrica::settings {

struct WriteResult {
    std::string error;  // empty on success, else "file: reason"
    bool ok() const { return error.empty(); }
};

// Where a write of `path` lands, after following symbolic links.
struct WriteTarget {
    std::filesystem::path path;
    bool exists = false;
    mode_t mode = 0;  // of the existing file
    uid_t owner = 0;
    gid_t group = 0;
    dev_t device = 0;
    ino_t inode = 0;
    std::string reason;  // why it cannot be resolved (a loop, a bad directory); empty when fine
};
WriteTarget resolveWriteTarget(const std::filesystem::path& path);

// Why an existing target may not be replaced or deleted: not a regular file,
// read-only, or not writable by this user. Empty when it may.
std::string replaceRefusal(const WriteTarget& target);

struct WriteOptions {
    unsigned newFileMode = 0666;  // for a new file, less the umask
    unsigned keptModeMask = 07777;  // the bits of a replaced file's mode that the new one keeps
    bool flushNewFile = true;     // false: only a replaced file waits for the disk
    bool unnamedTemporary = true; // false: always a named temporary file
};

class AtomicFileWriter {
public:
    // Resolves the target, refuses what may not be replaced and creates the
    // temporary file. Check ok() before writing.
    explicit AtomicFileWriter(const std::filesystem::path& path, WriteOptions options = {});
    ~AtomicFileWriter();  // discards the temporary file unless commit() succeeded
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool ok() const { return reason_.empty(); }
    // Why the write failed, without the file name ("Permission denied").
    const std::string& reason() const { return reason_; }
    // "file: reason".
    std::string error() const;
    // The file that is replaced (the target of a link).
    const std::filesystem::path& target() const { return target_.path; }

    // False when it failed; reason() says why.
    bool write(std::string_view bytes);
    // Bytes written so far, and taking back all written after the first
    // `size` of them (nobody has seen them yet). False when it failed.
    std::size_t written() const { return written_; }
    bool truncate(std::size_t size);
    // Gives the new file the old one's owner, group and mode, flushes it and
    // renames it over the target (or writes the target in place). False when
    // it failed; the old file is then as it was.
    bool commit();
    // Whether the target is written in place, as far as known before commit().
    bool inPlace() const { return inPlace_; }

private:
    // Makes a temporary file of a fresh hidden name exist through `create`;
    // false with errno set when it could not.
    bool createNamed(const std::function<bool(const char* name)>& create);
    bool fail(const std::string& why);
    bool failErrno(const char* what);
    void discard();
    bool commitInPlace();

    WriteOptions options_;
    WriteTarget target_;
    std::string reason_;
    int fd_ = -1;
    std::filesystem::path tempPath_;  // the named temporary file, when there is one
    int pendingSlot_ = -1;            // its entry for the signal handler
    std::size_t written_ = 0;
    std::size_t flushed_ = 0;
    bool committed_ = false;
    bool inPlace_ = false;
};

// Writes `bytes` to `path` with an AtomicFileWriter. The directory must exist.
WriteResult writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                                unsigned newFileMode = 0666);
WriteResult writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                                const WriteOptions& options);

// Deletes `path` when it is a file we may replace (a link is removed, not its
// target). A missing file is no error; anything replaceRefusal() refuses is
// left in place and reported.
WriteResult deleteFileIfAllowed(const std::filesystem::path& path);

// Installs handlers for SIGINT, SIGTERM and SIGHUP (unless ignored) that
// remove the named temporary files of writes in progress, then end the
// process by the signal as before. For programs that do not handle these
// signals themselves.
void removeTemporariesOnSignals();

// A short random string for names of temporary files.
std::string uniqueSuffix();

// Before a large write of `size` bytes at `at` into the file `fd`, has its
// blocks allocated in one extent rather than reserved page by page (ext4
// spends a third of a big write on that); exactly this range, so nothing is
// left allocated beyond the file. False only where the file system cannot;
// the write then goes on as usual.
bool allocateAhead(int fd, std::uint64_t at, std::size_t size);

}  // namespace lettrica::settings
