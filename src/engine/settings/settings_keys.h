#pragma once
// Every key of lettrica.ini with its section and its default, and the typed
// accessors through which the main window and each dialog read and write
// their own keys. A dialog that stores something adds its keys here and
// calls the accessors; nothing else in the settings module changes.
//
// Numbers are converted as the Windows program converted them (toInteger);
// a value that does not convert is reported as "no number" and the caller
// keeps the state it had. Nothing is validated beyond that conversion.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/ini_file.h"

namespace lettrica::settings {

// The settings file's name in the settings directory.
inline constexpr std::string_view kSettingsFileName = "lettrica.ini";

struct Key {
    std::string_view section;
    std::string_view name;
    std::string_view fallback;  // ASCII, used when the key is missing
};

namespace keys {
// Main window placement ("Main" is read as one group: see readNumber).
inline constexpr Key Width{"Main", "Width", "0"};
inline constexpr Key Height{"Main", "Height", "0"};
inline constexpr Key PanelH{"Main", "PanelH", "0"};
inline constexpr Key Left{"Main", "Left", "0"};
inline constexpr Key Top{"Main", "Top", "0"};
inline constexpr Key Maximized{"Main", "Maximized", "0"};
// Menu options.
inline constexpr Key Table{"Menu", "Table", "2"};
// The transliteration system by its command-line name; a program that
// knows only Table ignores it.
inline constexpr Key System{"Menu", "System", ""};
inline constexpr Key Perenos{"Menu", "Perenos", "1"};
inline constexpr Key AutoV{"Menu", "AutoV", "0"};
// Filter indexes of the open and save dialogs.
inline constexpr Key OpenFilter{"File", "Open", "2"};
inline constexpr Key SaveFilter{"File", "Save", "4"};
// Minimise to the notification area.
inline constexpr Key TrayMin{"Tray", "Min", "0"};
// Print dialog.
inline constexpr Key PrintDoc1{"Print", "Doc1", "1"};
inline constexpr Key PrintDoc2{"Print", "Doc2", "1"};
// Send dialog.
inline constexpr Key EmailAddress{"Email", "Address", ""};
inline constexpr Key EmailDoc1{"Email", "Doc1", "1"};
inline constexpr Key EmailDoc2{"Email", "Doc2", "1"};
// The eight mail settings held by the main window.
inline constexpr Key MailHost{"Email", "mhost", "smtp.yandex.ru"};
inline constexpr Key MailPort{"Email", "mport", "25"};
inline constexpr Key MailAuthType{"Email", "mAuthType", "0"};
inline constexpr Key MailTimeOut{"Email", "mTimeOut", "0"};
inline constexpr Key MailUserName{"Email", "mUserName", "Your_Name"};
inline constexpr Key MailLogin{"Email", "mLogin", "Your_Login"};
inline constexpr Key MailPassword{"Email", "mPassword", ""};
inline constexpr Key MailEmail{"Email", "mEmail", "Your_Login@yandex.ru"};
// Case dialog.
inline constexpr Key RegistrReg{"Registr", "Reg", "1"};
inline constexpr Key RegistrDoc1{"Registr", "Doc1", "1"};
inline constexpr Key RegistrDoc2{"Registr", "Doc2", "1"};
// Recoding dialog.
inline constexpr Key PerekodNapr{"Perekod", "Napr", "0"};
inline constexpr Key PerekodDoc1{"Perekod", "Doc1", "1"};
inline constexpr Key PerekodDoc2{"Perekod", "Doc2", "1"};
}  // namespace keys

// The stored number, the key's default when it is missing, nothing when the
// value is not a whole number.
std::optional<std::int32_t> readNumber(const IniFile& ini, const Key& key);
// A byte-sized number: the stored number reduced modulo 256.
std::optional<std::uint8_t> readByte(const IniFile& ini, const Key& key);
std::u16string readText(const IniFile& ini, const Key& key);

// Writes return false when the key could not be written; the caller goes on
// with the next key.
bool writeNumber(IniFile& ini, const Key& key, std::int64_t value);
bool writeFlag(IniFile& ini, const Key& key, bool on);  // "1" or "0"
bool writeText(IniFile& ini, const Key& key, std::u16string_view value);

// A stored choice index for a list of `count` choices: below -1 it is -1
// (nothing chosen), past the last choice it is the last.
int clampChoiceIndex(std::int32_t stored, int count);

}  // namespace lettrica::settings
