// Small PNG images made in memory, for tests that put images into archives or onto disk.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// A width x height PNG whose pixel (x, y) is pixel(x, y) as 0xAARRGGBB.
std::vector<uint8_t> MakePng(int width, int height, const std::function<uint32_t(int, int)>& pixel);
