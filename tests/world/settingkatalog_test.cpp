#include "world/settingkatalog.h"

#include <gtest/gtest.h>

#include <list>
#include <map>

#include "engine/animationmanager.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "support/kv_fixture.h"
#include "support/rand_ledger.h"

namespace {

// Textures exist for a set of file names; moving animations are those of a small manager,
// each on a path heading down at 100 pixels a second. Every request is recorded in order.
class FakeAssets : public CatalogueAssets {
 public:
  FakeAssets() : animations(nullptr) {
    auto root = ParseKVText(
        u"<>\n \t<\\>\n<ANI>"
        u"<PFADANIMATION> <NAME> \"Ab\" <\\NAME> <LINEAR> \"1\" <\\LINEAR> <SPEED> \"100\" <\\SPEED>"
        u"  <CREATE_MANUELL> <POINT> \"0\" \"0\" <\\POINT> <POINT> \"0\" \"1000\" <\\POINT> "
        u"<\\CREATE_MANUELL>"
        u"<\\PFADANIMATION>"
        u"<BEWEGTEANIMATION> <NAME> \"WOLKE_A\" <\\NAME> <PFAD> \"Ab\" <\\PFAD> <\\BEWEGTEANIMATION>"
        u"<BEWEGTEANIMATION> <NAME> \"WOLKE_B\" <\\NAME> <PFAD> \"Ab\" <\\PFAD> <\\BEWEGTEANIMATION>"
        u"<\\ANI>");
    animations.LoadFile(root.get(), nullptr);
  }

  const TexturePartRecord* GetTexture(const std::u16string& file, const SearchPath& searchPath,
                                      const std::u16string* partName) override {
    std::u16string request = JoinPath(searchPath.GetFolder(0), file);
    if (partName) request += u"#" + *partName;
    log.push_back(request);
    auto found = records.find(request);
    return found == records.end() ? nullptr : &found->second;
  }
  std::unique_ptr<BewegteAnimation> CreateBewegteAnimation(std::u16string_view name) override {
    log.push_back(u"create " + std::u16string(name));
    return animations.CreateBewegteAnimation(name);
  }

  std::map<std::u16string, TexturePartRecord> records = {
      {u"texturen\\objekte\\stein.png", {}},
      {u"baum.png", {}},
      {u"objekte.prt#BAUM_A", {}},
      {u"soil.png", {}},
      {u"grass.png", {}},
      {u"day.png", {}},
      {u"texturen\\sky\\hills_far.png", {}},
  };
  std::vector<std::u16string> log;
  AnimationManager animations;
};

class SettingKatalogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    document = LoadFixture("world/small.wst");
    ASSERT_TRUE(document);
    katalog.Load(document.get(), &assets);
  }
  const std::u16string* Name(const char16_t* text) {
    names.emplace_back(text);
    return &names.back();
  }

  std::unique_ptr<KVNode> document;
  FakeAssets assets;
  SettingKatalog katalog;
  std::list<std::u16string> names;
};

}  // namespace

TEST_F(SettingKatalogTest, EntriesAndTheirKeys) {
  ASSERT_EQ(katalog.Objekte().size(), 4u);
  // The last definition of a name wins.
  SettingObjekt* stein = katalog.FindObjekt(Name(u"STEIN"));
  EXPECT_EQ(stein, katalog.Objekte()[2].get());
  const SettingObjekt& first = *katalog.Objekte()[0];
  EXPECT_EQ(first.rotationMin, -20.0);
  EXPECT_EQ(first.rotationMax, 20.0);
  // A short value list keeps the defaults of the values it lacks.
  EXPECT_EQ(first.minSize.x, 40.0f);
  EXPECT_EQ(first.minSize.y, 0.0f);
  EXPECT_EQ(first.maxSize.x, 200.0f);
  EXPECT_EQ(first.anchor.y, 0.85f);
  EXPECT_TRUE(first.takeWorldNormal);
  EXPECT_TRUE(first.scaleSymmetric);
  EXPECT_EQ(first.rotationCentre.x, 0.5f);
  EXPECT_EQ(first.texture, &assets.records[u"texturen\\objekte\\stein.png"]);

  // The sprite part wins over the whole image; both are asked for, the image first. A
  // part is looked up only with its NAME_ID.
  const SettingObjekt& baum = *katalog.Objekte()[1];
  EXPECT_EQ(baum.texture, &assets.records[u"objekte.prt#BAUM_A"]);
  EXPECT_FALSE(baum.scaleSymmetric);
  EXPECT_EQ(katalog.Objekte()[3]->texture, nullptr);
  EXPECT_FALSE(katalog.Objekte()[3]->textureRef.IsGiven());
  const std::vector<std::u16string> firstRequests(assets.log.begin(), assets.log.begin() + 4);
  EXPECT_EQ(firstRequests, (std::vector<std::u16string>{u"texturen\\objekte\\stein.png", u"baum.png",
                                                        u"objekte.prt#BAUM_A", u"stein_spaet.png"}));

  ASSERT_EQ(katalog.Muster().size(), 2u);
  EXPECT_EQ(katalog.Muster()[0]->maxSize.y, 128.0f);
  EXPECT_EQ(katalog.Muster()[0]->minSize.x, 0.0f);

  // POSITIONS fill from each value's place to the end.
  ASSERT_EQ(katalog.HintergrundObjekte().size(), 3u);  // two read, one promoted
  EXPECT_EQ(katalog.HintergrundObjekte()[0]->edges, (std::array<bool, 4>{true, false, false, false}));
  EXPECT_TRUE(katalog.HintergrundObjekte()[0]->placeInAir);
  EXPECT_EQ(katalog.HintergrundObjekte()[1]->edges, (std::array<bool, 4>{false, true, false, false}));

  EXPECT_EQ(katalog.FindObjekt(nullptr), nullptr);
  EXPECT_EQ(katalog.FindObjekt(Name(u"stein")), nullptr);  // names compare exactly
  EXPECT_EQ(katalog.FindMuster(Name(u"GRAS")), katalog.Muster()[1].get());
  EXPECT_EQ(katalog.FindHintergrund(Name(u"NACHT")), katalog.Hintergruende()[1].get());
}

TEST_F(SettingKatalogTest, NamesResolveAsEachListWants) {
  LevelSetting* wiese = katalog.GetSetting(0);
  ASSERT_NE(wiese, nullptr);
  const LayerKindBlock& game = wiese->GetBlock(0);

  // A name not found is left out, and the weights pair with the names found: 1 and 2.
  ASSERT_EQ(game.objects.size(), 2u);
  EXPECT_EQ(game.objects.entries[0], katalog.Objekte()[2].get());
  EXPECT_EQ(game.objects.entries[1], katalog.Objekte()[1].get());
  EXPECT_DOUBLE_EQ(game.objects.weights[0], 1.0 / 3.0);
  EXPECT_DOUBLE_EQ(game.objects.weights[1], 1.0);

  // Patterns keep a null entry for an unknown name; surplus weights are ignored.
  ASSERT_EQ(game.fills.size(), 2u);
  EXPECT_EQ(game.fills.entries[0], katalog.Muster()[0].get());
  EXPECT_EQ(game.fills.entries[1], nullptr);
  EXPECT_EQ(game.fills.weights, (std::vector<double>{1.0, 1.0}));
  EXPECT_EQ(game.covers.weights, (std::vector<double>{1.0}));

  // A plain object named as a background object is promoted once; every later mention,
  // in any setting, finds that one.
  ASSERT_EQ(game.backgroundObjects.size(), 2u);
  EXPECT_EQ(game.backgroundObjects.entries[0], katalog.HintergrundObjekte()[0].get());
  HintergrundObjekt* promoted = game.backgroundObjects.entries[1];
  EXPECT_EQ(promoted, katalog.HintergrundObjekte()[2].get());
  EXPECT_EQ(promoted->name, u"BAUM");
  EXPECT_FALSE(promoted->scaleSymmetric);
  EXPECT_EQ(promoted->edges, (std::array<bool, 4>{false, false, false, true}));
  EXPECT_FALSE(promoted->placeInAir);
  EXPECT_EQ(katalog.GetSetting(1)->GetBlock(0).backgroundObjects.entries[0], promoted);

  // Backdrops keep null entries; one weight 2 for three names gives 0.5, 0.75, 1.0.
  const auto& backdrops = wiese->GetBackdrops();
  EXPECT_EQ(backdrops.entries, (std::vector<EbenenHintergrund*>{katalog.Hintergruende()[1].get(), nullptr,
                                                                katalog.Hintergruende()[0].get()}));
  EXPECT_EQ(backdrops.weights, (std::vector<double>{0.5, 0.75, 1.0}));

  EXPECT_EQ(game.clouds.entries, (std::vector<std::u16string>{u"WOLKE_A", u"WOLKE_B"}));
  EXPECT_EQ(game.clouds.weights, (std::vector<double>{0.75, 1.0}));
  EXPECT_EQ(game.cloudSpace, (std::array<int32_t, 4>{10, 20, 30, 400}));
  // ANZ_ANIMS with one value: the maximum keeps its default.
  EXPECT_EQ(game.animCountMin, 1);
  EXPECT_EQ(game.animCountMax, 0);
  double scaling = 0;
  int32_t iterations = 0, lo = 0, hi = 0;
  wiese->GetPerlinNoise(0, scaling, iterations, lo, hi);
  EXPECT_EQ(scaling, 0.03);
  EXPECT_EQ(iterations, 3);
  EXPECT_EQ(lo, 8);
  EXPECT_EQ(hi, 48);
  EXPECT_TRUE(wiese->UsesPerlinNoise(0));

  EXPECT_EQ(wiese->GetNameTextId(), u"SETTING_WIESE");
  EXPECT_FALSE(wiese->IsShown());
  EXPECT_TRUE(katalog.GetSetting(1)->IsShown());
  // The last setting of a name is the one found.
  EXPECT_EQ(katalog.FindSetting(Name(u"WIESE")), katalog.GetSetting(2));
  EXPECT_EQ(katalog.GetSetting(3), nullptr);
  EXPECT_EQ(katalog.GetSetting(-1), nullptr);
}

TEST_F(SettingKatalogTest, MissingLayerBlocksCopyTheGameBlock) {
  const LevelSetting& wiese = *katalog.GetSetting(0);
  for (int32_t kind : {-3, -1, 1, 2}) {
    const LayerKindBlock& block = wiese.GetBlock(kind);
    EXPECT_EQ(block.objects.entries, wiese.GetBlock(0).objects.entries) << kind;
    EXPECT_EQ(block.fills.entries, wiese.GetBlock(0).fills.entries) << kind;
    EXPECT_EQ(block.clouds.entries, wiese.GetBlock(0).clouds.entries) << kind;
    EXPECT_EQ(block.noiseMax, 48) << kind;
  }
  // WUESTE has its own background block; its foreground copies the game block.
  const LevelSetting& wueste = *katalog.GetSetting(1);
  EXPECT_EQ(wueste.GetBlock(-1).objects.size(), 1u);
  EXPECT_TRUE(wueste.GetBlock(-1).backgroundObjects.empty());
  EXPECT_EQ(wueste.GetBlock(1).backgroundObjects.size(), 1u);
  EXPECT_TRUE(wueste.GetBlock(1).objects.empty());
}

TEST_F(SettingKatalogTest, PostEffectEntries) {
  const auto& effects = katalog.GetSetting(0)->GetPostEffects();
  ASSERT_EQ(effects.size(), 2u);
  // The NAME child wins over the entry's own value.
  EXPECT_EQ(effects[0].effectName, u"GLOW");
  EXPECT_FALSE(effects[0].hasF1);
  EXPECT_TRUE(effects[0].hasF2);
  EXPECT_EQ(effects[0].f2, 0.25f);
  EXPECT_TRUE(effects[0].hasV1);
  EXPECT_EQ(effects[0].v1, (std::array<float, 4>{0.5f, 1.0f, 1.0f, 1.0f}));
  EXPECT_FALSE(effects[0].hasV2);
  EXPECT_EQ(effects[1].effectName, u"");
  EXPECT_TRUE(effects[1].hasF1);
  EXPECT_EQ(effects[1].f1, 0.0f);
}

TEST_F(SettingKatalogTest, Backdrops) {
  ASSERT_EQ(katalog.Hintergruende().size(), 2u);
  EbenenHintergrund& tag = *katalog.Hintergruende()[0];
  EXPECT_EQ(tag.GetName(), u"TAG");
  EXPECT_TRUE(tag.UsesScatter());
  EXPECT_EQ(tag.GetScatterName(), u"SCATTER");
  EXPECT_EQ(tag.GetSunPosition().x, 0.7f);
  EXPECT_EQ(tag.GetSunPosition().y, 0.0f);
  EXPECT_EQ(tag.GetDofEffect(), u"DOF");
  EXPECT_EQ(tag.GetBlurRange()[0], 0.2);
  EXPECT_EQ(tag.GetBlurRange()[1], 0.8);
  EXPECT_EQ(tag.GetZoomRange()[0], 0.5);
  EXPECT_EQ(tag.GetZoomRange()[1], -1.0);
  EXPECT_FALSE(tag.ClampsBlur());
  const EbenenHintergrund& nacht = *katalog.Hintergruende()[1];
  EXPECT_EQ(nacht.GetZoomRange()[1], 0.75);
  EXPECT_TRUE(nacht.ClampsBlur());
  EXPECT_TRUE(nacht.GetBackground().empty());

  // Textures that cannot be had, and entries without one, do not count for the indices.
  ASSERT_EQ(tag.GetBackground().size(), 2u);
  EXPECT_EQ(tag.GetBackground()[0].texture, &assets.records[u"day.png"]);
  EXPECT_EQ(tag.GetBackground()[0].parallax, 0.0);
  EXPECT_EQ(tag.GetBackground()[1].texture, &assets.records[u"texturen\\sky\\hills_far.png"]);
  EXPECT_EQ(tag.GetBackground()[1].parallax, double(0.05f));
  ASSERT_EQ(tag.GetForeground().size(), 1u);
  EXPECT_EQ(tag.GetForeground()[0].parallax, 1.5);

  // The first animation of an index stays; unknown names and out-of-range indices drop.
  BewegteAnimation* a0 = tag.GetAnimation(0);
  BewegteAnimation* a1 = tag.GetAnimation(1);
  ASSERT_NE(a0, nullptr);
  ASSERT_NE(a1, nullptr);
  EXPECT_EQ(a0->GetName(), u"WOLKE_A");
  EXPECT_EQ(a1->GetName(), u"WOLKE_B");
  EXPECT_EQ(tag.GetAnimation(2), nullptr);

  // Areas: the first per index stays; one without its index value is dropped.
  ASSERT_NE(tag.GetArea(0), nullptr);
  EXPECT_EQ(tag.GetArea(0)->top, 0.1f);
  ASSERT_NE(tag.GetArea(1), nullptr);
  tag.LayOutAreas(1024, 768);
  EXPECT_EQ(a0->GetArea(), (Rect{0, 76, 1024, 307}));
  EXPECT_EQ(a1->GetArea(), (Rect{256, 0, 768, 255}));
  tag.LayOutAreas(800, 600);
  EXPECT_EQ(a0->GetArea(), (Rect{0, 60, 800, 240}));

  // The animations run on the game step: paused, they stand still. They are asked for
  // anew after each update, which brings them up to date.
  FrameTimer timer;
  timer.gameStep = 0.0;
  tag.UpdateAnimations(timer);
  const Vector2 before = tag.GetAnimation(0)->GetPath()->GetPosition();
  tag.UpdateAnimations(timer);
  EXPECT_EQ(tag.GetAnimation(0)->GetPath()->GetPosition(), before);
  timer.gameStep = 0.01;
  tag.UpdateAnimations(timer);
  EXPECT_GT(tag.GetAnimation(0)->GetPath()->GetPosition().y, before.y);
  EXPECT_GT(tag.GetAnimation(1)->GetPath()->GetPosition().y, float(a1->GetArea().top));
}

TEST(SettingKatalog, WithoutAssetsTheNamesStayAsData) {
  auto document = LoadFixture("world/small.wst");
  SettingKatalog katalog;
  katalog.Load(document.get());
  const EbenenHintergrund& tag = *katalog.Hintergruende()[0];
  // Every entry that names a texture is kept, unresolved; animations need the manager.
  ASSERT_EQ(tag.GetBackground().size(), 3u);
  EXPECT_EQ(tag.GetBackground()[1].textureRef.file, u"missing.png");
  EXPECT_EQ(tag.GetBackground()[2].textureRef.searchPath.GetFolder(0), u"texturen\\sky");
  EXPECT_EQ(tag.GetAnimation(0), nullptr);
  EXPECT_NE(tag.GetArea(0), nullptr);
  EXPECT_EQ(katalog.Objekte()[1]->textureRef.partName, u"BAUM_A");
  EXPECT_EQ(katalog.Objekte()[1]->textureRef.prtName, u"objekte.prt");
  EXPECT_EQ(katalog.Objekte()[1]->texture, nullptr);

  SettingKatalog empty;
  empty.Load(nullptr);
  EXPECT_EQ(empty.GetSettingCount(), 0);
}
