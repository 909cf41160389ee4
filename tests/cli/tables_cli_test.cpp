// lettrica-cli to-latin / to-cyrillic --table user and --tables DIR: the
// user tables read from the settings directory or a given one.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fileio/atomic_file.h"
#include "tables/table_file.h"
#include "tables/user_table.h"
#include "text/cp1251.h"
#include "text/utf8.h"

namespace fs = std::filesystem;
using namespace lettrica;

namespace {

std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string slurpFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void spill(const fs::path& p, std::string_view bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string win(std::string_view utf8) { return text::encodeCp1251(text::decodeUtf8(utf8)).bytes; }

class TablesCli : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("lettrica-tables-cli-" + settings::uniqueSuffix());
        home_ = root_ / "home";
        fs::create_directories(home_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    struct Run {
        int code;
        std::string out;
        std::string err;
    };
    // Runs the CLI with LETTRICA_HOME set to the test's own settings
    // directory. A run that waits for ever (on a FIFO) is ended, so that the
    // test fails instead of hanging.
    Run run(const std::string& args, std::string_view input) const {
        spill(root_ / "in", input);
        const std::string cmd = "LETTRICA_HOME=" + shellQuote(home_.string()) + " timeout 60 " + shellQuote(LETTRICA_CLI) +
                                " " + args + " < " + shellQuote((root_ / "in").string()) + " > " +
                                shellQuote((root_ / "out").string()) + " 2> " +
                                shellQuote((root_ / "err").string());
        const int status = std::system(cmd.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurpFile(root_ / "out"), slurpFile(root_ / "err")};
    }

    fs::path root_, home_;
};

tables::Table edited(tables::TableKind kind, std::size_t index, std::string entry) {
    tables::Table t = tables::defaultTable(kind);
    t[index] = std::move(entry);
    return t;
}

}  // namespace

TEST_F(TablesCli, DefaultsWhenNoFiles) {
    Run r = run("to-latin --table user", "Жук и Ящик, John\n");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "}|{yk u 9ILLLuk, John\n");
    EXPECT_EQ(r.err, "");
    r = run("to-cyrillic --table user", "John, Xerox, Жук\n");
    EXPECT_EQ(r.out, "Джохн, Ксерокс, Жук\n");
    // Windows-1251 in, Windows-1251 out.
    EXPECT_EQ(run("to-cyrillic --table user --encoding cp1251", "John\r\n").out, win("Джохн\r\n"));
    // Nothing is created in the settings directory.
    EXPECT_TRUE(fs::is_empty(home_));
}

TEST_F(TablesCli, EditedTablesFromTheSettingsDirectory) {
    // rt.dat as the program writes it (ж -> "zh"); tr.dat with LF-only line
    // ends and an empty entry for h, both accepted.
    ASSERT_TRUE(tables::writeTableFile(tables::TableKind::Rt, edited(tables::TableKind::Rt, 15, "zh"),
                                       home_ / "rt.dat").ok());
    std::string tr;
    for (const std::string& e : edited(tables::TableKind::Tr, 15, "")) tr += e + "\n";
    spill(home_ / "tr.dat", tr);

    EXPECT_EQ(run("to-latin --table user", "Жук жук\n").out, "}|{yk zhyk\n");
    EXPECT_EQ(run("to-cyrillic --table user", "John\n").out, "Джон\n");
    // The files are read, never rewritten.
    EXPECT_EQ(slurpFile(home_ / "tr.dat"), tr);
}

TEST_F(TablesCli, RejectedFileGivesDefaultsAndStaysInPlace) {
    std::string shortFile;
    for (int i = 0; i < 51; ++i) shortFile += "q\r\n";
    spill(home_ / "tr.dat", shortFile);
    Run r = run("to-cyrillic --table user", "John\n");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "Джохн\n");
    EXPECT_NE(r.err.find("tr.dat"), std::string::npos) << r.err;
    EXPECT_EQ(slurpFile(home_ / "tr.dat"), shortFile);
}

// A table file that is not a regular file is taken as missing (a FIFO is
// not waited for) and left where it is.
TEST_F(TablesCli, TableThatIsNotAFileIsTakenAsMissing) {
    ASSERT_EQ(::mkfifo((home_ / "tr.dat").c_str(), 0644), 0);
    fs::create_directory(home_ / "rt.dat");
    Run r = run("to-cyrillic --table user", "John\n");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "Джохн\n");
    EXPECT_NE(r.err.find("tr.dat: is a FIFO"), std::string::npos) << r.err;
    r = run("to-latin --table user", "Жук\n");
    EXPECT_EQ(r.out, "}|{yk\n");
    EXPECT_NE(r.err.find("rt.dat: is a directory"), std::string::npos) << r.err;
    EXPECT_EQ(fs::status(home_ / "tr.dat").type(), fs::file_type::fifo);
}

// Where both programs look for their files: LETTRICA_HOME; else beside the
// executable when lettrica.ini is there (a portable copy); else the XDG
// configuration directory. A copy of the real binary in a directory of its
// own shows each step.
TEST_F(TablesCli, SettingsDirectoryRule) {
    const fs::path bin = root_ / "portable", config = root_ / "config", home = root_ / "user";
    fs::create_directories(bin);
    fs::copy_file(LETTRICA_CLI, bin / "lettrica-cli");
    // tr.dat in each place turns J into a different letter.
    const std::pair<fs::path, const char*> places[] = {
        {bin, "Ж"}, {config / "lettrica", "Ш"}, {home / ".config" / "lettrica", "Щ"}, {home_, "Ч"}};
    for (const auto& [dir, letter] : places) {
        fs::create_directories(dir);
        ASSERT_TRUE(tables::writeTableFile(tables::TableKind::Tr, edited(tables::TableKind::Tr, 18, win(letter)),
                                           dir / "tr.dat").ok());
    }
    auto convert = [&](const std::string& env) {
        spill(root_ / "in", "J");
        const std::string cmd = "env -u LETTRICA_HOME -u XDG_CONFIG_HOME " + env + " " +
                                shellQuote((bin / "lettrica-cli").string()) +
                                " to-cyrillic --table user --encoding cp1251 < " + shellQuote((root_ / "in").string());
        std::string out;
        if (FILE* p = ::popen(cmd.c_str(), "r")) {
            char buf[64];
            for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
            ::pclose(p);
        }
        return text::encodeUtf8(text::decodeCp1251(out));
    };
    const std::string xdg = "XDG_CONFIG_HOME=" + shellQuote(config.string());
    const std::string userHome = "HOME=" + shellQuote(home.string());
    // No lettrica.ini beside the executable: a writable directory is not enough.
    EXPECT_EQ(convert(xdg + " " + userHome), "Ш");
    EXPECT_EQ(convert(userHome), "Щ");
    spill(bin / "lettrica.ini", "[Main]\r\n");
    EXPECT_EQ(convert(xdg + " " + userHome), "Ж");
    EXPECT_EQ(convert("LETTRICA_HOME=" + shellQuote(home_.string()) + " " + xdg), "Ч");
}

TEST_F(TablesCli, TablesOption) {
    const fs::path other = root_ / "other dir";
    fs::create_directories(other);
    ASSERT_TRUE(tables::writeTableFile(tables::TableKind::Rt, edited(tables::TableKind::Rt, 14, "ZH"),
                                       other / "rt.dat").ok());
    const std::string dir = shellQuote(other.string());
    EXPECT_EQ(run("to-latin --tables " + dir, "Жук\n").out, "ZHyk\n");
    EXPECT_EQ(run("to-latin --table user --tables " + dir, "Жук\n").out, "ZHyk\n");
    // The settings directory is not consulted.
    EXPECT_EQ(run("to-latin --table user", "Жук\n").out, "}|{yk\n");
    // Missing tr.dat in DIR: the defaults.
    EXPECT_EQ(run("to-cyrillic --tables " + dir, "John\n").out, "Джохн\n");

    Run r = run("to-latin --tables " + shellQuote((root_ / "nope").string()), "x\n");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("nope"), std::string::npos);
    EXPECT_EQ(run("to-latin --table gost --tables " + dir, "x\n").code, 2);
    EXPECT_EQ(run("to-latin --table custom", "x\n").code, 2);
}
