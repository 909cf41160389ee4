#pragma once
// Reading the program's own files (lettrica.ini, tr.dat, rt.dat, email.dat).
// Only a regular file is read: a FIFO would block the program until someone
// writes into it, a directory or a device has no contents of ours. Anything
// else counts as no file at all; since it is not ours, the writers of
// atomic_file.h leave it alone too.

#include <cstddef>
#include <filesystem>
#include <string>

namespace lettrica::settings {

enum class FileState {
    Missing,     // nothing there (or a link to nothing)
    Regular,     // a regular file, open for reading
    NotRegular,  // a directory, FIFO, device, socket or a loop of links
    Unreadable,  // a regular file that could not be opened or read
};

class RegularFileReader {
public:
    // Opens `path` without waiting: a FIFO is never opened, and the check is
    // repeated on the open file, so nothing that changes meanwhile gets in.
    explicit RegularFileReader(const std::filesystem::path& path);
    ~RegularFileReader();
    RegularFileReader(const RegularFileReader&) = delete;
    RegularFileReader& operator=(const RegularFileReader&) = delete;

    FileState state() const { return state_; }
    // Why the file is NotRegular or Unreadable.
    const std::string& error() const { return error_; }

    // Reads up to `size` bytes; 0 at the end. A read error makes the state
    // Unreadable and returns 0.
    std::size_t read(char* buffer, std::size_t size);
    // The size the file claims now; only a hint (pseudo-files claim 0).
    std::size_t sizeHint() const;

private:
    void fail(FileState state, const std::string& why);

    int fd_ = -1;
    FileState state_ = FileState::Missing;
    std::string error_;
    std::string name_;
};

struct FileContents {
    FileState state = FileState::Missing;
    std::string bytes;  // when Regular
    std::string error;
};

// The whole file when it is regular and no longer than `maxBytes`. A longer
// one is Unreadable after at most maxBytes + 1 bytes were read: a file of the
// program's own that large is not one it wrote.
FileContents readRegularFile(const std::filesystem::path& path, std::size_t maxBytes);

}  // namespace lettrica::settings
