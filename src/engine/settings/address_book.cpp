#include "settings/address_book.h"

#include "fileio/atomic_file.h"
#include "settings/settings_dir.h"
#include "text/cp1251.h"
#include "text/utf8.h"

namespace lettrica::settings {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

}  // namespace

std::vector<std::u16string> parseAddressBook(std::string_view bytes) {
    const bool utf8 = bytes.starts_with(kUtf8Bom);
    if (utf8) bytes.remove_prefix(kUtf8Bom.size());
    // A line that is no UTF-8 in a UTF-8 file was added by another hand.
    const auto decode = [utf8](std::string_view line) {
        return utf8 && text::isValidUtf8(line) ? text::decodeUtf8(line) : text::decodeCp1251(line);
    };
    std::vector<std::u16string> entries;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            entries.push_back(decode(bytes.substr(start)));
            break;
        }
        entries.push_back(decode(bytes.substr(start, end - start)));
        start = end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
    }
    return entries;
}

std::string formatAddressBook(const std::vector<std::u16string>& entries, std::vector<std::size_t>* skipped) {
    std::string cp1251;
    std::string utf8(kUtf8Bom);
    bool fits = true;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].find_first_of(u"\r\n") != std::u16string::npos) {
            if (skipped) skipped->push_back(i);
            continue;
        }
        text::EncodeResult line = text::encodeCp1251(entries[i]);
        fits = fits && line.ok();
        cp1251 += line.bytes + "\r\n";
        utf8 += text::encodeUtf8(entries[i]) + "\r\n";
    }
    return fits ? cp1251 : utf8;
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
