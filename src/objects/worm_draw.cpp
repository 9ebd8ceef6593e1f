// Worm drawing: the body with its team-coloured layer, the crosshair with the charge, the
// label with name, health and afflictions, and the arrow over the worm whose turn it is.
#include <algorithm>
#include <cmath>

#include "battle/waffe.h"
#include "engine/animation.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/fontmanager.h"
#include "engine/myglobals.h"
#include "engine/sprache.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "objects/mannschaft.h"
#include "objects/renderextra.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/numeric.h"
#include "platform/text.h"

namespace {

constexpr double kDegToRad = 0.01745329238474369;

SpriteRenderer* Renderer(const MyGlobals* globals) {
  APIContext* context = globals ? globals->GetContext() : nullptr;
  APIGraphics* graphics = context && context->graphics ? context->graphics : APIGraphics::Get();
  return graphics ? graphics->GetSpriteRenderer() : nullptr;
}

FontManager* Fonts(const MyGlobals* globals) {
  APIContext* context = globals ? globals->GetContext() : nullptr;
  APIGraphics* graphics = context && context->graphics ? context->graphics : APIGraphics::Get();
  return graphics ? graphics->GetFontManager() : nullptr;
}

uint32_t Channel(Argb c, int shift) { return (c >> shift) & 0xFFu; }

Argb Modulate(Argb a, Argb b) {
  Argb out = 0;
  for (int shift = 0; shift < 32; shift += 8)
    out |= ((Channel(a, shift) * Channel(b, shift) + 127) / 255) << shift;
  return out;
}

Argb Lerp(Argb a, Argb b, double t) {
  Argb out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const double v = Channel(a, shift) + (double(Channel(b, shift)) - Channel(a, shift)) * t;
    out |= uint32_t(std::clamp(platform::TruncToInt(v + 0.5), 0, 255)) << shift;
  }
  return out;
}

std::u16string Text(const MyGlobals* globals, const char16_t* key) {
  APIContext* context = globals ? globals->GetContext() : nullptr;
  const Sprache* language = context ? context->language.get() : nullptr;
  const std::u16string* text = language ? language->GetText(key) : nullptr;
  return text ? *text : std::u16string();
}

std::u16string RoundsText(int32_t rounds) {
  return rounds == -1 ? std::u16string(u"\u221e") : platform::FormatW(u"%d", rounds);
}

}  // namespace

bool Worm::DrawSprites(const Vector2& offset, const Vector2& zoom, Argb colour, bool tint) {
  if (status == 2 || !IsVisible()) return false;
  SpriteRenderer* renderer = Renderer(m_globals);
  if (!renderer) return false;
  const Vector2 pos = Pos();
  const Vector2 size = Size();
  const float side = m_facingRight ? 1.0f : -1.0f;
  const double rotation = m_state == kThrown ? std::fmod(GetAngle(), 360.0) * kDegToRad : 0.0;
  bool drawn = false;
  auto draw = [&](const Animation* animation, Argb c) {
    const AnimationFrame* frame = animation ? animation->GetCurrentFrame() : nullptr;
    if (!frame || !frame->texture) return;
    const float fw = float(frame->rect.right - frame->rect.left);
    const float fh = float(frame->rect.bottom - frame->rect.top);
    if (fw == 0.0f || fh == 0.0f) return;
    const Vector2 scale(side * size.x / fw * zoom.x, (size.y / fh) * zoom.y);
    // The frame's left edge (its right edge when mirrored) and top, on the screen.
    const Vector2 place((pos.x - side * size.x / 2.0f) * zoom.x + offset.x,
                        (pos.y - size.y + 1.5f) * zoom.y + offset.y);
    const Vector2 centre(side * size.x / 2.0f * zoom.x, size.y / 2.0f * zoom.y);
    drawn =
        renderer->DrawTransformedTex(frame->texture, &frame->rect, &scale, &centre, rotation, &place, c) ||
        drawn;
  };
  // The team's layer first, under the body's outlines and skin.
  draw(m_current2, tint ? Modulate(colour, GetColour()) : colour);
  draw(m_current, colour);
  return drawn;
}

bool Worm::DrawAim(const Vector2& offset, const Vector2& zoom, Argb colour) {
  if (!m_isCurrent || status == 2) return false;
  if (!(CanFireWeapon() || (m_weapon && m_weapon->FiresContinuously()))) return false;
  SpriteRenderer* renderer = Renderer(m_globals);
  const Animation* crosshair = m_animations[kAnimFadenkreuz].get();
  const AnimationFrame* frame = crosshair ? crosshair->GetCurrentFrame() : nullptr;
  if (!renderer || !frame || !frame->texture) return false;

  const double angle = m_aimAngle * kDegToRad;
  const float reach = float(zoom.x * (m_globals ? m_globals->crosshairDistance : 150.0));
  Vector2 direction(float(std::cos(angle)), float(std::sin(angle)));
  if (!m_facingRight) direction.x = -direction.x;
  direction *= reach;
  Vector2 shot = m_eigenschaften.shotPos;
  if (!m_facingRight) shot.x = -shot.x;
  const Vector2 from((Pos().x + shot.x) * zoom.x + offset.x, (Pos().y + shot.y) * zoom.y + offset.y);
  const int32_t fw = frame->rect.right - frame->rect.left;
  const int32_t fh = frame->rect.bottom - frame->rect.top;
  auto drawCrosshair = [&](const Vector2& at) {
    const Rect dst{platform::TruncToInt(at.x) - fw / 2, platform::TruncToInt(at.y) - fh / 2,
                   platform::TruncToInt(at.x) - fw / 2 + fw, platform::TruncToInt(at.y) - fh / 2 + fh};
    return renderer->DrawRect(frame->texture->texture, &frame->rect, &dst, SpriteRenderer::kStretch,
                              SpriteRenderer::kStretch, colour);
  };
  bool drawn = drawCrosshair(from + direction);

  if (m_weapon->Charges() && m_strength > 0.0 && m_chargeTexture) {
    const int32_t n = platform::TruncToInt(zoom.x * 100.0);
    for (int32_t i = 1; n > 0 && i <= n * m_strength; ++i) {
      const double t = double(i) / n;
      const int32_t side = platform::TruncToInt((fw - 20) * t * t + 10.0);
      const Vector2 at = from + direction * float(t * t);
      const Argb c = colour == 0xFFFFFFFF ? Lerp(0x10FF0000, 0x3000FF00, t * t * t * t) : colour;
      const Rect dst{platform::TruncToInt(at.x) - side / 2, platform::TruncToInt(at.y) - side / 2,
                     platform::TruncToInt(at.x) - side / 2 + side,
                     platform::TruncToInt(at.y) - side / 2 + side};
      drawn = renderer->DrawRectTex(m_chargeTexture, &dst, SpriteRenderer::kStretch, SpriteRenderer::kStretch,
                                    c) ||
              drawn;
    }
  }
  if (m_weapon->NeedsTarget() && m_targetReady)
    drawn = drawCrosshair(Vector2(m_target.x * zoom.x + offset.x, m_target.y * zoom.y + offset.y)) || drawn;
  return drawn;
}

std::u16string Worm::LabelText() const {
  const double health = GetHealth();
  // A dying worm's health runs below zero; its label stops at 0.
  const double shown = std::max(0.0, health == std::floor(health) ? health : health + 1.0);
  std::u16string text = GetName() + u"\n" + platform::FormatW(u"%d", platform::TruncToInt(shown));
  if (poisonPerRound > 0.0)
    text += u"\n" + Text(m_globals, u"VERGIFTET") +
            platform::FormatW(u"%d", -platform::TruncToInt(poisonPerRound)) + u" " +
            Text(m_globals, u"VERGIFTET_ANZ_RUNDEN") + u" " + RoundsText(poisonRoundsLeft);
  if (healingPerRound > 0.0)
    text += u"\n" + Text(m_globals, u"HEILUNG") +
            platform::FormatW(u"%d", platform::TruncToInt(healingPerRound)) + u" " +
            Text(m_globals, u"HEILUNG_ANZ_RUNDEN") + u" " + RoundsText(healingRoundsLeft);
  return text;
}

void Worm::DrawLabel(const Vector2& offset, const Vector2& zoom) {
  if (status != 0) return;
  WormManager* manager = Manager();
  const int32_t mode = manager ? manager->labelMode : WormManager::kAllLabels;
  const Mannschaft* currentTeam = manager ? manager->GetCurrentTeam() : nullptr;
  bool visible = false;
  switch (mode) {
    case WormManager::kAllLabels:
      visible = true;
      break;
    case WormManager::kCurrentTeam:
      visible = m_team && m_team == currentTeam;
      break;
    case WormManager::kOtherTeams:
      visible = m_team != currentTeam;
      break;
    case WormManager::kCurrentWorm:
      visible = m_isCurrent;
      break;
    default:
      break;
  }
  const float x = Pos().x * zoom.x + offset.x;
  const float top = (Pos().y - Size().y) * zoom.y + offset.y;
  int32_t labelHeight = 0;
  FontManager* fonts = Fonts(m_globals);
  if (visible && fonts && m_globals) {
    const std::u16string text = LabelText();
    Argb textColour = 0xFF000000;
    if (!poison.empty() && !healing.empty())
      textColour = 0xFF7FFFFF;
    else if (!poison.empty())
      textColour = 0xFF7FFF7F;
    else if (!healing.empty())
      textColour = 0xFF7F7FFF;
    // The measured size is kept until the text changes.
    if (text != m_labelText) {
      Rect extent{0, 0, 0, 0};
      fonts->MeasureText(0, text.c_str(), &extent, kDtCenter | kDtNoClip | kDtCalcRect, textColour);
      m_labelText = text;
      m_labelWidth = extent.right - extent.left;
      m_labelHeight = extent.bottom - extent.top;
    }
    Rect box{platform::TruncToInt(x) - m_labelWidth / 2 - 10, platform::TruncToInt(top) - 10 - m_labelHeight,
             platform::TruncToInt(x) - m_labelWidth / 2 + m_labelWidth + 10, platform::TruncToInt(top) - 10};
    Rect textRect = box;
    const bool marker = m_isCurrent && CanFireWeapon();
    if (marker) box.top -= 35;
    m_globals->DrawRectBox(box.left, box.top, box.right, box.bottom, 20, 0x7FFFFFFF, GetColour(), 0x00000000,
                           0, 0, 0, 0);
    // The weapon in hand, over the name.
    if (SpriteRenderer* renderer = Renderer(m_globals); marker && renderer && m_weapon->GetPreview()) {
      const int32_t middle = (box.left + box.right) / 2;
      const Rect place{middle - 25, box.top + 5, middle + 25, box.top + 35};
      renderer->DrawRectTex(m_weapon->GetPreview(), &place, SpriteRenderer::kFit, SpriteRenderer::kFit,
                            0xFFFFFFFF);
    }
    fonts->DrawText(0, &text, &textRect, kDtCenter | kDtVCenter | kDtNoClip, textColour);
    labelHeight = box.bottom - box.top;
  }

  const bool switching = m_globals && (m_globals->switchOpen || m_globals->switchAlways);
  const Animation* arrow = switching ? m_switchArrow.get() : m_arrow.get();
  if (!m_isCurrent || !arrow || (manager && !manager->showArrows)) return;
  const AnimationFrame* frame = arrow->GetCurrentFrame();
  SpriteRenderer* renderer = Renderer(m_globals);
  if (!frame || !frame->texture || !renderer) return;
  const float w = 100.0f * zoom.x, h = 50.0f * zoom.y;
  const float bottom = top - float(labelHeight + 10);
  const Rect dst{platform::TruncToInt(x - w / 2.0f), platform::TruncToInt(bottom - h),
                 platform::TruncToInt(x + w / 2.0f), platform::TruncToInt(bottom)};
  renderer->DrawRect(frame->texture->texture, &frame->rect, &dst, SpriteRenderer::kStretch,
                     SpriteRenderer::kStretch, GetColour());
}

bool Worm::DrawRenderExtra(const Vector2& offset, const Vector2& zoom) {
  RenderExtraListe* extras = m_globals ? m_globals->GetRenderExtras() : nullptr;
  ::RenderExtra* entry = extras ? extras->GetCurrent() : nullptr;
  uint32_t colour = 0;
  if (!entry || !entry->GetColour(::RenderExtra::kWorms, colour, 0) || (colour >> 24) == 0) return false;
  const bool sprites = DrawSprites(offset, zoom, colour, false);
  const bool aim = DrawAim(offset, zoom, colour);
  return (sprites || aim) && (colour & 0x00FFFFFF) != 0;
}
