#include "objects/renderextra.h"

#include <gtest/gtest.h>

#include "engine/kvnode.h"

namespace {

std::unique_ptr<KVNode> Parse(std::u16string_view body) {
  return ParseKVText(std::u16string(u"<>\n \t<\\>\n<ROOT>\n") + std::u16string(body) + u"<\\ROOT>\n");
}

const char16_t* const kFile =
    uR"(
<EINTRAG> <NAME> "GLOW" <\NAME>
  <RENDERABLE> "WORMS" "PARTIKEL" "NONSENSE" <\RENDERABLE>
<\EINTRAG>
<EINTRAG> <NAME> "MASK" <\NAME> <ALWAYS_RENDER> "1" <\ALWAYS_RENDER>
  <RENDERABLE> "PARTIKEL" "WASSER" "WOLKEN" <\RENDERABLE>
  <COLORKEYS> "PARTIKEL"
    <EINTRAG> "3" "FF102030" "1" <\EINTRAG>
    <EINTRAG> "5" "0x80FFFFFF" <\EINTRAG>
    <EINTRAG> "16" "FF000000" "1" <\EINTRAG>
    <EINTRAG> "-1" "FF000000" "1" <\EINTRAG>
    <EINTRAG> "99999999" "FF000000" <\EINTRAG>
  <\COLORKEYS>
  <COLORKEYS> "WASSER" <EINTRAG> "0" "00FF00FFjunk" <\EINTRAG> <\COLORKEYS>
  <COLORKEYS> "UNKNOWN" <EINTRAG> "0" "FF000000" <\EINTRAG> <\COLORKEYS>
<\EINTRAG>
<EINTRAG> <NAME> "GLOW" <\NAME> <RENDERABLE> "EBENE_SPIEL" <\RENDERABLE> <\EINTRAG>
)";

}  // namespace

TEST(RenderExtra, KeywordsNameTheirKinds) {
  const std::pair<const char16_t*, int32_t> cases[] = {
      {u"EBENE_HG", 0},  {u"EBENE_SPIEL", 1}, {u"EBENE_VG", 2},    {u"WORMS", 3},
      {u"WASSER", 4},    {u"PARTIKEL", 5},    {u"KRAFTFELDER", 6}, {u"TELEPORTER", 7},
      {u"SONSTIGES", 8}, {u"WOLKEN", 9},      {u"worms", -1},      {u"", -1},
  };
  for (const auto& [word, kind] : cases) EXPECT_EQ(RenderExtra::KindFromKeyword(word), kind) << int(kind);
}

TEST(RenderExtra, ColourTablesAndTheIndexGuard) {
  RenderExtraListe list;
  auto root = Parse(kFile);
  list.Load(root.get());
  ASSERT_EQ(list.GetCount(), 3u);

  // Renderable kinds without colour keys draw white at every index; other kinds stay out.
  const RenderExtra& glow = *list.GetEntry(0);
  for (int32_t index : {0, 7, 15}) {
    uint32_t colour = 0;
    EXPECT_TRUE(glow.GetColour(RenderExtra::kWorms, colour, index));
    EXPECT_EQ(colour, 0xFFFFFFFFu);
  }
  uint32_t colour = 0x12345678;
  EXPECT_FALSE(glow.GetColour(RenderExtra::kWater, colour, 0));
  EXPECT_FALSE(glow.GetColour(10, colour, 0));
  EXPECT_FALSE(glow.GetColour(-1, colour, 0));

  // Index 3 fills to the end, 5 then overrides its own place; 16, -1 and huge indices are
  // refused instead of written past the table.
  const RenderExtra& mask = *list.GetEntry(1);
  const uint32_t expected[16] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF102030, 0xFF102030, 0x80FFFFFF,
                                 0xFF102030, 0xFF102030, 0xFF102030, 0xFF102030, 0xFF102030, 0xFF102030,
                                 0xFF102030, 0xFF102030, 0xFF102030, 0xFF102030};
  for (int32_t i = 0; i < 16; ++i) {
    uint32_t c = 0;
    EXPECT_TRUE(mask.GetColour(RenderExtra::kParticles, c, i));
    EXPECT_EQ(c, expected[i]) << i;
  }
  // Hex reading stops at the first character that is no digit.
  EXPECT_TRUE(mask.GetColour(RenderExtra::kWater, colour, 0));
  EXPECT_EQ(colour, 0x00FF00FFu);
  EXPECT_TRUE(mask.RendersIn(RenderExtra::kClouds));
  EXPECT_FALSE(mask.RendersIn(RenderExtra::kOthers));

  // An index outside the table leaves the caller's preset colour.
  for (int32_t index : {-1, 16, 1000}) {
    uint32_t preset = 0xFFFFFFFF;
    EXPECT_TRUE(mask.GetColour(RenderExtra::kParticles, preset, index));
    EXPECT_EQ(preset, 0xFFFFFFFFu) << index;
  }
}

TEST(RenderExtra, FindMakesTheLastOfANameCurrent) {
  RenderExtraListe list;
  auto root = Parse(kFile);
  list.Load(root.get());
  list.Load(nullptr);
  const std::u16string glow = u"GLOW", mask = u"MASK", none = u"NONE";

  EXPECT_EQ(list.FindLast(glow), list.GetEntry(2));
  EXPECT_EQ(list.GetCurrent(), nullptr);

  uint32_t colour = 0xAA;
  EXPECT_FALSE(list.GetLayerEntry(RenderExtra::kGameLayers, colour, 0));
  EXPECT_EQ(list.Find(&glow), list.GetEntry(2));
  EXPECT_EQ(list.GetCurrent(), list.GetEntry(2));
  EXPECT_TRUE(list.GetLayerEntry(RenderExtra::kGameLayers, colour, 0));
  EXPECT_EQ(colour, 0xFFFFFFFFu);
  EXPECT_FALSE(list.GetLayerEntry(RenderExtra::kWorms, colour, 0));

  EXPECT_EQ(list.Find(&none), nullptr);
  EXPECT_EQ(list.GetCurrent(), nullptr);
  list.Find(&mask);
  EXPECT_EQ(list.Find(nullptr), nullptr);
  EXPECT_EQ(list.GetCurrent(), nullptr);

  EXPECT_TRUE(list.GetEntry(0)->HasName(&glow));
  EXPECT_FALSE(list.GetEntry(0)->HasName(nullptr));

  list.Find(&mask);
  list.Clear();
  EXPECT_EQ(list.GetCount(), 0u);
  EXPECT_EQ(list.GetCurrent(), nullptr);
}

TEST(RenderExtra, UsersNeverGoBelowZero) {
  RenderExtraListe list;
  auto root = Parse(kFile);
  list.Load(root.get());
  RenderExtra& glow = *list.GetEntry(0);
  EXPECT_FALSE(glow.IsInUse());
  glow.ReleaseUse();
  EXPECT_EQ(glow.GetUsers(), 0);
  glow.AddUse();
  glow.AddUse();
  glow.ReleaseUse();
  EXPECT_TRUE(glow.IsInUse());
  glow.ReleaseUse();
  glow.ReleaseUse();
  EXPECT_EQ(glow.GetUsers(), 0);
  EXPECT_FALSE(glow.IsInUse());
  // Marked to render always: in use without any user.
  EXPECT_TRUE(list.GetEntry(1)->IsInUse());
}
