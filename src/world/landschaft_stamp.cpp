// Stamping an image into a store and scanning it for surface points, on one job per
// processor. Stamp jobs take the tiles in turn (tile i to job i mod n), so each tile has
// one writer; the scan takes vertical strips. Removed pixels are kept per tile and joined
// in tile order, and strips in strip order, so no result depends on the processor count.
#include <algorithm>
#include <atomic>
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

// Every byte value divided by 255 in single precision, as the blend factors use them.
struct UnitTable {
  float v[256];
  UnitTable() {
    for (int i = 0; i < 256; ++i) v[i] = float(i) / 255.0f;
  }
};
const UnitTable kUnit;

// A blend factor of one channel as base + sign * unit[index], where unit holds the
// image's channels (0..3: alpha, red, green, blue) and then the terrain's (4..7), each
// divided by 255. The sum is exact for every mode: 0 + 1 * u is u, 1 + -1 * u is 1 - u.
struct FactorSpec {
  float base = 1.0f;
  float sign = 0.0f;
  int index = 0;
};

FactorSpec Factor(int32_t mode, int channel) {
  switch (mode) {
    case LandStamp::kZero:
      return {0.0f, 0.0f, 0};
    case LandStamp::kOne:
      return {1.0f, 0.0f, 0};
    case LandStamp::kSubtractColour:
      return {channel == 0 ? 1.0f : -1.0f, 0.0f, 0};
    case LandStamp::kSubtractAlpha:
      return {channel == 0 ? -1.0f : 1.0f, 0.0f, 0};
    case LandStamp::kSubtract:
      return {-1.0f, 0.0f, 0};
    case LandStamp::kSourceColour:
      return {0.0f, 1.0f, channel};
    case LandStamp::kDestColour:
      return {0.0f, 1.0f, 4 + channel};
    case LandStamp::kInvSourceColour:
      return {1.0f, -1.0f, channel};
    case LandStamp::kInvDestColour:
      return {1.0f, -1.0f, 4 + channel};
    case LandStamp::kSourceAlpha:
      return {0.0f, 1.0f, 0};
    case LandStamp::kDestAlpha:
      return {0.0f, 1.0f, 4};
    case LandStamp::kInvSourceAlpha:
      return {1.0f, -1.0f, 0};
    case LandStamp::kInvDestAlpha:
      return {1.0f, -1.0f, 4};
    default:
      return {1.0f, 0.0f, 0};
  }
}

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
  // The source position of each destination column u and row v (mirrored where asked),
  // when the destination is small enough to tabulate.
  std::vector<double> columnSource, rowSource;
  // Nearest sampling and the fixed colour: every byte value times its channel's modulation,
  // truncated. Filled only for stamps that read it (bilinear ones without a fixed colour,
  // the earth settling in its thousands, do not), so it is left uninitialised here.
  int32_t modulated[4][256];
  FactorSpec sourceFactor[4], destFactor[4];
  // The inverse transform is exactly the identity (no rotation): a pixel maps to itself.
  bool identity = false;
  // A blend whose result some channel decides before the whole sample is read.
  enum Shortcut { kNone, kKeepWhereClear, kKeepWhereGroundOpaque, kClearWhereGroundClear } shortcut = kNone;
  // Every channel blends by the same two factors (source alpha over the ground, say), so a
  // pixel works them out once.
  bool sharedFactors = false;

  // The source position of column u (row v) of a destination `dest` wide (high) over a
  // source `source` wide (high), mirrored or not: the tables hold exactly these values.
  static double SourcePosition(int32_t u, int32_t dest, int32_t source, bool mirror) {
    return mirror ? (1.0 - double(u) / dest) * source : double(u) / dest * source;
  }
  // A turned stamp's float rounding can put a pixel on column destWidth (row destHeight),
  // one past the tables: the formula serves it.
  double SourceX(int32_t u) const {
    if (u >= 0 && size_t(u) < columnSource.size()) return columnSource[size_t(u)];
    return SourcePosition(u, destWidth, sourceWidth, stamp->mirrorX);
  }
  double SourceY(int32_t v) const {
    if (v >= 0 && size_t(v) < rowSource.size()) return rowSource[size_t(v)];
    return SourcePosition(v, destHeight, sourceHeight, stamp->mirrorY);
  }
};

// The sampled channels, 0..255 each, in the order alpha, red, green, blue.
struct Channels {
  int32_t c[4];
};

Channels SampleNearest(const StampSetup& s, int32_t ix, int32_t iy) {
  ix = std::min(ix, s.sourceWidth - 1);
  iy = std::min(iy, s.sourceHeight - 1);
  uint32_t texel = s.source[size_t(iy) * size_t(s.pitch) + size_t(ix)];
  return {{s.modulated[0][texel >> 24], s.modulated[1][(texel >> 16) & 255],
           s.modulated[2][(texel >> 8) & 255], s.modulated[3][texel & 255]}};
}

// The four texels around a bilinear sample and its fractions, so that one channel (the
// alpha, which may decide the pixel) can be had before the others.
struct BilinearSample {
  BilinearSample(const StampSetup& s, double sx, double sy, int32_t ix, int32_t iy)
      : fx(sx - ix), fy(sy - iy) {
    // The right and lower neighbours (and a mirrored sample's first column or row) are
    // clamped to the source's last column or row.
    const int32_t x0 = std::min(ix, s.sourceWidth - 1), x1 = std::min(ix + 1, s.sourceWidth - 1);
    const int32_t y0 = std::min(iy, s.sourceHeight - 1), y1 = std::min(iy + 1, s.sourceHeight - 1);
    const uint32_t* row0 = s.source + size_t(y0) * size_t(s.pitch);
    const uint32_t* row1 = s.source + size_t(y1) * size_t(s.pitch);
    p00 = row0[x0], p10 = row0[x1], p01 = row1[x0], p11 = row1[x1];
  }
  // One channel of the sample before modulation.
  double Weighted(int shift) const {
    return (1.0 - fy) * (double((p00 >> shift) & 255) * (1.0 - fx) + double((p10 >> shift) & 255) * fx) +
           fy * (double((p01 >> shift) & 255) * (1.0 - fx) + double((p11 >> shift) & 255) * fx);
  }
  // Whether two channels carry the same byte in each of the four texels, so that their
  // weighted values are the same sum (a white crumb of earth: all four channels alike).
  bool SameBytes(int shift, int other) const {
    const uint32_t differ = ((p00 >> shift) ^ (p00 >> other)) | ((p10 >> shift) ^ (p10 >> other)) |
                            ((p01 >> shift) ^ (p01 >> other)) | ((p11 >> shift) ^ (p11 >> other));
    return (differ & 255u) == 0;
  }
  static int32_t Modulated(double weighted, float modulation) {
    return platform::TruncInRange(double(modulation) * weighted);
  }
  double fx, fy;
  uint32_t p00, p10, p01, p11;
};

// A blend factor's value for the sampled channels and the terrain's (0..3 alpha, red, green,
// blue of the sample, 4..7 those of the terrain).
inline float FactorValue(const FactorSpec& f, const int32_t sampled[4], const int32_t terrain[4]) {
  return f.base + f.sign * kUnit.v[f.index < 4 ? sampled[f.index] : terrain[f.index - 4]];
}

// One blended channel: trunc(sampled * Fs + terrain * Fd) in single precision.
inline int32_t Blend(const StampSetup& s, float sourceFactor, float destFactor, int32_t sampled, int32_t terrain) {
  int32_t value = platform::TruncInRange(float(sampled) * sourceFactor + float(terrain) * destFactor);
  return s.stamp->clamp ? std::clamp(value, 0, 255) : (value & 255);
}

void StampTile(const StampSetup& s, LandschaftTile& tile, std::vector<RemovedPixel>* removed) {
  const LandStamp& stamp = *s.stamp;
  const Rect& t = tile.WorldRect();
  const Rect& box = s.box;
  if (box.right < t.left || t.right < box.left || box.bottom < t.top || t.bottom < box.top) return;
  // Pixels beyond the clip cannot map into the destination; leaving them out changes no
  // result. Each pixel is independent of the others, so the tile is walked row by row.
  int32_t x0 = std::max(t.left, s.clip.left), x1 = std::min(t.right, s.clip.right);
  int32_t y0 = std::max(t.top, s.clip.top), y1 = std::min(t.bottom, s.clip.bottom);
  const Rect& d = stamp.destination;
  const float dl = float(d.left), dt = float(d.top), dr = float(d.right), db = float(d.bottom);
  const uint32_t maskRgb = stamp.maskColour & 0xFFFFFFu;
  const uint32_t fixed = stamp.fixedColour;
  // The inverse of a rotation about a point is affine: w stays 1, as TransformCoord finds.
  const platform::Matrix& m = s.inverse;
  // Without rotation a pixel maps to itself: the destination bounds the walk directly.
  if (s.identity) {
    x0 = std::max(x0, d.left), x1 = std::min(x1, d.right);
    y0 = std::max(y0, d.top), y1 = std::min(y1, d.bottom);
  }
  // Whole-number positions look the mask up exactly as their float positions would.
  constexpr int32_t kExact = 1 << 24;
  const bool exactPositions = x0 > -kExact && x1 < kExact && y0 > -kExact && y1 < kExact;
  // Unrotated masked stamps (the tile stages over a whole layer) first run along the mask
  // to the next pixel it lets through.
  const bool scanMask = s.identity && stamp.maskLayer && exactPositions && !stamp.keepSolid;

  // The source position of the last column and row sampled.
  int32_t lastU = INT32_MIN, lastV = INT32_MIN;
  double sx = 0.0, sy = 0.0;
  for (int32_t y = y0; y < y1; ++y) {
    const float fy = float(y);
    // The row's pixels for reading, and for writing once the first pixel is written (a tile
    // that is never written takes no memory).
    const uint32_t* row = nullptr;
    uint32_t* writableRow = nullptr;
    auto writable = [&](int32_t x) {
      if (!writableRow) row = writableRow = tile.MutableRow(y - t.top) - t.left;
      return writableRow + x;
    };
    // The mask's pixels of this row from maskFirst, for maskCount pixels.
    const uint32_t* maskRun = nullptr;
    int32_t maskFirst = 0, maskCount = 0;
    for (int32_t x = x0; x < x1; ++x) {
      if (scanMask) {
        while (x < x1) {
          if (!maskRun || x < maskFirst || x >= maskFirst + maskCount) {
            maskRun = stamp.maskLayer->PeekRow(x, y, maskCount);
            maskFirst = x;
            if (!maskRun) maskCount = 1;
          }
          // Outside the mask the pixel itself is tested, on the ordinary path.
          if (!maskRun) break;
          const int32_t end = std::min(x1, maskFirst + maskCount);
          const uint32_t* m = maskRun + (x - maskFirst);
          while (x < end && (*m & 0xFFFFFFu) != maskRgb) ++x, ++m;
          if (x < end) break;
        }
        if (x >= x1) break;
      }
      const float fx = float(x);
      int32_t u, v;
      if (s.identity) {
        u = x - d.left;
        v = y - d.top;
      } else {
        const float qx = fx * m.m[0][0] + fy * m.m[1][0] + m.m[3][0];
        const float qy = fx * m.m[0][1] + fy * m.m[1][1] + m.m[3][1];
        if (!(dl <= qx && qx < dr && dt <= qy && qy < db)) continue;
        u = platform::TruncToInt(qx - dl), v = platform::TruncToInt(qy - dt);
      }

      if (!row) {
        if (!tile.IsLocked() && !tile.Lock()) return;
        row = tile.Row(y - t.top) - t.left;
      }
      const uint32_t* pixel = row + x;
      if (stamp.keepSolid && IsSolidPixel(*pixel)) continue;
      if (stamp.maskLayer) {
        // Outside the mask layer the terrain pixel itself is tested.
        const uint32_t* mask;
        if (exactPositions) {
          if (!maskRun || x < maskFirst || x >= maskFirst + maskCount) {
            maskRun = stamp.maskLayer->PeekRow(x, y, maskCount);
            maskFirst = x;
            if (!maskRun) maskCount = 1;
          }
          mask = maskRun ? maskRun + (x - maskFirst) : nullptr;
        } else {
          mask = stamp.maskLayer->PeekPixel(fx, fy);
        }
        if (((mask ? *mask : *pixel) & 0xFFFFFFu) != maskRgb) continue;
      }
      const uint32_t before = *pixel;
      // Blends that the ground alone decides need no sample.
      if (s.shortcut == StampSetup::kKeepWhereGroundOpaque && (before >> 24) == 255) continue;
      if (s.shortcut == StampSetup::kClearWhereGroundClear && (before >> 24) == 0) {
        // Writing a clear pixel over a clear one would only take memory.
        if (before) *writable(x) = 0;
        continue;
      }

      // Neighbouring pixels mostly share their column's or row's source position.
      if (u != lastU) lastU = u, sx = s.SourceX(u);
      if (v != lastV) lastV = v, sy = s.SourceY(v);
      const int32_t ix = platform::TruncToInt(sx), iy = platform::TruncToInt(sy);
      Channels src;
      if (stamp.bilinear) {
        const BilinearSample b(s, sx, sy, ix, iy);
        const double alphaValue = b.Weighted(24);
        src.c[0] = BilinearSample::Modulated(alphaValue, s.modulation[0]);
        // A clear sample blended by its own alpha leaves the ground as it was.
        if (s.shortcut == StampSetup::kKeepWhereClear && src.c[0] == 0) continue;
        const double redValue = b.SameBytes(16, 24) ? alphaValue : b.Weighted(16);
        const double greenValue = b.SameBytes(8, 16) ? redValue : b.Weighted(8);
        const double blueValue = b.SameBytes(0, 8) ? greenValue : b.Weighted(0);
        src.c[1] = BilinearSample::Modulated(redValue, s.modulation[1]);
        src.c[2] = BilinearSample::Modulated(greenValue, s.modulation[2]);
        src.c[3] = BilinearSample::Modulated(blueValue, s.modulation[3]);
      } else {
        src = SampleNearest(s, ix, iy);
        if (s.shortcut == StampSetup::kKeepWhereClear && src.c[0] == 0) continue;
      }

      if (stamp.erase) {
        const int32_t alpha = int32_t(before >> 24);
        const int32_t after = alpha - std::min(alpha, src.c[0]);
        const uint32_t erased = (before & 0x00FFFFFFu) | (uint32_t(after) << 24);
        *writable(x) = erased;
        if (stamp.collectRemoved && removed && IsEmptyPixel(erased) && alpha > 192)
          removed->push_back(
              {fx, fy, uint8_t(alpha), uint8_t(before >> 16), uint8_t(before >> 8), uint8_t(before)});
        continue;
      }
      if (stamp.useFixedColour) {
        src.c[1] = s.modulated[1][(fixed >> 16) & 255];
        src.c[2] = s.modulated[2][(fixed >> 8) & 255];
        src.c[3] = s.modulated[3][fixed & 255];
      }
      const int32_t dst[4] = {int32_t(before >> 24), int32_t((before >> 16) & 255),
                              int32_t((before >> 8) & 255), int32_t(before & 255)};
      float sf[4], df[4];
      if (s.sharedFactors) {
        sf[0] = sf[1] = sf[2] = sf[3] = FactorValue(s.sourceFactor[0], src.c, dst);
        df[0] = df[1] = df[2] = df[3] = FactorValue(s.destFactor[0], src.c, dst);
      } else {
        for (int c = 0; c < 4; ++c) {
          sf[c] = FactorValue(s.sourceFactor[c], src.c, dst);
          df[c] = FactorValue(s.destFactor[c], src.c, dst);
        }
      }
      *writable(x) = (uint32_t(Blend(s, sf[0], df[0], src.c[0], dst[0])) << 24) |
                     (uint32_t(Blend(s, sf[1], df[1], src.c[1], dst[1])) << 16) |
                     (uint32_t(Blend(s, sf[2], df[2], src.c[2], dst[2])) << 8) |
                     uint32_t(Blend(s, sf[3], df[3], src.c[3], dst[3]));
    }
  }
  if (removed) SortToColumnOrder(*removed, 0, t.left, t.right - t.left);
}

}  // namespace

namespace {

// Everything a stamp's jobs share. False when the source cannot be read (nothing is drawn);
// `drawable` is false when no pixel can map into the destination.
bool PrepareStamp(const LandStamp& stamp, StampSetup& s, bool& drawable) {
  const Rect& d = stamp.destination;
  Vector2 centre(float(d.left) + stamp.rotationCentre.x, float(d.top) + stamp.rotationCentre.y);
  // Unrotated about a finite centre the product is exactly the identity (the translations
  // cancel), which the settling earth's many small stamps need not multiply out.
  platform::Matrix m = platform::Matrix::Identity();
  if (!(stamp.rotation == 0.0 && std::isfinite(centre.x) && std::isfinite(centre.y)))
    m = platform::Matrix::Translation(-centre.x, -centre.y) *
        platform::Matrix::RotationZ(float(stamp.rotation * 0.01745329238474369)) *
        platform::Matrix::Translation(centre.x, centre.y);
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
  // The read-only lock of the source: its rectangle must lie inside the texture.
  platform::Texture* texture = stamp.texture;
  const Rect& src = stamp.source;
  if (!texture || src.left < 0 || src.top < 0 || src.right > texture->Width() ||
      src.bottom > texture->Height() || src.right <= src.left || src.bottom <= src.top)
    return false;
  s.sourceWidth = src.right - src.left;
  s.sourceHeight = src.bottom - src.top;
  // A destination wider or higher than 32-bit integers reach maps no pixel.
  const int64_t destWidth = int64_t(d.right) - d.left, destHeight = int64_t(d.bottom) - d.top;
  const bool fits = destWidth <= INT32_MAX && destHeight <= INT32_MAX;
  s.destWidth = fits ? int32_t(destWidth) : 0;
  s.destHeight = fits ? int32_t(destHeight) : 0;
  s.pitch = texture->Width();
  s.source = texture->Pixels() + size_t(src.top) * size_t(s.pitch) + size_t(src.left);

  uint32_t c = stamp.modulation;
  s.modulation[0] = float(c >> 24) / 255.0f;
  s.modulation[1] = float((c >> 16) & 255) / 255.0f;
  s.modulation[2] = float((c >> 8) & 255) / 255.0f;
  s.modulation[3] = float(c & 255) / 255.0f;
  // The table serves nearest sampling and the fixed colour only; bilinear stamps (the
  // earth that settles, a thousand in a frame) would build it for nothing.
  const bool needsTable = !stamp.bilinear || stamp.useFixedColour;
  for (int ch = 0; ch < 4; ++ch) {
    for (int v = 0; needsTable && v < 256; ++v)
      s.modulated[ch][v] = platform::TruncToInt(float(v) * s.modulation[ch]);
    s.sourceFactor[ch] = Factor(stamp.sourceMode, ch);
    s.destFactor[ch] = Factor(stamp.destMode, ch);
  }
  auto same = [](const FactorSpec& a, const FactorSpec& b) {
    return a.base == b.base && a.sign == b.sign && a.index == b.index;
  };
  s.sharedFactors = true;
  for (int ch = 1; ch < 4; ++ch)
    s.sharedFactors = s.sharedFactors && same(s.sourceFactor[ch], s.sourceFactor[0]) &&
                      same(s.destFactor[ch], s.destFactor[0]);
  // Tables pay for themselves on larger destinations; a small one (a crumb of earth) reads
  // the same values from the formulas without allocating.
  constexpr int32_t kLargestTable = 1 << 16, kSmallestTable = 16;
  if (s.destWidth > 0 && s.destWidth <= kLargestTable && s.destHeight > 0 && s.destHeight <= kLargestTable &&
      int64_t(s.destWidth) * s.destHeight > int64_t(kSmallestTable) * kSmallestTable) {
    s.columnSource.resize(size_t(s.destWidth));
    s.rowSource.resize(size_t(s.destHeight));
    for (int32_t u = 0; u < s.destWidth; ++u)
      s.columnSource[size_t(u)] = StampSetup::SourcePosition(u, s.destWidth, s.sourceWidth, stamp.mirrorX);
    for (int32_t v = 0; v < s.destHeight; ++v)
      s.rowSource[size_t(v)] = StampSetup::SourcePosition(v, s.destHeight, s.sourceHeight, stamp.mirrorY);
  }

  // A transform without an inverse (a rotation that is not a number) maps no pixel.
  drawable = fits && platform::Inverse(m, &s.inverse) && std::isfinite(minX) && std::isfinite(maxX) &&
             std::isfinite(minY) && std::isfinite(maxY);
  const float(&inv)[4][4] = s.inverse.m;
  s.identity = drawable && inv[0][0] == 1.0f && inv[0][1] == 0.0f && inv[1][0] == 0.0f && inv[1][1] == 1.0f &&
               inv[3][0] == 0.0f && inv[3][1] == 0.0f;
  // Exact shortcuts of the blend (each channel's sum is the ground's value, or 0):
  // source alpha with 1 - source alpha or one keeps the ground where the sample's alpha is
  // 0; 1 - ground alpha with one keeps an opaque ground; ground alpha with zero clears a
  // clear ground.
  if (!stamp.erase) {
    if (stamp.sourceMode == LandStamp::kSourceAlpha &&
        (stamp.destMode == LandStamp::kInvSourceAlpha || stamp.destMode == LandStamp::kOne))
      s.shortcut = StampSetup::kKeepWhereClear;
    else if (stamp.sourceMode == LandStamp::kInvDestAlpha && stamp.destMode == LandStamp::kOne)
      s.shortcut = StampSetup::kKeepWhereGroundOpaque;
    else if (stamp.sourceMode == LandStamp::kDestAlpha && stamp.destMode == LandStamp::kZero)
      s.shortcut = StampSetup::kClearWhereGroundClear;
  }
  return true;
}

bool Touches(const Rect& box, const Rect& t) {
  return !(box.right < t.left || t.right < box.left || box.bottom < t.top || t.bottom < box.top);
}

}  // namespace

bool Landschaft::StampTexture(const LandStamp& stamp, std::vector<RemovedPixel>* removed) {
  StampSetup s;
  bool drawable = false;
  if (!PrepareStamp(stamp, s, drawable)) return false;
  if (drawable) ForgetBlocks(s.clip.left, s.clip.top, s.clip.right, s.clip.bottom);
  const int64_t area =
      drawable ? int64_t(s.clip.right - int64_t(s.clip.left)) * (int64_t(s.clip.bottom) - s.clip.top) : 0;
  if (drawable && !m_tiles.empty() && area <= kInlineStampPixels) {
    // A small stamp on this thread: the touched tiles in ascending order. Each pixel lies in
    // one tile and the removed pixels are joined in tile order, so this is the result the
    // jobs below give, without building their lists.
    const bool collect = stamp.erase && stamp.collectRemoved && removed;
    std::vector<RemovedPixel> tileRemoved;
    const int64_t left = int64_t(s.box.left) - m_area.left, right = int64_t(s.box.right) - m_area.left;
    const int64_t top = int64_t(s.box.top) - m_area.top, bottom = int64_t(s.box.bottom) - m_area.top;
    // Candidate cells one beyond the box on each side; Touches decides, as below.
    const int64_t c0 = std::max<int64_t>(0, (left >> kTileShift) - 1);
    const int64_t c1 = std::min<int64_t>(m_columns - 1, (right >> kTileShift) + 1);
    const int64_t r0 = std::max<int64_t>(0, (top >> kTileShift) - 1);
    const int64_t r1 = std::min<int64_t>(m_rows - 1, (bottom >> kTileShift) + 1);
    // Tiles are laid out column by column, so walking columns then rows ascends the tiles.
    for (int64_t c = c0; c <= c1; ++c)
      for (int64_t r = r0; r <= r1; ++r) {
        LandschaftTile& tile = *GridTile(int32_t(c), int32_t(r));
        if (!Touches(s.box, tile.WorldRect())) continue;
        StampTile(s, tile, collect ? &tileRemoved : nullptr);
        if (collect) {
          removed->insert(removed->end(), tileRemoved.begin(), tileRemoved.end());
          tileRemoved.clear();
        }
      }
  } else if (drawable && !m_tiles.empty()) {
    const int n = platform::ProcessorCount();
    const size_t tileCount = m_tiles.size();
    // Tile i goes to job i mod n; each job works through its tiles in ascending order.
    // Tiles the bounding box does not touch are left out, and so are jobs left without a
    // tile: they would do nothing.
    std::vector<std::vector<size_t>> jobTiles(static_cast<size_t>(n));
    for (size_t i = tileCount; i-- > 0;)
      if (Touches(s.box, m_tiles[i]->WorldRect())) jobTiles[i % size_t(n)].push_back(i);
    std::vector<int> busy;
    for (int j = 0; j < n; ++j)
      if (!jobTiles[size_t(j)].empty()) busy.push_back(j);
    bool collect = stamp.erase && stamp.collectRemoved && removed;
    std::vector<std::vector<RemovedPixel>> perTile(collect ? tileCount : 0);

    auto job = [&](int k) {
      const auto& list = jobTiles[size_t(busy[size_t(k)])];
      for (size_t p = list.size(); p-- > 0;) {
        size_t index = list[p];
        StampTile(s, *m_tiles[index], collect ? &perTile[index] : nullptr);
      }
    };
    if (busy.size() < 2) {
      for (size_t k = 0; k < busy.size(); ++k) job(int(k));
    } else {
      platform::WorkerPool::Shared().Run(int(busy.size()), job);
    }
    if (collect)
      for (auto& list : perTile) removed->insert(removed->end(), list.begin(), list.end());
  }
  UnlockAll();
  return true;
}

void Landschaft::StampTextures(const std::vector<LandStamp>& stamps) {
  // Each tile takes every stamp in turn, so a pixel sees the stamps in their order, as it
  // would from one StampTexture call after the other. The touched tiles are taken one at a
  // time by whichever job is free: stamps often crowd into a few tiles (a row of mountains
  // along the bottom), and no tile's result depends on who works it.
  std::vector<StampSetup> setups(stamps.size());
  std::vector<size_t> drawn;
  for (size_t i = 0; i < stamps.size(); ++i) {
    bool drawable = false;
    if (PrepareStamp(stamps[i], setups[i], drawable) && drawable) {
      drawn.push_back(i);
      const Rect& clip = setups[i].clip;
      ForgetBlocks(clip.left, clip.top, clip.right, clip.bottom);
    }
  }
  std::vector<size_t> touched;
  for (size_t t = 0; t < m_tiles.size(); ++t)
    for (size_t i : drawn)
      if (Touches(setups[i].box, m_tiles[t]->WorldRect())) {
        touched.push_back(t);
        break;
      }
  if (!touched.empty()) {
    std::atomic<size_t> next{0};
    auto job = [&](int) {
      for (size_t k = next.fetch_add(1); k < touched.size(); k = next.fetch_add(1)) {
        LandschaftTile& tile = *m_tiles[touched[k]];
        for (size_t i : drawn)
          if (Touches(setups[i].box, tile.WorldRect())) StampTile(setups[i], tile, nullptr);
      }
    };
    platform::WorkerPool::Shared().Run(std::min(platform::ProcessorCount(), int(touched.size())), job);
  }
  UnlockAll();
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
    const int32_t x0 = platform::TruncToInt(width / n * i + a.left);
    // The last strip ends at the area's right edge: width / n * n can fall short of it.
    const int32_t x1 = i == n - 1 ? a.right : platform::TruncToInt(width / n * (i + 1) + a.left);
    if (x1 <= x0) return;
    // Row by row for the memory's sake, keeping each column's previous-empty mark; the
    // points are then put into column order (x outer, y inner).
    std::vector<uint8_t> previousEmpty(size_t(x1 - x0), 0);
    std::vector<NavNode> found;
    for (int32_t y = a.top; y < a.bottom; ++y) {
      for (int32_t x = x0; x < x1;) {
        int32_t count = 0;
        const uint32_t* pixel = PeekRow(x, y, count);
        // Outside the store nothing is solid.
        const int32_t end = pixel ? std::min(x1, x + count) : x1;
        for (; x < end; ++x) {
          const bool solid = pixel && IsSolidPixel(*pixel++);
          uint8_t& empty = previousEmpty[size_t(x - x0)];
          if (solid && empty) found.emplace_back(x, y);
          empty = !solid;
        }
      }
    }
    std::vector<size_t> start(size_t(x1 - x0) + 1, 0);
    for (const NavNode& node : found) ++start[size_t(node.x - x0) + 1];
    for (size_t c = 1; c < start.size(); ++c) start[c] += start[c - 1];
    std::vector<NavNode>& nodes = strips[size_t(i)];
    nodes.resize(found.size());
    for (const NavNode& node : found) nodes[start[size_t(node.x - x0)]++] = node;
  };
  if (a.right > a.left && a.bottom > a.top) platform::WorkerPool::Shared().Run(n, job);
  for (const auto& nodes : strips) out.insert(out.end(), nodes.begin(), nodes.end());
}
