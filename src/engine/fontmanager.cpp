// Fonts by index, installed font files, and text drawn from each font's glyph atlas through
// the sprite batch.
#include "engine/fontmanager.h"

#include <cmath>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/contentlimits.h"
#include "engine/dataarchive.h"
#include "engine/spriterenderer.h"
#include "platform/files.h"
#include "platform/numeric.h"
#include "platform/spritebatch.h"

namespace {

// Degrees to radians as the single-precision constant pi / 180, taken into double arithmetic.
constexpr double kDegreesToRadians = 0.01745329238474369;

platform::SpriteBatch* BatchOf(APIGraphics* graphics) {
  SpriteRenderer* sprites = graphics ? graphics->GetSpriteRenderer() : nullptr;
  return sprites ? sprites->Batch() : nullptr;
}

}  // namespace

FontDesc::FontDesc(std::u16string face, int32_t height, bool scaleWithScreen, uint32_t width, bool italic,
                   uint32_t weight, uint32_t charSet, uint32_t pitchAndFamily, uint32_t outputPrecision,
                   uint32_t quality, uint32_t mipLevels)
    : height(height),
      width(width),
      weight(weight),
      mipLevels(mipLevels),
      italic(italic),
      charSet(charSet),
      outputPrecision(outputPrecision),
      quality(quality),
      pitchAndFamily(pitchAndFamily),
      faceName(std::move(face)),
      scaleWithScreen(scaleWithScreen) {}

int32_t ScaledFontHeight(const FontDesc& desc, uint32_t screenHeight) {
  if (!desc.scaleWithScreen) return desc.height;
  // Signed 64-bit: a negative (em) height stays negative and no product overflows.
  const int64_t product = int64_t(desc.height) * int64_t(screenHeight);
  return platform::TruncToInt(double(product) / 768.0);
}

// ---- MyFont ------------------------------------------------------------------------

MyFont::MyFont(const FontDesc& desc, APIGraphics* graphics)
    : m_graphics(graphics ? graphics : APIContext::Get()->graphics), m_desc(desc) {
  if (m_graphics) m_graphics->RegisterResetObjekt(this);
  Create();
}

MyFont::~MyFont() {
  if (m_graphics) m_graphics->UnregisterResetObjekt(this);
}

void MyFont::Create() {
  // The texture shows the font's atlas: it goes first.
  m_atlasTexture.reset();
  m_font.reset();
  m_height = ScaledFontHeight(m_desc, m_graphics ? m_graphics->GetScreenHeight() : 768);
  const platform::FontSpec spec{m_desc.faceName, m_height, m_desc.width, m_desc.weight, m_desc.italic};
  platform::FontLibrary& library = platform::FontLibrary::Process();
  m_font = library.CreateFont(spec);
  // One more attempt with the same arguments; a font that fails twice stays null.
  if (!m_font) m_font = library.CreateFont(spec);
}

void MyFont::OnResetDevice() { Create(); }

void MyFont::OnLostDevice() {
  m_atlasTexture.reset();
  m_font.reset();
}

platform::Texture* MyFont::SyncAtlas(platform::SpriteBatch* batch) {
  if (!m_font) return nullptr;
  const platform::GlyphAtlas& atlas = m_font->Atlas();
  // The texture shows the atlas's own pixels, no copy of them: it is made again whenever they
  // move (the atlas grew or started afresh).
  auto* pixels = const_cast<uint32_t*>(atlas.Pixels());
  if (!pixels) return nullptr;
  const bool moved = !m_atlasTexture || m_atlasTexture->HeldPixels() != pixels ||
                     m_atlasTexture->Width() != atlas.Width() || m_atlasTexture->Height() != atlas.Height();
  if (!moved && m_atlasGeneration == atlas.Generation()) return m_atlasTexture.get();
  // Quads batched from the texture as it is must reach the device before it changes.
  if (batch) batch->Flush();
  if (moved)
    m_atlasTexture = std::make_unique<platform::Texture>(atlas.Width(), atlas.Height(), 1, platform::kUsageNone, pixels);
  m_atlasTexture->MarkAllDirty();
  m_atlasGeneration = atlas.Generation();
  return m_atlasTexture.get();
}

// ---- MemoryFont --------------------------------------------------------------------

MemoryFont::MemoryFont(std::u16string fileName, const DataArchive* archive)
    : m_fileName(std::move(fileName)) {
  std::u16string_view name = m_fileName;
  if (!name.empty() && name.front() == u'\\') name.remove_prefix(1);
  std::optional<std::vector<uint8_t>> bytes;
  if (archive) bytes = archive->ReadEntry(name, content::kMaxMediaBytes);
  if (!bytes) bytes = platform::ReadFile(name, content::kMaxMediaBytes);
  if (!bytes) {
    content::ReportFault(name, "not found, or too large");
    return;
  }
  m_handle = platform::FontLibrary::Process().AddMemoryFont(m_fileName, std::move(*bytes), &m_count);
  if (!m_handle) content::ReportFault(name, "not a font this game can use");
}

MemoryFont::~MemoryFont() {
  if (m_handle) platform::FontLibrary::Process().RemoveMemoryFont(m_handle);
}

// ---- FontManager -------------------------------------------------------------------

FontManager::FontManager(APIGraphics* graphics) : m_graphics(graphics) {
  AddFont(std::make_unique<MyFont>(FontDesc(u"Arial", 20), graphics));
}

FontManager::~FontManager() {
  while (!m_fonts.empty()) m_fonts.pop_back();
  for (auto& font : m_memoryFonts) font.reset();
}

int FontManager::AddFont(std::unique_ptr<MyFont> font) {
  m_fonts.push_back(std::move(font));
  return int(m_fonts.size()) - 1;
}

bool FontManager::AddMemoryFont(std::unique_ptr<MemoryFont> font) {
  if (!font) return false;
  for (const auto& held : m_memoryFonts)
    if (held->FileName() == font->FileName()) return false;
  m_memoryFonts.push_back(std::move(font));
  return true;
}

MyFont* FontManager::GetFont(int index) const {
  return index >= 0 && size_t(index) < m_fonts.size() ? m_fonts[size_t(index)].get() : nullptr;
}

int FontManager::DrawText(int font, const std::u16string* text, Rect* rect, uint32_t format, Argb colour) {
  return DrawTextWithFont(GetFont(font), text, rect, format, colour);
}

int FontManager::DrawTextWithFont(MyFont* font, const std::u16string* text, Rect* rect, uint32_t format,
                                  Argb colour) {
  if (!text || !rect) return 0;
  platform::Font* face = font ? font->Face() : nullptr;
  if (!face) {
    // Without a font there is no text to measure.
    if (format & kDtCalcRect) *rect = {rect->left, rect->top, rect->left, rect->top};
    return 0;
  }
  platform::SpriteBatch* batch = BatchOf(m_graphics);
  if (batch) batch->SetTransform(m_identity);
  m_quads.clear();
  const int height = face->DrawText(*text, *rect, format, (format & kDtCalcRect) ? nullptr : &m_quads);
  if (m_quads.empty() || !batch) return height;
  platform::Texture* texture = font->SyncAtlas(batch);
  for (const platform::GlyphQuad& q : m_quads) {
    const Rect source{q.srcLeft, q.srcTop, q.srcRight, q.srcBottom};
    const Vector2 position(q.left, q.top);
    batch->Draw(texture, &source, nullptr, &position, colour);
  }
  return height;
}

int FontManager::MeasureText(int font, const char16_t* text, Rect* rect, uint32_t format, Argb colour) {
  if (!text) return 0;
  const std::u16string copy(text);
  return DrawTextWithFont(GetFont(font), &copy, rect, format, colour);
}

void FontManager::DrawTextHalo(int font, const std::u16string* text, const Rect* rect, double radius,
                               int directions, int rings, uint32_t format, Argb colour) {
  DrawTextHaloWithFont(GetFont(font), text, rect, radius, directions, rings, format, colour);
}

void FontManager::DrawTextHaloWithFont(MyFont* font, const std::u16string* text, const Rect* rect,
                                       double radius, int directions, int rings, uint32_t format,
                                       Argb colour) {
  if (!text || !rect || std::isnan(radius)) return;
  for (int i = 0; i < directions; ++i) {
    // The fraction of the turn is a single-precision division; the rest runs in double.
    const double angle = double(float(i) / float(directions)) * 360.0 * kDegreesToRadians;
    const double s = std::sin(angle), c = std::cos(angle);
    for (int r = rings + 1; r >= 1; --r) {
      const double dx = double(r) * s / double(rings + 1) * radius;
      const double dy = double(r) * c / double(rings + 1) * radius;
      Rect moved{platform::TruncToInt(rect->left + dx), platform::TruncToInt(rect->top + dy),
                 platform::TruncToInt(rect->right + dx), platform::TruncToInt(rect->bottom + dy)};
      DrawTextWithFont(font, text, &moved, format, colour);
    }
  }
}

void FontManager::DrawTextOffset(int font, const std::u16string* text, const Rect* rect,
                                 const Vector2* offset, double halo, uint32_t format, Argb colour) {
  if (!text || !rect) return;
  const Vector2 by = offset ? *offset : Vector2();
  // Each edge plus the offset in single precision, truncated.
  Rect moved{platform::TruncToInt(float(rect->left) + by.x), platform::TruncToInt(float(rect->top) + by.y),
             platform::TruncToInt(float(rect->right) + by.x),
             platform::TruncToInt(float(rect->bottom) + by.y)};
  if (halo > 0.0)
    DrawTextHalo(font, text, &moved, halo, 10, 1, format, colour);
  else
    DrawText(font, text, &moved, format, colour);
}
