// Text volume: counting and the Russian wording.

#include <gtest/gtest.h>

#include "test_util.h"
#include "text/volume.h"

using namespace lettrica::text;

TEST(Volume, PluralPhrases) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 печатных символов."},    {1, "1 печатный символ."},      {2, "2 печатных символа."},
        {4, "4 печатных символа."},     {5, "5 печатных символов."},    {11, "11 печатных символов."},
        {12, "12 печатных символов."},  {14, "14 печатных символов."},  {20, "20 печатных символов."},
        {21, "21 печатный символ."},    {22, "22 печатных символа."},   {25, "25 печатных символов."},
        {101, "101 печатный символ."},  {102, "102 печатных символа."}, {111, "111 печатных символов."},
        {112, "112 печатных символов."}, {114, "114 печатных символов."}, {1000, "1000 печатных символов."},
        {1021, "1021 печатный символ."}, {10000000000ull, "10000000000 печатных символов."},
    };
    for (const auto& [n, phrase] : cases) EXPECT_EQ(S(printablePhrase(n)), phrase) << n;
}

TEST(Volume, MessageAndStatusLine) {
    const Volume source = countVolume(U("Привет, мир"));
    EXPECT_EQ(source, (Volume{11, 11}));
    EXPECT_EQ(S(volumeMessage(source, countVolume(u""))),
              "Объем переводимого текста: 11 печатных символов.\r"
              "Всего символов: 11.\r"
              "\r"
              "Объем переведенного текста: 0 печатных символов.\r"
              "Всего символов: 0.");
    EXPECT_EQ(S(volumeMessage({1, 3}, {22, 24})),
              "Объем переводимого текста: 1 печатный символ.\rВсего символов: 3.\r\r"
              "Объем переведенного текста: 22 печатных символа.\rВсего символов: 24.");
    EXPECT_EQ(S(volumeStatusLine(11, 0)), " Переводимый текст - 11 симв. Переведенный текст - 0 симв.");
}

TEST(Volume, ALineBreakCountsTwoWhateverItsForm) {
    for (const char* text : {"аб\r\nв", "аб\nв", "аб\rв", "аб\u2029в", "аб\u2028в"})
        EXPECT_EQ(countVolume(U(text)), (Volume{3, 5})) << text;
    EXPECT_EQ(countVolume(u"\r\r\n\n"), (Volume{0, 6}));  // CR, CR LF, LF: three breaks
    EXPECT_EQ(countVolume(u"a\tb c"), (Volume{4, 5}));   // a tab is not printable, a space is
    EXPECT_EQ(countVolume(u"\x01\x1f\x7f"), (Volume{1, 3}));
    EXPECT_EQ(countVolume(u"😀x"), (Volume{2, 2}));      // one character, not two halves
    const char16_t lone[] = {0xD83D, 0xD83D, 0xDE00, 0xDE00, 0};  // half, pair, half
    EXPECT_EQ(countVolume(lone), (Volume{3, 3}));
}

TEST(Volume, PiecesCountAsTheWhole) {
    const std::u16string text = U("Строка один\r\nстрока 😀 два\rтри\n\tчетыре\r");
    const Volume whole = countVolume(text);
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        VolumeCounter counter;
        counter.add(std::u16string_view(text).substr(0, cut));
        counter.add(std::u16string_view(text).substr(cut));
        EXPECT_EQ(counter.volume(), whole) << cut;
    }
    VolumeCounter bytes;
    bytes.addCp1251("\xC0\xE1\r");
    bytes.addCp1251("\n\xE2\t\x98");
    EXPECT_EQ(bytes.volume(), (Volume{4, 7}));
}
