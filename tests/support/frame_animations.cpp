// One-frame animations for tests.
#include "support/frame_animations.h"

#include "engine/animation.h"
#include "engine/kvnode.h"
#include "engine/texturdefcache.h"
#include "support/kv_fixture.h"

FrameAnimations::FrameAnimations() : m_manager(nullptr) {}
FrameAnimations::FrameAnimations(AnimationManager* target) : m_manager(nullptr), m_target(target) {}
FrameAnimations::~FrameAnimations() = default;

void FrameAnimations::Add(const std::u16string& name, std::shared_ptr<platform::Texture> texture) {
  m_rects.push_back(std::make_unique<Rect>(Rect{0, 0, texture->Width(), texture->Height()}));
  TexturPartDesc desc;
  desc.source = std::move(texture);
  desc.sourceRect = m_rects.back().get();
  m_parts.push_back(std::make_unique<TexturPart>(nullptr, desc));
  auto frames = std::make_unique<AnimationFrames>(name);
  auto frame = std::make_unique<AnimationFrame>();
  frame->texture = m_parts.back().get();
  frame->rect = *m_rects.back();
  frames->AddFrame(std::move(frame));
  m_target->AddFrames(std::move(frames));
  m_target->AddAnimation(std::make_unique<Animation>(
      ParseBody(u"<NAME> \"" + name + u"\" <\\NAME> <ANIMATION_FRAME_NAME> \"" + name +
                    u"\" <\\ANIMATION_FRAME_NAME> <FRAMES> \"0\" <\\FRAMES>",
                u"A")
          .get(),
      nullptr, *m_target));
}
