// The world's operations that change the terrain or look for a free place in it: craters,
// shapes cut with a stamp, stamping into a layer, and the drop and spawn searches.
#include <algorithm>
#include <cmath>

#include "platform/random.h"
#include "world/landstamp.h"
#include "world/welt.h"

int32_t Welt::LayersToCut(int32_t layerArgument) const {
  int32_t count = int32_t(m_gameLayers.size());
  int32_t n = layerArgument < 0 ? count : std::min(layerArgument + 1, count);
  return std::min(n, kMaxCutLayers);
}

void Welt::CarveCrater(const Vector2& centre, double radius, std::vector<RemovedPixel>* removed,
                       int32_t layerArgument, bool graded) {
  const int32_t n = LayersToCut(layerArgument);
  if (n <= 0) return;
  GetGameLandschaft();
  double squared[kMaxCutLayers];
  for (int32_t i = 0; i < n; ++i) {
    squared[i] = radius * radius;
    if (graded) squared[i] *= std::pow(1.0 - double(i) / n, 0.9 * i / n);
  }
  int64_t x0 = platform::TruncToInt(centre.x - radius), y0 = platform::TruncToInt(centre.y - radius);
  int64_t x1 = platform::TruncToInt(centre.x + radius), y1 = platform::TruncToInt(centre.y + radius);
  // Pixels outside every cut layer are skipped anyway.
  Rect span = m_gameLayers[0]->GetRect();
  for (int32_t i = 1; i < n; ++i) {
    Rect r = m_gameLayers[size_t(i)]->GetRect();
    span = {std::min(span.left, r.left), std::min(span.top, r.top), std::max(span.right, r.right),
            std::max(span.bottom, r.bottom)};
  }
  x0 = std::max<int64_t>(x0, span.left), x1 = std::min<int64_t>(x1, span.right);
  y0 = std::max<int64_t>(y0, span.top), y1 = std::min<int64_t>(y1, span.bottom);

  // Row by row, for the memory's sake. The main layer's removed pixels must come in
  // column order (x outer, y inner): their words are noted in a column-major grid of the
  // square and read out column by column at the end (non-zero words are the solid ones).
  const int64_t columns = std::max<int64_t>(0, x1 - x0), rows = std::max<int64_t>(0, y1 - y0);
  constexpr int64_t kLargestGrid = int64_t(1) << 22;
  const bool useGrid = removed && columns * rows <= kLargestGrid;
  thread_local std::vector<uint32_t> grid;
  if (useGrid) grid.assign(size_t(columns * rows), 0u);
  const size_t firstRemoved = removed ? removed->size() : 0;

  for (int64_t y = y0; y < y1; ++y) {
    const float dy = float(y) - centre.y;
    const float dy2 = dy * dy;
    // dx * dx + dy2 is never below dy2, and the main layer's radius is the largest.
    if (!(squared[0] >= double(dy2))) continue;
    for (int32_t i = 0; i < n; ++i) {
      Landschaft& layer = *m_gameLayers[size_t(i)];
      const Rect r = layer.GetRect();
      if (y < r.top || y >= r.bottom) continue;
      int64_t x = std::max<int64_t>(x0, r.left);
      const int64_t xe = std::min<int64_t>(x1, r.right);
      const bool collect = i == 0 && removed;
      while (x < xe) {
        int32_t count = 0;
        uint32_t* pixel = layer.LockedRow(int32_t(x), int32_t(y), count);
        if (!pixel) break;
        for (const int64_t end = std::min<int64_t>(xe, x + count); x < end; ++x, ++pixel) {
          const float dx = float(x) - centre.x;
          const double d2 = double(dx * dx + dy2);
          if (!(squared[i] >= d2)) continue;
          const uint32_t before = *pixel;
          if (collect && IsSolidPixel(before)) {
            if (useGrid)
              grid[size_t((x - x0) * rows + (y - y0))] = before;
            else
              removed->push_back({float(x), float(y), uint8_t(before >> 24), uint8_t(before >> 16),
                                  uint8_t(before >> 8), uint8_t(before)});
          }
          *pixel = before & 0x00FFFFFFu;
        }
      }
    }
  }
  if (useGrid) {
    const uint32_t* word = grid.data();
    for (int64_t x = 0; x < columns; ++x)
      for (int64_t y = 0; y < rows; ++y, ++word)
        if (*word)
          removed->push_back({float(x0 + x), float(y0 + y), uint8_t(*word >> 24), uint8_t(*word >> 16),
                              uint8_t(*word >> 8), uint8_t(*word)});
  } else if (removed && columns > 0) {
    SortToColumnOrder(*removed, firstRemoved, int32_t(x0), int32_t(columns));
  }
}

void Welt::CarveShape(LandStamp& stamp, std::vector<RemovedPixel>* removed, int32_t layerArgument,
                      bool graded) {
  const int32_t n = LayersToCut(layerArgument);
  stamp.erase = true;
  stamp.collectRemoved = removed != nullptr;
  for (int32_t i = 0; i < n; ++i) {
    m_gameLayers[size_t(i)]->StampTexture(stamp, removed);
    const double f = graded ? std::pow(std::pow(0.5, i), 1.0 / 3.0) : 1.0;
    Rect& d = stamp.destination;
    const double w = double(d.right - d.left), h = double(d.bottom - d.top);
    const int32_t dw = platform::TruncToInt(w - w * f), dh = platform::TruncToInt(h - h * f);
    d.left += dw / 2;
    d.right -= dw / 2;
    d.top += dh / 2;
    d.bottom -= dh / 2;
  }
}

bool Welt::StampIntoLayer(const LandStamp& stamp, int32_t index, std::vector<RemovedPixel>* removed) {
  Landschaft* layer = nullptr;
  if (index == -1)
    layer = GetGameLandschaft();
  else if (index >= 0 && index < int32_t(m_gameLayers.size()))
    layer = m_gameLayers[size_t(index)].get();
  return layer && layer->StampTexture(stamp, removed);
}

bool Welt::FindDropPosition(Vector2& out, const DropParameters& parameters) {
  Landschaft* main = GetGameLandschaft();
  if (!main) {
    out = Vector2(0.0f, float(parameters.needed));
    return true;
  }
  const double width = double(m_rect.right) - m_rect.left, height = double(m_rect.bottom) - m_rect.top;
  const double water = WaterSurfaceY();
  for (int attempt = 0; attempt < kMaxPlacementAttempts; ++attempt) {
    const double y = platform::RandFraction() * height + m_rect.top;
    const double x = platform::RandFraction() * width + m_rect.left;
    int32_t row = 0;
    if (!main->FindSurfaceY(platform::TruncToInt(x), platform::TruncToInt(y), platform::TruncToInt(height),
                            row))
      continue;
    if (row > water - 100.0) continue;
    const Vector2 p(float(x), float(row - 2));
    Vector2 result;
    bool done = false;
    // The column is walked up to its end or its first obstacle, even once it is long enough.
    int64_t i = 0;
    for (int64_t k = platform::TruncToInt(parameters.first); double(k) < parameters.end; ++k, ++i) {
      const Vector2 q(p.x, p.y - float(k));
      if (!main->IsEmptyAt(q.x, q.y)) break;
      result = q;
      if (double(i) > parameters.needed) done = true;
    }
    if (!done) continue;
    result.y = float(double(result.y) + parameters.needed);
    out = result;
    return true;
  }
  return false;
}

bool Welt::FindSpawnPosition(PlaceableObject& object, double minDistance, const Vector2* preset) {
  Landschaft* main = GetGameLandschaft();
  if (!main) return false;
  const double width = double(m_rect.right) - m_rect.left, height = double(m_rect.bottom) - m_rect.top;
  const double water = WaterSurfaceY();
  const int32_t gap = platform::TruncToInt(object.GetSize().y);
  int tries = 0;
  for (int attempt = 0; attempt < kMaxPlacementAttempts; ++attempt) {
    double y = platform::RandFraction() * height + m_rect.top;
    double x = platform::RandFraction() * (0.8 * width) + m_rect.left + 0.1 * width;
    if (attempt == 0 && preset) {
      x = preset->x;
      y = preset->y;
    }
    int32_t row = 0;
    if (!main->FindGroundRow(platform::TruncToInt(x), platform::TruncToInt(y), platform::TruncToInt(height),
                             gap, row))
      continue;
    if (row > water - 300.0 || row < m_rect.top + 0.1 * height) continue;
    const Vector2 p(float(x), float(row - 2));
    ++tries;
    if (tries < 100) {
      bool apart = true;
      for (size_t s = m_spawnPositions.size(); s-- > 0 && apart;)
        apart =
            double((p - m_spawnPositions[s].position).Length()) >= minDistance + m_spawnPositions[s].distance;
      if (!apart) continue;
    }
    object.GetPosition() = p;
    m_spawnPositions.push_back({p, minDistance});
    return true;
  }
  return false;
}
