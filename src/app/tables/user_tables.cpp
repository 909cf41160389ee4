#include "app/tables/user_tables.h"

#include <QtGlobal>

#include "app/u16_text.h"
#include "settings/settings_dir.h"
#include "tables/user_table_converter.h"
#include "text/cp1251.h"

namespace lettrica::app {

using tables::TableKind;

namespace {
int slotOf(TableKind kind) { return kind == TableKind::Tr ? 0 : 1; }
}  // namespace

UserTables::UserTables(QObject* parent) : QObject(parent) {}
UserTables::~UserTables() = default;

void UserTables::logErrors(const char* step, const std::vector<std::string>& errors) {
    for (const std::string& e : errors) qWarning("lettrica: %s: %s", step, e.c_str());
}

void UserTables::afterChange(bool resetWasEnabled) {
    for (auto& c : converters_) c.reset();
    if (resetWasEnabled != set_.resetEnabled()) emit resetEnabledChanged(set_.resetEnabled());
}

void UserTables::setDefaults() {
    const bool was = set_.resetEnabled();
    set_.setAllDefaults();
    afterChange(was);
}

void UserTables::loadFiles() {
    const bool was = set_.resetEnabled();
    tables::UserTableSet::LoadReport report = set_.load(settings::settingsDir());
    std::vector<std::string> notes = report.errors;
    for (const tables::LoadResult* r : {&report.tr, &report.rt})
        if (!r->error.empty()) notes.push_back(r->error);
    logErrors("user tables", notes);
    afterChange(was);
}

void UserTables::saveFiles() { logErrors("saving user tables", set_.save(settings::settingsDir())); }

void UserTables::reset() {
    const bool was = set_.resetEnabled();
    logErrors("resetting user tables", set_.reset(settings::settingsDir()));
    afterChange(was);
}

QStringList UserTables::entries(TableKind kind) const {
    QStringList list;
    for (const std::string& e : set_.table(kind)) list.append(fromU16(text::decodeCp1251(e)));
    return list;
}

QString UserTables::keyLetter(TableKind kind, int index) {
    return QString(QChar(text::cp1251ToUnicode(tables::keyByte(kind, static_cast<std::size_t>(index)))));
}

std::optional<UserTables::Refusal> UserTables::confirm(TableKind kind, const QStringList& fields) {
    const int count = static_cast<int>(tables::entryCount(kind));
    if (fields.size() != count)
        return Refusal{0, QStringLiteral("Таблица должна содержать %1 значений.").arg(count)};
    for (int k = 0; k < count; ++k) {
        if (fields[k].isEmpty())
            return Refusal{k + 1, QString::fromUtf8("Некоторые поля содержат пустые значения.")};
    }
    tables::Table entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        text::EncodeResult enc = text::encodeCp1251(viewU16(fields[k]));
        if (!enc.ok()) {
            // The whole character, surrogate pair included.
            const qsizetype at = static_cast<qsizetype>(*enc.unmappableAt);
            const qsizetype len = QChar::isHighSurrogate(fields[k].at(at).unicode()) && at + 1 < fields[k].size() ? 2 : 1;
            return Refusal{k + 1, QString::fromUtf8("Поле \"%1\" содержит символ \"%2\", которого нет в кодировке "
                                                    "Windows-1251. Такое значение нельзя сохранить в таблице.")
                                      .arg(keyLetter(kind, k), fields[k].mid(at, len))};
        }
        if (enc.bytes.size() > tables::kMaxEntryBytes)
            return Refusal{k + 1, QString::fromUtf8("Поле \"%1\" длиннее %2 символов. Такое значение нельзя сохранить в "
                                                    "таблице.")
                                      .arg(keyLetter(kind, k))
                                      .arg(tables::kMaxEntryBytes)};
        if (tables::entryProblem(enc.bytes))
            return Refusal{k + 1, QString::fromUtf8("Поле \"%1\" содержит управляющий символ (перевод строки или "
                                                    "Ctrl+Z), который нельзя сохранить в таблице.")
                                      .arg(keyLetter(kind, k))};
        entries.push_back(std::move(enc.bytes));
    }
    const bool was = set_.resetEnabled();
    tables::FileResult r = set_.confirm(kind, std::move(entries));
    if (!r.ok()) return Refusal{0, QString::fromStdString(r.error)};
    afterChange(was);
    return std::nullopt;
}

const translit::Converter& UserTables::converter(TableKind kind) const {
    auto& slot = converters_[slotOf(kind)];
    if (!slot) slot = std::make_unique<translit::CharMapConverter>(tables::makeUserTableConverter(kind, set_.table(kind)));
    return *slot;
}

}  // namespace lettrica::app
