// The particle's move against the terrain: the pixel walk, the collision shapes, the bounce
// and the turn towards a surface.
#include <algorithm>
#include <cmath>

#include "engine/animation.h"
#include "engine/texturdefcache.h"
#include "objects/partikel.h"
#include "objects/partikelinfo.h"
#include "objects/simservices.h"
#include "platform/numeric.h"
#include "world/collisionshape.h"
#include "world/landschaft.h"
#include "world/welt.h"

namespace {

int32_t Sign(int32_t v) { return (v > 0) - (v < 0); }

}  // namespace

bool Partikel::BuildShape(const Vector2& p, CollisionShape& shape) const {
  const Vector2 half = m_size / 2.0f;
  auto box = [&] {
    return Rect{platform::TruncToInt(p.x - half.x), platform::TruncToInt(p.y - half.y),
                platform::TruncToInt(half.x + p.x), platform::TruncToInt(half.y + p.y)};
  };
  const AnimationFrame* frame =
      (m_shape == 3 || m_shape == 4) && m_animation ? m_animation->GetCurrentFrame() : nullptr;
  const bool hasFrame = frame && frame->texture && frame->texture->texture;
  switch (m_shape) {
    case 1:
      shape = CollisionShape::MakePoint(p);
      return true;
    case 2:
      shape = CollisionShape::MakeBox(box());
      return true;
    case 3:
      if (!hasFrame) {
        shape = CollisionShape::MakeBox(box());
        return true;
      }
      shape = CollisionShape::MakeFrameMask(box(), frame->texture->texture, frame->rect);
      shape.mask = m_type->MaskFor(frame);
      return true;
    case 4: {
      if (!hasFrame) {
        shape = CollisionShape::MakeBox(box());
        return true;
      }
      const platform::Matrix m = platform::Matrix::Translation(-half.x, -half.y) *
                                 platform::Matrix::RotationZ(float(m_angle * kDegToRad)) *
                                 platform::Matrix::Translation(p.x, p.y);
      shape = CollisionShape::MakeTransformedMask(m_size, frame->texture->texture, frame->rect, m);
      shape.mask = m_type->MaskFor(frame);
      return true;
    }
    default:
      return false;
  }
}

bool Partikel::CollidesAt(const Vector2& p, Vector2& contact) {
  Welt* world = m_services->world;
  if (!world) return false;
  CollisionShape shape;
  BuildShape(p, shape);
  return world->TestCollision(shape, contact);
}

bool Partikel::SweepMayHit(const Vector2& from, const Vector2& to) const {
  Welt* world = m_services->world;
  const Landschaft* land = world ? world->GetGameLandschaft() : nullptr;
  if (!land) return false;
  // Every point the walk tests lies within one pixel of the cells between the two ends;
  // each shape reaches at most its half size (its half diagonal when turned) around it.
  double reachX = m_size.x / 2.0, reachY = m_size.y / 2.0;
  if (m_shape == 4) reachX = reachY = std::sqrt(reachX * reachX + reachY * reachY);
  const double left = std::min(std::floor(from.x), std::floor(to.x)) - 2.0 - reachX;
  const double right = std::max(std::floor(from.x), std::floor(to.x)) + 2.0 + reachX;
  const double top = std::min(std::floor(from.y), std::floor(to.y)) - 2.0 - reachY;
  const double bottom = std::max(std::floor(from.y), std::floor(to.y)) + 2.0 + reachY;
  const Rect area = land->GetRect();
  const int32_t x0 = int32_t(std::max(left, double(area.left)));
  const int32_t x1 = int32_t(std::min(right, double(area.right) - 1.0));
  const int32_t y0 = int32_t(std::max(top, double(area.top)));
  const int32_t y1 = int32_t(std::min(bottom, double(area.bottom) - 1.0));
  return world->AnySolidIn(x0, y0, x1, y1);
}

bool Partikel::MoveWithCollision(const Vector2& from, const Vector2& to, Vector2& contact,
                                 Vector2& lastFree) {
  const int32_t fx = platform::TruncToInt(from.x), fy = platform::TruncToInt(from.y);
  const int32_t tx = platform::TruncToInt(to.x), ty = platform::TruncToInt(to.y);
  // Boxes and masks cost many reads per tested point: a move through open air skips them,
  // with the same result, when no terrain pixel in reach of the walk is solid.
  if (m_shape >= 2 && m_shape <= 4 && !SweepMayHit(from, to)) {
    lastFree = to;
    return false;
  }
  // A point reads one pixel per step: it asks the game layer directly instead of building
  // a shape record for the world's general test, with the same answers.
  if (m_shape == 1) {
    Welt* world = m_services->world;
    const Landschaft* land = world ? world->GetGameLandschaft() : nullptr;
    if (!land) {
      lastFree = to;
      return false;
    }
    // Far out, whole floats are no longer one apart: there the walk keeps its float steps.
    constexpr int32_t kExact = 1 << 23;
    const auto exact = [](int32_t v) { return v > -kExact && v < kExact; };
    if (exact(fx) && exact(fy) && exact(tx) && exact(ty))
      return WalkPointsSkippingClear(*land, fx, fy, tx, ty, to, lastFree, contact);
    return WalkPoints(fx, fy, tx, ty, to, lastFree, [&](const Vector2& p) {
      if (!land->IsSolidAt(p.x, p.y)) return false;
      contact = p;
      return true;
    });
  }
  return WalkPoints(fx, fy, tx, ty, to, lastFree, [&](const Vector2& p) { return CollidesAt(p, contact); });
}

template <class Collides>
bool Partikel::WalkPoints(int32_t fx, int32_t fy, int32_t tx, int32_t ty, const Vector2& to,
                          Vector2& lastFree, Collides collides) {
  int32_t dx = tx - fx, dy = ty - fy;
  const int32_t sx = Sign(dx), sy = Sign(dy);
  dx = std::abs(dx);
  dy = std::abs(dy);
  Vector2 straight;
  const Vector2 diagonal = Vector2(float(sx), float(sy));
  int32_t longAxis, shortAxis;
  if (dx > dy) {
    straight = Vector2(float(sx), 0.0f);
    longAxis = dx;
    shortAxis = dy;
  } else {
    straight = Vector2(0.0f, float(sy));
    longAxis = dy;
    shortAxis = dx;
  }
  Vector2 p = Vector2(float(fx), float(fy));
  int32_t error = longAxis / 2;
  if (collides(p)) return true;
  lastFree = p;
  // One step more than the cells between the ends: the walk also tests one pixel beyond
  // the target cell along the long axis, which is what lands a slow faller on the ground.
  for (int32_t i = 0; i <= longAxis; ++i) {
    error -= shortAxis;
    if (error < 0) {
      error += longAxis;
      p += diagonal;
    } else {
      p += straight;
    }
    if (collides(p)) return true;
    lastFree = p;
  }
  if (collides(to)) return true;
  lastFree = to;
  return false;
}

bool Partikel::WalkPointsSkippingClear(const Landschaft& land, int32_t fx, int32_t fy, int32_t tx, int32_t ty,
                                       const Vector2& to, Vector2& lastFree, Vector2& contact) {
  // The walk of WalkPoints in integers: where a point lies in a stretch of the plane known
  // to hold no solid pixel, the points after it inside that stretch are free as well and
  // are passed over at once, with the error term they would have left.
  int32_t dx = tx - fx, dy = ty - fy;
  const int32_t sx = Sign(dx), sy = Sign(dy);
  dx = std::abs(dx);
  dy = std::abs(dy);
  const bool alongX = dx > dy;
  const int32_t longAxis = alongX ? dx : dy, shortAxis = alongX ? dy : dx;
  int32_t x = fx, y = fy;
  Rect clear;
  // Most moves are a few pixels through open air: when the points the walk tests (within
  // one pixel of the box of its ends, the end's float included) all lie in one clear
  // stretch, none of them is solid; nor when no pixel of that box is solid.
  if (land.ClearAround(x, y, clear) && std::min(fx, tx) > clear.left && std::max(fx, tx) < int64_t(clear.right) - 1 &&
      std::min(fy, ty) > clear.top && std::max(fy, ty) < int64_t(clear.bottom) - 1) {
    lastFree = to;
    return false;
  }
  if (!land.AnySolidIn(std::min(fx, tx) - 1, std::min(fy, ty) - 1, std::max(fx, tx) + 1, std::max(fy, ty) + 1)) {
    lastFree = to;
    return false;
  }
  int32_t error = longAxis / 2;
  // Steps after the start: one more than the cells between the ends (see WalkPoints).
  const int64_t steps = int64_t(longAxis) + 1;
  int64_t done = 0;
  for (;;) {
    if (land.ClearAround(x, y, clear)) {
      // Each step moves at most one pixel along either axis.
      const int64_t roomX = sx > 0 ? int64_t(clear.right) - 1 - x : sx < 0 ? int64_t(x) - clear.left : INT64_MAX;
      const int64_t roomY = sy > 0 ? int64_t(clear.bottom) - 1 - y : sy < 0 ? int64_t(y) - clear.top : INT64_MAX;
      const int64_t k = std::min({roomX, roomY, steps - done});
      if (k > 0 && longAxis > 0) {
        // The error loses shortAxis a step and gains longAxis each time it would go below
        // zero, which is when the step is diagonal; it stays in [0, longAxis).
        const int64_t owed = k * shortAxis - error;
        const int64_t diagonal = owed > 0 ? (owed + longAxis - 1) / longAxis : 0;
        error = int32_t(error - k * shortAxis + diagonal * longAxis);
        if (alongX) {
          x += int32_t(k * sx);
          y += int32_t(diagonal * sy);
        } else {
          y += int32_t(k * sy);
          x += int32_t(diagonal * sx);
        }
        done += k;
      }
    } else if (land.IsSolidAtSkippingClear(x, y)) {
      contact = Vector2(float(x), float(y));
      return true;
    }
    lastFree = Vector2(float(x), float(y));
    if (done == steps) break;
    error -= shortAxis;
    const bool diagonal = error < 0;
    if (diagonal) error += longAxis;
    if (alongX) {
      x += sx;
      if (diagonal) y += sy;
    } else {
      y += sy;
      if (diagonal) x += sx;
    }
    ++done;
  }
  if (land.IsSolidAtSkippingClear(to.x, to.y)) {
    contact = to;
    return true;
  }
  lastFree = to;
  return false;
}

void Partikel::Bounce(double s) {
  Welt* world = m_services->world;
  if (!world) return;
  const PartikelInfo& t = *m_type;
  const Vector2 n = t.rotateWithCollision < 2 ? world->SurfaceTangentAt(m_contact, 50, 5)
                                              : world->FreeDirectionAt(m_contact, 50, 5);
  const Vector2 d = m_speed / float(s);
  const float k = 2.0f * (n.x * d.x + n.y * d.y);
  m_speed = (n * k - d) * float(s) * float(1.0 - m_collisionFriction);
  if (t.rotateWithDirection) return;
  if (t.rotateWithCollision != 0)
    m_spin = k * m_startSpin / 2.0 * s / m_maxSpeed;
  else if (t.rotateWithNormal != 0)
    OnCollide(t.rotateWithNormal != 1, m_contact, &n);
}

void Partikel::OnCollide(bool useFreeDirection, const Vector2& point, const Vector2* direction) {
  Vector2 v(1.0f, 0.0f);
  if (direction)
    v = *direction;
  else if (Welt* world = m_services->world)
    v = useFreeDirection ? world->FreeDirectionAt(point, 10, 4)
                         : world->SurfaceTangentAt(point, 50, platform::TruncToInt(m_size.x / 2.0f));
  double a;
  if (v.x > 0.0f)
    a = std::atan(double(v.y) / double(v.x));
  else if (v.x < 0.0f)
    a = std::atan(double(v.y) / double(v.x)) + 3.1415927;
  else
    a = v.y < 0.0f ? 4.712389 : 1.5707964;
  if (m_type->rotateMirror && m_speed.x < 0.0f) a += 3.1415927;
  m_angle = a * kRadToDeg + m_startAngle;
}
