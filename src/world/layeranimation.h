// What a landscape layer asks of its decorations. The moving animations of the animation
// files (BewegteAnimation, with their manager's CreateBewegteAnimation) are these
// decorations; this narrow view stands in for them until they join the tree, and they
// implement it (or an adapter wraps them) when they do.
#pragma once

#include <memory>
#include <string_view>

#include "engine/gfxtypes.h"

class FrameTimer;

class LayerAnimation {
 public:
  virtual ~LayerAnimation() = default;
  // One frame's update (BewegteAnimation::Update).
  virtual void Update(const FrameTimer& timer) = 0;
  // Draws at the layer origin with the layer scale (BewegteAnimation::RenderTransformed).
  virtual void RenderTransformed(const Vector2& offset, const Vector2& scale, Argb colour) = 0;
  // The effect pass; true when it drew (BewegteAnimation::RenderForEffect).
  virtual bool RenderForEffect(const Vector2& offset, const Vector2& scale) = 0;
};

// Makes a new moving animation by name, or null for an unknown name
// (AnimationManager::CreateBewegteAnimation).
class LayerAnimationSource {
 public:
  virtual ~LayerAnimationSource() = default;
  virtual std::unique_ptr<LayerAnimation> CreateBewegteAnimation(std::u16string_view name) = 0;
};
