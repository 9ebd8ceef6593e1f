// The GUI base: hover tests from the highest slot, hit-test flags, fades over the real frame
// step, docked and anchored layout with its truncations, borders, the child tree and
// handlers, and fade records of deleted elements.
#include <gtest/gtest.h>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apiinput.h"
#include "engine/guidrawklasse.h"

namespace {

// 1/128 s a frame, so fade steps add up without rounding.
constexpr double kFrame = 1.0 / 128.0;
class StepClock final : public TimerClock {
 public:
  bool QueryFrequency(uint64_t& countsPerSecond) override {
    countsPerSecond = 1024;
    return true;
  }
  uint64_t QueryCounter() override { return m_count += 8; }
  uint32_t TickCount() override { return uint32_t(m_count); }

 private:
  uint64_t m_count = 0;
};

class Gui : public ::testing::Test {
 protected:
  void SetUp() override {
    DisplayEnvironment env;
    env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, env);
    context.timer = std::make_unique<FrameTimer>(&clock);
    screen = std::make_unique<GUIDrawKlasse>(4, &context);
  }

  GUIElement* Make(GUIRect rect, int32_t mode = kAnchorAbsolute, GUIBehaviour behaviour = {}) {
    GUIAnchor anchor;
    anchor.mode = mode;
    return new GUIElement(GUIElementId(u"e", nullptr), rect, {}, behaviour, &anchor, 0, 0, 0, 0,
                          graphics.get());
  }

  // One frame as a screen runs it: hover test at the mouse, then the fades.
  void Frame(int x, int y) {
    InputState mouse;
    mouse.mouseX = x;
    mouse.mouseY = y;
    context.timer->Tick();
    screen->UpdateHover(&mouse);
    screen->UpdateFades();
  }

  StepClock clock;
  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  std::unique_ptr<GUIDrawKlasse> screen;
};

GUIBehaviour Fading(double in, double out) {
  GUIBehaviour b;
  b.fadeIn = in;
  b.fadeOut = out;
  return b;
}

}  // namespace

TEST_F(Gui, HoverComesFromTheHighestVisibleSlot) {
  GUIElement* low = Make({0, 0, 100, 100});
  GUIElement* high = Make({50, 50, 100, 100});
  screen->SetElement(0, low);
  screen->SetElement(2, high);
  screen->SetElement(3, Make({0, 0, 1024, 768}));  // covers everything, never shown
  screen->SetVisible(0, true);
  screen->SetVisible(2, true);
  InputState mouse;
  mouse.mouseX = 60;
  mouse.mouseY = 60;
  ASSERT_TRUE(screen->UpdateHover(&mouse));
  EXPECT_EQ(screen->GetHoveredElement(), high);
  ASSERT_NE(screen->GetHoveredRecord(), nullptr);
  EXPECT_EQ(screen->GetHoveredRecord()->element, high);
  screen->SetVisible(2, false);
  ASSERT_TRUE(screen->UpdateHover(&mouse));
  EXPECT_EQ(screen->GetHoveredElement(), low);
  EXPECT_EQ(screen->GetFadeRecordCount(), 2u);
  mouse.mouseX = 500;
  EXPECT_FALSE(screen->UpdateHover(&mouse));
  EXPECT_EQ(screen->GetHoveredElement(), nullptr);
}

TEST_F(Gui, HitTestsFollowTheBehaviourFlags) {
  struct Case {
    const char* what;
    bool parentEnabled, parentHoverable, parentIntoChildren, childHoverable;
    bool onChildHitsChild, onChildHitsParent, onParentHitsParent;
  };
  const Case cases[] = {
      {"defaults", true, true, true, true, true, false, true},
      {"disabled parent hides its children", false, true, true, true, false, false, false},
      {"parent not hoverable", true, false, true, true, true, false, false},
      {"not into the children", true, true, false, true, false, true, true},
      {"child not hoverable", true, true, true, false, false, true, true},
  };
  for (const Case& c : cases) {
    GUIBehaviour pb, cb;
    pb.enabled = c.parentEnabled;
    pb.hoverable = c.parentHoverable;
    pb.intoChildren = c.parentIntoChildren;
    cb.hoverable = c.childHoverable;
    std::unique_ptr<GUIElement> parent(Make({100, 100, 100, 100}, kAnchorAbsolute, pb));
    GUIElement* child = Make({10, 10, 20, 20}, kAnchorAbsolute, cb);
    parent->AddChild(child);
    GUIElement* onChild = parent->HitTest(115, 115);
    EXPECT_EQ(onChild == child, c.onChildHitsChild) << c.what;
    EXPECT_EQ(onChild == parent.get(), c.onChildHitsParent) << c.what;
    EXPECT_EQ(parent->HitTest(150, 150) == parent.get(), c.onParentHitsParent) << c.what;
    EXPECT_EQ(parent->HitTest(200, 150), nullptr) << c.what << ": right and bottom edges are outside";
  }
}

TEST_F(Gui, FadesRiseUnderTheMouseAndFallAfterIt) {
  struct Case {
    double fadeIn, fadeOut;
    int framesToFull;     // frames under the mouse until the level is 1
    int framesToRemoval;  // frames after the mouse left until the record is gone
  };
  const Case cases[] = {{0.5, 0.25, 64, 32}, {-1.0, -1.0, 1, 1}, {0.0, 0.0625, 1, 8}, {0.125, 0.0, 16, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "fade in " << c.fadeIn << ", out " << c.fadeOut);
    screen->ClearElements();
    screen->SetElement(0, Make({0, 0, 100, 100}, kAnchorAbsolute, Fading(c.fadeIn, c.fadeOut)));
    screen->SetVisible(0, true);
    // The player's pause stops the game step, not the real step the fades run on.
    context.timer->paused = true;
    for (int f = 1; f < c.framesToFull; ++f) Frame(10, 10);
    if (c.framesToFull > 1) {
      EXPECT_LT(screen->GetHoveredRecord()->level, 1.0);
    }
    Frame(10, 10);
    GUIFadeRecord* record = screen->GetHoveredRecord();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->level, 1.0);
    EXPECT_EQ(record->age, c.framesToFull * kFrame);
    Frame(10, 10);
    EXPECT_EQ(record->level, 1.0) << "never above 1";
    for (int f = 1; f < c.framesToRemoval; ++f) {
      Frame(500, 500);
      ASSERT_EQ(screen->GetFadeRecordCount(), 1u) << "frame " << f;
      EXPECT_GT(record->level, 0.0);
    }
    Frame(500, 500);
    EXPECT_EQ(screen->GetFadeRecordCount(), 0u);
    EXPECT_EQ(screen->GetFadeOutTime(), c.fadeOut);
  }
}

TEST_F(Gui, ARecordDoesNotOutliveItsElement) {
  GUIElement* panel = Make({0, 0, 200, 200}, kAnchorAbsolute, Fading(0.5, 0.5));
  GUIElement* button = Make({10, 10, 50, 50}, kAnchorAbsolute, Fading(0.5, 0.5));
  panel->AddChild(button);
  screen->SetElement(1, panel);
  screen->SetVisible(1, true);
  for (int f = 0; f < 10; ++f) Frame(20, 20);
  Frame(100, 100);  // the button fades out, the panel in
  ASSERT_EQ(screen->GetFadeRecordCount(), 2u);
  ASSERT_NE(screen->FindFadeRecord(button), nullptr);
  ASSERT_TRUE(panel->RemoveChild(button));
  EXPECT_EQ(button->GetParent(), nullptr);
  volatile uintptr_t address = reinterpret_cast<uintptr_t>(button);
  delete button;
  EXPECT_EQ(screen->FindFadeRecord(reinterpret_cast<const GUIElement*>(address)), nullptr)
      << "a new element at the same address finds nothing";
  screen->UpdateFades();
  EXPECT_EQ(screen->GetFadeRecordCount(), 1u);
  // The hovered element itself goes: its slot is given a new element.
  screen->SetElement(1, Make({0, 0, 10, 10}));
  EXPECT_EQ(screen->GetHoveredElement(), nullptr);
  EXPECT_EQ(screen->GetHoveredRecord(), nullptr);
  screen->UpdateFades();
  EXPECT_EQ(screen->GetFadeRecordCount(), 0u);
}

TEST_F(Gui, TopLevelElementsArePlacedOnTheScreen) {
  struct Case {
    GUIRect wanted;
    int32_t mode;
    double fx, fy;
    GUIRect placed;
  };
  const Case cases[] = {
      {{-10, -20, 100, 50}, kAnchorAbsolute, 0.5, 0.5, {914, 698, 100, 50}},
      {{30, 40, 100, 50}, kAnchorAbsolute, 0.5, 0.5, {30, 40, 100, 50}},
      {{7, 9, 100, 50}, kCentreAcross, 0.25, 0.5, {206, 9, 100, 50}},
      {{7, 9, 101, 51}, kCentreDown, 0.5, 0.3, {7, 205, 101, 51}},  // 230.4 - 25, truncated
      {{7, 9, 2000, 50}, kCentreBoth, 0.5, 0.5, {0, 359, 1024, 50}},
      {{7, 9, 100, 50}, kCentreBoth, 1.0, 0.0, {924, 0, 100, 50}},
      {{7, 9, 100, 50}, kDockTop, 0.5, 0.5, {7, 9, 100, 50}},
  };
  for (const Case& c : cases) {
    GUIAnchor anchor{c.mode, c.fx, c.fy};
    GUIElement e(GUIElementId(), c.wanted, {}, {}, &anchor, 0, 0, 0, 0, graphics.get());
    EXPECT_EQ(e.GetRect(), c.placed) << "mode " << c.mode << " at " << c.wanted.x << "," << c.wanted.y;
    EXPECT_EQ(e.GetWantedRect(), c.wanted);
  }
}

TEST_F(Gui, ChildrenDockThenFillTheAreaLeftOver) {
  struct Child {
    GUIRect wanted;
    int32_t mode;
    double fx = 0.5, fy = 0.5;
  };
  struct Case {
    const char* what;
    int32_t outerSides, outerThickness, innerSides, innerThickness;
    std::vector<Child> children;
    std::vector<GUIRect> placed;
  };
  // The parent is (50, 40, 100, 200).
  const Case cases[] = {
      {"every dock, then fill",
       0,
       0,
       0,
       0,
       {{{0, 0, 0, 30}, kDockTop},
        {{0, 0, 0, 50}, kDockBottom},
        {{0, 0, 20, 0}, kDockLeft},
        {{0, 0, 10, 0}, kDockRight},
        {{0, 0, 5, 5}, kAnchorFill}},
       {{50, 40, 100, 30}, {50, 190, 100, 50}, {50, 70, 20, 120}, {140, 70, 10, 120}, {70, 70, 70, 120}}},
      {"a dock taller than the area takes what is left",
       0,
       0,
       0,
       0,
       {{{0, 0, 0, 150}, kDockTop}, {{0, 0, 0, 150}, kDockTop}},
       {{50, 40, 100, 150}, {50, 190, 100, 50}}},
      {"docks happen first, whatever the order",
       0,
       0,
       0,
       0,
       {{{0, 0, 0, 0}, kAnchorFill}, {{0, 0, 30, 0}, kDockLeft}},
       {{80, 40, 70, 200}, {50, 40, 30, 200}}},
      {"fill uses the area up",
       0,
       0,
       0,
       0,
       {{{0, 0, 0, 0}, kAnchorFill}, {{0, 0, 20, 20}, kCentreBoth}},
       {{50, 40, 100, 200}, {50, 40, 0, 0}}},
      {"absolute from the near and far edges, width cut at the far edge",
       0,
       0,
       0,
       0,
       {{{10, 20, 30, 40}, kAnchorAbsolute},
        {{-10, -20, 30, 40}, kAnchorAbsolute},
        {{90, 0, 30, 10}, kAnchorAbsolute}},
       {{60, 60, 30, 40}, {110, 180, 30, 40}, {140, 40, 10, 10}}},
      {"borders inset the area; absolute offsets count from the outer edge",
       kBorderLeft | kBorderRight | kBorderTop | kBorderBottom,
       5,
       kBorderTop | kBorderLeft,
       3,
       {{{0, 0, 0, 10}, kDockTop},
        {{10, 20, 30, 40}, kAnchorAbsolute},
        {{-10, -20, 30, 40}, kAnchorAbsolute}},
       {{58, 48, 87, 10}, {60, 70, 30, 40}, {100, 170, 30, 40}}},
      {"centred across and down, limited to the area, truncated",
       0,
       0,
       0,
       0,
       {{{0, 3, 40, 10}, kCentreAcross, 0.5},
        {{4, 0, 10, 41}, kCentreDown, 0.5, 0.3},
        {{0, 0, 40, 10}, kCentreBoth, 1.0, 0.0},
        {{0, 0, 300, 10}, kCentreAcross, 0.5}},
       {{80, 43, 40, 10}, {54, 80, 10, 41}, {110, 40, 40, 10}, {50, 40, 100, 10}}},
  };
  for (const Case& c : cases) {
    GUIElement parent(GUIElementId(), {50, 40, 100, 200}, {}, {}, nullptr, c.outerSides, c.outerThickness,
                      c.innerSides, c.innerThickness, graphics.get());
    std::vector<GUIElement*> kids;
    for (const Child& child : c.children) {
      GUIAnchor anchor{child.mode, child.fx, child.fy};
      kids.push_back(
          new GUIElement(GUIElementId(), child.wanted, {}, {}, &anchor, 0, 0, 0, 0, graphics.get()));
      parent.AddChild(kids.back());
    }
    for (size_t i = 0; i < kids.size(); ++i) {
      const GUIRect& r = kids[i]->GetRect();
      const GUIRect& e = c.placed[i];
      EXPECT_EQ(r, e) << c.what << ", child " << i << ": got (" << r.x << ", " << r.y << ", " << r.width
                      << ", " << r.height << ")";
    }
  }
}

TEST_F(Gui, BorderLayersLieInsideEachOther) {
  GUIElement e(GUIElementId(), {10, 20, 100, 50}, {}, {}, nullptr, kBorderTop | kBorderLeft, 4,
               kBorderTop | kBorderLeft | kBorderRight | kBorderBottom, 2, graphics.get());
  EXPECT_EQ(e.GetInsetLeft(), 6);
  EXPECT_EQ(e.GetInsetRight(), 2);
  EXPECT_EQ(e.GetInsetTop(), 6);
  EXPECT_EQ(e.GetInsetBottom(), 2);
  const GUIBorderRects& outer = e.GetOuterBorder();
  const GUIBorderRects& inner = e.GetInnerBorder();
  EXPECT_EQ(outer.top, (Rect{10, 20, 110, 24}));
  EXPECT_EQ(outer.left, (Rect{10, 20, 14, 70}));
  EXPECT_EQ(inner.top, (Rect{10, 24, 110, 26})) << "inside the outer top";
  EXPECT_EQ(inner.left, (Rect{14, 20, 16, 70}));
  EXPECT_EQ(inner.bottom, (Rect{10, 68, 110, 70})) << "at the edge: no outer bottom";
  EXPECT_EQ(inner.right, (Rect{108, 20, 110, 70}));
  EXPECT_EQ(inner.sides, kBorderTop | kBorderLeft | kBorderRight | kBorderBottom);
}

TEST_F(Gui, EveryScreenHookReachesTheScreensOwnOverride) {
  // Twenty hooks, each its own slot: an element whose handler names hook i calls the
  // screen's hook i and no other; the base's hooks do nothing.
  struct Screen : GUIDrawKlasse {
    explicit Screen(APIContext* c) : GUIDrawKlasse(1, c) {}
    void Called(int hook, GUIElement* e) {
      calls.push_back(hook);
      elements.push_back(e);
    }
    void DrawElement(GUIElement* e, const GUIRect*, const Rect*) override { Called(1, e); }
    void DrawListRow(GUIElement* e, const GUIRect*, const Rect*) override { Called(2, e); }
    void ScreenHook3(GUIElement* e, const GUIRect*, const Rect*) override { Called(3, e); }
    void ScreenHook4(GUIElement* e, const GUIRect*, const Rect*) override { Called(4, e); }
    void ScreenHook5(GUIElement* e, const GUIRect*, const Rect*) override { Called(5, e); }
    void ScreenHook6(GUIElement* e, const GUIRect*, const Rect*) override { Called(6, e); }
    void ScreenHook7(GUIElement* e, const GUIRect*, const Rect*) override { Called(7, e); }
    void ScreenHook8(GUIElement* e, const GUIRect*, const Rect*) override { Called(8, e); }
    void ScreenHook9(GUIElement* e, const GUIRect*, const Rect*) override { Called(9, e); }
    void ScreenHook10(GUIElement* e, const GUIRect*, const Rect*) override { Called(10, e); }
    void ScreenHook11(GUIElement* e, const GUIRect*, const Rect*) override { Called(11, e); }
    void ScreenHook12(GUIElement* e, const GUIRect*, const Rect*) override { Called(12, e); }
    void ScreenHook13(GUIElement* e, const GUIRect*, const Rect*) override { Called(13, e); }
    void ScreenHook14(GUIElement* e, const GUIRect*, const Rect*) override { Called(14, e); }
    void ScreenHook15(GUIElement* e, const GUIRect*, const Rect*) override { Called(15, e); }
    void ScreenHook16(GUIElement* e, const GUIRect*, const Rect*) override { Called(16, e); }
    void ScreenHook17(GUIElement* e, const GUIRect*, const Rect*) override { Called(17, e); }
    void ScreenHook18(GUIElement* e, const GUIRect*, const Rect*) override { Called(18, e); }
    void ScreenHook19(GUIElement* e, const GUIRect*, const Rect*) override { Called(19, e); }
    void ScreenHook20(GUIElement* e, const GUIRect*, const Rect*) override { Called(20, e); }
    std::vector<int> calls;
    std::vector<GUIElement*> elements;
  } screen(&context);
  GUIDrawKlasse plain(1, &context);
  const GUIHandler hooks[] = {
      &GUIDrawKlasse::DrawElement,  &GUIDrawKlasse::DrawListRow,  &GUIDrawKlasse::ScreenHook3,
      &GUIDrawKlasse::ScreenHook4,  &GUIDrawKlasse::ScreenHook5,  &GUIDrawKlasse::ScreenHook6,
      &GUIDrawKlasse::ScreenHook7,  &GUIDrawKlasse::ScreenHook8,  &GUIDrawKlasse::ScreenHook9,
      &GUIDrawKlasse::ScreenHook10, &GUIDrawKlasse::ScreenHook11, &GUIDrawKlasse::ScreenHook12,
      &GUIDrawKlasse::ScreenHook13, &GUIDrawKlasse::ScreenHook14, &GUIDrawKlasse::ScreenHook15,
      &GUIDrawKlasse::ScreenHook16, &GUIDrawKlasse::ScreenHook17, &GUIDrawKlasse::ScreenHook18,
      &GUIDrawKlasse::ScreenHook19, &GUIDrawKlasse::ScreenHook20};
  for (int i = 0; i < 20; ++i) {
    GUIBehaviour b;
    b.handlerObject = &screen;
    b.handler = hooks[i];
    std::unique_ptr<GUIElement> e(Make({0, 0, 10, 10}, kAnchorAbsolute, b));
    screen.calls.clear();
    e->CallHandler();
    EXPECT_EQ(screen.calls, std::vector<int>{i + 1});
    EXPECT_EQ(screen.elements.back(), e.get());
    b.handlerObject = &plain;
    std::unique_ptr<GUIElement> onBase(Make({0, 0, 10, 10}, kAnchorAbsolute, b));
    onBase->CallHandler();
  }
}

TEST_F(Gui, ChildTreeMovesAndHandlersReachEveryElement) {
  struct Screen : GUIDrawKlasse {
    explicit Screen(APIContext* c) : GUIDrawKlasse(1, c) {}
    void DrawElement(GUIElement* e, const GUIRect* r, const Rect* extra) override {
      calls.push_back(e);
      EXPECT_EQ(r, &e->GetRect());
      EXPECT_EQ(extra, &e->GetExtraRect());
    }
    std::vector<GUIElement*> calls;
  } drawing(&context);
  GUIBehaviour b;
  b.handlerObject = &drawing;
  b.handler = &GUIDrawKlasse::DrawElement;
  GUIBehaviour quiet = b;
  quiet.hoverable = false;
  std::unique_ptr<GUIElement> root(Make({100, 100, 300, 300}, kAnchorAbsolute, b));
  GUIElement* box = Make({10, 10, 100, 100}, kAnchorAbsolute, quiet);
  GUIElement* inner = Make({5, 5, 20, 20}, kAnchorAbsolute, b);
  box->AddChild(inner);
  EXPECT_EQ(inner->GetRect().x, 15);
  root->AddChild(box);
  EXPECT_EQ(box->GetRect().x, 110);
  EXPECT_EQ(inner->GetRect().x, 115) << "the subtree moves with the child";
  root->CallHandler();
  EXPECT_EQ(drawing.calls, (std::vector<GUIElement*>{root.get(), inner}))
      << "a quiet element's children still";

  box->SetPosition(150, 160);
  EXPECT_EQ(box->GetWantedRect().x, 150);
  // The parent lays out again: the new wanted place counts from the parent, and the box
  // lays out its own children.
  EXPECT_EQ(box->GetRect().x, 250);
  EXPECT_EQ(inner->GetRect().y, 265);

  EXPECT_TRUE(root->RemoveChild(inner)) << "found in a child's list";
  EXPECT_EQ(box->GetChildCount(), 0u);
  EXPECT_FALSE(root->RemoveChild(inner));
  delete inner;
}
