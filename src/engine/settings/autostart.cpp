#include "settings/autostart.h"

#include <cstdlib>
#include <system_error>

#include "fileio/atomic_file.h"
#include "settings/settings_dir.h"

namespace lettrica::settings {
namespace fs = std::filesystem;

namespace {

fs::path configHome() {
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg && fs::path(xdg).is_absolute()) return fs::path(xdg);
    const char* home = std::getenv("HOME");
    if (home && *home) return fs::path(home) / ".config";
    return fs::path(".config");
}

}  // namespace

fs::path autostartEntryPath() { return configHome() / "autostart" / "lettrica.desktop"; }

bool autostartEntryExists() {
    std::error_code ec;
    // A dangling link or any other kind of entry still counts as there.
    return fs::exists(fs::symlink_status(autostartEntryPath(), ec));
}

std::string desktopExecArgument(const std::string& argument) {
    static const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string arg;
    // '%' starts a field code; a literal one is doubled.
    for (char c : argument) {
        if (c == '%') arg += "%%";
        else arg += c;
    }
    if (arg.find_first_of(reserved) == std::string::npos) return arg;
    std::string quoted = "\"";
    for (char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    // The value is a string of the file format as well, where a backslash is
    // itself escaped.
    std::string escaped;
    for (char c : quoted) {
        if (c == '\\') escaped += "\\\\";
        else if (c == '\n') escaped += "\\n";
        else if (c == '\t') escaped += "\\t";
        else escaped += c;
    }
    return escaped;
}

std::string autostartEntry(const fs::path& executable) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Lettrica\n"
           "Comment=Transliteration of Russian text\n"
           "Icon=lettrica\n"
           "Exec=" +
           desktopExecArgument(executable.string()) +
           " /t\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

std::string writeAutostartEntry(const fs::path& executable) {
    const fs::path path = autostartEntryPath();
    if (std::string err = ensureDirExists(path.parent_path()); !err.empty()) return err;
    return writeFileAtomically(path, autostartEntry(executable)).error;
}

std::string removeAutostartEntry() {
    std::error_code ec;
    fs::remove(autostartEntryPath(), ec);
    return ec ? autostartEntryPath().string() + ": " + ec.message() : std::string();
}

}  // namespace lettrica::settings
