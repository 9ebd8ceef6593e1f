// FreeType behind platform::Font and platform::FontLibrary: registration of font files,
// the choice of a face, the cell-height metrics and glyph rendering into the atlas.
#include "platform/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/files.h"
#include "platform/text.h"

namespace platform {

namespace {

// Owns the FreeType library; faces keep it alive through a shared pointer, so fonts may
// outlive the FontLibrary that made them.
struct FtLibrary {
  FT_Library lib = nullptr;
  FtLibrary() {
    if (FT_Init_FreeType(&lib) != 0) lib = nullptr;
  }
  ~FtLibrary() {
    if (lib) FT_Done_FreeType(lib);
  }
};

using Bytes = std::shared_ptr<const std::vector<uint8_t>>;

struct FaceRecord {
  Bytes bytes;
  FT_Long index = 0;
  std::u16string family;
  std::u16string familyKey;  // ASCII-lowered, for lookups
  int weight = 400;
  bool italic = false;
};

struct SystemFamily {
  const char16_t* key;
  std::array<const char*, 4> files;  // regular, bold, italic, bold italic
};

constexpr const char* kLiberationSans[4] = {
    "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
    "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf",
    "/usr/share/fonts/truetype/liberation2/LiberationSans-Italic.ttf",
    "/usr/share/fonts/truetype/liberation2/LiberationSans-BoldItalic.ttf",
};
constexpr const char* kDejaVuSans[4] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Oblique.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-BoldOblique.ttf",
};
constexpr char16_t kFallbackKey[] = u"dejavu sans";

const SystemFamily kSystemFamilies[] = {
    {u"arial", {kLiberationSans[0], kLiberationSans[1], kLiberationSans[2], kLiberationSans[3]}},
    {u"liberation sans", {kLiberationSans[0], kLiberationSans[1], kLiberationSans[2], kLiberationSans[3]}},
    {kFallbackKey, {kDejaVuSans[0], kDejaVuSans[1], kDejaVuSans[2], kDejaVuSans[3]}},
};

std::u16string FromUtf16BE(const FT_Byte* s, FT_UInt len) {
  std::u16string out;
  for (FT_UInt i = 0; i + 1 < len; i += 2) out.push_back(char16_t((s[i] << 8) | s[i + 1]));
  return out;
}

// The family as the system's font mapper knows it: name 1 of the Windows platform
// (American English first), else the Macintosh one, else what FreeType reports.
std::u16string FamilyName(FT_Face face) {
  std::u16string windowsAny, mac;
  const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
  for (FT_UInt i = 0; i < count; ++i) {
    FT_SfntName name;
    if (FT_Get_Sfnt_Name(face, i, &name) != 0 || name.name_id != TT_NAME_ID_FONT_FAMILY) continue;
    if (name.platform_id == TT_PLATFORM_MICROSOFT &&
        (name.encoding_id == TT_MS_ID_UNICODE_CS || name.encoding_id == TT_MS_ID_SYMBOL_CS)) {
      std::u16string s = FromUtf16BE(name.string, name.string_len);
      if (name.language_id == TT_MS_LANGID_ENGLISH_UNITED_STATES && !s.empty()) return s;
      if (windowsAny.empty()) windowsAny = s;
    } else if (name.platform_id == TT_PLATFORM_MACINTOSH && name.encoding_id == TT_MAC_ID_ROMAN &&
               mac.empty()) {
      mac = Cp1252ToU16(std::string_view(reinterpret_cast<const char*>(name.string), name.string_len));
    }
  }
  if (!windowsAny.empty()) return windowsAny;
  if (!mac.empty()) return mac;
  return face->family_name ? Cp1252ToU16(face->family_name) : std::u16string();
}

// Reads every scalable face of a font file. Empty when the bytes are not a font.
std::vector<FaceRecord> ReadFaces(FT_Library lib, const Bytes& bytes) {
  std::vector<FaceRecord> faces;
  if (!lib || bytes->empty()) return faces;
  FT_Face probe = nullptr;
  if (FT_New_Memory_Face(lib, bytes->data(), FT_Long(bytes->size()), -1, &probe) != 0) return faces;
  const FT_Long count = probe->num_faces;
  FT_Done_Face(probe);
  for (FT_Long i = 0; i < count; ++i) {
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(lib, bytes->data(), FT_Long(bytes->size()), i, &face) != 0) continue;
    if (FT_IS_SCALABLE(face) && face->units_per_EM > 0 && face->num_glyphs > 0) {
      FaceRecord rec;
      rec.bytes = bytes;
      rec.index = i;
      rec.family = FamilyName(face);
      rec.familyKey = AsciiLower(rec.family);
      const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
      rec.weight = os2 && os2->usWeightClass ? os2->usWeightClass
                                             : (face->style_flags & FT_STYLE_FLAG_BOLD ? 700 : 400);
      rec.italic = face->style_flags & FT_STYLE_FLAG_ITALIC;
      if (!rec.family.empty()) faces.push_back(std::move(rec));
    }
    FT_Done_Face(face);
  }
  return faces;
}

constexpr int kBoldWeight = 600;  // from here on a request counts as bold

// The face of the family closest to the wanted slant first, then weight; the earlier
// face wins a tie.
const FaceRecord* ChooseFace(const std::vector<const FaceRecord*>& faces, int weight, bool italic) {
  const FaceRecord* best = nullptr;
  int bestScore = 0;
  for (const FaceRecord* f : faces) {
    const int score = (f->italic != italic ? 10000 : 0) + std::abs(f->weight - weight);
    if (!best || score < bestScore) best = f, bestScore = score;
  }
  return best;
}

struct GlyphSlot {
  PlacedGlyph glyph;
  bool loaded = false;
};
using GlyphPage = std::array<GlyphSlot, 256>;
constexpr size_t kPageCount = 0x110000 / 256;

}  // namespace

// ---- Font --------------------------------------------------------------------------

struct Font::Impl : GlyphSource {
  std::shared_ptr<FtLibrary> lib;
  Bytes bytes;
  FT_Face face = nullptr;
  std::u16string family;
  bool syntheticBold = false;
  bool syntheticItalic = false;
  FontMetrics metrics;
  GlyphAtlas atlas;
  std::vector<std::unique_ptr<GlyphPage>> pages = std::vector<std::unique_ptr<GlyphPage>>(kPageCount);
  bool atlasFull = false;

  ~Impl() override {
    if (face) FT_Done_Face(face);
  }

  void Render(char32_t c, GlyphSlot& slot) {
    slot.glyph = PlacedGlyph{};
    const FT_UInt index = FT_Get_Char_Index(face, c);
    if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_LIGHT | FT_LOAD_NO_BITMAP) != 0) {
      slot.loaded = true;
      return;
    }
    FT_GlyphSlot g = face->glyph;
    if (syntheticItalic) FT_GlyphSlot_Oblique(g);
    if (syntheticBold) FT_GlyphSlot_Embolden(g);
    slot.glyph.advance = int32_t((g->advance.x + 32) >> 6);
    slot.loaded = true;
    if (FT_Render_Glyph(g, FT_RENDER_MODE_NORMAL) != 0) return;
    const FT_Bitmap& bm = g->bitmap;
    if (bm.width == 0 || bm.rows == 0 || bm.pixel_mode != FT_PIXEL_MODE_GRAY) return;
    int x = 0, y = 0;
    if (!atlas.Add(bm.buffer, int(bm.width), int(bm.rows), bm.pitch, x, y)) {
      // Not placed: try again once the atlas has been cleared.
      atlasFull = true;
      slot.loaded = false;
      return;
    }
    slot.glyph.bearingX = g->bitmap_left;
    slot.glyph.bearingY = g->bitmap_top;
    slot.glyph.width = int32_t(bm.width);
    slot.glyph.height = int32_t(bm.rows);
    slot.glyph.atlasX = x;
    slot.glyph.atlasY = y;
  }

  GlyphSlot& Slot(char32_t c) {
    if (c >= 0x110000) c = 0xFFFD;
    auto& page = pages[c >> 8];
    if (!page) page = std::make_unique<GlyphPage>();
    return (*page)[c & 0xFF];
  }

  const PlacedGlyph& Glyph(char32_t c) override {
    GlyphSlot& slot = Slot(c);
    if (!slot.loaded) Render(c, slot);
    return slot.glyph;
  }

  void Prepare(std::u16string_view text) override {
    for (int pass = 0; pass < 2; ++pass) {
      atlasFull = false;
      for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
          c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
          ++i;
        }
        if (c >= 0x20) Glyph(c);
      }
      if (!atlasFull) return;
      // The atlas is full at its largest size: start it afresh with this text's glyphs.
      atlas.Clear();
      for (auto& page : pages) page.reset();
    }
  }

  int32_t Ascent() const override { return metrics.ascent; }
  int32_t LineHeight() const override { return metrics.lineHeight; }
};

Font::Font(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
Font::~Font() = default;
const std::u16string& Font::FamilyName() const { return m_impl->family; }
bool Font::SyntheticBold() const { return m_impl->syntheticBold; }
bool Font::SyntheticItalic() const { return m_impl->syntheticItalic; }
const FontMetrics& Font::Metrics() const { return m_impl->metrics; }
const GlyphAtlas& Font::Atlas() const { return m_impl->atlas; }
bool Font::HasGlyph(char32_t c) const { return FT_Get_Char_Index(m_impl->face, c) != 0; }

int32_t Font::DrawText(std::u16string_view text, Rect& rect, uint32_t format, std::vector<GlyphQuad>* quads) {
  return LayoutText(*m_impl, text, rect, format, quads);
}

// ---- FontLibrary -------------------------------------------------------------------

struct FontLibrary::Impl {
  struct Registration {
    int handle;
    std::u16string fileName;
    std::vector<FaceRecord> faces;
  };
  struct LoadedSystemFamily {
    bool loaded = false;
    std::vector<FaceRecord> faces;
  };

  std::shared_ptr<FtLibrary> lib = std::make_shared<FtLibrary>();
  std::vector<Registration> registrations;
  int nextHandle = 1;
  std::array<LoadedSystemFamily, std::size(kSystemFamilies)> system;

  std::vector<const FaceRecord*> Registered(std::u16string_view key) const {
    std::vector<const FaceRecord*> out;
    for (const Registration& r : registrations)
      for (const FaceRecord& f : r.faces)
        if (f.familyKey == key) out.push_back(&f);
    return out;
  }

  std::vector<const FaceRecord*> System(std::u16string_view key) {
    std::vector<const FaceRecord*> out;
    for (size_t i = 0; i < std::size(kSystemFamilies); ++i) {
      if (key != kSystemFamilies[i].key) continue;
      LoadedSystemFamily& fam = system[i];
      if (!fam.loaded) {
        fam.loaded = true;
        for (const char* path : kSystemFamilies[i].files) {
          auto data = ReadFileOs(path);
          if (!data) continue;
          auto faces = ReadFaces(lib->lib, std::make_shared<const std::vector<uint8_t>>(std::move(*data)));
          for (auto& f : faces) fam.faces.push_back(std::move(f));
        }
      }
      for (const FaceRecord& f : fam.faces) out.push_back(&f);
    }
    return out;
  }
};

FontLibrary::FontLibrary() : m_impl(std::make_unique<Impl>()) {}
FontLibrary::~FontLibrary() = default;

FontLibrary& FontLibrary::Process() {
  static FontLibrary library;
  return library;
}

int FontLibrary::AddMemoryFont(std::u16string_view fileName, std::vector<uint8_t> bytes, int* faceCount) {
  if (faceCount) *faceCount = 0;
  for (const auto& r : m_impl->registrations)
    if (r.fileName == fileName) return 0;
  auto shared = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
  std::vector<FaceRecord> faces = ReadFaces(m_impl->lib->lib, shared);
  if (faces.empty()) return 0;
  if (faceCount) *faceCount = int(faces.size());
  const int handle = m_impl->nextHandle++;
  m_impl->registrations.push_back({handle, std::u16string(fileName), std::move(faces)});
  return handle;
}

bool FontLibrary::RemoveMemoryFont(int handle) {
  auto& regs = m_impl->registrations;
  for (auto it = regs.begin(); it != regs.end(); ++it) {
    if (it->handle == handle) {
      regs.erase(it);
      return true;
    }
  }
  return false;
}

std::vector<std::u16string> FontLibrary::RegisteredFamilies() const {
  std::vector<std::u16string> out;
  for (const auto& r : m_impl->registrations)
    for (const auto& f : r.faces)
      if (std::find(out.begin(), out.end(), f.family) == out.end()) out.push_back(f.family);
  return out;
}

std::unique_ptr<Font> FontLibrary::CreateFont(const FontSpec& spec) {
  const std::u16string key = AsciiLower(spec.family);
  std::vector<const FaceRecord*> faces = m_impl->Registered(key);
  if (faces.empty()) faces = m_impl->System(key);
  if (faces.empty()) faces = m_impl->System(kFallbackKey);
  if (faces.empty()) {
    for (const auto& r : m_impl->registrations)
      for (const auto& f : r.faces) faces.push_back(&f);
  }
  const int weight = spec.weight == 0 ? 400 : int(std::min<uint32_t>(spec.weight, 1000));
  const FaceRecord* rec = ChooseFace(faces, weight, spec.italic);
  if (!rec) return nullptr;

  auto impl = std::make_unique<Font::Impl>();
  impl->lib = m_impl->lib;
  impl->bytes = rec->bytes;
  if (FT_New_Memory_Face(impl->lib->lib, rec->bytes->data(), FT_Long(rec->bytes->size()), rec->index,
                         &impl->face) != 0) {
    impl->face = nullptr;
    return nullptr;
  }
  FT_Select_Charmap(impl->face, FT_ENCODING_UNICODE);
  impl->family = rec->family;
  impl->syntheticBold = weight >= kBoldWeight && rec->weight < kBoldWeight;
  impl->syntheticItalic = spec.italic && !rec->italic;

  // Cell metrics from the Windows ascent and descent, as the system's font mapper uses them.
  FT_Face face = impl->face;
  const double upem = face->units_per_EM;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  double winAscent = os2 ? os2->usWinAscent : 0.0;
  double winDescent = os2 ? os2->usWinDescent : 0.0;
  if (winAscent + winDescent <= 0.0) {
    winAscent = face->ascender;
    winDescent = -face->descender;
  }
  if (winAscent + winDescent <= 0.0) {
    winAscent = upem * 0.8;
    winDescent = upem * 0.2;
  }
  FontMetrics& m = impl->metrics;
  // Glyphs larger than the atlas could never be drawn; such heights are drawn at the limit.
  const int32_t limit = GlyphAtlas::kMaxSize / 2;
  const int32_t height = spec.height == 0 ? 16 : std::clamp(spec.height, -limit, limit);
  if (height > 0) {
    m.lineHeight = height;
    m.emPixels = float(height * upem / (winAscent + winDescent));
    m.ascent = int32_t(std::lround(winAscent * height / (winAscent + winDescent)));
    m.descent = height - m.ascent;
  } else {
    m.emPixels = float(-double(height));
    m.ascent = int32_t(std::lround(winAscent * m.emPixels / upem));
    m.descent = int32_t(std::lround(winDescent * m.emPixels / upem));
    m.lineHeight = m.ascent + m.descent;
  }
  double emX = m.emPixels;
  if (spec.width > 0 && os2 && os2->xAvgCharWidth > 0)
    emX = std::min(double(spec.width) * upem / os2->xAvgCharWidth, double(limit));
  const auto toF26 = [](double px) { return FT_F26Dot6(std::max(1.0, std::round(px * 64.0))); };
  if (FT_Set_Char_Size(face, toF26(emX), toF26(m.emPixels), 72, 72) != 0) return nullptr;
  return std::unique_ptr<Font>(new Font(std::move(impl)));
}

}  // namespace platform
