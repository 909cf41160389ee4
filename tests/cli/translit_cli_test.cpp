// lettrica-cli to-latin / to-cyrillic on real files, pipes and the terminal streams.

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "cli_test_util.h"

using namespace clitest;
namespace fs = std::filesystem;

using TranslitCli = CliTest;

namespace {
// Bigger than any read the program makes, so rules and characters land on
// chunk boundaries at every offset.
constexpr std::size_t kBig = 3 * (1 << 20) + 12345;
}  // namespace

TEST_F(TranslitCli, ToLatinWithBothTablesOnWindows1251) {
    write("in.txt", cp1251("Щука и Ёлка, ОБЪЕМ, ДЕНЬ. Эх!\r\n"));
    Result r = run("to-latin in.txt");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Schuka i Elka, OB``EM, DEN''. `Eh!\r\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(run("to-latin --table anglo in.txt").out, r.out);
    EXPECT_EQ(run("to-latin --table gost in.txt").out, "Shhuka i Jolka, OB\"EM, DEN'. Ehkh!\r\n");
    EXPECT_EQ(run("to-latin --table=gost in.txt").out, "Shhuka i Jolka, OB\"EM, DEN'. Ehkh!\r\n");
}

TEST_F(TranslitCli, ToCyrillicWithBothTables) {
    write("in.txt", "Shhuka Schuka Jolka Yulia OB``EM den'\n");
    // ASCII is valid UTF-8, so the output is UTF-8.
    EXPECT_EQ(run("to-cyrillic --table gost in.txt").out, "Щука Счука Ёлка Ыулиа ОБ``ЕМ день\n");
    EXPECT_EQ(run("to-cyrillic in.txt").out, "Шхука Щука Йолка Юлиа ОБЪЕМ день\n");
    EXPECT_EQ(run("to-cyrillic --encoding cp1251 in.txt").out, cp1251("Шхука Щука Йолка Юлиа ОБЪЕМ день\n"));
}

TEST_F(TranslitCli, AutoEncodingWritesInTheInputsEncoding) {
    write("utf8.txt", "Жук № 5 — «да»\n");
    write("cp.txt", cp1251("Жук № 5 — «да»\n"));
    EXPECT_EQ(run("to-latin utf8.txt").out, "Zhuk № 5 — «da»\n");
    EXPECT_EQ(run("to-latin cp.txt").out, cp1251("Zhuk № 5 — «da»\n"));
    EXPECT_EQ(run("to-latin --encoding auto cp.txt").out, cp1251("Zhuk № 5 — «da»\n"));

    write("latin.txt", "Zhuk \xB9 5\n");  // the numero sign in Windows-1251
    EXPECT_EQ(run("to-cyrillic latin.txt").out, cp1251("Жук № 5\n"));
}

TEST_F(TranslitCli, ForcedEncodings) {
    // UTF-8 "Ж" is D0 96, which Windows-1251 reads as Р and an en dash.
    write("utf8.txt", "Ж");
    EXPECT_EQ(run("to-latin --encoding cp1251 utf8.txt").out, "R\x96");
    EXPECT_EQ(run("to-latin --encoding utf-8 utf8.txt").out, "Zh");
    // Bytes that are not UTF-8 under a forced utf-8 are read as Windows-1251,
    // never dropped, and written as UTF-8.
    write("cp.txt", cp1251("Жук №"));
    EXPECT_EQ(run("to-latin --encoding utf-8 cp.txt").out, "Zhuk №");
    write("mixed.txt", "Zh \xB9 Ж");
    EXPECT_EQ(run("to-cyrillic --encoding utf-8 mixed.txt").out, "Ж № Ж");
}

TEST_F(TranslitCli, StandardInputAsDashOrNoFile) {
    const std::string in = cp1251("Щи да\r\n");
    const std::string want = "Schi da\r\n";
    for (Stdin mode : {Stdin::File, Stdin::Pipe}) {
        EXPECT_EQ(run("to-latin", in, mode).out, want);
        EXPECT_EQ(run("to-latin -", in, mode).out, want);
        EXPECT_EQ(run("to-latin -- -", in, mode).out, want);
    }
    Result empty = run("to-latin");
    EXPECT_EQ(empty.code, 0);
    EXPECT_EQ(empty.out, "");
}

TEST_F(TranslitCli, PipeWithAutoDetection) {
    EXPECT_EQ(run("to-latin", "ёж", Stdin::Pipe).out, "ezh");
    EXPECT_EQ(run("to-cyrillic", "ezh", Stdin::Pipe).out, "еж");
    EXPECT_EQ(run("to-cyrillic --table gost", "Ezh \xB9", Stdin::Pipe).out, cp1251("Еж №"));

    // Valid UTF-8 for megabytes, then one byte that is not: the whole input
    // is Windows-1251, so what was read ahead must be converted as such.
    std::string big = repeat("жук ", kBig / 7) + "\xC6";
    std::string want = repeat("R\xB6S\x83R\xBA ", kBig / 7) + "Zh";
    Result r = run("to-latin", big, Stdin::Pipe);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.out == want) << "sizes " << r.out.size() << " " << want.size();

    // Long valid UTF-8 through a pipe stays UTF-8.
    big = repeat("жук ", kBig / 7);
    r = run("to-latin", big, Stdin::Pipe);
    EXPECT_TRUE(r.out == repeat("zhuk ", kBig / 7)) << r.out.size();
}

TEST_F(TranslitCli, OutputOfAPipeComesOutBeforeItsEnd) {
    // A pipe that pauses after 300 KB, or after a few words, and stays open
    // until their conversion has come out (or ten seconds have passed):
    // what was read is written, not held for the end nor until enough
    // has gathered to write or to tell an RTF document.
    // A pause after a line break waits for the whole line, its last
    // letters included.
    const std::string anything = "[ ! -s seen.txt ]", line = "[ \"$(wc -l < seen.txt)\" -lt 1 ]";
    for (const auto& [words, piece, want, waitWhile] :
         {std::tuple{std::size_t{25000}, "Schuka zhuk ", "Щука жук ", anything},
          {std::size_t{20}, "Schuka zhuk ", "Щука жук ", anything},
          {std::size_t{2}, "Schuka zhuk ", "Щука жук ", anything},
          {std::size_t{1}, "Schuka zhuk\n", "Щука жук\n", line}}) {
        write("part.txt", repeat(piece, words));
        Result r = run("to-cyrillic --encoding utf-8 < feed > seen.txt; wait", {}, Stdin::Null,
                       "rm -f feed seen.txt && mkfifo feed && { { cat part.txt; i=0; while " + waitWhile +
                           " && [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); done; echo $i > tries; } > feed & } &&");
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_LT(std::stoi(read("tries")), 100) << piece;
        EXPECT_TRUE(read("seen.txt") == repeat(want, words)) << piece;
    }
}

TEST_F(TranslitCli, StandardOutputIntoAFileWhereverItStands) {
    // UTF-8 for megabytes, then a Windows-1251 byte: what went out as UTF-8
    // is taken back, only this run's, wherever the shell's file stood; over
    // a longer file (1<>) nothing is cut and its rest stays.
    write("big.txt", repeat("Schuka zhuk ", kBig / 12) + "\xB9");
    ASSERT_EQ(run("to-cyrillic -o want.txt big.txt").code, 0);
    const std::string want = read("want.txt"), rest = repeat("old ", kBig / 2);
    write("appended.txt", "abc");
    write("over.txt", rest);
    const std::string cli = quote(LETTRICA_CLI) + " to-cyrillic big.txt";
    ASSERT_EQ(std::system(("cd " + quote(path("").string()) + " && { printf abc; " + cli + "; } > after.txt && " +
                           cli + " >> appended.txt && " + cli + " 1<> over.txt").c_str()), 0);
    EXPECT_TRUE(read("after.txt") == "abc" + want);
    EXPECT_TRUE(read("appended.txt") == "abc" + want);
    EXPECT_TRUE(read("over.txt") == want + rest.substr(want.size()));
}

TEST_F(TranslitCli, AutoDetectionLooksAtTheWholeFile) {
    // Megabytes of valid UTF-8 and one byte at the end that is not: the
    // whole file is Windows-1251.
    write("late.txt", repeat("жук ", kBig / 7) + "\xC6");
    Result r = run("to-latin late.txt");
    EXPECT_TRUE(r.out == repeat("R\xB6S\x83R\xBA ", kBig / 7) + "Zh") << r.out.size();
    // A character cut at the very end is not UTF-8 either.
    write("cut.txt", repeat("a", kBig) + "\xD0");
    r = run("to-latin cut.txt");
    EXPECT_TRUE(r.out == repeat("a", kBig) + "R") << r.out.size();

    // The standard input as a file already partly read: only the rest is
    // looked at and converted.
    write("in.txt", cp1251("ЖЖЖЖ") + "ёж");
    const std::string cmd = "cd " + quote(path("").string()) + " && { head -c 4 > /dev/null; " + quote(LETTRICA_CLI) +
                            " to-latin; } < in.txt > got.txt";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(read("got.txt"), "ezh");  // the rest is UTF-8, so read and written as such
}

TEST_F(TranslitCli, AutoDetectionIntoAFileGivesWhatTheStandardOutputGets) {
    // Into a file, a file is read once: as UTF-8 while it holds, then again
    // from where its reading began as Windows-1251 once a byte shows it is
    // not. Only that input's output is taken back, never an earlier one's.
    // So is a file the standard output is. Into a pipe nothing can be
    // taken back: the whole input is checked first. All must give the
    // same bytes.
    const std::string utf8 = repeat("жук Sch ", kBig / 9);
    write("valid.txt", utf8);
    write("late.txt", utf8 + "\xC6");
    write("cut.txt", utf8 + "\xD0");
    write("early.txt", cp1251("Щука ") + utf8);
    write("empty.txt", "");
    write("latin.txt", repeat("Shhuka Schuka `` ", kBig / 17));
    const char* sets[] = {"valid.txt", "late.txt", "cut.txt", "early.txt", "empty.txt", "latin.txt",
                          "valid.txt late.txt valid.txt", "latin.txt cut.txt early.txt"};
    for (const char* command : {"to-latin", "to-cyrillic --table gost"}) {
        for (const char* files : sets) {
            const Result toStdout = run(std::string(command) + " " + files);
            const Result toPipe = run(std::string(command) + " " + files + " | cat");
            const Result toFile = run(std::string(command) + " -o out.txt " + files);
            EXPECT_EQ(toFile.code, 0) << toFile.err;
            EXPECT_TRUE(read("out.txt") == toStdout.out) << command << " " << files;
            EXPECT_TRUE(toPipe.out == toStdout.out) << command << " " << files;
        }
    }

    // The standard input as a file partly read: read again from there.
    write("in.txt", cp1251("ЖЖЖЖ") + "ёж" + "\xC6");
    const std::string cmd = "cd " + quote(path("").string()) + " && { head -c 4 > /dev/null; " + quote(LETTRICA_CLI) +
                            " to-latin -o got.txt; } < in.txt";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(read("got.txt"), "S\x91R\xB6Zh");  // from byte 4 on, as Windows-1251
}

TEST_F(TranslitCli, SeveralFilesOneAfterAnother) {
    write("a.txt", cp1251("Щи\r\n"));
    write("b.txt", "да ж\n");
    Result r = run("to-latin a.txt - b.txt", cp1251("и "), Stdin::File);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Schi\r\ni da zh\n");

    // Each file is a text of its own: a rule does not join two files.
    write("s.txt", "S");
    write("h.txt", "h");
    EXPECT_EQ(run("to-cyrillic s.txt h.txt").out, "Сх");
    EXPECT_EQ(run("to-cyrillic s.txt s.txt -o out.txt").code, 0);
    EXPECT_EQ(read("out.txt"), "СС");
}

TEST_F(TranslitCli, OutputFile) {
    write("in.txt", cp1251("Жук"));
    Result r = run("to-latin -o out.txt in.txt");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read("out.txt"), "Zhuk");
    EXPECT_EQ(run("to-latin --output=out2.txt in.txt").code, 0);
    EXPECT_EQ(read("out2.txt"), "Zhuk");

    // In place: the input is read in full before the output replaces it.
    write("big.txt", repeat(cp1251("щука "), kBig / 5));
    EXPECT_EQ(run("to-latin -o big.txt big.txt").code, 0);
    EXPECT_TRUE(read("big.txt") == repeat("schuka ", kBig / 5));

    // An empty input gives an empty file.
    write("empty.txt", "");
    EXPECT_EQ(run("to-latin -o out3.txt empty.txt").code, 0);
    EXPECT_TRUE(fs::exists(path("out3.txt")));
    EXPECT_EQ(read("out3.txt"), "");

    // A new file gets the mode the umask allows.
    EXPECT_EQ(run("to-latin -o new.txt in.txt", {}, Stdin::Null, "umask 027;").code, 0);
    EXPECT_EQ(fs::status(path("new.txt")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(TranslitCli, OutputThroughASymbolicLinkOrToAPipe) {
    write("in.txt", cp1251("Жук"));
    write("real.txt", "old");
    fs::create_symlink("real.txt", path("link.txt"));
    EXPECT_EQ(run("to-latin -o link.txt in.txt").code, 0);
    EXPECT_TRUE(fs::is_symlink(path("link.txt")));
    EXPECT_EQ(read("real.txt"), "Zhuk");

    // A FIFO (like /dev/null or a terminal) is written to, not replaced by a file.
    Result r = run("to-latin -o fifo in.txt; s=$?; wait; exit $s", {}, Stdin::Null,
                   "mkfifo fifo && { cat fifo > got & } &&");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(fs::status(path("fifo")).type(), fs::file_type::fifo);
    EXPECT_EQ(read("got"), "Zhuk");
}

TEST_F(TranslitCli, FailedRunLeavesTheOutputFileAlone) {
    write("in.txt", cp1251("Жук"));
    write("out.txt", "old contents");
    fs::permissions(path("out.txt"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const auto before = listing();

    Result r = run("to-latin -o out.txt in.txt missing.txt");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("missing.txt"), std::string::npos) << r.err;
    EXPECT_EQ(read("out.txt"), "old contents");
    EXPECT_EQ(listing(), before);  // no temporary file left behind

    r = run("to-latin --table iso -o out.txt in.txt");
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(read("out.txt"), "old contents");

    // A successful run replaces it and keeps its mode.
    EXPECT_EQ(run("to-latin -o out.txt in.txt").code, 0);
    EXPECT_EQ(read("out.txt"), "Zhuk");
    EXPECT_EQ(fs::status(path("out.txt")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(listing(), before);
}

TEST_F(TranslitCli, UsageErrorsNameTheArgumentAndShowTheUsage) {
    write("in.txt", "x");
    struct Case {
        const char* args;
        const char* named;
        const char* usage;
    };
    const Case cases[] = {
        {"to-latin --table iso in.txt", "iso", "Usage: lettrica-cli to-latin [--table SYSTEM"},
        {"to-cyrillic --encoding koi8 in.txt", "koi8", "Usage: lettrica-cli to-cyrillic [--table SYSTEM"},
        {"to-latin --table wikipedia --tables . in.txt", "--tables", "Usage: lettrica-cli to-latin"},
        {"systems extra", "systems", "Usage: lettrica-cli systems"},
        {"to-latin --bogus in.txt", "--bogus", "Usage: lettrica-cli to-latin"},
        {"to-latin in.txt -o", "-o", "Usage: lettrica-cli to-latin"},
        {"to-latin --table", "--table", "Usage: lettrica-cli to-latin"},
        {"frobnicate in.txt", "frobnicate", "Usage: lettrica-cli COMMAND"},
        {"", "command", "Usage: lettrica-cli COMMAND"},
    };
    for (const Case& c : cases) {
        Result r = run(c.args);
        EXPECT_EQ(r.code, 2) << c.args;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_NE(r.err.find(c.named), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.usage), std::string::npos) << c.args << "\n" << r.err;
    }
}

TEST_F(TranslitCli, FileErrorsNameTheFileAndTheReason) {
    fs::create_directory(path("dir"));
    write("in.txt", "x");
    struct Case {
        const char* args;
        const char* file;
        const char* reason;
    };
    const Case cases[] = {
        {"to-latin missing.txt", "missing.txt", "No such file or directory"},
        {"to-latin dir", "dir", "directory"},
        {"to-latin -o nodir/out.txt in.txt", "nodir/out.txt", "No such file or directory"},
        {"to-latin -o dir in.txt", "dir", "directory"},
        {"to-latin in.txt > /dev/full", "standard output", "No space left on device"},
    };
    for (const Case& c : cases) {
        Result r = run(c.args);
        EXPECT_EQ(r.code, 1) << c.args;
        EXPECT_NE(r.err.find(c.file), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << c.args << "\n" << r.err;
    }
    EXPECT_EQ(listing(), (std::vector<std::string>{"dir", "in.txt"}));
    EXPECT_TRUE(fs::is_empty(path("dir")));
}

TEST_F(TranslitCli, HelpAndVersion) {
    Result r = run("--help");
    EXPECT_EQ(r.code, 0);
    for (const char* command : {"to-latin", "to-cyrillic"}) {
        const std::size_t at = r.out.find(std::string("lettrica-cli ") + command + " [--table SYSTEM");
        ASSERT_NE(at, std::string::npos) << r.out;
        const std::string line = r.out.substr(at, r.out.find('\n', at) - at);
        EXPECT_NE(line.find("[--encoding auto|cp1251|utf-8] [-o OUT] [FILE...]"), std::string::npos) << line;
    }

    r = run("to-cyrillic --help");
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("Usage: lettrica-cli to-cyrillic"), std::string::npos) << r.out;

    r = run("--version");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.rfind("lettrica-cli ", 0), 0u) << r.out;
    EXPECT_GT(r.out.size(), std::string("lettrica-cli \n").size());
}

TEST_F(TranslitCli, ConversionsLoadNoQtAndSendRunsInItsOwnProgram) {
    // Loading Qt cost every run more than a small file's conversion: only
    // lettrica-send, which lettrica-cli runs for send, may link it.
    Result libraries = run("--version > /dev/null; readelf -d " + quote(LETTRICA_CLI));
    ASSERT_EQ(libraries.code, 0) << libraries.err;
    EXPECT_NE(libraries.out.find("(NEEDED)"), std::string::npos) << libraries.out;
    EXPECT_EQ(libraries.out.find("libQt"), std::string::npos) << libraries.out;

    // Found beside lettrica-cli, it answers for send (a usage error here).
    Result send = run("send");
    EXPECT_EQ(send.code, 2) << send.err;
    EXPECT_NE(send.err.find("--to ADDRESSES is required"), std::string::npos) << send.err;
    // A lettrica-cli without it says what is missing, and fails.
    fs::create_directory(path("alone"));
    fs::copy_file(LETTRICA_CLI, path("alone") / "lettrica-cli");
    send = run("--version > /dev/null; alone/lettrica-cli send --to a@example.org");
    EXPECT_EQ(send.code, 1) << send.err;
    EXPECT_NE(send.err.find("lettrica-send: not found"), std::string::npos) << send.err;
    EXPECT_EQ(send.out, "");
}

TEST_F(TranslitCli, CharactersOutsideWindows1251StayUnchanged) {
    write("in.txt", "Жук 中文 😀 Ω\n");
    EXPECT_EQ(run("to-latin in.txt").out, "Zhuk 中文 😀 Ω\n");
    EXPECT_EQ(run("to-latin --table gost in.txt").out, "Zhuk 中文 😀 Ω\n");
    write("lat.txt", "Sh 中文 😀 Ω\n");
    EXPECT_EQ(run("to-cyrillic lat.txt").out, "Ш 中文 😀 Ω\n");

    // Across chunk boundaries, at every offset of the character.
    for (const char* tail : {"b", "bb", "bbb", "bbbb"}) {
        const std::string unit = std::string("😀") + tail;
        const std::size_t n = kBig / unit.size();
        write("big.txt", repeat(unit, n));
        Result r = run("to-latin big.txt");
        EXPECT_TRUE(r.out == repeat(unit, n)) << tail;
        std::string cyr = std::string("😀");
        for (const char* p = tail; *p; ++p) cyr += "б";
        r = run("to-cyrillic big.txt");
        EXPECT_TRUE(r.out == repeat(cyr, n)) << tail << " " << r.out.size();
    }
}

TEST_F(TranslitCli, RulesAndCharactersSplitAcrossChunksStillMatch) {
    struct Case {
        const char* args;
        std::string unit;
        std::string want;
    };
    const Case cases[] = {
        {"to-cyrillic --table gost", "Shh", "Щ"},
        {"to-cyrillic --table gost", "Shha", "Ща"},
        {"to-cyrillic --table gost", "Shhaa", "Щаа"},
        {"to-cyrillic", "Sch", "Щ"},
        {"to-cyrillic", "Scha", "Ща"},
        {"to-cyrillic", "``", "Ъ"},
        {"to-cyrillic", "``a", "Ъа"},
        {"to-cyrillic --encoding cp1251", "Sch", cp1251("Щ")},
        {"to-cyrillic --encoding cp1251", "Scha", cp1251("Ща")},
        {"to-cyrillic --encoding cp1251 --table gost", "Shhaa", cp1251("Щаа")},
        {"to-latin", "ж", "zh"},
        {"to-latin", "жa", "zha"},
        {"to-latin", "ж中", "zh中"},
        {"to-latin", cp1251("Щa"), "Scha"},
    };
    for (const Case& c : cases) {
        const std::size_t n = kBig / c.unit.size();
        write("big.txt", repeat(c.unit, n));
        Result r = run(std::string(c.args) + " big.txt");
        EXPECT_EQ(r.code, 0) << c.args << " " << c.unit;
        EXPECT_TRUE(r.out == repeat(c.want, n)) << c.args << " " << c.unit << " " << r.out.size();
    }
}

TEST_F(TranslitCli, RussianTextComesThroughToCyrillicUntouchedInEveryEncoding) {
    // Nothing in it is Latin, so every byte must come back; a character cut
    // at the end of a read used to be re-read as Windows-1251 under a forced
    // utf-8. Four shifts put every byte of a character at the read boundary.
    for (const char* lead : {"", "1", "12", "123"}) {
        write("ru.txt", lead + repeat("Съешь же ещё этих мягких булок, да выпей чаю. ", kBig / 80));
        for (const char* encoding : {"auto", "utf-8", "cp1251"}) {
            for (const char* table : {"gost", "anglo"}) {
                Result r = run(std::string("to-cyrillic --encoding ") + encoding + " --table " + table + " ru.txt");
                EXPECT_EQ(r.code, 0) << r.err;
                EXPECT_TRUE(r.out == read("ru.txt")) << lead << " " << encoding << " " << table << " " << r.out.size();
            }
        }
    }
}

TEST_F(TranslitCli, EveryVectorLevelGivesTheSameBytes) {
    // LETTRICA_SIMD caps the loops the engine may use, down to the plain
    // ones: each must give what the best gives, across the reads' chunk
    // boundaries, rules and rare letters, signs, and characters of several
    // bytes that are no rule's (blocks that are not all ASCII).
    std::string latin;
    const char* words[] = {"Shhuka", "Schuka", "jja", "Jo", "OB``EM", "den'", "x86", "Qt", "Yulia", "`E`e",
                           "zhuk", "\"", "\xC3\xA9t\xC3\xA9", "\xE4\xB8\xAD", "\xD0\x96", "\r\n"};
    std::uint32_t seed = 7;
    while (latin.size() < kBig) {
        seed = seed * 1103515245 + 12345;
        latin += words[(seed >> 16) % std::size(words)];
        latin += (seed >> 8) % 5 == 0 ? "" : " ";
    }
    write("latin.txt", latin);
    // Russian with the signs of its typography between the letters, and
    // letters of other scripts, where the loops over Russian UTF-8 stop.
    const std::string russian = "Съешь же ещё этих мягких булок, да выпей чаю. Ёж, ЪЬ!\r\n"
                                "«Щука» — №\u00A05, Ёлка… «ёж»\r\n";
    write("ru.txt", repeat(russian + "café 中 😀 Ґ\r\n", kBig / 150));
    write("ru1251.txt", repeat(cp1251(russian), kBig / 130));
    const char* commands[] = {"to-cyrillic --table gost latin.txt", "to-cyrillic --table anglo latin.txt",
                              "to-cyrillic --encoding cp1251 latin.txt", "to-latin ru.txt",
                              "to-latin --table gost --encoding utf-8 ru.txt", "to-latin ru1251.txt",
                              "to-latin --table gost ru1251.txt", "case upper ru.txt", "case lower ru1251.txt"};
    for (const char* command : commands) {
        const Result best = run(command);
        ASSERT_EQ(best.code, 0) << best.err;
        ASSERT_GT(best.out.size(), kBig / 2) << command;
        for (const char* level : {"avx2", "scalar"}) {
            const Result capped = run(command, {}, Stdin::Null, std::string("export LETTRICA_SIMD=") + level + ";");
            EXPECT_EQ(capped.code, 0) << capped.err;
            EXPECT_TRUE(capped.out == best.out) << command << " at " << level << ": " << capped.out.size() << " bytes, "
                                                << best.out.size() << " at best";
        }
    }
}

TEST_F(TranslitCli, LongInputThatIsNotUtf8UnderForcedUtf8) {
    // Every Cyrillic byte is an invalid sequence here; all of them are taken
    // as Windows-1251 and the run stays linear in the size.
    write("in.txt", repeat(cp1251("жук "), kBig / 4));
    Result r = run("to-latin --encoding utf-8 in.txt");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.out == repeat("zhuk ", kBig / 4)) << r.out.size();
}

TEST_F(TranslitCli, EverySystemByNameAndTheListOfThem) {
    Result list = run("systems");
    EXPECT_EQ(list.code, 0) << list.err;
    for (const char* name : {"gost ", "gost-16876-alt ", "anglo ", "user ", "ala-lc ", "ala-lc-alt ", "bgn-pcgn ",
                             "bgn-pcgn-alt ", "bs-2979 ", "bs-2979-alt ", "gost-16876 ", "gost-52290 ", "gost-52535 ",
                             "gost-7034 ", "gost-779 ", "gost-779-alt ", "icao-doc-9303 ", "iso-9-1954 ", "iso-9-1968 ",
                             "iso-9-1968-alt ", "mosmetro ", "mvd-310 ", "mvd-310-fr ", "mvd-782 ", "scientific ",
                             "telegram ", "ungegn-1987 ", "wikipedia ", "yandex-maps ", "yandex-money "})
        EXPECT_NE(list.out.find(std::string("\n") + name), std::string::npos) << name;
    EXPECT_NE(list.out.find("gost-779         exact"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("wikipedia        by words"), std::string::npos) << list.out;

    write("in.txt", "Щукин ЩУКИН Подъезд Юлия\n");
    EXPECT_EQ(run("to-latin --table gost-16876-alt in.txt").out, run("to-latin --table gost in.txt").out);
    EXPECT_EQ(run("to-latin --table icao-doc-9303 in.txt").out, "Shchukin SHCHUKIN Podieezd Iuliia\n");
    write("back.txt", "Shchukin SHCHUKIN Podieezd Iuliia\n");
    EXPECT_EQ(run("to-cyrillic --table icao-doc-9303 back.txt").out, "Щукин ЩУКИН Подъезд Юлия\n");
}

TEST_F(TranslitCli, LettersWindows1251LacksAreRefusedNotReplaced) {
    // The fault this guards against: "š" written as "?" or dropped.
    write("in.txt", cp1251("Шаг\r\n"));
    Result r = run("to-latin --table gost-779 in.txt -o out.txt");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("in.txt"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\"\xC5\xA0\""), std::string::npos) << r.err;  // the Š it could not write
    EXPECT_FALSE(fs::exists(path("out.txt")));
    // A system in plain letters writes Windows-1251 as before.
    EXPECT_EQ(run("to-latin --table icao-doc-9303 in.txt").out, "Shag\r\n");
}

TEST_F(TranslitCli, DecomposedLettersAcrossReadsComposeInEveryTable) {
    // Е + U+0308 and и + U+0306 as macOS writes them, the mark the first
    // byte of a read now and then.
    std::string text, want;
    while (text.size() < kBig) {
        text += "Е\u0308лка и\u0306од ";
        want += "Jolka jjod ";
    }
    write("in.txt", text);
    EXPECT_EQ(run("to-latin --table gost in.txt").out, want);
    EXPECT_EQ(run("to-latin --table wikipedia in.txt").out.substr(0, 16), "Yolka yod Yolka ");
}
