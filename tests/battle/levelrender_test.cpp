// The battle's drawing passes on the recording backend: the world pass draws its layers in
// depth order, nothing before the first round; the effect pass draws only for a known render
// extra; the overlay only while the battle runs with an active worm.
#include "battle/levelrender.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "battle/battle_display.h"
#include "battle/cameramanager.h"
#include "engine/apigraphics.h"
#include "engine/spriterenderer.h"
#include "objects/partikelliste.h"
#include "platform/graphics.h"
#include "platform/text.h"
#include "support/kv_fixture.h"

namespace display_test {
namespace {

class BattlePasses : public BattleDisplay {
 protected:
  void SetUp() override {
    BattleDisplay::SetUp();
    Play(2);
    MakeHud(1280, 1024);
    renderer = std::make_unique<LevelRenderer>(&run->context, globals, &battle, hud.get());
    // The world as it lies: at the screen's origin, unscaled.
    globals->GetCamera()->SetView(ViewRect{0.0f, 0.0f, 1280.0f, 1024.0f});
    device = run->graphics->GetDevice();
  }

  // The textures a drawing makes, drawn alone in a batch of its own.
  template <class Draw>
  std::set<const platform::Texture*> TexturesOf(Draw draw) {
    device->ClearRecordedDraws();
    SpriteRenderer* sprites = run->graphics->GetSpriteRenderer();
    EXPECT_TRUE(Succeeded(sprites->Begin(SpriteRenderer::kAlphaBlend)));
    draw();
    sprites->End();
    std::set<const platform::Texture*> out;
    for (const auto& d : device->RecordedDraws()) out.insert(d.texture);
    device->ClearRecordedDraws();
    return out;
  }

  std::unique_ptr<LevelRenderer> renderer;
  platform::GraphicsDevice* device = nullptr;
};

TEST_F(BattlePasses, WorldPassDrawsInDepthOrder) {
  // One spark per depth, each in a column of its own above the ground.
  PartikelListe* particles = globals->GetPartikelListe();
  const std::map<int, float> columns = {{-2, 50.0f}, {-1, 250.0f}, {0, 450.0f}, {1, 650.0f}};
  std::vector<std::unique_ptr<PartikelInfo>> kept;
  for (const auto& [depth, x] : columns) {
    const std::u16string body = u"<NAME> \"Spark\" <\\NAME><ANIMATIONEN> \"FUNKE\" <\\ANIMATIONEN>"
                                u"<SIZE> \"10\" \"10\" \"10\" \"10\" <\\SIZE><DRAW_EBENE> \"" +
                                platform::Utf8ToU16(std::to_string(depth)) + u"\" <\\DRAW_EBENE>";
    kept.push_back(std::make_unique<PartikelInfo>(ParseBody(body, u"PARTIKEL_INFO").get(),
                                                  globals->GetAnimationManager()));
    ASSERT_EQ(kept.back()->drawLayer, depth);
    particles->Add(*kept.back(), Vector2(x, 100.0f));
  }
  // Once through the list: the sparks take up their pictures (and hardly move).
  particles->Update();
  ASSERT_EQ(particles->GetCount(), columns.size());
  const Vector2 offset(0.0f, 0.0f), scale(1.0f, 1.0f);
  const auto land = TexturesOf([&] { globals->GetWelt()->DrawGameLayers(offset, scale, 0xFFFFFFFF); });
  const auto worms = TexturesOf([&] {
    globals->GetWormManager()->DrawWorms(offset, scale, 0xFFFFFFFF, 0);
    globals->GetWormManager()->DrawWorms(offset, scale, 0xFFFFFFFF, 1);
  });
  ASSERT_FALSE(land.empty());
  ASSERT_FALSE(worms.empty());

  renderer->RenderPass();
  // Each draw by what it shows: the ground, a worm, or the spark of a depth by its column.
  std::vector<std::string> order;
  for (const auto& d : device->RecordedDraws()) {
    std::string what;
    if (land.count(d.texture)) {
      what = "ground";
    } else if (worms.count(d.texture)) {
      what = "worms";
    } else {
      for (const auto& [depth, x] : columns)
        if (std::abs(d.corners[0].x - x) < 40.0f && d.corners[0].y < 250.0f) what = "spark " + std::to_string(depth);
    }
    if (!what.empty() && (order.empty() || order.back() != what)) order.push_back(what);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"spark -2", "ground", "spark -1", "worms", "spark 0", "spark 1"}));
  particles->Clear();
}

TEST_F(BattlePasses, PassesDrawOnlyWhenThereIsSomethingToShow) {
  SpriteRenderer* sprites = run->graphics->GetSpriteRenderer();
  // Before the first round: no world pass, no effect pass, no overlay.
  battle.started = false;
  device->ClearRecordedDraws();
  renderer->RenderPass();
  renderer->RenderOverlay();
  EXPECT_FALSE(renderer->RenderForEffect(u"SCATTER"));
  EXPECT_TRUE(device->RecordedDraws().empty());
  EXPECT_FALSE(sprites->Batch()->InBatch());

  battle.started = true;
  // An effect whose render extra does not exist draws nothing and opens no batch.
  EXPECT_FALSE(renderer->RenderForEffect(u"NO_SUCH_EXTRA"));
  EXPECT_TRUE(device->RecordedDraws().empty());

  // Paused: the world is drawn, the overlay is not.
  battle.running = false;
  renderer->RenderPass();
  EXPECT_FALSE(device->RecordedDraws().empty());
  device->ClearRecordedDraws();
  renderer->RenderOverlay();
  EXPECT_TRUE(device->RecordedDraws().empty());
  // Running with an active worm: the overlay draws the HUD; without one it does not.
  battle.running = true;
  renderer->RenderOverlay();
  const TexturePartRecord* clock = hud->GetTexture(6);
  ASSERT_NE(clock, nullptr);
  bool drewClock = false;
  for (const auto& d : device->RecordedDraws()) drewClock = drewClock || d.texture == clock->texture;
  EXPECT_TRUE(drewClock);
  device->ClearRecordedDraws();
  battle.worm = nullptr;
  renderer->RenderOverlay();
  EXPECT_TRUE(device->RecordedDraws().empty());
}

}  // namespace
}  // namespace display_test
