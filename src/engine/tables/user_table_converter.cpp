#include "tables/user_table_converter.h"

#include <algorithm>

#include "text/cp1251.h"

namespace lettrica::tables {

translit::CharMapConverter makeUserTableConverter(TableKind kind, const Table& table) {
    translit::CharMap map;
    const std::size_t n = std::min(table.size(), entryCount(kind));
    for (std::size_t k = 0; k < n; ++k) map[keyByte(kind, k)] = text::decodeCp1251(table[k]);
    return translit::CharMapConverter(map);
}

}  // namespace lettrica::tables
