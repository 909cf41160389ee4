#include "settings/atomic_file.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lettrica::settings {
namespace fs = std::filesystem;

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

WriteResult writeFileAtomically(const fs::path& path, std::string_view bytes, unsigned newFileMode) {
    std::error_code ec;
    fs::path target = path;
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (ec) return {"cannot resolve link " + path.string() + ": " + ec.message()};
        target = resolved;
    }
    fs::path dir = target.parent_path();
    if (dir.empty()) dir = ".";

    // Keep the permissions the user gave the old file.
    struct stat st {};
    const bool keepMode = ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    const mode_t createMode = static_cast<mode_t>(newFileMode & 07777) & (keepMode ? st.st_mode & 07777 : 07777);

    const fs::path temp = dir / ("." + target.filename().string() + ".tmp-" + uniqueSuffix());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, createMode);
    if (fd < 0) return {"cannot create " + temp.string() + ": " + std::strerror(errno)};
    auto fail = [&](const std::string& what) {
        WriteResult r{what + " " + temp.string() + ": " + std::strerror(errno)};
        if (fd >= 0) ::close(fd);
        ::unlink(temp.c_str());
        return r;
    };
    for (std::size_t done = 0; done < bytes.size();) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail("cannot write");
        }
        done += static_cast<std::size_t>(n);
    }
    if (keepMode && ::fchmod(fd, st.st_mode & 07777) != 0) return fail("cannot set the mode of");
    if (::fsync(fd) != 0) return fail("cannot flush");
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) return fail("cannot close");
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        WriteResult r{"cannot replace " + target.string() + ": " + std::strerror(errno)};
        ::unlink(temp.c_str());
        return r;
    }
    // The rename itself must reach the disk too.
    int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

}  // namespace lettrica::settings
