#include "tables/user_table_set.h"

namespace lettrica::tables {
namespace fs = std::filesystem;

UserTableSet::UserTableSet() { setAllDefaults(); }

void UserTableSet::setDefaults(TableKind kind) { slot(kind).table = defaultTable(kind); }

void UserTableSet::setAllDefaults() {
    setDefaults(TableKind::Tr);
    setDefaults(TableKind::Rt);
}

FileResult UserTableSet::confirm(TableKind kind, Table entries) {
    if (entries.size() != entryCount(kind))
        return {"expected " + std::to_string(entryCount(kind)) + " entries, got " +
                std::to_string(entries.size())};
    for (std::size_t k = 0; k < entries.size(); ++k) {
        if (auto problem = entryProblem(entries[k]))
            return {"entry " + std::to_string(k + 1) + ": " + *problem};
    }
    Slot& s = slot(kind);
    s.table = std::move(entries);
    s.modified = true;
    resetEnabled_ = true;
    return {};
}

LoadResult UserTableSet::loadOne(TableKind kind, const fs::path& dir, bool deleteRejected,
                                 std::vector<std::string>& errors) {
    Slot& s = slot(kind);
    s.loaded = false;
    const fs::path path = dir / fileName(kind);
    LoadResult r = readTableFile(kind, path);
    switch (r.status) {
    case LoadStatus::Missing:
    case LoadStatus::NotAFile:  // not ours: as if missing, and left where it is
        break;
    case LoadStatus::Accepted:
        s.table = r.entries;
        s.loaded = true;
        break;
    case LoadStatus::Rejected:
        if (deleteRejected) {
            if (FileResult d = deleteTableFile(path); !d.ok()) errors.push_back(d.error);
        }
        setDefaults(kind);
        break;
    case LoadStatus::ReadError:
        setDefaults(kind);
        break;
    }
    return r;
}

UserTableSet::LoadReport UserTableSet::load(const fs::path& dir, bool deleteRejected) {
    LoadReport report;
    report.tr = loadOne(TableKind::Tr, dir, deleteRejected, report.errors);
    report.rt = loadOne(TableKind::Rt, dir, deleteRejected, report.errors);
    if (tr_.loaded || rt_.loaded) resetEnabled_ = true;
    return report;
}

std::vector<std::string> UserTableSet::save(const fs::path& dir) const {
    std::vector<std::string> errors;
    for (TableKind kind : {TableKind::Tr, TableKind::Rt}) {
        const Slot& s = slot(kind);
        if (!s.modified) continue;
        FileResult w = writeTableFile(kind, s.table, dir / fileName(kind));
        if (!w.ok()) errors.push_back(w.error);
    }
    return errors;
}

std::vector<std::string> UserTableSet::reset(const fs::path& dir) {
    setAllDefaults();
    std::vector<std::string> errors;
    for (TableKind kind : {TableKind::Tr, TableKind::Rt}) {
        if (FileResult d = deleteTableFile(dir / fileName(kind)); !d.ok()) errors.push_back(d.error);
        slot(kind).modified = false;
    }
    resetEnabled_ = false;
    return errors;
}

}  // namespace lettrica::tables
