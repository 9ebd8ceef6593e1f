// The landscape stage: one step of painting a layer (and, where it shapes terrain, the
// layer's mask store). Every stage class derives from LandschaftsFormCreator, reads the
// common keys here and its own in its constructor, and draws from the game's generator in a
// fixed order, so that a level seed always paints the same layer.
#pragma once

#include <cstdint>
#include <string>

#include "engine/gfxtypes.h"

class KVNode;
class Landschaft;
class LevelSetting;
class MyLoadScreen;

class LandschaftsFormCreator {
 public:
  // Base part of every stage constructor: stores the setting (null stands for the empty
  // setting), the kind and the scale, sets the defaults and reads the common keys of the
  // section when one is given.
  LandschaftsFormCreator(const KVNode* section, const LevelSetting* setting, int32_t kind, double scale);
  virtual ~LandschaftsFormCreator() = default;
  LandschaftsFormCreator(const LandschaftsFormCreator&) = delete;
  LandschaftsFormCreator& operator=(const LandschaftsFormCreator&) = delete;

  // Paints the stage into the layer (and the mask). The load screen is passed along by the
  // world build; no stage draws on it.
  virtual void Apply(Landschaft& layer, Landschaft& mask, MyLoadScreen* loadScreen) = 0;
  // Replaces the parameters with random ones for a layer of that kind (random recipe only).
  virtual void Randomize(int32_t kind) = 0;

  // Margins: left and top are added to the layer's rectangle, right and bottom subtracted.
  void SetRand(const Rect& margins) { m_margins = margins; }

  // The stage's class name and its parameters as one line of text (diagnostics and tests).
  std::u16string Describe() const;
  virtual const char16_t* TypeName() const = 0;

  const Rect& Margins() const { return m_margins; }
  uint32_t MaskColour() const { return m_maskColour; }
  uint32_t ColourKey() const { return m_colourKey; }
  int32_t SourceBlend() const { return m_sourceBlend; }
  int32_t DestBlend() const { return m_destBlend; }
  bool Clamp() const { return m_clamp; }
  int32_t Kind() const { return m_kind; }
  double Scale() const { return m_scale; }

  // The code of a blend name ("ZERO" .. "DST_ALPHA_I", spelled as the files spell them),
  // or -1 for a name not in the table.
  static int32_t BlendCode(std::u16string_view name);
  // Opaque grey 255 - |kind| * 40 (low 8 bits): the colour key of background and
  // foreground stages, which darkens layers further from the game layer.
  static uint32_t Grey(int32_t kind);

  static constexpr uint32_t kOpaqueRed = 0xFFFF0000;
  static constexpr uint32_t kOpaqueGreen = 0xFF00FF00;

 protected:
  // The stage's own parameters for Describe.
  virtual void DescribeParameters(std::u16string& out) const = 0;
  // The layer's rectangle with the margins applied.
  Rect WorkingRect(const Landschaft& layer) const;
  const LevelSetting& Setting() const;

  Rect m_margins{100, 100, 100, 0};
  uint32_t m_maskColour = 0xFFFFFFFF;
  uint32_t m_colourKey = 0xFFFFFFFF;
  int32_t m_sourceBlend = 9;
  int32_t m_destBlend = 11;
  const LevelSetting* m_setting;
  bool m_clamp = false;
  int32_t m_kind;
  double m_scale;
};

// Appends ", name=value" pieces to a description, numbers written exactly.
void DescribeValue(std::u16string& out, std::u16string_view name, double value);
void DescribeValue(std::u16string& out, std::u16string_view name, int32_t value);
void DescribeHex(std::u16string& out, std::u16string_view name, uint32_t value);
