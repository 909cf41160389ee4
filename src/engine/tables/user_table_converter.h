#pragma once
// Conversion by a user table: each key letter is replaced by its entry,
// written whole (empty entries remove the letter); every other character,
// the apostrophe and the grave accent included, is kept. No digraphs.

#include "tables/user_table.h"
#include "translit/char_map_converter.h"

namespace lettrica::tables {

// The tr table converts Rus <- Translit (Latin keys), the rt table
// Rus -> Translit (Cyrillic keys). A table of the wrong size gives the
// entries it has; missing ones keep their letter.
translit::CharMapConverter makeUserTableConverter(TableKind kind, const Table& table);

}  // namespace lettrica::tables
