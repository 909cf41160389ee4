#pragma once
// The main window's share of lettrica.ini: what it reads at creation and
// writes at close, in that order and with those guards. The desktop turns
// the window into a MainWindowState and back; the rules live here.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "settings/ini_file.h"

namespace lettrica::settings {

// The eight mail settings, held by the main window from start to close.
struct MailSettings {
    std::u16string host;
    std::int32_t port = 25;
    std::uint8_t authType = 0;  // 0: no log-in, 1: log-in with login and password
    std::uint8_t timeOut = 0;   // seconds
    std::u16string userName;
    std::u16string login;
    std::u16string password;
    std::u16string email;
    bool operator==(const MailSettings&) const = default;
};
// The defaults of the key table.
MailSettings defaultMailSettings();

enum TableChoice : int { kUserTable = 0, kGostTable = 1, kAngloTable = 2 };

struct MainWindowState {
    // Placement. Read: a size of 0 means "as designed", hasPosition false
    // means "centred". Written: the window's current geometry.
    int width = 0;
    int height = 0;
    int panelHeight = 0;
    int left = 0;
    int top = 0;
    bool hasPosition = false;
    bool maximized = false;

    int table = kAngloTable;
    // The system chosen, by its command-line name (empty: not stored). On
    // load the caller lets it win over `table` when it names a system it
    // knows; on save `table` holds the nearest of the three old choices.
    std::string system;
    bool wordWrap = true;
    bool autoVolume = false;
    std::int32_t openFilter = 2;
    std::int32_t saveFilter = 4;
    bool minimizeToTray = false;
    MailSettings mail = defaultMailSettings();
};

// Reads the main window's keys into `state`, leaving a field as it was when
// its key does not convert. "Main" is one group: the first value there that
// is not a number ends it, keeping what was read before.
void loadMainSettings(const IniFile& ini, MainWindowState& state);

// Called at the places of the close order where a dialog's section goes:
// "Print", "Email" (before the mail settings), "Registr", "Perekod".
using SectionWriter = std::function<void(IniFile& ini, std::string_view section)>;

// Writes every key in the close order, each on its own: a key that cannot be
// written is skipped. When maximised only Maximized=1 is written of the
// placement, so the stored normal placement survives.
void saveMainSettings(IniFile& ini, const MainWindowState& state, const SectionWriter& dialogs);

}  // namespace lettrica::settings
