// The world's layer groups and drawing through the Null device's recorded draws: the order
// layers take by depth and are drawn in, each group placed by its own parallax, the
// backdrop stretched over the screen and its margin, the effect passes in the render
// extra's colours, the per-frame unlock, the set-up for a level and the per-frame update.
#include "world/welt.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <map>

#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "engine/renderextralookup.h"
#include "engine/spriterenderer.h"
#include "world/ebenenhintergrund.h"
#include "world/levelinfo.h"
#include "world/terrain_art.h"

using terrain_test::FlatStore;

namespace {

constexpr float kScreenW = 1024.0f, kScreenH = 768.0f;

// A moving animation standing still at a place, on a path heading down at 100 px/s.
const char16_t* const kAnimations =
    u"<>\n \t<\\>\n<ANI>"
    u"<PFADANIMATION> <NAME> \"Ab\" <\\NAME> <LINEAR> \"1\" <\\LINEAR> <SPEED> \"100\" <\\SPEED>"
    u"  <CREATE_MANUELL> <POINT> \"0\" \"0\" <\\POINT> <POINT> \"0\" \"1000\" <\\POINT> <\\CREATE_MANUELL>"
    u"<\\PFADANIMATION>"
    u"<BEWEGTEANIMATION> <NAME> \"WOLKE\" <\\NAME> <PFAD> \"Ab\" <\\PFAD> <\\BEWEGTEANIMATION>"
    u"<\\ANI>";

// Pictures of the backdrop by file name, each a texture of its own size, half see-through
// everywhere (no row is left out as clear or as hidden under an opaque picture).
class Pictures : public CatalogueAssets {
 public:
  explicit Pictures(const AnimationManager& animations) : m_animations(animations) {}
  void Add(const std::u16string& name, int32_t w, int32_t h) {
    m_textures.push_back(std::make_unique<platform::Texture>(w, h));
    std::fill_n(m_textures.back()->MutablePixels(), size_t(w) * size_t(h), 0x80FFFFFFu);
    m_records[name] = {m_textures.back().get(), Rect{0, 0, w, h}};
  }
  const TexturePartRecord* GetTexture(const std::u16string& file, const SearchPath&,
                                      const std::u16string*) override {
    auto found = m_records.find(file);
    return found == m_records.end() ? nullptr : &found->second;
  }
  std::unique_ptr<BewegteAnimation> CreateBewegteAnimation(std::u16string_view name) override {
    return m_animations.CreateBewegteAnimation(name);
  }

 private:
  const AnimationManager& m_animations;
  std::vector<std::unique_ptr<platform::Texture>> m_textures;
  std::map<std::u16string, TexturePartRecord> m_records;
};

// Gives exactly one layer key a colour at index 0.
class OneKey : public RenderExtraLookup {
 public:
  OneKey(int32_t key, Argb colour) : m_key(key), m_colour(colour) {}
  bool GetLayerEntry(int32_t layerKey, Argb& colour, int32_t index) const override {
    if (layerKey != m_key) return false;
    if (index == 0) colour = m_colour;
    return true;
  }

 private:
  int32_t m_key;
  Argb m_colour;
};

class WorldDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    DisplayEnvironment env;
    env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, env);
    graphics->UseNullDevice(true);
    ASSERT_EQ(graphics->Create(), kResultOk);
    context.graphics = graphics.get();
    device = graphics->GetDevice();
    animations = std::make_unique<AnimationManager>(graphics.get());
    animations->LoadFile(ParseKVText(kAnimations).get(), nullptr);
    level = std::make_unique<LevelInfo>(nullptr, LevelSources{});
  }
  void TearDown() override { RenderExtraLookup::Install(nullptr); }

  // A one-tile layer of the world's graphics at a depth and parallax, remembered by its
  // tile's texture so the draws can be told apart.
  std::unique_ptr<Landschaft> Layer(int32_t depth, float parallax = 1.0f, const char* name = nullptr) {
    auto land = FlatStore({0, 0, 64, 64}, 32);
    land->SetGraphics(graphics.get());
    land->SetDepth(depth);
    Vector2 p(parallax, parallax);
    land->SetParallax(&p);
    names[land->Tiles()[0]->GetTexture()] = name ? name : std::to_string(depth);
    return land;
  }
  // The layers named by the draws, in drawing order.
  std::vector<std::string> Drawn(const std::vector<platform::DrawRecord>& draws) {
    std::vector<std::string> out;
    for (const auto& d : draws) {
      auto found = names.find(d.texture);
      out.push_back(found == names.end() ? "?" : found->second);
    }
    return out;
  }
  template <class F>
  const std::vector<platform::DrawRecord>& Draws(F&& draw) {
    device->ClearRecordedDraws();
    EXPECT_EQ(graphics->GetSpriteRenderer()->Begin(SpriteRenderer::kAlphaBlend), kResultOk);
    draw();
    graphics->GetSpriteRenderer()->End();
    return device->RecordedDraws();
  }

  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  platform::GraphicsDevice* device = nullptr;
  std::unique_ptr<AnimationManager> animations;
  std::unique_ptr<LevelInfo> level;
  std::map<const platform::Texture*, std::string> names;
};

const Vector2 kNoCamera(kScreenW / 2, kScreenH / 2);
const Vector2 kOne(1.0f, 1.0f);

}  // namespace

TEST_F(WorldDrawing, LayersTakeTheirPlaceByDepthAndGroupsDrawLastToFirst) {
  struct Case {
    int32_t group;
    std::vector<std::pair<int32_t, const char*>> added;  // depth and name, in build order
    std::vector<std::string> drawn;
  };
  const Case cases[] = {
      // The random recipe's background depths: the first layer keeps its place, so -3 is
      // drawn over -2.
      {Welt::kBackground, {{-1, "-1"}, {-2, "-2"}, {-3, "-3"}, {-4, "-4"}}, {"-2", "-3", "-4", "-1"}},
      {Welt::kBackground, {{-1, "-1"}, {-2, "-2"}, {-3, "-3"}}, {"-2", "-3", "-1"}},
      // Equal depths (layers from creator files) keep the build order; so do rising ones.
      {Welt::kForeground, {{1, "a"}, {1, "b"}, {1, "c"}}, {"c", "b", "a"}},
      {Welt::kForeground, {{1, "1"}, {2, "2"}, {3, "3"}}, {"3", "2", "1"}},
      {Welt::kGame, {{0, "0"}, {5, "5"}, {2, "2"}}, {"5", "2", "0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.drawn.back());
    Welt world;
    world.Setup(*level, &context);
    for (const auto& [depth, name] : c.added) world.AddLayer(Layer(depth, 1.0f, name), c.group);
    auto drawn = Drawn(Draws([&] {
      world.DrawBackground(kNoCamera, kOne, {0.0f, 0.0f}, 0xFFFFFFFF, true);
      world.DrawGameLayers(kNoCamera, kOne, 0xFFFFFFFF);
      world.DrawForegroundLayers(kNoCamera, kOne, 0xFFFFFFFF);
    }));
    EXPECT_EQ(drawn, c.drawn);
  }

  // Any other group drops the layer; a world given game layers only through AddLayer takes
  // the first as its main layer and keeps it.
  Welt world;
  world.AddLayer(Layer(0), 2);
  world.AddLayer(Layer(0), -2);
  EXPECT_TRUE(world.BackgroundLayers().empty() && world.GameLayers().empty() &&
              world.ForegroundLayers().empty());
  EXPECT_EQ(world.GetGameLandschaft(), nullptr);
  world.AddLayer(Layer(3), Welt::kGame);
  Landschaft* first = world.GameLayers()[0].get();
  EXPECT_EQ(world.GetGameLandschaft(), first);
  world.AddLayer(Layer(-1), Welt::kGame);
  EXPECT_EQ(world.GetGameLandschaft(), first);
}

TEST_F(WorldDrawing, EachLayerIsPlacedByItsOwnParallaxAboutTheScreenCentre) {
  Welt world;
  world.Setup(*level, &context);
  world.AddLayer(Layer(-1, 0.5f, "back"), Welt::kBackground);
  world.AddLayer(Layer(0, 1.0f, "game"), Welt::kGame);
  auto front = Layer(1, 1.25f, "front");
  front->SetOffset({10.0f, -20.0f});
  world.AddLayer(std::move(front), Welt::kForeground);
  // Where each layer goes, each drawn whole (its clear parts would be left out).
  world.SetLeavesOutHidden(false);

  struct Case {
    Vector2 camera, zoom;
  };
  const Case cases[] = {
      {{512.0f, 384.0f}, {1.0f, 1.0f}},
      {{400.0f, 300.0f}, {1.0f, 1.0f}},
      {{300.0f, 250.0f}, {2.0f, 0.5f}},
      {{700.0f, 500.0f}, {0.75f, 0.75f}},
  };
  const struct {
    float parallax;
    Vector2 offset;
  } layers[] = {{0.5f, {0.0f, 0.0f}}, {1.0f, {0.0f, 0.0f}}, {1.25f, {10.0f, -20.0f}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.camera.x);
    const auto& draws = Draws([&] {
      world.DrawBackground(c.camera, c.zoom, {0.0f, 0.0f}, 0xFFFFFFFF, false);
      world.DrawGameLayers(c.camera, c.zoom, 0xFFFFFFFF);
      world.DrawForegroundLayers(c.camera, c.zoom, 0xFFFFFFFF);
    });
    ASSERT_EQ(Drawn(draws), (std::vector<std::string>{"back", "game", "front"}));
    for (size_t i = 0; i < 3; ++i) {
      // origin = (camera - m) * parallax + m, m = screen centre + the layer's offset; the
      // tile at (0, 0) starts there, scaled by zoom * parallax.
      const float p = layers[i].parallax;
      const Vector2 m(kScreenW / 2 + layers[i].offset.x, kScreenH / 2 + layers[i].offset.y);
      const Vector2 origin((c.camera.x - m.x) * p + m.x, (c.camera.y - m.y) * p + m.y);
      EXPECT_EQ(draws[i].corners[0], origin);
      EXPECT_EQ(draws[i].corners[3], Vector2(origin.x + 64 * c.zoom.x * p, origin.y + 64 * c.zoom.y * p));
    }
  }
}

TEST_F(WorldDrawing, TheBackdropCoversTheScreenAndItsMarginWhereverTheCameraIs) {
  Pictures pictures(*animations);
  pictures.Add(u"sky.png", 1024, 512);
  pictures.Add(u"hills.png", 512, 256);
  pictures.Add(u"near.png", 256, 128);
  auto node = ParseKVText(
      u"<>\n \t<\\>\n<HINTERGRUND> <NAME> \"TAG\" <\\NAME> <HINTERGRUND>"
      u"  <TEXTUR_EBENE> \"0.0\" <TEXTUR_DIREKT> \"sky.png\" <\\TEXTUR_DIREKT> <\\TEXTUR_EBENE>"
      u"  <TEXTUR_EBENE> \"0.05\" <TEXTUR_DIREKT> \"hills.png\" <\\TEXTUR_DIREKT> <\\TEXTUR_EBENE>"
      u"  <TEXTUR_EBENE> \"0.5\" <TEXTUR_DIREKT> \"near.png\" <\\TEXTUR_DIREKT> <\\TEXTUR_EBENE>"
      u"  <BEWEGTEANIMATION> \"WOLKE\" \"1\" <\\BEWEGTEANIMATION>"
      u"  <BEWEGTEANIMATION_RECT> \"0\" \"0\" \"1\" \"0.5\" \"1\" <\\BEWEGTEANIMATION_RECT>"
      u"<\\HINTERGRUND> <\\HINTERGRUND>");
  EbenenHintergrund backdrop(node.get(), &pictures, graphics.get());
  ASSERT_EQ(backdrop.GetBackground().size(), 3u);

  Welt world;
  world.Setup(*level, &context);
  world.AddLayer(Layer(-1, 0.5f, "layer"), Welt::kBackground);
  world.SetBackdrop(&backdrop);
  // Where each picture goes, each drawn whole: the opaque layer would hide parts of them.
  world.SetLeavesOutHidden(false);
  // Setting the backdrop lays its animation out for the screen at once.
  EXPECT_EQ(backdrop.GetAnimation(1)->GetArea(), (Rect{0, 0, 1024, 384}));

  const double parallax[] = {0.0, double(0.05f), 0.5};
  const double sizes[][2] = {{1024, 512}, {512, 256}, {256, 128}};
  for (const Vector2 zoom : {Vector2(1.0f, 1.0f), Vector2(0.75f, 0.75f), Vector2(1.5f, 1.0f)}) {
    float previousLeft[3] = {1.0f, 1.0f, 1.0f};
    for (int step = 0; step <= 8; ++step) {
      // The camera's scroll fraction going from one end of its travel to the other.
      const Vector2 f(float(step) / 8.0f, 1.0f - float(step) / 8.0f);
      SCOPED_TRACE(testing::Message() << "zoom " << zoom.x << " fraction " << f.x);
      const auto& draws = Draws([&] { world.DrawBackground({0.0f, 0.0f}, zoom, f, 0xFF808080, true); });
      // Sky, hills, the hills' animation (no frames here: nothing drawn), near, the layer.
      ASSERT_EQ(draws.size(), 4u);
      EXPECT_EQ(Drawn(draws)[3], "layer");
      for (size_t j = 0; j < 3; ++j) {
        const double ox = sizes[j][0] * parallax[j] * zoom.x, oy = sizes[j][1] * parallax[j] * zoom.y;
        const Vector2 topLeft = draws[j].corners[0], bottomRight = draws[j].corners[3];
        EXPECT_EQ(draws[j].colour, 0xFF808080u);
        EXPECT_FLOAT_EQ(topLeft.x, float(-ox * f.x));
        EXPECT_FLOAT_EQ(topLeft.y, float(-oy * f.y));
        EXPECT_NEAR(bottomRight.x - topLeft.x, kScreenW + ox, 1e-3);
        EXPECT_NEAR(bottomRight.y - topLeft.y, kScreenH + oy, 1e-3);
        // Always over the whole screen, sliding left as the fraction grows.
        EXPECT_LE(topLeft.x, 0.0f);
        EXPECT_LE(topLeft.y, 0.0f);
        EXPECT_GE(bottomRight.x, kScreenW - 1e-3f);
        EXPECT_GE(bottomRight.y, kScreenH - 1e-3f);
        EXPECT_LE(topLeft.x, previousLeft[j]);
        previousLeft[j] = topLeft.x;
      }
    }
  }

  // Without the flag only the layers are drawn.
  EXPECT_EQ(Drawn(Draws([&] {
              world.DrawBackground({0.0f, 0.0f}, kOne, {0.5f, 0.5f}, 0xFFFFFFFF, false);
            })),
            (std::vector<std::string>{"layer"}));
  // A device reset lays the animation out again.
  backdrop.GetAnimation(1)->SetArea({5, 5, 6, 6});
  graphics->Reset();
  EXPECT_EQ(backdrop.GetAnimation(1)->GetArea(), (Rect{0, 0, 1024, 384}));
}

TEST_F(WorldDrawing, TintedPassesDrawInTheRenderExtraColourOfTheirGroup) {
  Welt world;
  world.Setup(*level, &context);
  world.AddLayer(Layer(-1, 1.0f, "back"), Welt::kBackground);
  world.AddLayer(Layer(0, 1.0f, "game"), Welt::kGame);
  world.AddLayer(Layer(1, 1.0f, "front"), Welt::kForeground);
  auto pass = [&](int32_t group, bool& result) {
    return Drawn(Draws([&] {
      if (group == 0) result = world.DrawBackgroundTinted(kNoCamera, kOne);
      if (group == 1) result = world.DrawGameLayersTinted(kNoCamera, kOne);
      if (group == 2) result = world.DrawForegroundTinted(kNoCamera, kOne);
    }));
  };
  const char* groupNames[] = {"back", "game", "front"};

  // Nothing installed: no colour table, nothing drawn.
  for (int32_t group = 0; group < 3; ++group) {
    bool result = true;
    EXPECT_TRUE(pass(group, result).empty());
    EXPECT_FALSE(result);
  }

  struct Case {
    Argb colour;
    bool draws;
    bool result;
  };
  const Case cases[] = {
      {0x00FF8040, false, false},  // alpha 0: not drawn, whatever the colour
      {0xFF000000, true, false},   // drawn, but black adds nothing to the glow
      {0x80FF0000, true, true},
      {0x01000001, true, true},
  };
  for (int32_t key = 0; key < 3; ++key)
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "key " << key << " colour " << std::hex << c.colour);
      OneKey lookup(key, c.colour);
      RenderExtraLookup::Install(&lookup);
      for (int32_t group = 0; group < 3; ++group) {
        bool result = !c.result;
        const auto drawn = pass(group, result);
        if (group != key) {
          EXPECT_TRUE(drawn.empty());
          EXPECT_FALSE(result);
          continue;
        }
        EXPECT_EQ(result, c.result);
        if (!c.draws) {
          EXPECT_TRUE(drawn.empty());
          continue;
        }
        ASSERT_EQ(drawn, std::vector<std::string>{groupNames[group]});
        EXPECT_EQ(device->RecordedDraws()[0].colour, c.colour);
      }
    }
}

TEST_F(WorldDrawing, TheFramesPixelWorkIsUnlockedForDrawing) {
  Welt world;
  world.Setup(*level, &context);
  world.SetGameLayers(FlatStore({0, 0, 512, 256}, 128), 2, -0.0025f, -0.0025f, 0xFFAFAFAF);
  world.AddLayer(Layer(-1), Welt::kBackground);
  world.UnlockGameLayers();
  // A crater through every game layer locks the tiles it touches.
  world.CarveCrater({256.0f, 128.0f}, 20.0, nullptr, -1, false);
  for (const auto& layer : world.GameLayers()) {
    EXPECT_TRUE(layer->Tiles()[0]->IsLocked());
    layer->Tiles()[0]->GetTexture()->ClearDirty();
  }
  world.UnlockGameLayers();
  for (const auto& layer : world.GameLayers())
    for (const auto& tile : layer->Tiles()) EXPECT_FALSE(tile->IsLocked());
  // Unlocked tiles hand their changed rows to the GPU copy at the next draw.
  for (const auto& layer : world.GameLayers()) EXPECT_TRUE(layer->Tiles()[0]->GetTexture()->IsDirty());
}

TEST_F(WorldDrawing, SetupTakesTheLevelsScaledRectangleAndPropertiesAndClearsTheLayers) {
  struct Case {
    Rect rect;
    double scale;
    Rect expected;
  };
  const Case cases[] = {
      {{-1536, -768, 1536, 768}, 1.0, {-1536, -768, 1536, 768}},
      // Each value is truncated toward zero.
      {{-1536, -768, 1536, 768}, 0.1, {-153, -76, 153, 76}},
      {{-1001, -3, 999, 7}, 0.5, {-500, -1, 499, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scale);
    Welt world;
    world.SetGameLayers(FlatStore({0, 0, 8, 8}, 4), 1, 0.0f, 0.0f, 0xFFFFFFFF);
    world.AddLayer(Layer(-1), Welt::kBackground);
    world.AddLayer(Layer(1), Welt::kForeground);
    level->worldRect = c.rect;
    level->buildScale = c.scale;
    level->layerProperties.name = u"MOND";
    level->layerProperties.gravity = {0.0f, 16.0f};
    world.Setup(*level, &context);
    EXPECT_EQ(world.GetWorldRect(), c.expected);
    EXPECT_EQ(world.GetLayerProperties().name, u"MOND");
    EXPECT_EQ(world.GetGravity(), Vector2(0.0f, 16.0f));
    EXPECT_TRUE(world.GameLayers().empty() && world.BackgroundLayers().empty() &&
                world.ForegroundLayers().empty());
    EXPECT_EQ(world.GetGameLandschaft(), nullptr);
  }
}

TEST_F(WorldDrawing, UpdateRunsTheBackdropsAndEveryLayersAnimationsOnTheGameStep) {
  Pictures pictures(*animations);
  pictures.Add(u"sky.png", 64, 64);
  auto node = ParseKVText(
      u"<>\n \t<\\>\n<HINTERGRUND> <HINTERGRUND>"
      u"  <TEXTUR_EBENE> \"0.0\" <TEXTUR_DIREKT> \"sky.png\" <\\TEXTUR_DIREKT> <\\TEXTUR_EBENE>"
      u"  <BEWEGTEANIMATION> \"WOLKE\" \"0\" <\\BEWEGTEANIMATION>"
      u"<\\HINTERGRUND> <\\HINTERGRUND>");
  EbenenHintergrund backdrop(node.get(), &pictures, graphics.get());
  Welt world;
  world.Setup(*level, &context);
  world.SetBackdrop(&backdrop);
  world.SetGameLayers(Layer(0), 1, 0.0f, 0.0f, 0xFFFFFFFF);
  world.AddLayer(Layer(-1), Welt::kBackground);
  world.AddLayer(Layer(1), Welt::kForeground);
  std::vector<Landschaft*> layers;
  for (const auto* group : {&world.GameLayers(), &world.BackgroundLayers(), &world.ForegroundLayers()})
    for (const auto& layer : *group) {
      layer->AnimationNames() = {u"WOLKE", u"FEHLT"};
      layers.push_back(layer.get());
    }
  world.CreateLayerAnimations(*animations);
  // Every layer of every group made its animations, an unknown name as an empty entry.
  for (Landschaft* layer : layers) {
    ASSERT_EQ(layer->Animations().size(), 2u);
    EXPECT_EQ(layer->Animations()[0], nullptr);
    ASSERT_NE(layer->Animations()[1], nullptr);
  }

  // Asked for through their owners, which bring them up to date.
  auto heights = [&] {
    std::vector<float> out = {backdrop.GetAnimation(0)->GetPath()->GetPosition().y};
    for (Landschaft* layer : layers) out.push_back(layer->Animations()[1]->GetPath()->GetPosition().y);
    return out;
  };
  FrameTimer timer;
  timer.gameStep = 0.0;
  world.Update(timer);
  const std::vector<float> before = heights();
  timer.realStep = 0.01;  // paused: the game step stands
  world.Update(timer);
  std::vector<float> now = heights();
  for (size_t i = 0; i < now.size(); ++i) EXPECT_EQ(now[i], before[i]) << i;
  timer.gameStep = 0.01;
  world.Update(timer);
  now = heights();
  for (size_t i = 0; i < now.size(); ++i) EXPECT_FLOAT_EQ(now[i], before[i] + 1.0f) << i;
}
