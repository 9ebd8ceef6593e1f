// Moving animations: reading, copying, updating and drawing.
#include "engine/bewegteanimation.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "engine/animationmanager.h"
#include "engine/apigraphics.h"
#include "engine/kvnode.h"
#include "engine/pendingsteps.h"
#include "engine/renderextralookup.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "platform/numeric.h"
#include "platform/random.h"

namespace {

constexpr double kDegreesToRadians = 0.01745329238474369;
// The angles of the direction of travel, as single-precision constants.
constexpr double kHalfTurn = double(3.1415927f);
constexpr double kQuarterTurn = double(1.5707964f);
constexpr double kThreeQuarterTurn = double(4.712389f);

}  // namespace

BewegteAnimation::BewegteAnimation(const KVNode* node, AnimationManager& manager)
    : m_graphics(manager.GetGraphics()), m_manager(&manager) {
  if (!node) return;
  node->Read(u"NAME", m_name);
  if (const KVValue* pathName = node->Find(u"PFAD")) {
    m_path = manager.CreatePfadAnimation(pathName->Text());
    if (m_path) m_area = m_path->GetBounds();
  }
  node->Read(u"DEFAULT_SIZE", m_size.x, 0);
  node->Read(u"DEFAULT_SIZE", m_size.y, 1);
  node->Read(u"RENDER_EXTRA_ID", m_renderExtraId);
  if (const KVNode* sizes = node->GetChild(0, u"ANIMATION_SIZE")) {
    for (unsigned i = 0; const KVNode* entry = sizes->GetChild(i, u"ANIMATION"); ++i) {
      const KVValue* name = entry->GetValue(0);
      if (!name) continue;
      Vector2 size = m_size;
      if (entry->GetValueCount() >= 3)
        size = Vector2(float(entry->GetValue(1)->AsDouble()), float(entry->GetValue(2)->AsDouble()));
      m_animationNames.push_back(name->Text());
      m_animationSizes.push_back(size);
    }
  }
  PickAnimation();
  if (const KVNode* children = node->GetChild(0, u"BEWEGTEANIMATIONEN")) {
    for (unsigned i = 0; i < children->GetValueCount(); ++i)
      if (auto child = manager.CreateBewegteAnimation(children->GetValue(i)->Text()))
        m_children.push_back(std::move(child));
  }
  node->Read(u"ROTATE_WITH_DIR", m_rotateWithDirection);
  node->Read(u"ROTATION", m_rotation);
  if (const KVNode* rect = node->GetChild(0, u"RECT"); rect && rect->GetValueCount() >= 4) {
    SetArea({platform::TruncToInt(rect->GetValue(0)->AsDouble()),
             platform::TruncToInt(rect->GetValue(1)->AsDouble()),
             platform::TruncToInt(rect->GetValue(2)->AsDouble()),
             platform::TruncToInt(rect->GetValue(3)->AsDouble())});
  }
  if (const KVNode* position = node->GetChild(0, u"POSITION"); position && position->GetValueCount() >= 2)
    SetPosition({float(position->GetValue(0)->AsDouble()), float(position->GetValue(1)->AsDouble())});
}

BewegteAnimation::BewegteAnimation(const BewegteAnimation& other)
    : m_graphics(other.m_graphics),
      m_manager(other.m_manager),
      m_name(other.m_name),
      m_animationNames(other.m_animationNames),
      m_animationSizes(other.m_animationSizes),
      m_animation(other.m_animation ? other.m_animation->Clone() : nullptr),
      m_path(other.m_path ? other.m_path->Clone() : nullptr),
      m_area(other.m_area),
      m_size(other.m_size),
      m_position(other.m_position),
      m_rotateWithDirection(other.m_rotateWithDirection),
      m_rotation(other.m_rotation),
      m_layer(other.m_layer),
      m_renderExtraId(other.m_renderExtraId) {
  for (const auto& child : other.m_children) m_children.push_back(std::make_unique<BewegteAnimation>(*child));
}

BewegteAnimation::~BewegteAnimation() = default;

std::unique_ptr<BewegteAnimation> BewegteAnimation::Clone() const {
  // The random draws of a clone, in order: the copy's animation and those of its children
  // (one start-frame draw each, first child first, depth first), the new path, then the pick
  // (one draw) and the picked animation's start frame (one draw).
  auto copy = std::make_unique<BewegteAnimation>(*this);
  copy->RegeneratePath();
  copy->PickAnimation();
  return copy;
}

void BewegteAnimation::PickAnimation() {
  m_animation.reset();
  if (m_animationNames.empty() || !m_manager) return;
  const int32_t count = int32_t(m_animationNames.size());
  const int32_t k = std::min(platform::TruncToInt(platform::RandFraction() * double(count)), count - 1);
  m_animation = m_manager->CreateAnimation(m_animationNames[size_t(k)]);
  m_size = m_animationSizes[size_t(k)];
}

void BewegteAnimation::Update(double step) {
  if (m_animation) m_animation->Update(step);
  if (m_path) m_path->Update(step);
  for (size_t i = m_children.size(); i-- > 0;) {
    if (m_path) m_children[i]->SetPosition(m_path->GetPosition());
    m_children[i]->Update(step);
  }
}

void BewegteAnimation::SetPosition(const Vector2& position) {
  m_position = position;
  if (!m_path) return;
  m_path->CenterOn(position);
  m_area = m_path->GetBounds();
}

void BewegteAnimation::SetArea(const Rect& area) {
  m_area = area;
  // Halved in 64 bits: an extreme area cannot overflow.
  m_position = Vector2(float((int64_t(area.left) + area.right) / 2), float((int64_t(area.top) + area.bottom) / 2));
  if (m_path) m_path->FitInto(area);
}

void BewegteAnimation::SetLayer(int32_t layer) {
  m_layer = layer;
  if (m_path) m_path->SetLayer(layer);
}

void BewegteAnimation::RegeneratePath() {
  if (m_path) m_path->Regenerate(nullptr);
}

double BewegteAnimation::GetAngle() const {
  if (!m_rotateWithDirection || !m_path) return m_rotation;
  const Vector2& d = m_path->GetDirection();
  double angle;
  if (d.x > 0.0f)
    angle = std::atan(double(d.y / d.x));
  else if (d.x < 0.0f)
    angle = std::atan(double(d.y / d.x)) + kHalfTurn;
  else
    angle = d.y >= 0.0f ? kQuarterTurn : kThreeQuarterTurn;
  return angle + m_rotation * kDegreesToRadians;
}

void BewegteAnimation::Draw(const Vector2& offset, const Vector2& scale, Argb colour) const {
  SpriteRenderer* renderer = m_graphics ? m_graphics->GetSpriteRenderer() : nullptr;
  const AnimationFrame* frame = m_animation ? m_animation->GetCurrentFrame() : nullptr;
  if (renderer && frame && frame->texture && frame->texture->texture) {
    const int64_t frameWidth = int64_t(frame->rect.right) - frame->rect.left;
    const int64_t frameHeight = int64_t(frame->rect.bottom) - frame->rect.top;
    // A frame without width or height has nothing to stretch to the size.
    if (frameWidth != 0 && frameHeight != 0) {
      const Vector2 drawScale(m_size.x / float(frameWidth) * scale.x,
                              m_size.y / float(frameHeight) * scale.y);
      const Vector2 place = m_path ? m_path->GetPosition() : m_position;
      const Vector2 half = m_size / 2.0f;
      const Vector2 topLeft((place.x - half.x) * scale.x + offset.x, (place.y - half.y) * scale.y + offset.y);
      const Vector2 centre(half.x * scale.x, half.y * scale.y);
      renderer->DrawTransformed(frame->texture->texture, &frame->rect, &drawScale, &centre, GetAngle(),
                                &topLeft, colour);
    }
  }
  for (size_t i = m_children.size(); i-- > 0;) m_children[i]->Draw(offset, scale, colour);
}

void BewegteAnimation::Render() { Draw(Vector2(0.0f, 0.0f), Vector2(1.0f, 1.0f), 0xFFFFFFFF); }

void BewegteAnimation::RenderTransformed(const Vector2& offset, const Vector2& scale, Argb colour) {
  Draw(offset, scale, colour);
}

bool BewegteAnimation::RenderForEffect(const Vector2& offset, const Vector2& scale) {
  Argb colour = 0;
  if (!RenderExtraLookup::Current().GetLayerEntry(RenderExtraLookup::kLayerMovingAnimations, colour,
                                                  m_renderExtraId) ||
      (colour >> 24) == 0)
    return false;
  // The children are drawn with their parent, once, as RenderTransformed draws them.
  Draw(offset, scale, 0xFFFFFFFF);
  return true;
}

void PendingSteps::Add(double step, const Animations& animations) {
  if (animations.empty()) return;
  // Equal to the bit: a step of -0 or a NaN is kept as it came.
  if (!m_runs.empty() && std::bit_cast<uint64_t>(m_runs.back().step) == std::bit_cast<uint64_t>(step)) {
    ++m_runs.back().count;
    return;
  }
  if (m_runs.size() == kMaxRuns) Apply(animations);
  m_runs.push_back({step, 1});
}

void PendingSteps::Apply(const Animations& animations) {
  if (m_runs.empty()) return;
  // The animations do not touch one another, so each may take all its steps at once.
  for (size_t i = animations.size(); i-- > 0;) {
    BewegteAnimation* animation = animations[i].get();
    if (!animation) continue;
    for (const Run& run : m_runs)
      for (int64_t n = 0; n < run.count; ++n) animation->Update(run.step);
  }
  m_runs.clear();
}
