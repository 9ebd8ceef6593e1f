// The smaller levels of a texture, made on the CPU.
#pragma once

#include <cstdint>

namespace platform {

// Writes the level below `source` (width x height pixels, rows `pitch` pixels apart) to
// `target`: max(1, width / 2) x max(1, height / 2) pixels, rows packed. Each channel of a
// pixel comes from its 2 x 2 block: the two pixels of each row are averaged, then the two
// averages, each rounded half up (a side of 1 pairs every pixel with itself). That is the
// box filter the software rasteriser's own chain uses, to the last bit.
void HalveLevel(const uint32_t* source, int32_t width, int32_t height, int32_t pitch, uint32_t* target);

}  // namespace platform
