// An animation manager holding animations of one frame each, made from pictures a test
// draws itself: for particles that need something to draw, stamp or collide with.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/animationmanager.h"
#include "engine/gfxtypes.h"
#include "platform/texture.h"

class TexturPart;

class FrameAnimations {
 public:
  FrameAnimations();
  // Fills that manager (borrowed, e.g. the game-wide one) instead of its own.
  explicit FrameAnimations(AnimationManager* target);
  ~FrameAnimations();
  FrameAnimations(const FrameAnimations&) = delete;
  FrameAnimations& operator=(const FrameAnimations&) = delete;

  // An animation of that name showing the whole texture as its one frame.
  void Add(const std::u16string& name, std::shared_ptr<platform::Texture> texture);
  const AnimationManager* Manager() const { return m_target; }

 private:
  std::vector<std::unique_ptr<Rect>> m_rects;
  std::vector<std::unique_ptr<TexturPart>> m_parts;
  AnimationManager m_manager;
  AnimationManager* m_target = &m_manager;
};
