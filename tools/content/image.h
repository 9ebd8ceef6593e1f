// RGBA images for the content generators: pixel access, colour maths, PNG encoding and
// decoding (straight alpha, 8 bits per channel).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace content {

struct Rgb {
  double r = 0, g = 0, b = 0;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator*(Rgb a, double s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
Rgb Mix(Rgb a, Rgb b, double t);
// A colour from 0xRRGGBB.
Rgb Hex(uint32_t rgb);

// A colour ramp: stops at increasing positions, linear in between, clamped at the ends.
class Ramp {
 public:
  Ramp(std::initializer_list<std::pair<double, uint32_t>> stops);
  Rgb operator()(double t) const;

 private:
  std::vector<std::pair<double, Rgb>> m_stops;
};

double Clamp01(double v);
double SmoothStep(double e0, double e1, double x);

class Image {
 public:
  Image() = default;
  Image(int width, int height);
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  uint8_t* Pixel(int x, int y) { return &m_rgba[(size_t(y) * m_width + x) * 4]; }
  const uint8_t* Pixel(int x, int y) const { return &m_rgba[(size_t(y) * m_width + x) * 4]; }
  // Stores a colour with components 0..1 (clamped and rounded).
  void Set(int x, int y, Rgb c, double alpha = 1.0);
  Rgb Get(int x, int y) const;
  double Alpha(int x, int y) const { return Pixel(x, y)[3] / 255.0; }
  // Blends a colour over the pixel with the given coverage (straight alpha "over").
  void Blend(int x, int y, Rgb c, double alpha);
  // Copies src into this image with its top-left corner at (x, y); no blending.
  void Paste(const Image& src, int x, int y);
  const std::vector<uint8_t>& Bytes() const { return m_rgba; }
  std::vector<uint8_t>& Bytes() { return m_rgba; }

 private:
  int m_width = 0, m_height = 0;
  std::vector<uint8_t> m_rgba;
};

std::vector<uint8_t> EncodePng(const Image& image);
std::optional<Image> DecodePng(const std::vector<uint8_t>& bytes);
bool WritePng(const std::string& path, const Image& image);
std::optional<Image> ReadPng(const std::string& path);

// Writes bytes to a file (through a temporary file and a rename); false on failure.
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
bool IsPowerOfTwo(int v);
int NextPowerOfTwo(int v);

}  // namespace content
