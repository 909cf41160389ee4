#pragma once
// Input and output for the commands: files or the standard streams, read and
// written in bounded chunks whatever the size. Output to a file is atomic: it
// goes to a temporary file beside the target and replaces it only when the
// whole command succeeded.

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "translit/converter.h"

namespace lettrica::cli {

// A file that cannot be read or written: exit 1, naming the file and the reason.
struct IoError : std::runtime_error {
    IoError(const std::string& file, const std::string& reason)
        : std::runtime_error(file + ": " + reason), file(file), reason(reason) {}
    std::string file;
    std::string reason;
};

constexpr std::size_t kChunkSize = 1 << 20;

class Input {
public:
    // "-" is the standard input.
    explicit Input(const std::string& path);
    ~Input();
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    const std::string& name() const { return name_; }
    // Reads up to `size` bytes; 0 at the end.
    std::size_t read(char* buffer, std::size_t size);
    // True when the whole input is valid UTF-8. The standard input is spooled
    // to a temporary file for this, so memory stays bounded; the input is
    // rewound afterwards.
    bool isUtf8();

private:
    void rewind();
    std::string name_;
    std::FILE* file_ = nullptr;
    bool owned_ = false;
};

class Output {
public:
    // An empty path or "-" is the standard output.
    explicit Output(const std::string& path);
    ~Output();  // discards the temporary file unless commit() ran
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void write(std::string_view bytes);
    // Flushes and, for a file, moves the temporary file into place.
    void commit();

private:
    std::string path_;
    std::string tempPath_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

enum class Encoding { Cp1251, Utf8 };

// "auto", "cp1251" or "utf-8" (already validated) for this input.
Encoding resolveEncoding(const std::string& option, Input& input);

// Streams the input through the converter into the output, in the given encoding.
void streamConvert(Input& input, Encoding encoding, const translit::Converter& converter, Output& output);

}  // namespace lettrica::cli
