#pragma once
// The two user tables as the program holds them for a whole run, with the
// flags that decide what reaches the disk: a file is read once at start, a
// table is written at close only when the user confirmed it in its editor,
// and the reset puts the defaults back and deletes both files.

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "tables/table_file.h"
#include "tables/user_table.h"

namespace lettrica::tables {

class UserTableSet {
public:
    // Both tables hold their defaults; all flags are false.
    UserTableSet();

    const Table& table(TableKind kind) const { return slot(kind).table; }

    // The built-in contents into one table (trTab / rtTab) or both.
    void setDefaults(TableKind kind);
    void setAllDefaults();

    // An editor's OK: replaces every entry, marks the table for writing at
    // close and enables the reset. Refuses (and changes nothing) a table of
    // the wrong size or with an entry that could not be read back.
    FileResult confirm(TableKind kind, Table entries);

    struct LoadReport {
        LoadResult tr;
        LoadResult rt;
        // Deletions of rejected files that failed.
        std::vector<std::string> errors;
    };
    // The start-up load from `dir`: an accepted file replaces its table and
    // sets its loaded flag; a missing one, or one that is not a regular file
    // (a directory, a FIFO), leaves the defaults; a rejected one (wrong line
    // count, a line too long) gives the defaults and, with deleteRejected, is
    // deleted unless it is read-only. A file that exists but cannot be read
    // gives the defaults and is kept: it may be fine again once readable.
    // Enables the reset when either file was accepted.
    LoadReport load(const std::filesystem::path& dir, bool deleteRejected = true);

    // The close: writes each table marked by confirm(), atomically. Errors
    // leave the previous file as it was; a read-only file, or one that is
    // not a regular file, is never replaced.
    std::vector<std::string> save(const std::filesystem::path& dir) const;

    // The confirmed reset: defaults, both files deleted (but not a read-only
    // one, nor one that is not a regular file), both tables unmarked, the
    // reset disabled. Returns the deletions that failed or were refused.
    std::vector<std::string> reset(const std::filesystem::path& dir);

    bool loaded(TableKind kind) const { return slot(kind).loaded; }
    bool modified(TableKind kind) const { return slot(kind).modified; }
    bool resetEnabled() const { return resetEnabled_; }

private:
    struct Slot {
        Table table;
        bool loaded = false;
        bool modified = false;
    };
    Slot& slot(TableKind kind) { return kind == TableKind::Tr ? tr_ : rt_; }
    const Slot& slot(TableKind kind) const { return kind == TableKind::Tr ? tr_ : rt_; }
    LoadResult loadOne(TableKind kind, const std::filesystem::path& dir, bool deleteRejected,
                       std::vector<std::string>& errors);

    Slot tr_;
    Slot rt_;
    bool resetEnabled_ = false;
};

}  // namespace lettrica::tables
