// Effects on OpenGL, checked on read-back pixels: the copy effect of the archive, parameters
// set by name and committed, the pixel-to-texel conversion reaching the shader, the sprite
// renderer's effect mode, compile errors, and the device's own drawing after a pass.
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/effect.h"
#include "engine/effectfile.h"
#include "engine/kvnode.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/window.h"
#include "support/temp_dir.h"

namespace {

constexpr int kW = 64, kH = 48;

class GlEffects : public ::testing::Test {
 protected:
  void SetUp() override {
    DisplayEnvironment env;
    env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, env);
    std::string error;
    window = platform::Window::Create(u"effects", 1024, 768, &error);
    ASSERT_NE(window, nullptr) << error;
    context.mainWindow = window.get();
    ASSERT_EQ(graphics->Create(), kResultOk);
    device = graphics->GetDevice();
    archive = DataArchive::Open(DataArchive::Locate());
    ASSERT_NE(archive, nullptr) << "the game's archive (KRUMBOLT_GOB)";
    source = std::make_shared<platform::Texture>(kW, kH);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        source->MutablePixels()[y * kW + x] =
            0xFF000000u | uint32_t(x * 4 << 16) | uint32_t(y * 5 << 8) | uint32_t((x * 7 + y * 3) & 0xFF);
    source->MarkAllDirty();
    target = std::make_shared<platform::Texture>(kW, kH, 1, platform::kUsageRenderTarget);
  }

  void TearDown() override {
    if (graphics) graphics->Release();
  }

  // An effect made from the text of an effect file's body.
  std::unique_ptr<platform::Effect> Make(const std::u16string& body) {
    auto root = ParseKVText(u"<>\n \t<\\>\n<EFFECT>" + body + u"<\\EFFECT>\n");
    platform::EffectDescription d;
    std::string error;
    EXPECT_TRUE(ReadEffectDescription(*root, &d, &error)) << error;
    auto effect = device->CreateEffect(d, &error);
    EXPECT_NE(effect, nullptr) << error;
    return effect;
  }

  // The full-target quad of the post-effect chain: corners half a pixel outside the pixel
  // centres, the source region in the first coordinates, the whole target in the second.
  static platform::SpriteQuad FullQuad(float w, float h) {
    platform::SpriteQuad q;
    const float xs[4] = {-0.5f, w - 0.5f, -0.5f, w - 0.5f}, ys[4] = {-0.5f, -0.5f, h - 0.5f, h - 0.5f};
    for (int i = 0; i < 4; ++i) {
      q.v[i].x = xs[i];
      q.v[i].y = ys[i];
      q.v[i].u = q.v[i].s = float(i & 1);
      q.v[i].v = q.v[i].t = float(i >> 1);
    }
    return q;
  }

  // Runs every pass of the current technique over the target with the source bound.
  std::vector<uint32_t> Run(platform::Effect& effect) {
    EXPECT_TRUE(device->SetRenderTarget(target.get()));
    device->Clear(platform::kClearTarget, 0xFF000000, 1.0f, 0);
    effect.SetTexture(effect.GetParameterByName("g_Textur_SRC"), source.get());
    uint32_t passes = 0;
    EXPECT_TRUE(effect.Begin(&passes));
    for (uint32_t p = 0; p < passes; ++p) {
      effect.BeginPass(p);
      device->DrawPreTransformedQuad(nullptr, FullQuad(kW, kH), effect.PassState(), int(p));
      effect.EndPass();
    }
    effect.End();
    auto pixels = device->ReadPixels();
    device->SetRenderTarget(nullptr);
    return pixels;
  }

  uint32_t Source(int x, int y) const { return source->PixelAt(x, y); }

  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  std::unique_ptr<platform::Window> window;
  platform::GraphicsDevice* device = nullptr;
  std::unique_ptr<DataArchive> archive;
  std::shared_ptr<platform::Texture> source;
  std::shared_ptr<platform::Texture> target;
};

int Channel(uint32_t argb, int shift) { return int((argb >> shift) & 0xFF); }

}  // namespace

TEST_F(GlEffects, CopyEffectReproducesEverySourcePixel) {
  Effect* copy = graphics->GetEffectCache()->Get(u"pe_copy.fx", nullptr, archive.get());
  ASSERT_NE(copy->GetEffect(), nullptr);
  platform::Effect& e = *copy->GetEffect();
  ASSERT_TRUE(e.SetTechnique(e.GetTechniqueByName("RenderPost")));
  auto pixels = Run(e);
  ASSERT_EQ(pixels.size(), size_t(kW * kH));
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) ASSERT_EQ(pixels[size_t(y * kW + x)], Source(x, y)) << x << "," << y;
}

TEST_F(GlEffects, AnInvertingEffectFileTurnsEveryPixelIntoItsOpposite) {
  // Half of the columns half transparent: the pass keeps alpha as it is.
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; x += 2) source->MutablePixels()[y * kW + x] &= 0x80FFFFFFu;
  source->MarkAllDirty();
  const std::u16string file = platform::Utf8ToU16(std::string(KRUMBOLT_FIXTURES) + "/invert.fx");
  Effect* invert = graphics->GetEffectCache()->Get(file, nullptr, nullptr);
  ASSERT_NE(invert->GetEffect(), nullptr);
  platform::Effect& e = *invert->GetEffect();
  ASSERT_TRUE(e.SetTechnique(e.GetTechniqueByName("Invert")));
  auto pixels = Run(e);
  ASSERT_EQ(pixels.size(), size_t(kW * kH));
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const uint32_t in = Source(x, y);
      ASSERT_EQ(pixels[size_t(y * kW + x)], (in & 0xFF000000u) | (~in & 0x00FFFFFFu)) << x << "," << y;
    }
}

TEST_F(GlEffects, ParametersSetByNameReachTheShaderWhenCommitted) {
  auto e = Make(
      u"<SAMPLER> <NAME> \"g_Textur_SRC\" <\\NAME> <FILTER> \"POINT\" <\\FILTER> <\\SAMPLER>"
      u"<TECHNIQUE> <NAME> \"RenderPost\" <\\NAME> <PASS> <FRAGMENT> \""
      u"void main() { o_Color = texture(g_Textur_SRC, v_Tex0) * g_Vec4_Param1; }\" <\\FRAGMENT>"
      u"<\\PASS> <\\TECHNIQUE>");
  ASSERT_NE(e, nullptr);
  platform::EffectHandle tint = e->GetParameterByName("g_Vec4_Param1");
  ASSERT_TRUE(e->SetVector(tint, {1.0f, 0.5f, 0.0f, 1.0f}));
  auto pixels = Run(*e);
  uint32_t in = Source(10, 20), out = pixels[size_t(20 * kW + 10)];
  EXPECT_EQ(Channel(out, 16), Channel(in, 16));
  EXPECT_NEAR(Channel(out, 8), Channel(in, 8) / 2, 1);
  EXPECT_EQ(Channel(out, 0), 0);

  // Inside a pass a change waits for CommitChanges.
  ASSERT_TRUE(device->SetRenderTarget(target.get()));
  uint32_t passes = 0;
  e->Begin(&passes);
  e->BeginPass(0);
  e->SetVector(tint, {0.0f, 0.0f, 1.0f, 1.0f});
  device->DrawPreTransformedQuad(nullptr, FullQuad(kW, kH), e->PassState(), 0);
  uint32_t before = device->ReadPixels()[size_t(20 * kW + 10)];
  e->CommitChanges();
  device->DrawPreTransformedQuad(nullptr, FullQuad(kW, kH), e->PassState(), 0);
  uint32_t after = device->ReadPixels()[size_t(20 * kW + 10)];
  e->EndPass();
  e->End();
  device->SetRenderTarget(nullptr);
  EXPECT_EQ(before, out);
  EXPECT_EQ(after, 0xFF000000u | uint32_t(Channel(in, 0)));
}

TEST_F(GlEffects, AFilteredTextureDrawnSmallerReadsItsMipLevelsAndARenderTargetItsOwnTexels) {
  auto e = Make(
      u"<SAMPLER> <NAME> \"g_Textur_SRC\" <\\NAME> <FILTER> \"LINEAR\" <\\FILTER> <\\SAMPLER>"
      u"<TECHNIQUE> <PASS> <FRAGMENT> \"void main() { o_Color = texture(g_Textur_SRC, v_Tex0); }\""
      u"<\\FRAGMENT> <\\PASS> <\\TECHNIQUE>");
  ASSERT_NE(e, nullptr);
  // One white column in four. At a quarter of the size each pixel's centre falls between
  // two black columns of the full picture, while the quarter level holds their average.
  auto striped = std::make_shared<platform::Texture>(kW, kH, 0);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) striped->MutablePixels()[y * kW + x] = x % 4 == 0 ? 0xFFFFFFFFu : 0xFF000000u;
  striped->MarkAllDirty();
  ASSERT_GT(striped->Levels(), 2);
  // The same columns copied into a render target, which has one level.
  Effect* copy = graphics->GetEffectCache()->Get(u"pe_copy.fx", nullptr, archive.get());
  ASSERT_NE(copy->GetEffect(), nullptr);
  source = striped;
  Run(*copy->GetEffect());
  auto small = std::make_shared<platform::Texture>(kW, kH, 1, platform::kUsageRenderTarget);

  auto quarter = [&](platform::Texture* picture) {
    EXPECT_TRUE(device->SetRenderTarget(small.get()));
    device->Clear(platform::kClearTarget, 0xFF808080, 1.0f, 0);
    e->SetTexture(e->GetParameterByName("g_Textur_SRC"), picture);
    uint32_t passes = 0;
    e->Begin(&passes);
    e->BeginPass(0);
    device->DrawPreTransformedQuad(nullptr, FullQuad(kW / 4, kH / 4), e->PassState(), 0);
    e->EndPass();
    e->End();
    const uint32_t p = device->ReadPixels()[size_t(5 * kW + 7)];
    device->SetRenderTarget(nullptr);
    return p;
  };
  EXPECT_NEAR(Channel(quarter(striped.get()), 8), 64, 8) << "the quarter level: one white column in four";
  EXPECT_EQ(quarter(target.get()), 0xFF000000u) << "one level: the two black columns around the centre";
}

TEST_F(GlEffects, BuiltInsGiveTheTargetSizeAndTheValidSourceRegion) {
  auto e = Make(
      u"<TECHNIQUE> <PASS> <FRAGMENT> \""
      u"void main() { o_Color = vec4(u_SrcScale, u_Screen / 256.0); }\" <\\FRAGMENT> <\\PASS> <\\TECHNIQUE>");
  ASSERT_NE(e, nullptr);
  e->SetSourceRegion(0.5f, 0.25f);
  uint32_t p = Run(*e)[0];
  EXPECT_NEAR(Channel(p, 16), 128, 1);
  EXPECT_NEAR(Channel(p, 8), 64, 1);
  EXPECT_NEAR(Channel(p, 0), kW, 1);
  EXPECT_NEAR(Channel(p, 24), kH, 1);
}

TEST_F(GlEffects, ConvertedTexelOffsetsShiftTheSampledPicture) {
  auto e = Make(
      u"<PARAM> <NAME> \"g_OffsetsPixels\" <\\NAME> <TYPE> \"vec2\" <\\TYPE> <COUNT> \"2\" <\\COUNT>"
      u"  <VALUE> \"3\" \"0\" \"0\" \"2\" <\\VALUE> <\\PARAM>"
      u"<PARAM> <NAME> \"g_Offsets\" <\\NAME> <TYPE> \"vec2\" <\\TYPE> <COUNT> \"2\" <\\COUNT>"
      u"  <ANNOTATION> \"ConvertPixelsToTexels\" \"string\" \"g_OffsetsPixels\" <\\ANNOTATION> <\\PARAM>"
      u"<SAMPLER> <NAME> \"g_Textur_SRC\" <\\NAME> <FILTER> \"POINT\" <\\FILTER> <\\SAMPLER>"
      u"<TECHNIQUE> <NAME> \"RenderPost\" <\\NAME> <PASS> <FRAGMENT> \""
      u"void main() { o_Color = texture(g_Textur_SRC, v_Tex0 + g_Offsets[0] + g_Offsets[1]); }\""
      u"<\\FRAGMENT> <\\PASS> <\\TECHNIQUE>");
  ASSERT_NE(e, nullptr);
  for (uint32_t i = 0; platform::EffectHandle p = e->GetParameter(i); ++i) {
    std::string name;
    if (!e->GetString(e->GetAnnotationByName(p, "ConvertPixelsToTexels"), &name)) continue;
    platform::EffectHandle from = e->GetParameterByName(name);
    platform::EffectParameterInfo info;
    ASSERT_TRUE(e->GetParameterDesc(from, &info));
    uint32_t n = info.bytes / 8;
    std::vector<platform::Vector4> v(n);
    ASSERT_TRUE(e->GetVectorArray(from, v.data(), n));
    for (auto& x : v) x = {x.x / float(kW), x.y / float(kH), x.z, x.w};
    ASSERT_TRUE(e->SetVectorArray(p, v.data(), n));
  }
  auto pixels = Run(*e);
  // Three pixels right and two down.
  for (int y = 0; y < kH - 2; y += 7)
    for (int x = 0; x < kW - 3; x += 5)
      EXPECT_EQ(pixels[size_t(y * kW + x)], Source(x + 3, y + 2)) << x << "," << y;
}

TEST_F(GlEffects, SpriteModeThroughTheEffectMatchesPlainSprites) {
  Effect* extra = graphics->GetEffectCache()->Get(u"sprite_extra.fx", nullptr, archive.get());
  ASSERT_NE(extra->GetEffect(), nullptr);
  platform::Effect& e = *extra->GetEffect();
  // Three flat areas: opaque on the left, half transparent top right, fully transparent
  // bottom right.
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      source->MutablePixels()[y * kW + x] = x < kW / 2 ? 0xFF3070B0 : y < kH / 2 ? 0x80C02010 : 0x00FFFFFF;
  source->MarkAllDirty();
  SpriteRenderer* sprites = graphics->GetSpriteRenderer();
  Rect src{0, 0, kW, kH};
  const Argb colour = 0xFFFF8040;

  device->Clear(platform::kClearTarget, 0xFF204060, 1.0f, 0);
  Vector2 plainAt(10, 20), effectAt(110, 20);
  ASSERT_EQ(sprites->Begin(SpriteRenderer::kAlphaBlend), kResultOk);
  sprites->DrawTransformed(source.get(), &src, nullptr, nullptr, 0.0, &plainAt, colour);
  ASSERT_EQ(sprites->End(), kResultOk);
  sprites->effect = extra;
  uint32_t passes = 0;
  ASSERT_TRUE(e.Begin(&passes));
  ASSERT_TRUE(e.BeginPass(0));
  EXPECT_EQ(sprites->Begin(SpriteRenderer::kAlphaBlend), kResultOk);
  EXPECT_TRUE(sprites->DrawTransformed(source.get(), &src, nullptr, nullptr, 0.0, &effectAt, colour));
  EXPECT_EQ(sprites->End(), kResultOk);
  e.EndPass();
  e.End();
  sprites->effect = nullptr;

  // Effect quads keep pixel centres at integer coordinates, so they sample half a texel up
  // and left of plain sprites: only the insides of the flat areas compare.
  auto pixels = device->ReadPixels();
  auto at = [&](int x, int y) { return pixels[size_t(y) * 1024 + size_t(x)]; };
  auto inside = [](int v, int size) { return v > 0 && v < size - 1 && v != size / 2 && v != size / 2 - 1; };
  int worst = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      if (inside(x, kW) && inside(y, kH))
        for (int shift : {0, 8, 16, 24})
          worst = std::max(
              worst, std::abs(Channel(at(10 + x, 20 + y), shift) - Channel(at(110 + x, 20 + y), shift)));
  EXPECT_LE(worst, 1);
  EXPECT_EQ(at(110 + 50, 20 + 40), 0xFF204060u) << "transparent texels draw nothing";
  uint32_t opaque = at(110 + 5, 20 + 5);
  EXPECT_EQ(Channel(opaque, 16), 0x30) << "red times 1";
  EXPECT_NEAR(Channel(opaque, 8), 0x70 * 0x80 / 255, 1) << "green times 0x80/255";
  EXPECT_NEAR(Channel(opaque, 0), 0xB0 * 0x40 / 255, 1) << "blue times 0x40/255";
  EXPECT_NEAR(Channel(at(110 + 50, 20 + 5), 16), (0xC0 * 0x80 + 0x20 * 0x7F) / 255, 1) << "half blended";
}

TEST_F(GlEffects, ShaderErrorsGiveACachedNullEffectAndALog) {
  TempDir dir;
  std::string file =
      "<>\n \t<\\>\n<EFFECT><TECHNIQUE> <PASS> <NAME> \"Bad\" <\\NAME>"
      " <FRAGMENT> \"void main() { o_Color = undeclared; }\" <\\FRAGMENT> <\\PASS> <\\TECHNIQUE><\\EFFECT>\n";
  std::u16string path = dir.File("bad.fx");
  ASSERT_TRUE(platform::WriteFileAtomic(path, std::vector<uint8_t>(file.begin(), file.end())));
  EffectCache* cache = graphics->GetEffectCache();
  testing::internal::CaptureStderr();
  Effect* bad = cache->Get(path, nullptr, nullptr);
  std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(bad->GetEffect(), nullptr);
  EXPECT_NE(log.find("pass \"Bad\": fragment stage"), std::string::npos) << log;
  testing::internal::CaptureStderr();
  EXPECT_EQ(cache->Get(path, nullptr, nullptr), bad);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "no second compile";
}

TEST_F(GlEffects, TheDeviceDrawsAsBeforeAfterAPass) {
  // A pass that leaves unusual state behind if it could: minimum blending, point sampling
  // and a second texture unit in use.
  auto e = Make(
      u"<PARAM> <NAME> \"g_Other\" <\\NAME> <TYPE> \"texture\" <\\TYPE> <\\PARAM>"
      u"<SAMPLER> <NAME> \"g_Textur_SRC\" <\\NAME> <FILTER> \"POINT\" <\\FILTER> <WRAP> \"REPEAT\" <\\WRAP> "
      u"<\\SAMPLER>"
      u"<TECHNIQUE> <PASS> <BLEND> \"ONE\" \"ONE\" \"MIN\" <\\BLEND> <FRAGMENT> \""
      u"void main() { o_Color = texture(g_Textur_SRC, v_Tex0) + texture(g_Other, v_Tex1); }\""
      u"<\\FRAGMENT> <\\PASS> <\\TECHNIQUE>");
  ASSERT_NE(e, nullptr);
  auto small = std::make_shared<platform::Texture>(2, 2);
  small->MutablePixels()[0] = 0xFF000000;
  small->MutablePixels()[1] = 0xFFFFFFFF;
  small->MutablePixels()[2] = 0x80FF0000;
  small->MutablePixels()[3] = 0xFF0000FF;
  small->MarkAllDirty();
  SpriteRenderer* sprites = graphics->GetSpriteRenderer();
  Rect src{0, 0, 2, 2};
  Vector2 scale(8.0f, 8.0f), at(4, 4);
  auto draw = [&] {
    device->Clear(platform::kClearTarget, 0xFF336699, 1.0f, 0);
    sprites->Begin(SpriteRenderer::kAlphaBlend);
    sprites->DrawTransformed(small.get(), &src, &scale, nullptr, 0.0, &at, 0xFFFFFFFF);
    sprites->End();
    return device->ReadPixels();
  };
  auto before = draw();
  e->SetTexture(e->GetParameterByName("g_Other"), source.get());
  Run(*e);
  auto after = draw();
  EXPECT_TRUE(before == after);
}

TEST_F(GlEffects, QuadsDrawnOneAfterAnotherThroughAPassEachLandWhereTheyWereSent) {
  // Many small pictures, each of its own colour and at its own place, through one sprite
  // pass without waiting in between, as the render extras draw a world's tiles: every quad
  // must keep its own corners and texture however the vertices reach the driver.
  Effect* extra = graphics->GetEffectCache()->Get(u"sprite_extra.fx", nullptr, archive.get());
  ASSERT_NE(extra->GetEffect(), nullptr);
  platform::Effect& e = *extra->GetEffect();
  constexpr int kCount = 24, kSide = 6, kStep = 10;
  std::vector<std::shared_ptr<platform::Texture>> pictures;
  auto colourOf = [](int i) { return 0xFF000000u | uint32_t(i * 10 + 5) << 16 | uint32_t(250 - i * 9) << 8 | 0x40; };
  for (int i = 0; i < kCount; ++i) {
    pictures.push_back(std::make_shared<platform::Texture>(kSide, kSide));
    std::fill_n(pictures.back()->MutablePixels(), kSide * kSide, colourOf(i));
    pictures.back()->MarkAllDirty();
  }
  SpriteRenderer* sprites = graphics->GetSpriteRenderer();
  const Rect src{0, 0, kSide, kSide};
  device->Clear(platform::kClearTarget, 0xFF102030, 1.0f, 0);
  sprites->effect = extra;
  uint32_t passes = 0;
  ASSERT_TRUE(e.Begin(&passes));
  ASSERT_TRUE(e.BeginPass(0));
  for (int i = 0; i < kCount; ++i) {
    // A zig-zag, so that no quad lies where the one before it did.
    const Vector2 at(float(4 + i * kStep), float(4 + (i % 2) * kStep));
    EXPECT_TRUE(sprites->DrawTransformed(pictures[size_t(i)].get(), &src, nullptr, nullptr, 0.0, &at, 0xFFFFFFFF));
  }
  e.EndPass();
  e.End();
  sprites->effect = nullptr;
  auto pixels = device->ReadPixels();
  auto at = [&](int x, int y) { return pixels[size_t(y) * 1024 + size_t(x)]; };
  for (int i = 0; i < kCount; ++i) {
    const int x = 4 + i * kStep, y = 4 + (i % 2) * kStep;
    // The middle of each picture holds its colour; the place the other row's quad would
    // take stays the background.
    EXPECT_EQ(at(x + kSide / 2, y + kSide / 2), colourOf(i)) << "quad " << i;
    EXPECT_EQ(at(x + kSide / 2, 4 + (1 - i % 2) * kStep + kSide / 2), 0xFF102030u) << "quad " << i;
  }
}
