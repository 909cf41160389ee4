// recode: byte-for-byte recoding between Windows-1251, DOS 866 and KOI8-R.
// The input is taken as raw bytes, never decoded: that is the point of it.
// An RTF document is the exception: its text is recoded, not its markup.

#include "cli/args.h"
#include "cli/byte_map_stream.h"
#include "cli/commands.h"
#include "cli/io.h"
#include "cli/rtf_document.h"
#include "textops/recoding.h"

namespace lettrica::cli {

int runRecode(const std::vector<std::string>& argv) {
    Args args(argv, {"--from", "--to", "-o", "--output"}, {});
    const std::string from = args.choice("--from", {"win", "dos", "koi"}, "");
    const std::string to = args.choice("--to", {"win", "dos", "koi"}, "");
    if (from.empty() || to.empty()) throw UsageError("both --from and --to are needed");
    auto direction = textops::directionBetween(*textops::codePageNamed(from), *textops::codePageNamed(to));
    if (!direction) throw UsageError("--from and --to name the same code page (" + from + ")");
    const textops::ByteMap& map = textops::recodingMap(*direction);

    std::vector<std::string> files = args.operands();
    if (files.empty()) files.push_back("-");
    Output output(outputOption(args));
    for (const std::string& file : files) {
        Input input(file);
        if (convertIfRtf(input, files.size(), textops::recodingConverter(*direction), output)) continue;
        streamByteMap(input, map, output);
    }
    output.commit();
    return 0;
}

}  // namespace lettrica::cli
