// count: printable characters and total length of files or the standard
// input, one input per line, like wc.

#include <cinttypes>
#include <cstdio>
#include <vector>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/io.h"
#include "text/cp1251.h"
#include "text/utf8.h"
#include "text/volume.h"

namespace lettrica::cli {

namespace {

// Counts UTF-8 in pieces; an invalid byte is one Windows-1251 character, as
// the conversion commands read it, so nothing goes uncounted.
class Utf8VolumeCounter {
public:
    // False once an invalid sequence was met.
    bool valid() const { return valid_; }

    void add(std::string_view bytes, bool final) {
        pending_.append(bytes);
        std::u16string decoded;
        std::size_t used = 0;
        for (;;) {
            text::Utf8Check check = text::checkUtf8(std::string_view(pending_).substr(used));
            text::appendDecodedUtf8(std::string_view(pending_).substr(used, check.completePrefix), decoded);
            used += check.completePrefix;
            if (check.valid || used == pending_.size()) break;
            valid_ = false;
            decoded.push_back(text::cp1251ToUnicode(static_cast<unsigned char>(pending_[used])));
            ++used;
        }
        if (final && used < pending_.size()) {
            valid_ = false;  // ends inside a character
            text::appendDecodedCp1251(std::string_view(pending_).substr(used), decoded);
            used = pending_.size();
        }
        pending_.erase(0, used);
        counter_.add(decoded);
    }
    const text::Volume& volume() const { return counter_.volume(); }

private:
    std::string pending_;
    text::VolumeCounter counter_;
    bool valid_ = true;
};

// Both readings are counted in the one pass, so the standard input needs no
// spooling: with --encoding auto the UTF-8 figures stand if the whole input
// turned out to be valid UTF-8.
text::Volume countInput(Input& input, const std::string& encoding) {
    std::vector<char> buffer(kChunkSize);
    const bool wantCp1251 = encoding != "utf-8";
    const bool wantUtf8 = encoding != "cp1251";
    text::VolumeCounter cp1251;
    Utf8VolumeCounter utf8;
    for (;;) {
        const std::size_t n = input.read(buffer.data(), buffer.size());
        const std::string_view chunk(buffer.data(), n);
        if (wantCp1251) cp1251.addCp1251(chunk);
        if (wantUtf8 && (encoding == "utf-8" || utf8.valid())) utf8.add(chunk, n == 0);
        if (n == 0) break;
    }
    if (encoding == "cp1251") return cp1251.volume();
    if (encoding == "utf-8") return utf8.volume();
    return utf8.valid() ? utf8.volume() : cp1251.volume();
}

void printLine(const text::Volume& v, const std::string& name) {
    std::printf("%7" PRIu64 " %7" PRIu64 "%s%s\n", v.printable, v.total, name.empty() ? "" : " ", name.c_str());
}

}  // namespace

int runCount(const std::vector<std::string>& argv) {
    Args args(argv, {"--encoding"}, {});
    const std::string encoding = args.choice("--encoding", {"auto", "cp1251", "utf-8"}, "auto");
    std::vector<std::string> files = args.operands();
    const bool implicitStdin = files.empty();
    if (implicitStdin) files.push_back("-");

    int status = 0;
    text::Volume sum;
    for (const std::string& file : files) {
        try {
            Input input(file);
            const text::Volume v = countInput(input, encoding);
            printLine(v, implicitStdin ? std::string() : file);
            sum.printable += v.printable;
            sum.total += v.total;
        } catch (const IoError& e) {
            // Like wc: report the file and go on with the others.
            std::fflush(stdout);
            std::fprintf(stderr, "lettrica-cli: %s\n", e.what());
            status = 1;
        }
    }
    if (files.size() > 1) printLine(sum, "total");
    if (std::fflush(stdout) != 0) throw IoError("standard output", "write error");
    return status;
}

}  // namespace lettrica::cli
