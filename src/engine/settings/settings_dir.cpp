#include "settings/settings_dir.h"

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <system_error>

#include "settings/atomic_file.h"

namespace lettrica::settings {
namespace fs = std::filesystem;

namespace {

std::string envValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// Whether a file can be created in `dir`. Permission bits cannot answer this
// (root, ACLs, read-only mounts), so a probe file is created and removed.
bool canCreateFilesIn(const fs::path& dir) {
    std::error_code ec;
    if (dir.empty() || !fs::is_directory(dir, ec)) return false;
    const fs::path probe = dir / (".lettrica-probe-" + uniqueSuffix());
    {
        std::ofstream out(probe, std::ios::binary | std::ios::app);
        if (!out) return false;
    }
    fs::remove(probe, ec);
    return true;
}

// The executable does not move while the program runs, so its directory and
// whether it is writable are found once.
const fs::path& writableExecutableDir() {
    static std::once_flag once;
    static fs::path dir;
    std::call_once(once, [] {
        fs::path exeDir = executableDir();
        if (canCreateFilesIn(exeDir)) dir = exeDir;
    });
    return dir;
}

}  // namespace

fs::path executableDir() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return {};
    return exe.parent_path();
}

fs::path chooseSettingsDir(std::string_view lettricaHome, const fs::path& writableExeDir,
                           std::string_view xdgConfigHome, std::string_view home) {
    if (!lettricaHome.empty()) return fs::path(lettricaHome);
    if (!writableExeDir.empty()) return writableExeDir;
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    const fs::path xdg(xdgConfigHome);
    if (!xdg.empty() && xdg.is_absolute()) return xdg / "lettrica";
    if (!home.empty()) return fs::path(home) / ".config" / "lettrica";
    // No home at all: the working directory is the only place left.
    std::error_code ec;
    fs::path cwd = fs::current_path(ec);
    return (ec ? fs::path(".") : cwd) / ".config" / "lettrica";
}

fs::path settingsDir() {
    const std::string home = envValue("LETTRICA_HOME");
    // The executable's directory is probed only when it could matter.
    if (!home.empty()) return fs::path(home);
    return chooseSettingsDir({}, writableExecutableDir(), envValue("XDG_CONFIG_HOME"), envValue("HOME"));
}

fs::path settingsFile(std::string_view name) { return settingsDir() / fs::path(name); }

std::string ensureDirExists(const fs::path& dir) {
    std::error_code ec;
    if (fs::is_directory(dir, ec)) return {};
    fs::create_directories(dir, ec);
    if (ec) return "cannot create directory " + dir.string() + ": " + ec.message();
    if (!fs::is_directory(dir, ec)) return dir.string() + " is not a directory";
    return {};
}

std::string ensureSettingsDir() { return ensureDirExists(settingsDir()); }

}  // namespace lettrica::settings
