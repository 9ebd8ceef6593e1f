// The post effects on the null device (a 1280 x 1024 screen): the library's lookup and
// active list, the effect base's keys and pass loop (seen in the recorded quads), the kinds'
// key conversions, combinations, animators and instances.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <sstream>

#include "battle/waffe.h"
#include "battle/waffen_werkzeug.h"
#include "battle/waffenset.h"
#include "battle/waffenteams.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "objects/mannschaft.h"
#include "objects/objekt.h"
#include "platform/graphics_hooks.h"
#include "platform/text.h"
#include "posteffects/leveleffects.h"
#include "posteffects/mype_effectcombination.h"
#include "posteffects/mype_kinds.h"
#include "posteffects/myposteffect.h"
#include "posteffects/posteffectanimator.h"
#include "posteffects/posteffectinstance.h"
#include "posteffects/posteffectlibrary.h"
#include "posteffects/posteffectscene.h"
#include "support/engine_run.h"
#include "support/kv_fixture.h"
#include "world/settingobjekt.h"

namespace {

constexpr float kW = 1280.0f, kH = 1024.0f;

std::unique_ptr<KVNode> Doc(const std::u16string& body) {
  return ParseKVText(u"<>\n \t<\\>\n<POSTEFFECTS>\n" + body + u"\n<\\POSTEFFECTS>\n");
}

// Draws nothing of its own; counts the calls and answers render extras by name.
struct TestScene : PostEffectScene {
  int passes = 0;
  std::u16string drawsExtra = u"MASKE";
  void RenderPass() override { ++passes; }
  bool RenderForEffect(const std::u16string& name) override { return name == drawsExtra; }
};

class PostEffects : public ::testing::Test {
 protected:
  void SetUp() override {
    library = run.globals->GetPostEffects();
    ASSERT_NE(library, nullptr);
    ASSERT_NE(run.globals->GetArchive(), nullptr) << "the game's archive (KRUMBOLT_GOB)";
  }
  void Load(const std::u16string& body) {
    doc = Doc(body);
    library->Load(doc.get(), run.globals->GetArchive());
  }
  std::unique_ptr<MyPostEffect> Make(const std::u16string& name) { return library->CreateEffect(name); }
  // One frame of the chain on the null device; the quads its passes drew.
  std::vector<platform::DrawRecord> Frame() {
    run.graphics->GetDevice()->ClearRecordedDraws();
    library->RenderActive();
    std::vector<platform::DrawRecord> quads;
    for (const auto& d : run.graphics->GetDevice()->RecordedDraws())
      if (d.preTransformed) quads.push_back(d);
    return quads;
  }

  EngineRun run;
  PostEffectLibrary* library = nullptr;
  std::unique_ptr<KVNode> doc;
  TestScene scene;
};

TEST_F(PostEffects, LookupFindsTheSectionReadLastAndLaterKindsShadowEarlierOnes) {
  Load(
      uR"(<PE_SATURATE> <NAME> "A" <\NAME> <SÄTTIGUNG> "0.3" <\SÄTTIGUNG> <\PE_SATURATE>
           <PE_SATURATE> <NAME> "A" <\NAME> <SÄTTIGUNG> "0.7" <\SÄTTIGUNG> <\PE_SATURATE>
           <PE_DOF> <NAME> "B" <\NAME> <\PE_DOF>
           <POST_EFFECT> <NAME> "B" <\NAME> <\POST_EFFECT>
           <PEA_BLUR> <NAME> "X" <\NAME> <\PEA_BLUR> <PEA_LIGHT> <NAME> "X" <\NAME> <\PEA_LIGHT>
           <POSTEFFECT_INSTANZ> <NAME> "I" <\NAME> <\POSTEFFECT_INSTANZ>)");
  EXPECT_EQ(library->EffectTemplateCount(), 4u);
  EXPECT_FLOAT_EQ(Make(u"A")->ParamF_1(), 0.7f);
  // PE_DOF is read after POST_EFFECT, whatever the file's order.
  EXPECT_NE(dynamic_cast<MyPE_DOF*>(Make(u"B").get()), nullptr);
  EXPECT_NE(dynamic_cast<PEA_Blur*>(library->CreateAnimator(u"X").get()), nullptr);
  EXPECT_NE(library->CreateInstance(u"I"), nullptr);
  EXPECT_EQ(Make(u"LEER"), nullptr);
  EXPECT_EQ(library->CreateEffect(nullptr), nullptr);
  EXPECT_EQ(library->CreateInstance(u"i"), nullptr);
}

TEST_F(PostEffects, CopiesAreSeparateAndKeepARunningBlend) {
  Load(uR"(<PE_SATURATE> <NAME> "S" <\NAME> <SÄTTIGUNG> "0" <\SÄTTIGUNG> <\PE_SATURATE>)");
  auto a = Make(u"S");
  auto b = Make(u"S");
  EXPECT_NE(a.get(), b.get());
  const double t = 2.0;
  a->SetParamF_1(1.0f, &t);
  a->Update(0.5);
  auto c = a->Clone();
  EXPECT_TRUE(c->IsLost());
  EXPECT_FALSE(c->IsCreated());
  EXPECT_NE(dynamic_cast<MyPE_Saturate*>(c.get()), nullptr);
  c->Update(0.5);
  EXPECT_FLOAT_EQ(c->ParamF_1(), 0.5f);
  EXPECT_FLOAT_EQ(a->ParamF_1(), 0.25f);
  EXPECT_FLOAT_EQ(b->ParamF_1(), 0.0f);
  EXPECT_FLOAT_EQ(Make(u"S")->ParamF_1(), 0.0f);
}

TEST_F(PostEffects, TheActiveList) {
  Load(
      uR"(<POST_EFFECT> <NAME> "K" <\NAME> <FX_NAME> "pe_copy.fx" <\FX_NAME> <\POST_EFFECT>
           <ACTIVE_POSTEFFECTS> "Unbekannt" "K" <\ACTIVE_POSTEFFECTS>
           <ACTIVE_POSTEFFECTS> "K" "K" <\ACTIVE_POSTEFFECTS>)");
  // Only the first section counts, and only names it knows.
  ASSERT_EQ(library->GetActiveList().size(), 1u);
  MyPostEffect* first = library->GetActiveList()[0];
  EXPECT_FALSE(first->IsLost());
  EXPECT_EQ(first->GetLibrary(), library);
  MyPostEffect* e = Make(u"K").release();
  library->ActivateEffect(e);
  library->ActivateEffect(e);
  EXPECT_EQ(library->GetActiveList().size(), 3u);
  // Stepped once a frame, however often it is listed.
  library->UpdateActive(0.25);
  EXPECT_DOUBLE_EQ(e->GetTime(), 0.25);
  library->DeactivateEffect(e);
  EXPECT_EQ(library->GetActiveList().size(), 1u);
  delete e;
  library->DeactivateEffect(first);
  EXPECT_FALSE(library->HasActiveEffects());
  delete first;
  // Listed twice at the end, deleted once by the library.
  MyPostEffect* twice = Make(u"K").release();
  library->ActivateEffect(twice);
  library->ActivateEffect(twice);
}

TEST_F(PostEffects, BaseKeysAndDefaults) {
  MyPostEffect bare(nullptr, nullptr, &run.context);
  EXPECT_EQ(bare.GetName(), u"Unnamed_PostEffect");
  EXPECT_EQ(bare.GetFileName(), u"effect.fx");
  EXPECT_EQ(bare.GetClearColour(), 0xFF000000u);
  EXPECT_EQ(bare.Scaling(), (platform::Vector2{1.0f, 1.0f}));
  EXPECT_EQ(bare.ParamV4_1(), (platform::Vector4{}));
  EXPECT_TRUE(bare.BlendsFinished());
  EXPECT_TRUE(bare.NeedsCreate());

  const struct {
    const char16_t* text;
    uint32_t colour;
  } colours[] = {{u"FF808080", 0xFF808080u},
                 {u"808080", 0x00808080u},
                 {u"0x1f", 0x1Fu},
                 {u"zz", 0u},
                 {u"123456789", 0xFFFFFFFFu}};
  for (const auto& c : colours) EXPECT_EQ(ParseHexColour(c.text), c.colour) << platform::U16ToUtf8(c.text);

  auto node = Doc(
      uR"(<E> <NAME> "N" <\NAME> <CLEAR_COLOR> "FF102030" <\CLEAR_COLOR> <FX_NAME> "a.fx" "b.fx" <\FX_NAME>
      <RENDER_EXTRA> "1" "MASKE" "1" <\RENDER_EXTRA> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL> <SCALING> "0.5" "2" <\SCALING>
      <PARAM_V4_1> "1" "2" <\PARAM_V4_1> <PARAM_F_2> "3.5" <\PARAM_F_2> <\E>)");
  MyPostEffect e(node->GetChild(0, u"E"), nullptr, &run.context);
  EXPECT_EQ(e.GetName(), u"N");
  EXPECT_EQ(e.GetClearColour(), 0xFF102030u);
  EXPECT_EQ(e.GetSecondFileName(), u"b.fx");
  EXPECT_TRUE(e.HasRenderExtra());
  EXPECT_EQ(e.GetRenderExtraName(), u"MASKE");
  EXPECT_TRUE(e.ExtraThroughSecondEffect());
  EXPECT_TRUE(e.CopiesToOriginal());
  EXPECT_EQ(e.Scaling(), (platform::Vector2{0.5f, 2.0f}));
  EXPECT_EQ(e.ExtraScaling(), (platform::Vector2{1.0f, 1.0f}));
  // A short key reads its missing values as 0.
  EXPECT_EQ(e.ParamV4_1(), (platform::Vector4{1.0f, 2.0f, 0.0f, 0.0f}));
  EXPECT_FLOAT_EQ(e.ParamF_2(), 3.5f);
  EXPECT_TRUE(e.BlendsFinished());

  // The render extra's picture: a fraction of the screen, anything else the full size.
  const struct {
    const char16_t* values;
    platform::Vector2 scaling;
  } extras[] = {{uR"("0.25" "0.5")", {0.25f, 0.5f}},
                {uR"("1" "1")", {1.0f, 1.0f}},
                {uR"("0.5")", {1.0f, 1.0f}},
                {uR"("2" "0.5")", {1.0f, 1.0f}},
                {uR"("0" "0.5")", {1.0f, 1.0f}}};
  for (const auto& c : extras) {
    auto extra = Doc(u"<E> <EXTRA_SCALING> " + std::u16string(c.values) + u" <\\EXTRA_SCALING> <\\E>");
    MyPostEffect scaled(extra->GetChild(0, u"E"), nullptr, &run.context);
    EXPECT_EQ(scaled.ExtraScaling(), c.scaling) << platform::U16ToUtf8(c.values);
    EXPECT_EQ(scaled.Clone()->ExtraScaling(), c.scaling) << "copied";
  }
}

TEST_F(PostEffects, ScreenSettersConvertPixels) {
  MyPostEffect e(nullptr, nullptr, &run.context);
  e.SetParamV4_1Screen({9.0f, 640.0f, 1.0f, 2.0f}, nullptr);
  EXPECT_EQ(e.ParamV4_1(), (platform::Vector4{kH / kW, 0.5f, 1.0f, 2.0f}));
  e.SetParamF_1Pixels(64.0f, nullptr);
  EXPECT_FLOAT_EQ(e.ParamF_1(), 0.05f);
}

TEST_F(PostEffects, KindsConvertTheirKeys) {
  Load(
      uR"(<PE_WOBBLE> <NAME> "W" <\NAME> <AMPLITUDE> "8" <\AMPLITUDE> <SPEED_TILING> "1" "2" <\SPEED_TILING> <\PE_WOBBLE>
     <PE_LIGHT> <NAME> "L" <\NAME> <LIGHT_PARAMS> "5" "640" "0.3" "0.7" <\LIGHT_PARAMS> <MOUSE_PARAMS> "640" "256" <\MOUSE_PARAMS> <\PE_LIGHT>
     <PE_SCATTER> <NAME> "S" <\NAME> <EXPOSURE> "0.4" <\EXPOSURE> <OFFSET> "0.1" <\OFFSET> <SUN_POSITON> "300" "0.2" <\SUN_POSITON>
        <DENSITY_WEIGHT_DECAY_NUM> "0.9" "0.5" "0.95" "40.9" <\DENSITY_WEIGHT_DECAY_NUM> <\PE_SCATTER>
     <PE_SATURATE> <NAME> "T" <\NAME> <PARAM_F_1> "2" <\PARAM_F_1> <SÄTTIGUNG> "0.3" <\SÄTTIGUNG> <\PE_SATURATE>
     <PE_BRIGHT> <NAME> "B" <\NAME> <LUMINANCE> "0.6" <\LUMINANCE> <\PE_BRIGHT>
     <PE_BLUR_BLOOM> <NAME> "U" <\NAME> <BLOOM> "0.8" <\BLOOM> <\PE_BLUR_BLOOM>
     <PE_BLOOM_COMBINE> <NAME> "C" <\NAME> <BLOOM> "0.4" <\BLOOM> <ORG_IMAGE_FAKTOR> "0.9" <\ORG_IMAGE_FAKTOR> <\PE_BLOOM_COMBINE>
     <PE_DOF> <NAME> "D" <\NAME> <FOCAL_PLANE> "0.5" <\FOCAL_PLANE> <BLUR> "0.1" <\BLUR> <\PE_DOF>
     <PE_DOF> <NAME> "E" <\NAME> <BLUR> "-0.5" <\BLUR> <\PE_DOF>)");
  auto w = Make(u"W");
  EXPECT_FLOAT_EQ(w->ParamF_1(), 8.0f / kW);
  EXPECT_EQ(w->ParamV4_1(), (platform::Vector4{1.0f, 2.0f, 0.0f, 0.0f}));
  auto l = Make(u"L");
  EXPECT_EQ(l->ParamV4_1(), (platform::Vector4{kH / kW, 0.5f, 0.3f, 0.7f}));
  EXPECT_EQ(l->ParamV4_2(), (platform::Vector4{0.5f, 0.25f, 0.0f, 0.0f}));
  auto s = Make(u"S");
  EXPECT_FLOAT_EQ(s->ParamF_1(), 0.4f);
  EXPECT_FLOAT_EQ(s->ParamF_2(), 0.1f);
  EXPECT_EQ(s->ParamV4_1(), (platform::Vector4{300.0f, 0.2f, 0.0f, 0.0f}));
  EXPECT_EQ(s->ParamV4_2(), (platform::Vector4{0.9f, 0.5f, 0.95f, 40.0f}));
  EXPECT_FLOAT_EQ(Make(u"T")->ParamF_1(), 0.3f);
  EXPECT_FLOAT_EQ(Make(u"B")->ParamF_1(), 0.6f);
  EXPECT_FLOAT_EQ(Make(u"U")->ParamF_1(), 0.8f);
  auto c = Make(u"C");
  EXPECT_FLOAT_EQ(c->ParamF_1(), 0.4f);
  EXPECT_FLOAT_EQ(c->ParamF_2(), 0.9f);

  auto d = Make(u"D"), e = Make(u"E");
  EXPECT_TRUE(d->IsEnabled());
  d->Update(0.0);
  e->Update(0.0);
  EXPECT_FALSE(d->IsEnabled());
  EXPECT_TRUE(e->IsEnabled());
  d->CallSetParamF_2(0.5f, nullptr);
  d->Update(0.0);
  EXPECT_TRUE(d->IsEnabled());

  std::ostringstream text;
  s->Describe(text, "> ");
  EXPECT_EQ(text.str(),
            "> "
            " Sunpos: 300 0.2\n> Density: 0.9 Weight:0.5\n> Decay: 0.95 NUM_SAMPLES:40\n"
            "> Exposure: 0.4 Offset:0.1\n");
}

TEST_F(PostEffects, LightFollowsTheMouseOnceAttached) {
  Load(
      uR"(<PE_LIGHT> <NAME> "L" <\NAME> <FX_NAME> "pe_light.fx" <\FX_NAME> <MOUSE_PARAMS> "0" "0" <\MOUSE_PARAMS> <\PE_LIGHT>)");
  run.input->SetMousePosition(320, 512);
  auto l = Make(u"L");
  l->Update(0.0);
  EXPECT_EQ(l->ParamV4_2(), (platform::Vector4{}));
  MyPostEffect* listed = l.release();
  library->ActivateEffect(listed);
  listed->Update(0.0);
  EXPECT_EQ(listed->ParamV4_2(), (platform::Vector4{0.25f, 0.5f, 0.0f, 0.0f}));
}

TEST_F(PostEffects, PassesShrinkTheQuadAndTheNextFrameStartsWhole) {
  Load(
      uR"(<POST_EFFECT> <NAME> "Half" <\NAME> <FX_NAME> "pe_copy.fx" <\FX_NAME> <SCALING> "0.5" "0.5" <\SCALING> <\POST_EFFECT>
           <POST_EFFECT> <NAME> "Grow" <\NAME> <FX_NAME> "pe_copy.fx" <\FX_NAME> <\POST_EFFECT>
           <PE_BRIGHT> <NAME> "Quarter" <\NAME> <FX_NAME> "pe_bright.fx" <\FX_NAME> <\PE_BRIGHT>)");
  library->SetLevel(&scene);
  MyPostEffect* half = Make(u"Half").release();
  MyPostEffect* quarter = Make(u"Quarter").release();
  MyPostEffect* grow = Make(u"Grow").release();
  library->ActivateEffect(half);
  library->ActivateEffect(quarter);
  library->ActivateEffect(grow);
  grow->SetScaling({0.125f, 0.125f}, true, nullptr);
  auto quads = Frame();
  EXPECT_EQ(scene.passes, 1);
  ASSERT_EQ(quads.size(), 3u);
  // Right edge after each pass: half, then the bright pass's own quarter, then 8 times that.
  EXPECT_FLOAT_EQ(quads[0].corners[1].x, (kW)*0.5f - 0.5f);
  EXPECT_FLOAT_EQ(quads[1].corners[1].x, (kW)*0.125f - 0.5f);
  EXPECT_FLOAT_EQ(quads[2].corners[3].y, (kH)*1.0f - 0.5f);
  auto& data = library->GetRenderData();
  EXPECT_FLOAT_EQ(data.scaleX, 1.0f);
  EXPECT_FLOAT_EQ(data.quad.v[1].u, 0.125f);
  // The next frame starts from the whole screen again.
  library->DeactivateEffect(quarter);
  library->DeactivateEffect(grow);
  delete quarter;
  delete grow;
  quads = Frame();
  ASSERT_EQ(quads.size(), 1u);
  EXPECT_FLOAT_EQ(quads[0].corners[1].x, kW * 0.5f - 0.5f);
  EXPECT_FLOAT_EQ(data.quad.v[1].u, 1.0f);
}

TEST_F(PostEffects, ARenderExtraThatDrawsNothingSkipsTheFrameAndTheCopyToOrg) {
  Load(
      uR"(<POST_EFFECT> <NAME> "X" <\NAME> <FX_NAME> "pe_copy.fx" <\FX_NAME> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL>
             <RENDER_EXTRA> "1" "MASKE" <\RENDER_EXTRA> <\POST_EFFECT>)");
  library->SetLevel(&scene);
  MyPostEffect* x = Make(u"X").release();
  library->ActivateEffect(x);
  EXPECT_EQ(Frame().size(), 1u);
  EXPECT_TRUE(x->MakesOriginal());
  scene.drawsExtra = u"ANDERS";
  EXPECT_EQ(Frame().size(), 0u);
  EXPECT_FALSE(x->WasRendered());
  EXPECT_FALSE(x->MakesOriginal());
}

TEST_F(PostEffects, WithoutASceneNothingIsDrawn) {
  Load(
      uR"(<POST_EFFECT> <NAME> "K" <\NAME> <FX_NAME> "pe_copy.fx" <\FX_NAME> <\POST_EFFECT> <ACTIVE_POSTEFFECTS> "K" <\ACTIVE_POSTEFFECTS>)");
  run.graphics->GetDevice()->ClearRecordedDraws();
  library->RenderActive();
  EXPECT_TRUE(run.graphics->GetDevice()->RecordedDraws().empty());
  EXPECT_EQ(run.graphics->GetDevice()->RenderTarget(), nullptr);
}

TEST_F(PostEffects, ResolutionChangesRemakeTheTargets) {
  MyPostEffectRenderData& data = library->GetRenderData();
  EXPECT_EQ(data.Width(), int32_t(kW));
  ASSERT_TRUE(data.IsComplete());
  run.graphics->ChangeMode(1024, 768, 60, kFormatX8R8G8B8, false);
  EXPECT_EQ(data.Org()->Width(), int32_t(run.graphics->GetScreenWidth()));
  EXPECT_FLOAT_EQ(data.quad.v[3].y, float(run.graphics->GetScreenHeight()) - 0.5f);
}

// The device refuses render targets while this lives.
struct RefusedTargets {
  RefusedTargets() { platform::RefuseRenderTargets(true); }
  ~RefusedTargets() { platform::RefuseRenderTargets(false); }
};

// Draws one white quad over the screen through the sprite renderer.
struct QuadScene : PostEffectScene {
  explicit QuadScene(APIGraphics* graphics) : graphics(graphics), white(1, 1) {}
  void RenderPass() override {
    ++passes;
    SpriteRenderer* sprites = graphics->GetSpriteRenderer();
    ASSERT_TRUE(Succeeded(sprites->Begin(SpriteRenderer::kAlphaBlend)));
    const Rect source{0, 0, 1, 1};
    const Rect screen = graphics->GetScreenRect();
    sprites->DrawRect(&white, &source, &screen, SpriteRenderer::kStretch, SpriteRenderer::kStretch,
                      0xFFFFFFFF);
    sprites->End();
  }
  bool RenderForEffect(const std::u16string&) override { return false; }
  APIGraphics* graphics;
  platform::Texture white;
  int passes = 0;
};

TEST_F(PostEffects, WithoutItsTargetsTheChainDrawsTheSceneDirectly) {
  Load(
      uR"(<PE_SATURATE> <NAME> "S" <\NAME> <FX_NAME> "pe_saturate.fx" <\FX_NAME> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL> <\PE_SATURATE>)");
  QuadScene quads(run.graphics.get());
  library->SetLevel(&quads);
  library->ActivateEffect(Make(u"S").release());
  platform::GraphicsDevice* device = run.graphics->GetDevice();
  MyPostEffectRenderData& data = library->GetRenderData();
  // Refused when the targets are made, or only when the frame wants to draw into them.
  for (bool remade : {true, false}) {
    SCOPED_TRACE(remade ? "refused when made" : "refused at the frame");
    {
      RefusedTargets refused;
      if (remade) {
        data.OnLostDevice();
        data.OnResetDevice();
        EXPECT_FALSE(data.IsComplete());
      }
      quads.passes = 0;
      device->ClearRecordedDraws();
      library->RenderActive();
      EXPECT_EQ(quads.passes, 1);
      // One quad: the scene's, into the back buffer; no pass ran and no old capture was shown.
      ASSERT_EQ(device->RecordedDraws().size(), 1u);
      EXPECT_EQ(device->RecordedDraws()[0].texture, &quads.white);
      EXPECT_EQ(device->RecordedDraws()[0].target, nullptr);
      EXPECT_EQ(device->RenderTarget(), nullptr);
    }

    // Once the device gives targets again (after the next reset), the chain runs.
    data.OnLostDevice();
    data.OnResetDevice();
    ASSERT_TRUE(data.IsComplete());
    device->ClearRecordedDraws();
    library->RenderActive();
    EXPECT_EQ(quads.passes, 2);
    ASSERT_FALSE(device->RecordedDraws().empty());
    EXPECT_EQ(device->RecordedDraws().front().target, data.Org()) << "the scene is captured";
    EXPECT_EQ(device->RecordedDraws().back().texture, data.Org()) << "the result is shown";
    EXPECT_EQ(device->RecordedDraws().back().target, nullptr);
  }
  library->SetLevel(nullptr);
}

TEST_F(PostEffects, GivenABackgroundTheChainClearsTheCallersTargetWhereItsPictureIsNotCopiedOverIt) {
  // The caller leaves its target uncleared when it gives a background: whatever way the frame
  // goes on the null device (which copies no target to the back buffer), no pixel of the last
  // frame may stay. Without a background the caller has cleared (or drawn) already.
  Load(
      uR"(<PE_SATURATE> <NAME> "S" <\NAME> <FX_NAME> "pe_saturate.fx" <\FX_NAME> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL> <\PE_SATURATE>)");
  QuadScene quads(run.graphics.get());
  library->ActivateEffect(Make(u"S").release());
  platform::GraphicsDevice* device = run.graphics->GetDevice();
  constexpr uint32_t kStale = 0xFF123456, kBackground = 0xFF0A141E;
  struct Case {
    const char* name;
    bool scene;
    bool refused;
    std::optional<uint32_t> background;
    uint32_t expected;
  };
  const Case cases[] = {
      {"the chain runs", true, false, kBackground, kBackground},
      {"its targets are refused", true, true, kBackground, kBackground},
      {"no scene", false, false, kBackground, kBackground},
      {"the chain runs, no background", true, false, std::nullopt, kStale},
      {"no scene, no background", false, false, std::nullopt, kStale},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    library->SetLevel(c.scene ? &quads : nullptr);
    ASSERT_TRUE(device->SetRenderTarget(nullptr));
    device->Clear(platform::kClearTarget, kStale, 1.0f, 0);
    {
      std::optional<RefusedTargets> refused;
      if (c.refused) refused.emplace();
      library->RenderActive(c.background);
    }
    EXPECT_EQ(device->RenderTarget(), nullptr);
    const std::vector<uint32_t> pixels = device->ReadPixels();
    ASSERT_FALSE(pixels.empty());
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), c.expected), std::ptrdiff_t(pixels.size()));
  }
  library->SetLevel(nullptr);
}

// The drunken-view tool as the weapon file names it, with the shipped effects: fired in a
// turn, its wobble and blur come on at the turn's end, blend in, run through the chain, and
// after its round blend out and leave the list.
TEST_F(PostEffects, TheEffectToolRunsItsWobbleAndBlurThroughTheChainForItsRound) {
  auto shipped = LoadKVFromArchive(u"PostEffects.efx", run.globals->GetArchive());
  ASSERT_NE(shipped, nullptr);
  library->Load(shipped.get(), run.globals->GetArchive());
  struct Thrower final : Objekt {
    Vector2 position{100.0f, 100.0f}, size{20.0f, 20.0f}, speed{};
    Vector2* GetPosition() override { return &position; }
    Vector2* GetSize() override { return &size; }
    Vector2* GetSpeed() override { return &speed; }
  } worm;
  struct OneTeam final : WaffenTeams {
    Mannschaft* team = nullptr;
    Mannschaft* TeamOf(const Objekt&) const override { return team; }
    Argb TeamColour(const Mannschaft*) const override { return 0xFFFFFFFF; }
    int32_t RoundNumber() const override { return 0; }
  } teams;
  Mannschaft team;
  teams.team = &team;
  WaffenTeams::Install(&teams);
  auto block = ParseBody(
      u"<TEXT_ID> \"W\" <\\TEXT_ID> <USES_PER_GAME> \"-1\" <\\USES_PER_GAME>"
      u" <EFFECT_INSTANZ> \"RAUSCH_WOBBLE\" \"RAUSCH_BLUR\" <\\EFFECT_INSTANZ>",
      u"POST_EFFECTS");
  std::unique_ptr<Waffe> weapon = WaffenSet::Create(u"POST_EFFECTS", block.get(), run.globals, &run.context);
  auto* tool = dynamic_cast<PostEffectWaffe*>(weapon.get());
  ASSERT_NE(tool, nullptr);
  ASSERT_EQ(tool->GetInstances().size(), 2u);
  tool->AddTeamRecord(&team);
  QuadScene quads(run.graphics.get());
  library->SetLevel(&quads);
  auto frames = [&](int n) {
    for (int i = 0; i < n; ++i) {
      library->UpdateActive(0.01);
      tool->Update(0.01);
    }
  };
  auto wobble = [&]() -> MyPostEffect* {
    for (MyPostEffect* e : library->GetActiveList())
      if (dynamic_cast<MyPE_Wobble*>(e)) return e;
    return nullptr;
  };
  auto mix = [&]() -> MyPostEffect* {
    for (MyPostEffect* e : library->GetActiveList())
      if (auto* c = dynamic_cast<MyPE_EffectCombination*>(e)) return c->FindEffect(u"RauschMix");
    return nullptr;
  };

  ASSERT_EQ(tool->Fire(worm, worm.position, {1.0f, 0.0f}, 1.0, {}), 1);
  frames(50);
  EXPECT_FALSE(library->HasActiveEffects()) << "nothing in the turn it was used";
  tool->Cancel();  // the turn ends: the weapon is put away
  ASSERT_EQ(library->GetActiveList().size(), 2u);
  ASSERT_NE(wobble(), nullptr);
  ASSERT_NE(mix(), nullptr);
  frames(75);
  EXPECT_NEAR(wobble()->ParamF_1(), 6.0f / kW, 1e-4f) << "half-way after half its blend";
  EXPECT_NEAR(mix()->ParamF_1(), 0.35f, 0.01f);
  frames(80);
  EXPECT_FLOAT_EQ(wobble()->ParamF_1(), 12.0f / kW);
  EXPECT_FLOAT_EQ(mix()->ParamF_1(), 0.7f);
  // The frame runs the blur's three passes and the wobble over the captured scene.
  const auto passes = Frame();
  EXPECT_EQ(quads.passes, 1);
  EXPECT_EQ(passes.size(), 4u);
  for (const auto& pass : passes) EXPECT_NE(pass.target, nullptr);

  tool->Cancel();  // the next turn ends: its one round is over
  for (const auto& instance : tool->GetInstances()) EXPECT_FALSE(instance->IsActive());
  frames(75);
  ASSERT_NE(wobble(), nullptr) << "still blending out";
  EXPECT_NEAR(wobble()->ParamF_1(), 6.0f / kW, 1e-4f);
  frames(80);
  EXPECT_FALSE(library->HasActiveEffects()) << "the battle is drawn directly again";
  library->SetLevel(nullptr);
  WaffenTeams::Install(nullptr);
}

// Every value of these keys anywhere below the node.
void CollectValues(const KVNode& node, const std::vector<std::u16string_view>& keys, bool allValues,
                   std::vector<std::u16string>& out) {
  for (const auto& child : node.Children()) {
    for (std::u16string_view key : keys)
      if (child->Name() == key)
        for (unsigned i = 0; i < (allValues ? child->GetValueCount() : std::min(1u, child->GetValueCount()));
             ++i)
          out.push_back(child->GetValue(i)->Text());
    CollectValues(*child, keys, allValues, out);
  }
}

// The shipped effects hold every section the settings, events, weapons and menus name, and
// every effect's file loads.
TEST_F(PostEffects, TheShippedEffectsHoldEveryNameTheGameAsksFor) {
  const DataArchive* archive = run.globals->GetArchive();
  auto shipped = LoadKVFromArchive(u"PostEffects.efx", archive);
  ASSERT_NE(shipped, nullptr);
  library->Load(shipped.get(), archive);

  std::vector<std::u16string> effects = {u"MenuBlur", u"Bloom", u"Tiefenschaerfe", u"Lichtstrahlen"};
  std::vector<std::u16string> instances = {u"RAUSCH_WOBBLE", u"RAUSCH_BLUR"};
  auto settings = LoadKVFromArchive(u"WorldSetting.wst", archive);
  ASSERT_NE(settings, nullptr);
  CollectValues(*settings, {u"POST_EFFECT", u"SCATTER_NAME", u"DOF_EFFECT"}, false, effects);
  for (const char16_t* file : {u"events.evt", u"waffen.waf"}) {
    auto doc = LoadKVFromArchive(file, archive);
    ASSERT_NE(doc, nullptr) << platform::U16ToUtf8(file);
    CollectValues(*doc, {u"REDNEREFFECT_ISTANZEN", u"EFFECT_INSTANZ"}, true, instances);
  }
  EXPECT_GT(effects.size(), 6u) << "the settings' level effects";
  for (const std::u16string& name : effects) EXPECT_NE(Make(name), nullptr) << platform::U16ToUtf8(name);
  for (const std::u16string& name : instances) {
    std::unique_ptr<PostEffectInstance> instance = library->CreateInstance(name);
    ASSERT_NE(instance, nullptr) << platform::U16ToUtf8(name);
    instance->Bind();
    EXPECT_NE(instance->GetAnimator(), nullptr) << platform::U16ToUtf8(name);
  }

  for (size_t i = 0; i < library->EffectTemplateCount(); ++i) {
    const std::u16string& name = library->GetEffectTemplate(i)->GetName();
    SCOPED_TRACE(platform::U16ToUtf8(name));
    std::unique_ptr<MyPostEffect> effect = Make(name);
    effect->SetLibrary(library);
    effect->Create();
    if (auto* combination = dynamic_cast<MyPE_EffectCombination*>(effect.get())) {
      EXPECT_EQ(combination->ChildCount(), combination->GetEffectNames().size()) << "every child known";
      for (size_t c = 0; c < combination->ChildCount(); ++c)
        EXPECT_TRUE(combination->GetChild(c)->IsCreated());
    } else {
      EXPECT_TRUE(effect->IsCreated()) << platform::U16ToUtf8(effect->GetFileName());
    }
  }

  // The pause screen's blur comes on over 0.3 s and leaves the list once blended out.
  std::unique_ptr<MyPostEffectAnimator> pause = library->CreateAnimator(u"BlurMenu");
  ASSERT_NE(pause, nullptr);
  pause->Attach();
  EXPECT_FALSE(library->HasActiveEffects());
  pause->Activate();
  ASSERT_EQ(library->GetActiveList().size(), 1u);
  auto* blur = dynamic_cast<MyPE_EffectCombination*>(library->GetActiveList()[0]);
  ASSERT_NE(blur, nullptr);
  const double step = 0.01;
  auto frames = [&](int n) {
    for (int f = 0; f < n; ++f) {
      library->UpdateActive(step);
      pause->Update(&step);
    }
  };
  frames(31);
  EXPECT_FLOAT_EQ(blur->FindEffect(u"MenuBlurMix")->ParamF_1(), 1.0f);
  pause->Deactivate();
  frames(32);
  EXPECT_FALSE(library->HasActiveEffects());
}

// --- combinations ---

const char16_t* kCombinations =
    uR"(
  <PE_BRIGHT> <NAME> "Br" <\NAME> <FX_NAME> "pe_bright.fx" <\FX_NAME> <\PE_BRIGHT>
  <PE_BLUR_BLOOM> <NAME> "Bl" <\NAME> <FX_NAME> "pe_blur.fx" <\FX_NAME> <\PE_BLUR_BLOOM>
  <PE_BLOOM_COMBINE> <NAME> "Co" <\NAME> <FX_NAME> "pe_bloomcombine.fx" <\FX_NAME> <ORG_IMAGE_FAKTOR> "1" <\ORG_IMAGE_FAKTOR> <\PE_BLOOM_COMBINE>
  <POST_EFFECT> <NAME> "Kaputt" <\NAME> <FX_NAME> "gibtsnicht.fx" <\FX_NAME> <\POST_EFFECT>
  <POST_EFFECT> <NAME> "Mix" <\NAME> <FX_NAME> "pe_mix.fx" <\FX_NAME> <MAKE_ORIGINAL> "1" <\MAKE_ORIGINAL> <\POST_EFFECT>
  <PE_DOF> <NAME> "D1" <\NAME> <FX_NAME> "pe_dof.fx" <\FX_NAME> <BLUR> "1" <\BLUR> <\PE_DOF>
  <PE_DOF> <NAME> "D2" <\NAME> <FX_NAME> "pe_dof.fx" <\FX_NAME> <BLUR> "1" <\BLUR> <\PE_DOF>
  <PE_COMBINATION> <NAME> "Bloom" <\NAME> <TYP> "BLOOM" <\TYP> <POST_EFFECT_LISTE> "Br" "Bl" "Co" "Br" "Unbekannt" <\POST_EFFECT_LISTE> <\PE_COMBINATION>
  <PE_COMBINATION> <NAME> "bloom" <\NAME> <TYP> "bloom" <\TYP> <POST_EFFECT_LISTE> "Br" <\POST_EFFECT_LISTE> <\PE_COMBINATION>
  <PE_COMBINATION> <NAME> "Halt" <\NAME> <POST_EFFECT_LISTE> "Br" "Kaputt" "Mix" <\POST_EFFECT_LISTE> <\PE_COMBINATION>
  <PE_COMBINATION> <NAME> "Weiter" <\NAME> <CANCEL_ON_FAILURE> "0" <\CANCEL_ON_FAILURE> <POST_EFFECT_LISTE> "Br" "Kaputt" "Mix" <\POST_EFFECT_LISTE> <\PE_COMBINATION>
  <PE_COMBINATION> <NAME> "Tiefe" <\NAME> <POST_EFFECT_LISTE> "D1" "Mix" "D2" "Mix" <\POST_EFFECT_LISTE> <\PE_COMBINATION>)";

TEST_F(PostEffects, BloomCombinationsRouteTheirFloatsToTheFirstChildOfTheKind) {
  Load(kCombinations);
  auto bloom = Make(u"Bloom");
  auto* combination = static_cast<MyPE_EffectCombination*>(bloom.get());
  EXPECT_EQ(combination->ChildCount(), 0u);
  EXPECT_EQ(combination->FindEffect(u"Br"), nullptr);
  std::ostringstream empty;
  combination->Describe(empty, "");
  EXPECT_EQ(empty.str(), "AnzEffects: 0\n");

  MyPostEffect* listed = bloom.release();
  library->ActivateEffect(listed);
  ASSERT_EQ(combination->ChildCount(), 4u);  // the unknown name is left out
  const double second = 1.0;
  combination->SetParamF_1(0.6f, nullptr);
  combination->SetParamF_2(0.8f, &second);
  listed->Update(0.5);
  EXPECT_FLOAT_EQ(combination->GetChild(0)->ParamF_1(), 0.6f);
  EXPECT_FLOAT_EQ(combination->GetChild(3)->ParamF_1(), 0.0f);
  EXPECT_FLOAT_EQ(combination->GetChild(2)->ParamF_1(), 0.4f);
  EXPECT_FLOAT_EQ(combination->GetChild(2)->ParamF_2(), 1.0f);
  EXPECT_FLOAT_EQ(combination->ParamF_1(), 0.0f);
  // The later of two children of one name.
  EXPECT_EQ(combination->FindEffect(u"Br"), combination->GetChild(3));

  auto lower = Make(u"bloom");
  auto* ordinary = static_cast<MyPE_EffectCombination*>(lower.get());
  MyPostEffect* l = lower.release();
  library->ActivateEffect(l);
  ordinary->SetParamF_1(0.6f, nullptr);
  EXPECT_FLOAT_EQ(ordinary->ParamF_1(), 0.6f);
  EXPECT_FLOAT_EQ(ordinary->GetChild(0)->ParamF_1(), 0.0f);
}

TEST_F(PostEffects, AFailedChildCancelsTheRestAndRestoresTheQuad) {
  Load(kCombinations);
  library->SetLevel(&scene);
  MyPostEffect* halt = Make(u"Halt").release();
  library->ActivateEffect(halt);
  auto quads = Frame();
  // The bright pass drew at a quarter; the failed child stopped the mix.
  ASSERT_EQ(quads.size(), 1u);
  EXPECT_FALSE(halt->WasRendered());
  auto& data = library->GetRenderData();
  EXPECT_FLOAT_EQ(data.scaleX, 1.0f);
  EXPECT_FLOAT_EQ(data.quad.v[1].x, kW - 0.5f);

  library->DeactivateEffect(halt);
  delete halt;
  MyPostEffect* weiter = Make(u"Weiter").release();
  library->ActivateEffect(weiter);
  quads = Frame();
  ASSERT_EQ(quads.size(), 2u);
  EXPECT_TRUE(weiter->WasRendered());
  EXPECT_TRUE(weiter->MakesOriginal());
  EXPECT_FLOAT_EQ(quads[1].corners[1].x, kW * 0.25f - 0.5f);
}

TEST_F(PostEffects, DepthOfFieldInsideACombination) {
  Load(kCombinations);
  auto tiefe = Make(u"Tiefe");
  auto* combination = static_cast<MyPE_EffectCombination*>(tiefe.get());
  EXPECT_EQ(combination->FindDOF(), nullptr);
  combination->SetLibrary(library);
  combination->Create();
  ASSERT_EQ(combination->ChildCount(), 4u);
  EXPECT_EQ(combination->FindDOF(), combination->GetChild(2));
  combination->Update(0.0);
  EXPECT_TRUE(combination->IsEnabled());
  combination->FindDOF()->CallSetParamF_2(0.05f, nullptr);
  combination->Update(0.0);
  EXPECT_FALSE(combination->IsEnabled());
  library->SetLevel(&scene);
  MyPostEffect* listed = tiefe.release();
  library->ActivateEffect(listed);
  EXPECT_TRUE(Frame().empty());
  std::ostringstream text;
  combination->Describe(text, "");
  EXPECT_EQ(text.str(), "AnzEffects: 4\n  FocalPlane: 0 Blur:1\n  FocalPlane: 0 Blur:0.05\n");
}

// --- animators ---

const char16_t* kAnimators =
    uR"(
  <PE_SATURATE> <NAME> "Sat" <\NAME> <FX_NAME> "pe_saturate.fx" <\FX_NAME> <SÄTTIGUNG> "1" <\SÄTTIGUNG> <\PE_SATURATE>
  <PE_WOBBLE> <NAME> "Wob" <\NAME> <FX_NAME> "pe_wobble.fx" <\FX_NAME> <\PE_WOBBLE>
  <PE_LIGHT> <NAME> "Lic" <\NAME> <FX_NAME> "pe_light.fx" <\FX_NAME> <\PE_LIGHT>
  <POST_EFFECT> <NAME> "A" <\NAME> <FX_NAME> "pe_copy.fx" <\FX_NAME> <\POST_EFFECT>
  <POST_EFFECT> <NAME> "B" <\NAME> <FX_NAME> "pe_copy.fx" <\FX_NAME> <\POST_EFFECT>
  <POST_EFFECT> <NAME> "C" <\NAME> <FX_NAME> "pe_copy.fx" <\FX_NAME> <\POST_EFFECT>
  <POST_EFFECT> <NAME> "M" <\NAME> <FX_NAME> "pe_mix.fx" <\FX_NAME> <\POST_EFFECT>
  <PE_COMBINATION> <NAME> "Blur" <\NAME> <POST_EFFECT_LISTE> "A" "M" <\POST_EFFECT_LISTE> <\PE_COMBINATION>
  <PEA_SATURATE> <NAME> "Flacker" <\NAME> <POSTEFFECT_NAME> "Sat" <\POSTEFFECT_NAME> <SATURATE_PARAMS_ACTIVE> "0.5" <\SATURATE_PARAMS_ACTIVE>
     <SATURATE_PARAMS_INACTIVE> "1" <\SATURATE_PARAMS_INACTIVE> <SATURATE_RAND_PARAMS_ACTIVE> "0.1" <\SATURATE_RAND_PARAMS_ACTIVE> <SPEED> "0" "0" "0.5" <\SPEED> <\PEA_SATURATE>
  <PEA_SATURATE> <NAME> "Langsam" <\NAME> <POSTEFFECT_NAME> "Sat" <\POSTEFFECT_NAME> <SATURATE_PARAMS_ACTIVE> "0" <\SATURATE_PARAMS_ACTIVE>
     <SATURATE_PARAMS_INACTIVE> "1" <\SATURATE_PARAMS_INACTIVE> <SPEED> "2" "0.5" <\SPEED> <\PEA_SATURATE>
  <PEA_SATURATE> <NAME> "Bleibt" <\NAME> <POSTEFFECT_NAME> "Sat" <\POSTEFFECT_NAME> <REMOVE_ON_INACTIVE> "0" <\REMOVE_ON_INACTIVE> <SPEED> "0" "0" <\SPEED> <\PEA_SATURATE>
  <PEA_SATURATE> <NAME> "Falsch" <\NAME> <POSTEFFECT_NAME> "Wob" <\POSTEFFECT_NAME> <\PEA_SATURATE>
  <PEA_WOBBLE> <NAME> "Wackel" <\NAME> <POSTEFFECT_NAME> "Wob" <\POSTEFFECT_NAME> <AMPLITUDE_ACTIVE> "16" <\AMPLITUDE_ACTIVE>
     <AMPLITUDE_INACTIVE> "0" <\AMPLITUDE_INACTIVE> <SPEED_TILING_PARAMS_ACTIVE> "1" "2" "3" "4" <\SPEED_TILING_PARAMS_ACTIVE>
     <SPEED_TILING_PARAMS_INACTIVE> "0" "0" "3" "4" <\SPEED_TILING_PARAMS_INACTIVE> <SPEED> "0" "0" <\SPEED> <\PEA_WOBBLE>
  <PEA_LIGHT> <NAME> "Hell" <\NAME> <POSTEFFECT_NAME> "Lic" <\POSTEFFECT_NAME> <LIGHT_PARAMS_ACTIVE> "640" "0.6" "0.2" <\LIGHT_PARAMS_ACTIVE>
     <LIGHT_PARAMS_INACTIVE> "1280" "1" "0.2" <\LIGHT_PARAMS_INACTIVE> <SPEED> "0" "0" <\SPEED> <\PEA_LIGHT>
  <PEA_SCALING> <NAME> "Skala" <\NAME> <POSTEFFECT_PREV_NAME> "A" <\POSTEFFECT_PREV_NAME> <POSTEFFECT_NAME> "B" <\POSTEFFECT_NAME>
     <POSTEFFECT_NEXT_NAME> "C" <\POSTEFFECT_NEXT_NAME> <SCALING_PARAMS_ACTIVE> "0.5" "0.5" <\SCALING_PARAMS_ACTIVE>
     <SCALING_PARAMS_INACTIVE> "1" "1" <\SCALING_PARAMS_INACTIVE> <SPEED> "1" "1" <\SPEED> <\PEA_SCALING>
  <PEA_BLUR> <NAME> "Unscharf" <\NAME> <POSTEFFECT_NAME> "Blur" <\POSTEFFECT_NAME> <BLUR_NAME> "M" <\BLUR_NAME> <SPEED> "1" "1" <\SPEED> <\PEA_BLUR>
  <PEA_BLUR> <NAME> "OhneKind" <\NAME> <POSTEFFECT_NAME> "Blur" <\POSTEFFECT_NAME> <BLUR_NAME> "Z" <\BLUR_NAME> <\PEA_BLUR>
  <POSTEFFECT_INSTANZ> <NAME> "Leer" <\NAME> <\POSTEFFECT_INSTANZ>
  <POSTEFFECT_INSTANZ> <NAME> "Zeit" <\NAME> <ANIMATOR_NAME> "Langsam" <\ANIMATOR_NAME> <TIMER_PARAMS> "1" "3" <\TIMER_PARAMS> <\POSTEFFECT_INSTANZ>
  <POSTEFFECT_INSTANZ> <NAME> "Runden" <\NAME> <ANIMATOR_NAME> "Wackel" <\ANIMATOR_NAME> <TIMER_PARAMS> "0" "0" <\TIMER_PARAMS> <ROUND_PARAMS> "1" "2" <\ROUND_PARAMS> <\POSTEFFECT_INSTANZ>)";

std::unique_ptr<MyPostEffectAnimator> Attached(PostEffectLibrary* library, const char16_t* name) {
  auto a = library->CreateAnimator(name);
  if (a) a->Attach();
  return a;
}

TEST_F(PostEffects, AnimatorsSwitchAtOnceAndLeaveTheListAfterTheBlendBack) {
  Load(kAnimators);
  const double step = 0.01;
  auto wackel = Attached(library, u"Wackel");
  MyPostEffect* wobble = wackel->GetEffect();
  ASSERT_NE(wobble, nullptr);
  EXPECT_FALSE(library->IsOnActiveList(wobble));
  const double two = 2.0;
  wackel->SetStrength(&two);
  wackel->Activate();
  EXPECT_TRUE(library->IsOnActiveList(wobble));
  EXPECT_FLOAT_EQ(wobble->ParamF_1(), 32.0f / kW);
  EXPECT_EQ(wobble->ParamV4_1(), (platform::Vector4{2.0f, 4.0f, 3.0f, 4.0f}));
  wackel->Deactivate();
  EXPECT_FLOAT_EQ(wobble->ParamF_1(), 0.0f);
  EXPECT_TRUE(library->IsOnActiveList(wobble));
  wackel->Update(&step);
  EXPECT_FALSE(library->IsOnActiveList(wobble));
  EXPECT_TRUE(wackel->IsFinished());

  // Without removal the effect stays listed; destroying the animator takes it off.
  auto bleibt = Attached(library, u"Bleibt");
  bleibt->Activate();
  bleibt->Deactivate();
  bleibt->Update(&step);
  EXPECT_TRUE(library->IsOnActiveList(bleibt->GetEffect()));
  bleibt.reset();
  EXPECT_FALSE(library->HasActiveEffects());

  // An effect of another kind is no effect for it.
  auto falsch = Attached(library, u"Falsch");
  EXPECT_EQ(falsch->GetEffect(), nullptr);
  falsch->Activate();
  EXPECT_TRUE(falsch->IsFinished());
  EXPECT_FALSE(library->HasActiveEffects());
}

TEST_F(PostEffects, BlendTimesAreSecondsOfTheEffectsOwnSteps) {
  Load(kAnimators);
  auto langsam = Attached(library, u"Langsam");
  MyPostEffect* sat = langsam->GetEffect();
  EXPECT_FLOAT_EQ(sat->ParamF_1(), 1.0f);
  langsam->Activate();
  // The listed effect is stepped by the list, once a frame; the animator does not step it
  // a second time.
  for (int i = 0; i < 100; ++i) {
    const double dt = 0.01;
    library->UpdateActive(dt);
    langsam->Update(&dt);
  }
  EXPECT_NEAR(sat->ParamF_1(), 0.5f, 1e-4f);
  langsam->Deactivate();
  for (int i = 0; i < 50; ++i) {
    const double dt = 0.01;
    library->UpdateActive(dt);
    langsam->Update(&dt);
  }
  EXPECT_NEAR(sat->ParamF_1(), 1.0f, 1e-4f);
  EXPECT_FALSE(library->IsOnActiveList(sat));
}

TEST_F(PostEffects, SaturationFlickersAroundTheStrengthenedValue) {
  Load(kAnimators);
  auto flacker = Attached(library, u"Flacker");
  MyPostEffect* sat = flacker->GetEffect();
  const double two = 2.0;
  flacker->SetStrength(&two);
  flacker->Activate();
  EXPECT_FLOAT_EQ(sat->ParamF_1(), 1.0f);
  float low = 10.0f, high = -10.0f;
  for (int i = 0; i < 2000; ++i) {
    const double dt = 0.01;
    library->UpdateActive(dt);
    flacker->Update(&dt);
    low = std::min(low, sat->ParamF_1());
    high = std::max(high, sat->ParamF_1());
  }
  EXPECT_GE(low, 0.8f - 1e-5f);
  EXPECT_LE(high, 1.2f + 1e-5f);
  EXPECT_LT(low, 0.95f);
  EXPECT_GT(high, 1.05f);
}

TEST_F(PostEffects, LightStrengthBrightensTheOutside) {
  Load(kAnimators);
  const struct {
    double strength;
    float z;
  } cases[] = {{1.0, 0.6f}, {0.5, 0.8f}, {0.0, 1.0f}};
  for (const auto& c : cases) {
    auto hell = Attached(library, u"Hell");
    EXPECT_FLOAT_EQ(hell->GetEffect()->ParamV4_1().z, 1.0f);
    hell->SetStrength(&c.strength);
    hell->Activate();
    const platform::Vector4 v = hell->GetEffect()->ParamV4_1();
    EXPECT_FLOAT_EQ(v.z, c.z) << c.strength;
    EXPECT_FLOAT_EQ(v.x, kH / kW);
    EXPECT_FLOAT_EQ(v.y, 0.5f);
  }
  auto hell = Attached(library, u"Hell");
  const double half = 0.5;
  hell->SetStrength(&half);
  hell->AddStrength(&half);
  EXPECT_FLOAT_EQ(static_cast<PEA_Light*>(hell.get())->GetStrength(), 1.0f);
}

TEST_F(PostEffects, ScalingRunsThreeEffectsAndBlurDrivesAChild) {
  Load(kAnimators);
  auto skala = Attached(library, u"Skala");
  const double ignored = 3.0;
  skala->SetStrength(&ignored);
  skala->Activate();
  const auto& list = library->GetActiveList();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0], skala->GetPreviousEffect());
  EXPECT_EQ(list[1], skala->GetEffect());
  EXPECT_EQ(list[2], skala->GetNextEffect());
  EXPECT_EQ(list[0]->GetName(), u"A");
  skala->Deactivate();
  for (int i = 0; i < 101; ++i) {
    const double dt = 0.01;
    library->UpdateActive(dt);
    skala->Update(&dt);
  }
  EXPECT_FALSE(library->HasActiveEffects());

  auto unscharf = Attached(library, u"Unscharf");
  auto* blur = static_cast<MyPE_EffectCombination*>(unscharf->GetEffect());
  ASSERT_NE(blur, nullptr);
  EXPECT_FALSE(library->IsOnActiveList(blur));
  EXPECT_EQ(blur->ChildCount(), 2u);
  unscharf->Activate();
  EXPECT_TRUE(unscharf->IsActive());
  library->UpdateActive(0.5);
  EXPECT_FLOAT_EQ(blur->FindEffect(u"M")->ParamF_1(), 0.5f);
  EXPECT_FALSE(unscharf->IsFinished());

  auto ohne = Attached(library, u"OhneKind");
  ohne->Activate();
  EXPECT_FALSE(ohne->IsActive());
  EXPECT_TRUE(library->IsOnActiveList(ohne->GetEffect()));
  EXPECT_TRUE(ohne->IsFinished());
}

TEST_F(PostEffects, TwoCopiesOfAnAnimatorHoldTwoEffects) {
  Load(kAnimators);
  auto a = Attached(library, u"Wackel");
  auto b = Attached(library, u"Wackel");
  EXPECT_NE(a->GetEffect(), b->GetEffect());
  a->Activate();
  b->Activate();
  EXPECT_EQ(library->GetActiveList().size(), 2u);
  auto c = a->Clone();
  EXPECT_FALSE(c->IsOnList());
  EXPECT_NE(c->GetEffect(), a->GetEffect());
}

// --- instances ---

TEST_F(PostEffects, InstanceWithoutKeysIsTimedForTenSeconds) {
  Load(kAnimators);
  auto leer = library->CreateInstance(u"Leer");
  EXPECT_TRUE(leer->IsTimed());
  EXPECT_DOUBLE_EQ(leer->GetDuration(), 10.0);
  EXPECT_FALSE(leer->IsCounted());
  leer->Bind();
  EXPECT_EQ(leer->GetAnimator(), nullptr);
  leer->Start();
  const double dt = 9.99;
  leer->Update(&dt);
  EXPECT_TRUE(leer->IsActive());
  const double more = 0.01;
  leer->Update(&more);
  EXPECT_FALSE(leer->IsActive());
  EXPECT_TRUE(leer->IsFinished());
}

TEST_F(PostEffects, AWormsInstanceCollectsItsTimeOverTurns) {
  Load(kAnimators);
  auto zeit = library->CreateInstance(u"Zeit");
  zeit->Bind();
  ASSERT_NE(zeit->GetAnimator(), nullptr);
  const double strength = 0.5;
  zeit->Arm();
  zeit->SetStrength(&strength);
  EXPECT_FALSE(zeit->IsFinished());
  auto frames = [&](int n) {
    for (int i = 0; i < n; ++i) {
      const double dt = 0.01;
      library->UpdateActive(dt);
      zeit->Update(&dt);
    }
  };
  // First turn: 2 s shown, then stopped.
  zeit->StartIfDue();
  zeit->AddRound();
  frames(200);
  EXPECT_TRUE(zeit->IsActive());
  EXPECT_NEAR(zeit->GetAnimator()->GetEffect()->ParamF_1(), 0.0f, 1e-4f);
  zeit->Stop();
  EXPECT_FALSE(zeit->IsFinished());  // time left and the effect blending back
  frames(100);
  // Next turn: one more second of active time ends it.
  zeit->StartIfDue();
  EXPECT_TRUE(zeit->IsActive());
  frames(99);
  EXPECT_TRUE(zeit->IsActive());
  frames(2);
  EXPECT_FALSE(zeit->IsActive());
  EXPECT_FALSE(zeit->IsFinished());  // still blending back
  frames(60);
  EXPECT_TRUE(zeit->IsFinished());
  // A second hit on an instance the worm holds raises the strength and re-arms it.
  zeit->Arm();
  zeit->AddStrength(&strength);
  EXPECT_FALSE(zeit->IsFinished());
  EXPECT_FLOAT_EQ(static_cast<PEA_Saturate*>(zeit->GetAnimator())->GetStrength(), 1.0f);
}

TEST_F(PostEffects, AWeaponsInstanceCountsDeselections) {
  Load(kAnimators);
  auto runden = library->CreateInstance(u"Runden");
  runden->Bind();
  runden->CountRound();  // inactive: only counts
  EXPECT_FALSE(runden->IsActive());
  runden->Start();  // first deselection after firing
  EXPECT_EQ(runden->GetRounds(), 0);
  runden->SetRoundLimit(5);  // ignored while active
  EXPECT_EQ(runden->GetRoundLimit(), 2);
  runden->CountRound();
  EXPECT_TRUE(runden->IsActive());
  runden->CountRound();
  EXPECT_FALSE(runden->IsActive());
  EXPECT_EQ(runden->GetRounds(), 2);
  runden->SetRoundLimit(5);
  EXPECT_EQ(runden->GetRoundLimit(), 5);
  auto copy = runden->Clone();
  EXPECT_NE(copy->GetAnimator(), runden->GetAnimator());
  EXPECT_EQ(copy->GetRounds(), 2);
}

TEST_F(PostEffects, LevelEffectsSwitchOnWithTheirParameters) {
  Load(kCombinations);
  auto setting =
      Doc(uR"(<POST_EFFECT> "Bloom" <F1> "0.6" <\F1> <F2> "0.3" <\F2> <\POST_EFFECT>
                          <POST_EFFECT> "Unbekannt" <\POST_EFFECT> <POST_EFFECT> "Mix" <F1> "0.25" <\F1> <\POST_EFFECT>)");
  std::vector<SettingPostEffect> entries;
  for (unsigned i = 0; i < 3; ++i) entries.emplace_back(setting->GetChild(i, u"POST_EFFECT"));
  {
    LevelEffects effects(library);
    effects.Apply(entries);
    ASSERT_EQ(effects.Effects().size(), 2u);
    EXPECT_EQ(library->GetActiveList(), effects.Effects());
    auto* bloom = static_cast<MyPE_EffectCombination*>(effects.Effects()[0]);
    EXPECT_FLOAT_EQ(bloom->GetChild(0)->ParamF_1(), 0.6f);
    EXPECT_FLOAT_EQ(bloom->GetChild(2)->ParamF_1(), 0.3f);
    EXPECT_FLOAT_EQ(effects.Effects()[1]->ParamF_1(), 0.25f);
  }
  EXPECT_FALSE(library->HasActiveEffects());
}

}  // namespace

namespace {

TEST_F(PostEffects, TheCameraSwitchesOnLightRaysAndDepthOfFieldOfTheRightKinds) {
  Load(std::u16string(kCombinations) +
       uR"(
    <PE_SCATTER> <NAME> "Strahlen" <\NAME> <FX_NAME> "pe_scatter.fx" <\FX_NAME> <\PE_SCATTER>
    <PE_COMBINATION> <NAME> "StrahlenKlein" <\NAME> <POST_EFFECT_LISTE> "Strahlen" "Co" <\POST_EFFECT_LISTE> <\PE_COMBINATION>)");
  EXPECT_FALSE(library->StartScatter(u"Mix", {0.5f, 0.5f}));
  EXPECT_FALSE(library->StartDepthOfField(u"Bloom"));  // a combination without a depth of field
  EXPECT_FALSE(library->StartDepthOfField(u"D1"));     // a depth of field outside a combination
  EXPECT_FALSE(library->HasActiveEffects());
  EXPECT_FALSE(library->StartScatter(u"Bloom", {0.5f, 0.5f}));  // a combination without rays
  EXPECT_FALSE(library->HasActiveEffects());
  // Rays scattered by one child of a combination and laid over the picture by the next: the
  // sun goes to the scattering child, and the combination is what runs.
  ASSERT_TRUE(library->StartScatter(u"StrahlenKlein", {0.25f, 0.3f}));
  auto* small = static_cast<MyPE_EffectCombination*>(library->GetScatter());
  EXPECT_EQ(small->GetName(), u"StrahlenKlein");
  ASSERT_EQ(small->ChildCount(), 2u);
  EXPECT_EQ(small->FindScatter(), small->GetChild(0));
  EXPECT_EQ(small->GetChild(0)->ParamV4_1(), (platform::Vector4{0.25f, 0.3f, 0.0f, 0.0f}));
  EXPECT_EQ(library->GetActiveList(), std::vector<MyPostEffect*>{small});
  ASSERT_TRUE(library->StartScatter(u"Strahlen", {0.75f, 0.1f}));
  EXPECT_EQ(library->GetActiveList(), std::vector<MyPostEffect*>{library->GetScatter()});
  EXPECT_EQ(library->GetScatter()->ParamV4_1(), (platform::Vector4{0.75f, 0.1f, 0.0f, 0.0f}));
  ASSERT_TRUE(library->StartDepthOfField(u"Tiefe"));
  library->SetFocalPlane(2.5f);
  EXPECT_FLOAT_EQ(library->GetDepthOfField()->FindDOF()->ParamF_2(), 2.5f);
  EXPECT_FLOAT_EQ(library->GetDepthOfField()->GetChild(0)->ParamF_2(), 1.0f);
  SettingPostEffect mix;
  mix.effectName = u"Mix";
  EXPECT_TRUE(library->StartLevelEffect(mix));
  mix.effectName = u"Unbekannt";
  EXPECT_FALSE(library->StartLevelEffect(mix));
  EXPECT_EQ(library->GetActiveList().size(), 3u);
  library->StopLevelEffects();
  EXPECT_FALSE(library->HasActiveEffects());
  EXPECT_EQ(library->GetScatter(), nullptr);
}

}  // namespace
