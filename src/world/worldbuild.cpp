// The world build: a level description and its seed made into layers. The generator is
// reseeded before the backdrop pick, before each layer group and before every stage, so
// each group and each stage starts from a state the seed alone decides; what happens
// between the reseeds (the recipe's draws, the decorations, the last stage of a layer)
// carries on into the next layer of the same group.
#include <chrono>

#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/bewegteanimation.h"
#include "engine/kvnode.h"
#include "engine/myloadscreen.h"
#include "engine/pfadanimation.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "world/landschaft.h"
#include "world/levelinfo.h"
#include "world/lfcstagelist.h"
#include "world/welt.h"

namespace {

void ReseedAndDiscard(uint32_t seed) {
  platform::SRand(seed);
  platform::Rand();
}

std::unique_ptr<BewegteAnimation> Create(const WorldBuildServices& services, const std::u16string* name) {
  if (!services.animations || !name) return nullptr;
  return services.animations->CreateBewegteAnimation(*name);
}

// The creator document of background or foreground layer i: its own file, else the
// group's first, else none. A file that failed to load is none.
const KVNode* CreatorFor(const std::vector<std::unique_ptr<KVNode>>& files, int32_t i) {
  if (files.empty()) return nullptr;
  return size_t(i) < files.size() ? files[size_t(i)].get() : files.front().get();
}

}  // namespace

void LevelInfo::FillRecord(int32_t group, int32_t index, LfcStageList& record,
                           const WorldBuildServices& services) const {
  record.scale = buildScale;
  record.rect = worldRect;
  record.kind = index;
  record.setting = setting;
  record.textures = services.textures;
  record.archive = services.archive;
  if (group == 0) {
    record.seed = seed + 2;
    record.parallax = Vector2(1.0f, 1.0f);
    if (gameCreator)
      LfcStageList::BuildFromFile(*this, record, setting, gameCreator.get(), 0);
    else
      LfcStageList::BuildRandom(*this, record, setting, 0);
    return;
  }
  const bool background = group < 0;
  record.seed = background ? seed : seed + 1;
  const Vector2& offset = background ? backgroundScrollOffset : foregroundScrollOffset;
  const Vector2& change = background ? backgroundScrollChange : foregroundScrollChange;
  record.parallax = parallaxSteps
                        ? Vector2(offset.x + float(index) * change.x, offset.y + float(index) * change.y)
                        : Vector2(1.0f, 1.0f);
  // Every layer built from a file gets the group's kind, so a group's file layers come out
  // alike; recipe layers are numbered outward from the game layer.
  if (const KVNode* creator = CreatorFor(background ? backgroundCreators : foregroundCreators, index))
    LfcStageList::BuildFromFile(*this, record, setting, creator, group);
  else
    LfcStageList::BuildRandom(*this, record, setting, group * (index + 1));
}

std::unique_ptr<Welt> LevelInfo::BuildWorld(MyLoadScreen* loadScreen,
                                            const WorldBuildServices& services) const {
  if (loadScreen) {
    loadScreen->SetMaximum(double(DryRunBuild(loadScreen, services)));
    loadScreen->Render();
  }
  ReseedAndDiscard(seed);
  auto world = std::make_unique<Welt>();
  world->Setup(*this, services.context);
  world->SetBackdrop(GetSettingOrEmpty().PickHintergrund());

  // Every layer of a world has the same rectangle: one mask store serves them all.
  const Rect rect = world->GetWorldRect();
  Landschaft mask(rect);
  mask.CreateTiles();
  for (int32_t group : {-1, 1}) {
    ReseedAndDiscard(group < 0 ? seed : seed + 1);
    const int32_t count = group < 0 ? backgroundCount : foregroundCount;
    for (int32_t i = 0; i < count; ++i) {
      if (services.cancelled && services.cancelled()) return world;
      LfcStageList record;
      FillRecord(group, i, record, services);
      world->AddLayer(MakeLayer(record, loadScreen, services, &mask), group);
    }
  }

  ReseedAndDiscard(seed + 2);
  if (services.cancelled && services.cancelled()) return world;
  LfcStageList record;
  FillRecord(0, 0, record, services);
  world->SetGameLayers(MakeLayer(record, loadScreen, services, &mask), gameCount - 1, gameScrollChange.x,
                       gameScrollChange.y, gameColourMultiply);
  return world;
}

int32_t LevelInfo::DryRunBuild(MyLoadScreen*, const WorldBuildServices& services) const {
  // The same reseeds, records and recipes as the build, without painting; the throw-away
  // world is set up and given its backdrop so that the draws before the layers match.
  ReseedAndDiscard(seed);
  Welt scratch;
  scratch.Setup(*this, services.context);
  scratch.SetBackdrop(GetSettingOrEmpty().PickHintergrund());
  int32_t count = 0;
  for (int32_t group : {-1, 1}) {
    ReseedAndDiscard(group < 0 ? seed : seed + 1);
    const int32_t layers = group < 0 ? backgroundCount : foregroundCount;
    for (int32_t i = 0; i < layers; ++i) {
      LfcStageList record;
      FillRecord(group, i, record, services);
      count += int32_t(record.stages.size());
    }
  }
  ReseedAndDiscard(seed + 2);
  LfcStageList record;
  FillRecord(0, 0, record, services);
  count += int32_t(record.stages.size());
  return count;
}

std::unique_ptr<Landschaft> LevelInfo::MakeLayer(LfcStageList& record, MyLoadScreen* loadScreen,
                                                 const WorldBuildServices& services,
                                                 Landschaft* reusedMask) const {
  const Rect rect = record.GetScaledRect();
  auto layer = std::make_unique<Landschaft>(rect);
  // The layer draws through the build's graphics manager.
  if (services.context) layer->SetGraphics(services.context->graphics);
  layer->CreateTiles();
  std::unique_ptr<Landschaft> ownMask;
  Landschaft* mask = reusedMask;
  const Rect reused = mask ? mask->GetRect() : Rect{};
  if (mask && reused.left == rect.left && reused.top == rect.top && reused.right == rect.right &&
      reused.bottom == rect.bottom) {
    // Cleared, it is what a new store would be.
    mask->Clear();
  } else {
    ownMask = std::make_unique<Landschaft>(rect);
    ownMask->CreateTiles();
    mask = ownMask.get();
  }
  const int32_t kind = record.kind;
  const LevelSetting& decor = record.setting ? *record.setting : LevelSetting::Empty();

  if (placeSettingObjects) {
    // Clouds in the setting's band near the top of the layer.
    const int32_t clouds = decor.RandomWolkenCount(kind);
    for (int32_t i = 0; i < clouds; ++i) {
      auto cloud = Create(services, decor.PickWolke(kind));
      if (cloud) {
        cloud->SetLayer(kind);
        if (PfadAnimation* path = cloud->GetPath()) {
          const auto& space = decor.GetWolkenSpace(kind);
          // The band's margins come from the catalogue: summed in 64 bits and held.
          using platform::Saturate;
          const Rect area{Saturate(int64_t(rect.left) + space[0]), Saturate(int64_t(rect.top) + space[1]),
                          Saturate(int64_t(rect.right) - space[2]), Saturate(int64_t(rect.top) + space[3])};
          path->Regenerate(&area);
        }
      }
      layer->AddAnimation(std::move(cloud));
    }
    const int32_t anims = decor.RandomAnimCount(kind);
    for (int32_t i = 0; i < anims; ++i) layer->AddAnimation(Create(services, decor.PickAnim(kind)));
    const int32_t placed = decor.RandomRandomPosAnimCount(kind);
    for (int32_t i = 0; i < placed; ++i) {
      auto anim = Create(services, decor.PickRandomPosAnim(kind));
      if (!anim) continue;
      const double y = platform::Rand() / 32767.0 * double(int64_t(rect.bottom) - rect.top) + rect.top;
      const double x = platform::Rand() / 32767.0 * double(int64_t(rect.right) - rect.left) + rect.left;
      anim->SetPosition(Vector2(float(x), float(y)));
      layer->AddAnimation(std::move(anim));
    }
  }

  layer->SetDepth(kind);
  mask->SetDepth(kind);
  const Vector2 parallax = record.GetScaledParallax();
  layer->SetParallax(&parallax);
  mask->SetParallax(&parallax);

  for (const auto& stage : record.stages) {
    if (services.cancelled && services.cancelled()) break;
    // Every stage of a layer starts from the same state of the generator.
    ReseedAndDiscard(record.seed + uint32_t(kind));
    const auto start = std::chrono::steady_clock::now();
    stage->Apply(*layer, *mask, loadScreen);
    if (services.stageTimes)
      services.stageTimes->emplace_back(
          stage->TypeName(), std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (loadScreen) loadScreen->Advance(1.0);
  }
  layer->UnlockAll();
  // The stages' tiles took their whole slots; what stayed clear goes back.
  layer->GiveBackClearPages();
  return layer;
}
