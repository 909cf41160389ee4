#include "tables/user_table.h"

#include <array>

namespace lettrica::tables {

namespace {

Table makeTrDefaults() {
    // Capital then small letter, as Windows-1251 bytes.
    static const char* const pairs[26][2] = {
        {"\xC0", "\xE0"},         {"\xC1", "\xE1"},         {"\xD6", "\xF6"},
        {"\xC4", "\xE4"},         {"\xC5", "\xE5"},         {"\xD4", "\xF4"},
        {"\xC3", "\xE3"},         {"\xD5", "\xF5"},         {"\xC8", "\xE8"},
        {"\xC4\xE6", "\xE4\xE6"}, {"\xCA", "\xEA"},         {"\xCB", "\xEB"},
        {"\xCC", "\xEC"},         {"\xCD", "\xED"},         {"\xCE", "\xEE"},
        {"\xCF", "\xEF"},         {"\xCA\xF3", "\xEA\xF3"}, {"\xD0", "\xF0"},
        {"\xD1", "\xF1"},         {"\xD2", "\xF2"},         {"\xD3", "\xF3"},
        {"\xC2", "\xE2"},         {"\xC2", "\xE2"},         {"\xCA\xF1", "\xEA\xF1"},
        {"\xC9", "\xE9"},         {"\xC7", "\xE7"},
    };
    Table t;
    t.reserve(kTrEntryCount);
    for (const auto& p : pairs) {
        t.emplace_back(p[0]);
        t.emplace_back(p[1]);
    }
    return t;
}

Table makeRtDefaults() {
    // In key order: А а Б б ... Е е Ё ё Ж ж ... Я я.
    static const char* const pairs[33][2] = {
        {"A", "a"},     {"6", "6"},     {"B", "B"},     {"r", "r"},     {"D", "D"},
        {"E", "e"},     {"E", "e"},     {"}|{", "}|{"}, {"3", "3"},     {"u", "u"},
        {"~u", "~u"},   {"K", "k"},     {"JI", "JI"},   {"M", "M"},     {"H", "H"},
        {"O", "o"},     {"n", "n"},     {"P", "p"},     {"C", "c"},     {"T", "T"},
        {"y", "y"},     {"O|O", "o|o"}, {"X", "x"},     {"LL", "LL"},   {"4", "4"},
        {"LLI", "LLI"}, {"LLL", "LLL"}, {"~b", "~b"},   {"bI", "bI"},   {"b", "b"},
        {"-)", "-)"},   {"I-O", "I-o"}, {"9I", "9I"},
    };
    Table t;
    t.reserve(kRtEntryCount);
    for (const auto& p : pairs) {
        t.emplace_back(p[0]);
        t.emplace_back(p[1]);
    }
    return t;
}

}  // namespace

std::size_t entryCount(TableKind kind) { return kind == TableKind::Tr ? kTrEntryCount : kRtEntryCount; }

const char* fileName(TableKind kind) { return kind == TableKind::Tr ? "tr.dat" : "rt.dat"; }

unsigned char keyByte(TableKind kind, std::size_t index) {
    const bool small = index % 2 == 1;
    const std::size_t letter = index / 2;
    if (kind == TableKind::Tr) return static_cast<unsigned char>((small ? 'a' : 'A') + letter);
    // Ё, ё (A8, B8) stand after Е, е although their codes lie outside C0-FF.
    if (letter == 6) return small ? 0xB8 : 0xA8;
    const std::size_t offset = letter < 6 ? letter : letter - 1;
    return static_cast<unsigned char>((small ? 0xE0 : 0xC0) + offset);
}

std::optional<std::size_t> entryIndexOf(TableKind kind, unsigned char b) {
    if (kind == TableKind::Tr) {
        if (b >= 'A' && b <= 'Z') return 2 * std::size_t(b - 'A');
        if (b >= 'a' && b <= 'z') return 2 * std::size_t(b - 'a') + 1;
        return std::nullopt;
    }
    if (b == 0xA8) return 12;
    if (b == 0xB8) return 13;
    if (b >= 0xC0 && b <= 0xC5) return 2 * std::size_t(b - 0xC0);
    if (b >= 0xE0 && b <= 0xE5) return 2 * std::size_t(b - 0xE0) + 1;
    if (b >= 0xC6 && b <= 0xDF) return 2 * std::size_t(b - 0xC0) + 2;
    if (b >= 0xE6) return 2 * std::size_t(b - 0xE0) + 3;
    return std::nullopt;
}

const Table& defaultTable(TableKind kind) {
    static const Table tr = makeTrDefaults();
    static const Table rt = makeRtDefaults();
    return kind == TableKind::Tr ? tr : rt;
}

std::optional<std::string> entryProblem(std::string_view entry) {
    if (entry.size() > kMaxEntryBytes)
        return "an entry is longer than " + std::to_string(kMaxEntryBytes) + " characters";
    for (char c : entry) {
        if (c == '\r' || c == '\n') return std::string("a line break cannot be part of an entry");
        if (c == '\x1A') return std::string("the character 1A (Ctrl+Z) cannot be part of an entry");
    }
    return std::nullopt;
}

}  // namespace lettrica::tables
