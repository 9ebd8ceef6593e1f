// The shipped water and winds: "wasser.was" and "wind.wnd" read from the built archive with
// the shipped animations and render extras, every name resolving, every body drawing, and
// each level file handing its setting's water and wind to the managers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "objects/renderextra.h"
#include "platform/text.h"
#include "world/ebeneneigenschaft.h"
#include "world/levelinfo.h"
#include "world/settingkatalog.h"
#include "world/wassermanager.h"
#include "world/wind.h"
#include "world/worldbounds.h"

namespace {

std::string U8(const std::u16string& s) { return platform::U16ToUtf8(s); }

class WaterContent : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* env = std::getenv("KRUMBOLT_GOB");
    archive = DataArchive::Open(platform::Utf8ToU16(env ? env : KRUMBOLT_BINARY_DIR "/krumbolt.gob"));
    ASSERT_TRUE(archive) << "the content archive is built with the tests";
    DisplayEnvironment display;
    display.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, display);
    graphics->UseNullDevice(true);
    ASSERT_EQ(graphics->Create(), kResultOk);
    context.graphics = graphics.get();
    context.timer = std::make_unique<FrameTimer>();
    animations = std::make_unique<AnimationManager>(graphics.get());
    animations->LoadFile(LoadKVFromArchive(u"animationen.ani", archive.get()).get(), archive.get());
    extras.Load(LoadKVFromArchive(u"RenderExtra.ree", archive.get()).get());
    water = std::make_unique<WasserManager>(&context);
    water->SetSources({animations.get(), &extras, &world});
    waterFile = LoadKVFromArchive(u"wasser.was", archive.get());
    ASSERT_TRUE(waterFile);
    water->Load(waterFile.get());
    windFile = LoadKVFromArchive(u"wind.wnd", archive.get());
    ASSERT_TRUE(windFile);
    wind.Load(windFile.get());
  }
  void TearDown() override {
    water.reset();
    context.graphics = nullptr;
  }

  APIContext context;
  std::unique_ptr<DataArchive> archive;
  std::unique_ptr<APIGraphics> graphics;
  std::unique_ptr<AnimationManager> animations;
  RenderExtraListe extras;
  FixedWorldBounds world{Rect{-1024, -512, 1024, 512}};
  std::unique_ptr<KVNode> waterFile, windFile;
  std::unique_ptr<WasserManager> water;
  WindManager wind;
};

}  // namespace

TEST_F(WaterContent, EveryBodyOfWaterResolvesAndDrawsAtItsDepths) {
  ASSERT_EQ(water->GetTypes().size(), waterFile->CountChildren(u"WASSER"));
  ASSERT_EQ(water->GetBodies().size(), waterFile->CountChildren(u"GEWAESSER"));
  std::set<std::u16string> names;
  for (const auto& type : water->GetTypes()) {
    const std::string where = U8(type->GetName());
    EXPECT_TRUE(names.insert(type->GetName()).second) << "two types named " << where;
    ASSERT_NE(type->GetWaterAnimation(), nullptr) << where;
    ASSERT_NE(type->GetWaveAnimation(), nullptr) << where;
    EXPECT_NE(type->GetWaveAnimation()->GetCurrentFrame(), nullptr) << where;
    EXPECT_GT(type->GetWaveSize().x, 0.0f) << where;
    EXPECT_TRUE(type->GetDrawDepth() >= -2 && type->GetDrawDepth() <= 1) << where;
    for (const auto& extra : type->GetRenderExtraNames()) EXPECT_NE(extras.FindLast(extra), nullptr) << where;
  }
  std::set<std::u16string> bodies;
  for (const auto& body : water->GetBodies()) {
    const std::string where = U8(body->GetName());
    EXPECT_TRUE(bodies.insert(body->GetName()).second) << "two bodies named " << where;
    water->SetLevelWater(body.get());
    ASSERT_EQ(body->GetTypes().size(), body->GetTypeNames().size()) << where << ": a type name is unknown";
    for (int i = 0; i < 60; ++i) {
      context.timer->realStep = context.timer->gameStep = 1.0 / 60.0;
      water->Update();
    }
    // Seen by a camera over the world's lower half.
    const Vector2 offset{1024.0f, -256.0f};
    std::set<int32_t> depths;
    for (const Wasser* type : body->GetTypes()) depths.insert(type->GetDrawDepth());
    for (int32_t depth = -2; depth <= 1; ++depth) {
      graphics->GetDevice()->ClearRecordedDraws();
      graphics->GetSpriteRenderer()->Begin(SpriteRenderer::kAlphaBlend);
      water->Draw(offset, {1.0f, 1.0f}, 0xFFFFFFFF, depth);
      graphics->GetSpriteRenderer()->End();
      EXPECT_EQ(graphics->GetDevice()->RecordedDraws().empty(), depths.count(depth) == 0)
          << where << " " << depth;
    }
  }
  water->SetLevelWater(nullptr);
  // Lava is the one user of the heat shimmer; nothing holds it once no body is active.
  const std::u16string heat = u"HITZE";
  ASSERT_NE(extras.FindLast(heat), nullptr);
  EXPECT_EQ(extras.FindLast(heat)->GetUsers(), 0);
}

TEST_F(WaterContent, EveryWindBlowsWithinItsRange) {
  ASSERT_EQ(wind.GetWinds().size(), windFile->CountChildren(u"WIND"));
  std::set<std::u16string> names;
  for (const auto& w : wind.GetWinds()) {
    const std::string where = U8(w->GetName());
    EXPECT_TRUE(names.insert(w->GetName()).second) << "two winds named " << where;
    const Vector2 range = w->GetStrengthRange();
    EXPECT_LE(0.0f, range.x) << where;
    EXPECT_LT(range.x, range.y) << where;
    for (int turn = 0; turn < 20; ++turn) {
      w->NewRound(1.0);
      EXPECT_EQ(std::abs(w->GetSignedTarget()), w->GetStrength()) << where;
      EXPECT_TRUE(w->GetStrength() >= range.x && w->GetStrength() <= range.y) << where;
      EXPECT_NEAR(w->GetDirection().Length(), 1.0f, 1e-6f) << where;
    }
    // The particle types they name are checked with the particle types.
    EXPECT_EQ(w->GetParticleWeights().size(), w->GetParticleTypes().size()) << where;
  }
}

TEST_F(WaterContent, EveryLevelFileGetsItsSettingsWaterAndWind) {
  SettingKatalog katalog;
  katalog.Load(LoadKVFromArchive(u"WorldSetting.wst", archive.get()).get());
  EbenenEigenschaften properties;
  const LevelSources sources{&properties, &katalog, archive.get()};
  for (const char16_t* file :
       {u"mainmenu.lvl", u"rand_level.lvl", u"kampagne\\level01.lvl", u"kampagne\\level02.lvl",
        u"kampagne\\level03.lvl", u"kampagne\\level04.lvl", u"kampagne\\level05.lvl"}) {
    const std::string where = U8(file);
    auto document = LoadKVFromArchive(file, archive.get());
    ASSERT_TRUE(document) << where;
    LevelInfo level(document.get(), sources);
    ASSERT_NE(level.setting, nullptr) << where;
    world.rect = level.worldRect;
    level.ApplyToScene({water.get(), &wind, nullptr});
    const LevelWasser* body = water->GetLevelWater();
    ASSERT_NE(body, nullptr) << where;
    const auto& waters = level.setting->GetWaters().entries;
    EXPECT_NE(std::find(waters.begin(), waters.end(), body->GetName()), waters.end()) << where;
    EXPECT_EQ(water->GetSurfaceY(), level.worldRect.bottom - body->GetHeight()) << where;
    const auto& winds = level.setting->GetWinds().entries;
    EXPECT_NE(std::find(winds.begin(), winds.end(), wind.GetCurrentWind()->GetName()), winds.end()) << where;
  }
  // Every setting's names are known to the managers.
  for (const auto& setting : katalog.Settings()) {
    for (const auto& name : setting->GetWaters().entries)
      EXPECT_NE(water->FindByName(&name), nullptr) << U8(setting->GetNameId()) << " " << U8(name);
    for (const auto& name : setting->GetWinds().entries) {
      wind.SelectByName(&name);
      EXPECT_EQ(wind.GetCurrentWind()->GetName(), name) << U8(setting->GetNameId());
    }
  }
}
