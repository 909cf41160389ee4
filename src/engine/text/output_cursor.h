#pragma once
// Appending to a string through a raw pointer, for the converters' hot loops.
// The string grows a block at a time by the block's worst case; since each
// block starts where the last one really ended, std::string's zero-filling
// touches about as many characters as are written, and in cache, instead of
// the worst case of the whole input.

#include <cstddef>

namespace lettrica::text {

template <class Str>
class OutputCursor {
public:
    using Ch = typename Str::value_type;
    static constexpr std::size_t kBlock = 4096;  // input characters per block

    explicit OutputCursor(Str& out) : out_(out), used_(out.size()) {}
    OutputCursor(const OutputCursor&) = delete;
    OutputCursor& operator=(const OutputCursor&) = delete;
    ~OutputCursor() { out_.resize(used_); }

    // Room for `count` more characters after what is written; the pointer
    // stays valid until the next reserve().
    Ch* reserve(std::size_t count) {
        out_.resize(used_ + count);
        return out_.data() + used_;
    }
    // Everything before `end` is written.
    void commit(const Ch* end) { used_ = static_cast<std::size_t>(end - out_.data()); }

private:
    Str& out_;
    std::size_t used_;
};

}  // namespace lettrica::text
