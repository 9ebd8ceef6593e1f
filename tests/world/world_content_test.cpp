// The shipped world data: the catalogue, the layer properties, the render extras and every
// level file read from the built archive, with every name they use resolving.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>

#include "engine/animationmanager.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "objects/renderextra.h"
#include "platform/text.h"
#include "world/levelinfo.h"
#include "world/settingkatalog.h"

namespace {

// The bodies of water and winds the catalogue names; their own files must define them.
const std::set<std::u16string> kWaters = {u"SEE", u"OASE", u"EISWASSER", u"LAVASEE", u"SUMPF"};
const std::set<std::u16string> kWinds = {u"BRISE",      u"WIND",          u"STURM",
                                          u"HERBSTWIND", u"SCHNEETREIBEN", u"ASCHEREGEN"};
const std::set<std::u16string> kControls = {u"DEFAULT", u"CPU_LEICHT", u"CPU_MITTEL", u"CPU_SCHWER"};

std::unique_ptr<DataArchive> OpenArchive() {
  const char* env = std::getenv("KRUMBOLT_GOB");
  return DataArchive::Open(platform::Utf8ToU16(env ? env : KRUMBOLT_BINARY_DIR "/krumbolt.gob"));
}

bool PowerOfTwo(uint32_t v) { return v && !(v & (v - 1)); }

// Finds whole images in the archive through the search path and checks their PNG header.
class ArchiveImages : public CatalogueAssets {
 public:
  explicit ArchiveImages(const DataArchive& archive) : m_archive(archive) {}
  const TexturePartRecord* GetTexture(const std::u16string& file, const SearchPath& searchPath,
                                      const std::u16string* partName) override {
    if (partName) {
      problems.push_back(u"sprite parts are not used by the shipped catalogue: " + *partName);
      return nullptr;
    }
    for (int i = 0; i < searchPath.GetCount(); ++i) {
      std::u16string name = JoinPath(searchPath.GetFolder(i), file);
      auto bytes = m_archive.ReadEntry(name);
      if (!bytes) continue;
      const auto& b = *bytes;
      const uint32_t w = b.size() >= 24 ? uint32_t(b[16]) << 24 | b[17] << 16 | b[18] << 8 | b[19] : 0;
      const uint32_t h = b.size() >= 24 ? uint32_t(b[20]) << 24 | b[21] << 16 | b[22] << 8 | b[23] : 0;
      if (!PowerOfTwo(w) || !PowerOfTwo(h)) problems.push_back(name + u" is not sized in powers of two");
      return &m_records[name];
    }
    problems.push_back(u"no image " + file);
    return nullptr;
  }
  std::unique_ptr<BewegteAnimation> CreateBewegteAnimation(std::u16string_view name) override {
    animationNames.emplace(name);
    return nullptr;
  }

  std::vector<std::u16string> problems;
  std::set<std::u16string> animationNames;

 private:
  const DataArchive& m_archive;
  std::map<std::u16string, TexturePartRecord> m_records;
};

std::vector<std::u16string> Names(const KVNode* parent, std::u16string_view key) {
  std::vector<std::u16string> names;
  if (const KVNode* n = parent ? parent->GetChild(0, key) : nullptr)
    for (unsigned i = 0; i < n->GetValueCount(); ++i) names.push_back(n->GetValue(i)->Text());
  return names;
}

std::string U8(const std::u16string& s) { return platform::U16ToUtf8(s); }

class WorldContent : public ::testing::Test {
 protected:
  void SetUp() override {
    archive = OpenArchive();
    ASSERT_TRUE(archive) << "the content archive is built with the tests";
    images = std::make_unique<ArchiveImages>(*archive);
    document = LoadKVFromArchive(u"WorldSetting.wst", archive.get());
    ASSERT_TRUE(document);
    katalog.Load(document.get(), images.get());
    properties.Load(LoadKVFromArchive(u"eigenschaften.egs", archive.get()).get());
    for (const char16_t* file : {u"animationen.ani", u"ebenen_animationen.ani"})
      animations.LoadFile(LoadKVFromArchive(file, archive.get()).get(), archive.get());
  }

  std::unique_ptr<DataArchive> archive;
  std::unique_ptr<ArchiveImages> images;
  std::unique_ptr<KVNode> document;
  SettingKatalog katalog;
  EbenenEigenschaften properties;
  // The moving animations the catalogue may name.
  AnimationManager animations{nullptr};
};

}  // namespace

TEST_F(WorldContent, EverySettingResolvesItsNames) {
  for (const auto& problem : images->problems) ADD_FAILURE() << U8(problem);
  EXPECT_GE(katalog.GetSettingCount(), 4);
  for (const auto& o : katalog.Objekte()) EXPECT_NE(o->texture, nullptr) << U8(o->name);
  for (const auto& m : katalog.Muster()) EXPECT_NE(m->texture, nullptr) << U8(m->name);
  for (const auto& h : katalog.HintergrundObjekte()) EXPECT_NE(h->texture, nullptr) << U8(h->name);
  for (const auto& h : katalog.Hintergruende()) {
    // Every layer of a stack was found, the sky first and fixed.
    ASSERT_GE(h->GetBackground().size(), 2u) << U8(h->GetName());
    EXPECT_EQ(h->GetBackground()[0].parallax, 0.0) << U8(h->GetName());
  }
  EXPECT_FALSE(images->animationNames.empty());
  for (const auto& name : images->animationNames)
    EXPECT_NE(animations.FindBewegteAnimation(name), nullptr) << U8(name);

  auto language = LoadKVFromArchive(u"sprache.lng", archive.get());
  ASSERT_TRUE(language);
  const KVNode* texts = language->GetChild(0, u"TEXTE");
  ASSERT_NE(texts, nullptr);

  const KVNode* settings = document->GetChild(0, u"SETTINGS");
  ASSERT_NE(settings, nullptr);
  std::set<std::u16string> ids;
  for (const auto& node : settings->Children()) {
    std::u16string id;
    node->Read(u"NAME_ID", id);
    const std::string where = U8(id);
    EXPECT_TRUE(ids.insert(id).second) << "two settings named " << where;
    LevelSetting* setting = katalog.FindSetting(&id);
    ASSERT_NE(setting, nullptr) << where;
    EXPECT_NE(texts->GetChild(0, setting->GetNameTextId()), nullptr) << where << " has no display name";

    for (const char16_t* blockKey : {u"SPIELEBENE", u"HINTERGRUND", u"VORDERGRUND"}) {
      const KVNode* block = node->GetChild(0, blockKey);
      if (!block) continue;
      for (const char16_t* key : {u"OBJEKTE", u"OBJEKTE_LUFT", u"OBJEKTE_ERDE"})
        for (const auto& name : Names(block, key))
          EXPECT_NE(katalog.FindObjekt(&name), nullptr) << where << U8(name);
      for (const auto& name : Names(block, u"OBJEKTE_HG"))
        EXPECT_NE(katalog.FindHintergrundObjekt(&name), nullptr) << where << U8(name);
      for (const char16_t* key : {u"F\u00DCLLUNGEN", u"BEDECKUNGEN"})
        for (const auto& name : Names(block, key))
          EXPECT_NE(katalog.FindMuster(&name), nullptr) << where << U8(name);
      for (const auto& name : Names(block->GetChild(0, u"WOLKEN"), u"WOLKEN_NAMEN"))
        EXPECT_NE(animations.FindBewegteAnimation(name), nullptr) << where << U8(name);
    }
    // The game block has everything the random recipe draws from.
    const LayerKindBlock& game = setting->GetBlock(0);
    EXPECT_FALSE(game.objects.empty()) << where;
    EXPECT_FALSE(game.groundObjects.empty()) << where;
    EXPECT_FALSE(game.backgroundObjects.empty()) << where;
    EXPECT_FALSE(game.fills.empty()) << where;
    EXPECT_FALSE(game.covers.empty()) << where;
    for (int32_t kind : {-1, 0, 1}) {
      EXPECT_FALSE(setting->GetBlock(kind).fills.empty()) << where << kind;
      EXPECT_DOUBLE_EQ(setting->GetBlock(kind).fills.weights.back(), 1.0) << where << kind;
    }

    ASSERT_FALSE(setting->GetBackdrops().empty()) << where;
    for (EbenenHintergrund* backdrop : setting->GetBackdrops().entries) EXPECT_NE(backdrop, nullptr) << where;
    ASSERT_FALSE(setting->GetWaters().empty()) << where;
    for (const auto& name : setting->GetWaters().entries)
      EXPECT_TRUE(kWaters.count(name)) << where << U8(name);
    ASSERT_FALSE(setting->GetWinds().empty()) << where;
    for (const auto& name : setting->GetWinds().entries) EXPECT_TRUE(kWinds.count(name)) << where << U8(name);
  }
}

TEST_F(WorldContent, LayerPropertiesAndRenderExtras) {
  for (const char16_t* name : {u"ERDE", u"MOND", u"SCHWER"}) EXPECT_EQ(properties.Find(name).name, name);
  EXPECT_GE(properties.GetCount(), 4u);
  EXPECT_EQ(properties.Find(u"ERDE").gravity.y, 100.0f);

  auto root = LoadKVFromArchive(u"RenderExtra.ree", archive.get());
  ASSERT_TRUE(root);
  RenderExtraListe list;
  list.Load(root.get());
  EXPECT_GE(list.GetCount(), 3u);
  for (const auto& entry : root->Children()) {
    const KVNode* renderable = entry->GetChild(0, u"RENDERABLE");
    ASSERT_NE(renderable, nullptr);
    for (unsigned i = 0; i < renderable->GetValueCount(); ++i)
      EXPECT_GE(RenderExtra::KindFromKeyword(renderable->GetValue(i)->Text()), 0);
    for (const auto& keys : entry->Children()) {
      if (keys->Name() != u"COLORKEYS") continue;
      EXPECT_GE(RenderExtra::KindFromKeyword(keys->GetValue(0)->Text()), 0);
      for (const auto& key : keys->Children()) {
        ASSERT_GE(key->GetValueCount(), 2u);
        const int32_t index = key->GetValue(0)->AsInt();
        EXPECT_TRUE(index >= 0 && index < RenderExtra::kColourCount);
      }
    }
  }
}

TEST_F(WorldContent, EveryLevelFile) {
  const std::u16string campaign[] = {u"kampagne\\level01.lvl", u"kampagne\\level02.lvl",
                                     u"kampagne\\level03.lvl", u"kampagne\\level04.lvl",
                                     u"kampagne\\level05.lvl"};
  const LevelSources sources{&properties, &katalog, archive.get()};
  std::vector<std::u16string> files = {u"mainmenu.lvl", u"rand_level.lvl"};
  files.insert(files.end(), std::begin(campaign), std::end(campaign));
  std::u16string previousUnlock;
  for (const auto& file : files) {
    const std::string where = U8(file);
    auto document = LoadKVFromArchive(file, archive.get());
    ASSERT_TRUE(document) << where;
    LevelInfo level(document.get(), sources);
    if (document->GetChild(0, u"SETTING_NAME")) {
      EXPECT_FALSE(level.randomSetting) << where;
    }
    EXPECT_NE(level.setting, nullptr) << where;
    if (const KVValue* name = document->Find(u"EBENEN_EIGENSCHAFT_NAME")) {
      EXPECT_EQ(level.layerProperties.name, name->Text()) << where;
    }
    for (const auto& creator : level.backgroundCreators) EXPECT_NE(creator, nullptr) << where;
    for (const auto& creator : level.foregroundCreators) EXPECT_NE(creator, nullptr) << where;
    if (document->GetChild(0, u"SPIEL_FORM_CREATOR_FILE")) {
      EXPECT_NE(level.gameCreator, nullptr) << where;
    }
    EXPECT_GE(level.gameCount, 1) << where;
    EXPECT_GT(level.worldRect.Width(), 0) << where;
    EXPECT_GT(level.worldRect.Height(), 0) << where;
    for (const auto& slot : level.defaultTeams.slots) {
      EXPECT_TRUE(kControls.count(slot.control)) << where << U8(slot.control);
      if (slot.positions.size() == 1 && slot.positions[0].third < 0) continue;  // no positions given
      EXPECT_EQ(slot.positions.size(), size_t(slot.wormCount)) << where;
      for (const TeamPosition& p : slot.positions)
        EXPECT_TRUE(p.x >= level.worldRect.left && p.x < level.worldRect.right &&
                    p.y >= level.worldRect.top && p.y < level.worldRect.bottom)
            << where;
    }
    EXPECT_EQ(level.bonusWeights.size(), level.bonusNames.size()) << where;
    if (!level.bonusWeights.empty()) {
      EXPECT_DOUBLE_EQ(level.bonusWeights.back(), 1.0) << where;
    }
    // The campaign opens level by level.
    if (file.starts_with(u"kampagne")) {
      EXPECT_EQ(level.keyToUnlock, previousUnlock) << where;
      previousUnlock = level.unlocks;
    }
  }
}
