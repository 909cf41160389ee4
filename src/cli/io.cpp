#include "cli/io.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "text/cp1251.h"
#include "text/utf8.h"

namespace lettrica::cli {

namespace {
std::string errnoText() { return std::strerror(errno); }
}

Input::Input(const std::string& path) : name_(path == "-" ? "standard input" : path) {
    if (path == "-") {
        file_ = stdin;
        return;
    }
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw IoError(path, "is a directory");
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) throw IoError(path, errnoText());
    owned_ = true;
}

Input::~Input() {
    if (owned_ && file_) std::fclose(file_);
}

std::size_t Input::read(char* buffer, std::size_t size) {
    std::size_t n = std::fread(buffer, 1, size, file_);
    if (n == 0 && std::ferror(file_)) throw IoError(name_, errnoText());
    return n;
}

void Input::rewind() {
    if (std::fseek(file_, 0, SEEK_SET) != 0) throw IoError(name_, errnoText());
}

bool Input::isUtf8() {
    // A pipe cannot be read twice: keep a copy in an unnamed temporary file.
    const bool seekable = std::fseek(file_, 0, SEEK_CUR) == 0;
    std::FILE* spool = nullptr;
    if (!seekable) {
        spool = std::tmpfile();
        if (!spool) throw IoError(name_, "cannot create a temporary file: " + errnoText());
    }
    std::vector<char> buffer(kChunkSize);
    std::string carry;
    bool valid = true;
    for (;;) {
        std::size_t n = read(buffer.data(), buffer.size());
        if (n == 0) break;
        if (spool && std::fwrite(buffer.data(), 1, n, spool) != n)
            throw IoError(name_, "cannot spool to a temporary file: " + errnoText());
        if (!valid) continue;
        carry.append(buffer.data(), n);
        text::Utf8Check check = text::checkUtf8(carry);
        if (!check.valid) valid = false;
        carry.erase(0, check.completePrefix);
    }
    if (!carry.empty()) valid = false;  // ends inside a character
    if (spool) {
        if (owned_) std::fclose(file_);
        file_ = spool;
        owned_ = true;
    }
    rewind();
    return valid;
}

Output::Output(const std::string& path) : path_(path == "-" ? "" : path) {
    if (path_.empty()) {
        file_ = stdout;
        return;
    }
    std::filesystem::path target(path_);
    std::filesystem::path dir = target.parent_path().empty() ? "." : target.parent_path();
    std::string pattern = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) throw IoError(path_, errnoText());
    tempPath_ = name.data();
    // Keep the mode of a file that is replaced, else the usual one.
    struct stat st{};
    mode_t mode = 0666;
    if (::stat(path_.c_str(), &st) == 0) mode = st.st_mode & 07777;
    else {
        mode_t mask = umask(0);
        umask(mask);
        mode &= ~mask;
    }
    fchmod(fd, mode);
    file_ = fdopen(fd, "wb");
    if (!file_) {
        ::close(fd);
        ::unlink(tempPath_.c_str());
        throw IoError(path_, errnoText());
    }
}

Output::~Output() {
    if (!tempPath_.empty() && !committed_) {
        if (file_) std::fclose(file_);
        ::unlink(tempPath_.c_str());
    }
}

void Output::write(std::string_view bytes) {
    if (bytes.empty()) return;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
        throw IoError(path_.empty() ? "standard output" : path_, errnoText());
}

void Output::commit() {
    const std::string shown = path_.empty() ? "standard output" : path_;
    if (std::fflush(file_) != 0) throw IoError(shown, errnoText());
    if (tempPath_.empty()) return;
    if (::fsync(fileno(file_)) != 0 && errno != EINVAL) throw IoError(shown, errnoText());
    if (std::fclose(file_) != 0) {
        file_ = nullptr;
        throw IoError(shown, errnoText());
    }
    file_ = nullptr;
    if (std::rename(tempPath_.c_str(), path_.c_str()) != 0) throw IoError(shown, errnoText());
    committed_ = true;
}

Encoding resolveEncoding(const std::string& option, Input& input) {
    if (option == "cp1251") return Encoding::Cp1251;
    if (option == "utf-8") return Encoding::Utf8;
    return input.isUtf8() ? Encoding::Utf8 : Encoding::Cp1251;
}

void streamConvert(Input& input, Encoding encoding, const translit::Converter& converter, Output& output) {
    std::vector<char> buffer(kChunkSize);
    std::string pendingBytes;  // read, not yet converted
    std::u16string pendingText;
    std::u16string converted;
    std::string out;
    for (;;) {
        std::size_t n = input.read(buffer.data(), buffer.size());
        const bool final = n == 0;
        out.clear();
        if (encoding == Encoding::Cp1251) {
            std::string_view chunk(buffer.data(), n);
            if (!pendingBytes.empty()) {
                pendingBytes.append(chunk);
                chunk = pendingBytes;
            }
            std::size_t used = converter.convertBytes(chunk, final, out);
            std::string rest(chunk.substr(used));
            pendingBytes.swap(rest);
        } else {
            pendingBytes.append(buffer.data(), n);
            // Decode whole characters; an invalid sequence (only with a forced
            // --encoding utf-8) is taken byte by byte as Windows-1251, so
            // nothing is dropped.
            for (;;) {
                text::Utf8Check check = text::checkUtf8(pendingBytes);
                std::size_t whole = check.completePrefix;
                text::appendDecodedUtf8(std::string_view(pendingBytes).substr(0, whole), pendingText);
                pendingBytes.erase(0, whole);
                if (check.valid || pendingBytes.empty()) break;
                pendingText.push_back(text::cp1251ToUnicode(static_cast<unsigned char>(pendingBytes[0])));
                pendingBytes.erase(0, 1);
            }
            if (final && !pendingBytes.empty()) {
                text::appendDecodedCp1251(pendingBytes, pendingText);
                pendingBytes.clear();
            }
            converted.clear();
            std::size_t used = converter.convertText(pendingText, final && pendingBytes.empty(), converted);
            pendingText.erase(0, used);
            text::appendEncodedUtf8(converted, out);
        }
        output.write(out);
        if (final) break;
    }
}

}  // namespace lettrica::cli
