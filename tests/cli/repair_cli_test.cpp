// lettrica-cli fix-encoding and fix-layout on files that Python's own codecs
// and a keyboard map garbled: an encoder that is not ours, so a wrong byte
// in one of our code page tables shows as a paragraph not repaired.

#include <cstdlib>

#include "cli_test_util.h"

using namespace clitest;

namespace {

// Writes garbled.txt (the paragraphs misread by every chain listed, with
// the clean paragraphs between them), expected.txt (what a repair gives),
// and the same for the layouts. Held-out text: none of it is in the text
// the scorer's statistics come from.
constexpr const char* kMakeCases = R"PY(
import codecs
clean = [
    "Съешь же ещё этих мягких французских булок, да выпей чаю.",
    "Широкая электрификация южных губерний даст мощный толчок подъёму сельского хозяйства.",
    "В чащах юга жил бы цитрус? Да, но фальшивый экземпляр!",
    "Эх, жирафы честно в цель шагают, да щук объять за память ёлкой.",
    "Сегодня утром поезд пришёл на вокзал с опозданием в двадцать минут.",
    "Программа читает файл построчно и сохраняет результат в новой папке.",
]
untouched = [
    "Скачайте Firefox и Thunderbird с сайта mozilla.org.",
    "for (int i = 0; i < n; ++i) { sum += a[i]; }",
    "12 345,67 руб. — 15.03.2024, № 7",
    "км/ч", "КПРФ", "ищи", "Hello, world!", "https://example.org/path?q=1",
]
chains = [
    [("utf-8", "cp1251")], [("utf-8", "koi8_r")], [("utf-8", "cp866")], [("cp1251", "latin_1")],
    [("koi8_r", "latin_1")], [("cp1251", "koi8_r")], [("cp866", "cp1251")], [("iso8859_5", "cp1251")],
    [("utf-8", "cp1251"), ("utf-8", "cp1251")], [("cp1251", "latin_1"), ("utf-8", "cp1251")],
]
codecs.register_error("c1", lambda e: ("".join(chr(b) for b in e.object[e.start:e.end]), e.end))
garbled, expected = [], []
for chain in chains:
    for text in clean:
        g = text
        for written, read in chain:
            g = g.encode(written).decode(read, errors="c1")
        garbled.append(g)
        expected.append(text)
    garbled += untouched
    expected += untouched
open("garbled.txt", "w", encoding="utf-8").write("\r\n".join(garbled) + "\n")
open("expected.txt", "w", encoding="utf-8").write("\r\n".join(expected) + "\n")

US = "`qwertyuiop[]asdfghjkl;'zxcvbnm,./~QWERTYUIOP{}ASDFGHJKL:\"ZXCVBNM<>?@#$^&|"
RU = "ёйцукенгшщзхъфывапролджэячсмитьбю.ЁЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮ,\"№;:?/"
on_us = {r: u for u, r in zip(US, RU)}
on_ru = {u: r for u, r in zip(US, RU)}
english = ["The quick brown fox jumps over the lazy dog.", "Please send the report to me by Friday, thanks."]
slips = ["".join(on_us.get(c, c) for c in t) for t in clean] + \
        ["".join(on_ru.get(c, c) for c in t) for t in english]
open("slips.txt", "w", encoding="utf-8").write("\n".join(slips + untouched) + "\n")
open("retyped.txt", "w", encoding="utf-8").write("\n".join(clean + english + untouched) + "\n")
)PY";

class RepairCli : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        write("make_cases.py", kMakeCases);
        const std::string command = "cd " + quote(path("").string()) + " && /usr/bin/python3 make_cases.py";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
};

}  // namespace

TEST_F(RepairCli, EveryChainIsRepairedAndRightLinesStayByteForByte) {
    Result r = run("fix-encoding garbled.txt");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, read("expected.txt"));
    // Right text goes through untouched, and so does a repair of it.
    r = run("fix-encoding expected.txt");
    EXPECT_EQ(r.out, read("expected.txt"));
}

TEST_F(RepairCli, ExplainSpeaksOnTheStandardErrorOnly) {
    const std::string text = read("garbled.txt");
    Result r = run("fix-encoding --explain -o out.txt", text, Stdin::Pipe);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read("out.txt"), read("expected.txt"));
    EXPECT_NE(r.err.find("standard input:1: repaired: UTF-8 read as Windows-1251 (certainty"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("UTF-8 read as Windows-1251, then UTF-8 read as Windows-1251"), std::string::npos);
    EXPECT_NE(r.err.find("standard input: repaired 60 of 140 lines\n"), std::string::npos) << r.err;
    // Nothing is said of a line that is right.
    EXPECT_EQ(r.err.find("standard input:7:"), std::string::npos);
    // A repair in doubt is left alone, and why is said.
    r = run("fix-encoding --explain", "АБВГД\nLe café est très bon.\n", Stdin::Pipe);
    EXPECT_EQ(r.out, "АБВГД\nLe café est très bon.\n");
    EXPECT_NE(r.err.find("standard input:1: left alone in doubt: perhaps "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(", but it is not made of Russian words (certainty "), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("standard input:2:"), std::string::npos) << r.err;
    EXPECT_EQ(listing(), (std::vector<std::string>{"expected.txt", "garbled.txt", "make_cases.py", "out.txt",
                                                   "retyped.txt", "slips.txt"}));
}

// Far more than one read, through a pipe: a repair never depends on where
// the input was cut.
TEST_F(RepairCli, ABigStreamIsRepairedLineByLine) {
    const std::string garbled = read("garbled.txt"), expected = read("expected.txt");
    Result r = run("fix-encoding", repeat(garbled, 200), Stdin::Pipe);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.size(), expected.size() * 200);
    EXPECT_TRUE(r.out == repeat(expected, 200));
}

TEST_F(RepairCli, LayoutSlipsAreRetypedBothWays) {
    Result r = run("fix-layout slips.txt");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, read("retyped.txt"));
    r = run("fix-layout --explain retyped.txt");
    EXPECT_EQ(r.out, read("retyped.txt"));
    EXPECT_EQ(r.err, "retyped.txt: repaired 0 of 16 lines\n");
    r = run("fix-layout --bogus slips.txt");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Usage: lettrica-cli fix-layout"), std::string::npos) << r.err;
}
