#pragma once
// Start at log-on through an XDG autostart entry:
// $XDG_CONFIG_HOME/autostart/lettrica.desktop (~/.config/autostart/...).
// The entry runs the executable with "/t", which starts the program in the
// notification area. The entry's existence is the whole state: whatever it
// holds, an existing file means "autostart on".

#include <filesystem>
#include <string>

namespace lettrica::settings {

std::filesystem::path autostartEntryPath();

bool autostartEntryExists();

// The desktop entry that starts `executable` with "/t".
std::string autostartEntry(const std::filesystem::path& executable);

// Both return an empty string or what failed.
std::string writeAutostartEntry(const std::filesystem::path& executable);
std::string removeAutostartEntry();

// The command line of an Exec key: the program quoted and escaped as the
// desktop entry format requires when it holds a reserved character.
std::string desktopExecArgument(const std::string& argument);

}  // namespace lettrica::settings
