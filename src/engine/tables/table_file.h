#pragma once
// The tr.dat / rt.dat file format: one entry per line in key order,
// Windows-1251, each line ended by CR LF as written. The reader is lenient
// about line ends (LF alone, a missing last line end) and strict about the
// number of lines.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "tables/user_table.h"

namespace lettrica::tables {

// Splits file bytes into lines, fed in pieces of any size:
// - LF ends a line; a CR directly before it belongs to the line end;
// - a CR not followed by LF is dropped and the line goes on;
// - 1A ends the file;
// - the last line may lack its line end; an empty line counts as a line.
// Only the first `maxLines` lines are kept; further lines are counted, so
// a reader can stop as soon as lineCount() exceeds what it accepts. A line
// longer than kMaxEntryBytes ends the reading at once (overlong()), so no
// line costs more memory than that.
class TableLineReader {
public:
    explicit TableLineReader(std::size_t maxLines) : maxLines_(maxLines) {}

    void feed(std::string_view bytes);
    // Closes the last line if it lacks its line end. Call once, at the end.
    void finish();

    bool atEndMark() const { return ended_; }
    // True once a line beyond `maxLines` has begun: the file is too long,
    // whatever follows.
    bool exceeded() const { return count_ > maxLines_ || (count_ == maxLines_ && lineStarted_); }
    // True once a line has grown past kMaxEntryBytes: the file is invalid.
    bool overlong() const { return overlong_; }
    // Nothing more can make the file valid, or its end mark was read.
    bool done() const { return ended_ || overlong_ || exceeded(); }
    std::size_t lineCount() const { return count_; }
    const Table& lines() const { return lines_; }
    Table takeLines() { return std::move(lines_); }

private:
    void endLine();

    std::size_t maxLines_;
    Table lines_;
    std::string current_;
    std::size_t count_ = 0;
    bool lineStarted_ = false;
    bool pendingCr_ = false;
    bool ended_ = false;
    bool overlong_ = false;
};

// The file contents of a table: each entry followed by CR LF.
std::string serializeTable(const Table& table);

struct ParsedTable {
    std::size_t lineCount = 0;  // lines found, counted up to expected + 1
    bool overlong = false;      // a line is longer than kMaxEntryBytes
    Table entries;              // the entries when the count is right, else empty
    bool accepted() const { return !entries.empty(); }
};

// Reads whole file contents: accepted with exactly entryCount(kind) lines,
// none of them longer than kMaxEntryBytes.
ParsedTable parseTable(TableKind kind, std::string_view bytes);

enum class LoadStatus {
    Missing,    // no file: the table keeps its defaults, nothing is created
    Accepted,   // the file holds exactly the expected number of lines
    Rejected,   // wrong line count, or a line too long
    ReadError,  // the file exists but could not be read
    NotAFile,   // a directory, FIFO or device: taken as missing, never replaced
};

struct LoadResult {
    LoadStatus status = LoadStatus::Missing;
    Table entries;           // filled when Accepted
    std::size_t lineCount = 0;
    std::string error;       // what went wrong, for Rejected, ReadError and NotAFile
    bool accepted() const { return status == LoadStatus::Accepted; }
};

// Reads `path` as a table file of `kind`, when it is a regular file (a FIFO
// is not waited for). It stops reading as soon as the file cannot be valid
// any more (one line too many, a line too long), so a huge file costs no
// more than one read.
LoadResult readTableFile(TableKind kind, const std::filesystem::path& path);

struct FileResult {
    std::string error;  // empty on success
    bool ok() const { return error.empty(); }
};

// Writes the table to `path` through the atomic writer, creating the
// directory when missing: a failure leaves any previous file intact, and a
// read-only file or anything that is not a regular file is left alone.
// Refuses a table of the wrong size or with an entry that could not be read
// back (see entryProblem).
FileResult writeTableFile(TableKind kind, const Table& table, const std::filesystem::path& path);

// Deletes `path` when it exists and may be replaced (a read-only file, a
// directory or a FIFO stays); a missing file is no error.
FileResult deleteTableFile(const std::filesystem::path& path);

}  // namespace lettrica::tables
