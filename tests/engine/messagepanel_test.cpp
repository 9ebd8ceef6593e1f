// The battle's message panels on the Null device: ageing and expiry, the box width that jumps
// up and shrinks smoothly, the scroll offset's decay, the lines' order and opacity, and the
// fading list's alpha by the height of the newer lines.
#include "engine/messagepanel.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/fontmanager.h"
#include "engine/myglobals.h"
#include "engine/spriterenderer.h"

namespace {

class Panels : public ::testing::Test {
 protected:
  void SetUp() override {
    DisplayEnvironment env;
    env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, env);
    graphics->UseNullDevice(true);
    context.graphics = graphics.get();
    context.globals = std::make_unique<MyGlobals>(&context);
    ASSERT_EQ(graphics->Create(), kResultOk);
    device = graphics->GetDevice();
  }
  void TearDown() override {
    context.globals.reset();
    graphics->Release();
  }

  // The width of a text in font 0 as the panel measures it.
  int32_t Width(const char16_t* text) {
    Rect r{0, 0, 0, 0};
    graphics->GetFontManager()->MeasureText(0, text, &r, kDtCalcRect | kDtNoClip, 0);
    return r.Width();
  }

  template <typename Call>
  std::vector<platform::DrawRecord> Drawn(Call call) {
    device->ClearRecordedDraws();
    graphics->GetSpriteRenderer()->Begin(SpriteRenderer::kAlphaBlend);
    call();
    graphics->GetSpriteRenderer()->End();
    return device->RecordedDraws();
  }

  const MyGlobals& Globals() const { return *static_cast<const MyGlobals*>(context.globals.get()); }

  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  platform::GraphicsDevice* device = nullptr;
};

// The draws of text only (the box is drawn from the box texture).
std::vector<platform::DrawRecord> TextOnly(const std::vector<platform::DrawRecord>& draws,
                                           const MyGlobals& globals) {
  std::vector<platform::DrawRecord> out;
  for (const auto& d : draws)
    if (!globals.GetBoxTexture() || d.texture != globals.GetBoxTexture()->texture) out.push_back(d);
  return out;
}

Rect Destination(const platform::DrawRecord& d) {
  return {int32_t(d.corners[0].x), int32_t(d.corners[0].y), int32_t(d.corners[3].x), int32_t(d.corners[3].y)};
}

std::vector<uint32_t> Colours(const std::vector<platform::DrawRecord>& draws) {
  std::vector<uint32_t> out;
  for (const auto& d : draws)
    if (out.empty() || out.back() != d.colour) out.push_back(d.colour);
  return out;
}

}  // namespace

TEST(MessageLabels, TimesShadowsAndOpacity) {
  struct Case {
    Argb colour;
    double display;
    double second;
    Argb shadow;
    double timeLeft;
    bool permanent;
  };
  const Case cases[] = {
      {0xFFFFFFFF, 3.0, 9.0, 0x10000000, 3.0, false},
      {0xFF212121, 3.0, 0.0, 0x10FFFFFF, 3.0, false},  // dark text gets a light shadow
      {0xFE212121, 3.0, 0.0, 0x10000000, 3.0, false},
      {0xFF0330F3, -1.0, 5.0, 0x10000000, 5.0, true},
  };
  for (const Case& c : cases) {
    MessageLabel label(u"x", c.colour, c.display, c.second);
    EXPECT_EQ(label.shadowColour, c.shadow) << std::hex << c.colour;
    EXPECT_EQ(label.timeLeft, c.timeLeft);
    EXPECT_EQ(label.timeTotal, c.timeLeft);
    EXPECT_EQ(label.permanent, c.permanent);
    EXPECT_EQ(label.shadowOffset, 2);
    EXPECT_EQ(label.shadowSize, 4);
  }
  MessageLabel fading(u"x", 0xFFFFFFFF, 4.0);
  fading.timeLeft = 1.0;
  EXPECT_EQ(fading.Opacity(), 0.25);
  fading.timeTotal = 0.0;
  EXPECT_EQ(fading.Opacity(), 1.0) << "no division by a zero display time";
  FadingTextLabel line(u"x", 0xFF212121);
  EXPECT_EQ(line.shadowColour, 0x10FFFFFFu);
  EXPECT_EQ(line.shadowOffset, 1);
  EXPECT_EQ(line.shadowSize, 2);
}

TEST_F(Panels, MessagesAgeExpireAndLeaveAScrollOffsetThatDecays) {
  MessagePanel panel(&context);
  panel.Place({312, 40, 712, 240}, MessagePanel::kFromTop, 0);
  panel.Add(std::make_unique<MessageLabel>(u"Kiste!", 0xFFFFFFFF, 0.05));
  panel.Add(std::make_unique<MessageLabel>(u"Runde 2", 0xFFFFFFFF, -1.0, 2.0));
  EXPECT_EQ(panel.StackHeight(), 40);
  EXPECT_EQ(panel.Messages()[0]->height, 20);

  const double step = 0.01;
  for (int frame = 0; frame < 4; ++frame) panel.Update(step);
  ASSERT_EQ(panel.Messages().size(), 2u) << "0.05 s not yet over";
  EXPECT_NEAR(panel.Messages()[0]->timeLeft, 0.01, 1e-12);
  panel.Update(step);
  ASSERT_EQ(panel.Messages().size(), 1u);
  EXPECT_EQ(panel.Messages()[0]->text, u"Runde 2");
  EXPECT_EQ(panel.StackHeight(), 20);
  // The removal happens before the decay of the same update.
  double expected = 20.0 - 20.0 * step * 10.0;
  EXPECT_DOUBLE_EQ(panel.ScrollOffset(), expected);
  EXPECT_EQ(panel.HeightInUse(), 20 + 18);
  for (int frame = 0; frame < 5; ++frame) {
    panel.Update(step);
    expected -= expected * step * 10.0;
    EXPECT_DOUBLE_EQ(panel.ScrollOffset(), expected) << "frame " << frame;
  }

  for (int frame = 0; frame < 10000; ++frame) panel.Update(step);
  ASSERT_EQ(panel.Messages().size(), 1u) << "a permanent message never expires";
  EXPECT_EQ(panel.Messages()[0]->timeLeft, 2.0);
  EXPECT_EQ(panel.Messages()[0]->Opacity(), 1.0);

  panel.Place({0, 0, 100, 100}, MessagePanel::kFromBottom, 0);
  EXPECT_TRUE(panel.Messages().empty());
  EXPECT_EQ(panel.StackHeight(), 0);
  EXPECT_EQ(panel.ScrollOffset(), 0.0);
  EXPECT_EQ(panel.ShownWidth(), 100);
}

TEST_F(Panels, TheScrollOffsetIsLimitedToThePanelHeight) {
  MessagePanel panel(&context);
  panel.Place({0, 0, 400, 30}, MessagePanel::kFromTop, 0);
  for (int i = 0; i < 3; ++i) panel.Add(std::make_unique<MessageLabel>(u"Wurm", 0xFFFFFFFF, 0.01));
  panel.Update(0.01);
  EXPECT_TRUE(panel.Messages().empty());
  EXPECT_DOUBLE_EQ(panel.ScrollOffset(), 30.0 - 30.0 * 0.1);
  EXPECT_EQ(panel.HeightInUse(), 27);
}

TEST_F(Panels, TheBoxGrowsAtOnceAndShrinksOverSeveralFrames) {
  MessagePanel panel(&context);
  panel.Place({0, 0, 1000, 300}, MessagePanel::kFromTop, 0);
  const int32_t narrow = Width(u"Kurz");
  const int32_t wide = Width(u"Eine viel breitere Nachricht");
  ASSERT_LT(narrow, wide);
  panel.Add(std::make_unique<MessageLabel>(u"Kurz", 0xFFFFFFFF, 10.0));
  // From the panel's width the shown width shrinks toward the message.
  panel.Update(0.01);
  EXPECT_EQ(panel.ShownWidth(), std::max(narrow, int32_t(1000 + (narrow - 1000) * 0.1)));
  for (int frame = 0; frame < 200; ++frame) panel.Update(0.01);
  EXPECT_EQ(panel.ShownWidth(), narrow);

  panel.Add(std::make_unique<MessageLabel>(u"Eine viel breitere Nachricht", 0xFFFFFFFF, 0.5));
  panel.Update(0.01);
  EXPECT_EQ(panel.ShownWidth(), wide) << "grows in one frame";

  for (int frame = 0; frame < 49; ++frame) panel.Update(0.01);
  ASSERT_EQ(panel.Messages().size(), 1u);
  // The update that removes the wide message still counts it; the next ones shrink.
  EXPECT_EQ(panel.ShownWidth(), wide);
  int32_t previous = wide;
  int frames = 0;
  while (panel.ShownWidth() > narrow && frames < 1000) {
    panel.Update(0.01);
    const int32_t shown = panel.ShownWidth();
    EXPECT_EQ(shown, std::max(narrow, int32_t(previous + (narrow - previous) * 0.1)));
    previous = shown;
    ++frames;
  }
  EXPECT_GT(frames, 5) << "smoothly, not at once";
  EXPECT_EQ(panel.ShownWidth(), narrow);
}

TEST_F(Panels, LinesStackNewestLowestAndFadeWithTheirTime) {
  MessagePanel panel(&context);
  panel.Place({312, 40, 712, 240}, MessagePanel::kFromTop, 0);
  panel.Add(std::make_unique<MessageLabel>(u"I", 0xFFFFFFFF, 2.0));
  panel.Add(std::make_unique<MessageLabel>(u"I", 0xFF212121, -1.0, 1.0));
  panel.Update(1.0);  // the first message is at half its time
  auto draws = TextOnly(Drawn([&] { panel.Draw(); }), Globals());
  // Per message a halo shadow of 20 copies, then the text; the newest message first.
  ASSERT_EQ(draws.size(), 42u);
  EXPECT_EQ(Colours(draws), (std::vector<uint32_t>{0x10FFFFFF, 0xFF212121, 0x08000000, 0x7F7F7F7F}));
  const float newestY = draws[20].corners[0].y, oldestY = draws[41].corners[0].y;
  EXPECT_EQ(newestY - oldestY, 20.0f) << "the newest line lies one line lower";
  EXPECT_GE(oldestY, 40.0f);
  EXPECT_LT(newestY, 80.0f);

  // Mode 1 stands the lines on the panel's bottom, newest lowest.
  panel.Place({312, 40, 712, 240}, MessagePanel::kFromBottom, 0);
  panel.Add(std::make_unique<MessageLabel>(u"I", 0xFFFFFFFF, 2.0));
  panel.Add(std::make_unique<MessageLabel>(u"I", 0xFFFFFFFF, 2.0));
  draws = TextOnly(Drawn([&] { panel.Draw(); }), Globals());
  ASSERT_EQ(draws.size(), 42u);
  EXPECT_EQ(draws[20].corners[0].y - draws[41].corners[0].y, 20.0f);
  EXPECT_GT(draws[20].corners[0].y, 220.0f);
  EXPECT_LE(draws[20].corners[3].y, 240.0f);
}

TEST_F(Panels, ALineCutAtTheTopOfTheAreaInUseKeepsWhatRemains) {
  MessagePanel panel(&context);
  // 30 pixels of panel for two lines of 20: the older line keeps its lower 10 pixels.
  panel.Place({0, 100, 400, 130}, MessagePanel::kFromTop, 0);
  panel.Add(std::make_unique<MessageLabel>(u"Alt", 0xFFFFFFFF, 5.0));
  panel.Add(std::make_unique<MessageLabel>(u"Neu", 0xFFFFFFFF, 5.0));
  EXPECT_EQ(panel.HeightInUse(), 30);
  for (auto& m : panel.Messages()) m->shadowOffset = -1;
  auto draws = TextOnly(Drawn([&] { panel.Draw(); }), Globals());
  ASSERT_FALSE(draws.empty());
  for (const auto& d : draws) {
    EXPECT_GE(d.corners[0].y, 100.0f) << "nothing above the panel's top";
    EXPECT_LE(d.corners[3].y, 130.0f);
  }
}

TEST_F(Panels, TheBoxFramesTheShownWidthAndTheHeightInUse) {
  ASSERT_NE(Globals().GetBoxTexture(), nullptr);
  MessagePanel panel(&context);
  panel.Place({312, 40, 712, 240}, MessagePanel::kFromTop, 0);
  EXPECT_TRUE(Drawn([&] { panel.Draw(); }).empty()) << "an empty panel draws no box";

  panel.Add(std::make_unique<MessageLabel>(u"Kiste!", 0xFFFFFFFF, 5.0));
  panel.Update(0.2);  // a long step: the width reaches the message's at once
  const int32_t w = Width(u"Kiste!");
  ASSERT_EQ(panel.ShownWidth(), w);
  struct Case {
    int mode;
    int32_t top, bottom;
  };
  const Case cases[] = {{MessagePanel::kFromTop, 25, 75}, {MessagePanel::kFromBottom, 205, 255}};
  for (const Case& c : cases) {
    panel.Place({312, 40, 712, 240}, c.mode, 0);
    panel.Add(std::make_unique<MessageLabel>(u"Kiste!", 0xFFFFFFFF, 5.0));
    panel.Update(0.2);
    std::vector<platform::DrawRecord> box;
    for (const auto& d : Drawn([&] { panel.Draw(); }))
      if (d.texture == Globals().GetBoxTexture()->texture) box.push_back(d);
    // A box of one line is 50 high: the border is cut to 25 and the middle row is empty,
    // so each layer draws six cells. Layer 1 black at three quarters, layer 2 invisible,
    // layer 3 white.
    ASSERT_EQ(box.size(), 18u);
    EXPECT_EQ(box[0].colour, 0xC0000000u);
    EXPECT_EQ(box[6].colour, 0x00000000u);
    EXPECT_EQ(box[12].colour, 0xFFFFFFFFu);
    EXPECT_EQ(box[0].source, (Rect{0, 0, 30, 30}));
    EXPECT_EQ(box[6].source, (Rect{300, 0, 330, 30}));
    EXPECT_EQ(box[12].source, (Rect{600, 0, 630, 30}));
    EXPECT_EQ(Destination(box[0]), (Rect{(1024 - w) / 2 - 15, c.top, (1024 - w) / 2 + 10, c.top + 25}));
    EXPECT_EQ(Destination(box[5]), (Rect{(1024 + w) / 2 - 10, c.bottom - 25, (1024 + w) / 2 + 15, c.bottom}))
        << "mode " << c.mode;
  }

  // After the last message the box shrinks away with the scroll offset, then is gone.
  panel.Place({312, 40, 712, 240}, MessagePanel::kFromTop, 0);
  panel.Add(std::make_unique<MessageLabel>(u"Kiste!", 0xFFFFFFFF, 0.01));
  panel.Update(0.01);
  ASSERT_TRUE(panel.Messages().empty());
  EXPECT_EQ(Drawn([&] { panel.Draw(); }).size(), 18u);
  for (int frame = 0; frame < 200; ++frame) panel.Update(0.01);
  EXPECT_TRUE(Drawn([&] { panel.Draw(); }).empty());
}

TEST_F(Panels, FadingLinesFadeByTheHeightAboveThemAndArePushedOut) {
  FadingTextList list(&context);
  list.Place({100, 400, 500, 450}, 0);  // 50 pixels: room for two and a half lines
  const char16_t* texts[] = {u"eins", u"zwei", u"drei", u"vier"};
  for (const char16_t* t : texts) list.Add(std::make_unique<FadingTextLabel>(t, 0xFFFFFFFF));
  ASSERT_EQ(list.Lines().size(), 4u);
  EXPECT_EQ(list.Lines()[0]->height, 20);
  EXPECT_EQ(list.Lines()[0]->width, 400) << "measured word-wrapped in the panel's width";

  list.Update();
  // Newest first: running heights 0, 20, 40, then 60 > 50 pushes "eins" out.
  ASSERT_EQ(list.Lines().size(), 3u);
  EXPECT_EQ(list.Lines()[0]->text, u"zwei");
  const double fades[] = {1.0 - 40.0 / 50.0, 1.0 - 20.0 / 50.0, 1.0};
  for (size_t i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(list.Lines()[i]->fade, fades[i]) << i;

  for (auto& line : list.Lines()) line->shadowOffset = -1;
  auto draws = Drawn([&] { list.Draw(); });
  // Newest at the bottom; each line's colour scaled by its fade on all four channels.
  EXPECT_EQ(Colours(draws), (std::vector<uint32_t>{0xFFFFFFFF, 0x99999999, 0x33333333}));
  for (const auto& d : draws) {
    EXPECT_GE(d.corners[0].y, 390.0f);
    EXPECT_LE(d.corners[3].y, 450.0f);
  }

  // A long line wraps and counts with its whole height.
  list.Add(std::make_unique<FadingTextLabel>(
      u"eine sehr lange Zeile, die in dieser schmalen Liste umgebrochen werden muss", 0xFFFFFFFF));
  EXPECT_GE(list.Lines().back()->height, 40);
  list.Update();
  ASSERT_LE(list.Lines().size(), 2u);
  EXPECT_EQ(list.Lines().back()->fade, 1.0);

  list.Place({0, 0, 100, 0}, 0);
  EXPECT_TRUE(list.Lines().empty());
  list.Add(std::make_unique<FadingTextLabel>(u"a", 0xFFFFFFFF));
  list.Add(std::make_unique<FadingTextLabel>(u"b", 0xFFFFFFFF));
  list.Update();
  ASSERT_EQ(list.Lines().size(), 1u) << "a panel without height keeps the newest line";
  EXPECT_EQ(list.Lines()[0]->fade, 1.0);

  // A list with a most-lines count keeps that many however tall it is; the oldest leave first.
  list.Place({0, 0, 400, 2000}, 0, 3);
  const char16_t* many[] = {u"a", u"b", u"c", u"d", u"e"};
  for (const char16_t* t : many) list.Add(std::make_unique<FadingTextLabel>(t, 0xFFFFFFFF));
  list.Update();
  ASSERT_EQ(list.Lines().size(), 3u);
  EXPECT_EQ(list.Lines()[0]->text, u"c");
  EXPECT_EQ(list.Lines()[2]->text, u"e");
}
