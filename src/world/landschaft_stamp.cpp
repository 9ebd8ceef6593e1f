// Stamping an image into a store and scanning it for surface points, on one job per
// processor. Stamp jobs take the tiles in turn (tile i to job i mod n), so each tile has
// one writer; the scan takes vertical strips. Removed pixels are kept per tile and joined
// in tile order, and strips in strip order, so no result depends on the processor count.
#include <algorithm>
#include <cmath>

#include "battle/navnode.h"
#include "platform/workers.h"
#include "world/landschaft.h"
#include "world/landstamp.h"
#include "world/watersurface.h"

namespace {

// Stamps whose transformed rectangle covers at most this many pixels run on the calling
// thread alone: the same jobs in the same tile order, without waking the pool.
constexpr int64_t kInlineStampPixels = 96 * 96;

// The channels of a colour in the order alpha, red, green, blue, each divided by 255.
struct Unit4 {
  float c[4];
};

Unit4 Unit(const int32_t channels[4]) {
  return {{float(channels[0]) / 255.0f, float(channels[1]) / 255.0f, float(channels[2]) / 255.0f,
           float(channels[3]) / 255.0f}};
}

float Factor(int32_t mode, int channel, const Unit4& source, const Unit4& dest) {
  switch (mode) {
    case LandStamp::kZero:
      return 0.0f;
    case LandStamp::kOne:
      return 1.0f;
    case LandStamp::kSubtractColour:
      return channel == 0 ? 1.0f : -1.0f;
    case LandStamp::kSubtractAlpha:
      return channel == 0 ? -1.0f : 1.0f;
    case LandStamp::kSubtract:
      return -1.0f;
    case LandStamp::kSourceColour:
      return source.c[channel];
    case LandStamp::kDestColour:
      return dest.c[channel];
    case LandStamp::kInvSourceColour:
      return 1.0f - source.c[channel];
    case LandStamp::kInvDestColour:
      return 1.0f - dest.c[channel];
    case LandStamp::kSourceAlpha:
      return source.c[0];
    case LandStamp::kDestAlpha:
      return dest.c[0];
    case LandStamp::kInvSourceAlpha:
      return 1.0f - source.c[0];
    case LandStamp::kInvDestAlpha:
      return 1.0f - dest.c[0];
    default:
      return 1.0f;
  }
}

// Channel index 0..3 (alpha, red, green, blue) to the shift of its byte in a pixel word.
constexpr int kShift[4] = {24, 16, 8, 0};

int32_t Byte(uint32_t argb, int channel) { return int32_t((argb >> kShift[channel]) & 255u); }

// What every job of one stamp shares, read-only.
struct StampSetup {
  const LandStamp* stamp = nullptr;
  const uint32_t* source = nullptr;  // the first texel of the source rectangle
  int32_t pitch = 0;                 // texels per source row
  Rect box;                          // the transformed rectangle's bounds, truncated
  Rect clip;                         // the same, widened to whole pixels and a margin
  int32_t destWidth = 0, destHeight = 0, sourceWidth = 0, sourceHeight = 0;
  float modulation[4] = {};  // alpha, red, green, blue
  platform::Matrix inverse;
};

uint32_t SampleNearest(const StampSetup& s, int32_t ix, int32_t iy, int32_t channels[4]) {
  ix = std::min(ix, s.sourceWidth - 1);
  iy = std::min(iy, s.sourceHeight - 1);
  uint32_t texel = s.source[size_t(iy) * size_t(s.pitch) + size_t(ix)];
  for (int c = 0; c < 4; ++c) channels[c] = platform::TruncToInt(float(Byte(texel, c)) * s.modulation[c]);
  return texel;
}

void SampleBilinear(const StampSetup& s, double sx, double sy, int32_t ix, int32_t iy, int32_t channels[4]) {
  double fx = sx - ix, fy = sy - iy;
  // The right and lower neighbours (and a mirrored sample's first column or row) are
  // clamped to the source's last column or row.
  int32_t x0 = std::min(ix, s.sourceWidth - 1), x1 = std::min(ix + 1, s.sourceWidth - 1);
  int32_t y0 = std::min(iy, s.sourceHeight - 1), y1 = std::min(iy + 1, s.sourceHeight - 1);
  const uint32_t* row0 = s.source + size_t(y0) * size_t(s.pitch);
  const uint32_t* row1 = s.source + size_t(y1) * size_t(s.pitch);
  uint32_t p00 = row0[x0], p10 = row0[x1], p01 = row1[x0], p11 = row1[x1];
  for (int c = 0; c < 4; ++c) {
    double v = (1.0 - fy) * (Byte(p00, c) * (1.0 - fx) + Byte(p10, c) * fx) +
               fy * (Byte(p01, c) * (1.0 - fx) + Byte(p11, c) * fx);
    channels[c] = platform::TruncToInt(double(s.modulation[c]) * v);
  }
}

void StampTile(const StampSetup& s, LandschaftTile& tile, std::vector<RemovedPixel>* removed) {
  const LandStamp& stamp = *s.stamp;
  const Rect& t = tile.WorldRect();
  const Rect& box = s.box;
  if (box.right < t.left || t.right < box.left || box.bottom < t.top || t.bottom < box.top) return;
  // Pixels beyond the clip cannot map into the destination; leaving them out changes no
  // result.
  int32_t x0 = std::max(t.left, s.clip.left), x1 = std::min(t.right, s.clip.right);
  int32_t y0 = std::max(t.top, s.clip.top), y1 = std::min(t.bottom, s.clip.bottom);
  const Rect& d = stamp.destination;
  const float dl = float(d.left), dt = float(d.top), dr = float(d.right), db = float(d.bottom);
  const uint32_t maskRgb = stamp.maskColour & 0xFFFFFFu;
  const uint32_t fixed = stamp.fixedColour;

  for (int32_t x = x0; x < x1; ++x) {
    for (int32_t y = y0; y < y1; ++y) {
      Vector2 q = platform::TransformCoord(Vector2(float(x), float(y)), s.inverse);
      if (!(dl <= q.x && q.x < dr && dt <= q.y && q.y < db)) continue;
      int32_t u = platform::TruncToInt(q.x - dl), v = platform::TruncToInt(q.y - dt);
      double sx = double(u) / s.destWidth * s.sourceWidth;
      double sy = double(v) / s.destHeight * s.sourceHeight;
      if (stamp.mirrorX) sx = (1.0 - double(u) / s.destWidth) * s.sourceWidth;
      if (stamp.mirrorY) sy = (1.0 - double(v) / s.destHeight) * s.sourceHeight;
      int32_t ix = platform::TruncToInt(sx), iy = platform::TruncToInt(sy);

      if (!tile.IsLocked() && !tile.Lock()) return;
      uint32_t* pixel = tile.Row(y - t.top) + (x - t.left);
      uint32_t before = *pixel;
      if (stamp.keepSolid && IsSolidPixel(before)) continue;
      if (stamp.maskLayer) {
        // Outside the mask layer the terrain pixel itself is tested.
        const uint32_t* mask = stamp.maskLayer->PeekPixel(float(x), float(y));
        if (((mask ? *mask : before) & 0xFFFFFFu) != maskRgb) continue;
      }

      int32_t src[4];
      if (stamp.bilinear)
        SampleBilinear(s, sx, sy, ix, iy, src);
      else
        SampleNearest(s, ix, iy, src);
      if (stamp.useFixedColour)
        for (int c = 1; c < 4; ++c) src[c] = platform::TruncToInt(float(Byte(fixed, c)) * s.modulation[c]);

      if (stamp.erase) {
        int32_t alpha = Byte(before, 0);
        int32_t after = alpha - std::min(alpha, src[0]);
        *pixel = (before & 0x00FFFFFFu) | (uint32_t(after) << 24);
        if (stamp.collectRemoved && removed && IsEmptyPixel(*pixel) && alpha > 192)
          removed->push_back({float(x), float(y), uint8_t(alpha), uint8_t(Byte(before, 1)),
                              uint8_t(Byte(before, 2)), uint8_t(Byte(before, 3))});
        continue;
      }

      int32_t dst[4] = {Byte(before, 0), Byte(before, 1), Byte(before, 2), Byte(before, 3)};
      Unit4 su = Unit(src), du = Unit(dst);
      uint32_t out = 0;
      for (int c = 0; c < 4; ++c) {
        float fs = Factor(stamp.sourceMode, c, su, du);
        float fd = Factor(stamp.destMode, c, su, du);
        int32_t value = platform::TruncToInt(float(src[c]) * fs + float(dst[c]) * fd);
        value = stamp.clamp ? std::clamp(value, 0, 255) : (value & 255);
        out |= uint32_t(value) << kShift[c];
      }
      *pixel = out;
    }
  }
}

}  // namespace

bool Landschaft::StampTexture(const LandStamp& stamp, std::vector<RemovedPixel>* removed) {
  const Rect& d = stamp.destination;
  Vector2 centre(float(d.left) + stamp.rotationCentre.x, float(d.top) + stamp.rotationCentre.y);
  platform::Matrix m = platform::Matrix::Translation(-centre.x, -centre.y) *
                       platform::Matrix::RotationZ(float(stamp.rotation * 0.01745329238474369)) *
                       platform::Matrix::Translation(centre.x, centre.y);
  StampSetup s;
  s.stamp = &stamp;
  const Vector2 corners[4] = {{float(d.left), float(d.top)},
                              {float(d.right), float(d.top)},
                              {float(d.left), float(d.bottom)},
                              {float(d.right), float(d.bottom)}};
  Vector2 moved[4];
  platform::TransformCoordArray(moved, corners, 4, m);
  float minX = moved[0].x, maxX = moved[0].x, minY = moved[0].y, maxY = moved[0].y;
  for (const Vector2& p : moved) {
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  }
  s.box = {platform::TruncToInt(minX), platform::TruncToInt(minY), platform::TruncToInt(maxX),
           platform::TruncToInt(maxY)};
  constexpr double kMargin = 2.0;
  auto edge = [](double v) { return int32_t(std::clamp(v, -2147483648.0, 2147483647.0)); };
  s.clip = {edge(std::floor(double(minX)) - kMargin), edge(std::floor(double(minY)) - kMargin),
            edge(std::ceil(double(maxX)) + kMargin + 1), edge(std::ceil(double(maxY)) + kMargin + 1)};
  s.destWidth = d.right - d.left;
  s.destHeight = d.bottom - d.top;
  s.sourceWidth = stamp.source.right - stamp.source.left;
  s.sourceHeight = stamp.source.bottom - stamp.source.top;

  // The read-only lock of the source: its rectangle must lie inside the texture.
  platform::Texture* texture = stamp.texture;
  const Rect& src = stamp.source;
  if (!texture || src.left < 0 || src.top < 0 || src.right > texture->Width() ||
      src.bottom > texture->Height() || s.sourceWidth <= 0 || s.sourceHeight <= 0)
    return false;
  s.pitch = texture->Width();
  s.source = texture->Pixels() + size_t(src.top) * size_t(s.pitch) + size_t(src.left);

  uint32_t c = stamp.modulation;
  s.modulation[0] = float(c >> 24) / 255.0f;
  s.modulation[1] = float((c >> 16) & 255) / 255.0f;
  s.modulation[2] = float((c >> 8) & 255) / 255.0f;
  s.modulation[3] = float(c & 255) / 255.0f;

  // A transform without an inverse (a rotation that is not a number) maps no pixel.
  bool drawable = platform::Inverse(m, &s.inverse) && std::isfinite(minX) && std::isfinite(maxX) &&
                  std::isfinite(minY) && std::isfinite(maxY);
  if (drawable && !m_tiles.empty()) {
    const int n = platform::ProcessorCount();
    const size_t tileCount = m_tiles.size();
    // Tile i goes to job i mod n; each job works through its tiles in ascending order.
    std::vector<std::vector<size_t>> jobTiles(static_cast<size_t>(n));
    for (size_t i = tileCount; i-- > 0;) jobTiles[i % size_t(n)].push_back(i);
    bool collect = stamp.erase && stamp.collectRemoved && removed;
    std::vector<std::vector<RemovedPixel>> perTile(collect ? tileCount : 0);

    auto job = [&](int j) {
      const auto& list = jobTiles[size_t(j)];
      for (size_t p = list.size(); p-- > 0;) {
        size_t index = list[p];
        StampTile(s, *m_tiles[index], collect ? &perTile[index] : nullptr);
      }
    };
    int64_t area = int64_t(s.clip.right - int64_t(s.clip.left)) * (int64_t(s.clip.bottom) - s.clip.top);
    if (area <= kInlineStampPixels) {
      for (int j = 0; j < n; ++j) job(j);
    } else {
      platform::WorkerPool::Shared().Run(n, job);
    }
    if (collect)
      for (auto& list : perTile) removed->insert(removed->end(), list.begin(), list.end());
  }
  UnlockAll();
  return true;
}

void Landschaft::FindSurfacePoints(std::vector<NavNode>& out, const Rect* area,
                                   const WaterSurface* water) const {
  Rect a = m_rect;
  double surface = water ? water->GetSurfaceY() : double(a.bottom);
  a.bottom = platform::TruncToInt(std::min(double(a.bottom), surface));
  if (area) {
    a.left = std::max(area->left, a.left);
    a.right = std::min(area->right, a.right);
    a.top = std::max(area->top, a.top);
    a.bottom = std::min(area->bottom, a.bottom);
  }
  const int n = platform::ProcessorCount();
  std::vector<std::vector<NavNode>> strips(static_cast<size_t>(n));
  const double width = double(a.right) - double(a.left);
  auto job = [&](int i) {
    int32_t x0 = platform::TruncToInt(width / n * i + a.left);
    // The last strip ends at the area's right edge: width / n * n can fall short of it.
    int32_t x1 = i == n - 1 ? a.right : platform::TruncToInt(width / n * (i + 1) + a.left);
    std::vector<NavNode>& nodes = strips[size_t(i)];
    for (int32_t x = x0; x < x1; ++x) {
      bool previousEmpty = false;
      for (int32_t y = a.top; y < a.bottom; ++y) {
        bool solid = IsSolidAt(x, y);
        if (solid && previousEmpty) nodes.emplace_back(x, y);
        previousEmpty = !solid;
      }
    }
  };
  if (a.right > a.left && a.bottom > a.top) platform::WorkerPool::Shared().Run(n, job);
  for (const auto& nodes : strips) out.insert(out.end(), nodes.begin(), nodes.end());
}
