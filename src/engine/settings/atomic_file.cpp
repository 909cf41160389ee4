#include "settings/atomic_file.h"

#include <cstdint>
#include <fstream>
#include <random>
#include <system_error>

namespace lettrica::settings {
namespace fs = std::filesystem;

std::string uniqueSuffix() {
    static thread_local std::mt19937_64 gen{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::uint64_t v = gen();
    std::string s(12, '0');
    for (char& c : s) {
        c = digits[v & 15];
        v >>= 4;
    }
    return s;
}

WriteResult writeFileAtomically(const fs::path& path, std::string_view bytes) {
    std::error_code ec;
    fs::path target = path;
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (ec) return {"cannot resolve link " + path.string() + ": " + ec.message()};
        target = resolved;
    }

    fs::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    const fs::path temp = dir / ("." + target.filename().string() + ".tmp-" + uniqueSuffix());

    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return {"cannot create " + temp.string()};
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temp, ec);
            return {"cannot write " + temp.string()};
        }
        out.close();
        if (out.fail()) {
            fs::remove(temp, ec);
            return {"cannot write " + temp.string()};
        }
    }

    // Keep the permissions the user gave the old file.
    const fs::file_status old = fs::status(target, ec);
    if (!ec && fs::is_regular_file(old)) fs::permissions(temp, old.permissions(), ec);

    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return {"cannot replace " + target.string() + ": " + ec.message()};
    }
    return {};
}

}  // namespace lettrica::settings
