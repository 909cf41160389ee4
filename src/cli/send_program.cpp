// send runs in a program of its own, lettrica-send: it alone links the mail
// layer and Qt, whose loading would otherwise cost every conversion more
// time than converting a small file takes. lettrica-cli finds it beside
// itself (the build tree, a portable copy) or where the install puts it,
// and runs it in its own place, with the same arguments and streams.

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/commands.h"
#include "cli/io.h"
#include "settings/settings_dir.h"

namespace lettrica::cli {

int runSendProgram(const std::vector<std::string>& args) {
    namespace fs = std::filesystem;
    const fs::path dir = settings::executableDir();
    const fs::path places[] = {dir / "lettrica-send", dir / LETTRICA_SEND_FROM_BIN};
    for (const fs::path& program : places) {
        if (dir.empty() || ::access(program.c_str(), X_OK) != 0) continue;
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        throw IoError(program.string(), std::strerror(errno));
    }
    const fs::path installed = (dir / LETTRICA_SEND_FROM_BIN).parent_path().lexically_normal();
    throw IoError("lettrica-send", "not found beside lettrica-cli nor in " + installed.string() +
                                       "; the mail command runs there");
}

}  // namespace lettrica::cli
