// What the post effects need of the picture they work on: the battle (or, until the battle
// exists, a stand-in scene) draws its world into the current render target, and draws the
// things of a render extra into an effect's extra target.
#pragma once

#include <string>

class PostEffectScene {
 public:
  virtual ~PostEffectScene() = default;
  // Draws the world into the current render target; the caller has begun the scene and
  // ends it.
  virtual void RenderPass() = 0;
  // Draws what the render extra of this name renders, in its key colours, into the current
  // target; true when anything was drawn.
  virtual bool RenderForEffect(const std::u16string& name) = 0;
};
