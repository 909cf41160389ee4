#pragma once
// The user's own transliteration tables. The tr table says what each Latin
// letter becomes in Cyrillic (Rus <- Translit), the rt table what each
// Cyrillic letter becomes in Latin (Rus -> Translit). Entries are kept as
// Windows-1251 bytes, exactly as they stand in the files.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lettrica::tables {

enum class TableKind { Tr, Rt };

inline constexpr std::size_t kTrEntryCount = 52;
inline constexpr std::size_t kRtEntryCount = 66;

using Table = std::vector<std::string>;  // entry k belongs to key k

// The longest entry a table holds, in bytes (characters of Windows-1251). A
// letter's replacement is a few characters; the bound keeps a stray huge
// file from being read whole and a conversion's output from exploding. The
// editors stop typing there, and a file with a longer line is rejected as
// soon as the reader has passed this many bytes of it.
inline constexpr std::size_t kMaxEntryBytes = 1024;

std::size_t entryCount(TableKind kind);

// "tr.dat" or "rt.dat".
const char* fileName(TableKind kind);

// The Windows-1251 byte of the key of entry `index`: A, a, B, b ... Z, z for
// the tr table; А, а ... Е, е, Ё, ё, Ж, ж ... Я, я for the rt table.
unsigned char keyByte(TableKind kind, std::size_t index);

// The entry that a Windows-1251 byte looks up, or nothing when the byte is
// not a key of the table.
std::optional<std::size_t> entryIndexOf(TableKind kind, unsigned char byte);

// The built-in contents.
const Table& defaultTable(TableKind kind);

// Why an entry cannot be stored, or nothing when it can. CR and LF would
// split the entry into two lines of its file and 1A would end the file
// there, and an entry over kMaxEntryBytes would be rejected, so a table
// holding them could never be read back.
std::optional<std::string> entryProblem(std::string_view entry);

}  // namespace lettrica::tables
