// Moving animations: a frame animation carried along a path, drawn at a size, turned by a
// fixed angle or along the direction of travel, with child moving animations riding on it.
// The animation manager keeps the definitions; the landscape layers, the backdrops and the
// scenes own the clones they take, update them once a frame and draw them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/animation.h"
#include "engine/gfxtypes.h"
#include "engine/pfadanimation.h"

class APIGraphics;
class AnimationManager;
class KVNode;

class BewegteAnimation {
 public:
  // Reads a BEWEGTEANIMATION entry; its path, its animation and its children come from the
  // manager (which must outlive this and every copy).
  BewegteAnimation(const KVNode* node, AnimationManager& manager);
  // A copy of the definition with its own copies of the path, the current animation and
  // every child.
  BewegteAnimation(const BewegteAnimation& other);
  BewegteAnimation& operator=(const BewegteAnimation&) = delete;
  ~BewegteAnimation();

  // A copy whose path is made anew (without an area) and which picks its animation anew.
  std::unique_ptr<BewegteAnimation> Clone() const;

  void Update(double step);
  // Draws in white at the place on the path (or the position without one).
  void Render();
  // The drawing scale multiplied by `scale`, the top-left corner at
  // (place - size / 2) * scale + offset; the children the same way.
  void RenderTransformed(const Vector2& offset, const Vector2& scale, Argb colour);
  // Draws (in white) only when the current render extra has a colour table for moving
  // animations with a visible colour at this animation's render-extra id; true when it did.
  bool RenderForEffect(const Vector2& offset, const Vector2& scale);

  // The position; with a path, the path is centred there and the area becomes its bounds.
  void SetPosition(const Vector2& position);
  // The area; the position becomes its centre and a path is fitted into it.
  void SetArea(const Rect& area);
  // The landscape layer; a path takes it over and is made anew.
  void SetLayer(int32_t layer);
  void RegeneratePath();
  // Replaces the current animation by a new copy of one of the names, drawn at random.
  void PickAnimation();
  // The angle the animation is drawn at, in radians.
  double GetAngle() const;

  const std::u16string& GetName() const { return m_name; }
  PfadAnimation* GetPath() const { return m_path.get(); }
  Animation* GetAnimation() const { return m_animation.get(); }
  const Rect& GetArea() const { return m_area; }
  const Vector2& GetSize() const { return m_size; }
  const Vector2& GetPosition() const { return m_position; }
  bool RotatesWithDirection() const { return m_rotateWithDirection; }
  double GetRotation() const { return m_rotation; }
  int32_t GetLayer() const { return m_layer; }
  int32_t GetRenderExtraId() const { return m_renderExtraId; }
  const std::vector<std::u16string>& GetAnimationNames() const { return m_animationNames; }
  const std::vector<Vector2>& GetAnimationSizes() const { return m_animationSizes; }
  const std::vector<std::unique_ptr<BewegteAnimation>>& GetChildren() const { return m_children; }

 private:
  void Draw(const Vector2& offset, const Vector2& scale, Argb colour) const;

  APIGraphics* m_graphics;
  AnimationManager* m_manager;
  std::u16string m_name;
  std::vector<std::u16string> m_animationNames;
  std::vector<Vector2> m_animationSizes;
  std::unique_ptr<Animation> m_animation;
  std::unique_ptr<PfadAnimation> m_path;
  Rect m_area;
  Vector2 m_size{10.0f, 10.0f};
  Vector2 m_position;
  bool m_rotateWithDirection = false;
  double m_rotation = 0.0;
  std::vector<std::unique_ptr<BewegteAnimation>> m_children;
  int32_t m_layer = 0;
  int32_t m_renderExtraId = 0;
};
