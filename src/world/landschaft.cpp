// The landscape pixel store: tiles, locking, copies, tint, animations and drawing.
#include "world/landschaft.h"

#include <algorithm>
#include <cstring>

#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/bewegteanimation.h"
#include "engine/frametimer.h"
#include "engine/spriterenderer.h"
#include "platform/image.h"
#include "platform/workers.h"

void SortToColumnOrder(std::vector<RemovedPixel>& list, size_t from, int32_t left, int32_t width) {
  if (list.size() < from + 2) return;
  std::vector<size_t> start(size_t(width) + 1, 0);
  for (size_t i = from; i < list.size(); ++i) ++start[size_t(int32_t(list[i].x) - left) + 1];
  for (size_t c = 1; c < start.size(); ++c) start[c] += start[c - 1];
  std::vector<RemovedPixel> sorted(list.size() - from);
  for (size_t i = from; i < list.size(); ++i) sorted[start[size_t(int32_t(list[i].x) - left)]++] = list[i];
  std::copy(sorted.begin(), sorted.end(), list.begin() + std::ptrdiff_t(from));
}

LandschaftTile::LandschaftTile(const Rect& world)
    : m_world(world),
      m_lock{0, 0, world.right - world.left, world.bottom - world.top},
      m_position(float(world.left), float(world.top)),
      m_leftF(float(world.left)),
      m_topF(float(world.top)) {
  int32_t w = platform::NextPowerOfTwo(std::max(1, m_lock.right));
  int32_t h = platform::NextPowerOfTwo(std::max(1, m_lock.bottom));
  // A full mip chain, regenerated on upload, so zoomed-out layers stay smooth. The pixels
  // start cleared: fully transparent, so a new layer is empty everywhere.
  m_texture = std::make_unique<platform::Texture>(w, h, 0, platform::kUsageAutoGenMipmap);
  m_pitch = m_texture->Width();
  m_pixels = m_texture->MutablePixels();
}

LandschaftTile::~LandschaftTile() { Unlock(); }

bool LandschaftTile::Lock() {
  if (m_locked) return true;
  if (!m_texture) return false;
  int32_t pitch = 0;
  if (!m_texture->Lock(&m_lock, pitch)) return false;
  m_locked = true;
  return true;
}

bool LandschaftTile::Unlock() {
  if (!m_locked) return true;
  if (!m_texture) return false;
  m_texture->Unlock();
  // Marked again here as well as at the lock: a draw while the tile was locked may have
  // uploaded rows that were changed after it.
  m_texture->MarkDirty(0, m_lock.bottom);
  m_locked = false;
  return true;
}

std::unique_ptr<LandschaftTile> LandschaftTile::Clone() {
  auto copy = std::make_unique<LandschaftTile>(m_world);
  copy->Lock();
  size_t rowBytes = size_t(m_lock.right) * sizeof(uint32_t);
  for (int32_t r = 0; r < m_lock.bottom; ++r) std::memcpy(copy->Row(r), Row(r), rowBytes);
  Unlock();
  return copy;
}

void LandschaftTile::Clear() {
  if (!Lock()) return;
  for (int32_t row = 0; row < m_lock.bottom; ++row)
    std::memset(Row(row), 0, size_t(m_lock.right) * sizeof(uint32_t));
}

void LandschaftTile::Tint(float a, float r, float g, float b) {
  if (!Lock()) return;
  // Every byte value maps through its channel's factor; the table holds the same
  // truncated float products the per-pixel multiplication gives.
  uint8_t lut[4][256];
  const float factors[4] = {b, g, r, a};
  for (int c = 0; c < 4; ++c)
    for (int v = 0; v < 256; ++v) lut[c][v] = uint8_t(platform::TruncToInt(float(v) * factors[c]));
  for (int32_t row = 0; row < m_lock.bottom; ++row) {
    auto* bytes = reinterpret_cast<uint8_t*>(Row(row));
    for (int32_t i = 0; i < m_lock.right * 4; i += 4) {
      bytes[i] = lut[0][bytes[i]];
      bytes[i + 1] = lut[1][bytes[i + 1]];
      bytes[i + 2] = lut[2][bytes[i + 2]];
      bytes[i + 3] = lut[3][bytes[i + 3]];
    }
  }
  Unlock();
}

Landschaft::Landschaft(const Rect& world) : m_rect(world) {
  // A rectangle wider or higher than 32-bit integers reach gets no tiles.
  const int64_t width = int64_t(world.right) - world.left, height = int64_t(world.bottom) - world.top;
  const bool fits = width <= INT32_MAX && height <= INT32_MAX;
  m_width = fits ? int32_t(width) : 0;
  m_height = fits ? int32_t(height) : 0;
  if (APIContext* context = APIContext::Get()) m_graphics = context->graphics;
}

Landschaft::Landschaft(const Landschaft& other)
    : m_columns(other.m_columns),
      m_rows(other.m_rows),
      m_width(other.m_width),
      m_height(other.m_height),
      m_rect(other.m_rect),
      m_parallax(other.m_parallax),
      m_offset(other.m_offset),
      m_depth(other.m_depth),
      m_graphics(other.m_graphics) {
  m_grid.assign(other.m_grid.size(), nullptr);
  m_tiles.resize(other.m_tiles.size());
  // Each tile is copied on its own: the large game layers' copies share the work.
  ForEachTile([&](size_t i) { m_tiles[i] = other.m_tiles[i]->Clone(); });
  for (const auto& tile : m_tiles) {
    const Rect& w = tile->WorldRect();
    int32_t c = (w.left - m_rect.left) >> kTileShift;
    int32_t r = (w.top - m_rect.top) >> kTileShift;
    m_grid[size_t(r) * size_t(m_columns) + size_t(c)] = tile.get();
  }
  if (!m_tiles.empty()) SetLookupArea();
}

Landschaft::~Landschaft() = default;

std::unique_ptr<Landschaft> Landschaft::Create(const Landschaft& source) {
  return std::make_unique<Landschaft>(source);
}

void Landschaft::SetLookupArea() {
  m_area = m_rect;
  m_leftF = float(m_rect.left);
  m_topF = float(m_rect.top);
  m_rightF = float(m_rect.right);
  m_bottomF = float(m_rect.bottom);
}

void Landschaft::CreateTiles() {
  m_tiles.clear();
  m_grid.clear();
  m_columns = m_rows = 0;
  if (m_width <= 0 || m_height <= 0) return;
  m_columns = m_width / kTileSize + (m_width % kTileSize != 0 ? 1 : 0);
  m_rows = m_height / kTileSize + (m_height % kTileSize != 0 ? 1 : 0);
  m_grid.assign(size_t(m_columns) * size_t(m_rows), nullptr);
  m_tiles.resize(m_grid.size());
  // Column by column, top to bottom within a column; the cleared pixel memory of a large
  // store is made by all workers.
  ForEachTile([&](size_t i) {
    const int32_t c = int32_t(i / size_t(m_rows)), r = int32_t(i % size_t(m_rows));
    const int64_t x = int64_t(m_rect.left) + int64_t(c) * kTileSize,
                  y = int64_t(m_rect.top) + int64_t(r) * kTileSize;
    const int32_t x2 = int32_t(std::min<int64_t>(x + kTileSize, m_rect.right));
    const int32_t y2 = int32_t(std::min<int64_t>(y + kTileSize, m_rect.bottom));
    m_tiles[i] = std::make_unique<LandschaftTile>(Rect{int32_t(x), int32_t(y), x2, y2});
  });
  for (size_t i = 0; i < m_tiles.size(); ++i)
    m_grid[(i % size_t(m_rows)) * size_t(m_columns) + i / size_t(m_rows)] = m_tiles[i].get();
  SetLookupArea();
}

void Landschaft::UnlockAll() {
  for (auto& tile : m_tiles) tile->Unlock();
}

void Landschaft::Tint(Argb colour) {
  float a = float(colour >> 24) / 255.0f;
  float r = float((colour >> 16) & 255) / 255.0f;
  float g = float((colour >> 8) & 255) / 255.0f;
  float b = float(colour & 255) / 255.0f;
  ForEachTile([&](size_t i) { m_tiles[i]->Tint(a, r, g, b); });
}

void Landschaft::Clear() {
  ForEachTile([&](size_t i) { m_tiles[i]->Clear(); });
}

void Landschaft::ForEachTile(const std::function<void(size_t)>& work) {
  const size_t count = m_tiles.size();
  // Small stores are not worth waking the workers for.
  if (count < 8) {
    for (size_t i = 0; i < count; ++i) work(i);
    return;
  }
  const int n = std::min(platform::ProcessorCount(), int(count));
  platform::WorkerPool::Shared().Run(n, [&](int job) {
    for (size_t i = size_t(job); i < count; i += size_t(n)) work(i);
  });
}

void Landschaft::AddAnimation(std::unique_ptr<BewegteAnimation> animation) {
  m_animations.push_back(std::move(animation));
}

void Landschaft::CreateAnimations(const AnimationManager& manager) {
  for (size_t i = m_animationNames.size(); i-- > 0;)
    m_animations.push_back(manager.CreateBewegteAnimation(m_animationNames[i]));
}

void Landschaft::UpdateAnimations(const FrameTimer& timer) {
  for (size_t i = m_animations.size(); i-- > 0;)
    if (m_animations[i]) m_animations[i]->Update(timer.gameStep);
}

namespace {

struct LayerPlacement {
  Vector2 scale;
  Vector2 origin;
};

LayerPlacement Place(const APIGraphics& graphics, const Vector2& camera, const Vector2& zoom,
                     const Vector2& parallax, const Vector2& offset) {
  LayerPlacement p;
  p.scale = Vector2(zoom.x * parallax.x, zoom.y * parallax.y);
  Vector2 centre(float(graphics.GetScreenWidth() / 2) + offset.x,
                 float(graphics.GetScreenHeight() / 2) + offset.y);
  p.origin =
      Vector2((camera.x - centre.x) * parallax.x + centre.x, (camera.y - centre.y) * parallax.y + centre.y);
  return p;
}

}  // namespace

void Landschaft::Draw(const Vector2& camera, const Vector2& zoom, Argb colour) {
  if (!m_graphics) return;
  SpriteRenderer* renderer = m_graphics->GetSpriteRenderer();
  if (!renderer) return;
  LayerPlacement p = Place(*m_graphics, camera, zoom, m_parallax, m_offset);
  for (size_t i = m_tiles.size(); i-- > 0;) {
    const LandschaftTile& tile = *m_tiles[i];
    Vector2 at(tile.Position().x * p.scale.x + p.origin.x, tile.Position().y * p.scale.y + p.origin.y);
    renderer->DrawTransformed(tile.GetTexture(), &tile.LockRect(), &p.scale, nullptr, 0.0, &at, colour);
  }
  for (size_t i = m_animations.size(); i-- > 0;)
    if (m_animations[i]) m_animations[i]->RenderTransformed(p.origin, p.scale, colour);
}

bool Landschaft::DrawAnimationsForEffect(const Vector2& camera, const Vector2& zoom) {
  if (!m_graphics) return false;
  LayerPlacement p = Place(*m_graphics, camera, zoom, m_parallax, m_offset);
  bool drew = false;
  for (size_t i = m_animations.size(); i-- > 0;)
    if (m_animations[i] && m_animations[i]->RenderForEffect(p.origin, zoom)) drew = true;
  return drew;
}
