#pragma once
// Input and output for the commands: files or the standard streams, read and
// written in bounded chunks whatever the size. Output to a file is atomic: it
// goes to a temporary file beside the target and replaces it only when the
// whole command succeeded.

#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "cli/args.h"
#include "fileio/atomic_file.h"
#include "convert/converter.h"
#include "convert/stream_conversion.h"

namespace lettrica::cli {

// A file that cannot be read or written: exit 1, naming the file and the reason.
struct IoError : std::runtime_error {
    IoError(const std::string& file, const std::string& reason)
        : std::runtime_error(file + ": " + reason), file(file), reason(reason) {}
    std::string file;
    std::string reason;
};

// The size of one read; the stream driver's buffers stay a small multiple of it.
constexpr std::size_t kChunkSize = 256 << 10;

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
    // True when the whole input is valid UTF-8. A file is read up to the
    // first byte that is not and rewound. A pipe cannot be rewound: what was
    // read ahead is kept (the first chunk in memory, the rest in an unnamed
    // temporary file) and read() serves it again first, so memory stays
    // bounded whatever the size.
    bool isUtf8();
    // True once isUtf8() has found the whole input valid and what read()
    // serves can no longer change: it was kept from a pipe. A file may
    // change between the check and its reading, so its pieces are checked
    // again as they are converted.
    bool knownUtf8() const { return utf8_ == 1 && kept_; }
    // A regular file goes back to where reading began; false for anything
    // that cannot be read again.
    bool rewind();
    // The bytes a regular file holds from where reading began, as it is
    // now; 0 for anything else.
    std::size_t sizeLeft() const;
    // Up to `size` bytes from the start, left in place for read() (a file
    // is read where it is; from a pipe they are kept like isUtf8()'s). A
    // pipe is read no further once `told` says the bytes so far answer the
    // caller's question: one that pauses early is not waited for.
    std::string peek(std::size_t size, const std::function<bool(std::string_view)>& told = {});

private:
    std::size_t readSource(char* buffer, std::size_t size);
    void keep(const char* bytes, std::size_t size);

    std::string name_;
    int fd_ = -1;
    bool owned_ = false;
    bool eof_ = false;        // the source has ended (a terminal is not read again)
    int utf8_ = -1;           // isUtf8(): -1 not asked yet, else its answer
    std::string head_;        // read ahead from a pipe, served first
    std::size_t headPos_ = 0;
    int spool_ = -1;          // read ahead beyond head_, served next
    bool kept_ = false;       // isUtf8() kept what it read ahead (a pipe)
    off_t start_ = -1;        // where a regular file's reading began
};

class Output {
public:
    // "-" is the standard output. A device or a FIFO is written to as it
    // is; a file is replaced through the atomic writer (a link followed,
    // mode, owner and group kept, a read-only file refused, nothing left
    // behind by a failure or a signal).
    explicit Output(const std::string& path);
    ~Output();  // discards the new file unless commit() ran
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void write(std::string_view bytes);
    // Writes what was gathered: the reader waits for it.
    void flush() { flushBuffer(); }
    // Flushes and, for a file, moves the new file into place.
    void commit();

    // The bytes given to write() so far.
    std::size_t written() const { return written_; }
    // A file is written to a temporary one first, and a file the standard
    // output is gets written at its end: what went there can be taken
    // back, back to a position written() once gave.
    bool canTakeBack() const { return file_ != nullptr || stdoutStart_ >= 0; }
    void takeBack(std::size_t position);

private:
    void flushBuffer();
    void writeAll(const char* bytes, std::size_t size);
    std::string shownName() const;

    std::string path_;  // as given, for messages; empty for the standard output
    int fd_ = -1;       // the standard output, a device or a FIFO
    off_t filePos_ = -1;      // where the next write lands when fd_ is a regular file
    bool allocate_ = false;   // its blocks are allocated ahead of large writes
    off_t stdoutStart_ = -1;  // where it ended when this run began writing there
    std::unique_ptr<settings::AtomicFileWriter> file_;
    std::string buffer_;  // small writes are gathered here
    std::size_t written_ = 0;
};

// The OUT of "-o OUT" (or "--output OUT"), "-" when absent; an empty name is
// a usage error, not the standard output.
std::string outputOption(const Args& args);

using Encoding = translit::StreamEncoding;

// "auto", "cp1251" or "utf-8" (already validated) for this input.
Encoding resolveEncoding(const std::string& option, Input& input);

// Streams the input through the converter into the output, in the given encoding.
void streamConvert(Input& input, Encoding encoding, const translit::Converter& converter, Output& output);

// The same in the encoding "auto" finds. Where the input can be read again
// and the output taken back, in one pass: as UTF-8 while that holds, and
// from the start as Windows-1251 once a byte shows it does not. Else the
// whole input is checked first.
void streamConvertAuto(Input& input, const translit::Converter& converter, Output& output);

}  // namespace lettrica::cli
