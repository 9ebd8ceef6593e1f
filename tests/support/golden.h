// Comparing a region of a rendered frame with a stored picture in tests/golden/. A region
// that differs (or a picture that does not exist yet) is written beside it as
// <name>.actual.png, so that it can be looked at and, once right, stored.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rect.h"

// frame: 0xAARRGGBB words of a frame frameWidth wide. Alpha is not compared (a back buffer's
// alpha is not part of the picture). tolerance: the largest difference allowed per channel.
::testing::AssertionResult MatchesGolden(const std::vector<uint32_t>& frame, int frameWidth,
                                         const platform::Rect& region, const std::string& name,
                                         int tolerance = 2);
