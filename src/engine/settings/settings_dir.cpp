#include "settings/settings_dir.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include <sys/stat.h>

#include "settings/settings_keys.h"

namespace lettrica::settings {
namespace fs = std::filesystem;

namespace {

std::string envValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// The executable's directory when it holds a settings file: the user put
// one there to keep the program portable.
fs::path portableDir() {
    const fs::path dir = executableDir();
    if (dir.empty()) return {};
    struct stat st {};
    const fs::path ini = dir / kSettingsFileName;
    return ::stat(ini.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? dir : fs::path();
}

}  // namespace

fs::path executableDir() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return {};
    return exe.parent_path();
}

fs::path chooseSettingsDir(std::string_view lettricaHome, const fs::path& portable, std::string_view xdgConfigHome,
                           std::string_view home) {
    if (!lettricaHome.empty()) return fs::path(lettricaHome);
    if (!portable.empty()) return portable;
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
    // The executable's directory is looked at only when it could matter.
    if (!home.empty()) return fs::path(home);
    return chooseSettingsDir({}, portableDir(), envValue("XDG_CONFIG_HOME"), envValue("HOME"));
}

fs::path settingsFile(std::string_view name) { return settingsDir() / fs::path(name); }

std::string ensureDirExists(const fs::path& dir) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return {};
        return dir.string() + " is not a directory";
    }
    // Parents first, each created 0700 as the base directory rules ask.
    const fs::path parent = dir.parent_path();
    if (!parent.empty() && parent != dir) {
        if (std::string err = ensureDirExists(parent); !err.empty()) return err;
    }
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return "cannot create directory " + dir.string() + ": " + std::strerror(errno);
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return dir.string() + " is not a directory";
    return {};
}

}  // namespace lettrica::settings
