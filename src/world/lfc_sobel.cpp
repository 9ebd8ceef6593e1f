// The edge stage: gradients of the mask's alpha mark the rim of the shapes, which gets the
// stage's mask colour in the mask and a grey falloff (or black) in the layer. One worker per
// processor takes a band of columns.
#include <cmath>

#include "engine/kvnode.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "platform/text.h"
#include "platform/workers.h"
#include "world/landschaft.h"
#include "world/lfc_stages.h"
#include "world/lfc_support.h"
#include "world/valuenoise.h"

namespace {

using platform::RandFraction;
using platform::TruncToInt;

// The mask's alpha over the whole store, read once before the workers start: the stage
// never changes alpha, so every worker sees the same values whatever its neighbours have
// recoloured, and a sample costs one array read.
class AlphaPlane {
 public:
  static constexpr int32_t kBlockShift = 4;
  static constexpr int32_t kBlock = 1 << kBlockShift;

  explicit AlphaPlane(const Landschaft& mask)
      : m_rect(mask.GetRect()),
        m_width(std::max(m_rect.right - m_rect.left, 0)),
        m_height(std::max(m_rect.bottom - m_rect.top, 0)),
        m_top(float(m_rect.top)),
        m_bottom(float(m_rect.bottom)),
        m_left(float(m_rect.left)),
        m_right(float(m_rect.right)),
        m_blockColumns((m_width + kBlock - 1) >> kBlockShift),
        m_blockRows((m_height + kBlock - 1) >> kBlockShift) {
    m_alpha.assign(size_t(m_width) * size_t(m_height), 0);
    m_blockAlpha.assign(size_t(m_blockColumns) * size_t(m_blockRows), -1);
    // Rows of blocks are independent: the workers read them.
    const int32_t blockRows = m_blockRows;
    const int n = std::max(1, std::min(platform::ProcessorCount(), blockRows));
    platform::WorkerPool::Shared().Run(n, [&](int job) {
      for (int32_t by = job; by < blockRows; by += n) ReadBlockRow(mask, by);
    });
  }

  // The alpha at a column and a float row, as a pixel lookup finds it (the row truncated
  // toward zero); 0 outside the store, so such a sample adds nothing.
  int32_t AtRow(int32_t x, float y) const {
    if (!(y >= m_top && y < m_bottom)) return 0;
    return m_alpha[size_t(platform::TruncInRange(y) - m_rect.top) * size_t(m_width) +
                   size_t(x - m_rect.left)];
  }
  int32_t AtColumn(float x, int32_t y) const {
    if (!(x >= m_left && x < m_right)) return 0;
    return m_alpha[size_t(y - m_rect.top) * size_t(m_width) +
                   size_t(platform::TruncInRange(x) - m_rect.left)];
  }
  int32_t At(int32_t x, int32_t y) const {
    return m_alpha[size_t(y - m_rect.top) * size_t(m_width) + size_t(x - m_rect.left)];
  }

  // Per block of 16 x 16 pixels: whether every sample that any of its pixels can take, out
  // to `reach` pixels along its row and column, lies inside the store and has the pixel's
  // own alpha. Such pixels see no gradient, so they can be passed by.
  std::vector<uint8_t> QuietBlocks(int32_t reach) const {
    std::vector<uint8_t> quiet(m_blockAlpha.size(), 0);
    const int32_t r = (reach + kBlock - 1) >> kBlockShift;
    for (int32_t by = r; by < m_blockRows - r; ++by)
      for (int32_t bx = r; bx < m_blockColumns - r; ++bx) {
        const int16_t a = m_blockAlpha[size_t(by) * size_t(m_blockColumns) + size_t(bx)];
        bool same = a >= 0;
        for (int32_t yy = by - r; same && yy <= by + r; ++yy)
          for (int32_t xx = bx - r; same && xx <= bx + r; ++xx)
            same = m_blockAlpha[size_t(yy) * size_t(m_blockColumns) + size_t(xx)] == a;
        quiet[size_t(by) * size_t(m_blockColumns) + size_t(bx)] = same;
      }
    return quiet;
  }
  bool Quiet(const std::vector<uint8_t>& quiet, int32_t x, int32_t y) const {
    return quiet[size_t((y - m_rect.top) >> kBlockShift) * size_t(m_blockColumns) +
                 size_t((x - m_rect.left) >> kBlockShift)] != 0;
  }

 private:
  void ReadBlockRow(const Landschaft& mask, int32_t by) {
    const int32_t y0 = m_rect.top + by * kBlock, y1 = std::min(y0 + kBlock, m_rect.bottom);
    for (int32_t y = y0; y < y1; ++y) {
      uint8_t* row = &m_alpha[size_t(y - m_rect.top) * size_t(m_width)];
      for (int32_t x = m_rect.left; x < m_rect.right;) {
        int32_t count = 0;
        const uint32_t* p = mask.PeekRow(x, y, count);
        if (!p) break;
        for (int32_t i = 0; i < count; ++i) row[x - m_rect.left + i] = uint8_t(p[i] >> 24);
        x += count;
      }
    }
    // A block is uniform when all its pixels (whole block only) share one alpha.
    for (int32_t bx = 0; bx < m_blockColumns; ++bx) {
      const int32_t x0 = bx * kBlock;
      if (x0 + kBlock > m_width || y0 + kBlock > m_rect.bottom) continue;
      const uint8_t a = m_alpha[size_t(y0 - m_rect.top) * size_t(m_width) + size_t(x0)];
      bool same = true;
      for (int32_t y = y0; same && y < y1; ++y) {
        const uint8_t* row = &m_alpha[size_t(y - m_rect.top) * size_t(m_width) + size_t(x0)];
        for (int32_t i = 0; i < kBlock; ++i) same = same && row[i] == a;
      }
      if (same) m_blockAlpha[size_t(by) * size_t(m_blockColumns) + size_t(bx)] = a;
    }
  }

  Rect m_rect;
  int32_t m_width, m_height;
  float m_top, m_bottom, m_left, m_right;
  int32_t m_blockColumns, m_blockRows;
  std::vector<uint8_t> m_alpha;
  // The alpha of each block whose pixels all share one, else -1.
  std::vector<int16_t> m_blockAlpha;
};

// What one band's worker needs.
struct SobelJob {
  int32_t top, bottom, first, end;
  int32_t distance;
  bool falloff;
  int32_t falloffSteps;
  int32_t greyFrom, greyTo;
  int32_t seed;
  bool noise;
  uint32_t maskColour;
  Landschaft* layer;
  Landschaft* mask;
  const AlphaPlane* alpha;
  const std::vector<uint8_t>* quiet;
  // The sample distances d * k / steps, k = 1 .. steps, for each distance d a pixel can
  // take: offsets[j * steps + k - 1] for the noise value j / 16 (d = trunc(j / 16 * the
  // distance)), or j = 0 for the distance itself without noise.
  const std::vector<float>* offsets;
};

// Folds a ratio above 1 back down (2 - t).
double Fold(double t) { return t > 1.0 ? 2.0 - t : t; }

void RunSobel(const SobelJob& job) {
  const int32_t steps = job.falloff ? job.falloffSteps : 1;
  const int32_t half = steps / 2;
  const uint32_t maskRgb = job.maskColour & 0xFFFFFFu;
  const AlphaPlane& alpha = *job.alpha;
  for (int32_t y = job.top; y < job.bottom; ++y) {
    for (int32_t x = job.first; x < job.end; ++x) {
      if (alpha.At(x, y) == 0 || alpha.Quiet(*job.quiet, x, y)) continue;
      // The noise variant's distance: 1 octave of 2D noise at a whole pixel is exactly the
      // smoothed lattice value there.
      // Its values are whole sixteenths, which index the distances' offsets.
      const size_t j = job.noise ? size_t(SmoothedNoise2(x, y, job.seed) * 16.0) : 0;
      int32_t gx = 0, gy = 0;
      const float fx = float(x), fy = float(y);
      if (steps >= 1) {
        const float* offset = job.offsets->data() + j * size_t(steps);
        for (int32_t k = steps; k >= 1; --k) {
          const float o = offset[k - 1];
          gy += alpha.AtRow(x, fy + o) - alpha.AtRow(x, fy - o);
          gx += alpha.AtColumn(fx + o, y) - alpha.AtColumn(fx - o, y);
        }
      }
      if (gx == 0 && gy == 0) continue;
      uint32_t* m = job.mask->LockedPixel(x, y);
      uint32_t* p = job.layer->LockedPixel(x, y);
      if (m) *m = (*m & 0xFF000000u) | maskRgb;
      if (!p || (*p >> 24) == 0) continue;
      uint32_t grey = 0;
      if (job.falloff) {
        // With a single falloff step there is no ramp to divide by (steps / 2 is 0): the rim
        // takes the start grey.
        double t = 0.0;
        if (half != 0) {
          const double ty = gy != 0 ? Fold(std::abs(gy) / 255.0 / half) : 0.0;
          const double tx = gx != 0 ? Fold(std::abs(gx) / 255.0 / half) : 0.0;
          t = std::clamp((ty + tx) / 2, 0.0, 1.0);
        }
        grey = uint32_t(TruncToInt((job.greyTo - job.greyFrom) * t + job.greyFrom)) & 0xFFu;
      }
      *p = (*p & 0xFF000000u) | grey << 16 | grey << 8 | grey;
    }
  }
}

}  // namespace

LFC_Sobel::LFC_Sobel(const KVNode* section, const LevelSetting* setting, int32_t kind, double scale)
    : LandschaftsFormCreator(section, setting, kind, scale) {
  if (!section) return;
  section->Read(u"SIZE", m_size);
  int32_t flag = 0;
  if (section->Read(u"FALLOFF", flag, 0)) m_falloff = flag != 0;
  section->Read(u"FALLOFF", m_falloffSteps, 1);
  if (section->Read(u"FALLOFF", m_greyFrom, 2)) m_greyTo = m_greyFrom;
  section->Read(u"FALLOFF", m_greyTo, 3);
  int32_t noise = 0;
  if (section->Read(u"USE_NOISE", noise)) m_useNoise = noise != 0;
}

void LFC_Sobel::Randomize(int32_t kind) {
  m_maskColour = kOpaqueRed;
  if (kind != 0) m_colourKey = Grey(kind);
  m_size = TruncToInt(((RandFraction() - 0.5) * 2 + 2) * (kind * 5 + 10) + (kind * 5 + 15));
  m_falloff = kind != 0 ? RandFraction() > 0.1 : true;
  m_falloffSteps = 10;
  m_greyFrom = 96;
  m_greyTo = 0;
  m_useNoise = kind == 0;
}

void LFC_Sobel::Band(int32_t left, int32_t width, int32_t n, int32_t i, int32_t& first, int32_t& end) {
  const int32_t band = width / n;
  first = band * i + left;
  // The last band takes the width % n columns that equal bands leave over.
  end = i == n - 1 ? left + width : band * (i + 1) + left;
}

void LFC_Sobel::Apply(Landschaft& layer, Landschaft& mask, MyLoadScreen*) {
  const Rect work = WorkingRect(layer);
  const int32_t seed = platform::Rand();
  const lfc::Span span = lfc::Clip(work, layer.GetRect());
  if (work.right <= work.left || work.bottom <= work.top || span.Empty()) return;
  const AlphaPlane alpha(mask);
  lfc::LockTiles(layer);
  lfc::LockTiles(mask);
  const int32_t distance = TruncToInt(m_size * m_scale);
  const int32_t steps = m_falloff ? TruncToInt(m_falloffSteps * m_scale) : 1;
  // d * k / steps in single precision for every distance a pixel can take.
  std::vector<float> offsets;
  int64_t reachable = 0;
  for (int32_t j = 0; j <= (m_useNoise ? 16 : 0); ++j) {
    const int32_t d = m_useNoise ? TruncToInt(j / 16.0 * distance) : distance;
    reachable = std::max(reachable, std::abs(int64_t(d)));
    for (int32_t k = 1; k <= steps; ++k) offsets.push_back(float(int64_t(d) * k) / float(steps));
  }
  // A sample lands at most the distance and a pixel of truncation away.
  const std::vector<uint8_t> quiet =
      alpha.QuietBlocks(int32_t(std::min<int64_t>(reachable + 2, INT32_MAX / 2)));
  const SobelJob base{span.top,
                      span.bottom,
                      0,
                      0,
                      distance,
                      m_falloff,
                      TruncToInt(m_falloffSteps * m_scale),
                      m_greyFrom,
                      m_greyTo,
                      seed,
                      m_useNoise,
                      m_maskColour,
                      &layer,
                      &mask,
                      &alpha,
                      &quiet,
                      &offsets};
  lfc::RunColumnBands(work.left, work.right - work.left, [&](int32_t first, int32_t end) {
    SobelJob j = base;
    // Pixels outside the store are not there to mark.
    j.first = std::max(first, span.left);
    j.end = std::min(end, span.right);
    RunSobel(j);
  });
}

void LFC_Sobel::DescribeParameters(std::u16string& out) const {
  DescribeValue(out, u"size", m_size);
  out +=
      platform::FormatW(u", falloff=%d,%d,%d,%d", int32_t(m_falloff), m_falloffSteps, m_greyFrom, m_greyTo);
  DescribeValue(out, u"noise", int32_t(m_useNoise));
}
