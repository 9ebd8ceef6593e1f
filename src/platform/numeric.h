// Conversions from floating point to integers. C++ leaves out-of-range conversions
// undefined; the game's platform gives the "integer indefinite" value INT32_MIN for
// NaN and out-of-range values, and this is the one place that decides it.
#pragma once

#include <cmath>
#include <cstdint>

namespace platform {

inline int32_t TruncToInt(double v) {
#if defined(__x86_64__)
  // The processor's truncating conversion gives INT32_MIN itself for NaN and out-of-range
  // values: one instruction instead of two comparisons and a branch in every caller. It is
  // written out so that no compiler folds a constant argument by rules of its own.
  int32_t r;
  __asm__("cvttsd2si %1, %0" : "=r"(r) : "x"(v));
  return r;
#else
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(v);
#endif
}

// The same truncation for values the caller has already bounded well inside the 32-bit
// range (pixel channel arithmetic, offsets within a tile), without the range test.
inline int32_t TruncInRange(float v) { return static_cast<int32_t>(v); }
inline int32_t TruncInRange(double v) { return static_cast<int32_t>(v); }

inline int64_t TruncToInt64(double v) {
#if defined(__x86_64__)
  int64_t r;
  __asm__("cvttsd2si %1, %0" : "=r"(r) : "x"(v));
  return r;
#else
  if (!(v > -9223372036854775808.0 && v < 9223372036854775808.0)) return INT64_MIN;
  return static_cast<int64_t>(v);
#endif
}

// A 64-bit sum or difference held to the 32-bit range (rectangle edges from data files).
inline int32_t Saturate(int64_t v) { return int32_t(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v); }

}  // namespace platform
