// The picture stages: a pattern laid in tiles, fixed pieces from a creator file, and the
// inversion of a layer with its mask.
#include <algorithm>

#include "engine/kvnode.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "platform/text.h"
#include "world/landschaft.h"
#include "world/levelsetting.h"
#include "world/lfc_stages.h"
#include "world/lfc_support.h"

using platform::RandFraction;
using platform::TruncToInt;

LFC_Kacheln::LFC_Kacheln(const KVNode* section, const LevelSetting* setting, int32_t kind, double scale)
    : LandschaftsFormCreator(section, setting, kind, scale) {
  // The default pattern is drawn whether or not the section names another.
  m_pattern = Setting().PickBedeckung(m_kind);
  if (!section) return;
  section->Read(u"SIZE", m_tileWidth, 0);
  section->Read(u"SIZE", m_tileHeight, 1);
  section->Read(u"USE_MASKE", m_useMask);
  bool fill = false;
  if (section->Read(u"MUSTER", fill))
    m_pattern = fill ? Setting().PickFuellung(m_kind) : Setting().PickBedeckung(m_kind);
}

void LFC_Kacheln::Randomize(int32_t kind) {
  m_tileWidth = m_tileHeight = TruncToInt((RandFraction() - 0.5) * 2 * 100 + 200);
  if (kind != 0) {
    m_colourKey = Grey(kind);
    // Further layers get smaller tiles, so their patterns look further away.
    m_tileWidth = m_tileHeight = TruncToInt(((RandFraction() - 0.5) * 2 + 2) * (kind * 20 + 100));
  }
  m_useMask = true;
  if (m_covering) {
    m_maskColour = kOpaqueRed;
    m_sourceBlend = 1;
    m_destBlend = 2;
    m_pattern = Setting().PickBedeckung(kind);
    m_clamp = true;
  } else {
    m_maskColour = kOpaqueGreen;
    if (Setting().UsesPerlinNoise(kind)) {
      m_sourceBlend = 1;
      m_destBlend = 2;
      m_clamp = true;
    } else {
      m_sourceBlend = 10;
      m_destBlend = 0;
    }
    m_pattern = Setting().PickFuellung(kind);
  }
}

void LFC_Kacheln::Apply(Landschaft& layer, Landschaft& mask, MyLoadScreen*) {
  if (!m_pattern || !m_pattern->texture || !m_pattern->texture->texture) return;
  const Rect r = layer.GetRect();
  // The working rectangle's size: each extent less its own two margins, and the rows end at
  // the height, as the columns end at the width. Rows bounded by the width (with the width's
  // margins) would, on a layer wider than high, paint a whole tile row over the bottom margin
  // and, on a layer higher than wide, leave the rows below the width upside down or unpainted;
  // the last row is shortened instead, as the last column is.
  const int32_t width = (r.right - r.left) - m_margins.left - m_margins.right;
  const int32_t height = (r.bottom - r.top) - m_margins.top - m_margins.bottom;
  const double stepX = m_tileWidth * m_scale, stepY = m_tileHeight * m_scale;
  // A step under one pixel would never leave its tile.
  if (TruncToInt(stepX) < 1 || TruncToInt(stepY) < 1) return;
  const int32_t left = r.left + m_margins.left, top = r.top + m_margins.top;
  const TexturePartRecord& part = *m_pattern->texture;
  // The tiles never overlap and never read what the others drew: they go in one batch.
  lfc::StampBatch batch;
  for (int32_t x = 0; x < width;) {
    const double ex = std::min(x + stepX, double(width));
    for (int32_t y = 0; y < height;) {
      const double ey = std::min(y + stepY, double(height));
      const Rect dest{left + x, top + y, TruncToInt(left + ex), TruncToInt(top + ey)};
      LandStamp stamp(part.texture, part.rect, dest, nullptr, nullptr, false, m_colourKey, m_sourceBlend,
                      m_destBlend, m_clamp);
      if (m_useMask) {
        stamp.maskLayer = &mask;
        stamp.maskColour = m_maskColour;
        batch.AddToLayer(stamp);
      } else {
        batch.AddToBoth(stamp, m_maskColour);
      }
      if (y + stepY >= height) break;
      y = TruncToInt(y + stepY);
    }
    if (x + stepX >= width) break;
    x = TruncToInt(x + stepX);
  }
  batch.Draw(layer, mask);
}

void LFC_Kacheln::DescribeParameters(std::u16string& out) const {
  DescribeValue(out, u"size", m_tileWidth);
  DescribeValue(out, u"height", m_tileHeight);
  DescribeValue(out, u"useMask", int32_t(m_useMask));
  out += u", pattern=";
  out += m_pattern ? m_pattern->name : u"-";
}

LFC_LoadFile::LFC_LoadFile(const KVNode* section, const LevelSetting* setting, int32_t kind, double scale,
                           TexturDefCache* textures, const DataArchive* archive)
    : LandschaftsFormCreator(section, setting, kind, scale) {
  if (!section) return;
  section->Read(u"WORLD_RECT", m_source.left, 0);
  section->Read(u"WORLD_RECT", m_source.top, 1);
  section->Read(u"WORLD_RECT", m_source.right, 2);
  section->Read(u"WORLD_RECT", m_source.bottom, 3);
  for (unsigned i = 0; const KVNode* piece = section->GetChild(i, u"SCHNIPPSEL"); ++i)
    m_pieces.emplace_back(piece, textures, archive);
}

void LFC_LoadFile::Apply(Landschaft& layer, Landschaft& mask, MyLoadScreen*) {
  const int32_t sourceWidth = m_source.right - m_source.left, sourceHeight = m_source.bottom - m_source.top;
  // Without a source frame there is nothing to lay the pieces out in.
  if (sourceWidth <= 0 || sourceHeight <= 0) return;
  const Rect r = layer.GetRect();
  const float sx = float(r.right - r.left) / float(sourceWidth);
  const float sy = float(r.bottom - r.top) / float(sourceHeight);
  for (const LandStamp& piece : m_pieces) {
    const Rect& d = piece.destination;
    const float fx = float(d.left - m_source.left) / float(sourceWidth);
    const float fy = float(d.top - m_source.top) / float(sourceHeight);
    const float x = float(r.left) + float(r.right - r.left) * fx;
    const float y = float(r.top) + float(r.bottom - r.top) * fy;
    LandStamp placed = piece;
    // The piece keeps its mirroring; only its place and size change.
    placed.destination = {TruncToInt(x), TruncToInt(y), TruncToInt(x + float(d.right - d.left) * sx),
                          TruncToInt(y + float(d.bottom - d.top) * sy)};
    layer.StampTexture(placed, nullptr);
    mask.StampTexture(placed, nullptr);
  }
}

void LFC_LoadFile::DescribeParameters(std::u16string& out) const {
  out += platform::FormatW(u", source=%d,%d,%d,%d", m_source.left, m_source.top, m_source.right,
                           m_source.bottom);
  DescribeValue(out, u"pieces", int32_t(m_pieces.size()));
}

void LFC_Invert::Randomize(int32_t) { m_maskColour = kOpaqueGreen; }

void LFC_Invert::Apply(Landschaft& layer, Landschaft& mask, MyLoadScreen*) {
  const lfc::Span span = lfc::Clip(WorkingRect(layer), layer.GetRect());
  const uint32_t maskAlpha = m_maskColour >> 24, maskRgb = m_maskColour & 0xFFFFFFu;
  // Each pixel is changed on its own, so rows may go first.
  for (int32_t y = span.top; y < span.bottom; ++y) {
    for (int32_t x = span.left; x < span.right; ++x) {
      uint32_t* p = layer.LockedPixel(x, y);
      uint32_t* m = mask.LockedPixel(x, y);
      if (!p || !m) continue;
      *p = ~*p;
      *m = ((maskAlpha - (*m >> 24)) & 0xFFu) << 24 | maskRgb;
    }
  }
}
