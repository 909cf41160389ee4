#include "settings/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "fileio/atomic_file.h"
#include "fileio/regular_file.h"
#include "settings/settings_dir.h"
#include "text/cp1251.h"
#include "text/utf8.h"

namespace lettrica::settings {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string cp1251ToUtf8(std::string_view bytes) { return text::encodeUtf8(text::decodeCp1251(bytes)); }

// Nothing when the bytes are no UTF-8 or hold a character Windows-1251 lacks.
std::optional<std::string> utf8ToCp1251(std::string_view bytes) {
    if (!text::isValidUtf8(bytes)) return std::nullopt;
    text::EncodeResult r = text::encodeCp1251(text::decodeUtf8(bytes));
    if (!r.ok()) return std::nullopt;
    return std::move(r.bytes);
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Lower case of a Windows-1251 byte: ASCII and the Cyrillic letters.
unsigned char foldCase(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDF) return static_cast<unsigned char>(c + 32);
    switch (c) {
        case 0x80: return 0x90;
        case 0x81: return 0x83;
        case 0x8A: return 0x9A;
        case 0x8C: return 0x9C;
        case 0x8D: return 0x9D;
        case 0x8E: return 0x9E;
        case 0x8F: return 0x9F;
        case 0xA1: return 0xA2;
        case 0xA3: return 0xBC;
        case 0xA5: return 0xB4;
        case 0xA8: return 0xB8;
        case 0xAA: return 0xBA;
        case 0xAF: return 0xBF;
        case 0xB2: return 0xB3;
        case 0xBD: return 0xBE;
        default: return c;
    }
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldCase(static_cast<unsigned char>(a[i])) != foldCase(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

enum class Kind { Blank, Section, Comment, Key, Other };

struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed, quotes still on
    std::size_t equals = 0;  // position of '=' in the raw line
};

Parsed parseLine(std::string_view raw) {
    Parsed p;
    std::string_view s = trim(raw);
    if (s.empty()) {
        p.kind = Kind::Blank;
        return p;
    }
    if (s.front() == '[') {
        std::size_t close = s.rfind(']');
        if (close != std::string_view::npos) {
            p.kind = Kind::Section;
            p.name = trim(s.substr(1, close - 1));
            return p;
        }
    }
    if (s.front() == ';') {
        p.kind = Kind::Comment;
        return p;
    }
    std::size_t eq = raw.find('=');
    if (eq == std::string_view::npos) return p;
    p.kind = Kind::Key;
    p.equals = eq;
    p.name = trim(raw.substr(0, eq));
    p.value = trim(raw.substr(eq + 1));
    return p;
}

std::string_view stripQuotes(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// What stands after '=' so that a read gives `value` back unchanged.
std::string encodeValue(std::string_view value) {
    const bool loses = !value.empty() && (isBlank(value.front()) || isBlank(value.back()) ||
                                          stripQuotes(value).size() != value.size());
    if (!loses) return std::string(value);
    return "\"" + std::string(value) + "\"";
}

bool hasLineBreakOrNul(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != s.npos; }

bool validSectionName(std::string_view s) {
    return !s.empty() && trim(s) == s && !hasLineBreakOrNul(s) && s.find(']') == s.npos;
}

bool validKeyName(std::string_view s) {
    return !s.empty() && trim(s) == s && !hasLineBreakOrNul(s) && s.find('=') == s.npos && s.front() != '[' &&
           s.front() != ';';
}

}  // namespace

std::optional<std::int32_t> toInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == text.size()) return std::nullopt;
    std::uint64_t magnitude = 0;
    const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return std::nullopt;
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        if (magnitude > limit) return std::nullopt;
    }
    // Two's complement wrap, as a 32-bit register holds it.
    std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
    if (negative) bits = ~bits + 1u;
    return static_cast<std::int32_t>(bits);
}

IniFile::IniFile(fs::path path) : path_(std::move(path)) {
    FileContents file = readRegularFile(path_, kMaxFileBytes);
    if (file.state != FileState::Missing && file.state != FileState::Regular) unusable_ = file.error;
    parse(std::move(file.bytes));
}

IniFile IniFile::fromContent(fs::path path, std::string content) {
    IniFile ini;
    ini.path_ = std::move(path);
    ini.parse(std::move(content));
    return ini;
}

void IniFile::parse(std::string content) {
    lines_.clear();
    utf8_ = content.starts_with(kUtf8Bom);
    std::size_t start = utf8_ ? kUtf8Bom.size() : 0;
    while (start < content.size()) {
        std::size_t end = content.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines_.push_back({content.substr(start), ""});
            break;
        }
        std::size_t endLen = (content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n') ? 2 : 1;
        lines_.push_back({content.substr(start, end - start), content.substr(end, endLen)});
        start = end + endLen;
    }
    modified_ = false;
}

std::string IniFile::content() const {
    std::string out(utf8_ ? kUtf8Bom : std::string_view());
    for (const Line& line : lines_) {
        out += line.text;
        out += line.end;
    }
    return out;
}

IniFile::Located IniFile::locate(std::string_view section, std::string_view key) const {
    Located found;
    bool inside = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Parsed p = parseLine(lines_[i].text);
        if (p.kind == Kind::Section) {
            if (inside) break;  // only the first section of that name counts
            if (sameName(fromFile(p.name), section)) {
                inside = true;
                found.sectionHeader = i;
                found.lastInSection = i;
            }
            continue;
        }
        if (!inside || p.kind != Kind::Key) continue;
        found.lastInSection = i;
        if (!found.key && sameName(fromFile(p.name), key)) found.key = i;
    }
    return found;
}

std::string IniFile::readBytes(std::string_view section, std::string_view key, std::string_view fallback) const {
    const Located at = locate(section, key);
    if (!at.key) return std::string(fallback);
    return std::string(stripQuotes(parseLine(lines_[*at.key].text).value));
}

std::u16string IniFile::read(std::string_view section, std::string_view key, std::u16string_view fallback) const {
    const Located at = locate(section, key);
    if (!at.key) return std::u16string(fallback);
    const std::string_view value = stripQuotes(parseLine(lines_[*at.key].text).value);
    // A UTF-8 file edited by hand may hold a line of another code page.
    if (utf8_ && text::isValidUtf8(value)) return text::decodeUtf8(value);
    return text::decodeCp1251(value);
}

bool IniFile::contains(std::string_view section, std::string_view key) const {
    return locate(section, key).key.has_value();
}

std::string IniFile::newLineEnd() const {
    for (const Line& line : lines_)
        if (!line.end.empty()) return line.end;
    return "\r\n";
}

std::string IniFile::inFile(std::string_view name) const {
    return utf8_ ? cp1251ToUtf8(name) : std::string(name);
}

std::string IniFile::fromFile(std::string_view name) const {
    if (!utf8_) return std::string(name);
    return utf8ToCp1251(name).value_or(std::string(name));
}

bool IniFile::writeBytes(std::string_view section, std::string_view key, std::string_view value) {
    if (!validSectionName(section) || !validKeyName(key) || hasLineBreakOrNul(value)) return false;
    return put(section, key, std::string(value));
}

bool IniFile::put(std::string_view section, std::string_view key, const std::string& value) {
    const std::string encoded = encodeValue(value);
    const Located at = locate(section, key);
    if (at.key) {
        Line& line = lines_[*at.key];
        // Keep the name as the file spells it, and whatever stands before '='.
        std::string text = line.text.substr(0, parseLine(line.text).equals + 1) + encoded;
        if (text != line.text) {
            line.text = std::move(text);
            modified_ = true;
        }
        return true;
    }
    const std::string end = newLineEnd();
    if (at.sectionHeader) {
        if (lines_[at.lastInSection].end.empty()) lines_[at.lastInSection].end = end;
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at.lastInSection) + 1,
                      Line{inFile(key) + "=" + encoded, end});
    } else {
        if (!lines_.empty()) {
            if (lines_.back().end.empty()) lines_.back().end = end;
            if (parseLine(lines_.back().text).kind != Kind::Blank) lines_.push_back({"", end});
        }
        lines_.push_back({"[" + inFile(section) + "]", end});
        lines_.push_back({inFile(key) + "=" + encoded, end});
    }
    modified_ = true;
    return true;
}

bool IniFile::write(std::string_view section, std::string_view key, std::u16string_view value) {
    if (!utf8_) {
        text::EncodeResult bytes = text::encodeCp1251(value);
        if (bytes.ok()) return writeBytes(section, key, bytes.bytes);
    }
    const std::string bytes = text::encodeUtf8(value);
    // An unpaired surrogate would come back as U+FFFD.
    if (text::decodeUtf8(bytes) != value) return false;
    if (!validSectionName(section) || !validKeyName(key) || hasLineBreakOrNul(bytes)) return false;
    if (!utf8_) toUtf8();
    return put(section, key, bytes);
}

void IniFile::toUtf8() {
    for (Line& line : lines_) line.text = cp1251ToUtf8(line.text);
    utf8_ = true;
    modified_ = true;
}

bool IniFile::toCp1251() {
    std::vector<std::string> texts;
    texts.reserve(lines_.size());
    for (const Line& line : lines_) {
        std::optional<std::string> bytes = utf8ToCp1251(line.text);
        if (!bytes) return false;
        texts.push_back(std::move(*bytes));
    }
    for (std::size_t i = 0; i < lines_.size(); ++i) lines_[i].text = std::move(texts[i]);
    utf8_ = false;
    return true;
}

std::string IniFile::save() {
    if (!modified_) return {};
    // What could not be read is not ours to replace.
    if (!unusable_.empty()) return unusable_ + "; left as it is";
    const fs::path dir = path_.parent_path();
    if (!dir.empty()) {
        if (std::string err = ensureDirExists(dir); !err.empty()) return err;
    }
    // Back in the program's code page when every character fits it again.
    if (utf8_) toCp1251();
    // It holds the mail password: readable and writable by its owner only,
    // also when an older file let others read it. The writer follows a
    // link, keeps the owner, and leaves a read-only file or anything that
    // is not a regular file alone.
    WriteOptions options;
    options.newFileMode = 0600;
    options.keptModeMask = 0700;
    if (WriteResult w = writeFileAtomically(path_, content(), options); !w.ok()) return w.error;
    modified_ = false;
    return {};
}

std::string IniFile::keepPrivate(const fs::path& path) {
    const auto failed = [&path] { return path.filename().string() + ": " + std::strerror(errno); };
    struct stat st {};
    // Only a regular file is opened: a device or a FIFO is not ours.
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? std::string() : failed();
    if (!S_ISREG(st.st_mode) || (st.st_mode & 077) == 0) return {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return failed();
    std::string error;
    // The open file is checked again: it may have been replaced meanwhile.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 077) != 0 &&
        ::fchmod(fd, st.st_mode & 0700) != 0)
        error = failed();
    ::close(fd);
    return error;
}

}  // namespace lettrica::settings
