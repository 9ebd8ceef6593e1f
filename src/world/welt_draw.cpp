// Drawing the world: the backdrop and the three layer groups, in colour, and the effect
// passes that take their colours from the current render extra.
#include "engine/apigraphics.h"
#include "engine/renderextralookup.h"
#include "engine/spriterenderer.h"
#include "world/ebenenhintergrund.h"
#include "world/welt.h"

namespace {

// The render extras' layer keys of the three groups.
constexpr int32_t kBackgroundKey = 0;
constexpr int32_t kGameKey = 1;
constexpr int32_t kForegroundKey = 2;

void DrawLayers(const std::vector<std::unique_ptr<Landschaft>>& group, const Vector2& camera,
                const Vector2& zoom, Argb colour) {
  for (size_t i = group.size(); i-- > 0;) group[i]->Draw(camera, zoom, colour);
}

bool DrawAnimations(const std::vector<std::unique_ptr<Landschaft>>& group, const Vector2& camera,
                    const Vector2& zoom) {
  bool drew = false;
  for (size_t i = group.size(); i-- > 0;)
    if (group[i]->DrawAnimationsForEffect(camera, zoom)) drew = true;
  return drew;
}

}  // namespace

void Welt::DrawBackdrop(const Vector2& zoom, const Vector2& scrollFraction, Argb colour) {
  SpriteRenderer* renderer = m_graphics ? m_graphics->GetSpriteRenderer() : nullptr;
  if (!renderer) return;
  const double screenW = m_graphics->GetScreenWidth(), screenH = m_graphics->GetScreenHeight();
  const auto& pictures = m_backdrop->GetBackground();
  for (size_t j = 0; j < pictures.size(); ++j) {
    const TexturePartRecord* picture = pictures[j].texture;
    if (!picture || !picture->texture) continue;
    const int32_t w = picture->rect.Width(), h = picture->rect.Height();
    // A picture without pixels has no size to stretch from.
    if (w <= 0 || h <= 0) continue;
    const double ox = w * pictures[j].parallax * zoom.x, oy = h * pictures[j].parallax * zoom.y;
    const Vector2 scale(float((screenW + ox) / w), float((screenH + oy) / h));
    const Vector2 position(float(-ox * scrollFraction.x), float(-oy * scrollFraction.y));
    renderer->DrawTransformed(picture->texture, &picture->rect, &scale, nullptr, 0.0, &position, colour);
    if (BewegteAnimation* animation = m_backdrop->GetAnimation(j))
      animation->RenderTransformed(Vector2(0.0f, 0.0f), Vector2(1.0f, 1.0f), colour);
  }
}

void Welt::DrawBackground(const Vector2& camera, const Vector2& zoom, const Vector2& scrollFraction,
                          Argb colour, bool drawBackdrop) {
  if (drawBackdrop && m_backdrop) DrawBackdrop(zoom, scrollFraction, colour);
  DrawLayers(m_backgroundLayers, camera, zoom, colour);
}

void Welt::DrawGameLayers(const Vector2& camera, const Vector2& zoom, Argb colour) {
  DrawLayers(m_gameLayers, camera, zoom, colour);
}

void Welt::DrawForegroundLayers(const Vector2& camera, const Vector2& zoom, Argb colour) {
  DrawLayers(m_foregroundLayers, camera, zoom, colour);
}

bool Welt::DrawBackgroundAnimations(const Vector2& camera, const Vector2& zoom) {
  return DrawAnimations(m_backgroundLayers, camera, zoom);
}

bool Welt::DrawGameLayerAnimations(const Vector2& camera, const Vector2& zoom) {
  return DrawAnimations(m_gameLayers, camera, zoom);
}

bool Welt::DrawForegroundAnimations(const Vector2& camera, const Vector2& zoom) {
  return DrawAnimations(m_foregroundLayers, camera, zoom);
}

bool Welt::DrawTinted(const LayerGroup& group, int32_t layerKey, const Vector2& camera, const Vector2& zoom) {
  Argb colour = 0xFFFFFFFF;
  if (!RenderExtraLookup::Current().GetLayerEntry(layerKey, colour, 0) || (colour >> 24) == 0) return false;
  DrawLayers(group, camera, zoom, colour);
  return (colour & 0x00FFFFFF) != 0;
}

bool Welt::DrawBackgroundTinted(const Vector2& camera, const Vector2& zoom) {
  return DrawTinted(m_backgroundLayers, kBackgroundKey, camera, zoom);
}

bool Welt::DrawGameLayersTinted(const Vector2& camera, const Vector2& zoom) {
  return DrawTinted(m_gameLayers, kGameKey, camera, zoom);
}

bool Welt::DrawForegroundTinted(const Vector2& camera, const Vector2& zoom) {
  return DrawTinted(m_foregroundLayers, kForegroundKey, camera, zoom);
}
