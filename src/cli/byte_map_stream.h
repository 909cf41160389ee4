#pragma once
// Raw bytes through a one-to-one byte map: read, map in place, write. No
// decoding and no second buffer; recode and case on Windows-1251 use it.

#include <cstddef>

#include "cli/io.h"
#include "textops/byte_map.h"

namespace lettrica::cli {

// Small enough that a chunk stays in the cache between the read, the
// mapping and the write.
constexpr std::size_t kByteMapChunk = 256 * 1024;

void streamByteMap(Input& input, const textops::ByteMap& map, Output& output);

}  // namespace lettrica::cli
