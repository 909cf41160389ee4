// Conversion by the user tables: one letter at a time, entries written whole.

#include <gtest/gtest.h>

#include "tables/user_table.h"
#include "tables/user_table_converter.h"
#include "test_util.h"
#include "text/cp1251.h"

using namespace lettrica;
using namespace lettrica::tables;

namespace {
std::string conv(TableKind kind, const Table& table, std::string_view utf8) {
    return S(translit::convertAll(makeUserTableConverter(kind, table), U(utf8)));
}
std::string byDefault(TableKind kind, std::string_view utf8) { return conv(kind, defaultTable(kind), utf8); }
}  // namespace

TEST(UserTableConversion, Defaults) {
    EXPECT_EQ(byDefault(TableKind::Tr, "John"), "Джохн");
    EXPECT_EQ(byDefault(TableKind::Tr, "Xerox"), "Ксерокс");
    EXPECT_EQ(byDefault(TableKind::Tr, "Quiz"), "Кууиз");
    EXPECT_EQ(byDefault(TableKind::Rt, "Жук"), "}|{yk");
    EXPECT_EQ(byDefault(TableKind::Rt, "Ящик"), "9ILLLuk");
    EXPECT_EQ(byDefault(TableKind::Rt, "Ёлка ёж"), "EJIka e}|{");
    EXPECT_EQ(byDefault(TableKind::Rt, "Юла юг"), "I-OJIa I-or");
}

TEST(UserTableConversion, OtherCharactersPassThrough) {
    // Latin in Rus -> Translit text, Cyrillic in Rus <- Translit text, signs,
    // and characters outside Windows-1251.
    EXPECT_EQ(byDefault(TableKind::Rt, "Zoo: кот's `x\" 中😀"), "Zoo: koT's `x\" 中😀");
    EXPECT_EQ(byDefault(TableKind::Tr, "Кот cat' `\"\r\n"), "Кот цат' `\"\r\n");
    // Multi-character entries are never looked up again; no digraphs.
    EXPECT_EQ(byDefault(TableKind::Tr, "shch"), "схцх");
}

TEST(UserTableConversion, EditedEntries) {
    Table tr = defaultTable(TableKind::Tr);
    tr[1] = "";           // a
    tr[2] = "Sh";         // B -> Latin text is fine too
    tr[3] = "'";          // b
    EXPECT_EQ(conv(TableKind::Tr, tr, "abBa b"), "'Sh '");
    // The byte path gives the same as the text path.
    const auto c = makeUserTableConverter(TableKind::Tr, tr);
    std::string out;
    c.convertBytes("abBa b", true, out);
    EXPECT_EQ(out, "'Sh '");

    Table rt = defaultTable(TableKind::Rt);
    rt[13] = std::string(300, 'y');  // ё
    std::string got;
    makeUserTableConverter(TableKind::Rt, rt).convertBytes(text::encodeCp1251(U("ёЁ")).bytes, true, got);
    EXPECT_EQ(got, std::string(300, 'y') + "E");
}
