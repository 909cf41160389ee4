// case: every letter to capitals or to small letters.

#include "cli/args.h"
#include "cli/byte_map_stream.h"
#include "cli/commands.h"
#include "cli/io.h"
#include "cli/rtf_document.h"
#include "textops/case_conversion.h"

namespace lettrica::cli {

int runCase(const std::vector<std::string>& argv) {
    Args args(argv, {"--encoding", "-o", "--output"}, {});
    const std::string encoding = args.choice("--encoding", {"auto", "cp1251", "utf-8"}, "auto");
    std::vector<std::string> files = args.operands();
    if (files.empty()) throw UsageError("upper or lower is needed");
    const std::string target = files.front();
    if (target != "upper" && target != "lower")
        throw UsageError("bad case '" + target + "' (expected upper|lower)");
    files.erase(files.begin());
    const textops::Case to = target == "upper" ? textops::Case::Upper : textops::Case::Lower;

    if (files.empty()) files.push_back("-");
    Output output(outputOption(args));
    for (const std::string& file : files) {
        Input input(file);
        if (convertIfRtf(input, files.size(), textops::caseConverter(to), output)) continue;
        // Windows-1251 is one byte per character: a plain byte map.
        if (resolveEncoding(encoding, input) == Encoding::Cp1251) streamByteMap(input, textops::caseMap(to), output);
        else streamConvert(input, Encoding::Utf8, textops::caseConverter(to), output);
    }
    output.commit();
    return 0;
}

}  // namespace lettrica::cli
