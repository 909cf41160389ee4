#include <string>
#include <vector>

#include "cli/commands.h"
#include "fileio/atomic_file.h"

int main(int argc, char** argv) {
    // An interrupted -o run leaves no temporary file behind.
    lettrica::settings::removeTemporariesOnSignals();
    std::vector<std::string> args(argv + 1, argv + argc);
    return lettrica::cli::runCli(args);
}
