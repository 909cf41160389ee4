#include "cli/io.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <csetjmp>
#include <csignal>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fileio/atomic_file.h"
#include "text/utf8.h"

namespace lettrica::cli {

namespace {

std::string errnoText(int err) { return std::strerror(err); }

// An unnamed temporary file (gone when closed) in $TMPDIR or /tmp.
int unnamedTemporary() {
    const char* dir = std::getenv("TMPDIR");
    std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/lettrica-spool.XXXXXX";
    int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(pattern.c_str());
    return fd;
}

// The check of a whole file looks at it through a moving window of the
// page cache: no copy, and only the window counts as memory in use.
constexpr std::size_t kWindow = 1 << 20;

// A file that shrinks while it is mapped raises SIGBUS on the pages it lost;
// the check then gives up and the file is read instead.
sigjmp_buf* busJump = nullptr;
void onBus(int) { siglongjmp(*busJump, 1); }

bool guardedCheck(std::string_view bytes, text::Utf8Check& result) {
    sigjmp_buf jump;
    busJump = &jump;
    if (sigsetjmp(jump, 1) != 0) {
        busJump = nullptr;
        return false;
    }
    result = text::checkUtf8(bytes);
    busJump = nullptr;
    return true;
}

// Whether the file from `start` to its end is valid UTF-8, or nothing when
// it cannot be mapped (the caller then reads it).
std::optional<bool> mappedIsUtf8(int fd, off_t start, off_t size) {
    const off_t page = ::sysconf(_SC_PAGESIZE);
    struct sigaction bus{}, old{};
    bus.sa_handler = onBus;
    sigemptyset(&bus.sa_mask);
    if (::sigaction(SIGBUS, &bus, &old) != 0) return std::nullopt;
    std::optional<bool> answer;
    off_t pos = start;
    while (!answer) {
        if (pos >= size) {
            answer = true;
            break;
        }
        const off_t base = pos / page * page;
        const std::size_t length = static_cast<std::size_t>(std::min<off_t>(kWindow, size - base));
        void* map = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, base);
        if (map == MAP_FAILED) break;
        ::madvise(map, length, MADV_SEQUENTIAL);
        const std::string_view window(static_cast<const char*>(map) + (pos - base), length - (pos - base));
        text::Utf8Check check;
        const bool read = guardedCheck(window, check);
        ::munmap(map, length);
        if (!read) break;
        const bool last = base + static_cast<off_t>(length) >= size;
        if (!check.valid) answer = false;
        else if (last) answer = check.completePrefix == window.size();  // else it ends inside a character
        else pos += static_cast<off_t>(check.completePrefix);
    }
    ::sigaction(SIGBUS, &old, nullptr);
    return answer;
}

// Outputs smaller than this are gathered before they are written.
constexpr std::size_t kGather = 64 * 1024;

// What a conversion gathers before it writes.
constexpr std::size_t kWriteSize = 1 << 20;

}  // namespace

Input::Input(const std::string& path) : name_(path == "-" ? "standard input" : path) {
    // A regular file can be read again from here (the standard input may be
    // one that was partly read already).
    const auto noteStart = [this] {
        struct stat st{};
        if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) start_ = ::lseek(fd_, 0, SEEK_CUR);
    };
    if (path == "-") {
        fd_ = STDIN_FILENO;
        noteStart();
        return;
    }
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw IoError(path, errnoText(errno));
    owned_ = true;
    struct stat st{};
    if (::fstat(fd_, &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            ::close(fd_);
            fd_ = -1;
            throw IoError(path, "is a directory");
        }
        if (S_ISREG(st.st_mode)) ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    noteStart();
}

std::size_t Input::sizeLeft() const {
    struct stat st{};
    if (start_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    const off_t at = ::lseek(fd_, 0, SEEK_CUR);
    return at >= 0 && st.st_size > at ? static_cast<std::size_t>(st.st_size - at) : 0;
}

bool Input::rewind() {
    if (start_ < 0 || !head_.empty() || spool_ >= 0) return false;
    if (::lseek(fd_, start_, SEEK_SET) < 0) throw IoError(name_, errnoText(errno));
    eof_ = false;
    return true;
}

Input::~Input() {
    if (owned_ && fd_ >= 0) ::close(fd_);
    if (spool_ >= 0) ::close(spool_);
}

std::size_t Input::readSource(char* buffer, std::size_t size) {
    if (eof_ || size == 0) return 0;
    for (;;) {
        ssize_t n = ::read(fd_, buffer, size);
        if (n > 0) return static_cast<std::size_t>(n);
        if (n == 0) {
            eof_ = true;
            return 0;
        }
        if (errno != EINTR) throw IoError(name_, errnoText(errno));
    }
}

std::size_t Input::read(char* buffer, std::size_t size) {
    if (headPos_ < head_.size()) {
        const std::size_t n = std::min(size, head_.size() - headPos_);
        std::memcpy(buffer, head_.data() + headPos_, n);
        headPos_ += n;
        if (headPos_ == head_.size()) {
            head_.clear();
            head_.shrink_to_fit();
            headPos_ = 0;
        }
        return n;
    }
    while (spool_ >= 0) {
        ssize_t n = ::read(spool_, buffer, size);
        if (n > 0) return static_cast<std::size_t>(n);
        if (n < 0 && errno == EINTR) continue;
        const int err = errno;
        ::close(spool_);
        spool_ = -1;
        if (n < 0) throw IoError(name_, "cannot read back the temporary copy: " + errnoText(err));
    }
    return readSource(buffer, size);
}

void Input::keep(const char* bytes, std::size_t size) {
    if (head_.size() < kChunkSize) {
        const std::size_t n = std::min(size, kChunkSize - head_.size());
        head_.append(bytes, n);
        bytes += n;
        size -= n;
    }
    if (size == 0) return;
    if (spool_ < 0) {
        spool_ = unnamedTemporary();
        if (spool_ < 0) throw IoError(name_, "cannot create a temporary file: " + errnoText(errno));
    }
    while (size > 0) {
        ssize_t n = ::write(spool_, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw IoError(name_, "cannot keep a temporary copy: " + errnoText(n < 0 ? errno : ENOSPC));
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
}

std::string Input::peek(std::size_t size, const std::function<bool(std::string_view)>& told) {
    struct stat st{};
    const bool file = ::fstat(fd_, &st) == 0 && (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode));
    const off_t at = file ? ::lseek(fd_, 0, SEEK_CUR) : -1;
    if (at >= 0 && head_.empty()) {
        std::string bytes(size, '\0');
        ssize_t n;
        do n = ::pread(fd_, bytes.data(), size, at);
        while (n < 0 && errno == EINTR);
        if (n < 0) throw IoError(name_, errnoText(errno));
        bytes.resize(static_cast<std::size_t>(n));
        return bytes;
    }
    // What isUtf8() kept is the start; else read it and keep it.
    if (utf8_ < 0) {
        char buffer[256];
        while (head_.size() - headPos_ < size && !(told && told(std::string_view(head_).substr(headPos_)))) {
            const std::size_t n = readSource(buffer, std::min(sizeof buffer, size - (head_.size() - headPos_)));
            if (n == 0) break;
            head_.append(buffer, n);
        }
    }
    return head_.substr(headPos_, size);
}

bool Input::isUtf8() {
    if (utf8_ >= 0) return utf8_ == 1;
    // Only a file can be read twice; a device or a pipe is kept as it is read.
    struct stat st{};
    const bool file = ::fstat(fd_, &st) == 0 && (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode));
    const off_t start = file ? ::lseek(fd_, 0, SEEK_CUR) : -1;
    const bool seekable = start >= 0;
    // The size a file claims only says how much can be mapped: a
    // pseudo-file (/proc/self/environ) claims 0 and has bytes all the same,
    // and a file may grow. What lies beyond the claimed size is read below.
    if (seekable && S_ISREG(st.st_mode) && st.st_size > start) {
        const std::optional<bool> mapped = mappedIsUtf8(fd_, start, st.st_size);
        if (mapped && !*mapped) {
            utf8_ = 0;
            return false;
        }
        // Valid up to a character's end at the claimed size: go on from there.
        if (mapped && ::lseek(fd_, st.st_size, SEEK_SET) < 0) throw IoError(name_, errnoText(errno));
    }
    // The carry holds a character cut at the end of one read.
    std::vector<char> buffer(kChunkSize + 4);
    std::size_t carry = 0;
    bool valid = true;
    if (!seekable && !head_.empty()) {
        // peek() has read the start already: check it first.
        const text::Utf8Check check = text::checkUtf8(head_);
        valid = check.valid;
        carry = head_.size() - check.completePrefix;
        std::memcpy(buffer.data(), head_.data() + check.completePrefix, carry);
    }
    while (valid) {
        const std::size_t n = readSource(buffer.data() + carry, kChunkSize);
        if (!seekable) keep(buffer.data() + carry, n);
        if (n == 0) {
            valid = carry == 0;  // ends inside a character
            break;
        }
        const std::string_view chunk(buffer.data(), carry + n);
        const text::Utf8Check check = text::checkUtf8(chunk);
        if (!check.valid) {
            valid = false;
            break;
        }
        carry = chunk.size() - check.completePrefix;
        std::memmove(buffer.data(), buffer.data() + check.completePrefix, carry);
    }
    if (seekable) {
        if (::lseek(fd_, start, SEEK_SET) < 0) throw IoError(name_, errnoText(errno));
        eof_ = false;
    } else {
        kept_ = true;
        if (spool_ >= 0 && ::lseek(spool_, 0, SEEK_SET) < 0)
            throw IoError(name_, "cannot read back the temporary copy: " + errnoText(errno));
    }
    utf8_ = valid ? 1 : 0;
    return valid;
}

std::string outputOption(const Args& args) {
    const std::string path = args.value("-o", args.value("--output", "-"));
    if (path.empty()) throw UsageError("-o needs a file name (or - for the standard output)");
    return path;
}

Output::Output(const std::string& path) : path_(path == "-" ? "" : path) {
    if (path_.empty()) {
        fd_ = STDOUT_FILENO;
        // A file the shell opened: writes go where it stands (at its end
        // when appended to). Standing at its end, what this run wrote can
        // be cut off again; before other bytes, never.
        struct stat st{};
        if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) {
            const int flags = ::fcntl(fd_, F_GETFL);
            const off_t at = flags >= 0 && (flags & O_APPEND) ? st.st_size : ::lseek(fd_, 0, SEEK_CUR);
            if (at >= 0) {
                filePos_ = at;
                allocate_ = true;
                if (at == st.st_size) stdoutStart_ = at;
            }
        }
        return;
    }
    const settings::WriteTarget target = settings::resolveWriteTarget(path_);
    if (!target.reason.empty()) throw IoError(path_, target.reason);
    if (target.exists && !S_ISREG(target.mode) && !S_ISDIR(target.mode)) {
        // A device or a pipe (/dev/null, a FIFO) is written to as it is:
        // replacing it by a file would break it.
        fd_ = ::open(path_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) throw IoError(path_, errnoText(errno));
        return;
    }
    // A new file is not waited for: it has nothing to protect.
    settings::WriteOptions options;
    options.flushNewFile = false;
    file_ = std::make_unique<settings::AtomicFileWriter>(path_, options);
    if (!file_->ok()) throw IoError(path_, file_->reason());
}

Output::~Output() {
    if (fd_ >= 0 && fd_ != STDOUT_FILENO) ::close(fd_);
    // The writer discards its temporary file unless it was committed.
}

std::string Output::shownName() const { return path_.empty() ? "standard output" : path_; }

void Output::writeAll(const char* bytes, std::size_t size) {
    if (file_) {
        if (!file_->write(std::string_view(bytes, size))) throw IoError(shownName(), file_->reason());
        return;
    }
    // A regular file gets its blocks as the atomic writer's do (-o).
    if (allocate_ && !settings::allocateAhead(fd_, static_cast<std::uint64_t>(filePos_), size)) allocate_ = false;
    while (size > 0) {
        ssize_t n = ::write(fd_, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw IoError(shownName(), errnoText(n < 0 ? errno : ENOSPC));
        bytes += n;
        size -= static_cast<std::size_t>(n);
        if (filePos_ >= 0) filePos_ += n;
    }
}

void Output::flushBuffer() {
    if (buffer_.empty()) return;
    writeAll(buffer_.data(), buffer_.size());
    buffer_.clear();
}

void Output::write(std::string_view bytes) {
    written_ += bytes.size();
    if (buffer_.size() + bytes.size() <= kGather) {
        buffer_.append(bytes);
        return;
    }
    flushBuffer();
    if (bytes.size() < kGather) buffer_.append(bytes);
    else writeAll(bytes.data(), bytes.size());
}

void Output::takeBack(std::size_t position) {
    const std::size_t inFile = written_ - buffer_.size();
    written_ = position;
    if (position >= inFile) {
        buffer_.resize(position - inFile);
        return;
    }
    buffer_.clear();
    if (file_) {
        if (!file_->truncate(position)) throw IoError(shownName(), file_->reason());
        return;
    }
    const off_t at = stdoutStart_ + static_cast<off_t>(position);
    if (::ftruncate(fd_, at) != 0 || ::lseek(fd_, at, SEEK_SET) < 0) throw IoError(shownName(), errnoText(errno));
    filePos_ = at;
}

void Output::commit() {
    flushBuffer();
    if (file_) {
        if (!file_->commit()) throw IoError(shownName(), file_->reason());
        return;
    }
    if (fd_ != STDOUT_FILENO) {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) throw IoError(shownName(), errnoText(errno));
    }
}

Encoding resolveEncoding(const std::string& option, Input& input) {
    if (option == "cp1251") return Encoding::Cp1251;
    if (option == "utf-8") return Encoding::Utf8;
    return input.isUtf8() ? Encoding::Utf8 : Encoding::Cp1251;
}

namespace {
// The input through the conversion into the output; false when the
// conversion stopped at a byte that is not UTF-8.
bool pump(Input& input, translit::StreamConversion& conversion, Output& output) {
    std::string out;
    for (;;) {
        const std::span<char> room = conversion.space();
        const std::size_t n = input.read(room.data(), room.size());
        conversion.advance(n, out);
        if (conversion.stopped()) return false;
        if (n < room.size()) {
            // A pipe that pauses, or the end: what is converted goes out
            // now, not when more comes.
            output.write(out);
            output.flush();
            out.clear();
        } else if (out.size() >= kWriteSize) {
            // A write costs the kernel as much again in its own work as the
            // bytes it copies when it is a few hundred kilobytes (times,
            // journal, allocation): a file's output goes out a megabyte at
            // a time. Not in whole megabytes of the file: the page cache
            // then takes them in folios of a megabyte, whose memory a
            // virtual machine may have handed back to its host, and the
            // copy into them can take three times as long.
            output.write(out);
            out.clear();
        }
        if (n == 0) return true;
    }
}
}  // namespace

void streamConvert(Input& input, Encoding encoding, const translit::Converter& converter, Output& output) {
    translit::StreamConversion conversion(converter, encoding, input.knownUtf8(), kChunkSize);
    pump(input, conversion, output);
}

void streamConvertAuto(Input& input, const translit::Converter& converter, Output& output) {
    if (!output.canTakeBack() || !input.rewind()) {
        streamConvert(input, resolveEncoding("auto", input), converter, output);
        return;
    }
    const std::size_t mark = output.written();
    translit::StreamConversion asUtf8(converter, Encoding::Utf8, false, kChunkSize);
    asUtf8.stopAtInvalidUtf8();
    if (pump(input, asUtf8, output)) return;
    output.takeBack(mark);
    input.rewind();
    streamConvert(input, Encoding::Cp1251, converter, output);
}

}  // namespace lettrica::cli
