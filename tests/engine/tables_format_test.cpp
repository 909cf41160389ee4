// The table file format: what is read as how many lines, and the bytes written.

#include <gtest/gtest.h>

#include <string>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tables/table_file.h"
#include "tables/user_table.h"
#include "tables_test_util.h"

using namespace lettrica::tables;

namespace {

// n lines "e1" .. "en", each ended by `eol`.
std::string numberedLines(std::size_t n, std::string_view eol = "\r\n") {
    std::string s;
    for (std::size_t i = 1; i <= n; ++i) s += "e" + std::to_string(i) + std::string(eol);
    return s;
}

}  // namespace

TEST(TableDefaults, KeysAndIndexRuleAgree) {
    for (TableKind kind : {TableKind::Tr, TableKind::Rt}) {
        int keys = 0;
        for (int b = 0; b < 256; ++b) {
            auto idx = entryIndexOf(kind, static_cast<unsigned char>(b));
            if (!idx) continue;
            ++keys;
            EXPECT_EQ(keyByte(kind, *idx), b) << "byte " << b;
        }
        EXPECT_EQ(keys, static_cast<int>(entryCount(kind)));
    }
    // Ё, ё after Е, е; Ж right after them; я last.
    EXPECT_EQ(keyByte(TableKind::Rt, 10), 0xC5);
    EXPECT_EQ(keyByte(TableKind::Rt, 12), 0xA8);
    EXPECT_EQ(keyByte(TableKind::Rt, 13), 0xB8);
    EXPECT_EQ(keyByte(TableKind::Rt, 14), 0xC6);
    EXPECT_EQ(keyByte(TableKind::Rt, 65), 0xFF);
    EXPECT_EQ(keyByte(TableKind::Tr, 51), 'z');
    // Apostrophe, grave accent and the rest of the code page are no keys.
    for (int b : std::initializer_list<int>{'\'', '`', '"', '0', '@', '[', '{', 0xA9, 0xB9 /* № */}) {
        EXPECT_FALSE(entryIndexOf(TableKind::Tr, static_cast<unsigned char>(b)));
        EXPECT_FALSE(entryIndexOf(TableKind::Rt, static_cast<unsigned char>(b)));
    }
}

TEST(TableDefaults, ByteExactFiles) {
    const std::string tr = serializeTable(defaultTable(TableKind::Tr));
    const std::string rt = serializeTable(defaultTable(TableKind::Rt));
    EXPECT_EQ(tr.size(), 162u);
    EXPECT_EQ(rt.size(), 232u);
    EXPECT_EQ(tr.substr(0, 12), "\xC0\r\n\xE0\r\n\xC1\r\n\xE1\r\n");
    EXPECT_EQ(rt.substr(0, 12), "A\r\na\r\n6\r\n6\r\n");
    // Spot checks on the multi-byte entries and the ends.
    const Table& t = defaultTable(TableKind::Tr);
    EXPECT_EQ(t[18], "\xC4\xE6");  // J
    EXPECT_EQ(t[33], "\xEA\xF3");  // q
    EXPECT_EQ(t[46], "\xCA\xF1");  // X
    EXPECT_EQ(tr.substr(tr.size() - 6), "\xC7\r\n\xE7\r\n");
    const Table& r = defaultTable(TableKind::Rt);
    EXPECT_EQ(r[14], "}|{");
    EXPECT_EQ(r[43], "o|o");
    EXPECT_EQ(r[62], "I-O");
    EXPECT_EQ(r[63], "I-o");
    EXPECT_EQ(rt.substr(rt.size() - 8), "9I\r\n9I\r\n");
    // What is written reads back as the same table.
    EXPECT_EQ(parseTable(TableKind::Tr, tr).entries, t);
    EXPECT_EQ(parseTable(TableKind::Rt, rt).entries, r);
}

TEST(TableFormat, LineCountDecidesAcceptance) {
    EXPECT_EQ(parseTable(TableKind::Tr, numberedLines(51)).lineCount, 51u);
    EXPECT_FALSE(parseTable(TableKind::Tr, numberedLines(51)).accepted());
    EXPECT_TRUE(parseTable(TableKind::Tr, numberedLines(52)).accepted());
    // One more line end is an empty 53rd line.
    ParsedTable extra = parseTable(TableKind::Tr, numberedLines(52) + "\r\n");
    EXPECT_EQ(extra.lineCount, 53u);
    EXPECT_FALSE(extra.accepted());
    EXPECT_FALSE(parseTable(TableKind::Tr, numberedLines(80)).accepted());
    EXPECT_TRUE(parseTable(TableKind::Rt, numberedLines(66)).accepted());
    EXPECT_FALSE(parseTable(TableKind::Rt, numberedLines(52)).accepted());
    EXPECT_FALSE(parseTable(TableKind::Rt, numberedLines(67)).accepted());
    EXPECT_EQ(parseTable(TableKind::Tr, "").lineCount, 0u);
    // A lone CR after the last line end begins a line of its own.
    EXPECT_FALSE(parseTable(TableKind::Tr, numberedLines(52) + "\r").accepted());
}

TEST(TableFormat, LineEnds) {
    // The last line may lack its line end.
    std::string noFinal = numberedLines(52);
    noFinal.resize(noFinal.size() - 2);
    ParsedTable p = parseTable(TableKind::Tr, noFinal);
    ASSERT_TRUE(p.accepted());
    EXPECT_EQ(p.entries[51], "e52");

    // LF alone ends a line too.
    p = parseTable(TableKind::Tr, numberedLines(52, "\n"));
    ASSERT_TRUE(p.accepted());
    EXPECT_EQ(p.entries[0], "e1");

    // A CR not followed by LF is dropped and the line goes on; a CR before
    // a CR LF is dropped as well.
    std::string s = "a\rb\r\n" "c\r\r\n" + numberedLines(50);
    p = parseTable(TableKind::Tr, s);
    ASSERT_TRUE(p.accepted());
    EXPECT_EQ(p.entries[0], "ab");
    EXPECT_EQ(p.entries[1], "c");
    EXPECT_EQ(p.entries[2], "e1");
}

TEST(TableFormat, EmptyAndLongLines) {
    std::string s = "\r\n" + std::string(300, 'x') + "\r\n\r\n" + numberedLines(49);
    ParsedTable p = parseTable(TableKind::Tr, s);
    ASSERT_TRUE(p.accepted());
    EXPECT_EQ(p.entries[0], "");
    EXPECT_EQ(p.entries[1], std::string(300, 'x'));
    EXPECT_EQ(p.entries[2], "");
    EXPECT_EQ(p.entries[3], "e1");
}

TEST(TableFormat, CtrlZEndsTheFile) {
    ParsedTable p = parseTable(TableKind::Tr, numberedLines(52) + "\x1A" + numberedLines(10));
    EXPECT_TRUE(p.accepted());
    // 1A in the middle cuts the file short.
    p = parseTable(TableKind::Tr, numberedLines(30) + "ab\x1A" "cd\r\n" + numberedLines(21));
    EXPECT_EQ(p.lineCount, 31u);
    // 1A right after a line with no line end still ends that line.
    std::string s = numberedLines(52);
    s.resize(s.size() - 2);
    p = parseTable(TableKind::Tr, s + "\x1A");
    ASSERT_TRUE(p.accepted());
    EXPECT_EQ(p.entries[51], "e52");
}

TEST(TableFormat, ReaderAcceptsAnySplitOfTheBytes) {
    // A CR LF split across two reads still ends one line.
    const std::string s = "a\rb\r\n\r\n" + std::string(300, 'y') + "\r\n";
    for (std::size_t cut = 0; cut <= s.size(); ++cut) {
        TableLineReader r(10);
        r.feed(std::string_view(s).substr(0, cut));
        r.feed(std::string_view(s).substr(cut));
        r.finish();
        ASSERT_EQ(r.lineCount(), 3u) << "cut " << cut;
        EXPECT_EQ(r.lines()[0], "ab");
        EXPECT_EQ(r.lines()[1], "");
        EXPECT_EQ(r.lines()[2].size(), 300u);
    }
}

TEST(TableFile, ReadStatusAndOversizedFiles) {
    TempDir dir;
    EXPECT_EQ(readTableFile(TableKind::Tr, dir / "tr.dat").status, LoadStatus::Missing);

    writeBytes(dir / "tr.dat", numberedLines(52, "\n"));
    LoadResult r = readTableFile(TableKind::Tr, dir / "tr.dat");
    ASSERT_EQ(r.status, LoadStatus::Accepted);
    EXPECT_EQ(r.entries[51], "e52");

    // A large file with far too many lines is rejected after reading just
    // past the last entry.
    std::string big = numberedLines(200000);
    writeBytes(dir / "rt.dat", big);
    r = readTableFile(TableKind::Rt, dir / "rt.dat");
    EXPECT_EQ(r.status, LoadStatus::Rejected);
    EXPECT_TRUE(r.entries.empty());
    EXPECT_FALSE(r.error.empty());

    std::filesystem::create_directory(dir / "sub.dat");
    EXPECT_EQ(readTableFile(TableKind::Tr, dir / "sub.dat").status, LoadStatus::NotAFile);
}

// An entry may be as long as kMaxEntryBytes, in a file, the editors and the
// writer alike; one byte more and the file is invalid, found without
// reading further than that line.
TEST(TableFormat, EntryLengthIsBounded) {
    TempDir dir;
    const std::string longest(kMaxEntryBytes, 'w');
    Table t = defaultTable(TableKind::Rt);
    t[14] = longest;
    ASSERT_TRUE(writeTableFile(TableKind::Rt, t, dir / "rt.dat").ok());
    LoadResult r = readTableFile(TableKind::Rt, dir / "rt.dat");
    ASSERT_EQ(r.status, LoadStatus::Accepted);
    EXPECT_EQ(r.entries[14], longest);

    t[14] += 'w';
    EXPECT_TRUE(entryProblem(t[14]).has_value());
    EXPECT_FALSE(writeTableFile(TableKind::Rt, t, dir / "rt2.dat").ok());
    writeBytes(dir / "rt2.dat", serializeTable(t));
    r = readTableFile(TableKind::Rt, dir / "rt2.dat");
    EXPECT_EQ(r.status, LoadStatus::Rejected);
    EXPECT_NE(r.error.find("line 15"), std::string::npos) << r.error;
    EXPECT_FALSE(parseTable(TableKind::Rt, serializeTable(t)).accepted());

    // The reader gives up at the first byte too many, whatever follows.
    TableLineReader reader(kRtEntryCount);
    reader.feed(std::string(kMaxEntryBytes, 'x'));
    EXPECT_FALSE(reader.done());
    reader.feed("x\r\n" + serializeTable(defaultTable(TableKind::Rt)));
    EXPECT_TRUE(reader.done());
    EXPECT_TRUE(reader.overlong());
}

// A table file of 256 MiB on one line (sparse: no disk used) costs no more
// memory to reject than one read. Measured in a child process of its own,
// so the peak is that of the read alone.
TEST(TableFile, AHugeFileIsRejectedWithoutBeingReadWhole) {
    TempDir dir;
    const std::filesystem::path huge = dir / "tr.dat";
    {
        const int fd = ::open(huge.c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t(256) << 20), 0);
        ::close(fd);
    }
    auto peakKiB = [](auto work) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            work();
            ::_exit(0);
        }
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        return usage.ru_maxrss;
    };
    const long idle = peakKiB([] {});
    const long reading = peakKiB([&] {
        if (readTableFile(TableKind::Tr, huge).status != LoadStatus::Rejected) ::_exit(1);
    });
    EXPECT_LT(reading - idle, 16 * 1024) << "KiB";
}

TEST(TableFile, WriteRefusesEntriesThatCannotBeReadBack) {
    TempDir dir;
    Table t = defaultTable(TableKind::Tr);
    for (const char* bad : {"a\r\nb", "a\nb", "x\x1A"}) {
        t[5] = bad;
        FileResult w = writeTableFile(TableKind::Tr, t, dir / "tr.dat");
        EXPECT_FALSE(w.ok()) << bad;
        EXPECT_NE(w.error.find("entry 6"), std::string::npos) << w.error;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "tr.dat"));
    EXPECT_FALSE(writeTableFile(TableKind::Tr, Table(51), dir / "tr.dat").ok());
    EXPECT_FALSE(writeTableFile(TableKind::Rt, defaultTable(TableKind::Tr), dir / "rt.dat").ok());
}
