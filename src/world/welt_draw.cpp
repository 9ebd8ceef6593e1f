// Drawing the world: the backdrop and the three layer groups, in colour, and the effect
// passes that take their colours from the current render extra.
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "engine/apigraphics.h"
#include "engine/renderextralookup.h"
#include "engine/spriterenderer.h"
#include "world/ebenenhintergrund.h"
#include "world/screencover.h"
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

void Welt::DrawBackdrop(const Vector2& zoom, const Vector2& scrollFraction, Argb colour, const ScreenCover* cover) {
  SpriteRenderer* renderer = m_graphics ? m_graphics->GetSpriteRenderer() : nullptr;
  if (!renderer) return;
  const double screenW = m_graphics->GetScreenWidth(), screenH = m_graphics->GetScreenHeight();
  const auto& pictures = m_backdrop->GetBackground();
  // Each picture spans the screen's width: where one is opaque in whole rows, the pictures
  // before it cannot show, and rows that are transparent throughout change nothing. Both are
  // left out of the drawn rectangle, a few texels short so the filter reads what it read.
  struct Placed {
    const TexturePartRecord* picture = nullptr;
    Vector2 scale, position;
    platform::AlphaRows rows;
  };
  std::vector<Placed> placed(pictures.size());
  for (size_t j = 0; j < pictures.size(); ++j) {
    const TexturePartRecord* picture = pictures[j].texture;
    if (!picture || !picture->texture) continue;
    // A picture that gave its memory back until drawn is read again before it is measured.
    if (picture->texture->IsReleased()) picture->texture->Refill();
    const int32_t w = picture->rect.Width(), h = picture->rect.Height();
    // A picture without pixels has no size to stretch from.
    if (w <= 0 || h <= 0) continue;
    const double ox = w * pictures[j].parallax * zoom.x, oy = h * pictures[j].parallax * zoom.y;
    Placed& p = placed[j];
    p.picture = picture;
    p.scale = Vector2(float((screenW + ox) / w), float((screenH + oy) / h));
    p.position = Vector2(float(-ox * scrollFraction.x), float(-oy * scrollFraction.y));
    const uint64_t change = picture->texture->ChangeCount();
    if (pictures[j].alphaMeasuredAt != change) {
      pictures[j].alphaRows = platform::MeasureAlphaRows(*picture->texture, picture->rect);
      pictures[j].alphaMeasuredAt = change;
    }
    p.rows = pictures[j].alphaRows;
  }
  const bool opaqueColour = (colour >> 24) == 0xFF;
  double hiddenFrom = screenH;  // screen rows from here down are covered by a later picture
  std::vector<double> coveredFrom(pictures.size(), screenH);
  for (size_t j = pictures.size(); j-- > 0;) {
    coveredFrom[j] = hiddenFrom;
    const Placed& p = placed[j];
    if (!p.picture || !opaqueColour || p.scale.x <= 0.0f || p.scale.y <= 0.0f) continue;
    const int32_t h = p.picture->rect.Height();
    if (p.rows.opaqueFrom >= h) continue;
    // The first opaque row is left out too: the filter blends it with the row above.
    const double top = p.position.y + double(p.rows.opaqueFrom + 1) * p.scale.y;
    const double bottom = p.position.y + double(h) * p.scale.y;
    if (bottom >= screenH && p.position.x <= 0.0f && p.position.x + p.picture->rect.Width() * p.scale.x >= screenW)
      hiddenFrom = std::min(hiddenFrom, std::max(0.0, top));
  }
  // The part of each picture drawn, and what the pictures after it and the cover hide of it.
  std::vector<PlacedPicture> drawn(pictures.size());
  for (size_t j = 0; j < pictures.size(); ++j) {
    const Placed& p = placed[j];
    if (!p.picture) continue;
    const Rect& rect = p.picture->rect;
    const int32_t h = rect.Height();
    // Texels the filter may reach beyond a screen pixel's own: one for a magnified picture,
    // a mip level's width and its neighbour when it is shrunk.
    const float shrink = std::max(1.0f / std::fabs(p.scale.x), 1.0f / std::fabs(p.scale.y));
    const int32_t margin = 2 + 2 * int32_t(std::ceil(std::min(shrink, 1024.0f)));
    int32_t first = 0, end = h;
    if (p.rows.firstShown == p.rows.endShown) {
      first = end = 0;  // clear throughout
    } else if (opaqueColour && p.scale.y > 0.0f) {
      first = std::max(0, p.rows.firstShown - margin);
      end = std::min(p.rows.endShown + margin, h);
      const double coveredRow = (coveredFrom[j] - p.position.y) / p.scale.y;
      if (coveredFrom[j] < screenH && coveredRow < double(end)) end = std::clamp(int32_t(std::ceil(coveredRow)) + margin, first, end);
    }
    const Rect part{rect.left, rect.top + first, rect.right, rect.top + (first < end ? end : first)};
    drawn[j] = PlacedPicture{part, Vector2(p.position.x, p.position.y + float(first) * p.scale.y), p.scale};
  }
  std::vector<std::optional<ScreenCover>> behind(pictures.size());
  if (cover && opaqueColour) {
    ScreenCover running = *cover;
    for (size_t j = pictures.size(); j-- > 0;) {
      if (!placed[j].picture) continue;
      behind[j] = running;
      platform::Texture& texture = *placed[j].picture->texture;
      if (pictures[j].opacityMeasuredAt != texture.ChangeCount()) {
        const uint32_t* pixels = texture.Pixels();
        const size_t width = size_t(texture.Width());
        pictures[j].opacity = AlphaBlocks::Measure(texture.Width(), pixels ? texture.Height() : 0, [&](int32_t y) {
          return pixels + size_t(y) * width;
        });
        pictures[j].opacityMeasuredAt = texture.ChangeCount();
      }
      running.Hide(pictures[j].opacity, drawn[j]);
    }
  }
  for (size_t j = 0; j < pictures.size(); ++j) {
    const Placed& p = placed[j];
    if (!p.picture) continue;
    if (drawn[j].source.top < drawn[j].source.bottom)
      DrawShowing(*renderer, p.picture->texture, drawn[j], behind[j] ? &*behind[j] : nullptr, colour,
                  behind[j] ? &pictures[j].opacity : nullptr);
    if (BewegteAnimation* animation = m_backdrop->GetAnimation(j))
      animation->RenderTransformed(Vector2(0.0f, 0.0f), Vector2(1.0f, 1.0f), colour);
  }
}

std::optional<ScreenCover> Welt::NewCover(Argb colour) const {
  SpriteRenderer* renderer = m_graphics ? m_graphics->GetSpriteRenderer() : nullptr;
  if (!m_leaveOutHidden || (colour >> 24) != 0xFF || !renderer || renderer->effect) return std::nullopt;
  return ScreenCover(m_graphics->GetScreenWidth(), m_graphics->GetScreenHeight());
}

void Welt::DrawBackground(const Vector2& camera, const Vector2& zoom, const Vector2& scrollFraction,
                          Argb colour, bool drawBackdrop, bool gameLayersFollow) {
  std::optional<ScreenCover> cover = NewCover(colour);
  if (!cover) {
    if (drawBackdrop && m_backdrop) DrawBackdrop(zoom, scrollFraction, colour);
    DrawLayers(m_backgroundLayers, camera, zoom, colour);
    return;
  }
  if (gameLayersFollow)
    for (const auto& layer : m_gameLayers) layer->HideOpaque(*cover, camera, zoom);
  // Front to back: what the layers in front of each hide.
  std::vector<ScreenCover> behind;
  behind.reserve(m_backgroundLayers.size());
  for (const auto& layer : m_backgroundLayers) {
    behind.push_back(*cover);
    layer->HideOpaque(*cover, camera, zoom);
  }
  if (drawBackdrop && m_backdrop) DrawBackdrop(zoom, scrollFraction, colour, &*cover);
  for (size_t i = m_backgroundLayers.size(); i-- > 0;) m_backgroundLayers[i]->Draw(camera, zoom, colour, &behind[i]);
}

void Welt::DrawGameLayers(const Vector2& camera, const Vector2& zoom, Argb colour) {
  DrawGroupLeavingOut(m_gameLayers, camera, zoom, colour);
}

void Welt::DrawForegroundLayers(const Vector2& camera, const Vector2& zoom, Argb colour) {
  DrawGroupLeavingOut(m_foregroundLayers, camera, zoom, colour);
}

void Welt::DrawGroupLeavingOut(const LayerGroup& group, const Vector2& camera, const Vector2& zoom, Argb colour) {
  std::optional<ScreenCover> cover = NewCover(colour);
  if (!cover) {
    DrawLayers(group, camera, zoom, colour);
    return;
  }
  // Front to back: what the layers in front of each hide.
  std::vector<ScreenCover> behind;
  behind.reserve(group.size());
  for (const auto& layer : group) {
    behind.push_back(*cover);
    layer->HideOpaque(*cover, camera, zoom);
  }
  for (size_t i = group.size(); i-- > 0;) group[i]->Draw(camera, zoom, colour, &behind[i]);
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
