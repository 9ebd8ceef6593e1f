// The loading screen: its description, the picture area, the progress bar and the borders.
#include "engine/myloadscreen.h"

#include <memory>
#include <string>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/kvnode.h"
#include "engine/searchpath.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "platform/numeric.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

constexpr Argb kWhite = 0xFFFFFFFF;
constexpr Argb kClearColour = 0xFF646464;

std::u16string ValueText(const KVNode& node, unsigned index) {
  const KVValue* value = node.GetValue(index);
  return value ? value->Text() : std::u16string();
}

// Four numbers; missing ones are 0. Pixel rectangles are of a 1024 x 768 picture.
RectF ReadRect(const KVNode& node, bool pixels) {
  double v[4] = {0.0, 0.0, 0.0, 0.0};
  for (unsigned i = 0; i < 4; ++i)
    if (const KVValue* value = node.GetValue(i)) v[i] = value->AsDouble();
  if (pixels) {
    v[0] /= 1024.0;
    v[1] /= 768.0;
    v[2] /= 1024.0;
    v[3] /= 768.0;
  }
  return {float(v[0]), float(v[1]), float(v[2]), float(v[3])};
}

bool DrawStretched(SpriteRenderer* sprites, const TexturPart* part, const Rect& dst) {
  if (!part || !part->texture) return false;
  return sprites->DrawRectTex(part, &dst, SpriteRenderer::kStretch, SpriteRenderer::kStretch, kWhite);
}

}  // namespace

MyLoadScreen::MyLoadScreen(const KVNode* description, const DataArchive* archive, APIGraphics* graphics)
    : m_graphics(graphics ? graphics : APIContext::Get()->graphics) {
  if (m_graphics) m_graphics->RegisterResetObjekt(this);
  if (description) ReadDescription(*description, archive);
  OnResetDevice();
}

MyLoadScreen::~MyLoadScreen() {
  if (m_graphics) m_graphics->UnregisterResetObjekt(this);
  OnLostDevice();
}

void MyLoadScreen::ReadDescription(const KVNode& description, const DataArchive* archive) {
  TexturDefCache* cache = m_graphics ? m_graphics->GetTexturDefCache() : nullptr;
  const KVNode* searchNode = description.GetChild(0, u"SEARCHPATH");
  const SearchPath searchPath(searchNode);
  // Without "SEARCHPATH" the file names are looked up alone.
  const SearchPath* folders = searchNode ? &searchPath : nullptr;

  auto part = [&](const std::u16string& file, const std::u16string* name) -> const TexturPart* {
    return cache ? cache->Get(file, folders, name, archive) : nullptr;
  };
  // The keys of one image: the named part of a definition file, then (winning) the whole
  // image. A key that is present sets the image even when it cannot be found.
  auto image = [&](const char16_t* indirect, const char16_t* direct, const TexturPart*& out) {
    if (const KVNode* node = description.GetChild(0, indirect)) {
      const std::u16string name = ValueText(*node, 1);
      out = part(ValueText(*node, 0), &name);
    }
    if (const KVNode* node = description.GetChild(0, direct)) out = part(ValueText(*node, 0), nullptr);
  };
  auto rect = [&](const char16_t* fractions, const char16_t* pixels, RectF& out) {
    if (const KVNode* node = description.GetChild(0, fractions)) out = ReadRect(*node, false);
    if (const KVNode* node = description.GetChild(0, pixels)) out = ReadRect(*node, true);
  };
  auto flag = [&](const char16_t* key, bool& out) {
    if (const KVValue* value = description.Find(key)) out = value->AsInt() != 0;
  };

  image(u"SPLASH_TEXTUR_INDIREKT", u"SPLASH_TEXTUR_DIREKT", m_splash);
  if (const KVNode* node = description.GetChild(0, u"SPLASH_TEXTUR_INDIREKT_BORDERS")) {
    const std::u16string file = ValueText(*node, 0);
    for (unsigned i = 0; i < 4; ++i) {
      const std::u16string name = ValueText(*node, i + 1);
      m_borders[i] = part(file, &name);
    }
  }
  rect(u"SPLASH_RECT_VERH", u"SPLASH_RECT_DIR", m_splashRect);
  image(u"LADEBALKEN_VOLL_INDIREKT", u"LADEBALKEN_VOLL_DIREKT", m_barFull);
  image(u"LADEBALKEN_LEER_INDIREKT", u"LADEBALKEN_LEER_DIREKT", m_barEmpty);
  rect(u"LADEBALKEN_RECT_VERH", u"LADEBALKEN_RECT_DIR", m_barRect);
  image(u"COPYRIGHT_INDIREKT", u"COPYRIGHT_DIREKT", m_notice);
  rect(u"COPYRIGHT_RECT_VERH", u"COPYRIGHT_RECT_DIR", m_noticeRect);
  flag(u"RENDER_2_TEXTURE", m_renderToTexture);
  if (const KVValue* value = description.Find(u"BACK_COLOR")) m_backColour = platform::WToUL16(value->Text());
  flag(u"CLEAR_SCREEN", m_clearScreen);
  flag(u"USE_BORDERS", m_useBorders);
  description.Read(u"MAXIMUM", m_maximum);
}

void MyLoadScreen::OnResetDevice() {
  m_captureReady = true;
  if (!m_renderToTexture || !m_graphics) return;
  const int32_t w = int32_t(m_graphics->GetScreenWidth()), h = int32_t(m_graphics->GetScreenHeight());
  if (w <= 0 || h <= 0) {
    m_captureReady = false;
    return;
  }
  m_capture = std::make_unique<platform::Texture>(w, h, 1, platform::kUsageRenderTarget);
}

void MyLoadScreen::OnLostDevice() {
  // A capture still bound as the target is given back first.
  if (m_savedTargetHeld) EndRenderToTexture();
  m_capture.reset();
}

void MyLoadScreen::BeginRenderToTexture() {
  if (!m_renderToTexture || !m_captureReady || !m_capture || m_savedTargetHeld) return;
  platform::GraphicsDevice* device = m_graphics ? m_graphics->GetDevice() : nullptr;
  if (!device) return;
  m_savedTarget = device->RenderTarget();
  m_savedTargetHeld = true;
  device->SetRenderTarget(m_capture.get());
}

void MyLoadScreen::EndRenderToTexture() {
  if (!m_savedTargetHeld) return;
  if (platform::GraphicsDevice* device = m_graphics ? m_graphics->GetDevice() : nullptr)
    device->SetRenderTarget(m_savedTarget);
  m_savedTarget = nullptr;
  m_savedTargetHeld = false;
}

Rect MyLoadScreen::PictureArea(int32_t width, int32_t height, bool useBorders) {
  if (!useBorders) return {0, 0, width, height};
  const float W = float(width), H = float(height);
  float s = H / 768.0f;
  if (s * 1024.0f <= W) {
    const float o = W * 0.5f - s * 1024.0f * 0.5f;
    return {platform::TruncToInt(o), 0, platform::TruncToInt(W - o), height};
  }
  s = W / 1024.0f;
  const float o = H * 0.5f - s * 768.0f * 0.5f;
  return {0, platform::TruncToInt(o), width, platform::TruncToInt(H - o)};
}

Rect MyLoadScreen::Place(const RectF& r, const Rect& area) {
  const float L = float(area.left), T = float(area.top), w = float(area.Width()), h = float(area.Height());
  return {platform::TruncToInt(L + w * r.left), platform::TruncToInt(T + h * r.top),
          platform::TruncToInt(L + w * r.right), platform::TruncToInt(T + h * r.bottom)};
}

void MyLoadScreen::DrawBorders(int32_t width, int32_t height) {
  SpriteRenderer* sprites = m_graphics->GetSpriteRenderer();
  const float W = float(width), H = float(height);
  const float s = H / 768.0f;
  // A missing border part leaves its border out. Each border image keeps its proportions
  // and ends at the picture area, reaching past the screen's edge when the strip is narrow.
  if (s * 1024.0f <= W) {
    const float o = W * 0.5f - s * 1024.0f * 0.5f;
    const TexturPart* left = m_borders[0];
    const TexturPart* right = m_borders[1];
    const TexturPart* scaleFrom = left && left->GetHeight() > 0 ? left : right;
    if (!scaleFrom || scaleFrom->GetHeight() <= 0) return;
    const float k = H / float(scaleFrom->GetHeight());
    Rect leftStrip{0, 0, platform::TruncToInt(o), height};
    Rect rightStrip{platform::TruncToInt(W - o), 0, width, height};
    if (left) {
      const float wanted = float(left->GetWidth()) * k;
      if (float(leftStrip.Width()) < wanted) leftStrip.left = platform::TruncToInt(-(wanted - o));
      DrawStretched(sprites, left, leftStrip);
    }
    if (right) {
      const float wanted = float(right->GetWidth()) * k;
      const float strip = float(rightStrip.Width());
      if (strip < wanted) rightStrip.right = platform::TruncToInt(W + (wanted - strip));
      DrawStretched(sprites, right, rightStrip);
    }
    return;
  }
  const float o = H * 0.5f - (W / 1024.0f) * 768.0f * 0.5f;
  const TexturPart* top = m_borders[2];
  const TexturPart* bottom = m_borders[3];
  const TexturPart* scaleFrom = top && top->GetWidth() > 0 ? top : bottom;
  if (!scaleFrom || scaleFrom->GetWidth() <= 0) return;
  const float k = W / float(scaleFrom->GetWidth());
  Rect topStrip{0, 0, width, platform::TruncToInt(o)};
  Rect bottomStrip{0, platform::TruncToInt(H - o), width, height};
  if (top) {
    const float wanted = float(top->GetHeight()) * k;
    if (float(topStrip.Height()) < wanted) topStrip.top = platform::TruncToInt(-(wanted - o));
    DrawStretched(sprites, top, topStrip);
  }
  if (bottom) {
    const float wanted = float(bottom->GetHeight()) * k;
    const float strip = float(bottomStrip.Height());
    if (strip < wanted) bottomStrip.bottom = platform::TruncToInt(H + (wanted - strip));
    DrawStretched(sprites, bottom, bottomStrip);
  }
}

template <typename Fn>
void MyLoadScreen::ForEachPicture(Fn&& fn) const {
  for (const TexturPart* part : {m_splash, m_barFull, m_barEmpty, m_notice, m_borders[0], m_borders[1],
                                 m_borders[2], m_borders[3]})
    if (part && part->texture) fn(part);
}

void MyLoadScreen::ReleasePictures() {
  if (m_savedTargetHeld) return;
  TexturDefCache* cache = m_graphics ? m_graphics->GetTexturDefCache() : nullptr;
  if (cache) ForEachPicture([cache](const TexturPart* part) { cache->Release(part); });
  if (m_capture) m_capture->DropGpu();
}

bool MyLoadScreen::PicturesReleased() const {
  bool released = false;
  ForEachPicture([&released](const TexturPart* part) { released = released || part->texture->IsReleased(); });
  return released;
}

void MyLoadScreen::Render() {
  platform::GraphicsDevice* device = m_graphics ? m_graphics->GetDevice() : nullptr;
  SpriteRenderer* sprites = m_graphics ? m_graphics->GetSpriteRenderer() : nullptr;
  if (!device || !sprites) return;
  // Pictures released after an earlier loading, by this screen or another over the same
  // images, are read again.
  if (TexturDefCache* cache = m_graphics->GetTexturDefCache())
    ForEachPicture([cache](const TexturPart* part) {
      if (part->texture && part->texture->IsReleased()) cache->Restore(part);
    });
  if (m_clearScreen) device->Clear(platform::kClearTarget | platform::kClearZBuffer, kClearColour, 1.0f, 0);
  device->BeginScene();
  sprites->Begin(SpriteRenderer::kAlphaBlend);

  if (m_renderToTexture && m_captureReady && m_capture) {
    const Rect& screen = m_graphics->GetScreenRect();
    const Vector2 origin(0.0f, 0.0f);
    sprites->DrawTransformed(m_capture.get(), &screen, nullptr, nullptr, 0.0, &origin, m_backColour);
  }

  const int32_t width = int32_t(m_graphics->GetScreenWidth()),
                height = int32_t(m_graphics->GetScreenHeight());
  if (m_useBorders) DrawBorders(width, height);
  const Rect area = PictureArea(width, height, m_useBorders);

  DrawStretched(sprites, m_splash, Place(m_splashRect, area));
  const Rect bar = Place(m_barRect, area);
  DrawStretched(sprites, m_barEmpty, bar);
  // Without a maximum there is no fraction to show.
  if (m_barFull && m_barFull->texture && m_maximum != 0.0) {
    const double f = m_progress / m_maximum;
    Rect full = bar;
    const double left = m_barRect.left, right = m_barRect.right;
    full.right = platform::TruncToInt(double(area.left) + double(area.Width()) * (left + (right - left) * f));
    Rect source = m_barFull->rect;
    source.right = source.left + platform::TruncToInt(double(source.Width()) * f);
    sprites->DrawRect(m_barFull->texture, &source, &full, SpriteRenderer::kStretch, SpriteRenderer::kStretch,
                      kWhite);
  }
  DrawStretched(sprites, m_notice, Place(m_noticeRect, area));

  sprites->End();
  device->EndScene();
  device->Present();
}

void MyLoadScreen::Advance(double step) {
  platform::PumpMessages();
  Render();
  m_progress += step;
  if (m_progress > m_maximum) m_progress = m_maximum;
  if (m_progress < 0.0) m_progress = 0.0;
}
