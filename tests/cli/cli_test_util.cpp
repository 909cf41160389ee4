#include "cli_test_util.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include <sys/wait.h>

#include "text/cp1251.h"
#include "text/utf8.h"

namespace clitest {

namespace fs = std::filesystem;

std::string quote(std::string_view word) {
    std::string q = "'";
    for (char c : word) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

std::string cp1251(std::string_view utf8) {
    auto enc = lettrica::text::encodeCp1251(lettrica::text::decodeUtf8(utf8));
    EXPECT_TRUE(enc.ok()) << utf8;
    return enc.bytes;
}

std::string repeat(std::string_view unit, std::size_t times) {
    std::string s;
    s.reserve(unit.size() * times);
    for (std::size_t i = 0; i < times; ++i) s += unit;
    return s;
}

void CliTest::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "lettrica-cli-test.XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    work_ = root_ / "work";
    capture_ = root_ / "capture";
    fs::create_directories(work_);
    fs::create_directories(capture_);
}

void CliTest::TearDown() {
    std::error_code ec;
    fs::remove_all(root_, ec);
}

void CliTest::write(const std::string& name, std::string_view bytes) const {
    std::ofstream f(path(name), std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(f.good()) << name;
}

namespace {
std::string slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}
}  // namespace

std::string CliTest::read(const std::string& name) const { return slurp(path(name)); }

std::vector<std::string> CliTest::listing() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(work_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

Result CliTest::run(const std::string& args, std::string_view input, Stdin mode, const std::string& prefix) const {
    const fs::path in = capture_ / "stdin", out = capture_ / "stdout", err = capture_ / "stderr";
    {
        std::ofstream f(in, std::ios::binary | std::ios::trunc);
        f.write(input.data(), static_cast<std::streamsize>(input.size()));
    }
    std::ostringstream cmd;
    cmd << "cd " << quote(work_.string()) << " && " << prefix << ' ';
    if (mode == Stdin::Pipe) cmd << "cat " << quote(in.string()) << " | ";
    // Braces, so that a redirection inside `args` wins over the capture.
    cmd << "{ " << quote(LETTRICA_CLI) << ' ' << args << "; }";
    if (mode == Stdin::File) cmd << " < " << quote(in.string());
    if (mode == Stdin::Null) cmd << " < /dev/null";
    cmd << " > " << quote(out.string()) << " 2> " << quote(err.string());
    int status = std::system(cmd.str().c_str());
    Result r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
}

}  // namespace clitest
