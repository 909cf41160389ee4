// The command table and the dispatch of lettrica-cli.

#include <cstdio>
#include <iostream>
#include <new>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/io.h"

namespace lettrica::cli {

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"to-latin", "to-latin [--table SYSTEM] [--tables DIR] [--encoding auto|cp1251|utf-8] [-o OUT] [FILE...]",
         "Rus -> Translit: Cyrillic to Latin", runToLatin},
        {"to-cyrillic", "to-cyrillic [--table SYSTEM] [--tables DIR] [--encoding auto|cp1251|utf-8] [-o OUT] [FILE...]",
         "Rus <- Translit: Latin to Cyrillic", runToCyrillic},
        {"systems", "systems", "the transliteration systems --table takes, how each reads back, what for", runSystems},
        {"send", "send --to ADDRESSES [--host H] [--port P] [--auth] [--login L] [--name N] [--from ADDR] [--timeout S] [--tls none|starttls|implicit] [FILE...]",
         "mail the text through an SMTP server (password in LETTRICA_SMTP_PASSWORD)", runSendProgram},
        {"count", "count [--encoding auto|cp1251|utf-8] [FILE...]",
         "printable characters and total length (a line break counts as two)", runCount},
        {"recode", "recode --from win|dos|koi --to win|dos|koi [-o OUT] [FILE...]", "Win/DOS/Koi recoding, byte for byte", runRecode},
        {"case", "case upper|lower [--encoding auto|cp1251|utf-8] [-o OUT] [FILE...]", "all letters to capitals or small letters", runCase},
        {"fix-encoding", "fix-encoding [--explain] [-o OUT] [FILE...]",
         "repair lines read in the wrong code page (UTF-8 text, a paragraph a line)", runFixEncoding},
        {"fix-layout", "fix-layout [--explain] [-o OUT] [FILE...]",
         "repair lines typed in the wrong keyboard layout (Russian / US)", runFixLayout},
    };
    return table;
}

namespace {

void printHelp(std::FILE* to) {
    std::fprintf(to,
                 "Usage: lettrica-cli COMMAND [OPTIONS] [FILE...]\n"
                 "Transliterates, recodes and counts Russian text; the engine of Lettrica.\n\n"
                 "Commands:\n");
    for (const Command& c : commands()) std::fprintf(to, "  %-12s %s\n", c.name, c.summary);
    std::fprintf(to, "\nUsage of each command:\n");
    for (const Command& c : commands()) std::fprintf(to, "  lettrica-cli %s\n", c.usage);
    std::fprintf(to,
                 "\nWith no FILE, or with -, the standard input is read; the output goes to the\n"
                 "standard output unless -o OUT is given (written atomically).\n"
                 "--encoding auto (the default) reads valid UTF-8 as UTF-8 and anything else\n"
                 "as Windows-1251, and writes the output in the input's encoding.\n"
                 "An RTF document (known by its content, whatever its name) goes through\n"
                 "to-latin, to-cyrillic, case and recode by its text, keeping its formatting,\n"
                 "and comes out as RTF; it is converted on its own, one FILE a run.\n"
                 "--table names a system (anglo by default): gost, anglo, user, or one of the\n"
                 "standards that lettrica-cli systems lists (icao-doc-9303, wikipedia, ...).\n"
                 "--table user converts by the user's own table, rt.dat for to-latin and tr.dat\n"
                 "for to-cyrillic, from the settings directory ($LETTRICA_HOME, else the\n"
                 "executable's directory when it holds lettrica.ini, else\n"
                 "$XDG_CONFIG_HOME/lettrica or ~/.config/lettrica) or from --tables DIR;\n"
                 "a missing or invalid file gives the default table.\n"
                 "fix-encoding and fix-layout read and write UTF-8, one paragraph a line;\n"
                 "a line that is right, or not clearly wrong, is written as it was. With\n"
                 "--explain, each line repaired (or left alone in doubt) is named on the\n"
                 "standard error with what was wrong and how sure the repair is.\n"
                 "Exit status: 0 success, 1 a file could not be read or written (or memory ran\n"
                 "out), 2 usage error.\n");
}

}  // namespace

int runCli(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::fprintf(stderr, "lettrica-cli: no command given\n");
        printHelp(stderr);
        return 2;
    }
    const std::string& name = args[0];
    if (name == "--help" || name == "-h" || name == "help") {
        printHelp(stdout);
        return 0;
    }
    if (name == "--version") {
        std::printf("lettrica-cli %s\n", LETTRICA_VERSION);
        return 0;
    }
    if (const Command* c = findCommand(name)) return runCommand(*c, std::vector<std::string>(args.begin() + 1, args.end()));
    std::fprintf(stderr, "lettrica-cli: unknown command '%s'\n", name.c_str());
    printHelp(stderr);
    return 2;
}

const Command* findCommand(std::string_view name) {
    for (const Command& c : commands())
        if (name == c.name) return &c;
    return nullptr;
}

int runCommand(const Command& c, const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            std::printf("Usage: lettrica-cli %s\n", c.usage);
            return 0;
        }
    }
    try {
        return c.run(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "lettrica-cli %s: %s\nUsage: lettrica-cli %s\n", c.name, e.what(), c.usage);
        return 2;
    } catch (const IoError& e) {
        std::fprintf(stderr, "lettrica-cli: %s\n", e.what());
        return 1;
    } catch (const std::bad_alloc&) {
        // Whatever was being written is discarded as for any failure.
        std::fprintf(stderr, "lettrica-cli %s: not enough memory for this input\n", c.name);
        return 1;
    }
}

}  // namespace lettrica::cli
