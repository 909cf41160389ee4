#include "cli/byte_map_stream.h"

#include <vector>

namespace lettrica::cli {

void streamByteMap(Input& input, const textops::ByteMap& map, Output& output) {
    std::vector<char> buffer(kByteMapChunk);
    for (;;) {
        const std::size_t n = input.read(buffer.data(), buffer.size());
        if (n == 0) break;
        textops::mapBytes(map, buffer.data(), buffer.data(), n);
        output.write(std::string_view(buffer.data(), n));
    }
}

}  // namespace lettrica::cli
