// lettrica-cli on RTF documents: the text converted, the formatting kept,
// the markup untouched; broken documents refused without output.

#include "../engine/rich_document_util.h"
#include "cli_test_util.h"
#include "docio/rtf_builder.h"
#include "docio/rtf_writer.h"
#include "textops/case_conversion.h"
#include "textops/recoding.h"
#include "translit/cyrillic_to_latin.h"
#include "convert/document_conversion.h"
#include "translit/latin_to_cyrillic.h"

using namespace clitest;
using namespace lettrica;
using richtest::fixture;
using richtest::formatOf;

using RtfCli = CliTest;

namespace {

const char* const kFixtures[] = {"libreoffice.rtf", "wordpad.rtf", "word2007.rtf"};

// The document as (paragraph format, [(run text, run format)]) values, so
// that documents from different readings compare.
using Shape = std::vector<std::pair<docio::ParagraphFormat, std::vector<std::pair<std::u16string, docio::CharFormat>>>>;

Shape shapeOf(const docio::RichDocument& doc) {
    Shape shape;
    for (const auto& p : doc.text.paragraphs) {
        shape.emplace_back(docio::paragraphFormatAt(doc, p.format), std::vector<std::pair<std::u16string, docio::CharFormat>>{});
        for (const auto& r : p.runs) {
            docio::CharFormat f = docio::charFormatAt(doc, r.format);
            if (f.fontName.empty()) f.fontName = docio::kDefaultFontName;  // as the writer names it
            auto& runs = shape.back().second;
            if (!runs.empty() && runs.back().second == f) runs.back().first += r.text;
            else runs.emplace_back(r.text, f);
        }
    }
    return shape;
}

}  // namespace

// Each command gives the document the engine's own document conversion
// gives, formats and all, written as RTF.
TEST_F(RtfCli, EveryTextCommandConvertsTheDocumentKeepingItsFormats) {
    struct Command {
        const char* args;
        const translit::Converter& converter;
    };
    const Command commands[] = {
        {"to-latin", translit::angloCyrillicToLatin()},
        {"to-latin --table gost", translit::gostCyrillicToLatin()},
        {"to-cyrillic", translit::angloLatinToCyrillic()},
        {"case upper", textops::caseConverter(textops::Case::Upper)},
        {"case lower", textops::caseConverter(textops::Case::Lower)},
        {"recode --from win --to koi", textops::recodingConverter(textops::Direction::Win2Koi)},
        {"recode --from dos --to win", textops::recodingConverter(textops::Direction::DOSToWin)},
    };
    for (const char* name : kFixtures) {
        const std::string source = fixture(name);
        write(name, source);
        const docio::RichDocument original = docio::readRtf(source).document;
        for (const Command& c : commands) {
            const Result r = run(std::string(c.args) + " -o out.rtf " + name);
            ASSERT_EQ(r.code, 0) << c.args << " " << name << ": " << r.err;
            const docio::RtfReadResult out = docio::readRtf(read("out.rtf"));
            ASSERT_TRUE(out.ok()) << c.args << " " << name;
            docio::RichDocument expected = original;
            expected.text = translit::convertDocument(original.text, c.converter);
            EXPECT_TRUE(shapeOf(out.document) == shapeOf(expected)) << c.args << " " << name;
        }
    }
}

TEST_F(RtfCli, ToLatinKeepsBoldColourAndLists) {
    write("doc.rtf", fixture("libreoffice.rtf"));
    const Result r = run("to-latin doc.rtf");
    ASSERT_EQ(r.code, 0) << r.err;
    const docio::RichDocument d = docio::readRtf(r.out).document;
    EXPECT_TRUE(formatOf(d, "zhirnyj").bold);
    EXPECT_EQ(richtest::rgb(formatOf(d, "Krasnyj").color), "201,33,30");
    EXPECT_EQ(S(formatOf(d, "monoshirinnyj").fontName), "Courier New");
    EXPECT_EQ(richtest::paragraphOf(d, "Pervyj punkt").listStyle, docio::ListStyle::Disc);
    EXPECT_EQ(richtest::paragraphOf(d, "Po centru").alignment, docio::Alignment::Center);
    EXPECT_NE(S(d.text.plainText()).find("Äpfel, 中文, 😀"), std::string::npos);  // kept, not "?"
}

// The markup is not text: a case change or recoding of the bytes would
// break control words (\PAR) and hex escapes.
TEST_F(RtfCli, MarkupIsNeverConverted) {
    const std::string rtf = "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Arial;}}\\f0\\b "
                            "\\'e0\\'e1\\'e2 abc\\par next}";
    write("m.rtf", rtf);
    for (const char* args : {"case upper", "case lower", "recode --from win --to dos", "to-cyrillic"}) {
        const Result r = run(std::string(args) + " m.rtf");
        ASSERT_EQ(r.code, 0) << args << r.err;
        const docio::RtfReadResult out = docio::readRtf(r.out);
        EXPECT_TRUE(out.ok()) << args;
        ASSERT_EQ(out.document.text.paragraphs.size(), 2u) << args;
        EXPECT_TRUE(docio::charFormatAt(out.document, out.document.text.paragraphs[1].runs.at(0).format).bold) << args;
    }
    EXPECT_EQ(S(docio::readRtf(run("case upper m.rtf").out).document.text.plainText()), "АБВ ABC\r\nNEXT");
    // а б в in DOS 866 are the bytes A0 A1 A2, shown as Windows-1251.
    EXPECT_EQ(S(docio::readRtf(run("recode --from win --to dos m.rtf").out).document.text.plainText()),
              "\u00A0\u040E\u045E abc\r\nnext");
}

// Whatever the file is called and however it arrives, the content decides.
TEST_F(RtfCli, RecognisedByContentFromFilesAndPipes) {
    const std::string rtf = "\xEF\xBB\xBF\r\n{\\rtf1\\ansi\\ansicpg1251 \\'e6\\'f3\\'ea}";
    write("doc.txt", rtf);
    for (const Result& r : {run("to-latin doc.txt"), run("to-latin", rtf, Stdin::Pipe), run("to-latin", rtf, Stdin::File)}) {
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(S(docio::readRtf(r.out).document.text.plainText()), "zhuk");
    }
    // Plain text that only mentions RTF stays plain text.
    EXPECT_EQ(run("to-latin", "x{\\rtf1 \xE6}", Stdin::Pipe).out, "x{\\rtf1 zh}");
}

// Looking at the start of a pipe must not lose it or change the choice
// between UTF-8 and Windows-1251 that follows: automatic detection gives
// what naming the encoding gives.
TEST_F(RtfCli, LookingAtAPipeKeepsItsTextAndEncoding) {
    const std::string utf8 = repeat("щука ", 7) + "ёж\n";  // ё across byte 64
    const std::pair<std::string, const char*> cases[] = {
        {utf8, "utf-8"},
        {cp1251("жук ") + utf8, "cp1251"},  // not UTF-8 among the first bytes
        {utf8 + cp1251("жук"), "cp1251"},   // not UTF-8 after them
        {repeat("ж", 40) + "\xD0", "cp1251"}, // UTF-8 cut short
    };
    for (const auto& [input, encoding] : cases) {
        const Result automatic = run("to-latin", input, Stdin::Pipe);
        EXPECT_EQ(automatic.code, 0) << automatic.err;
        EXPECT_EQ(automatic.out, run(std::string("to-latin --encoding ") + encoding, input, Stdin::Pipe).out) << encoding;
    }
    EXPECT_EQ(run("to-latin", utf8, Stdin::Pipe).out, repeat("schuka ", 7) + "ezh\n");
}

TEST_F(RtfCli, BrokenDocumentGivesExitOneAndNoOutput) {
    const std::string whole = fixture("libreoffice.rtf");
    const std::pair<const char*, std::string> broken[] = {
        {"cut in half", whole.substr(0, whole.size() / 2)},
        {"nested a million deep", "{\\rtf1 " + std::string(1000000, '{')},
        {"\\bin past the end", "{\\rtf1 a\\bin999999999 b}"},
        {"a 100 000-letter word", "{\\rtf1 \\" + std::string(100000, 'a') + " b}"},
    };
    for (const auto& [what, rtf] : broken) {
        write("in.rtf", rtf);
        const Result r = run("to-latin -o out.rtf in.rtf");
        EXPECT_EQ(r.code, 1) << what;
        EXPECT_NE(r.err.find("in.rtf: cannot read this RTF document"), std::string::npos) << what << ": " << r.err;
        EXPECT_EQ(listing(), std::vector<std::string>{"in.rtf"}) << what;
        const Result piped = run("case upper", rtf, Stdin::Pipe);
        EXPECT_EQ(piped.code, 1) << what;
        EXPECT_EQ(piped.out, "") << what;
    }
}

TEST_F(RtfCli, DocumentsAreNotJoined) {
    write("a.rtf", fixture("wordpad.rtf"));
    write("b.txt", "b");
    const Result r = run("to-latin -o out.rtf b.txt a.rtf");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("a.rtf is an RTF document"), std::string::npos) << r.err;
    EXPECT_EQ(listing(), (std::vector<std::string>{"a.rtf", "b.txt"}));
}

// A document of millions of short paragraphs takes a few times its size:
// 40 MB go through under a limit of 200 MB of address space, where the
// document held whole took ten times its size and aborted. Under a limit
// the input itself does not fit in, the run ends with a clear error, exit
// status 1 and no output file.
TEST_F(RtfCli, HugeDocumentTakesAFewTimesItsSize) {
    const std::string paragraph = "\\'e4\\'ee\\'ec\\par\n";  // "дом"
    const std::size_t count = 40'000'000 / paragraph.size();
    write("big.rtf", "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Arial;}}\n" + repeat(paragraph, count) + "}");
    const Result fits = run("to-latin -o out.rtf big.rtf", {}, Stdin::Null, "ulimit -v 200000;");
    ASSERT_EQ(fits.code, 0) << fits.err;
    const std::string out = read("out.rtf");
    std::size_t converted = 0;
    for (std::size_t at = out.find("dom\\par"); at != std::string::npos; at = out.find("dom\\par", at + 7)) ++converted;
    EXPECT_EQ(converted, count);

    const Result tight = run("to-latin -o small.rtf big.rtf", {}, Stdin::Null, "ulimit -v 70000;");
    EXPECT_EQ(tight.code, 1);
    EXPECT_EQ(tight.err, "lettrica-cli to-latin: not enough memory for this input\n");
    EXPECT_EQ(listing(), (std::vector<std::string>{"big.rtf", "out.rtf"}));
}
