// RGBA images, colour helpers and PNG coding for the content generators.
#include "content/image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "platform/files.h"

// Our own private copies of the stb coders: static, so they never clash with the game's.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include "stb_image.h"
#include "stb_image_write.h"
#pragma GCC diagnostic pop

namespace content {

Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Hex(uint32_t rgb) {
  return {((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0};
}

Ramp::Ramp(std::initializer_list<std::pair<double, uint32_t>> stops) {
  for (const auto& [t, c] : stops) m_stops.emplace_back(t, Hex(c));
}

Rgb Ramp::operator()(double t) const {
  if (m_stops.empty()) return {};
  if (t <= m_stops.front().first) return m_stops.front().second;
  for (size_t i = 1; i < m_stops.size(); ++i) {
    if (t <= m_stops[i].first) {
      const auto& [t0, c0] = m_stops[i - 1];
      const auto& [t1, c1] = m_stops[i];
      return Mix(c0, c1, t1 > t0 ? (t - t0) / (t1 - t0) : 1.0);
    }
  }
  return m_stops.back().second;
}

double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

double SmoothStep(double e0, double e1, double x) {
  double t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

Image::Image(int width, int height)
    : m_width(width), m_height(height), m_rgba(size_t(width) * height * 4, 0) {}

static uint8_t ToByte(double v) { return uint8_t(std::lround(Clamp01(v) * 255.0)); }

void Image::Set(int x, int y, Rgb c, double alpha) {
  uint8_t* p = Pixel(x, y);
  p[0] = ToByte(c.r);
  p[1] = ToByte(c.g);
  p[2] = ToByte(c.b);
  p[3] = ToByte(alpha);
}

Rgb Image::Get(int x, int y) const {
  const uint8_t* p = Pixel(x, y);
  return {p[0] / 255.0, p[1] / 255.0, p[2] / 255.0};
}

void Image::Blend(int x, int y, Rgb c, double alpha) {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height || alpha <= 0) return;
  alpha = Clamp01(alpha);
  double da = Alpha(x, y);
  double oa = alpha + da * (1 - alpha);
  Rgb d = Get(x, y);
  Rgb o = oa > 0 ? (c * alpha + d * (da * (1 - alpha))) * (1.0 / oa) : Rgb{};
  Set(x, y, o, oa);
}

void Image::Paste(const Image& src, int x, int y) {
  for (int row = 0; row < src.Height(); ++row) {
    int ty = y + row;
    if (ty < 0 || ty >= m_height) continue;
    for (int col = 0; col < src.Width(); ++col) {
      int tx = x + col;
      if (tx < 0 || tx >= m_width) continue;
      std::memcpy(Pixel(tx, ty), src.Pixel(col, row), 4);
    }
  }
}

std::vector<uint8_t> EncodePng(const Image& image) {
  std::vector<uint8_t> out;
  auto sink = [](void* context, void* data, int size) {
    auto* bytes = static_cast<std::vector<uint8_t>*>(context);
    bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
  };
  stbi_write_png_to_func(sink, &out, image.Width(), image.Height(), 4, image.Bytes().data(),
                         image.Width() * 4);
  return out;
}

std::optional<Image> DecodePng(const std::vector<uint8_t>& bytes) {
  int w = 0, h = 0, n = 0;
  stbi_uc* data = stbi_load_from_memory(bytes.data(), int(bytes.size()), &w, &h, &n, 4);
  if (!data) return std::nullopt;
  Image image(w, h);
  std::memcpy(image.Bytes().data(), data, size_t(w) * h * 4);
  stbi_image_free(data);
  return image;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::path p(path);
  if (p.has_parent_path()) {
    std::error_code ec;
    std::filesystem::create_directories(p.parent_path(), ec);
  }
  return platform::WriteFileAtomicOs(path, bytes);
}

bool WritePng(const std::string& path, const Image& image) {
  if (image.Width() <= 0 || image.Height() <= 0) return false;
  return WriteBytes(path, EncodePng(image));
}

std::optional<Image> ReadPng(const std::string& path) {
  auto bytes = platform::ReadFileOs(path);
  if (!bytes) return std::nullopt;
  return DecodePng(*bytes);
}

bool IsPowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

int NextPowerOfTwo(int v) {
  int p = 1;
  while (p < v) p <<= 1;
  return p;
}

}  // namespace content
