#include "translit/word_list_file.h"

#include <cstdlib>
#include <filesystem>

#include "settings/settings_dir.h"

namespace lettrica::translit {

namespace {
const char* overridePath() {
    const char* env = std::getenv("LETTRICA_WORDS");
    return env && *env ? env : nullptr;
}
}  // namespace

std::string findWordList() {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (const char* env = overridePath()) return fs::is_regular_file(env, ec) ? std::string(env) : std::string();
    const fs::path dir = settings::executableDir();
    if (dir.empty()) return {};
    for (const fs::path& p : {dir / "russian-words.txt", dir / ".." / "share" / "lettrica" / "russian-words.txt"})
        if (fs::is_regular_file(p, ec)) return p.string();
    return {};
}

std::string wordListName() {
    const char* env = overridePath();
    return env ? env : "russian-words.txt";
}

}  // namespace lettrica::translit
