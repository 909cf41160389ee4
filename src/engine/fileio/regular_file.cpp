#include "fileio/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lettrica::settings {

namespace {

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "is a directory";
    if (S_ISFIFO(mode)) return "is a FIFO";
    if (S_ISSOCK(mode)) return "is a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device";
    return "is not a regular file";
}

}  // namespace

RegularFileReader::RegularFileReader(const std::filesystem::path& path) : name_(path.filename().string()) {
    // Looked at before it is opened: opening a device may have effects of
    // its own, and a FIFO would wait for a writer.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return;  // Missing
        fail(errno == ELOOP ? FileState::NotRegular : FileState::Unreadable, std::strerror(errno));
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        fail(FileState::NotRegular, kindOf(st.st_mode));
        return;
    }
    // O_NONBLOCK: should a FIFO take the file's place in between, the open
    // does not wait for it, and the check below turns it away.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) {
        if (errno == ENOENT) return;
        fail(FileState::Unreadable, std::strerror(errno));
        return;
    }
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        fail(FileState::NotRegular, kindOf(st.st_mode));
        return;
    }
    state_ = FileState::Regular;
}

RegularFileReader::~RegularFileReader() {
    if (fd_ >= 0) ::close(fd_);
}

void RegularFileReader::fail(FileState state, const std::string& why) {
    state_ = state;
    error_ = name_ + ": " + why;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::size_t RegularFileReader::read(char* buffer, std::size_t size) {
    if (state_ != FileState::Regular || size == 0) return 0;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, size);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno == EINTR) continue;
        fail(FileState::Unreadable, std::string("cannot read: ") + std::strerror(errno));
        return 0;
    }
}

std::size_t RegularFileReader::sizeHint() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || st.st_size < 0) return 0;
    return static_cast<std::size_t>(st.st_size);
}

FileContents readRegularFile(const std::filesystem::path& path, std::size_t maxBytes) {
    FileContents result;
    RegularFileReader file(path);
    std::size_t have = 0;
    while (file.state() == FileState::Regular) {
        // The size the file claims is only a hint (pseudo-files claim 0), so
        // the buffer grows as bytes arrive, one byte past the limit at most.
        const std::size_t room = std::min<std::size_t>(64 * 1024, maxBytes + 1 - have);
        result.bytes.resize(have + room);
        const std::size_t n = file.read(result.bytes.data() + have, room);
        have += n;
        if (n == 0) break;
        if (have > maxBytes) {
            result.bytes.clear();
            result.state = FileState::Unreadable;
            result.error = path.filename().string() + ": larger than " + std::to_string(maxBytes) + " bytes";
            return result;
        }
    }
    result.bytes.resize(have);
    result.state = file.state();
    result.error = file.error();
    if (result.state != FileState::Regular) result.bytes.clear();
    return result;
}

}  // namespace lettrica::settings
