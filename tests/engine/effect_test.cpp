// Effect files on the Null device: reading the file format, the parameter and pass
// protocol, the cache's sharing rules, the reset registry, and the sprite renderer drawing
// through an effect.
#include "engine/effect.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/effectfile.h"
#include "engine/kvnode.h"
#include "engine/searchpath.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace {

std::u16string File(std::u16string body) { return u"<>\n \t<\\>\n<EFFECT>\n" + body + u"\n<\\EFFECT>\n"; }

const char16_t* kCopyPass =
    u"<TECHNIQUE> <NAME> \"RenderPost\" <\\NAME> <PASS> <NAME> \"P0\" <\\NAME>"
    u" <FRAGMENT> \"void main() { o_Color = texture(g_Textur_SRC, v_Tex0); }\" <\\FRAGMENT>"
    u" <\\PASS> <\\TECHNIQUE>";

// A file with offsets in pixels and a texel array converted from them, two passes with
// their own annotations and blend states.
const char16_t* kFull =
    u"<PARAM> <NAME> \"g_OffsetsPixels\" <\\NAME> <TYPE> \"vec2\" <\\TYPE> <COUNT> \"3\" <\\COUNT>"
    u"  <VALUE> \"1\" \"2\" \"3\" \"4\" \"5\" \"6\" <\\VALUE> <\\PARAM>"
    u"<PARAM> <NAME> \"g_Offsets\" <\\NAME> <TYPE> \"VEC2\" <\\TYPE> <COUNT> \"3\" <\\COUNT>"
    u"  <ANNOTATION> \"ConvertPixelsToTexels\" \"string\" \"g_OffsetsPixels\" <\\ANNOTATION> <\\PARAM>"
    u"<PARAM> <NAME> \"g_Steps\" <\\NAME> <TYPE> \"int\" <\\TYPE> <VALUE> \"7.9\" <\\VALUE> <\\PARAM>"
    u"<TECHNIQUE> <NAME> \"Other\" <\\NAME> <PASS> <FRAGMENT> \"void main() {}\" <\\FRAGMENT> <\\PASS> "
    u"<\\TECHNIQUE>"
    u"<TECHNIQUE> <NAME> \"RenderPost\" <\\NAME>"
    u"  <PASS> <NAME> \"Down\" <\\NAME> <ANNOTATION> \"fScaleX\" \"float\" \"0.25\" <\\ANNOTATION>"
    u"    <BLEND> \"SrcAlpha\" \"INVSRCALPHA\" <\\BLEND> <LAYOUT> \"SPRITE\" <\\LAYOUT>"
    u"    <FRAGMENT> \"void main() { o_Color = v_Color; }\" <\\FRAGMENT> <\\PASS>"
    u"  <PASS> <NAME> \"Up\" <\\NAME> <FRAGMENT> \"void main() { o_Color = vec4(1.0); }\" <\\FRAGMENT> "
    u"<\\PASS>"
    u"<\\TECHNIQUE>";

std::vector<uint8_t> Utf16(const std::u16string& text) { return platform::U16ToUtf16LE(text, true); }

bool Read(const std::u16string& text, platform::EffectDescription* out, std::string* error) {
  auto root = ParseKVText(text);
  return ReadEffectDescription(*root, out, error);
}

class Effects : public ::testing::Test {
 protected:
  void SetUp() override {
    DisplayEnvironment env;
    env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, env);
    graphics->UseNullDevice(true);
    ASSERT_EQ(graphics->Create(), kResultOk);
    std::u16string path = dir.File("effects.gob");
    ASSERT_TRUE(
        WriteDataArchive(path, {
                                   {u"copy.fx", Utf16(File(kCopyPass))},
                                   {u"full.fx", Utf16(File(kFull))},
                                   {u"broken.fx", Utf16(File(u"<TECHNIQUE> <PASS> <\\PASS> <\\TECHNIQUE>"))},
                                   {u"fx\\tint.fx", Utf16(File(kCopyPass))},
                               }));
    archive = DataArchive::Open(path);
    ASSERT_NE(archive, nullptr);
    cache = graphics->GetEffectCache();
  }

  platform::Effect* Load(const std::u16string& name) {
    Effect* e = cache->Get(name, nullptr, archive.get());
    return e ? e->GetEffect() : nullptr;
  }

  TempDir dir;
  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  std::unique_ptr<DataArchive> archive;
  EffectCache* cache = nullptr;
};

}  // namespace

TEST(EffectFile, RejectsWhatNoBackendCouldBuild) {
  struct Case {
    std::u16string body;
    const char* reason;
  };
  const std::u16string pass = kCopyPass;
  const Case cases[] = {
      {u"<PARAM> <NAME> \"a\" <\\NAME> <TYPE> \"float5\" <\\TYPE> <\\PARAM>" + pass, "unknown type"},
      {u"<PARAM> <TYPE> \"float\" <\\TYPE> <\\PARAM>" + pass, "no NAME"},
      {u"<PARAM> <NAME> \"2x\" <\\NAME> <\\PARAM>" + pass, "not usable"},
      {u"<PARAM> <NAME> \"u_Screen\" <\\NAME> <\\PARAM>" + pass, "not usable"},
      {u"<PARAM> <NAME> \"a\" <\\NAME> <\\PARAM><PARAM> <NAME> \"a\" <\\NAME> <\\PARAM>" + pass, "twice"},
      {u"<PARAM> <NAME> \"a\" <\\NAME> <TYPE> \"vec2\" <\\TYPE> <VALUE> \"1\" \"2\" \"3\" <\\VALUE> "
       u"<\\PARAM>" +
           pass,
       "more values"},
      {u"<PARAM> <NAME> \"a\" <\\NAME> <COUNT> \"-1\" <\\COUNT> <\\PARAM>" + pass, "negative"},
      {u"<PARAM> <NAME> \"g_time\" <\\NAME> <TYPE> \"vec4\" <\\TYPE> <\\PARAM>" + pass, "wrong type"},
      {u"<SAMPLER> <NAME> \"g_time\" <\\NAME> <\\SAMPLER>" + pass, "no texture"},
      {u"<SAMPLER> <NAME> \"g_Textur_SRC\" <\\NAME> <FILTER> \"ANISO\" <\\FILTER> <\\SAMPLER>" + pass,
       "FILTER"},
      {u"<PARAM> <NAME> \"a\" <\\NAME> <ANNOTATION> \"x\" \"double\" \"1\" <\\ANNOTATION> <\\PARAM>" + pass,
       "unknown type"},
      {u"<TECHNIQUE> <PASS> <BLEND> \"ONE\" <\\BLEND> <FRAGMENT> \"void main(){}\" <\\FRAGMENT> <\\PASS> "
       u"<\\TECHNIQUE>",
       "BLEND"},
      {u"<TECHNIQUE> <PASS> <BLEND> \"ONE\" \"ONE\" \"ADD\" \"ZERO\" <\\BLEND> <FRAGMENT> \"void main(){}\" "
       u"<\\FRAGMENT> <\\PASS> <\\TECHNIQUE>",
       "BLEND for alpha"},
      {u"<TECHNIQUE> <PASS> <LAYOUT> \"MESH\" <\\LAYOUT> <FRAGMENT> \"void main(){}\" <\\FRAGMENT> <\\PASS> "
       u"<\\TECHNIQUE>",
       "LAYOUT"},
      {u"<TECHNIQUE> <NAME> \"T\" <\\NAME> <\\TECHNIQUE>", "no pass"},
      {u"<TECHNIQUE> <PASS> <VERTEX> \"void main(){}\" <\\VERTEX> <\\PASS> <\\TECHNIQUE>", "no fragment"},
      {u"", "no technique"},
  };
  for (const Case& c : cases) {
    platform::EffectDescription d;
    std::string error;
    bool ok = Read(File(c.body), &d, &error) && platform::PrepareEffectDescription(d, &error);
    EXPECT_FALSE(ok) << c.reason;
    EXPECT_NE(error.find(c.reason), std::string::npos) << "got \"" << error << "\" for " << c.reason;
  }
  platform::EffectDescription d;
  std::string error;
  EXPECT_FALSE(Read(u"<>\n \t<\\>\n<SHADER>" + pass + u"<\\SHADER>\n", &d, &error));
  EXPECT_NE(error.find("not an effect file"), std::string::npos);
}

TEST(EffectFile, ReadsEveryKeyAndAddsTheStandardParameters) {
  platform::EffectDescription d;
  std::string error;
  ASSERT_TRUE(Read(File(kFull), &d, &error)) << error;
  ASSERT_TRUE(platform::PrepareEffectDescription(d, &error)) << error;
  ASSERT_EQ(d.techniques.size(), 2u);
  const platform::EffectPassDesc& down = d.techniques[1].passes[0];
  EXPECT_EQ(down.name, "Down");
  EXPECT_TRUE(down.blend.enabled);
  EXPECT_EQ(down.blend.src, platform::BlendFactor::SrcAlpha);
  EXPECT_EQ(down.blend.dst, platform::BlendFactor::InvSrcAlpha);
  EXPECT_EQ(down.blend.op, platform::BlendOp::Add);
  EXPECT_EQ(down.layout, platform::EffectLayout::Sprite);
  EXPECT_FALSE(d.techniques[1].passes[1].blend.enabled);
  EXPECT_EQ(d.techniques[1].passes[1].layout, platform::EffectLayout::Post);
  // The three declared parameters, then the eight every effect has.
  ASSERT_EQ(d.params.size(), 11u);
  EXPECT_EQ(d.params[1].type, platform::EffectValueType::Vec2);
  EXPECT_EQ(d.params[1].count, 3u);
  for (const char* name : {"g_Textur_SRC", "g_Textur_ORG", "g_Textur_EXTRA", "g_time", "g_Float_Param1",
                           "g_Float_Param2", "g_Vec4_Param1", "g_Vec4_Param2"})
    EXPECT_TRUE(std::any_of(d.params.begin(), d.params.end(), [&](const auto& p) { return p.name == name; }))
        << name;
  // Only the SPRITE layout hands the vertex colour on.
  EXPECT_NE(platform::BuildEffectPassSources(d, down).fragment.find("in vec4 v_Color;"), std::string::npos);
  EXPECT_EQ(platform::BuildEffectPassSources(d, d.techniques[1].passes[1]).fragment.find("v_Color"),
            std::string::npos);
  EXPECT_NE(platform::BuildEffectPassSources(d, down).vertex.find("uniform vec2 g_Offsets[3];"),
            std::string::npos);
}

TEST_F(Effects, ParametersByNameAndIndexWithSizesAndAnnotations) {
  platform::Effect* e = Load(u"full.fx");
  ASSERT_NE(e, nullptr);
  // The pixel-to-texel conversion as the post effects run it: every parameter by index,
  // its annotation naming the source, n = source bytes / 8 two-float elements.
  int converted = 0;
  for (uint32_t i = 0; platform::EffectHandle p = e->GetParameter(i); ++i) {
    platform::EffectHandle a = e->GetAnnotationByName(p, "ConvertPixelsToTexels");
    if (!a) continue;
    std::string sourceName;
    ASSERT_TRUE(e->GetString(a, &sourceName));
    platform::EffectHandle source = e->GetParameterByName(sourceName);
    platform::EffectParameterInfo info;
    ASSERT_TRUE(e->GetParameterDesc(source, &info));
    EXPECT_EQ(info.bytes, 24u);
    uint32_t n = info.bytes / 8;
    std::vector<platform::Vector4> v(n);
    ASSERT_TRUE(e->GetVectorArray(source, v.data(), n));
    for (auto& x : v) x = {x.x / 1024.0f, x.y / 768.0f, x.z, x.w};
    ASSERT_TRUE(e->SetVectorArray(p, v.data(), n));
    ++converted;
  }
  EXPECT_EQ(converted, 1);
  platform::Vector4 back[3];
  ASSERT_TRUE(e->GetVectorArray(e->GetParameterByName("g_Offsets"), back, 3));
  EXPECT_EQ(back[0], (platform::Vector4{1.0f / 1024.0f, 2.0f / 768.0f, 0, 0}));
  EXPECT_EQ(back[2], (platform::Vector4{5.0f / 1024.0f, 6.0f / 768.0f, 0, 0}));

  platform::EffectHandle offsets = e->GetParameterByName("g_Offsets");
  EXPECT_FALSE(e->GetVectorArray(offsets, back, 4)) << "more elements than the array holds";
  EXPECT_FALSE(e->SetFloat(e->GetParameterByName("g_Textur_SRC"), 1.0f));
  EXPECT_FALSE(e->SetFloat(e->GetAnnotation(offsets, 0), 1.0f)) << "annotations are read-only";
  EXPECT_FALSE(e->GetParameterByName("g_offsets")) << "names compare exactly";
  int32_t steps = 0;
  EXPECT_TRUE(e->GetInt(e->GetParameterByName("g_Steps"), &steps));
  EXPECT_EQ(steps, 7) << "an int parameter truncates its value";

  platform::EffectHandle technique = e->GetTechniqueByName("RenderPost");
  ASSERT_EQ(e->PassCount(technique), 2u);
  float scaleX = 0.0f, scaleY = 1.0f;
  EXPECT_TRUE(e->GetFloat(e->GetAnnotationByName(e->GetPass(technique, 0), "fScaleX"), &scaleX));
  EXPECT_EQ(scaleX, 0.25f);
  EXPECT_FALSE(e->GetAnnotationByName(e->GetPass(technique, 1), "fScaleX"));
  EXPECT_FALSE(e->GetFloat(e->GetAnnotationByName(e->GetPass(technique, 0), "fScaleY"), &scaleY));
  EXPECT_EQ(scaleY, 1.0f) << "a missing annotation leaves the caller's default";
}

TEST_F(Effects, PassesNestInsideBeginAndEnd) {
  platform::Effect* e = Load(u"full.fx");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->GetCurrentTechnique(), e->GetTechnique(0)) << "the first technique is current at first";
  uint32_t passes = 0;
  EXPECT_FALSE(e->BeginPass(0)) << "before Begin";
  EXPECT_FALSE(e->CommitChanges()) << "outside a pass";
  ASSERT_TRUE(e->SetTechnique(e->GetTechniqueByName("RenderPost")));
  ASSERT_TRUE(e->Begin(&passes));
  EXPECT_EQ(passes, 2u);
  EXPECT_FALSE(e->SetTechnique(e->GetTechnique(0))) << "inside Begin";
  EXPECT_FALSE(e->BeginPass(2));
  ASSERT_TRUE(e->BeginPass(0));
  EXPECT_EQ(e->CurrentPass(), 0);
  EXPECT_TRUE(e->PassState().blend);
  EXPECT_FALSE(e->BeginPass(1)) << "a pass is already begun";
  EXPECT_TRUE(e->CommitChanges());
  EXPECT_TRUE(e->EndPass());
  ASSERT_TRUE(e->BeginPass(1));
  EXPECT_FALSE(e->PassState().blend);
  EXPECT_TRUE(e->End()) << "End also ends the pass";
  EXPECT_EQ(e->CurrentPass(), -1);
  EXPECT_FALSE(e->EndPass());
}

TEST_F(Effects, OneEffectPerExactNameWithFailuresCachedToo) {
  Effect* copy = cache->Get(u"copy.fx", nullptr, archive.get());
  ASSERT_NE(copy->GetEffect(), nullptr);
  EXPECT_EQ(cache->Get(u"copy.fx", nullptr, archive.get()), copy);
  // The archive ignores letter case, the cache does not: a second, working effect.
  Effect* upper = cache->Get(u"COPY.FX", nullptr, archive.get());
  EXPECT_NE(upper, copy);
  EXPECT_NE(upper->GetEffect(), nullptr);
  Effect* slash = cache->Get(u"\\copy.fx", nullptr, archive.get());
  EXPECT_NE(slash->GetEffect(), nullptr) << "a leading backslash is dropped before the archive is asked";
  EXPECT_EQ(slash->GetFileName(), u"\\copy.fx");

  Effect* broken = cache->Get(u"broken.fx", nullptr, archive.get());
  EXPECT_EQ(broken->GetEffect(), nullptr);
  Effect* missing = cache->Get(u"missing.fx", nullptr, archive.get());
  EXPECT_EQ(missing->GetEffect(), nullptr);
  EXPECT_EQ(cache->Count(), 5u);
  EXPECT_EQ(cache->Get(u"broken.fx", nullptr, archive.get()), broken);
  EXPECT_EQ(cache->Get(u"missing.fx", nullptr, archive.get()), missing);
  EXPECT_EQ(cache->Count(), 5u) << "no second attempt for a cached failure";
}

TEST_F(Effects, SearchPathsMatchTheFolderTheFileWasFoundIn) {
  std::u16string other = u"other", fx = u"FX", nowhere = u"nowhere";
  SearchPath both(other);
  both.AddFolder(fx);
  Effect* tint = cache->Get(u"Tint.fx", &both, archive.get());
  ASSERT_NE(tint->GetEffect(), nullptr) << "folder and name are lower-cased and joined";
  EXPECT_EQ(tint->GetFolder(), u"FX");
  EXPECT_EQ(cache->Get(u"Tint.fx", &both, archive.get()), tint);
  EXPECT_EQ(cache->Get(u"Tint.fx", nullptr, archive.get()), tint) << "without a path the name alone counts";
  SearchPath elsewhere(nowhere);
  Effect* notThere = cache->Get(u"Tint.fx", &elsewhere, archive.get());
  EXPECT_NE(notThere, tint);
  EXPECT_EQ(notThere->GetEffect(), nullptr);
  EXPECT_EQ(notThere->GetFolder(), u"");
  // A failure with a path is asked for again with the same folders: no new attempt.
  size_t count = cache->Count();
  EXPECT_EQ(cache->Get(u"Tint.fx", &elsewhere, archive.get()), notThere);
  EXPECT_EQ(cache->Count(), count);
}

TEST_F(Effects, FollowTheResetProtocolAndLeaveWithTheDevice) {
  Effect* copy = cache->Get(u"copy.fx", nullptr, archive.get());
  Effect* broken = cache->Get(u"broken.fx", nullptr, archive.get());
  const auto& registry = graphics->ResetObjekte();
  EXPECT_NE(std::find(registry.begin(), registry.end(), copy), registry.end());
  EXPECT_NE(std::find(registry.begin(), registry.end(), broken), registry.end());
  copy->OnLostDevice();
  EXPECT_TRUE(copy->GetEffect()->IsLost());
  broken->OnLostDevice();  // nothing to do, and nothing may fail
  graphics->Reset();
  EXPECT_TRUE(context.running);
  EXPECT_FALSE(copy->GetEffect()->IsLost());
  EXPECT_EQ(broken->GetEffect(), nullptr);
  graphics->Release();
  EXPECT_EQ(cache->Count(), 0u);
  EXPECT_TRUE(graphics->ResetObjekte().empty()) << "deleted effects leave the reset registry";
}

TEST_F(Effects, SpriteRendererDrawsThroughTheEffectsPass) {
  Effect* effect = cache->Get(u"full.fx", nullptr, archive.get());
  platform::Effect* e = effect->GetEffect();
  ASSERT_NE(e, nullptr);
  SpriteRenderer* sprites = graphics->GetSpriteRenderer();
  platform::Texture texture(32, 32);
  platform::GraphicsDevice* device = graphics->GetDevice();
  device->ClearRecordedDraws();
  sprites->effect = effect;
  ASSERT_TRUE(e->SetTechnique(e->GetTechniqueByName("RenderPost")));
  uint32_t passes = 0;
  ASSERT_TRUE(e->Begin(&passes));
  ASSERT_TRUE(e->BeginPass(0));
  Rect src{0, 0, 32, 32};
  Vector2 position(100, 50);
  EXPECT_TRUE(sprites->DrawTransformed(&texture, &src, nullptr, nullptr, 0.0, &position, 0xFF102030));
  EXPECT_EQ(e->GetTexture(e->GetParameterByName("g_Textur_SRC")), &texture);
  e->EndPass();
  e->End();
  sprites->effect = nullptr;
  const auto& draws = device->RecordedDraws();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_TRUE(draws[0].preTransformed);
  EXPECT_EQ(draws[0].effectPass, 0);
  EXPECT_TRUE(draws[0].blend) << "the pass's blend state";
  EXPECT_EQ(draws[0].corners[3], Vector2(132, 82));
}
