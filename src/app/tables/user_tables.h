#pragma once
// The two user tables as the desktop holds them for a run: defaults at
// start, the files of the settings directory loaded after the settings,
// the editors' confirmations, the reset, and the write at close. Errors of
// the file steps are not shown to the user (the defaults simply apply); they
// go to the log output only.

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>

#include "tables/user_table_set.h"
#include "translit/char_map_converter.h"

namespace lettrica::app {

class UserTables : public QObject {
    Q_OBJECT
public:
    explicit UserTables(QObject* parent = nullptr);
    ~UserTables() override;

    // DefaultUserTables: both tables to their defaults in memory.
    void setDefaults();
    // LoadUserTableFiles: tr.dat and rt.dat from the settings directory.
    void loadFiles();
    // SaveUserTableFiles: the tables confirmed in an editor during this run.
    void saveFiles();
    // ResetUserTables once the user agreed: defaults, both files deleted.
    void reset();

    // The entries of a table as the editors show them.
    QStringList entries(tables::TableKind kind) const;

    struct Refusal {
        int field = 0;  // 1-based field (entry) number
        QString message;
    };
    // An editor's OK. Empty fields are refused with the program's message,
    // then characters Windows-1251 cannot hold and characters that cannot
    // stand in a table file, naming the field by its letter.
    std::optional<Refusal> confirm(tables::TableKind kind, const QStringList& fields);

    // The key letter of entry `index` (0-based), as the editors label it.
    static QString keyLetter(tables::TableKind kind, int index);

    bool resetEnabled() const { return set_.resetEnabled(); }
    const tables::UserTableSet& set() const { return set_; }

    // The converter of a table as it stands now; valid until the table next
    // changes.
    const translit::Converter& converter(tables::TableKind kind) const;

signals:
    void resetEnabledChanged(bool enabled);

private:
    void afterChange(bool resetWasEnabled);
    static void logErrors(const char* step, const std::vector<std::string>& errors);

    tables::UserTableSet set_;
    mutable std::array<std::unique_ptr<translit::CharMapConverter>, 2> converters_;
};

}  // namespace lettrica::app
