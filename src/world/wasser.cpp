// Water types and bodies of water: reading, activation, motion and drawing.
#include "world/wasser.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "objects/renderextra.h"
#include "platform/numeric.h"
#include "platform/text.h"

namespace {

void ReadColour(const KVNode& node, std::u16string_view key, Argb& out) {
  if (const KVValue* v = node.Find(key)) out = platform::WToUL16(v->Text());
}

std::vector<std::u16string> ReadAllValues(const KVNode& node, std::u16string_view key) {
  std::vector<std::u16string> values;
  if (const KVNode* child = node.GetChild(0, key))
    for (unsigned i = 0; i < child->GetValueCount(); ++i) values.push_back(child->GetValue(i)->Text());
  return values;
}

std::unique_ptr<Animation> CreateNamed(const KVNode& node, std::u16string_view key,
                                       const AnimationManager* animations) {
  const KVValue* name = node.Find(key);
  if (!name || !animations) return nullptr;
  return animations->CreateAnimation(name->Text());
}

// The frame's texture, width and height when it can be stretched: a texture and a size.
bool UsableFrame(const AnimationFrame* frame, int32_t& width, int32_t& height) {
  if (!frame || !frame->texture || !frame->texture->texture) return false;
  width = frame->rect.right - frame->rect.left;
  height = frame->rect.bottom - frame->rect.top;
  return width != 0 && height != 0;
}

}  // namespace

Wasser::Wasser(const KVNode* node, APIContext* context, const AnimationManager* animations,
               RenderExtraListe* renderExtras)
    : m_context(context), m_renderExtras(renderExtras) {
  if (!node) return;
  node->Read(u"NAME", m_name);
  // Each copy draws its start frame, the water's before the waves'.
  m_waterAnimation = CreateNamed(*node, u"WASSER_ANIMATION", animations);
  m_waveAnimation = CreateNamed(*node, u"WELLEN_ANIMATION", animations);
  if (m_waterAnimation) {
    double speed = 0.0;
    if (node->Read(u"ANIMATION_SPEED", speed)) {
      m_waterAnimation->SetSpeed(speed);
      if (m_waveAnimation) m_waveAnimation->SetSpeed(speed);
    }
  }
  node->Read(u"MOVE_SPEED", m_moveSpeed);
  node->Read(u"WASSERPEGEL", m_ownLevel);
  m_level = m_ownLevel;
  ReadColour(*node, u"WASSERFARBE", m_colour);
  node->Read(u"WELLENSIZE", m_waveSize.x, 0);
  node->Read(u"WELLENSIZE", m_waveSize.y, 1);
  for (unsigned i = 0; i < m_waveMotion.size(); ++i) node->Read(u"AUF_AB", m_waveMotion[i], i);
  node->Read(u"DRAW_EBENE", m_drawDepth);
  node->Read(u"RENDER_EXTRA_ID", m_renderExtraId);
  m_renderExtraNames = ReadAllValues(*node, u"RENDER_EXTRA_TYPEN");
}

Wasser::~Wasser() {
  while (m_heldActivations > 0) Deactivate();
}

void Wasser::CountRenderExtraUses(bool add) {
  if (!m_renderExtras) return;
  for (const std::u16string& name : m_renderExtraNames) {
    RenderExtra* extra = m_renderExtras->FindLast(name);
    if (!extra) continue;
    if (add)
      extra->AddUse();
    else
      extra->ReleaseUse();
  }
}

void Wasser::Activate(const Rect& world, Argb bodyColour) {
  m_worldRect = world;
  CountRenderExtraUses(true);
  ++m_heldActivations;
  m_bodyColour = bodyColour;
}

void Wasser::Deactivate() {
  if (m_heldActivations <= 0) return;
  --m_heldActivations;
  CountRenderExtraUses(false);
}

void Wasser::Update(double bodyHeight, double gameStep) {
  m_level = bodyHeight + m_ownLevel;
  if (m_waterAnimation) m_waterAnimation->Update(gameStep);
  if (m_waveAnimation) m_waveAnimation->Update(gameStep);
  m_scroll += gameStep * m_moveSpeed;
  m_time += gameStep;
}

bool Wasser::Draw(const Vector2& offset, const Vector2& scale, Argb colour, int32_t depth) const {
  if (colour <= 0x00FFFFFFu || depth != m_drawDepth || !m_waterAnimation || !m_waveAnimation) return false;
  APIGraphics* graphics = m_context ? m_context->graphics : nullptr;
  SpriteRenderer* renderer = graphics ? graphics->GetSpriteRenderer() : nullptr;
  if (!renderer) return false;

  const double waveWidth = m_waveSize.x;
  const double waveHeight = m_waveSize.y;
  const double swayFrequency = m_waveMotion[0], swayAmplitude = m_waveMotion[1];
  const double bobFrequency = m_waveMotion[2], bobAmplitude = m_waveMotion[3];
  // Every strip shows the same picture, so the scroll counts only within one wave width: the
  // strips start at the same index however far the water has moved, and the world's left edge
  // stays covered in a long battle.
  const double scroll = m_scroll - std::floor(m_scroll);
  const double sway = std::sin(swayFrequency * m_time) * swayAmplitude + scroll * waveWidth;
  const double bob = std::cos(bobFrequency * m_time) * bobAmplitude;
  const double bottom = m_worldRect.bottom;
  const double surface = bottom - m_level - bob;
  const double waveTop = surface - waveHeight;
  const double screenWidth = graphics->GetScreenWidth();
  const double screenHeight = graphics->GetScreenHeight();
  auto screenX = [&](double x) { return x * scale.x + offset.x; };
  auto screenY = [&](double y) { return y * scale.y + offset.y; };
  if (screenY(waveTop) > screenHeight) return false;

  const AnimationFrame* wave = m_waveAnimation->GetCurrentFrame();
  const AnimationFrame* water = m_waterAnimation->GetCurrentFrame();
  int32_t waveFrameW = 0, waveFrameH = 0, waterFrameW = 0, waterFrameH = 0;
  // A strip without width would never advance, and a frame without size cannot be stretched.
  if (!(waveWidth > 0.0) || !UsableFrame(wave, waveFrameW, waveFrameH) ||
      !UsableFrame(water, waterFrameW, waterFrameH))
    return false;

  const Vector2 waveScale(float(waveWidth / waveFrameW) * scale.x, float(waveHeight / waveFrameH) * scale.y);
  const Vector2 bodyScale(float(waveWidth / waterFrameW) * scale.x,
                          float((m_level + bob) / waterFrameH) * scale.y);
  const Vector2 deepScale(float(waveWidth / waterFrameW) * scale.x,
                          float(kDeepWater / waterFrameH) * -scale.y);
  const float waveTopY = float(screenY(waveTop));
  const float surfaceY = float(screenY(surface));
  const float deepY = float(screenY(bottom + kDeepWater));
  const bool surfaceOnScreen = surfaceY <= screenHeight;

  const double left = m_worldRect.left;
  const double worldWidth = double(int64_t(m_worldRect.right) - m_worldRect.left);
  const double swayStrips = swayAmplitude / waveWidth;
  const double last = std::min(worldWidth + swayStrips, double(INT32_MAX));
  double first = platform::TruncToInt(-swayStrips - 2.0);
  // Strips whose right end lies left of the screen draw nothing; on a wide world seen far
  // from its left edge they would cost a pass each, so the walk starts near the screen (two
  // strips early, so rounding cannot skip a visible one).
  if (scale.x > 0.0f) {
    const double firstVisible = std::floor((-offset.x / scale.x - left - sway) / waveWidth) - 2.0;
    if (firstVisible > first) first = firstVisible;
  }
  if (!(first <= last)) return true;
  for (int64_t i = int64_t(first); double(i) <= last; ++i) {
    const double x = double(i) * waveWidth + left + sway;
    if (screenX(x) > screenWidth) break;
    if (screenX(x + waveWidth) < 0.0) continue;
    const Vector2 waveAt(float(screenX(x)), waveTopY);
    renderer->DrawTransformed(wave->texture->texture, &wave->rect, &waveScale, nullptr, 0.0, &waveAt, colour);
    if (!surfaceOnScreen) continue;
    const Vector2 bodyAt(waveAt.x, surfaceY);
    renderer->DrawTransformed(water->texture->texture, &water->rect, &bodyScale, nullptr, 0.0, &bodyAt,
                              colour);
    const Vector2 deepAt(waveAt.x, deepY);
    renderer->DrawTransformed(water->texture->texture, &water->rect, &deepScale, nullptr, 0.0, &deepAt,
                              colour);
  }
  return true;
}

LevelWasser::LevelWasser(const KVNode* node) {
  if (node) {
    node->Read(u"NAME", m_name);
    ReadColour(*node, u"WASSERFARBE", m_colour);
    m_typeNames = ReadAllValues(*node, u"WASSER");
    node->Read(u"WASSERH\u00D6HE", m_height);
  }
  m_levelAnimator.SetValue(m_height);
  m_levelAnimator.Set(m_height);
  m_levelAnimator.SetSpeed(nullptr);
}

void LevelWasser::Prepare(const std::vector<std::unique_ptr<Wasser>>& types, const Rect& world) {
  m_types.clear();
  for (const std::u16string& name : m_typeNames) {
    for (const auto& type : types) {
      if (type->GetName() != name) continue;
      type->Activate(world, m_colour);
      m_types.push_back(type.get());
      break;
    }
  }
  double sum = 0.0;
  for (const Wasser* type : m_types) sum += type->GetOwnLevel();
  const double mean = m_types.empty() ? 0.0 : sum / double(m_types.size());
  const double height = m_height >= 0.0 ? m_height : mean;
  m_levelAnimator.SetValue(height);
  m_levelAnimator.Set(height);
  m_levelAnimator.SetSpeed(nullptr);
}

void LevelWasser::Release() {
  for (Wasser* type : m_types) type->Deactivate();
}

void LevelWasser::Update(double realStep, double gameStep) {
  m_levelAnimator.Step(realStep);
  for (size_t i = m_types.size(); i-- > 0;) m_types[i]->Update(m_levelAnimator.GetValue(), gameStep);
}
