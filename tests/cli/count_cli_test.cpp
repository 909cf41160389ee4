// lettrica-cli count: printable characters and total length per input.

#include "cli_test_util.h"

using namespace clitest;

using CountCli = CliTest;

TEST_F(CountCli, OneLinePerInputAndATotal) {
    write("hello.txt", "Привет, мир");
    write("lines.txt", cp1251("аб\r\nв"));
    write("empty.txt", "");
    Result r = run("count hello.txt lines.txt empty.txt");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "     11      11 hello.txt\n"
              "      3       5 lines.txt\n"
              "      0       0 empty.txt\n"
              "     14      16 total\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(CountCli, ALineBreakCountsTwoWhateverTheFilesLineEnds) {
    write("crlf.txt", "ab\r\nc\r\n");
    write("lf.txt", "ab\nc\n");
    write("cr.txt", "ab\rc\r");
    write("tab.txt", "a\tb c");
    EXPECT_EQ(run("count crlf.txt lf.txt cr.txt tab.txt").out,
              "      3       7 crlf.txt\n"
              "      3       7 lf.txt\n"
              "      3       7 cr.txt\n"
              "      4       5 tab.txt\n"
              "     13      26 total\n");
}

TEST_F(CountCli, EncodingsAndTheStandardInput) {
    // Valid UTF-8 counts characters, anything else counts Windows-1251 bytes.
    write("u.txt", "Ёж 😀\n");
    EXPECT_EQ(run("count u.txt").out, "      4       6 u.txt\n");
    EXPECT_EQ(run("count --encoding cp1251 u.txt").out, "      9      11 u.txt\n");  // nine bytes
    write("c.txt", cp1251("Ёж\n"));
    EXPECT_EQ(run("count c.txt").out, "      2       4 c.txt\n");
    EXPECT_EQ(run("count --encoding utf-8 c.txt").out, "      2       4 c.txt\n");

    // No FILE: the standard input, without a name, through a pipe too.
    EXPECT_EQ(run("count", "Ёж 😀\n", Stdin::Pipe).out, "      4       6\n");
    EXPECT_EQ(run("count -", cp1251("аб\r\nв"), Stdin::File).out, "      3       5 -\n");
}

TEST_F(CountCli, LargeInputsAcrossReadBoundaries) {
    // CR LF pairs and two-byte characters straddle every chunk boundary.
    const std::string unit = "я\r\n";
    const std::size_t times = (3 << 20) / unit.size() + 7;
    write("big.txt", repeat(unit, times));
    const std::string n = std::to_string(times), t = std::to_string(times * 3);
    EXPECT_EQ(run("count big.txt").out, std::string(7 - n.size(), ' ') + n + " " +
                                            std::string(7 - t.size(), ' ') + t + " big.txt\n");
}

TEST_F(CountCli, AMissingFileIsReportedAndTheOthersCounted) {
    write("a.txt", "abc");
    Result r = run("count nope.txt a.txt");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "      3       3 a.txt\n      3       3 total\n");
    EXPECT_NE(r.err.find("nope.txt"), std::string::npos);
    EXPECT_EQ(run("count --encoding latin1 a.txt").code, 2);
}
