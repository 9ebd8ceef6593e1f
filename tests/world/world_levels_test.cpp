// Every shipped level builds a world from the built archive: ground to stand on in the game
// layer, air above it, the creator files it names found and made into stages, and a designed
// level's world the same again.
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "platform/text.h"
#include "world/levelinfo.h"
#include "world/lfcstagelist.h"
#include "world/welt.h"
#include "world/worlddata.h"
#include "world/worldhash.h"

namespace {

class ShippedLevels : public ::testing::Test {
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
    data = std::make_unique<WorldData>(*graphics, archive.get());
  }

  APIContext context;
  std::unique_ptr<DataArchive> archive;
  std::unique_ptr<APIGraphics> graphics;
  std::unique_ptr<WorldData> data;
};

// The share of the game layer's pixels that are solid.
double SolidShare(const Landschaft& layer) {
  const Rect r = layer.GetRect();
  int64_t solid = 0, all = 0;
  for (int32_t y = r.top; y < r.bottom; y += 4)
    for (int32_t x = r.left; x < r.right; x += 4, ++all) solid += layer.IsSolidAt(x, y);
  return all ? double(solid) / double(all) : 0.0;
}

}  // namespace

TEST_F(ShippedLevels, EveryLevelGivesGroundAndAir) {
  for (const char16_t* name :
       {u"rand_level.lvl", u"mainmenu.lvl", u"kampagne\\level01.lvl", u"kampagne\\level02.lvl",
        u"kampagne\\level03.lvl", u"kampagne\\level04.lvl", u"kampagne\\level05.lvl"}) {
    const std::string where = platform::U16ToUtf8(name);
    auto document = LoadKVFromArchive(name, archive.get());
    ASSERT_TRUE(document) << where;
    auto level = data->Level(document.get());
    // The free game's level has no seed of its own (it would take the clock's).
    if (!document->GetChild(0, u"RANDOM_SEED")) level->Reseed(1234);
    // Every creator file the level names is there and holds stages.
    for (const auto* files : {&level->backgroundCreators, &level->foregroundCreators})
      for (const auto& file : *files) EXPECT_NE(file, nullptr) << where;
    for (const KVNode* creator : {level->gameCreator.get()}) {
      if (!creator) continue;
      LfcStageList list;
      LfcStageList::BuildFromFile(*level, list, level->setting, creator, 0);
      EXPECT_GE(list.stages.size(), 5u) << where;
    }
    auto world = level->BuildWorld(nullptr, data->Services(&context));
    ASSERT_FALSE(world->GameLayers().empty()) << where;
    const double share = SolidShare(*world->GameLayers()[0]);
    EXPECT_GT(share, 0.08) << where;
    EXPECT_LT(share, 0.8) << where;
    // The designed level again: its files give the same world.
    if (level->gameCreator) {
      EXPECT_EQ(WorldHash(*level->BuildWorld(nullptr, data->Services(&context))), WorldHash(*world)) << where;
    }
  }
}
