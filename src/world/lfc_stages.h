// The nine landscape stages. Shapes, tiles, pictures and inversion decorate and cut a layer;
// the noise line, the scan-line band, the ellipse and the Sobel edge give it its solid body
// and its rim. A creator file names them by section; the random recipe makes them itself.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "world/landschaftsformcreator.h"
#include "world/landstamp.h"

class DataArchive;
class TexturDefCache;
struct SettingMuster;
struct SettingObjekt;

// Scatters objects of the setting: on the ground (mode 0), in the air (1) or inside the
// earth (2), apart from each other; ground objects may lean with the surface.
class LFC_Formen : public LandschaftsFormCreator {
 public:
  // Consecutive failed passes after which the stage gives up.
  static constexpr int32_t kMaxFailures = 200;

  LFC_Formen(const KVNode* section, const LevelSetting* setting, int32_t kind, double scale);
  void Apply(Landschaft& layer, Landschaft& mask, MyLoadScreen* loadScreen) override;
  void Randomize(int32_t kind) override;
  const char16_t* TypeName() const override { return u"LFC_Formen"; }

  void SetModus(int32_t mode) { m_mode = mode; }
  int32_t Modus() const { return m_mode; }
  double CountBase() const { return m_countBase; }
  double CountRange() const { return m_countRange; }

 protected:
  void DescribeParameters(std::u16string& out) const override;

  double m_countBase = 1.0;
  double m_countRange = 0.5;
  int32_t m_mode = 0;
};

// Scatters the setting's background objects, placed against the edges they allow (or
// anywhere, for objects placed in the air).
class LFC_HGObjektePlacer : public LandschaftsFormCreator {
 public:
  LFC_HGObjektePlacer(const KVNode* section, const LevelSetting* setting, int32_t kind, double scale);
  void Apply(Landschaft& layer, Landschaft& mask, MyLoadScreen* loadScreen) override;
  void Randomize(int32_t kind) override;
  const char16_t* TypeName() const override { return u"LFC_HGObjektePlacer"; }

  double CountBase() const { return m_countBase; }
  double CountRange() const { return m_countRange; }

 protected:
  void DescribeParameters(std::u16string& out) const override;

  double m_countBase = 10.0;
  double m_countRange = 5.0;
};

// Covers the layer with a pattern in tiles, only where the mask shows the stage's mask
// colour when it uses the mask.
class LFC_Kacheln : public LandschaftsFormCreator {
 public:
  // Always one pick (a cover pattern) at construction; a "MUSTER" key picks again.
  LFC_Kacheln(const KVNode* section, const LevelSetting* setting, int32_t kind, double scale);
  void Apply(Landschaft& layer, Landschaft& mask, MyLoadScreen* loadScreen) override;
  void Randomize(int32_t kind) override;
  const char16_t* TypeName() const override { return u"LFC_Kacheln"; }

  // Covering (grass, snow along the rim) rather than filling (the earth inside).
  void SetCovering(bool covering) { m_covering = covering; }
  const SettingMuster* Pattern() const { return m_pattern; }
  int32_t TileWidth() const { return m_tileWidth; }
  int32_t TileHeight() const { return m_tileHeight; }
  bool UsesMask() const { return m_useMask; }

 protected:
  void DescribeParameters(std::u16string& out) const override;

  int32_t m_tileWidth = 200;
  int32_t m_tileHeight = 200;
  bool m_useMask = false;
  bool m_covering = false;
  const SettingMuster* m_pattern = nullptr;
};

// Stamps a fixed list of picture pieces, laid out in a source frame that is stretched over
// the layer.
class LFC_LoadFile : public LandschaftsFormCreator {
 public:
  // The pieces' textures come from the cache (null: none) and the archive.
  LFC_LoadFile(const KVNode* section, const LevelSetting* setting, int32_t kind, double scale,
               TexturDefCache* textures = nullptr, const DataArchive* archive = nullptr);
  void Apply(Landschaft& layer, Landschaft& mask, MyLoadScreen* loadScreen) override;
  void Randomize(int32_t) override {}
  const char16_t* TypeName() const override { return u"LFC_LoadFile"; }

  const std::vector<LandStamp>& Pieces() const { return m_pieces; }
  const Rect& SourceRect() const { return m_source; }

 protected:
  void DescribeParameters(std::u16string& out) const override;

  std::vector<LandStamp> m_pieces;
  Rect m_source{0, 0, 0, 0};
};

// Inverts the layer's bytes and toggles the mask: caves where there was earth.
class LFC_Invert : public LandschaftsFormCreator {
 public:
  LFC_Invert(const KVNode* section, const LevelSetting* setting, int32_t kind, double scale)
      : LandschaftsFormCreator(section, setting, kind, scale) {}
  void Apply(Landschaft& layer, Landschaft& mask, MyLoadScreen* loadScreen) override;
  void Randomize(int32_t kind) override;
  const char16_t* TypeName() const override { return u"LFC_Invert"; }

 protected:
  void DescribeParameters(std::u16string&) const override {}
};

// Fills every column from the bottom up to a line of one-dimensional noise, ramped down to
// the bottom at both ends.
class LFC_Noise : public LandschaftsFormCreator {
 public:
  // Octaves of the height line.
  static constexpr int32_t kOctaves = 50;
  // Width of the ramps at the two ends, in pixels.
  static constexpr double kRampWidth = 200.0;

  LFC_Noise(const KVNode* section, const LevelSetting* setting, int32_t kind, double scale);
  void Apply(Landschaft& layer, Landschaft& mask, MyLoadScreen* loadScreen) override;
  void Randomize(int32_t kind) override;
  const char16_t* TypeName() const override { return u"LFC_Noise"; }

 protected:
  void DescribeParameters(std::u16string& out) const override;

  double m_persistence = 0.15;
  double m_frequency = 30.0;
  double m_amplitude = 0.2;
  double m_baseHeight = 0.75;
};

// Fills the band between two noise lines, its outline roughened and rounded; shapes that
// overlap cancel out. The elliptic variant fills a noisy rounded blob: the hills.
class LFC_ScanLine : public LandschaftsFormCreator {
 public:
  LFC_ScanLine(const KVNode* section, const LevelSetting* setting, int32_t kind, double scale);
  void Apply(Landschaft& layer, Landschaft& mask, MyLoadScreen* loadScreen) override;
  void Randomize(int32_t kind) override;
  const char16_t* TypeName() const override { return u"LFC_ScanLine"; }

 protected:
  void DescribeParameters(std::u16string& out) const override;
  // Steps 5 to 7 of the fill: refines the outline and fills the whole layer's columns
  // between the working rectangle's top and bottom.
  void RefineAndFill(Landschaft& layer, Landschaft& mask, const Rect& work, std::vector<Vector2> outline);

  double m_persistence[2] = {0.15, 0.15};
  double m_frequency[2] = {30.0, 10.0};
  double m_amplitude[2] = {0.2, 0.1};
  double m_baseHeight[2] = {0.75, 0.85};
  int32_t m_steps[2] = {10, 10};
  // Passes, splits per pass, smoothings per pass.
  int32_t m_loops[3] = {1, 1, 2};
  double m_smoothRatio = 0.25;
  double m_splitRange = 1.0;
  bool m_perlin = false;
  double m_perlinScaling = 0.0;
  int32_t m_perlinIterations = 0;
  int32_t m_greyMin = 0;
  int32_t m_greyMax = 0;
};

class LFC_EleptikScanLine : public LFC_ScanLine {
 public:
  LFC_EleptikScanLine(const KVNode* section, const LevelSetting* setting, int32_t kind, double scale);
  void Apply(Landschaft& layer, Landschaft& mask, MyLoadScreen* loadScreen) override;
  void Randomize(int32_t kind) override;
  const char16_t* TypeName() const override { return u"LFC_EleptikScanLine"; }

 protected:
  void DescribeParameters(std::u16string& out) const override;

  float m_centre[2] = {0.5f, 0.5f};
  double m_eccentricity = 0.75;
};

// Colours the rim of the mask's shapes: where the mask's alpha changes within the sampling
// distance, the mask takes the stage's mask colour and the layer a grey (or black), on one
// worker per processor.
class LFC_Sobel : public LandschaftsFormCreator {
 public:
  LFC_Sobel(const KVNode* section, const LevelSetting* setting, int32_t kind, double scale);
  void Apply(Landschaft& layer, Landschaft& mask, MyLoadScreen* loadScreen) override;
  void Randomize(int32_t kind) override;
  const char16_t* TypeName() const override { return u"LFC_Sobel"; }

  // The columns [first, end) of band i of n over the columns [left, left + width): equal
  // bands of width / n, the last one reaching the right edge.
  static void Band(int32_t left, int32_t width, int32_t n, int32_t i, int32_t& first, int32_t& end);

 protected:
  void DescribeParameters(std::u16string& out) const override;

  int32_t m_size = 3;
  bool m_falloff = false;
  int32_t m_falloffSteps = 1;
  int32_t m_greyFrom = 0;
  int32_t m_greyTo = 255;
  bool m_useNoise = false;
};
