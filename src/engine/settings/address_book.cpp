#include "settings/address_book.h"

#include "settings/atomic_file.h"
#include "settings/settings_dir.h"
#include "text/cp1251.h"

namespace lettrica::settings {

std::vector<std::u16string> parseAddressBook(std::string_view bytes) {
    std::vector<std::u16string> entries;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            entries.push_back(text::decodeCp1251(bytes.substr(start)));
            break;
        }
        entries.push_back(text::decodeCp1251(bytes.substr(start, end - start)));
        start = end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
    }
    return entries;
}

std::string formatAddressBook(const std::vector<std::u16string>& entries, std::vector<std::size_t>* skipped) {
    std::string bytes;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        text::EncodeResult line = text::encodeCp1251(entries[i]);
        if (!line.ok() || line.bytes.find_first_of("\r\n") != std::string::npos) {
            if (skipped) skipped->push_back(i);
            continue;
        }
        bytes += line.bytes;
        bytes += "\r\n";
    }
    return bytes;
}

AddressBookFile readAddressBook(const std::filesystem::path& path) {
    FileContents file = readRegularFile(path, kMaxAddressBookBytes);
    AddressBookFile book;
    book.state = file.state;
    book.error = file.error;
    if (file.state == FileState::Regular) book.entries = parseAddressBook(file.bytes);
    return book;
}

std::string writeAddressBook(const std::filesystem::path& path, const std::vector<std::u16string>& entries) {
    const std::filesystem::path dir = path.parent_path();
    if (!dir.empty()) {
        if (std::string err = ensureDirExists(dir); !err.empty()) return err;
    }
    // Whom the user writes to is nobody else's business.
    return writeFileAtomically(path, formatAddressBook(entries), 0600).error;
}

}  // namespace lettrica::settings
