#pragma once
// Replacing a file so that a failure at any point leaves the previous
// contents intact: the new bytes go to a temporary file in the same
// directory, which then takes the file's name in one rename.

#include <filesystem>
#include <string>
#include <string_view>

namespace lettrica::settings {

struct WriteResult {
    std::string error;  // empty on success
    bool ok() const { return error.empty(); }
};

// Writes `bytes` to `path` atomically and flushes it to disk. The directory
// must exist. A symbolic link at `path` is followed, so the link stays and its
// target is replaced. An existing file's permissions are kept; a new file gets
// `newFileMode` (less the umask). The temporary file is created with no more
// than that mode, so nobody else can open it meanwhile.
WriteResult writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                                unsigned newFileMode = 0666);

// A short random string for names of temporary files.
std::string uniqueSuffix();

}  // namespace lettrica::settings
