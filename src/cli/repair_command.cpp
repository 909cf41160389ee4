// fix-encoding and fix-layout: repair text read in the wrong code page or
// typed in the wrong keyboard layout, one paragraph a line, UTF-8 in and out.
// With --explain, what was found in each line goes to the standard error, so
// that the standard output stays the text alone.

#include <cmath>
#include <cstdio>
#include <vector>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/io.h"
#include "repair/line_repair.h"

namespace lettrica::cli {

namespace {

std::string percent(double certainty) {
    const double p = certainty * 100;
    char buffer[16];
    if (p >= 99.95) return ">99.9%";
    std::snprintf(buffer, sizeof buffer, p >= 99 ? "%.1f%%" : "%.0f%%", p);
    return buffer;
}

void explain(const std::string& name, const repair::LineOutcome& o) {
    const std::string where = name + ":" + std::to_string(o.line) + (o.part ? " (part)" : "") + ": ";
    if (o.notUtf8) {
        std::fprintf(stderr, "%sleft as it is: not UTF-8\n", where.c_str());
    } else if (o.verdict && o.verdict->repaired) {
        std::fprintf(stderr, "%srepaired: %s (certainty %s)\n", where.c_str(), o.verdict->description().c_str(),
                     percent(o.verdict->certainty).c_str());
    } else if (o.verdict && o.verdict->doubtful) {
        std::fprintf(stderr, "%sleft alone in doubt: perhaps %s, but %s (certainty %s)\n", where.c_str(),
                     o.verdict->description().c_str(), o.verdict->doubt.c_str(), percent(o.verdict->certainty).c_str());
    }
}

int runRepair(const std::vector<std::string>& argv, repair::RepairKind kind) {
    Args args(argv, {"-o", "--output"}, {"--explain"});
    const bool explaining = args.flag("--explain");
    std::vector<std::string> files = args.operands();
    if (files.empty()) files.push_back("-");
    Output output(outputOption(args));
    std::vector<char> buffer(kChunkSize);
    std::string out;
    for (const std::string& file : files) {
        Input input(file);
        repair::LineRepair::Report report;
        if (explaining) report = [&](const repair::LineOutcome& o) { explain(input.name(), o); };
        repair::LineRepair repair(kind, report);
        for (;;) {
            const std::size_t n = input.read(buffer.data(), buffer.size());
            out.clear();
            if (n == 0) repair.finish(out);
            else repair.feed(std::string_view(buffer.data(), n), out);
            output.write(out);
            if (n == 0) break;
        }
        if (explaining)
            std::fprintf(stderr, "%s: repaired %zu of %zu lines\n", input.name().c_str(), repair.repaired(),
                         repair.lines());
    }
    output.commit();
    return 0;
}

}  // namespace

int runFixEncoding(const std::vector<std::string>& args) { return runRepair(args, repair::RepairKind::Encoding); }
int runFixLayout(const std::vector<std::string>& args) { return runRepair(args, repair::RepairKind::Layout); }

}  // namespace lettrica::cli
