// The small drawing types game code passes around: integer rectangles, two-float vectors,
// packed ARGB colours and COM-style result codes (negative on failure).
#pragma once

#include <cstdint>

#include "platform/math2d.h"
#include "platform/rect.h"

using Rect = platform::Rect;
using Vector2 = platform::Vector2;
using ColorF = platform::ColorF;
// A colour packed as 0xAARRGGBB.
using Argb = uint32_t;

using HResult = int32_t;
constexpr HResult kResultOk = 0;
constexpr HResult kResultFail = int32_t(0x80004005);
inline bool Succeeded(HResult r) { return r >= 0; }
inline bool Failed(HResult r) { return r < 0; }
