#pragma once
// Which vector instructions the engine's fast loops may use. Each loop still
// asks the processor for the features it needs; this only caps them, so that
// a benchmark or a test on a newer processor can run the loops an older one
// would: LETTRICA_SIMD=scalar, avx2 or avx512 in the environment, read once
// at the first use. Unset or any other value: no cap.

namespace lettrica::text {

enum class SimdLevel { Scalar, Avx2, Avx512 };

SimdLevel simdCap();
inline bool simdAllowed(SimdLevel level) { return static_cast<int>(level) <= static_cast<int>(simdCap()); }

}  // namespace lettrica::text
