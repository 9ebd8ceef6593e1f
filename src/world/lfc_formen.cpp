// The object stages: setting objects on the ground, in the air and in the earth, and
// background objects against the layer's edges.
#include <cmath>

#include "engine/kvnode.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "world/landschaft.h"
#include "world/levelsetting.h"
#include "world/lfc_stages.h"
#include "world/lfc_support.h"

namespace {

using platform::RandFraction;
using platform::TruncToInt;

struct Placement {
  Vector2 position;
  Vector2 size;
};

// A new placement closer to an earlier one than their areas allow.
bool TooClose(const std::vector<Placement>& placed, float x, float y, float w, float h) {
  for (const Placement& p : placed) {
    const float dx = x - p.position.x, dy = y - p.position.y;
    if (p.size.x * p.size.y + w * h > dx * dx + dy * dy) return true;
  }
  return false;
}

// Width and height from the object's size range: one draw for a uniform size, else one for
// the width and one for the height.
void DrawSize(const SettingObjekt& o, float& w, float& h) {
  if (o.scaleSymmetric) {
    const float lo = std::max(o.minSize.x, o.minSize.y), hi = std::min(o.maxSize.x, o.maxSize.y);
    const double r = RandFraction();
    w = h = float((hi - lo) * r + lo);
  } else {
    const double rw = RandFraction();
    w = float((o.maxSize.x - o.minSize.x) * rw + o.minSize.x);
    const double rh = RandFraction();
    h = float((o.maxSize.y - o.minSize.y) * rh + o.minSize.y);
  }
}

// The object's rectangle with its anchor on (x, y).
Rect AnchoredRect(const SettingObjekt& o, int32_t x, int32_t y, float w, float h) {
  const float fx = float(x), fy = float(y);
  return {TruncToInt(fx - o.anchor.x * w), TruncToInt(fy - o.anchor.y * h),
          TruncToInt(fx + (1.0f - o.anchor.x) * w), TruncToInt(fy + (1.0f - o.anchor.y) * h)};
}

// The angle at which an object leans with the ground: across the free direction.
double SurfaceAngle(const Landschaft& layer, int32_t x, int32_t y) {
  const Vector2 n = layer.FreeDirectionAt(Vector2(float(x), float(y)), 50, 5);
  constexpr double kPi = double(3.1415927f);
  double angle;
  if (n.x > 0.0f)
    angle = std::atan(double(n.y / n.x));
  else if (n.x < 0.0f)
    angle = std::atan(double(n.y / n.x)) + kPi;
  else
    angle = n.y < 0.0f ? 3.0 * kPi / 2.0 : kPi / 2.0;
  return angle * 57.2957763671875;
}

LandStamp ObjectStamp(const SettingObjekt& o, const Rect& dest, float w, float h, double angle,
                      const LandschaftsFormCreator& stage) {
  const Vector2 centre(w * o.rotationCentre.x, h * o.rotationCentre.y);
  platform::Texture* texture = o.texture ? o.texture->texture : nullptr;
  const Rect source = o.texture ? o.texture->rect : Rect{};
  return LandStamp(texture, source, dest, &centre, &angle, true, stage.ColourKey(), stage.SourceBlend(),
                   stage.DestBlend(), stage.Clamp());
}

// True when a pixel of the grid around (x, y) rules the place out: any pixel that is not
// clear (air objects), or any that is clear (earth objects).
bool GridBlocked(const Landschaft& layer, int32_t x, int32_t y, float w, float h, bool needClear) {
  for (int32_t dx = TruncToInt(-w); float(dx) < w; dx += 20) {
    for (int32_t dy = TruncToInt(-h); float(dy) < h; dy += 20) {
      const uint32_t* p = layer.PeekPixel(x + dx, y + dy);
      if (!p) continue;
      const bool clear = (*p >> 24) == 0;
      if (clear != needClear) return true;
    }
  }
  return false;
}

}  // namespace

LFC_Formen::LFC_Formen(const KVNode* section, const LevelSetting* setting, int32_t kind, double scale)
    : LandschaftsFormCreator(section, setting, kind, scale) {
  if (!section) return;
  section->Read(u"ANZ_FORMEN", m_countBase, 0);
  section->Read(u"ANZ_FORMEN", m_countRange, 1);
  section->Read(u"MODUS", m_mode);
}

void LFC_Formen::Randomize(int32_t) {
  const double r1 = RandFraction();
  const double r2 = RandFraction();
  if (m_mode == 1) {
    m_countBase = (r1 - 0.5) * 2 * 2 + 3;
    m_countRange = (r2 - 0.5) * 2 * 1 + 2;
  } else {
    m_countBase = (r1 - 0.5) * 2 * 5 + 10;
    m_countRange = (r2 - 0.5) * 2 * 2 + 4;
  }
  m_sourceBlend = m_mode == 2 ? 9 : 12;
  m_destBlend = m_mode == 2 ? 11 : 1;
  m_clamp = true;
  m_maskColour = kOpaqueRed;
}

void LFC_Formen::Apply(Landschaft& layer, Landschaft& mask, MyLoadScreen*) {
  const Rect work = WorkingRect(layer);
  const int32_t width = work.right - work.left, height = work.bottom - work.top;
  const int32_t count = TruncToInt(RandFraction() * m_countRange + m_countBase);
  if (width <= 0 || height <= 0) return;
  const LevelSetting& setting = Setting();
  std::vector<Placement> placed;
  lfc::StampBatch maskStamps;
  int32_t failures = 0;
  // Up to the count (a negative count places nothing, rather than placing until the
  // failures run out).
  while (int32_t(placed.size()) < count && failures < kMaxFailures) {
    ++failures;
    const SettingObjekt* o = m_mode == 1   ? setting.PickObjektLuft(m_kind)
                             : m_mode == 2 ? setting.PickObjektErde(m_kind)
                                           : setting.PickObjekt(m_kind);
    if (!o) continue;
    float w, h;
    DrawSize(*o, w, h);
    w *= float(m_scale);
    h *= float(m_scale);
    int32_t x = TruncToInt(RandFraction() * width);
    int32_t y = TruncToInt(RandFraction() * height);
    x += work.left;
    y += work.top;
    if (m_mode == 1 || m_mode == 2) {
      if (GridBlocked(layer, x, y, w, h, m_mode == 1)) continue;
    } else {
      int32_t row = 0;
      if (!layer.FindSurfaceY(x, y, height, row)) continue;
      y = row;
    }
    const Rect dest = AnchoredRect(*o, x, y, w, h);
    if (TooClose(placed, float(x), float(y), w, h)) continue;
    double angle = RandFraction() * (o->rotationMax - o->rotationMin) + o->rotationMin;
    if (o->takeWorldNormal) angle = SurfaceAngle(layer, x, y);
    // The next placement's surface and grid tests see this object in the layer; nothing
    // here reads the mask, whose stamps go in one batch at the end.
    const LandStamp stamp = ObjectStamp(*o, dest, w, h, angle, *this);
    layer.StampTexture(stamp, nullptr);
    maskStamps.AddToBoth(stamp, m_maskColour);
    placed.push_back({Vector2(float(x), float(y)), Vector2(w, h)});
    failures = 0;
  }
  maskStamps.layerStamps.clear();
  maskStamps.Draw(layer, mask);
}

void LFC_Formen::DescribeParameters(std::u16string& out) const {
  DescribeValue(out, u"count", m_countBase);
  DescribeValue(out, u"range", m_countRange);
  DescribeValue(out, u"mode", m_mode);
}

LFC_HGObjektePlacer::LFC_HGObjektePlacer(const KVNode* section, const LevelSetting* setting, int32_t kind,
                                         double scale)
    : LandschaftsFormCreator(section, setting, kind, scale) {
  if (!section) return;
  section->Read(u"ANZ_FORMEN", m_countBase, 0);
  section->Read(u"ANZ_FORMEN", m_countRange, 1);
}

void LFC_HGObjektePlacer::Randomize(int32_t kind) {
  const double r1 = RandFraction();
  const double r2 = RandFraction();
  m_countBase = (r1 - 0.5) * 2 * 5 + 6;
  m_countRange = (r2 - 0.5) * 2 * 2 + 3;
  m_sourceBlend = 9;
  m_destBlend = 1;
  m_clamp = true;
  m_maskColour = kOpaqueRed;
  if (kind != 0) m_colourKey = Grey(kind);
}

void LFC_HGObjektePlacer::Apply(Landschaft& layer, Landschaft& mask, MyLoadScreen*) {
  const Rect work = WorkingRect(layer);
  const int32_t width = work.right - work.left, height = work.bottom - work.top;
  const int32_t count = TruncToInt(RandFraction() * m_countRange + m_countBase);
  if (width <= 0 || height <= 0) return;
  const LevelSetting& setting = Setting();
  std::vector<Placement> placed;
  // Placements never look at the pixels, so the objects are drawn together at the end.
  lfc::StampBatch batch;
  int32_t failures = 0;
  while (int32_t(placed.size()) < count && failures < LFC_Formen::kMaxFailures) {
    ++failures;
    const HintergrundObjekt* o = setting.PickObjektHG(m_kind);
    if (!o) continue;
    float w, h;
    if (o->scaleSymmetric) {
      // Uniform: the height from the range, the width from the picture's own proportions.
      const float lo = std::max(o->minSize.x, o->minSize.y), hi = std::min(o->maxSize.x, o->maxSize.y);
      const double r = RandFraction();
      h = float((hi - lo) * r + lo);
      float aspect = 1.0f;
      if (o->texture && o->texture->texture) {
        const Rect& t = o->texture->rect;
        if (t.bottom != t.top) aspect = float(t.right - t.left) / float(t.bottom - t.top);
      }
      w = h * aspect;
    } else {
      DrawSize(*o, w, h);
    }
    w *= float(m_scale);
    h *= float(m_scale);
    int32_t x = TruncToInt(RandFraction() * width);
    int32_t y = TruncToInt(RandFraction() * height);
    if (!o->placeInAir) {
      int32_t sides = 0;
      for (bool edge : o->edges) sides += edge ? 1 : 0;
      if (sides == 0) continue;
      const int32_t k = TruncToInt(sides * RandFraction());
      // The first allowed side at which the running count reaches k: k = 0 and k = 1 both
      // choose the first one.
      int32_t side = 0;
      for (int32_t i = 0, running = 0; i < 4; ++i) {
        if (!o->edges[size_t(i)]) continue;
        if (++running >= k) {
          side = i;
          break;
        }
      }
      switch (side) {
        case 0:
          x = TruncToInt(o->anchor.x * w);
          break;
        case 1:
          y = TruncToInt(o->anchor.y * h);
          break;
        case 2:
          x = TruncToInt(float(width) - (1.0f - o->anchor.x) * w);
          break;
        default:
          y = TruncToInt(float(height) - (1.0f - o->anchor.y) * h);
          break;
      }
    }
    x += work.left;
    y += work.top;
    const Rect dest = AnchoredRect(*o, x, y, w, h);
    if (TooClose(placed, float(x), float(y), w, h)) continue;
    const double angle = RandFraction() * (o->rotationMax - o->rotationMin) + o->rotationMin;
    batch.AddToBoth(ObjectStamp(*o, dest, w, h, angle, *this), m_maskColour);
    placed.push_back({Vector2(float(x), float(y)), Vector2(w, h)});
    failures = 0;
  }
  batch.Draw(layer, mask);
}

void LFC_HGObjektePlacer::DescribeParameters(std::u16string& out) const {
  DescribeValue(out, u"count", m_countBase);
  DescribeValue(out, u"range", m_countRange);
}
