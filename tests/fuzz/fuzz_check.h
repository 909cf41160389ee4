#pragma once
// What the fuzz targets share: a check that stops the run with a message
// (libFuzzer keeps the input that did it), and a reader of the input's bytes.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace fuzz {

inline void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

// Takes choices off the front of the input; what is left is the text.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}

    // A number below `bound`, or 0 when the input has run out.
    std::size_t choose(std::size_t bound) {
        if (rest_.empty() || bound == 0) return 0;
        const auto byte = static_cast<unsigned char>(rest_.front());
        rest_.remove_prefix(1);
        return byte % bound;
    }
    std::string_view rest() const { return rest_; }

private:
    std::string_view rest_;
};

}  // namespace fuzz
