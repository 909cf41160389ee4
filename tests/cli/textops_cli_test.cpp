// lettrica-cli recode and case on real files and pipes.

#include <random>

#include "cli_test_util.h"

using namespace clitest;

using TextopsCli = CliTest;

namespace {
// Larger than a read chunk, so the stream crosses chunk boundaries.
constexpr std::size_t kBig = 3 * (1 << 20) + 4321;

std::string allBytes() {
    std::string s;
    for (int b = 0; b < 256; ++b) s.push_back(static_cast<char>(b));
    return s;
}

std::string randomBytes(std::size_t size) {
    std::mt19937 random(20);
    std::string s(size, '\0');
    for (char& c : s) c = static_cast<char>(random());
    return s;
}
}  // namespace

TEST_F(TextopsCli, KoiFileRecodedToWinBecomesReadable) {
    // "Ёлка, привет!\r\n" in KOI8-R; Ё stays, as the Win/Koi directions leave it.
    write("koi.txt", "\xB3\xCC\xCB\xC1, \xD0\xD2\xC9\xD7\xC5\xD4!\r\n");
    Result r = run("recode --from koi --to win koi.txt");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "\xB3" + cp1251("лка, привет!\r\n"));
    EXPECT_EQ(r.err, "");
}

TEST_F(TextopsCli, WorkedExampleFromWinToDos) {
    Result r = run("recode --from win --to dos", cp1251("«№ 5 — …»"), Stdin::Pipe);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "\x3C\xFC\x20\x35\x20\x2D\x20\x3A\x3E");
}

// Every byte passes, NUL and ^Z included, and control bytes stay.
TEST_F(TextopsCli, EveryByteGoesThroughAndControlsStay) {
    write("all.bin", allBytes());
    for (const char* pair : {"--from win --to dos", "--from win --to koi", "--from dos --to win",
                             "--from dos --to koi", "--from koi --to win", "--from koi --to dos"}) {
        Result r = run(std::string("recode ") + pair + " all.bin");
        ASSERT_EQ(r.code, 0) << pair << r.err;
        ASSERT_EQ(r.out.size(), 256u) << pair;
        EXPECT_EQ(r.out.substr(0, 0x80), allBytes().substr(0, 0x80)) << pair;
    }
}

TEST_F(TextopsCli, RoundTripsOfABigFileThroughFilesAndPipes) {
    const std::string data = randomBytes(kBig);
    write("big.bin", data);
    ASSERT_EQ(run("recode --from dos --to koi -o koi.bin big.bin").code, 0);
    EXPECT_NE(read("koi.bin"), data);
    Result back = run("recode --from koi --to dos", read("koi.bin"), Stdin::Pipe);
    ASSERT_EQ(back.code, 0) << back.err;
    EXPECT_TRUE(back.out == data);
    Result winKoiWin = run("recode --from win --to koi big.bin | " + quote(LETTRICA_CLI) +
                           " recode --from koi --to win");
    ASSERT_EQ(winKoiWin.code, 0) << winKoiWin.err;
    EXPECT_TRUE(winKoiWin.out == data);
}

TEST_F(TextopsCli, SeveralFilesAreRecodedInTurn) {
    write("a.txt", cp1251("Ёж"));
    write("b.txt", cp1251(" и ёж\n"));
    Result r = run("recode --from win --to koi a.txt - b.txt", cp1251("Я"), Stdin::File);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "\xA8\xD6\xF1\x20\xC9\x20\xB8\xD6\n");
}

TEST_F(TextopsCli, RecodeUsageErrors) {
    write("in.txt", "x");
    for (const char* args : {"recode --from win --to win in.txt", "recode --from koi in.txt", "recode --to dos in.txt",
                             "recode in.txt", "recode --from utf8 --to win in.txt", "recode --from win --to koi -x in.txt",
                             "recode --from win --to"}) {
        Result r = run(args);
        EXPECT_EQ(r.code, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_NE(r.err.find("Usage: lettrica-cli recode"), std::string::npos) << args << r.err;
    }
    EXPECT_NE(run("recode --from win --to win in.txt").err.find("same code page"), std::string::npos);
}

TEST_F(TextopsCli, MissingInputIsExitOneAndLeavesNoOutput) {
    write("out.txt", "old");
    Result r = run("recode --from win --to dos -o out.txt missing.txt");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("missing.txt"), std::string::npos) << r.err;
    EXPECT_EQ(read("out.txt"), "old");
}

TEST_F(TextopsCli, CaseInWindows1251AndUtf8) {
    write("cp.txt", cp1251("ёлка Tree 5 µ ґєіїў\r\n"));
    Result upper = run("case upper cp.txt");
    EXPECT_EQ(upper.code, 0) << upper.err;
    EXPECT_EQ(upper.out, cp1251("ЁЛКА TREE 5 µ ҐЄІЇЎ\r\n"));
    EXPECT_EQ(run("case lower", upper.out, Stdin::Pipe).out, cp1251("ёлка tree 5 µ ґєіїў\r\n"));

    // UTF-8 stays UTF-8; what Windows-1251 cannot hold keeps its case.
    write("u8.txt", "Ёлка é ß Ω 中 😀\n");
    EXPECT_EQ(run("case upper u8.txt").out, "ЁЛКА é ß Ω 中 😀\n");
    EXPECT_EQ(run("case lower u8.txt").out, "ёлка é ß Ω 中 😀\n");
    // Forced Windows-1251 takes the UTF-8 bytes as Windows-1251 characters.
    EXPECT_EQ(run("case upper --encoding cp1251 -o out.txt u8.txt").code, 0);
    EXPECT_EQ(read("out.txt").size(), std::string("Ёлка é ß Ω 中 😀\n").size());
}

TEST_F(TextopsCli, CaseOfABigFileAcrossChunks) {
    std::string unit = cp1251("Съешь же ещё этих мягких булок, Tree!\r\n");
    std::string big = repeat(unit, kBig / unit.size() + 1);
    write("big.txt", big);
    Result r = run("case upper --encoding cp1251 big.txt");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.out == repeat(cp1251("СЪЕШЬ ЖЕ ЕЩЁ ЭТИХ МЯГКИХ БУЛОК, TREE!\r\n"), kBig / unit.size() + 1));
}

TEST_F(TextopsCli, CaseUsageErrors) {
    write("in.txt", "x");
    for (const char* args : {"case", "case in.txt", "case UPPER in.txt", "case upper --encoding koi in.txt"}) {
        Result r = run(args);
        EXPECT_EQ(r.code, 2) << args;
        EXPECT_NE(r.err.find("Usage: lettrica-cli case"), std::string::npos) << args << r.err;
    }
    EXPECT_EQ(run("case lower --help").code, 0);
}
