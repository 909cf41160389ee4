#pragma once
// Runs the real lettrica-cli through the shell in a scratch directory, with
// files written and read back byte for byte.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace clitest {

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

enum class Stdin { Null, File, Pipe };

// Shell quoting for one word.
std::string quote(std::string_view word);

// UTF-8 literal -> Windows-1251 bytes (inputs and expected outputs of tests).
std::string cp1251(std::string_view utf8);

std::string repeat(std::string_view unit, std::size_t times);

class CliTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path path(const std::string& name) const { return work_ / name; }
    void write(const std::string& name, std::string_view bytes) const;
    std::string read(const std::string& name) const;
    // Names in the work directory, sorted.
    std::vector<std::string> listing() const;

    // `args` is pasted into the shell command as it is (quote what needs it);
    // `prefix` goes before the program (such as "umask 027;").
    Result run(const std::string& args, std::string_view input = {}, Stdin mode = Stdin::Null,
               const std::string& prefix = {}) const;

private:
    std::filesystem::path root_, work_, capture_;
};

}  // namespace clitest
