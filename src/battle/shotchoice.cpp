// The computer's shot candidates.
#include "battle/shotchoice.h"

#include <algorithm>
#include <cmath>

#include "battle/terrainsnapshot.h"
#include "platform/numeric.h"
#include "world/linewalk.h"

namespace {

constexpr double kRadiansPerDegree = 0.01745329238474369;
constexpr double kDegreesPerRadian = 57.2957763671875;

double Distance(const Vector2& a, const Vector2& b) { return std::hypot(double(a.x) - b.x, double(a.y) - b.y); }

}  // namespace

int32_t SettingAction(double setting) {
  const double n = std::floor(setting - 0.5);
  if (!(n >= 0.0)) return 12;
  return n >= 9.0 ? 21 : int32_t(n) + 12;
}

bool SolveBallistic(ShotCandidate& c, const ShotWeapon& weapon, double gravity) {
  const double g = gravity * weapon.gravityFactor;
  double dx = double(c.to.x) - c.from.x;
  const double dy = double(c.to.y) - c.from.y;
  c.facingRight = dx > 0.0;
  dx = std::fabs(dx);
  const double a = c.angle * kRadiansPerDegree;
  const double cs = std::cos(a);
  // Straight up or down, no pull or no launch speed: no flight of this kind reaches anything.
  if (!(std::fabs(cs) >= 1e-3) || !(g > 0.0) || !(weapon.speed > 0.0) || !std::isfinite(g)) return false;
  const double v = std::sqrt(g * dx * dx / (2.0 * cs * cs * (std::tan(a) * dx + dy)));
  if (!std::isfinite(v)) return false;
  c.setting = 2.0 * std::sin(a) * v / g;
  c.strength = v / weapon.speed;
  return std::isfinite(c.strength);
}

void SimulateFlight(ShotCandidate& c, const ShotWeapon& weapon, double gravity, const TerrainSnapshot& terrain,
                    const ShotSetup& setup, ShotStats* stats) {
  const double g = gravity * weapon.gravityFactor;
  const double a = c.angle * kRadiansPerDegree;
  const double v = weapon.speed * c.strength;
  const double cs = std::cos(a), t = std::tan(a);
  if (stats) ++stats->flights;
  if (!(std::fabs(cs) >= 1e-3) || !(v > 0.0) || !(g > 0.0)) return;
  const double k = g / (2.0 * v * v * cs * cs);
  const double dx = std::fabs(double(c.to.x) - c.from.x);
  const float sx = c.facingRight ? 1.0f : -1.0f;
  const float bottom = float(terrain.GetRect().bottom) + 1.0f;
  const Rect& rect = terrain.GetRect();
  const uint8_t* bytes = terrain.Bytes();
  const int64_t width = terrain.Width();
  Vector2 previous = c.from;
  Vector2 point = c.from;
  // The pixel of the last point.
  int32_t x0 = platform::TruncToInt(previous.x), y0 = platform::TruncToInt(previous.y);
  // Across, step i's point lies i pixels from the start, to the float's rounding: a body
  // can hold it only at the steps where that comes within its radius across. Each body
  // but the shooter's is looked at from a step or two before that to a step or two after
  // (every step when its reach is no number), in the bodies' order.
  struct Body {
    const ShotWorm* worm;
    double first, last;
  };
  std::vector<Body> bodies;
  bodies.reserve(setup.worms.size());
  for (const ShotWorm& w : setup.worms) {
    if (w.shooter) continue;
    const double a = double(sx) * (double(w.centre.x) - w.radius - double(c.from.x));
    const double b = double(sx) * (double(w.centre.x) + w.radius - double(c.from.x));
    const double margin = 2.0 + 1e-6 * (std::fabs(double(c.from.x)) + std::fabs(double(w.centre.x)) + std::fabs(w.radius) + dx);
    Body body{&w, std::min(a, b) - margin, std::max(a, b) + margin};
    if (!(std::isfinite(body.first) && std::isfinite(body.last))) body.first = -INFINITY, body.last = INFINITY;
    bodies.push_back(body);
  }
  int64_t i = 1;
  for (; double(i) < dx; ++i) {
    const double di = double(i);
    point = Vector2(c.from.x + sx * float(di), float(double(c.from.y) - (di * t - k * di * di)));
    if (stats) ++stats->steps;
    // Fallen out of the world: it ends where it left.
    if (!(point.y < bottom)) {
      point = previous;
      break;
    }
    const int32_t x1 = platform::TruncToInt(point.x), y1 = platform::TruncToInt(point.y);
    if (i >= 3) {
      // The step's segment as TerrainSnapshot::TraceSegment walks it. Where its walk (which
      // goes a pixel past its end) lies inside the copy, the bytes are read straight, and
      // from the second segment on its first pixel is passed over: it is the last point's,
      // found empty by the segment before.
      Vector2 hit;
      bool met = false;
      if (std::min(x0, x1) > rect.left && std::max(x0, x1) < rect.right - 1 && std::min(y0, y1) > rect.top &&
          std::max(y0, y1) < rect.bottom - 1) {
        LineWalk walk(x0, y0, x1, y1);
        auto solid = [&] { return bytes[(walk.Y() - rect.top) * width + (walk.X() - rect.left)] != 0; };
        met = i == 3 && solid();
        for (int64_t k = walk.StepCount(); k > 0 && !met; --k) {
          walk.Step();
          met = solid();
        }
        if (met) hit = Vector2(float(walk.X()), float(walk.Y()));
      } else {
        met = terrain.TraceSegment(previous, point, &hit);
      }
      if (met) {
        c.error = Distance(c.to, hit);
        c.impact = hit;
        return;
      }
    }
    for (const Body& body : bodies) {
      if (di < body.first || di > body.last) continue;
      const ShotWorm& w = *body.worm;
      // A body farther across than its radius holds no point of it (its square is no less).
      if (!(std::fabs(double(w.centre.x - point.x)) < w.radius) || !w.Contains(point)) continue;
      if (!w.enemy) {
        c.error = Distance(c.to, c.from);
        c.impact = c.from;
      } else {
        c.error = 0.0;
        c.impact = c.to;
      }
      return;
    }
    previous = point;
    x0 = x1, y0 = y1;
  }
  c.error = Distance(c.to, point);
  c.impact = point;
}

void SolveStraight(ShotCandidate& c, const ShotWeapon& weapon, const TerrainSnapshot& terrain) {
  const double dx = double(c.to.x) - c.from.x, dy = double(c.to.y) - c.from.y;
  c.facingRight = c.to.x > c.from.x;
  c.angle = std::atan2(-dy, std::fabs(dx)) * kDegreesPerRadian;
  c.error = 0.0;
  c.impact = c.to;
  const double length = std::hypot(dx, dy);
  c.setting = weapon.speed > 0.0 ? length / weapon.speed : 10.0;
  c.strength = 1.0;
  Vector2 hit;
  if (terrain.TraceSegment(c.from, c.to, &hit)) {
    c.error = Distance(c.to, hit);
    c.impact = hit;
  }
  const double life = weapon.life;
  if (life != -1.0 && weapon.speed > 0.0 && c.setting > life) {
    const double shortBy = length - weapon.speed * life;
    if (shortBy > c.error) {
      c.error = shortBy;
      const float f = float(life / c.setting);
      c.impact = c.from + (c.to - c.from) * f;
    }
  }
}

std::vector<ShotCandidate> EvaluateShots(const TerrainSnapshot& terrain, const ShotSetup& setup,
                                         const std::atomic<bool>* cancel, ShotStats* stats) {
  std::vector<ShotCandidate> out;
  if (setup.shooter < 0 || setup.shooter >= int32_t(setup.worms.size())) return out;
  const ShotWorm& me = setup.worms[size_t(setup.shooter)];
  const double lo = setup.angles[0], hi = setup.angles[1], step = setup.angles[2];
  // A step of nothing (refused when the parameters are read) tries the smallest angle only.
  const int64_t angleCount =
      (step > 0.0 && std::isfinite(step) && hi >= lo) ? int64_t(std::floor((hi - lo) / step + 1e-9)) + 1 : 1;
  for (size_t wi = 0; wi < setup.weapons.size(); ++wi) {
    const ShotWeapon& weapon = setup.weapons[wi];
    for (size_t ti = 0; ti < setup.worms.size(); ++ti) {
      const ShotWorm& target = setup.worms[ti];
      if (!target.enemy) continue;
      if (cancel && cancel->load(std::memory_order_relaxed)) return out;
      ShotCandidate c;
      c.weapon = int32_t(wi);
      c.target = int32_t(ti);
      c.from = me.shotPosition;
      switch (weapon.kind) {
        case ShotKind::kBallistic: {
          c.to = target.position;
          c.aimPoint = c.to;
          c.impact = c.to;
          ShotCandidate best = c;
          bool kept = false, inRange = false;
          for (int64_t n = 0; n < angleCount; ++n) {
            ShotCandidate trial = c;
            trial.angle = lo + double(n) * step;
            if (!SolveBallistic(trial, weapon, setup.gravity)) continue;
            if (trial.strength > 0.0 && trial.strength <= 1.0) {
              inRange = true;
            } else if (!inRange) {
              trial.strength = trial.strength > 1.0 ? 1.0 : std::max(trial.strength, 0.01);
            } else {
              continue;
            }
            SimulateFlight(trial, weapon, setup.gravity, terrain, setup, stats);
            if (trial.error < best.error) {
              best = trial;
              kept = true;
            }
            if (kept && best.error == 0.0) break;
          }
          out.push_back(kept ? best : c);
          break;
        }
        case ShotKind::kStraight:
          c.to = target.shotPosition;
          c.aimPoint = c.to;
          c.impact = c.to;
          SolveStraight(c, weapon, terrain);
          out.push_back(c);
          break;
        case ShotKind::kAtFeet:
          c.to = target.shotPosition;
          c.facingRight = target.position.x > me.position.x;
          c.aimPoint = target.position;
          c.strength = 0.5;
          c.angle = -setup.aimAngle;
          // It goes off where the shooter stands, not at the far target.
          c.impact = me.position;
          out.push_back(c);
          break;
        default:
          break;
      }
    }
  }
  return out;
}
