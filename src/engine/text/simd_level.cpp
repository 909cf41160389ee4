#include "text/simd_level.h"

#include <cstdlib>
#include <string_view>

namespace lettrica::text {

namespace {
SimdLevel capFromEnvironment() {
    const char* value = std::getenv("LETTRICA_SIMD");
    const std::string_view cap = value ? value : "";
    if (cap == "scalar") return SimdLevel::Scalar;
    if (cap == "avx2") return SimdLevel::Avx2;
    return SimdLevel::Avx512;
}
}  // namespace

SimdLevel simdCap() {
    static const SimdLevel cap = capFromEnvironment();
    return cap;
}

}  // namespace lettrica::text
