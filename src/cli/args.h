#pragma once
// A small argument reader shared by the commands: options with values,
// flags, and the remaining operands. A usage error is reported as a
// UsageError carrying the message; main() prints it with the usage line and
// exits 2.

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace lettrica::cli {

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Args {
public:
    // `valued`: options that take a value (such as "--table", "-o");
    // `flags`: options that take none. "--opt=value" is accepted too; "--"
    // ends the options; "-" alone is an operand (standard input).
    Args(const std::vector<std::string>& argv, const std::set<std::string>& valued,
         const std::set<std::string>& flags);

    std::optional<std::string> value(const std::string& option) const;
    std::string value(const std::string& option, const std::string& fallback) const;
    bool flag(const std::string& option) const { return flags_.count(option) != 0; }
    const std::vector<std::string>& operands() const { return operands_; }

    // The value of `option` if it is one of `allowed`, `fallback` when absent;
    // anything else is a usage error naming the option and the value.
    std::string choice(const std::string& option, const std::vector<std::string>& allowed,
                       const std::string& fallback) const;

private:
    std::map<std::string, std::string> values_;
    std::set<std::string> flags_;
    std::vector<std::string> operands_;
};

}  // namespace lettrica::cli
