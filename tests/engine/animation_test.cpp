// Frame lists, frame animations over time and the animation manager's lookups, with the
// random draws of start frames counted.
#include "engine/animation.h"

#include <gtest/gtest.h>

#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/texturdefcache.h"
#include "platform/random.h"
#include "platform/text.h"
#include "support/draws.h"
#include "support/png.h"
#include "support/temp_dir.h"

namespace {

std::unique_ptr<KVNode> Parse(std::u16string_view body) {
  return ParseKVText(std::u16string(u"<>\n \t<\\>\n") + std::u16string(body));
}

// The frame list "Vier": four cells of one pixel whose left edges are 0 .. 3, so the left
// edge of the frame shown is its index in the list.
const char16_t* const kFourFrames =
    u"<ANIMATION_FRAMES> <NAME> \"Vier\" <\\NAME>"
    u"  <ANIMATIONFILE> <FIRST_FRAME> \"0\" \"0\" \"1\" \"1\" <\\FIRST_FRAME> <ANZAHL> \"4\" \"1\" "
    u"<\\ANZAHL> "
    u"<\\ANIMATIONFILE>"
    u"<\\ANIMATION_FRAMES>";

// An animation "T" over "Vier" with the given extra keys, as a fresh copy.
std::unique_ptr<Animation> FourFrameAnimation(AnimationManager& manager, std::u16string_view keys) {
  auto root =
      Parse(std::u16string(u"<ANI>") + kFourFrames +
            u"<ANIMATION> <NAME> \"T\" <\\NAME> <ANIMATION_FRAME_NAME> \"Vier\" <\\ANIMATION_FRAME_NAME> " +
            std::u16string(keys) + u"<\\ANIMATION><\\ANI>");
  manager.LoadFile(root.get(), nullptr);
  return manager.CreateAnimation(u"T");
}

int Shown(const Animation& animation) {
  const AnimationFrame* frame = animation.GetCurrentFrame();
  return frame ? frame->rect.left : -1;
}

std::vector<Rect> Rects(const AnimationFrames& frames) {
  std::vector<Rect> out;
  for (int32_t i = 0; i < frames.GetCount(); ++i) out.push_back(frames.GetFrame(i)->rect);
  return out;
}

std::vector<int32_t> Numbers(const AnimationFrames& frames) {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < frames.GetCount(); ++i) out.push_back(frames.GetFrame(i)->number);
  return out;
}

}  // namespace

TEST(AnimationFrames, FramesSortByNumberAndSheetsCutIntoCells) {
  struct Case {
    const char16_t* body;
    std::vector<Rect> rects;
    std::vector<int32_t> numbers;
  };
  const Case cases[] = {
      // OFFSET 2, 0, 1 in file order play as 0, 1, 2; a frame without OFFSET (number 0) keeps
      // its place after the earlier frame of number 0.
      {u"<FRAME> <TEX_RECT> \"2\" \"0\" \"3\" \"1\" <\\TEX_RECT> <OFFSET> \"2\" <\\OFFSET> <\\FRAME>"
       u"<FRAME> <TEX_RECT> \"0\" \"0\" \"1\" \"1\" <\\TEX_RECT> <OFFSET> \"0\" <\\OFFSET> <\\FRAME>"
       u"<FRAME> <TEX_RECT> \"1\" \"0\" \"2\" \"1\" <\\TEX_RECT> <OFFSET> \"1\" <\\OFFSET> <\\FRAME>"
       u"<FRAME> <TEX_RECT> \"9\" \"0\" \"10\" \"1\" <\\TEX_RECT> <\\FRAME>",
       {{0, 0, 1, 1}, {9, 0, 10, 1}, {1, 0, 2, 1}, {2, 0, 3, 1}},
       {0, 0, 1, 2}},
      // A 4 x 2 grid of 32 x 32 cells, numbered row by row.
      {u"<ANIMATIONFILE> <FIRST_FRAME> \"0\" \"0\" \"32\" \"32\" <\\FIRST_FRAME> <ANZAHL> \"4\" \"2\" "
       u"<\\ANZAHL> "
       u"<\\ANIMATIONFILE>",
       {{0, 0, 32, 32},
        {32, 0, 64, 32},
        {64, 0, 96, 32},
        {96, 0, 128, 32},
        {0, 32, 32, 64},
        {32, 32, 64, 64},
        {64, 32, 96, 64},
        {96, 32, 128, 64}},
       {0, 1, 2, 3, 4, 5, 6, 7}},
      // REIHENFOLGE picks cells: 5 is column 1 of row 1, numbered 0; then the top-left cell.
      {u"<ANIMATIONFILE> <FIRST_FRAME> \"0\" \"0\" \"32\" \"32\" <\\FIRST_FRAME> <ANZAHL> \"4\" \"2\" "
       u"<\\ANZAHL> "
       u"<REIHENFOLGE> \"5\" \"0\" <\\REIHENFOLGE> <\\ANIMATIONFILE>",
       {{32, 32, 64, 64}, {0, 0, 32, 32}},
       {0, 1}},
      // Sheet frames come after the FRAME entries; OFFSET moves the whole grid, and a cell of
      // equal number goes after the frame already there.
      {u"<FRAME> <TEX_RECT> \"100\" \"0\" \"101\" \"1\" <\\TEX_RECT> <OFFSET> \"4\" <\\OFFSET> <\\FRAME>"
       u"<ANIMATIONFILE> <FIRST_FRAME> \"10\" \"20\" \"18\" \"24\" <\\FIRST_FRAME> <ANZAHL> \"2\" \"1\" "
       u"<\\ANZAHL> "
       u"<OFFSET> \"3\" <\\OFFSET> <\\ANIMATIONFILE>",
       {{10, 20, 18, 24}, {100, 0, 101, 1}, {18, 20, 26, 24}},
       {3, 4, 4}},
      // No columns: REIHENFOLGE counts one column instead of dividing by zero; the plain grid
      // has no cells.
      {u"<ANIMATIONFILE> <FIRST_FRAME> \"0\" \"0\" \"8\" \"8\" <\\FIRST_FRAME> <ANZAHL> \"0\" \"3\" "
       u"<\\ANZAHL> "
       u"<REIHENFOLGE> \"2\" <\\REIHENFOLGE> <\\ANIMATIONFILE>",
       {{0, 16, 8, 24}},
       {0}},
      {u"<ANIMATIONFILE> <FIRST_FRAME> \"0\" \"0\" \"8\" \"8\" <\\FIRST_FRAME> <ANZAHL> \"0\" \"3\" "
       u"<\\ANZAHL> "
       u"<\\ANIMATIONFILE>",
       {},
       {}},
      // A rectangle of fewer than four values is ignored; without an image it stays empty.
      {u"<FRAME> <TEX_RECT> \"1\" \"2\" <\\TEX_RECT> <\\FRAME>", {{0, 0, 0, 0}}, {0}},
  };
  for (const Case& c : cases) {
    auto root =
        Parse(std::u16string(u"<ANIMATION_FRAMES> <NAME> \"L\" <\\NAME>") + c.body + u"<\\ANIMATION_FRAMES>");
    AnimationFrames frames(root.get(), nullptr, nullptr);
    EXPECT_EQ(frames.GetName(), u"L");
    EXPECT_EQ(Rects(frames), c.rects) << platform::U16ToUtf8(c.body);
    EXPECT_EQ(Numbers(frames), c.numbers) << platform::U16ToUtf8(c.body);
    EXPECT_EQ(frames.GetFrame(frames.GetCount()), nullptr);
    EXPECT_EQ(frames.GetFrame(-1), nullptr);
  }
}

TEST(AnimationFrames, ImagesComeFromTheTextureCache) {
  TempDir dir;
  ASSERT_TRUE(
      WriteDataArchive(dir.File("a.gob"),
                       {{u"anim\\sheet.png", MakePng(64, 32, [](int x, int) { return 0xFF000000u | x; })}}));
  auto archive = DataArchive::Open(dir.File("a.gob"));
  APIContext context;
  DisplayEnvironment env;
  env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
  APIGraphics graphics(context, env);
  graphics.UseNullDevice(true);
  ASSERT_EQ(graphics.Create(), kResultOk);
  auto root = Parse(
      u"<ANIMATION_FRAMES> <NAME> \"L\" <\\NAME>"
      u"  <FRAME> \"nowhere\" \"Anim\" <TEXTUR_FILE> \"Sheet.png\" <\\TEXTUR_FILE> <\\FRAME>"
      u"  <FRAME> <TEXTUR_FILE> \"Sheet.png\" <\\TEXTUR_FILE> <TEX_RECT> \"1\" \"2\" \"3\" \"4\" "
      u"<\\TEX_RECT> "
      u"<\\FRAME>"
      u"  <ANIMATIONFILE> <SEARCHPATH> \"anim\" <\\SEARCHPATH> <TEXTUR_FILE> \"Sheet.png\" <\\TEXTUR_FILE>"
      u"    <ANZAHL> \"2\" \"1\" <\\ANZAHL> <OFFSET> \"1\" <\\OFFSET> <\\ANIMATIONFILE>"
      u"<\\ANIMATION_FRAMES>");
  AnimationFrames frames(root.get(), archive.get(), graphics.GetTexturDefCache());
  ASSERT_EQ(frames.GetCount(), 4);
  // The FRAME's own values are its folders; without TEX_RECT it shows the whole image.
  const TexturPart* image = frames.GetFrame(0)->texture;
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetFolder(), u"Anim");
  EXPECT_EQ(frames.GetFrame(0)->rect, (Rect{0, 0, 64, 32}));
  // A FRAME without folders finds no image and keeps its rectangle.
  EXPECT_EQ(frames.GetFrame(1)->texture, nullptr);
  EXPECT_EQ(frames.GetFrame(1)->rect, (Rect{1, 2, 3, 4}));
  // The sheet's first cell defaults to the whole image, so two columns reach past its edge.
  EXPECT_EQ(frames.GetFrame(2)->texture->GetFolder(), u"anim");
  EXPECT_EQ(frames.GetFrame(2)->rect, (Rect{0, 0, 64, 32}));
  EXPECT_EQ(frames.GetFrame(3)->rect, (Rect{64, 0, 128, 32}));
}

TEST(Animation, PlayTypesWalkTheFrameOrderOverTime) {
  struct Case {
    const char16_t* keys;
    double step;
    std::vector<int> shown;  // the frame shown after each update
  };
  const Case cases[] = {
      // Loop at 25 per second: it wraps on reaching the last entry, which is never shown.
      {u"", 0.02, {0, 1, 1, 2, 2, 0, 0, 1}},
      {u"<PLAY_TYP> \"something\" <\\PLAY_TYP>", 0.04, {1, 2, 0, 1, 2, 0}},
      {u"<PLAY_TYP> \"FORWARD_BACKWARD\" <\\PLAY_TYP>", 0.04, {1, 2, 3, 2, 1, 0, 1, 2, 3, 2}},
      {u"<PLAY_TYP> \"CLAMP\" <\\PLAY_TYP>", 0.04, {1, 2, 3, 3, 3}},
      // Inverted, position 0 shows the last entry.
      {u"<INVERT> \"1\" <\\INVERT>", 0.04, {2, 1, 3, 2, 1, 3}},
      {u"<INVERT> \"1\" <\\INVERT> <PLAY_TYP> \"FORWARD_BACKWARD\" <\\PLAY_TYP>",
       0.04,
       {2, 1, 0, 1, 2, 3, 2}},
      // FRAMES names list indices; the order has its own length.
      {u"<FRAMES> \"3\" \"3\" \"0\" \"2\" <\\FRAMES>", 0.04, {3, 0, 3, 3, 0}},
      {u"<SPEED> \"10\" <\\SPEED>", 0.1, {1, 2, 0, 1}},
  };
  for (const Case& c : cases) {
    AnimationManager manager(nullptr);
    auto animation = FourFrameAnimation(manager, c.keys);
    ASSERT_NE(animation, nullptr);
    std::vector<int> shown;
    for (size_t i = 0; i < c.shown.size(); ++i) {
      animation->Update(c.step);
      shown.push_back(Shown(*animation));
    }
    EXPECT_EQ(shown, c.shown) << platform::U16ToUtf8(c.keys);
  }

  AnimationManager manager(nullptr);
  auto loop = FourFrameAnimation(manager, u"");
  EXPECT_EQ(Shown(*loop), 0);
  loop->Update(0.1);
  EXPECT_EQ(loop->GetPosition(), 2.5);
  EXPECT_EQ(Shown(*loop), 2);
  EXPECT_FLOAT_EQ(loop->GetProgress(), 0.625f);
  loop->SetPosition(0.5);
  EXPECT_EQ(loop->GetPosition(), 1.5);
  EXPECT_EQ(loop->GetFramesPlayed(), 0.0);
  loop->SetPosition(7.0);
  EXPECT_EQ(loop->GetPosition(), 3.0);
  loop->SetPosition(-1.0);
  EXPECT_EQ(loop->GetPosition(), 0.0);
}

TEST(Animation, FinishingCountsEntriesAdvancedInEitherDirection) {
  struct Case {
    const char16_t* keys;
    std::vector<bool> finished;  // after each update of one entry
  };
  const Case cases[] = {
      {u"", {false, false, false, true, true}},
      {u"<PLAY_TYP> \"FORWARD_BACKWARD\" <\\PLAY_TYP>", {false, false, false, true, true}},
      {u"<MAXFRAMES> \"2\" <\\MAXFRAMES>", {false, true, true}},
      {u"<MAXFRAMES> \"0\" <\\MAXFRAMES>", {false, false, false, false, false, false}},
      {u"<MAXFRAMES> \"-3\" <\\MAXFRAMES>", {false, false, false, false, false, false}},
  };
  for (const Case& c : cases) {
    AnimationManager manager(nullptr);
    auto animation = FourFrameAnimation(manager, c.keys);
    std::vector<bool> finished;
    for (size_t i = 0; i < c.finished.size(); ++i) {
      animation->Update(0.04);
      finished.push_back(animation->IsFinished());
    }
    EXPECT_EQ(finished, c.finished) << platform::U16ToUtf8(c.keys);
    animation->Restart(-1);
    EXPECT_FALSE(animation->IsFinished());
  }
}

TEST(Animation, StartFramesDrawOncePerLoadAndOncePerClone) {
  struct Case {
    const char16_t* keys;
    int loadDraws;
    std::array<int32_t, 3> loaded;  // chosen, minimum, maximum after loading with seed 7
  };
  const std::vector<double> r = FractionsAfter(7, 4);
  const Case cases[] = {
      {u"<STARTFRAME> \"2\" \"5\" <\\STARTFRAME>", 1, {int32_t(r[0] * 3 + 2), 2, 5}},
      {u"<STARTFRAME> \"3\" <\\STARTFRAME>", 0, {3, 3, 3}},
      {u"", 0, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    AnimationManager manager(nullptr);
    auto root =
        Parse(std::u16string(u"<ANI>") + kFourFrames +
              u"<ANIMATION> <NAME> \"T\" <\\NAME> <ANIMATION_FRAME_NAME> \"Vier\" <\\ANIMATION_FRAME_NAME> " +
              c.keys + u"<\\ANIMATION><\\ANI>");
    platform::SRand(7);
    manager.LoadFile(root.get(), nullptr);
    EXPECT_EQ(DrawsSince(7), c.loadDraws) << platform::U16ToUtf8(c.keys);
    const Animation* stored = manager.FindAnimation(u"T");
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->GetStartFrame(), c.loaded);
    // The start frame shows only after a restart that asks for it.
    EXPECT_EQ(stored->GetPosition(), 0.0);

    // Every clone draws exactly once, whatever its range.
    for (int i = 0; i < 3; ++i) {
      const uint32_t before = platform::RandState();
      const double expected = FractionsAfter(before, 1)[0];
      auto clone = manager.CreateAnimation(u"T");
      EXPECT_EQ(DrawsSince(before), 1);
      const auto& start = clone->GetStartFrame();
      EXPECT_EQ(start[0], int32_t(expected * (c.loaded[2] - c.loaded[1]) + c.loaded[1]));
      EXPECT_GE(start[0], start[1]);
      EXPECT_LE(start[0], start[2]);
      clone->Restart(0);
      EXPECT_EQ(clone->GetPosition(), double(start[0]));
      clone->Update(0.04);
      clone->Restart(-1);
      EXPECT_EQ(clone->GetPosition(), 0.0);
      EXPECT_EQ(clone->GetFramesPlayed(), 0.0);
    }
  }
}

TEST(Animation, EmptyOrdersAndMissingFramesShowNothing) {
  struct Case {
    const char16_t* keys;
    int shownAtStart;
    int shownAfterOneEntry;
  };
  const Case cases[] = {
      {u"<FRAMES> <\\FRAMES>", -1, -1},
      {u"<FRAMES> <\\FRAMES> <INVERT> \"1\" <\\INVERT>", -1, -1},
      // Entry 1 names a frame the list does not have.
      {u"<FRAMES> \"2\" \"7\" \"1\" <\\FRAMES>", 2, -1},
      {u"<FRAMES> \"-1\" \"0\" \"1\" <\\FRAMES>", -1, 0},
  };
  for (const Case& c : cases) {
    AnimationManager manager(nullptr);
    auto animation = FourFrameAnimation(manager, c.keys);
    EXPECT_EQ(Shown(*animation), c.shownAtStart) << platform::U16ToUtf8(c.keys);
    animation->Update(0.04);
    EXPECT_EQ(Shown(*animation), c.shownAfterOneEntry) << platform::U16ToUtf8(c.keys);
  }

  // Naming a frame list that was never loaded: the animation is kept, shows nothing and
  // never finishes.
  AnimationManager manager(nullptr);
  auto root = Parse(
      u"<ANI><ANIMATION> <NAME> \"Los\" <\\NAME> <ANIMATION_FRAME_NAME> \"Fehlt\" <\\ANIMATION_FRAME_NAME> "
      u"<\\ANIMATION><\\ANI>");
  manager.LoadFile(root.get(), nullptr);
  auto orphan = manager.CreateAnimation(u"Los");
  ASSERT_NE(orphan, nullptr);
  EXPECT_EQ(orphan->GetFrames(), nullptr);
  for (int i = 0; i < 5; ++i) orphan->Update(0.5);
  EXPECT_EQ(orphan->GetCurrentFrame(), nullptr);
  EXPECT_FALSE(orphan->IsFinished());
  EXPECT_EQ(orphan->GetProgress(), 0.0f);
}

TEST(AnimationManager, LookupsFindTheLastDefinitionOfAName) {
  AnimationManager manager(nullptr);
  // Animations may precede the frame lists they name: each kind is read as a group.
  auto first = Parse(
      u"<ANI>"
      u"<ANIMATION> <NAME> \"Blink\" <\\NAME> <ANIMATION_FRAME_NAME> \"F\" <\\ANIMATION_FRAME_NAME> "
      u"<SPEED> \"5\" <\\SPEED> <\\ANIMATION>"
      u"<ANIMATION_FRAMES> <NAME> \"F\" <\\NAME> <FRAME> <\\FRAME> <\\ANIMATION_FRAMES>"
      u"<ANIMATION> <NAME> \"Blink\" <\\NAME> <ANIMATION_FRAME_NAME> \"F\" <\\ANIMATION_FRAME_NAME> "
      u"<SPEED> \"6\" <\\SPEED> <\\ANIMATION>"
      u"<\\ANI>");
  manager.LoadFile(first.get(), nullptr);
  ASSERT_NE(manager.FindFrames(u"F"), nullptr);
  EXPECT_EQ(manager.FindAnimation(u"Blink")->GetFrames(), manager.FindFrames(u"F"));
  EXPECT_EQ(manager.FindAnimation(u"Blink")->GetSpeed(), 6.0);

  // A second file shadows both; an inline frame list joins the manager's lists.
  auto second = Parse(
      u"<ANI>"
      u"<ANIMATION_FRAMES> <NAME> \"F\" <\\NAME> <FRAME> <\\FRAME> <FRAME> <\\FRAME> <\\ANIMATION_FRAMES>"
      u"<ANIMATION> <NAME> \"Blink\" <\\NAME> <SPEED> \"7\" <\\SPEED>"
      u"  <ANIMATION_FRAME> <NAME> \"Innen\" <\\NAME> <FRAME> <\\FRAME> <FRAME> <\\FRAME> <FRAME> <\\FRAME> "
      u"<\\ANIMATION_FRAME>"
      u"<\\ANIMATION>"
      u"<\\ANI>");
  manager.LoadFile(second.get(), nullptr);
  EXPECT_EQ(manager.GetFramesCount(), 3u);
  EXPECT_EQ(manager.FindFrames(u"F")->GetCount(), 2);
  const AnimationFrames* inner = manager.FindFrames(u"Innen");
  ASSERT_NE(inner, nullptr);
  auto blink = manager.CreateAnimation(u"Blink");
  ASSERT_NE(blink, nullptr);
  EXPECT_EQ(blink->GetSpeed(), 7.0);
  EXPECT_EQ(blink->GetFrames(), inner);
  EXPECT_EQ(blink->GetFrameOrder(), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(blink->GetFrameLimit(), 3);

  // Names compare exactly.
  EXPECT_EQ(manager.CreateAnimation(u"blink"), nullptr);
  EXPECT_EQ(manager.FindAnimation(u""), nullptr);
  EXPECT_EQ(manager.FindFrames(u"f"), nullptr);
}
