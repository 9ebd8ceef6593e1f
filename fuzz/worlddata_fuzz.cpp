// Fuzz target: the world's data readers (setting catalogue, level description, layer
// properties, render extras, team setup) on whatever tree the key/value reader makes of
// arbitrary bytes, then every picker and reseed on the result.
// fuzz-sources: src/world/catalogueassets.cpp src/world/ebeneneigenschaft.cpp
// fuzz-sources: src/world/ebenenhintergrund.cpp src/world/levelinfo.cpp src/world/levelsetting.cpp
// fuzz-sources: src/world/settingkatalog.cpp src/world/settingobjekt.cpp src/world/weightedlist.cpp
// fuzz-sources: src/objects/renderextra.cpp src/objects/teamsetup.cpp src/objects/bonussettings.cpp
// fuzz-sources: src/engine/searchpath.cpp src/platform/random.cpp src/platform/clock.cpp
// fuzz-sources: src/engine/bewegteanimation.cpp src/engine/animation.cpp src/engine/pfadanimation.cpp
// fuzz-sources: src/engine/animationmanager.cpp src/engine/polygonops.cpp src/engine/renderextralookup.cpp
// fuzz-sources: src/platform/math2d.cpp src/engine/spriterenderer.cpp src/engine/texturdefcache.cpp
// fuzz-sources: src/engine/textureload.cpp src/platform/texture.cpp src/platform/spritebatch.cpp
// fuzz-sources: src/platform/graphics.cpp src/platform/image.cpp src/platform/zeropages.cpp
// fuzz-seeds: data/WorldSetting.wst data/*.lvl data/RenderExtra.ree data/eigenschaften.egs data/Boni.bon
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "objects/bonussettings.h"
#include "objects/renderextra.h"
#include "platform/text.h"
#include "world/levelinfo.h"
#include "world/settingkatalog.h"

// The graphics manager is not part of this target: backdrops are read without one, so
// these are never called, only named.
void APIGraphics::RegisterResetObjekt(ResetObjekt*) {}
void APIGraphics::UnregisterResetObjekt(ResetObjekt*) {}

namespace {

// Recipe files are read from this archive only, so names in the input never reach the disk.
const DataArchive* RecipeArchive() {
  static std::unique_ptr<DataArchive> archive = [] {
    auto path = std::filesystem::temp_directory_path() / "worlddata_fuzz.gob";
    const std::u16string name = platform::Utf8ToU16(path.string());
    WriteDataArchive(
        name,
        {{u"a.lfc", platform::U16ToUtf16LE(u"<>\n \t<\\>\n<LFC><LFC_NOISE><\\LFC_NOISE><\\LFC>", true)}});
    return DataArchive::Open(name);
  }();
  return archive.get();
}

void PickEverything(const LevelSetting& s) {
  for (int32_t kind : {-2, 0, 1}) {
    s.PickObjekt(kind);
    s.PickObjektLuft(kind);
    s.PickObjektErde(kind);
    s.PickObjektHG(kind);
    s.PickFuellung(kind);
    s.PickBedeckung(kind);
    s.PickWolke(kind);
    s.PickAnim(kind);
    s.PickRandomPosAnim(kind);
    s.RandomWolkenCount(kind);
    s.RandomAnimCount(kind);
    s.RandomRandomPosAnimCount(kind);
  }
  s.PickHintergrund();
  s.PickWasser(nullptr);
  s.PickWind();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto root = ParseKVText(DecodeKVBytes(data, size, false));

  RenderExtraListe extras;
  extras.Load(root.get());
  for (size_t i = 0; i < extras.GetCount(); ++i) {
    uint32_t colour = 0;
    for (int32_t kind = -1; kind <= RenderExtra::kKindCount; ++kind)
      extras.GetEntry(i)->GetColour(kind, colour, kind * 3);
  }

  EbenenEigenschaften properties;
  properties.Load(root.get());
  SettingKatalog katalog;
  katalog.Load(root.get());
  for (const auto& setting : katalog.Settings()) PickEverything(*setting);
  katalog.PickRandomSetting();

  LevelInfo level(root.get(), LevelSources{&properties, &katalog, RecipeArchive()});
  level.Reseed(level.seed ^ 0x5A5A5A5Au);
  level.SetSeedFromText(root->Name());
  PickEverything(level.GetSettingOrEmpty());
  BonusSettings bonus;
  bonus.AddSet({u"A"});
  level.ApplyToScene({nullptr, nullptr, &bonus});

  TeamSetup teams;
  teams.Read(root.get());
  if (const KVNode* block = root->GetChild(0, u"DEFAULT_TEAMS")) teams.Read(block);
  return 0;
}
