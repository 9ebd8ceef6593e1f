// Stage lists: the factory for creator-file sections and the random recipe.
#include "world/lfcstagelist.h"

#include <cstdlib>

#include "engine/kvnode.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "world/levelinfo.h"
#include "world/lfc_stages.h"

using platform::RandFraction;
using platform::TruncToInt;

LfcStageList::~LfcStageList() { stages.clear(); }

Rect LfcStageList::GetScaledRect() const {
  return {TruncToInt(rect.left * scale), TruncToInt(rect.top * scale), TruncToInt(rect.right * scale),
          TruncToInt(rect.bottom * scale)};
}

Vector2 LfcStageList::GetScaledParallax() const {
  return {float((parallax.x - 1) * scale + 1), float((parallax.y - 1) * scale + 1)};
}

std::unique_ptr<LandschaftsFormCreator> LfcStageList::MakeStage(const KVNode& section,
                                                                const LevelSetting* setting, int32_t kind,
                                                                double scale, TexturDefCache* textures,
                                                                const DataArchive* archive) {
  const std::u16string& name = section.Name();
  if (name == u"LFC_FORMEN") return std::make_unique<LFC_Formen>(&section, setting, kind, scale);
  if (name == u"LFC_KACHELN") return std::make_unique<LFC_Kacheln>(&section, setting, kind, scale);
  if (name == u"LFC_NOISE") return std::make_unique<LFC_Noise>(&section, setting, kind, scale);
  if (name == u"LFC_SOBEL") return std::make_unique<LFC_Sobel>(&section, setting, kind, scale);
  if (name == u"LFC_ELLIPSE") return std::make_unique<LFC_EleptikScanLine>(&section, setting, kind, scale);
  if (name == u"LFC_NOISE_SCAN") return std::make_unique<LFC_ScanLine>(&section, setting, kind, scale);
  if (name == u"LFC_FORMEN_HG") return std::make_unique<LFC_HGObjektePlacer>(&section, setting, kind, scale);
  if (name == u"LFC_LOAD_FILE")
    return std::make_unique<LFC_LoadFile>(&section, setting, kind, scale, textures, archive);
  return nullptr;
}

void LfcStageList::BuildFromFile(const LevelInfo& level, LfcStageList& list, const LevelSetting* setting,
                                 const KVNode* creator, int32_t kind) {
  list.setting = setting;
  list.kind = kind;
  if (!creator) {
    BuildRandom(level, list, setting, kind);
    return;
  }
  for (const auto& section : creator->Children())
    if (auto stage = MakeStage(*section, setting, kind, list.scale, list.textures, list.archive))
      list.stages.push_back(std::move(stage));
}

namespace {

// Appends the stage when the level's quality reaches the threshold; its draws are made
// either way.
void Keep(LfcStageList& list, std::unique_ptr<LandschaftsFormCreator> stage, const LevelInfo& level,
          double threshold) {
  if (level.quality >= threshold) list.stages.push_back(std::move(stage));
}

}  // namespace

void LfcStageList::BuildRandom(const LevelInfo& level, LfcStageList& list, const LevelSetting* setting,
                               int32_t kind) {
  list.setting = setting;
  list.kind = kind;
  const double scale = list.scale;
  const Rect scaled = list.GetScaledRect();
  const int32_t width = scaled.right - scaled.left, height = scaled.bottom - scaled.top;
  const Rect none{0, 0, 0, 0};
  const int32_t depth = std::abs(kind);

  int32_t hills = 0;
  if (kind < 0) {
    hills = RandFraction() > 0.75 - depth / 3.0 ? 1 : 0;
    // The first background layer never gets a hill, though it draws for one.
    if (kind == -1) hills = 0;
  } else if (kind == 0) {
    const double t = RandFraction() * 3.0;
    hills = t <= 1.8 ? 1 : (t < 2.75 ? 2 : 3);
  }

  if (hills == 0) {
    auto placer = std::make_unique<LFC_HGObjektePlacer>(nullptr, setting, kind, scale);
    placer->SetRand(none);
    placer->Randomize(kind);
    Keep(list, std::move(placer), level, 100.0);
    return;
  }

  // Gap, hill, gap for each hill (in the game layer between two margins of weight n), made
  // into cumulative fractions of the width.
  std::vector<double> widths;
  if (kind == 0) widths.push_back(hills);
  for (int32_t i = 0; i < hills; ++i) {
    widths.push_back((RandFraction() * 2.0 + 2.0) / hills);
    widths.push_back((RandFraction() * 10.0 + 10.0) / hills);
    widths.push_back((RandFraction() * 2.0 + 2.0) / hills);
  }
  if (kind == 0) widths.push_back(hills);
  double total = 0.0;
  for (double w : widths) total += w;
  for (size_t i = 0; i < widths.size(); ++i) widths[i] = widths[i] / total + (i > 0 ? widths[i - 1] : 0.0);
  if (kind == 0) {
    widths.erase(widths.begin());
    widths.pop_back();
  }

  const double reach = height - (depth / 4.0) * height;
  for (size_t j = 0; j < widths.size(); j += 3) {
    Rect margins{TruncToInt(width * widths[j]), 0, TruncToInt(width * (1.0 - widths[j + 1])), 0};
    margins.top = TruncToInt((RandFraction() * 0.125 + 0.125) * reach);
    auto hill = std::make_unique<LFC_EleptikScanLine>(nullptr, setting, kind, scale);
    hill->SetRand(margins);
    hill->Randomize(kind);
    list.stages.push_back(std::move(hill));
    if (kind == 0 && RandFraction() > 0.5 && hills < 2) {
      // A single hill gets a second, overlapping one: where they overlap they cancel out.
      const double half = (widths[j + 1] + widths[j]) / 2.0;
      Rect second{0, 0, 0, 0};
      second.left = TruncToInt(width * ((RandFraction() - 0.5) * 2.0 * half + widths[j]));
      second.top = TruncToInt((RandFraction() / 2.0 + 0.35) * reach);
      second.right = TruncToInt(width * (1.0 - ((RandFraction() - 0.5) * 2.0 * half + widths[j + 1])));
      auto extra = std::make_unique<LFC_EleptikScanLine>(nullptr, setting, kind, scale);
      extra->SetRand(second);
      extra->Randomize(kind);
      list.stages.push_back(std::move(extra));
    }
  }

  if (kind == 0 && level.invert) {
    auto invert = std::make_unique<LFC_Invert>(nullptr, setting, kind, scale);
    invert->SetRand(none);
    invert->Randomize(kind);
    list.stages.push_back(std::move(invert));
  }

  auto sobel = std::make_unique<LFC_Sobel>(nullptr, setting, kind, scale);
  sobel->SetRand(none);
  sobel->Randomize(kind);
  Keep(list, std::move(sobel), level, 90.0);

  for (bool covering : {true, false}) {
    auto tiles = std::make_unique<LFC_Kacheln>(nullptr, setting, kind, scale);
    tiles->SetCovering(covering);
    tiles->SetRand(none);
    tiles->Randomize(kind);
    Keep(list, std::move(tiles), level, covering ? 90.0 : 75.0);
  }

  // Earth objects, then ground objects: always in the game layer, after a draw elsewhere.
  for (int32_t mode : {2, 0}) {
    if (kind != 0 && !(RandFraction() > (mode == 2 ? 0.25 : 0.15))) continue;
    auto objects = std::make_unique<LFC_Formen>(nullptr, setting, kind, scale);
    objects->SetRand(none);
    objects->SetModus(mode);
    objects->Randomize(kind);
    Keep(list, std::move(objects), level, 25.0);
  }

  // Air objects: the draw is made for every kind, the stage only in the game layer.
  if (RandFraction() > 0.1 && kind == 0) {
    auto air = std::make_unique<LFC_Formen>(nullptr, setting, kind, scale);
    air->SetRand({TruncToInt(width * 0.1), TruncToInt(height * 0.2), TruncToInt(width * 0.1), 0});
    air->SetModus(1);
    air->Randomize(kind);
    Keep(list, std::move(air), level, 25.0);
  }
}
