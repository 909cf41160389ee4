#pragma once
// An INI file with the semantics of the Windows profile functions, in
// Windows-1251: "[Section]" lines open sections, "Key=Value" lines give
// values; names are compared without regard to case; a read gives the value
// or the caller's default; a write replaces only that key's line, or adds the
// key at the end of its section, or the section at the end of the file. Every
// other line (comments, blank lines, keys nobody here knows) is kept byte for
// byte, line ends included.
//
// A value that Windows-1251 cannot hold ("José", "Łukasz") turns the whole
// file into UTF-8 with a byte-order mark, and a file that starts with one is
// read as UTF-8. A save writes Windows-1251 again as soon as every character
// of the file fits it, so the file stays in the program's code page whenever
// it can.
//
// The file is read when the object is made and written back, whole and
// atomically, by save(); between the two, reads and writes go key by key.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lettrica::settings {

// A whole number as the Windows program converted one: leading spaces, an
// optional sign, decimal digits, or hexadecimal after "$", "x" or "0x";
// nothing may follow. Decimal must fit a signed 32-bit integer; hexadecimal
// may use all 32 bits and then wraps to negative ("$FFFFFFFF" is -1).
std::optional<std::int32_t> toInteger(std::string_view text);

class IniFile {
public:
    // Reads `path`; a missing file reads as empty, so every key gives its
    // default. So does anything that cannot be taken as a settings file (a
    // directory, a FIFO, an unreadable file, one over kMaxFileBytes), which
    // save() then leaves alone.
    explicit IniFile(std::filesystem::path path);

    // Far beyond what the program writes (about 1 KB); a larger file is not
    // one of its settings files, and reading it would only cost memory.
    static constexpr std::size_t kMaxFileBytes = 1 << 20;

    // Why the file was not read, or empty when it was read or is missing.
    const std::string& unusable() const { return unusable_; }

    // Parses `content` as if read from `path` (nothing is read).
    static IniFile fromContent(std::filesystem::path path, std::string content);

    const std::filesystem::path& path() const { return path_; }

    // Section and key names are Windows-1251 bytes (the program's are ASCII).
    // The value of the first such key of the first such section, with the
    // surrounding blanks removed and one pair of matching quotes stripped;
    // `fallback` when the key is missing. readBytes gives the value's bytes
    // as the file holds them (UTF-8 in a UTF-8 file), read() its text.
    std::string readBytes(std::string_view section, std::string_view key, std::string_view fallback) const;
    std::u16string read(std::string_view section, std::string_view key, std::u16string_view fallback) const;
    bool contains(std::string_view section, std::string_view key) const;

    // Sets a value, given as the bytes the file is to hold. Refused (false,
    // nothing changed) when the value holds a line break or NUL, which would
    // add lines of its own, or when a name could not be read back as the
    // same name. A value that would lose blanks or quotes on the way back is
    // written between double quotes.
    bool writeBytes(std::string_view section, std::string_view key, std::string_view value);
    // As writeBytes, for a text. One that Windows-1251 cannot hold makes the
    // file UTF-8 rather than losing a character to "?".
    bool write(std::string_view section, std::string_view key, std::u16string_view value);

    // True while the file is UTF-8 (read with a byte-order mark, or made so
    // by a write).
    bool isUtf8() const { return utf8_; }

    // True when a write changed the content since it was read or saved.
    bool modified() const { return modified_; }
    // The file's bytes as they stand, the byte-order mark of a UTF-8 file
    // included.
    std::string content() const;

    // Writes the content back when it was modified, through the atomic
    // writer: a failure leaves the old file whole; a link is followed; owner
    // and group are kept; a read-only file, or anything that is not a
    // regular file, is left alone. The directory is created when missing.
    // The file is readable by its owner only (it may hold a password): a new
    // one is made so, a replaced one loses what it granted others.
    // Returns an empty string or what failed.
    std::string save();

    // Takes from an existing file what it grants group and others, as save()
    // would, for a run that writes nothing: the file may hold a password.
    // Only a regular file is changed (a link is followed). Returns an empty
    // string, also when there is no file, or what failed.
    static std::string keepPrivate(const std::filesystem::path& path);

private:
    IniFile() = default;
    void parse(std::string content);

    struct Line {
        std::string text;  // without its line end
        std::string end;   // "\r\n", "\n", "\r" or "" for a last line without one
    };
    struct Located {
        std::optional<std::size_t> sectionHeader;
        std::optional<std::size_t> key;         // the key's line
        std::size_t lastInSection = 0;          // where a new key goes after
    };
    Located locate(std::string_view section, std::string_view key) const;
    std::string newLineEnd() const;
    // A name as the file spells it, and back (Windows-1251 as callers give it).
    std::string inFile(std::string_view name) const;
    std::string fromFile(std::string_view name) const;
    bool put(std::string_view section, std::string_view key, const std::string& fileValue);
    // Re-encodes every line; to Windows-1251 only when each one fits.
    void toUtf8();
    bool toCp1251();

    std::filesystem::path path_;
    std::vector<Line> lines_;
    bool modified_ = false;
    bool utf8_ = false;
    std::string unusable_;
};

}  // namespace lettrica::settings
