// to-latin and to-cyrillic: transliterate files or the standard input.

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/io.h"
#include "translit/cyrillic_to_latin.h"
#include "translit/latin_to_cyrillic.h"

namespace lettrica::cli {

namespace {

enum class Direction { ToLatin, ToCyrillic };

const translit::Converter& builtinConverter(Direction direction, const std::string& table) {
    if (direction == Direction::ToLatin)
        return table == "gost" ? static_cast<const translit::Converter&>(translit::gostCyrillicToLatin())
                               : translit::angloCyrillicToLatin();
    return table == "gost" ? static_cast<const translit::Converter&>(translit::gostLatinToCyrillic())
                           : translit::angloLatinToCyrillic();
}

int runTranslit(Direction direction, const std::vector<std::string>& argv) {
    Args args(argv, {"--table", "--encoding", "-o", "--output"}, {});
    const std::string table = args.choice("--table", {"gost", "anglo"}, "anglo");
    const std::string encoding = args.choice("--encoding", {"auto", "cp1251", "utf-8"}, "auto");
    const translit::Converter& converter = builtinConverter(direction, table);

    std::vector<std::string> files = args.operands();
    if (files.empty()) files.push_back("-");
    Output output(args.value("-o", args.value("--output", "-")));
    for (const std::string& file : files) {
        Input input(file);
        streamConvert(input, resolveEncoding(encoding, input), converter, output);
    }
    output.commit();
    return 0;
}

}  // namespace

int runToLatin(const std::vector<std::string>& args) { return runTranslit(Direction::ToLatin, args); }
int runToCyrillic(const std::vector<std::string>& args) { return runTranslit(Direction::ToCyrillic, args); }

}  // namespace lettrica::cli
