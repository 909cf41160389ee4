// The INI service: any file content comes back byte for byte, and a write
// that is accepted reads back, before and after the content is parsed anew,
// while a refused one changes nothing.
//
// Input: the file content, then after a NUL a list of writes, each three
// fields (section, key, value) separated by NUL.

#include <string>
#include <vector>

#include "fuzz_check.h"
#include "settings/ini_file.h"

namespace {

using lettrica::settings::IniFile;

struct Write {
    std::string section, key, value;
};

bool asciiOnly(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

bool sameAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const std::size_t split = all.find('\0');
    const std::string content(all.substr(0, split));
    std::vector<std::string> fields;
    if (split != std::string_view::npos) {
        std::string_view rest = all.substr(split + 1);
        for (;;) {
            const std::size_t end = rest.find('\0');
            fields.emplace_back(rest.substr(0, end));
            if (end == std::string_view::npos) break;
            rest.remove_prefix(end + 1);
        }
    }

    IniFile ini = IniFile::fromContent("fuzz.ini", content);
    fuzz::check(ini.content() == content, "content comes back byte for byte");

    std::vector<Write> done;
    for (std::size_t f = 0; f + 2 < fields.size(); f += 3) {
        const Write w{fields[f], fields[f + 1], fields[f + 2]};
        const std::string before = ini.content();
        if (!ini.writeBytes(w.section, w.key, w.value)) {
            fuzz::check(ini.content() == before, "a refused write changes nothing");
            continue;
        }
        fuzz::check(ini.readBytes(w.section, w.key, "\x01") == w.value, "a write reads back");
        const IniFile again = IniFile::fromContent("fuzz.ini", ini.content());
        fuzz::check(again.readBytes(w.section, w.key, "\x01") == w.value, "a write reads back after parsing");
        // Earlier writes to other keys stand (names compared where plain
        // ASCII makes the comparison certain).
        for (const Write& d : done) {
            if (!asciiOnly(d.section + d.key + w.section + w.key)) continue;
            if (sameAscii(d.section, w.section) && sameAscii(d.key, w.key)) continue;
            fuzz::check(again.readBytes(d.section, d.key, "\x01") == d.value, "a write leaves other keys alone");
        }
        // Only the last value written to a key stands.
        std::erase_if(done, [&w](const Write& d) {
            return asciiOnly(d.section + d.key + w.section + w.key) && sameAscii(d.section, w.section) &&
                   sameAscii(d.key, w.key);
        });
        done.push_back(w);
    }
    return 0;
}
