#include <gtest/gtest.h>

#include "text/cp1251.h"
#include "translit/cyrillic_to_latin.h"
#include "translit/latin_to_cyrillic.h"
#include "translit/registry.h"
#include "translit/system_rules.h"
#include "translit/words_to_cyrillic.h"
#include "tables/user_table_converter.h"
#include "test_util.h"

using namespace lettrica;
using namespace lettrica::translit;

namespace {
std::string toLatin(const Converter& c, std::string_view utf8) { return S(convertAll(c, U(utf8))); }
std::string gost(std::string_view s) { return toLatin(gostCyrillicToLatin(), s); }
std::string anglo(std::string_view s) { return toLatin(angloCyrillicToLatin(), s); }
std::string gostBack(std::string_view s) { return S(convertAll(gostLatinToCyrillic(), U(s))); }
std::string angloBack(std::string_view s) { return S(convertAll(angloLatinToCyrillic(), U(s))); }
}  // namespace

TEST(CyrillicToLatin, WorkedExamples) {
    EXPECT_EQ(anglo("Щи да"), "Schi da");
    EXPECT_EQ(gost("ЖУК"), "ZhUK");
    EXPECT_EQ(anglo("ЖУК"), "ZhUK");
    EXPECT_EQ(gost("Щука"), "Shhuka");
    EXPECT_EQ(anglo("Щука"), "Schuka");
    EXPECT_EQ(gost("Ёлка"), "Jolka");
    EXPECT_EQ(anglo("Ёлка"), "Elka");
    EXPECT_EQ(gost("Эх"), "Ehkh");
    EXPECT_EQ(anglo("Эх"), "`Eh");
}

TEST(CyrillicToLatin, SignsAsBytes) {
    EXPECT_EQ(gost("ОБЪЕМ"), "OB\x22" "EM");
    EXPECT_EQ(anglo("ОБЪЕМ"), "OB``EM");
    EXPECT_EQ(gost("объем"), "ob\x22" "em");
    EXPECT_EQ(anglo("объем"), "ob`em");
    EXPECT_EQ(gost("ДЕНЬ"), "DEN'");
    EXPECT_EQ(anglo("ДЕНЬ"), "DEN''");
    EXPECT_EQ(gost("день"), "den'");
    EXPECT_EQ(anglo("день"), "den'");
}

TEST(CyrillicToLatin, EverythingElseStays) {
    const std::string other = "Latin 123 ,.;!?\r\n№ Єє Ії Її Ґґ Ўў 中 😀";
    EXPECT_EQ(gost(other), other);
    EXPECT_EQ(anglo(other), other);
}

TEST(CyrillicToLatin, EveryCyrillicByteHasAnEntryAndNothingElse) {
    for (int b = 0; b < 256; ++b) {
        bool letter = b >= 0xC0 || b == 0xA8 || b == 0xB8;
        EXPECT_EQ(gostCyrillicToLatin().entry(b) != nullptr, letter) << b;
        EXPECT_EQ(angloCyrillicToLatin().entry(b) != nullptr, letter) << b;
        if (letter) {
            EXPECT_FALSE(gostCyrillicToLatin().entry(b)->empty());
        }
    }
}

TEST(CyrillicToLatin, CapitalsGrowCaseFollowsTheLetter) {
    EXPECT_EQ(gost("ЖХЧШЩЁЙЭЮЯ"), "ZhKhChShShhJoJjEhJuJa");
    EXPECT_EQ(anglo("ЖЧШЩЭЮЯЪЬ"), "ZhChShSch`EYuYa``''");
}

TEST(LatinToCyrillic, GostRules) {
    EXPECT_EQ(gostBack("Shhi"), "Щи");
    EXPECT_EQ(gostBack("Shhuka"), "Щука");
    EXPECT_EQ(gostBack("SHH"), "Щ");
    EXPECT_EQ(gostBack("sHh"), "щ");
    EXPECT_EQ(gostBack("Shhh"), "Щх");
    EXPECT_EQ(gostBack("Jolka"), "Ёлка");
    EXPECT_EQ(gostBack("Ehkh"), "Эх");
    EXPECT_EQ(gostBack("Yulia"), "Ыулиа");
    EXPECT_EQ(gostBack("Ya"), "Ыа");
    EXPECT_EQ(gostBack("Jjaja"), "Йая");
    EXPECT_EQ(gostBack("ob\"em den'"), "объем день");
    EXPECT_EQ(gostBack("`"), "`");
}

TEST(LatinToCyrillic, AngloRules) {
    EXPECT_EQ(angloBack("Schuka"), "Щука");
    EXPECT_EQ(angloBack("SCH"), "Щ");
    EXPECT_EQ(angloBack("Shch"), "Шч");
    EXPECT_EQ(angloBack("Sc"), "Сц");
    EXPECT_EQ(angloBack("Jolka"), "Йолка");
    EXPECT_EQ(angloBack("Ehkh"), "Ехкх");
    EXPECT_EQ(angloBack("Kh"), "Кх");
    EXPECT_EQ(angloBack("Yulia"), "Юлиа");
    EXPECT_EQ(angloBack("OB``EM ob`em `Eh `eh"), "ОБЪЕМ обэм Эх эх"  /* ъ before е reads as э */);
    EXPECT_EQ(angloBack("DEN'' den'"), "ДЕНЬ день");
    EXPECT_EQ(angloBack("\"x\""), "\"икс\"");
}

TEST(LatinToCyrillic, BothSystems) {
    for (const Converter* c : {static_cast<const Converter*>(&gostLatinToCyrillic()),
                               static_cast<const Converter*>(&angloLatinToCyrillic())}) {
        EXPECT_EQ(S(convertAll(*c, U("Xerox"))), "Иксероикс");
        EXPECT_EQ(S(convertAll(*c, U("Wow"))), "Вов");
        EXPECT_EQ(S(convertAll(*c, U("Q"))), "Ку");
        EXPECT_EQ(S(convertAll(*c, U("ZHUK zHUK"))), "ЖУК жУК");
        EXPECT_EQ(S(convertAll(*c, U("Уже 12, да!"))), "Уже 12, да!");
    }
}

TEST(LatinToCyrillic, RulesEndAtTheTextAndAtLineBreaks) {
    for (const char* last : {"S", "C", "E", "K", "Z", "J", "Y"}) {
        std::string expected = S(convertAll(gostLatinToCyrillic(), U(last)));
        EXPECT_EQ(gostBack(std::string("a") + last), "а" + expected);
    }
    EXPECT_EQ(gostBack("S\r\nh"), "С\r\nх");
    EXPECT_EQ(angloBack("`\r\nE"), "ъ\r\nЕ");
    EXPECT_EQ(angloBack("'"), "ь");
    EXPECT_EQ(angloBack("S\r\nch"), "С\r\nч");
}

TEST(LatinToCyrillic, GostRoundTripRestoresCyrillic) {
    const std::string text = "Съешь же ещё этих мягких французских булок, да выпей чаю. ЩУКА ЁЖ 1917!";
    EXPECT_EQ(gostBack(gost(text)), text);
    EXPECT_EQ(gostBack(gost("ОБЪЁМ ДЕНЬ")), "ОБъЁМ ДЕНь");
}

TEST(LatinToCyrillic, ChunkedConversionMatchesWholeText) {
    // The stream driver feeds slices; a rule cut at a slice end must still match.
    const std::u16string text = U("Shhuka sh Sch ja `E '' Jo x\r\nzh");
    for (const Converter* c : {static_cast<const Converter*>(&gostLatinToCyrillic()),
                               static_cast<const Converter*>(&angloLatinToCyrillic())}) {
        const std::u16string whole = convertAll(*c, text);
        for (std::size_t cut = 1; cut < 8; ++cut) {
            std::u16string out, pending;
            for (std::size_t i = 0; i < text.size(); i += cut) {
                pending += text.substr(i, cut);
                std::size_t used = c->convertText(pending, false, out);
                pending.erase(0, used);
            }
            c->convertText(pending, true, out);
            EXPECT_EQ(out, whole) << cut;
        }
    }
}

TEST(Converters, ByteFormAgreesWithTextForm) {
    std::string all;
    for (int i = 0; i < 4; ++i)
        for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    all += "Shhh Sch `E `` '' Ja Yu Zh";
    const std::u16string text = text::decodeCp1251(all);
    for (const Converter* c : {static_cast<const Converter*>(&gostLatinToCyrillic()),
                               static_cast<const Converter*>(&angloLatinToCyrillic()),
                               static_cast<const Converter*>(&gostCyrillicToLatin()),
                               static_cast<const Converter*>(&angloCyrillicToLatin())}) {
        std::string bytes;
        c->convertBytes(all, true, bytes);
        EXPECT_EQ(text::decodeCp1251(bytes), convertAll(*c, text));
    }
}

namespace {
std::string system(std::string_view name, std::string_view s) {
    return toLatin(*toLatinConverter(*findSystem(name)), s);
}
std::string back(std::string_view name, std::string_view s) {
    return S(convertAll(*toCyrillicConverter(*findSystem(name), ""), U(s)));
}
}  // namespace

TEST(Systems, CapitalsOfAWordAndContextRules) {
    // Capitals: whole output between capitals, else its first character.
    EXPECT_EQ(system("wikipedia", "ЩУКА Щука ЮЛИЯ Я ЩУка"), "SHCHUKA Shchuka YULIYA Ya SHCHUka");
    EXPECT_EQ(system("ala-lc", "ЦАРЬ Царь"), "T͡SARʹ T͡sarʹ");
    // е at a word's start and after vowels, -ий, ъ and ь, ц before vowels.
    EXPECT_EQ(system("wikipedia", "Ель поезд съезд Дмитрий новый Ильич"), "Yel poyezd syezd Dmitry novy Ilyich");
    EXPECT_EQ(system("bgn-pcgn", "Ёлка объём Мэри отца"), "Yëlka ob”yëm M·eri ottsa");
    EXPECT_EQ(system("gost-779-alt", "цирк царь Цюрих"), "cirk czar` Czyurix");
    EXPECT_EQ(system("icao-doc-9303", "Подъезд"), "Podieezd");
    // A combining stress mark belongs to its letter: е after it is not a word's start.
    EXPECT_EQ(system("wikipedia", "мое\u0301"), "moye\u0301");
    // Letters of other alphabets where the standard has them, else kept.
    EXPECT_EQ(system("gost-779", "Ґанок Їжак Ўсё ђ"), "G̀anok Ïžak Ŭsë đ");
    EXPECT_EQ(system("wikipedia", "Ґанок"), "Ґanok");
}

TEST(Systems, RulesWithoutEitherPurposeLineAreRefused) {
    const std::string head = "name x\ncaption Икс\n", en = "purpose for x\n", ru = "purpose-ru Для икс\n";
    EXPECT_EQ(parseSystemRules(head + en + ru).purposeInRussian, "Для икс");
    EXPECT_THROW(parseSystemRules(head + en), RulesError);
    EXPECT_THROW(parseSystemRules(head + ru), RulesError);
}

TEST(Systems, DecomposedLettersInEveryConverter) {
    EXPECT_EQ(gost("Е\u0308лка и\u0306од"), "Jolka jjod");
    EXPECT_EQ(anglo("Е\u0308лка"), "Elka");
    EXPECT_EQ(system("bgn-pcgn", "Е\u0308лка"), "Yëlka");
    const auto user = tables::makeUserTableConverter(tables::TableKind::Rt, tables::defaultTable(tables::TableKind::Rt));
    EXPECT_EQ(toLatin(user, "и\u0306"), toLatin(user, "й"));
    // A mark after any other letter stays.
    EXPECT_EQ(gost("а\u0308"), "a\u0308");
}

TEST(Systems, Gost779ReadsBackExactly) {
    // (A capital Ъ or Ь standing alone comes back small: its sign has no case.)
    const std::string text = "Съешь же ещё этих мягких французских булок, да выпей чаю! ОБЪЁМ — ЪЕ, ЬЯ. Їжак ґанок";
    for (const char* name : {"gost-779", "gost-779-alt"})
        EXPECT_EQ(back(name, system(name, text)), text) << name;
    // Diacritics written apart read as the letter.
    EXPECT_EQ(back("gost-779", "s\u030Cuka Z\u030Cuk"), "шука Жук");
}

TEST(Systems, LossySystemsReadBackWordByWord) {
    const auto forward = std::static_pointer_cast<const RulesToLatin>(toLatinConverter(*findSystem("icao-doc-9303")));
    const auto list = std::make_shared<const WordList>(
        text::encodeCp1251(u"все\t50\nвсё\t7\nест\t2\nесть\t90\nподъезд\nщукин\n").bytes);
    const WordsToCyrillic words(forward, list);
    EXPECT_EQ(S(convertAll(words, u"Shchukin PODIEEZD vse est, Xerox")), "Щукин ПОДЪЕЗД все есть, Xerox");
    // Without a word list the pieces read as the file says.
    const WordsToCyrillic none(forward, std::make_shared<const WordList>(std::string()));
    EXPECT_EQ(S(convertAll(none, u"Iuliia")), "Юлия");
    // A letter written by a rule with a condition reads as the letter that
    // writes it without one: Wikipedia's y is й, not the ь of "ьи".
    const WordsToCyrillic wiki(
        std::static_pointer_cast<const RulesToLatin>(toLatinConverter(*findSystem("wikipedia"))),
        std::make_shared<const WordList>(std::string()));
    EXPECT_EQ(S(convertAll(wiki, u"Dmitriy")), "Дмитрий");
}
