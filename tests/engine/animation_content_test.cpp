// The animation files of the content archive: every name they use resolves, every frame has
// its picture inside its image, and every moving animation draws once placed.
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "platform/random.h"
#include "platform/text.h"

namespace {

const char16_t* const kFiles[] = {u"animationen.ani", u"ebenen_animationen.ani"};

class AnimationContent : public ::testing::Test {
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
    manager = std::make_unique<AnimationManager>(graphics.get());
    for (const char16_t* file : kFiles) {
      documents.push_back(LoadKVFromArchive(file, archive.get()));
      ASSERT_TRUE(documents.back()) << platform::U16ToUtf8(file);
      manager->LoadFile(documents.back().get(), archive.get());
    }
  }

  // Every entry of that kind in both files.
  std::vector<const KVNode*> Entries(std::u16string_view kind) const {
    std::vector<const KVNode*> out;
    for (const auto& document : documents)
      for (unsigned i = 0; const KVNode* entry = document->GetChild(i, kind); ++i) out.push_back(entry);
    return out;
  }

  static std::u16string Name(const KVNode* entry) {
    std::u16string name;
    entry->Read(u"NAME", name);
    return name;
  }

  APIContext context;
  std::unique_ptr<DataArchive> archive;
  std::unique_ptr<APIGraphics> graphics;
  std::unique_ptr<AnimationManager> manager;
  std::vector<std::unique_ptr<KVNode>> documents;
};

}  // namespace

TEST_F(AnimationContent, EveryAnimationShowsPicturesFromItsImage) {
  const auto animations = Entries(u"ANIMATION");
  ASSERT_FALSE(animations.empty());
  for (const KVNode* entry : animations) {
    const std::string name = platform::U16ToUtf8(Name(entry));
    const Animation* animation = manager->FindAnimation(Name(entry));
    ASSERT_NE(animation, nullptr) << name;
    ASSERT_NE(animation->GetFrames(), nullptr) << name;
    ASSERT_FALSE(animation->GetFrameOrder().empty()) << name;
    for (int32_t index : animation->GetFrameOrder()) {
      const AnimationFrame* frame = animation->GetFrames()->GetFrame(index);
      ASSERT_NE(frame, nullptr) << name << " entry " << index;
      ASSERT_NE(frame->texture, nullptr) << name;
      const platform::Texture* image = frame->texture->texture;
      EXPECT_TRUE(frame->rect.left >= 0 && frame->rect.top >= 0 && frame->rect.right <= image->Width() &&
                  frame->rect.bottom <= image->Height() && frame->rect.right > frame->rect.left &&
                  frame->rect.bottom > frame->rect.top)
          << name << " entry " << index;
      // A picture is not blank.
      bool drawn = false;
      for (int32_t y = frame->rect.top; y < frame->rect.bottom && !drawn; ++y)
        for (int32_t x = frame->rect.left; x < frame->rect.right && !drawn; ++x) drawn = image->PixelAt(x, y) >> 24;
      EXPECT_TRUE(drawn) << name << " entry " << index;
    }
  }
  // Sheets are powers of two, so no picture is resampled out of its cell.
  for (const auto& record : graphics->GetTexturDefCache()->Records()) {
    const int32_t w = record->GetWidth(), h = record->GetHeight();
    EXPECT_TRUE((w & (w - 1)) == 0 && (h & (h - 1)) == 0) << platform::U16ToUtf8(record->GetTextureFile());
  }
}

TEST_F(AnimationContent, EveryMovingAnimationResolvesItsNamesAndDraws) {
  for (const KVNode* entry : Entries(u"PFADANIMATION")) EXPECT_NE(manager->FindPfadAnimation(Name(entry)), nullptr);
  const auto moving = Entries(u"BEWEGTEANIMATION");
  ASSERT_FALSE(moving.empty());
  platform::SRand(1234);
  for (const KVNode* entry : moving) {
    const std::string name = platform::U16ToUtf8(Name(entry));
    auto clone = manager->CreateBewegteAnimation(Name(entry));
    ASSERT_NE(clone, nullptr) << name;
    EXPECT_EQ(clone->GetPath() != nullptr, entry->GetChild(0, u"PFAD") != nullptr) << name;
    const KVNode* children = entry->GetChild(0, u"BEWEGTEANIMATIONEN");
    EXPECT_EQ(clone->GetChildren().size(), children ? children->GetValueCount() : 0u) << name;
    EXPECT_EQ(clone->GetAnimation() != nullptr, !clone->GetAnimationNames().empty()) << name;

    // Placed as the layers place them: a path laid out in an area of the screen.
    const Rect area{200, 150, 800, 450};
    if (clone->GetPath()) clone->GetPath()->Regenerate(&area);
    clone->SetArea(area);
    size_t drawn = 0;
    SpriteRenderer* renderer = graphics->GetSpriteRenderer();
    for (int frame = 0; frame < 50; ++frame) {
      clone->Update(0.05);
      graphics->GetDevice()->ClearRecordedDraws();
      renderer->Begin(SpriteRenderer::kAlphaBlend);
      clone->Render();
      renderer->End();
      drawn += graphics->GetDevice()->RecordedDraws().size();
    }
    EXPECT_GT(drawn, 0u) << name;
  }
}
