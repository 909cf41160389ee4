#include <gtest/gtest.h>

#include "text/cp1251.h"
#include "text/utf8.h"
#include "test_util.h"

using namespace lettrica::text;

TEST(Cp1251, EveryByteSurvivesDecodeAndEncode) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    std::u16string decoded = decodeCp1251(all);
    ASSERT_EQ(decoded.size(), 256u);
    EncodeResult back = encodeCp1251(decoded);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.bytes, all);
}

TEST(Cp1251, LettersSitWhereTheCodePageSays) {
    EXPECT_EQ(cp1251ToUnicode(0xC0), u'А');
    EXPECT_EQ(cp1251ToUnicode(0xFF), u'я');
    EXPECT_EQ(cp1251ToUnicode(0xA8), u'Ё');
    EXPECT_EQ(cp1251ToUnicode(0xB8), u'ё');
    EXPECT_EQ(cp1251ToUnicode(0xB9), u'№');
    EXPECT_EQ(cp1251ToUnicode(0x88), u'€');
    EXPECT_EQ(unicodeToCp1251(u'Я'), 0xDF);
    EXPECT_EQ(unicodeToCp1251(u'—'), 0x97);
}

TEST(Cp1251, CharactersOutsideTheCodePageHaveNoByte) {
    EXPECT_EQ(unicodeToCp1251(u'中'), -1);
    EXPECT_EQ(unicodeToCp1251(u'é'), -1);
    EXPECT_EQ(unicodeToCp1251(0xD83D), -1);  // half of an emoji
    EncodeResult r = encodeCp1251(U("Да 中"));
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(*r.unmappableAt, 3u);
}

TEST(Utf8, ValidationFindsTheFirstBadByte) {
    EXPECT_TRUE(isValidUtf8("plain ascii"));
    EXPECT_TRUE(isValidUtf8("\xD0\x94\xD0\xB0 \xF0\x9F\x98\x80"));
    EXPECT_FALSE(isValidUtf8("\xC4\xE0"));          // Windows-1251 "Да"
    EXPECT_FALSE(isValidUtf8("\xC0\x80"));          // overlong NUL
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));      // a surrogate
    Utf8Check c = checkUtf8("ab\xD0");              // cut inside a character
    EXPECT_TRUE(c.valid);
    EXPECT_EQ(c.completePrefix, 2u);
    c = checkUtf8("ab\xFFzz");
    EXPECT_FALSE(c.valid);
    EXPECT_EQ(c.completePrefix, 2u);
}

TEST(Utf8, RoundTripKeepsAstralCharacters) {
    std::string s = "Щи \xF0\x9F\x98\x80 да";
    EXPECT_EQ(encodeUtf8(decodeUtf8(s)), s);
    EXPECT_EQ(decodeUtf8("\xF0\x9F\x98\x80").size(), 2u);
}
