// email.dat: Windows-1251 lines read however they end, written with CR LF,
// and nothing written that would read back as something else.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "settings/address_book.h"
#include "tables_test_util.h"
#include "test_util.h"

using namespace lettrica::settings;

TEST(AddressBook, LinesAsWindowsReadsThem) {
    using List = std::vector<std::u16string>;
    EXPECT_EQ(parseAddressBook(""), List());
    EXPECT_EQ(parseAddressBook("\r\n"), List({u""}));
    EXPECT_EQ(parseAddressBook("b@x\r\n\r\na@x\r\n"), List({u"b@x", u"", u"a@x"}));
    EXPECT_EQ(parseAddressBook("a@x\nb@x\rc@x"), List({u"a@x", u"b@x", u"c@x"}));
    EXPECT_EQ(parseAddressBook("\xE8\xE2\xE0\xED@\xEF\xEE\xF7\xF2\xE0.\xF0\xF4\r\n"), List({U("иван@почта.рф")}));
}

TEST(AddressBook, WritesWhatReadsBackTheSameAndNothingElse) {
    TempDir dir;
    const std::filesystem::path file = dir / "home" / "email.dat";
    const std::vector<std::u16string> entries = {u"", U("иван@почта.рф"), U("日本@x.org"), u"a@x\r\nb@x", u"z@x"};
    std::vector<std::size_t> skipped;
    EXPECT_EQ(formatAddressBook({entries[1], entries[4]}), "\xE8\xE2\xE0\xED@\xEF\xEE\xF7\xF2\xE0.\xF0\xF4\r\nz@x\r\n");
    // Beyond Windows-1251: the whole file in UTF-8.
    EXPECT_EQ(formatAddressBook(entries, &skipped), "\xEF\xBB\xBF\r\nиван@почта.рф\r\n日本@x.org\r\nz@x\r\n");
    EXPECT_EQ(skipped, std::vector<std::size_t>({3}));

    ASSERT_EQ(writeAddressBook(file, entries), "");
    const AddressBookFile back = readAddressBook(file);
    EXPECT_EQ(back.state, FileState::Regular);
    EXPECT_EQ(back.entries, std::vector<std::u16string>({u"", U("иван@почта.рф"), U("日本@x.org"), u"z@x"}));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // whom the user writes to is private
    EXPECT_EQ(readAddressBook(dir / "none.dat").state, FileState::Missing);
}
