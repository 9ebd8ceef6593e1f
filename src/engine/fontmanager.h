// The program's fonts and text drawing: font files installed for the process from the data
// archive, fonts made from a description and kept by index, and text drawn, measured and
// haloed through the sprite renderer. The graphics manager owns the one FontManager.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"
#include "engine/resetobjekt.h"
#include "platform/font.h"
#include "platform/math2d.h"
#include "platform/text_layout.h"
#include "platform/texture.h"

class APIGraphics;
class DataArchive;

namespace platform {
class SpriteBatch;
}

// Formatting flags of text drawing (alignment, word break, no clipping, measuring).
constexpr uint32_t kDtCenter = platform::kTextCenter;
constexpr uint32_t kDtRight = platform::kTextRight;
constexpr uint32_t kDtVCenter = platform::kTextVCenter;
constexpr uint32_t kDtBottom = platform::kTextBottom;
constexpr uint32_t kDtWordBreak = platform::kTextWordBreak;
constexpr uint32_t kDtSingleLine = platform::kTextSingleLine;
constexpr uint32_t kDtNoClip = platform::kTextNoClip;
constexpr uint32_t kDtCalcRect = platform::kTextCalcRect;

// What a font is made from. Character set, precision, quality, pitch and mip levels are kept
// as given; the face is chosen by name, weight and slant.
struct FontDesc {
  int32_t height = 20;  // pixels at a screen height of 768 when scaling, else pixels
  uint32_t width = 0;   // 0: from the height
  uint32_t weight = 700;
  uint32_t mipLevels = 1;
  bool italic = false;
  uint32_t charSet = 1;
  uint32_t outputPrecision = 0;
  uint32_t quality = 0;
  uint32_t pitchAndFamily = 0;
  std::u16string faceName = u"Arial";
  bool scaleWithScreen = false;

  FontDesc() = default;
  FontDesc(std::u16string face, int32_t height, bool scaleWithScreen = false, uint32_t width = 0,
           bool italic = false, uint32_t weight = 700, uint32_t charSet = 1, uint32_t pitchAndFamily = 0,
           uint32_t outputPrecision = 0, uint32_t quality = 0, uint32_t mipLevels = 1);
};

// The pixel height a description asks for at a screen height: the description's own height,
// or with scaling trunc(height * screenHeight / 768) with the product taken in integers.
int32_t ScaledFontHeight(const FontDesc& desc, uint32_t screenHeight);

// One font of the manager. Device-dependent: released when the device is lost and made again
// (at the new screen height) when it is reset. Its glyph atlas is mirrored in a texture that
// the text quads are drawn from.
class MyFont : public ResetObjekt {
 public:
  // Registers with the graphics manager (the context's when null) and makes the font.
  explicit MyFont(const FontDesc& desc, APIGraphics* graphics = nullptr);
  ~MyFont() override;
  MyFont(const MyFont&) = delete;
  MyFont& operator=(const MyFont&) = delete;

  void OnResetDevice() override;
  void OnLostDevice() override;

  const FontDesc& Desc() const { return m_desc; }
  // Null when the font could not be made or the device is lost.
  platform::Font* Face() const { return m_font.get(); }
  // The pixel height the font was made with.
  int32_t Height() const { return m_height; }

  // The texture holding the glyph atlas as it is now. Quads the batch still holds are drawn
  // before the texture changes, so they keep showing the glyphs they were laid out with.
  platform::Texture* SyncAtlas(platform::SpriteBatch* batch);

 private:
  void Create();

  APIGraphics* m_graphics;
  std::unique_ptr<platform::Font> m_font;
  FontDesc m_desc;
  int32_t m_height = 0;
  std::unique_ptr<platform::Texture> m_atlasTexture;
  uint64_t m_atlasGeneration = 0;
};

// A font file installed for the process, from the archive or else from disk. A file that is
// found nowhere installs nothing.
class MemoryFont {
 public:
  MemoryFont(std::u16string fileName, const DataArchive* archive);
  ~MemoryFont();
  MemoryFont(const MemoryFont&) = delete;
  MemoryFont& operator=(const MemoryFont&) = delete;

  const std::u16string& FileName() const { return m_fileName; }
  bool IsInstalled() const { return m_handle != 0; }
  int FontCount() const { return m_count; }

 private:
  std::u16string m_fileName;
  int m_handle = 0;
  int m_count = 0;
};

class FontManager {
 public:
  // Makes the default font, bold "Arial" of height 20: index 0.
  explicit FontManager(APIGraphics* graphics);
  // Deletes the fonts from the last to the first, then the memory fonts in order.
  ~FontManager();
  FontManager(const FontManager&) = delete;
  FontManager& operator=(const FontManager&) = delete;

  // Appends the font and returns its index.
  int AddFont(std::unique_ptr<MyFont> font);
  // False for null and for a file name already held (the first stays); a record that is
  // not taken is deleted.
  bool AddMemoryFont(std::unique_ptr<MemoryFont> font);

  // Null for an index out of range.
  MyFont* GetFont(int index) const;
  int FontCount() const { return int(m_fonts.size()); }
  const std::vector<std::unique_ptr<MemoryFont>>& MemoryFonts() const { return m_memoryFonts; }

  // Draws text inside the sprite renderer's Begin/End; returns the text height as the layout
  // reports it. Null text, a bad index or a font that does not exist draw nothing and
  // return 0 (with kDtCalcRect the rectangle becomes empty at its top-left corner).
  int DrawText(int font, const std::u16string* text, Rect* rect, uint32_t format, Argb colour);
  int DrawTextWithFont(MyFont* font, const std::u16string* text, Rect* rect, uint32_t format, Argb colour);
  // The same call, for measuring: pass kDtCalcRect to have rect set to the text's extent.
  int MeasureText(int font, const char16_t* text, Rect* rect, uint32_t format, Argb colour);

  // The text drawn directions x (rings + 1) times around its place (not at it): for each
  // direction, rings + 1 copies from the full radius inwards.
  void DrawTextHalo(int font, const std::u16string* text, const Rect* rect, double radius, int directions,
                    int rings, uint32_t format, Argb colour);
  void DrawTextHaloWithFont(MyFont* font, const std::u16string* text, const Rect* rect, double radius,
                            int directions, int rings, uint32_t format, Argb colour);
  // The rectangle moved by the offset; with halo > 0 a halo of that radius (10 directions, 1
  // ring), else the text itself.
  void DrawTextOffset(int font, const std::u16string* text, const Rect* rect, const Vector2* offset,
                      double halo, uint32_t format, Argb colour);

 private:
  APIGraphics* m_graphics;
  platform::Matrix m_identity = platform::Matrix::Identity();
  std::vector<std::unique_ptr<MyFont>> m_fonts;
  std::vector<std::unique_ptr<MemoryFont>> m_memoryFonts;
  std::vector<platform::GlyphQuad> m_quads;
};
