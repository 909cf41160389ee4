#include "tables/table_file.h"

#include "fileio/atomic_file.h"
#include "fileio/regular_file.h"
#include "settings/settings_dir.h"

namespace lettrica::tables {
namespace fs = std::filesystem;

void TableLineReader::endLine() {
    ++count_;
    if (lines_.size() < maxLines_) lines_.push_back(std::move(current_));
    current_.clear();
    lineStarted_ = false;
}

void TableLineReader::feed(std::string_view bytes) {
    for (char c : bytes) {
        if (ended_ || overlong_) return;
        if (c == '\x1A') {
            ended_ = true;
            return;
        }
        lineStarted_ = true;
        if (pendingCr_) {
            pendingCr_ = false;
            if (c == '\n') {
                endLine();
                continue;
            }
            // The CR stood alone: dropped, the line goes on with this byte.
        }
        if (c == '\r') pendingCr_ = true;
        else if (c == '\n') endLine();
        else if (count_ < maxLines_) {
            if (current_.size() == kMaxEntryBytes) {
                overlong_ = true;
                return;
            }
            current_.push_back(c);
        }
    }
}

void TableLineReader::finish() {
    pendingCr_ = false;
    if (overlong_) return;  // the line stays open: lineCount() + 1 is the long one
    if (lineStarted_) endLine();
}

std::string serializeTable(const Table& table) {
    std::string out;
    std::size_t size = 0;
    for (const std::string& e : table) size += e.size() + 2;
    out.reserve(size);
    for (const std::string& e : table) {
        out += e;
        out += "\r\n";
    }
    return out;
}

ParsedTable parseTable(TableKind kind, std::string_view bytes) {
    const std::size_t expected = entryCount(kind);
    TableLineReader reader(expected);
    reader.feed(bytes);
    reader.finish();
    ParsedTable result;
    result.lineCount = reader.lineCount();
    result.overlong = reader.overlong();
    if (result.lineCount == expected && !result.overlong) result.entries = reader.takeLines();
    return result;
}

LoadResult readTableFile(TableKind kind, const fs::path& path) {
    LoadResult result;
    const std::string name = path.filename().string();
    settings::RegularFileReader file(path);
    switch (file.state()) {
    case settings::FileState::Missing:
        return result;
    case settings::FileState::NotRegular:
        result.status = LoadStatus::NotAFile;
        result.error = file.error();
        return result;
    case settings::FileState::Unreadable:
        result.status = LoadStatus::ReadError;
        result.error = file.error();
        return result;
    case settings::FileState::Regular:
        break;
    }
    const std::size_t expected = entryCount(kind);
    TableLineReader reader(expected);
    std::string buffer(64 * 1024, '\0');
    while (!reader.done()) {
        const std::size_t got = file.read(buffer.data(), buffer.size());
        if (file.state() != settings::FileState::Regular) {
            result.status = LoadStatus::ReadError;
            result.error = file.error();
            return result;
        }
        if (got == 0) break;
        reader.feed(std::string_view(buffer.data(), got));
    }
    reader.finish();

    result.lineCount = reader.lineCount();
    if (reader.overlong()) {
        result.status = LoadStatus::Rejected;
        result.error = name + ": line " + std::to_string(reader.lineCount() + 1) + " is longer than " +
                       std::to_string(kMaxEntryBytes) + " bytes";
    } else if (result.lineCount == expected) {
        result.status = LoadStatus::Accepted;
        result.entries = reader.takeLines();
    } else {
        result.status = LoadStatus::Rejected;
        result.error = name + " has " +
                       (result.lineCount > expected ? "more than " + std::to_string(expected)
                                                    : std::to_string(result.lineCount)) +
                       " lines, " + std::to_string(expected) + " expected";
    }
    return result;
}

FileResult writeTableFile(TableKind kind, const Table& table, const fs::path& path) {
    if (table.size() != entryCount(kind))
        return {"a table of " + std::to_string(table.size()) + " entries cannot be written as " +
                fileName(kind)};
    for (std::size_t k = 0; k < table.size(); ++k) {
        if (auto problem = entryProblem(table[k]))
            return {"entry " + std::to_string(k + 1) + ": " + *problem};
    }
    fs::path dir = path.parent_path();
    if (!dir.empty()) {
        if (std::string err = settings::ensureDirExists(dir); !err.empty()) return {err};
    }
    settings::WriteResult w = settings::writeFileAtomically(path, serializeTable(table));
    return {w.error};
}

FileResult deleteTableFile(const fs::path& path) { return {settings::deleteFileIfAllowed(path).error}; }

}  // namespace lettrica::tables
