#include "cli/args.h"

namespace lettrica::cli {

Args::Args(const std::vector<std::string>& argv, const std::set<std::string>& valued,
           const std::set<std::string>& flags) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (optionsEnded || a == "-" || a.empty() || a[0] != '-') {
            operands_.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = a, inlineValue;
        bool hasInline = false;
        if (auto eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = a.substr(0, eq);
            inlineValue = a.substr(eq + 1);
            hasInline = true;
        }
        if (valued.count(name)) {
            if (hasInline) {
                values_[name] = inlineValue;
            } else if (i + 1 < argv.size()) {
                values_[name] = argv[++i];
            } else {
                throw UsageError("option " + name + " needs a value");
            }
        } else if (flags.count(name) && !hasInline) {
            flags_.insert(name);
        } else {
            throw UsageError("unknown option " + a);
        }
    }
}

std::optional<std::string> Args::value(const std::string& option) const {
    auto it = values_.find(option);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::string Args::value(const std::string& option, const std::string& fallback) const {
    return value(option).value_or(fallback);
}

std::string Args::choice(const std::string& option, const std::vector<std::string>& allowed,
                         const std::string& fallback) const {
    auto v = value(option);
    if (!v) return fallback;
    for (const std::string& a : allowed)
        if (*v == a) return *v;
    std::string list;
    for (const std::string& a : allowed) list += (list.empty() ? "" : "|") + a;
    throw UsageError("bad value '" + *v + "' for " + option + " (expected " + list + ")");
}

}  // namespace lettrica::cli
