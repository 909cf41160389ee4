#include "tables/table_file.h"

#include <fstream>
#include <system_error>

#include "settings/atomic_file.h"
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
        if (ended_) return;
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
        else if (count_ < maxLines_) current_.push_back(c);
    }
}

void TableLineReader::finish() {
    pendingCr_ = false;
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
    if (result.lineCount == expected) result.entries = reader.takeLines();
    return result;
}

LoadResult readTableFile(TableKind kind, const fs::path& path) {
    LoadResult result;
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory) {
        result.status = LoadStatus::ReadError;
        result.error = path.filename().string() + ": " + ec.message();
        return result;
    }
    if (!fs::exists(st)) return result;  // Missing
    if (fs::is_directory(st)) {
        result.status = LoadStatus::ReadError;
        result.error = path.filename().string() + " is a directory";
        return result;
    }

    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.status = LoadStatus::ReadError;
        result.error = "cannot open " + path.filename().string();
        return result;
    }
    const std::size_t expected = entryCount(kind);
    TableLineReader reader(expected);
    std::string buffer(64 * 1024, '\0');
    while (!reader.atEndMark() && !reader.exceeded()) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const std::streamsize got = in.gcount();
        if (got > 0) reader.feed(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
        if (in.bad()) {
            result.status = LoadStatus::ReadError;
            result.error = "cannot read " + path.filename().string();
            return result;
        }
        if (in.eof()) break;
    }
    reader.finish();

    result.lineCount = reader.lineCount();
    if (result.lineCount == expected) {
        result.status = LoadStatus::Accepted;
        result.entries = reader.takeLines();
    } else {
        result.status = LoadStatus::Rejected;
        result.error = path.filename().string() + " has " +
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

FileResult deleteTableFile(const fs::path& path) {
    std::error_code ec;
    fs::remove(path, ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        return {"cannot delete " + path.filename().string() + ": " + ec.message()};
    return {};
}

}  // namespace lettrica::tables
