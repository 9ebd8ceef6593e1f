// A small, self-contained world pack for the landscape generator's tests: the setting of
// fixtures/world/generator.wst with pictures drawn here from formulas (so no content change
// moves the pinned worlds), a cloud animation, and level descriptions over a small world.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "engine/animationmanager.h"
#include "engine/kvnode.h"
#include "platform/texture.h"
#include "support/kv_fixture.h"
#include "world/catalogueassets.h"
#include "world/ebeneneigenschaft.h"
#include "world/landschaft.h"
#include "world/levelinfo.h"
#include "world/settingkatalog.h"

namespace generator_test {

using Shader = uint32_t (*)(int32_t x, int32_t y);

inline uint32_t Earth(int32_t x, int32_t y) {
  const uint32_t v = uint32_t((x * 7 + y * 3) & 31);
  return 0xFF000000u | (0x70u + v) << 16 | (0x48u + v) << 8 | 0x20u;
}
inline uint32_t Grass(int32_t x, int32_t y) {
  const uint32_t a = 96u + uint32_t((x * 13 + y * 5) & 127);
  return a << 24 | 0x30A020u;
}
// A disc with a hard edge, lighter towards the top.
inline uint32_t Stone(int32_t x, int32_t y) {
  const int32_t dx = x - 16, dy = y - 16;
  if (dx * dx + dy * dy > 15 * 15) return 0;
  const uint32_t g = 0x80u + uint32_t(32 - y) * 2u;
  return 0xFF000000u | g << 16 | g << 8 | g;
}
// A trunk and a crown.
inline uint32_t Tree(int32_t x, int32_t y) {
  if (y >= 20) return (x >= 6 && x < 10) ? 0xFF6A4020u : 0;
  const int32_t dx = x - 8, dy = y - 10;
  return dx * dx + dy * dy <= 64 ? 0xFF2E8B30u : 0;
}
// A triangle standing on its base.
inline uint32_t Mountain(int32_t x, int32_t y) {
  const int32_t half = y;  // the slope widens by one pixel a row on each side
  return (x >= 32 - half && x < 32 + half) ? 0xFF708090u : 0;
}

class FixtureAssets : public CatalogueAssets {
 public:
  FixtureAssets() : animations(nullptr) {
    Add(u"erde.png", 64, 64, Earth);
    Add(u"gras.png", 64, 32, Grass);
    Add(u"stein.png", 32, 32, Stone);
    Add(u"baum.png", 16, 32, Tree);
    Add(u"berg.png", 64, 32, Mountain);
    animations.LoadFile(LoadFixture("world/generator.ani").get(), nullptr);
  }
  const TexturePartRecord* GetTexture(const std::u16string& file, const SearchPath&,
                                      const std::u16string*) override {
    auto found = records.find(file);
    return found == records.end() ? nullptr : &found->second;
  }
  std::unique_ptr<BewegteAnimation> CreateBewegteAnimation(std::u16string_view name) override {
    return animations.CreateBewegteAnimation(name);
  }
  // As the game's assets do: the picture holds no memory until it is used, then it is
  // painted again.
  void ReleaseUntilUsed(const TexturePartRecord* picture) override {
    platform::Texture* texture = picture ? picture->texture : nullptr;
    auto shader = shaders.find(texture);
    if (shader == shaders.end() || !texture->ReleasePixels()) return;
    texture->SetRefill([w = texture->Width(), h = texture->Height(), paint = shader->second](uint32_t* pixels) {
      Paint(pixels, w, h, paint);
      return true;
    });
  }

  std::map<std::u16string, TexturePartRecord> records;
  std::vector<std::unique_ptr<platform::Texture>> textures;
  std::map<const platform::Texture*, Shader> shaders;
  AnimationManager animations;

 private:
  static void Paint(uint32_t* pixels, int32_t w, int32_t h, Shader shader) {
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) pixels[size_t(y) * size_t(w) + size_t(x)] = shader(x, y);
  }
  void Add(const std::u16string& name, int32_t w, int32_t h, Shader shader) {
    auto texture = std::make_unique<platform::Texture>(w, h);
    Paint(texture->MutablePixels(), w, h, shader);
    shaders[texture.get()] = shader;
    records[name] = TexturePartRecord{texture.get(), Rect{0, 0, w, h}};
    textures.push_back(std::move(texture));
  }
};

// The setting catalogue and layer properties of the pack, and level descriptions over it.
class GeneratorPack {
 public:
  GeneratorPack() {
    document = LoadFixture("world/generator.wst");
    katalog.Load(document.get(), &assets);
    setting = katalog.FindSetting(&settingName);
  }

  // A level over the pack's one setting on a 1024 x 512 world; `extra` adds keys.
  std::unique_ptr<LevelInfo> Level(std::u16string_view extra = u"") {
    std::u16string body =
        u"<SETTING_NAME> \"PROBE\" <\\SETTING_NAME> <RANDOM_SEED> \"Probe\" <\\RANDOM_SEED>"
        u"<WORLD_RECT> \"-512\" \"-256\" \"512\" \"256\" <\\WORLD_RECT> <QUALITY> \"100\" <\\QUALITY>"
        u"<ANZ_HG_EBENEN> \"2\" <\\ANZ_HG_EBENEN> <ANZ_SPIEL_EBENEN> \"3\" <\\ANZ_SPIEL_EBENEN>"
        u"<ANZ_VG_EBENEN> \"1\" <\\ANZ_VG_EBENEN>";
    body += extra;
    auto node = ParseBody(body, u"LEVEL");
    return std::make_unique<LevelInfo>(node.get(), LevelSources{&properties, &katalog, nullptr});
  }

  WorldBuildServices Services() {
    WorldBuildServices services;
    services.animations = &assets.animations;
    return services;
  }

  // An empty store and mask over a rectangle, the setting's stages' canvas.
  static std::unique_ptr<Landschaft> Store(const Rect& rect) {
    auto store = std::make_unique<Landschaft>(rect);
    store->SetGraphics(nullptr);
    store->CreateTiles();
    return store;
  }

  const std::u16string settingName = u"PROBE";
  FixtureAssets assets;
  std::unique_ptr<KVNode> document;
  SettingKatalog katalog;
  EbenenEigenschaften properties;
  LevelSetting* setting = nullptr;
};

}  // namespace generator_test
