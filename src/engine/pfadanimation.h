// Paths that decorations travel along: a list of points, either given or made by one of three
// random generators (a point cloud, a band drifting across an area, a wobbly closed outline),
// walked at a constant speed in pixels per second along a Catmull-Rom spline or straight
// segments, looping or back and forth.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"

class KVNode;

class PfadAnimation {
 public:
  enum Kind : int32_t { kNone = 0, kCloud = 1, kOutline = 2, kBand = 3 };

  // Reads a PFADANIMATION entry; the cloud and the outline are made at once (drawing from the
  // game's random generator), the band only when it is given an area.
  explicit PfadAnimation(const KVNode* node);
  PfadAnimation(const PfadAnimation&) = default;
  PfadAnimation& operator=(const PfadAnimation&) = default;

  std::unique_ptr<PfadAnimation> Clone() const { return std::make_unique<PfadAnimation>(*this); }

  // Advances along the path and recomputes position and direction.
  void Update(double step);
  // The point at the current place (and sets the direction of travel).
  Vector2 Evaluate();
  // Makes the points anew with the generator of its kind, in the area or, without one, in
  // the bounding box of the current points. Paths of given points keep them, and a path
  // without points has no area to work in without one.
  void Regenerate(const Rect* area);
  // Scales and moves the points so that their bounding box fills the area. Along an axis on
  // which every point lies at one coordinate (nothing to scale), they go to the area's middle.
  void FitInto(const Rect& area);
  // Moves the points so that their bounding box is centred on c.
  void CenterOn(const Vector2& c);
  // The points' bounding box, truncated to integers; empty at the origin without points.
  Rect GetBounds() const;
  // The drifting band's layer; the path is made anew.
  void SetLayer(int32_t layer);

  // The generators (also used by Regenerate). Each clears the points first.
  void CreateCloud(const Rect& area, int32_t count);
  void CreateBand(const Rect& area, int32_t count, int32_t layer);
  void CreateOutline(const Rect& area, int32_t count, double smooth, double split, int32_t splitPasses,
                     int32_t smoothPasses);

  const Vector2& GetPosition() const { return m_position; }
  const Vector2& GetDirection() const { return m_direction; }
  const std::u16string& GetName() const { return m_name; }
  const std::vector<Vector2>& GetPoints() const { return m_points; }
  void SetPoints(std::vector<Vector2> points) { m_points = std::move(points); }
  Kind GetKind() const { return Kind(m_kind); }
  bool IsLooping() const { return m_loop; }
  bool IsWelded() const { return m_weld; }
  bool IsLinear() const { return m_linear; }
  bool IsForward() const { return m_forward; }
  double GetSpeed() const { return m_speed; }
  double GetBaseSpeed() const { return m_baseSpeed; }
  double GetT() const { return m_t; }
  void SetT(double t) { m_t = t; }
  double GetSegmentLength() const { return m_segmentLength; }
  void SetHalt(double halt) { m_halt = halt; }
  int32_t GetLayer() const { return m_layer; }
  int32_t GetCount() const { return m_count; }

 private:
  // Indices into the points of the current segment's four control points.
  void ControlPoints(int32_t n, int32_t out[4]) const;

  std::u16string m_name = u"PFADANIMATION";
  std::vector<Vector2> m_points;
  Vector2 m_position;
  Vector2 m_direction;
  bool m_loop = true;
  bool m_weld = true;
  double m_speed = 1.0;
  double m_baseSpeed = 1.0;
  bool m_linear = false;
  double m_halt = 0.0;
  double m_t = 0.0;
  // A path that does not loop is walked from its first point first.
  bool m_forward = true;
  double m_segmentLength = 0.0;
  double m_stepSpeed = 1.0;
  int32_t m_kind = kNone;
  double m_smooth = 0.0;
  double m_split = 0.0;
  int32_t m_count = 0;
  int32_t m_splitPasses = 0;
  int32_t m_smoothPasses = 0;
  int32_t m_layer = 0;
  int32_t m_height[2] = {0, 0};
};
