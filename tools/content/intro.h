// The intro film's pictures: a dawn over layered hills, the title "KRUMBOLT" dropping in
// letter by letter, a shock ring, fades from and to black.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "content/image.h"

namespace content {

struct IntroSettings {
  int width = 960, height = 720;
  int fps = 25;
  double seconds = 4.0;
  int FrameCount() const { return int(seconds * fps + 0.5); }
};

class IntroRenderer {
 public:
  // fontBytes: a TrueType font for the title; without one the title is left out.
  IntroRenderer(const IntroSettings& settings, std::vector<uint8_t> fontBytes);
  ~IntroRenderer();
  // The picture of frame i (opaque RGBA).
  Image Frame(int index) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

}  // namespace content
