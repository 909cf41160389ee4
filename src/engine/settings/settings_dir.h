#pragma once
// Where the program keeps its own files (lettrica.ini, tr.dat, rt.dat,
// email.dat). Every file of the program is found through settingsDir(), by
// the desktop program and lettrica-cli alike, so the whole program moves
// together when the user points LETTRICA_HOME elsewhere.

#include <filesystem>
#include <string>
#include <string_view>

namespace lettrica::settings {

// The settings directory, in this order of preference:
//   1. $LETTRICA_HOME when it is set and not empty;
//   2. the directory of the running executable when it already holds
//      lettrica.ini (a portable install keeps its settings beside itself;
//      a build tree or an installed program does not get them by accident);
//   3. $XDG_CONFIG_HOME/lettrica, or ~/.config/lettrica when XDG_CONFIG_HOME
//      is unset, empty or relative.
// The directory is not created here: reading needs no directory, and the
// first write creates it through ensureDirExists().
std::filesystem::path settingsDir();

// settingsDir() / name.
std::filesystem::path settingsFile(std::string_view name);

// Creates `dir` with its missing parents, each readable by its owner only
// (it may hold the mail password), when it does not exist yet. Returns an
// empty string on success, otherwise a message saying what failed.
std::string ensureDirExists(const std::filesystem::path& dir);

// The choice settingsDir() makes, from its inputs: the value of
// LETTRICA_HOME, the executable's directory when it holds lettrica.ini (else
// empty), and the values of XDG_CONFIG_HOME and HOME.
std::filesystem::path chooseSettingsDir(std::string_view lettricaHome, const std::filesystem::path& portableDir,
                                        std::string_view xdgConfigHome, std::string_view home);

// The directory of the running executable, or an empty path when it cannot
// be determined.
std::filesystem::path executableDir();

}  // namespace lettrica::settings
