#pragma once
// The commands of lettrica-cli. Each takes its own arguments (after the
// command name) and returns the exit code; usage errors are thrown as
// UsageError, unreadable or unwritable files as IoError.

#include <string>
#include <vector>

namespace lettrica::cli {

struct Command {
    const char* name;
    const char* usage;    // the usage line, after "lettrica-cli "
    const char* summary;  // one line for --help
    int (*run)(const std::vector<std::string>& args);
};

int runToLatin(const std::vector<std::string>& args);
int runToCyrillic(const std::vector<std::string>& args);
int runSystems(const std::vector<std::string>& args);
int runSend(const std::vector<std::string>& args);
int runCount(const std::vector<std::string>& args);
int runRecode(const std::vector<std::string>& args);
int runCase(const std::vector<std::string>& args);
int runFixEncoding(const std::vector<std::string>& args);
int runFixLayout(const std::vector<std::string>& args);

// All commands, in the order --help lists them.
const std::vector<Command>& commands();

// Runs lettrica-cli with its arguments (without the program name) and
// returns the exit code; what main() does, callable from tests.
int runCli(const std::vector<std::string>& args);

}  // namespace lettrica::cli
