// Conversions from floating point to integers. C++ leaves out-of-range conversions
// undefined; the game's platform gives the "integer indefinite" value INT32_MIN for
// NaN and out-of-range values, and this is the one place that decides it.
#pragma once

#include <cmath>
#include <cstdint>

namespace platform {

inline int32_t TruncToInt(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(v);
}

// The same truncation for values the caller has already bounded well inside the 32-bit
// range (pixel channel arithmetic, offsets within a tile), without the range test.
inline int32_t TruncInRange(float v) { return static_cast<int32_t>(v); }
inline int32_t TruncInRange(double v) { return static_cast<int32_t>(v); }

inline int64_t TruncToInt64(double v) {
  if (!(v > -9223372036854775808.0 && v < 9223372036854775808.0)) return INT64_MIN;
  return static_cast<int64_t>(v);
}

// A 64-bit sum or difference held to the 32-bit range (rectangle edges from data files).
inline int32_t Saturate(int64_t v) { return int32_t(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v); }

}  // namespace platform
