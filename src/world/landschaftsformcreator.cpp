// The common part of every landscape stage: defaults, common keys, descriptions.
#include "world/landschaftsformcreator.h"

#include <cstdlib>

#include "engine/kvnode.h"
#include "platform/text.h"
#include "world/landschaft.h"
#include "world/levelsetting.h"

namespace {

// Indexed by code; the misspellings are the names the creator files use.
constexpr std::u16string_view kBlendNames[] = {
    u"ZERO",      u"ONE",         u"SUBSTRACT_C", u"SUBSTRACT_A", u"SUBSTRACT",
    u"SRC_COLOR", u"DST_COLOR",   u"SRC_COLOR_I", u"DST_COLOR_I", u"SRC_ALPHA",
    u"DST_APLHA", u"SRC_ALPHA_I", u"DST_ALPHA_I",
};

void ReadBlend(const KVNode& section, std::u16string_view key, int32_t& code) {
  if (const KVValue* name = section.Find(key)) {
    const int32_t read = LandschaftsFormCreator::BlendCode(name->Text());
    if (read >= 0) code = read;
  }
}

void ReadColour(const KVNode& section, std::u16string_view key, uint32_t& colour) {
  if (const KVValue* text = section.Find(key)) colour = platform::WToUL16(text->Text());
}

}  // namespace

LandschaftsFormCreator::LandschaftsFormCreator(const KVNode* section, const LevelSetting* setting,
                                               int32_t kind, double scale)
    : m_setting(setting), m_kind(kind), m_scale(scale) {
  if (!section) return;
  // Each of the four margins that is given replaces its default.
  section->Read(u"RAND", m_margins.left, 0);
  section->Read(u"RAND", m_margins.top, 1);
  section->Read(u"RAND", m_margins.right, 2);
  section->Read(u"RAND", m_margins.bottom, 3);
  ReadColour(*section, u"MASKEN_FARBE", m_maskColour);
  ReadColour(*section, u"COLORKEY", m_colourKey);
  ReadBlend(*section, u"SRC_BLEND", m_sourceBlend);
  ReadBlend(*section, u"DST_BLEND", m_destBlend);
  int32_t clamp = 0;
  if (section->Read(u"CLAMP", clamp)) m_clamp = clamp != 0;
}

int32_t LandschaftsFormCreator::BlendCode(std::u16string_view name) {
  for (int32_t code = 0; code < int32_t(std::size(kBlendNames)); ++code)
    if (kBlendNames[code] == name) return code;
  return -1;
}

uint32_t LandschaftsFormCreator::Grey(int32_t kind) {
  const uint32_t v = uint32_t(255 - std::abs(kind) * 40) & 0xFFu;
  return 0xFF000000u | v << 16 | v << 8 | v;
}

Rect LandschaftsFormCreator::WorkingRect(const Landschaft& layer) const {
  const Rect r = layer.GetRect();
  return {r.left + m_margins.left, r.top + m_margins.top, r.right - m_margins.right,
          r.bottom - m_margins.bottom};
}

const LevelSetting& LandschaftsFormCreator::Setting() const {
  return m_setting ? *m_setting : LevelSetting::Empty();
}

std::u16string LandschaftsFormCreator::Describe() const {
  std::u16string out = TypeName();
  out += platform::FormatW(u" rand=%d,%d,%d,%d", m_margins.left, m_margins.top, m_margins.right,
                           m_margins.bottom);
  DescribeHex(out, u"mask", m_maskColour);
  DescribeHex(out, u"key", m_colourKey);
  out += platform::FormatW(u", blend=%d,%d", m_sourceBlend, m_destBlend);
  DescribeValue(out, u"clamp", int32_t(m_clamp));
  DescribeParameters(out);
  return out;
}

void DescribeValue(std::u16string& out, std::u16string_view name, double value) {
  out += platform::FormatW(u", %s=%.17g", std::u16string(name), value);
}

void DescribeValue(std::u16string& out, std::u16string_view name, int32_t value) {
  out += platform::FormatW(u", %s=%d", std::u16string(name), value);
}

void DescribeHex(std::u16string& out, std::u16string_view name, uint32_t value) {
  out += platform::FormatW(u", %s=%08X", std::u16string(name), value);
}
