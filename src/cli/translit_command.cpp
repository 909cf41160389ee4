// to-latin and to-cyrillic: transliterate files or the standard input.

#include <cstdio>
#include <filesystem>
#include <optional>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/io.h"
#include "cli/rtf_document.h"
#include "settings/settings_dir.h"
#include "tables/table_file.h"
#include "tables/user_table_converter.h"
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

// The user table of this direction, read as the desktop program reads it at
// start: the defaults when the file is missing or rejected. Unlike the
// program, a rejected file is left in place (a conversion changes no
// settings) and named in a warning.
translit::CharMapConverter userConverter(Direction direction, const std::optional<std::string>& dirOption) {
    namespace fs = std::filesystem;
    const tables::TableKind kind = direction == Direction::ToLatin ? tables::TableKind::Rt : tables::TableKind::Tr;
    fs::path dir = settings::settingsDir();
    if (dirOption) {
        dir = *dirOption;
        std::error_code ec;
        if (!fs::is_directory(dir, ec)) throw IoError(*dirOption, "no such directory");
    }
    const fs::path file = dir / tables::fileName(kind);
    tables::LoadResult loaded = tables::readTableFile(kind, file);
    if (loaded.accepted()) return tables::makeUserTableConverter(kind, loaded.entries);
    if (loaded.status != tables::LoadStatus::Missing)
        std::fprintf(stderr, "lettrica-cli: warning: %s (in %s); using the default table\n", loaded.error.c_str(),
                     dir.string().c_str());
    return tables::makeUserTableConverter(kind, tables::defaultTable(kind));
}

int runTranslit(Direction direction, const std::vector<std::string>& argv) {
    Args args(argv, {"--table", "--tables", "--encoding", "-o", "--output"}, {});
    const std::optional<std::string> tablesDir = args.value("--tables");
    const std::string table = args.choice("--table", {"gost", "anglo", "user"}, tablesDir ? "user" : "anglo");
    if (tablesDir && table != "user") throw UsageError("--tables goes with --table user");
    const std::string encoding = args.choice("--encoding", {"auto", "cp1251", "utf-8"}, "auto");
    const std::string outPath = outputOption(args);
    std::optional<translit::CharMapConverter> user;
    if (table == "user") user.emplace(userConverter(direction, tablesDir));
    const translit::Converter& converter = user ? *user : builtinConverter(direction, table);

    std::vector<std::string> files = args.operands();
    if (files.empty()) files.push_back("-");
    Output output(outPath);
    for (const std::string& file : files) {
        Input input(file);
        if (convertIfRtf(input, files.size(), converter, output)) continue;
        if (encoding == "auto") streamConvertAuto(input, converter, output);
        else streamConvert(input, resolveEncoding(encoding, input), converter, output);
    }
    output.commit();
    return 0;
}

}  // namespace

int runToLatin(const std::vector<std::string>& args) { return runTranslit(Direction::ToLatin, args); }
int runToCyrillic(const std::vector<std::string>& args) { return runTranslit(Direction::ToCyrillic, args); }

}  // namespace lettrica::cli
