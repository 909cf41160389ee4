// The repair of garbled text: misreadings undone exactly, paragraphs judged
// on their own, repaired paragraphs put in place with their formats, and
// the line driver of the command line.

#include <gtest/gtest.h>

#include <random>

#include "repair/encoding_repair.h"
#include "repair/foreign_text.h"
#include "repair/keyboard_layout.h"
#include "repair/line_repair.h"
#include "repair/repair_converter.h"
#include "test_util.h"
#include "convert/document_conversion.h"

using namespace lettrica;
using namespace lettrica::repair;

namespace {

// The misreading itself, the way a program makes it: write in one set, read
// the bytes in another. None when the text cannot be written or the bytes
// are not UTF-8.
std::optional<std::u16string> misread(std::u16string_view text, Misreading m) {
    std::string bytes;
    if (m.written == Charset::Utf8) {
        bytes = text::encodeUtf8(text);
    } else {
        for (char16_t ch : text) {
            const int b = byteOfChar(m.written, ch);
            if (b < 0) return std::nullopt;
            bytes.push_back(static_cast<char>(b));
        }
    }
    if (m.read == Charset::Utf8) {
        if (!text::isValidUtf8(bytes)) return std::nullopt;
        return text::decodeUtf8(bytes);
    }
    std::u16string out;
    for (char c : bytes) out.push_back(charOfByte(m.read, static_cast<unsigned char>(c)));
    return out;
}

const char* const kRussian[] = {
    "Съешь же ещё этих мягких французских булок, да выпей чаю.",
    "Широкая электрификация южных губерний даст мощный толчок подъёму сельского хозяйства.",
    "В чащах юга жил бы цитрус? Да, но фальшивый экземпляр!",
};

std::string fix(std::string_view utf8, RepairKind kind = RepairKind::Encoding) {
    EncodingJudge encoding;
    LayoutJudge layout;
    Verdict v = judgeParagraph(kind, U(utf8), encoding, layout);
    return v.repaired ? S(v.text) : std::string(utf8);
}

}  // namespace

// Every misreading of Russian text, once and twice over, is undone exactly,
// and its pieces cover both texts: a table wrong in one byte, or a piece
// boundary off by one, shows here.
TEST(RepairUndo, EveryChainComesBackExactly) {
    int chains = 0;
    for (const char* sample : kRussian) {
        const std::u16string clean = U(sample);
        for (Charset w1 : kAllCharsets) {
            if (!holdsRussian(w1)) continue;
            for (Charset r1 : kAllCharsets) {
                if (r1 == w1) continue;
                const auto once = misread(clean, {w1, r1});
                if (!once) continue;
                std::u16string back;
                std::vector<Piece> first;
                ASSERT_TRUE(undo({w1, r1}, *once, back, &first));
                ASSERT_EQ(back, clean) << describe(Chain{{Misreading{w1, r1}}, 1});
                for (Charset r2 : {Charset::Windows1251, Charset::Dos866, Charset::Latin1}) {
                    const auto twice = misread(*once, {Charset::Utf8, r2});
                    if (!twice) continue;
                    std::u16string middle, result;
                    std::vector<Piece> outer, inner;
                    ASSERT_TRUE(undo({Charset::Utf8, r2}, *twice, middle, &outer));
                    ASSERT_TRUE(undo({w1, r1}, middle, result, &inner));
                    ASSERT_EQ(result, clean);
                    std::size_t from = 0, to = 0;
                    for (const Piece& p : composePieces(outer, inner)) {
                        ASSERT_GE(p.source, 1u);
                        from += p.source;
                        to += p.result;
                    }
                    EXPECT_EQ(from, twice->size());
                    EXPECT_EQ(to, clean.size());
                    ++chains;
                }
            }
        }
    }
    EXPECT_GT(chains, 50);
    // A character the set it was read in cannot hold: that misreading never happened.
    std::u16string out;
    EXPECT_FALSE(undo({Charset::Utf8, Charset::Windows1251}, U("Привет ☺"), out));
    EXPECT_FALSE(undo({Charset::Utf8, Charset::Windows1251}, U("Рџ"), out) && out == U("Рџ"));
}

// The examples users bring, and clean text of every kind that must stay.
TEST(RepairJudge, GarbledParagraphsAreRepairedAndCleanOnesStay) {
    const char* const garbled[] = {
        "РџСЂРёРІРµС‚, РєР°Рє РґРµР»Р°? Р’СЃС‘ С…РѕСЂРѕС€Рѕ.",         // UTF-8 read as Windows-1251
        "Ïðèâåò, êàê äåëà? Âñ¸ õîðîøî.",                    // Windows-1251 read as Latin-1
        "ðÒÉ×ÅÔ, ËÁË ÄÅÌÁ? ÷Ó£ ÈÏÒÏÛÏ.",                    // KOI8-R read as Latin-1
        "оПХБЕР, ЙЮЙ ДЕКЮ? бЯ╦ УНПНЬН.",                    // Windows-1251 read as KOI8-R
        "рТЙЧЕФ, ЛБЛ ДЕМБ? чУЈ ИПТПЫП.",                    // KOI8-R read as Windows-1251
        "ЏаЁўҐв, Є\u00A0Є ¤Ґ«\u00A0? ‚бс е®а®и®.",          // DOS 866 read as Windows-1251
    };
    for (const char* g : garbled) {
        EXPECT_EQ(fix(g), "Привет, как дела? Всё хорошо.") << g;
        // A byte-order mark before it (a file's first line) or a zero-width
        // space inside (a web page) stays where it was and stops nothing.
        EXPECT_EQ(fix(std::string("\uFEFF") + g), "\uFEFFПривет, как дела? Всё хорошо.") << g;
    }
    EXPECT_EQ(fix("РџСЂРёРІРµС‚,\u200B РєР°Рє РґРµР»Р°?"), "Привет,\u200B как дела?");
    // Twice over: "Р В РЎ...".
    const std::u16string twice = *misread(*misread(U(kRussian[0]), {Charset::Utf8, Charset::Windows1251}),
                                          {Charset::Utf8, Charset::Windows1251});
    EXPECT_EQ(fix(S(twice)), kRussian[0]);

    for (const char* clean :
         {"Привет, как дела?", "Hello, world!", "Скачайте Firefox и Thunderbird с сайта mozilla.org.",
          "for (int i = 0; i < n; ++i) { sum += a[i]; }", "12 345,67 руб. — 15.03.2024, № 7", "ищи", "цеху",
          "км/ч", "КПРФ", "DTD", "Ёжик", "https://пример.рф/путь?q=1", "user.name@example.com",
          "Кpюгеp, Кpюгеp... А я щас Виндовс инсталлиpyю!", "Цена 5 € за штуку, © 2024 ООО «Ромашка»",
          "я пошёл домой.", "Если Ctrl Alt Del - это CAD, что же такое AutoCAD?", "Київ і Львів",
          "а-а-а-а-а-а-а-а-а-а-а-аа-аа-а-а-а-а", "ооо ааа ооо ааа"}) {
        EXPECT_EQ(fix(clean), clean);
        EXPECT_EQ(fix(clean, RepairKind::Layout), clean);
    }
}

// Windows-1251 and Mac Cyrillic share the small letters: read as one
// another they change only capitals and "я", and the two ways look alike.
// Paragraphs that came back wrong: a word broken by case taken for a listed
// word ("красИт"), two single-byte misreadings preferred to one ("Метух"),
// "тебЯ" left as a mere change of case, a garbled capital at the start not
// worth the usual margin ("‘леди"), and a repair from UTF-8 that still hid
// the Mac misreading ("я пришел", "Ёлектрон"), and a capital that both
// ways explain, which only the word it begins can settle ("Синансисты").
TEST(RepairJudge, WindowsAndMacCyrillicAreToldApart) {
    const Misreading winAsMac{Charset::Windows1251, Charset::MacCyrillic};
    const Misreading macAsWin{Charset::MacCyrillic, Charset::Windows1251};
    const std::pair<const char*, Misreading> cases[] = {
        {"Не волосы красят женщину, а женщина - волосы.", winAsMac},
        // A capital the two pages swap, told by the words it begins.
        {"Финансисты поддерживают государство точно так же, как веревка поддерживает повешенного.", winAsMac},
        {"Храбреца испытывает война, мудреца - гнев, друга - нужда.", winAsMac},
        {"Петух сказал: \"Я свое прокукарекаю, а с рассветом будь, что будет\".", winAsMac},
        {"...если никто тебя не любит - неразумно жить на свете.", macAsWin},
        {"Win98 называется Win98 потому, что она стабильна и удобна как Linux 0.0.98", macAsWin},
        {"Следи за сердцем или ты полюбишь поневоле.", macAsWin},
        {"Удвойте размер свободного дискового пространства - удалите Windows!", macAsWin},
    };
    for (const auto& [clean, m] : cases) {
        const std::u16string once = *misread(U(clean), m);
        EXPECT_EQ(fix(S(once)), clean) << S(once);
    }
    for (const char* clean : {"Я пришел в мир, чтобы видеть, а не совершить.", "Электрон так же неисчерпаем, как и атом.",
                              "С ростом богатства растут и заботы."}) {
        for (Charset read : {Charset::Dos866, Charset::Latin1}) {
            const std::u16string twice = *misread(*misread(U(clean), winAsMac), {Charset::Utf8, read});
            EXPECT_EQ(fix(S(twice)), clean) << S(twice);
        }
    }
    for (const char* clean : {"Юность - жизнь плюс жизнь впереди.", "Сильное воображение порождает событие."}) {
        const std::u16string twice = *misread(*misread(U(clean), macAsWin), {Charset::Utf8, Charset::Latin1});
        EXPECT_EQ(fix(S(twice)), clean) << S(twice);
    }
    // What either misreading could have made, but reads as it should, stays.
    for (const char* clean : {"я знаю только то, что ничего не знаю.", "— ростом он не вышел, — сказала она.",
                              "‘Quoted’ и «цитата» — это разное.", "Цена 5 €, скидка „на всё“ до 31.12."}) {
        EXPECT_EQ(fix(clean), clean);
    }
}

TEST(RepairJudge, TextTypedOnTheWrongLayoutIsRetyped) {
    EXPECT_EQ(fix("ghbdtn? rfr ltkf", RepairKind::Layout), "привет, как дела");
    EXPECT_EQ(fix("\uFEFFghbdtn? rfr ltkf", RepairKind::Layout), "\uFEFFпривет, как дела");
    EXPECT_EQ(fix("руддщ", RepairKind::Layout), "hello");
    EXPECT_EQ(fix("Z ujdjh. gj-heccrb? yj gbie c jib,rfvb/", RepairKind::Layout),
              "Я говорю по-русски, но пишу с ошибками.");
    EXPECT_EQ(fix("Ghbdtn? Firefox ,eltn j,yjdkty pfdnhf/", RepairKind::Layout),
              "Привет, Firefox будет обновлен завтра.");
    EXPECT_EQ(fix("Ntcn 28?62 ye;ty", RepairKind::Layout), "Тест 28,62 нужен");
    // A name with its case broken is retyped with the rest: "LaTeX".
    EXPECT_EQ(fix("Еру ДфЕуЧ ащкьфе шы ышьзду", RepairKind::Layout), "The LaTeX format is simple");
    // Letters that pass for German, quotes without a blank before them.
    EXPECT_EQ(fix("Kturbt genb dtlen d negbr/", RepairKind::Layout), "Легкие пути ведут в тупик.");
    EXPECT_EQ(fix("Ujkjlyjuj cghjcbkb^@Crjkmrj ,eltn jlbyj;ls jlby&@ Jy jndtnbk^ @Jlyf ktgtirf/@/", RepairKind::Layout),
              "Голодного спросили:\"Сколько будет одиножды один?\" Он ответил: \"Одна лепешка.\".");
    EXPECT_EQ(fix("Ершы шы ф еуые ща еру ьщгыу фтв еру лунищфквю", RepairKind::Layout),
              "This is a test of the mouse and the keyboard.");
    // Marks typed on the wrong layout after a blank to fill in go with it.
    EXPECT_EQ(fix("Еру Щкшпштфд Сщву шы ______________ю", RepairKind::Layout), "The Original Code is ______________.");
    // What only looks like a slip stays: one odd word, a URL, code.
    EXPECT_EQ(fix("Ctrl", RepairKind::Layout), "Ctrl");
    EXPECT_EQ(fix("Открой https://ya.ru/ и введи ntrcn", RepairKind::Layout), "Открой https://ya.ru/ и введи ntrcn");
    EXPECT_EQ(fix("#ifdef _WIN32", RepairKind::Layout), "#ifdef _WIN32");
}

// The lines users of other languages found rewritten, and what each must
// give: itself, or (for a line that is garbled after all) its repair.
TEST(RepairJudge, OnlyGarbledRussianIsEverChanged) {
    const RepairKind enc = RepairKind::Encoding, lay = RepairKind::Layout;
    const struct {
        const char* line;
        RepairKind kind;
        const char* want;  // null: the line as it stands
    } cases[] = {
        // Latin-script languages with their accents.
        {"Le café est très bon.", enc, nullptr},
        {"mise à jour", enc, nullptr},
        {"Ich werde sie später ändern", enc, nullptr},
        {"¿Dónde está la configuración? Sí, señor.", enc, nullptr},
        {"Não foi possível abrir o descritor de ficheiro %d", enc, nullptr},
        {"Nu se pot obține informații despre „%s”.", enc, nullptr},
        {"Sử dụng chiến lược %s để chuẩn bị giải quyết bằng tay.", enc, nullptr},
        // Other Cyrillic languages, also with markup around.
        {"Назив/унос није јединствен", enc, nullptr},
        {"Цією карткою не передбачено підтримки вказаної команди", enc, nullptr},
        {"кері ретпен", enc, nullptr},
        {"-t, --tty <tty>          вираз є терміналом", enc, nullptr},
        {"<alias value='%s'/> је већ наведено", enc, nullptr},
        {"Њу Џерси", enc, nullptr},
        {"Ћирилично (транслитеровано)", enc, nullptr},
        {"Цэтынэ", lay, nullptr},
        {"Чыгыш", lay, nullptr},
        {"Тувэ", lay, nullptr},
        {"Изображение — DjVu", lay, nullptr},
        {"-mxbpf                   генерировать инструкции xBPF", lay, nullptr},
        {"француски, стари (842—око 1400.)", enc, nullptr},
        {"ДТСХД звук", enc, nullptr},
        {"%s: команда была »%s», результат был %d", enc, nullptr},
        {"операнд не є абсолютною константою", enc, nullptr},
        // Languages without a model of their own: Kurdish.
        {"LRE ji çepê ber bi rastê de", enc, nullptr},
        // Russian abbreviations.
        {"т.е., т.д., т.п., др.", enc, nullptr},
        {"АБВГД", enc, nullptr},
        {"ЮХШТС", enc, nullptr},
        // Hashes, UUIDs, passwords, identifiers, other languages' words.
        {"04ecb1fa2850", lay, nullptr},
        {"04ecb1fa2850b4e5f1c5a8c3e1f2d3b4", lay, nullptr},
        {"3f2504e0-4f89-11d3-9a0c-0305e82c3301", lay, nullptr},
        {"hTqwLmZp", lay, nullptr},
        {"YCbCr 4:2:0", lay, nullptr},
        {"fehlt", lay, nullptr},
        {"зсув", lay, nullptr},
        {"SELinux-context moet niet-NULL zijn", lay, nullptr},
        // Between readings that differ in case, running text's case.
        {"ЯаХФЫРУРп", enc, "предлагая"},
        // One page's "И" is the other's "я": not a capital after a small word.
        {"прогресс человечества: от дубины к дубине в €дерном варианте.", enc,
         "прогресс человечества: от дубины к дубине в ядерном варианте."},
        // A line is retyped whole: "Ctrl" and "GTK+"-like names too.
        {"Ищер Секд ещпуерук", lay, "Both Ctrl together"},
        {"ТШЫ+ ыукмшсу", lay, "NIS+ service"},
        {"Ghjdthmnt cevve 04ecb1fa2850 - jyf cjdgflftn/", lay, "Проверьте сумму 04ecb1fa2850 - она совпадает."},
        {"Kjrjvjnbd Bcnjhbb& 200sq crjhsq///", lay, "Локомотив Истории? 200ый скорый..."},
    };
    for (const auto& c : cases) EXPECT_EQ(fix(c.line, c.kind), c.want ? c.want : c.line) << c.line;

    // A repair in doubt is never applied, and says why.
    EncodingJudge encoding;
    const Verdict v = encoding.judge(U("АБВГД"));
    EXPECT_FALSE(v.repaired);
    EXPECT_TRUE(v.doubtful);
    EXPECT_EQ(v.doubt, "it is not made of Russian words");
}

// Each language is told by its own letters and their order: a line of it
// reads as that language (or one that spells it as well), and what a
// misreading or a slip of the layout makes of Russian reads as none.
TEST(RepairForeign, LinesReadAsTheirLanguageAndGarbleAsNone) {
    const std::pair<const char*, const char*> lines[] = {
        {"Le café est très bon.", "French"},
        {"¿Dónde está la configuración?", "Spanish"},
        {"Nie można otworzyć pliku źródłowego", "Polish"},
        {"Nelze otevřít soubor, zkontrolujte oprávnění.", "Czech"},
        {"Sử dụng chiến lược để chuẩn bị giải quyết", "Vietnamese"},
        {"Цією карткою не передбачено підтримки", "Ukrainian"},
        {"Назив/унос није јединствен", "Serbian"},
        {"Файлды ашу мүмкін емес", "Kazakh"},
    };
    for (const auto& [line, language] : lines) {
        const ForeignReading r = readAsForeign(U(line));
        EXPECT_TRUE(r.settled()) << line;
        EXPECT_STREQ(foreignLanguageName(r.language), language) << line;
    }
    for (const char* garbled : {"Ïðèâåò, êàê äåëà? Âñ¸ õîðîøî.", "РџСЂРёРІРµС‚, РєР°Рє РґРµР»Р°?",
                                "рТЙЧЕФ, ЛБЛ ДЕМБ? чУЈ ИПТПЫП.", "‘овесть - очнаЯ ставка с самим собой.",
                                "K.,jdm dj;ltkttn r ntke? lhe;,f - r leit/"})
        EXPECT_FALSE(readAsForeign(U(garbled)).good) << garbled;
}

// A paragraph longer than the part of it on which each misreading is tried
// first is judged whole as before: repaired when garbled, kept when French.
TEST(RepairJudge, LongParagraphsAreJudgedWhole) {
    std::string clean, french;
    while (clean.size() < 20000) clean += std::string(kRussian[clean.size() % 3]) + " ";
    while (french.size() < 20000) french += "Le café est très bon, et la crème brûlée aussi. ";
    const std::u16string garbled = *misread(U(clean), {Charset::Utf8, Charset::Windows1251});
    EXPECT_EQ(fix(S(garbled)), clean);
    EXPECT_EQ(fix(french), french);
}

// A bold word of a garbled paragraph is bold after the repair, each
// repaired character taking the format of the first character it comes from.
TEST(RepairConverterTest, RepairedParagraphKeepsFormatsAndRightOnesAreUntouched) {
    text::StyledText doc;
    doc.paragraphs.resize(3);
    text::appendRun(doc.paragraphs[0], U("РџСЂРёРІРµС‚, "), 1);
    text::appendRun(doc.paragraphs[0], U("РјРёСЂ"), 2);
    text::appendRun(doc.paragraphs[0], U("! РљР°Рє РґРµР»Р°?"), 1);
    text::appendRun(doc.paragraphs[1], U("Этот абзац "), 3);
    text::appendRun(doc.paragraphs[1], U("в порядке."), 4);
    text::appendRun(doc.paragraphs[2], U("Ïðèâåò, ìèð!"), 5);

    RepairTally tally;
    RepairConverter converter(RepairKind::Encoding, tally);
    // Slices of every size, so that a paragraph is judged once however the
    // driver cuts its work.
    for (std::size_t budget : {1u, 7u, 1000u}) {
        tally = RepairTally{};
        translit::DocumentConversion run(doc);
        while (!run.advance(converter, budget)) {
        }
        const text::StyledText out = run.result();
        ASSERT_EQ(out.paragraphs.size(), 3u);
        EXPECT_EQ(S(out.plainText()), "Привет, мир! Как дела?\r\nЭтот абзац в порядке.\r\nПривет, мир!");
        const std::vector<text::Run> first = {{U("Привет, "), 1}, {U("мир"), 2}, {U("! Как дела?"), 1}};
        EXPECT_EQ(out.paragraphs[0].runs, first);
        EXPECT_EQ(out.paragraphs[1], doc.paragraphs[1]);
        EXPECT_EQ(tally.paragraphs, 3u) << budget;
        EXPECT_EQ(tally.repaired, 2u);
        EXPECT_EQ(tally.found.size(), 2u);
    }
}

// An image in a garbled paragraph (U+FFFC, in a format of its own) neither
// stops the repair nor moves: it stays where it stood, with its format, also
// between two characters that one UTF-8 misreading made of one letter.
TEST(RepairConverterTest, ImagesKeepTheirPlaceInARepairedParagraph) {
    const auto dos = [](const char* clean) { return *misread(U(clean), {Charset::Dos866, Charset::Windows1251}); };
    text::StyledText doc;
    doc.paragraphs.resize(2);
    text::appendRun(doc.paragraphs[0], U("\uFFFC"), 7);
    text::appendRun(doc.paragraphs[0], dos("текст с картинкой "), 1);
    text::appendRun(doc.paragraphs[0], U("\uFFFC\uFFFC"), 8);
    text::appendRun(doc.paragraphs[0], dos(" и ссылкой внутри") + u'\uFFFC', 1);
    text::appendRun(doc.paragraphs[1], U("РџСЂРёРІРµС‚, Р\uFFFCјРёСЂ! РљР°Рє РґРµР»Р°?"), 1);
    RepairTally tally;
    RepairConverter converter(RepairKind::Encoding, tally);
    const text::StyledText out = translit::convertDocument(doc, converter);
    const std::vector<text::Run> first = {{U("\uFFFC"), 7},
                                          {U("текст с картинкой "), 1},
                                          {U("\uFFFC\uFFFC"), 8},
                                          {U(" и ссылкой внутри\uFFFC"), 1}};
    EXPECT_EQ(out.paragraphs[0].runs, first);
    EXPECT_EQ(out.paragraphs[1], doc.paragraphs[1]);  // the image splits a letter: left alone
    EXPECT_EQ(tally.repaired, 1u);
}

// The stream driver gives the same bytes however its input is cut, keeps
// line ends as they were, and passes what it cannot judge unchanged.
TEST(RepairLines, ChunkingNeverChangesTheOutput) {
    std::string input;
    for (int i = 0; i < 40; ++i) {
        input += S(*misread(U(kRussian[i % 3]), {Charset::Utf8, Charset::Windows1251}));
        input += i % 3 ? "\n" : "\r\n";
        input += kRussian[(i + 1) % 3];
        input += "\n";
    }
    input += "not UTF-8: \xCF\xF0\xE8\n";
    input += "no line break at the end: Ïðèâåò";

    auto repairAll = [](std::string_view text, std::size_t limit, std::mt19937* random) {
        LineRepair repair(RepairKind::Encoding, {}, limit);
        std::string out;
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t n = random ? std::min<std::size_t>(1 + (*random)() % 97, text.size() - at) : text.size();
            repair.feed(text.substr(at, n), out);
            at += n;
        }
        repair.finish(out);
        return out;
    };
    const std::string whole = repairAll(input, LineRepair::kLongestLine, nullptr);
    EXPECT_NE(whole.find("Съешь же ещё этих мягких французских булок, да выпей чаю.\r\n"), std::string::npos);
    EXPECT_NE(whole.find("not UTF-8: \xCF\xF0\xE8\n"), std::string::npos);
    EXPECT_EQ(whole.substr(whole.size() - 12), "Привет");
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) ASSERT_EQ(repairAll(input, LineRepair::kLongestLine, &random), whole);

    // Lines longer than the limit are judged in parts cut at spaces: right
    // text still passes byte for byte, and garbled text is still repaired.
    std::string longClean, longGarbled, expected;
    for (int i = 0; i < 30; ++i) {
        longClean += kRussian[i % 3];
        longClean += ' ';
        longGarbled += S(*misread(U(kRussian[i % 3]), {Charset::Utf8, Charset::Windows1251})) + " ";
        expected += std::string(kRussian[i % 3]) + " ";
    }
    EXPECT_EQ(repairAll(longClean + "\n", 100, &random), longClean + "\n");
    EXPECT_EQ(repairAll(longGarbled + "\n", 300, &random), expected + "\n");

    // A last line of continuation bytes past the limit, with no end: cut
    // anywhere, passed on unchanged, and the driver ends.
    const std::string endless = "Hi \xD0" + std::string(4096, '\x80');
    EXPECT_EQ(repairAll(endless, 64, &random), endless);
    EXPECT_EQ(repairAll(endless, 64, nullptr), endless);
}
