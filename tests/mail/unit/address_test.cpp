// Address parsing and formatting as users type addresses.

#include <gtest/gtest.h>

#include "mail/address.h"

using namespace lettrica::mail;

namespace {
MailAddress A(const char* name, const char* address) {
    return {QString::fromUtf8(name), QString::fromUtf8(address)};
}
}  // namespace

TEST(Address, ParsesTheCommonForms) {
    EXPECT_EQ(parseAddress(QStringLiteral("Иван Петров <ivan@example.com>")), A("Иван Петров", "ivan@example.com"));
    EXPECT_EQ(parseAddress(QStringLiteral("ivan@example.com")), A("", "ivan@example.com"));
    EXPECT_EQ(parseAddress(QStringLiteral("ivan@example.com (John Smith)")), A("John Smith", "ivan@example.com"));
    EXPECT_EQ(parseAddress(QStringLiteral("\"Smith, John\" <j@x.org>")), A("Smith, John", "j@x.org"));
    EXPECT_EQ(parseAddress(QStringLiteral("'John' <j@x.org>")), A("John", "j@x.org"));
    EXPECT_EQ(parseAddress(QStringLiteral("<j@x.org>")), A("", "j@x.org"));
}

TEST(Address, QuotesAndEscapesInTheName) {
    // Unescaped quotes become blanks, escapes give the character itself.
    EXPECT_EQ(parseAddress(QStringLiteral("\"A \\\"B\\\" C\" <a@b.c>")), A("A \"B\" C", "a@b.c"));
    // An escaped bracket is not an address bracket.
    EXPECT_EQ(parseAddress(QStringLiteral("x\\<y\\> z@w.org")).address, QStringLiteral("z@w.org"));
}

TEST(Address, TheLastBracketPairCounts) {
    EXPECT_EQ(parseAddress(QStringLiteral("a <x@y.org> <z@w.org>")).address, QStringLiteral("z@w.org"));
}

TEST(Address, BareAddressNeedsAnAtBetweenAddressCharacters) {
    EXPECT_EQ(parseAddress(QStringLiteral("@example.com")).address, QString());
    EXPECT_EQ(parseAddress(QStringLiteral("example.com@")).address, QString());
    EXPECT_EQ(parseAddress(QStringLiteral("a @ b")).address, QString());
    // The "@" inside a comment or quotes is not the address's.
    EXPECT_EQ(parseAddress(QStringLiteral("(me@home) real@example.com")).address, QStringLiteral("real@example.com"));
    // Quoted local parts stay whole.
    EXPECT_EQ(parseAddress(QStringLiteral("\"john doe\"@example.com")).address, QStringLiteral("\"john doe\"@example.com"));
}

TEST(AddressList, SplitsAtSeparatorsOutsideQuotes) {
    auto list = parseAddressList(QStringLiteral("a@b.c; d@e.f"));
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].address, QStringLiteral("a@b.c"));
    EXPECT_EQ(list[1].address, QStringLiteral("d@e.f"));

    EXPECT_EQ(parseAddressList(QStringLiteral(" a@b.c,, ; ,")).size(), 1);
    EXPECT_EQ(parseAddressList(QStringLiteral("a@b.c\r\nd@e.f")).size(), 2);
    EXPECT_EQ(parseAddressList(QStringLiteral("a@b.c\nd@e.f")).size(), 2);
    EXPECT_TRUE(parseAddressList(QStringLiteral(" ; ")).isEmpty());

    list = parseAddressList(QStringLiteral("\"Smith, John\" <j@x.org>, b@y.org"));
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0], A("Smith, John", "j@x.org"));

    list = parseAddressList(QStringLiteral("'Smith; John' <j@x.org>"));
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0], A("Smith; John", "j@x.org"));
}

TEST(AddressList, AnApostropheInANameDoesNotSwallowTheNextAddress) {
    const auto list = parseAddressList(QStringLiteral("O'Brien <o@x.org>, b@y.org"));
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0], A("O'Brien", "o@x.org"));
    EXPECT_EQ(list[1], A("", "b@y.org"));
}

TEST(AddressFormat, QuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(formatAddress(QString(), QStringLiteral("a@b.c")), QStringLiteral("a@b.c"));
    EXPECT_EQ(formatAddress(QStringLiteral("a@b.c"), QStringLiteral("a@b.c")), QStringLiteral("a@b.c"));
    EXPECT_EQ(formatAddress(QStringLiteral("Your_Name"), QStringLiteral("a@b.c")), QStringLiteral("Your_Name <a@b.c>"));
    EXPECT_EQ(formatAddress(QStringLiteral("John Smith"), QStringLiteral("a@b.c")),
              QStringLiteral("\"John Smith\" <a@b.c>"));
    EXPECT_EQ(formatAddress(QStringLiteral("A \"B\""), QStringLiteral("a@b.c")),
              QStringLiteral("\"A \\\"B\\\"\" <a@b.c>"));
    EXPECT_EQ(formatAddress(QStringLiteral("x(y)\\z"), QStringLiteral("a@b.c")),
              QStringLiteral("\"x\\(y\\)\\\\z\" <a@b.c>"));
    // A comma would split the address list of a To field.
    EXPECT_EQ(formatAddress(QStringLiteral("Smith,John"), QStringLiteral("a@b.c")),
              QStringLiteral("\"Smith,John\" <a@b.c>"));
}

TEST(AddressFormat, RoundTripsThroughTheParser) {
    for (const QString& name : {QStringLiteral("John Smith"), QStringLiteral("A \"B\" (C)"),
                                QStringLiteral("Smith, John"), QStringLiteral("back\\slash")}) {
        const MailAddress parsed = parseAddress(formatAddress(name, QStringLiteral("a@b.c")));
        EXPECT_EQ(parsed.address, QStringLiteral("a@b.c"));
        EXPECT_EQ(parsed.name, name);
    }
}
