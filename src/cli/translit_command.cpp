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
#include "text/utf8.h"
#include "translit/registry.h"
#include "translit/word_list_file.h"

namespace lettrica::cli {

namespace {

enum class Direction { ToLatin, ToCyrillic };

std::shared_ptr<const translit::Converter> systemConverter(Direction direction, const translit::SystemInfo& system) {
    if (direction == Direction::ToLatin) return translit::toLatinConverter(system);
    std::string words;
    if (system.readBack == translit::ReadBack::Words) {
        words = translit::findWordList();
        if (words.empty())
            std::fprintf(stderr, "lettrica-cli: warning: the Russian word list (%s) is missing; %s is read back letter by letter\n",
                         translit::wordListName().c_str(), system.name.c_str());
    }
    return translit::toCyrillicConverter(system, words);
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
    const std::string table = args.value("--table", tablesDir ? "user" : "anglo");
    const translit::SystemInfo* system = translit::findSystem(table);
    if (!system) throw UsageError("unknown --table '" + table + "' (lettrica-cli systems lists them)");
    if (tablesDir && !system->userTables) throw UsageError("--tables goes with --table user");
    const std::string encoding = args.choice("--encoding", {"auto", "cp1251", "utf-8"}, "auto");
    const std::string outPath = outputOption(args);
    std::optional<translit::CharMapConverter> user;
    std::shared_ptr<const translit::Converter> builtin;
    if (system->userTables) user.emplace(userConverter(direction, tablesDir));
    else builtin = systemConverter(direction, *system);
    const translit::Converter& converter = user ? *user : *builtin;

    std::vector<std::string> files = args.operands();
    if (files.empty()) files.push_back("-");
    Output output(outPath);
    for (const std::string& file : files) {
        Input input(file);
        if (convertIfRtf(input, files.size(), converter, output)) continue;
        try {
            if (encoding == "auto") streamConvertAuto(input, converter, output);
            else streamConvert(input, resolveEncoding(encoding, input), converter, output);
        } catch (const translit::UnencodableOutput& e) {
            std::string letter;
            const char16_t c = static_cast<char16_t>(e.character);
            text::appendEncodedUtf8(std::u16string_view(&c, 1), letter);
            throw IoError(input.name(), "the text is Windows-1251, which has no \"" + letter + "\" that " +
                                            system->name + " writes; give it as UTF-8 (iconv -f cp1251 -t utf-8)");
        }
    }
    output.commit();
    return 0;
}

}  // namespace

int runToLatin(const std::vector<std::string>& args) { return runTranslit(Direction::ToLatin, args); }
int runToCyrillic(const std::vector<std::string>& args) { return runTranslit(Direction::ToCyrillic, args); }

int runSystems(const std::vector<std::string>& argv) {
    Args args(argv, {}, {});
    if (!args.operands().empty()) throw UsageError("systems takes no arguments");
    std::printf("%-16s %-9s %s\n", "NAME", "BACK", "FOR");
    for (const translit::SystemInfo& s : translit::systems()) {
        const char* back = s.readBack == translit::ReadBack::Exact   ? "exact"
                           : s.readBack == translit::ReadBack::Words ? "by words"
                                                                      : "table";
        std::printf("%-16s %-9s %s\n", s.name.c_str(), back, s.purpose.c_str());
        for (const std::string& a : s.aliases) std::printf("%-16s %-9s the same as %s\n", a.c_str(), back, s.name.c_str());
    }
    return 0;
}

}  // namespace lettrica::cli
