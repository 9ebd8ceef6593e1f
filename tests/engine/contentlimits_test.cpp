// Counts read from content files are held to their limits, with one message naming the file
// and the key: one extreme value must not make start-up allocate without end.
#include "engine/contentlimits.h"

#include <gtest/gtest.h>

#include "engine/animation.h"
#include "engine/kvnode.h"
#include "engine/pfadanimation.h"
#include "platform/text.h"
#include "support/kv_fixture.h"
#include "world/levelsetting.h"
#include "world/settingkatalog.h"

namespace {

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(ContentLimits, ExtremeCountsAreHeldAndNamedOnce) {
  struct Case {
    const char* file;
    std::u16string body;
    const char* key;
    // What the reader made of it, measured once the document is read.
    std::function<size_t(const KVNode&)> made;
    size_t expected;
  };
  const Case cases[] = {
      {"sheet.ani",
       u"<ANIMATIONFILE> <FIRST_FRAME> \"0\" \"0\" \"8\" \"8\" <\\FIRST_FRAME> <ANZAHL> \"2147483647\" \"2\" "
       u"<\\ANZAHL> <OFFSET> \"2147483647\" <\\OFFSET> <\\ANIMATIONFILE>",
       "ANZAHL",
       [](const KVNode& root) {
         AnimationFrames frames(&root, nullptr, nullptr);
         // The last frame's number did not wrap round.
         EXPECT_GT(frames.GetFrame(frames.GetCount() - 1)->number, 0);
         return size_t(frames.GetCount());
       },
       size_t(content::kMaxSheetSide) * 2},
      {"rows.ani",
       u"<ANIMATIONFILE> <FIRST_FRAME> \"0\" \"0\" \"2147483647\" \"8\" <\\FIRST_FRAME> <ANZAHL> \"3\" "
       u"\"2147483647\" <\\ANZAHL> <\\ANIMATIONFILE>",
       "ANZAHL",
       [](const KVNode& root) {
         AnimationFrames frames(&root, nullptr, nullptr);
         // Cells far to the right end at the largest coordinate instead of overflowing.
         EXPECT_EQ(frames.GetFrame(frames.GetCount() - 1)->rect.right, INT32_MAX);
         return size_t(frames.GetCount());
       },
       size_t(content::kMaxSheetSide) * 3},
      {"cloud.ani", u"<CREATE_RANDOM_RAND> <RECT> \"0\" \"0\" \"9\" \"9\" <\\RECT> <ANZ_PUNKTE> \"2147483647\" "
                    u"<\\ANZ_PUNKTE> <\\CREATE_RANDOM_RAND>",
       "ANZ_PUNKTE", [](const KVNode& root) { return PfadAnimation(&root).GetPoints().size(); },
       size_t(content::kMaxPathPoints)},
      {"band.ani", u"<CREATE_RANDOM_WOLKE> <ANZ_PUNKTE> \"2147483647\" <\\ANZ_PUNKTE> <\\CREATE_RANDOM_WOLKE>",
       "ANZ_PUNKTE", [](const KVNode& root) { return size_t(PfadAnimation(&root).GetCount()); },
       size_t(content::kMaxPathPoints)},
      {"outline.ani", u"<CREATE_RANDOM_PERLIN> <RECT> \"0\" \"0\" \"9\" \"9\" <\\RECT> <ANZ_PUNKTE> \"4\" "
                      u"<\\ANZ_PUNKTE> <ANZ_SPLIT> \"1e9\" <\\ANZ_SPLIT> <ANZ_SMOOTH> \"0\" <\\ANZ_SMOOTH> "
                      u"<\\CREATE_RANDOM_PERLIN>",
       "ANZ_SPLIT", [](const KVNode& root) { return PfadAnimation(&root).GetPoints().size(); },
       size_t(4) << content::kMaxPathPasses},
      {"WorldSetting.wst",
       u"<WOLKEN> <ANZ_WOLKEN> \"2147483647\" \"2147483647\" <\\ANZ_WOLKEN> <\\WOLKEN> "
       u"<ANIMS> <ANZ_ANIMS> \"-2147483647\" \"7\" <\\ANZ_ANIMS> <\\ANIMS>"
       u"<RANDOM_POS_ANIMS> <RANDOM_POS_ANZ_ANIMS> \"2\" \"2147483647\" <\\RANDOM_POS_ANZ_ANIMS> "
       u"<\\RANDOM_POS_ANIMS>",
       "ANZ_WOLKEN",
       [](const KVNode& root) {
         SettingKatalog katalog;
         LayerKindBlock block(&root, katalog);
         EXPECT_EQ(block.animCountMin, -content::kMaxLayerObjects);
         EXPECT_EQ(block.animCountMax, 7);
         EXPECT_EQ(block.randomPosAnimCountMax, content::kMaxLayerObjects);
         return size_t(block.cloudCountMax);
       },
       size_t(content::kMaxLayerObjects)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    auto root = ParseBody(c.body);
    content::FileScope file(platform::Utf8ToU16(c.file));
    testing::internal::CaptureStderr();
    // Read twice: the second reading says nothing more.
    EXPECT_EQ(c.made(*root), c.expected);
    EXPECT_EQ(c.made(*root), c.expected);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Occurrences(said, std::string(c.file) + ": " + c.key + " "), 1u) << said;
  }
}
