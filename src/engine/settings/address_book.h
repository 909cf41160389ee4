#pragma once
// The send dialog's address book, email.dat in the settings directory:
// Windows-1251 text, one address per line, each line ended by CR LF, in the
// order of the list. Every line read is one entry, an empty line an empty
// entry. Nothing else is in the file. When some entry has a character that
// Windows-1251 lacks ("Łukasz Żak <lukasz@example.org>"), the whole file is
// UTF-8 after a byte-order mark instead; either is read.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "fileio/regular_file.h"

namespace lettrica::settings {

inline constexpr std::string_view kAddressBookFileName = "email.dat";

// Far beyond any list a person keeps; a larger file is not one we wrote.
inline constexpr std::size_t kMaxAddressBookBytes = 4 << 20;

// The entries of the file's bytes. A line ends at CR LF, and also at a
// lone LF or CR (a file edited elsewhere); the end of the last line makes
// no entry of its own.
std::vector<std::u16string> parseAddressBook(std::string_view bytes);

// The file's bytes for `entries`. An entry that holds a line break would
// come back as several; it is left out and its index added to `skipped`
// (when given).
std::string formatAddressBook(const std::vector<std::u16string>& entries, std::vector<std::size_t>* skipped = nullptr);

struct AddressBookFile {
    FileState state = FileState::Missing;  // Regular when the entries were read
    std::vector<std::u16string> entries;
    std::string error;
};
AddressBookFile readAddressBook(const std::filesystem::path& path);

// Replaces the file atomically (a new one readable by its owner only),
// creating its directory when missing. An empty string or what failed.
std::string writeAddressBook(const std::filesystem::path& path, const std::vector<std::u16string>& entries);

}  // namespace lettrica::settings
