// The user table reader: fed in pieces it reads what it reads whole; an
// accepted table written out reads back the same; a converter made of it
// writes each entry for its key.
//
// Input: which table, a piece size, then the file's bytes.

#include <string>

#include "fuzz_check.h"
#include "tables/table_file.h"
#include "tables/user_table_converter.h"
#include "text/cp1251.h"

namespace {
using namespace lettrica;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const tables::TableKind kind = in.choose(2) == 0 ? tables::TableKind::Tr : tables::TableKind::Rt;
    const std::size_t piece = 1 + in.choose(64);
    const std::string_view bytes = in.rest();
    const std::size_t expected = tables::entryCount(kind);

    const tables::ParsedTable whole = tables::parseTable(kind, bytes);
    tables::TableLineReader reader(expected);
    for (std::size_t i = 0; i < bytes.size(); i += piece) reader.feed(bytes.substr(i, piece));
    reader.finish();
    fuzz::check(reader.lineCount() == whole.lineCount, "pieces count the lines the whole does");
    fuzz::check(whole.accepted() == (whole.lineCount == expected), "accepted with the expected line count");
    if (!whole.accepted()) return 0;
    fuzz::check(reader.lines() == whole.entries, "pieces read the entries the whole does");
    fuzz::check(whole.entries.size() == expected, "an accepted table has every entry");

    bool storable = true;
    for (const std::string& e : whole.entries) storable = storable && !tables::entryProblem(e);
    if (storable) {
        const tables::ParsedTable back = tables::parseTable(kind, tables::serializeTable(whole.entries));
        fuzz::check(back.entries == whole.entries, "a written table reads back the same");
    }

    const translit::CharMapConverter converter = tables::makeUserTableConverter(kind, whole.entries);
    for (std::size_t i = 0; i < expected; ++i) {
        const std::string key(1, static_cast<char>(tables::keyByte(kind, i)));
        std::string out;
        converter.convertBytes(key, true, out);
        fuzz::check(out == whole.entries[i], "a key's byte gives its entry");
        std::u16string units;
        converter.convertText(text::decodeCp1251(key), true, units);
        fuzz::check(units == text::decodeCp1251(whole.entries[i]), "a key's character gives its entry");
    }
    return 0;
}
