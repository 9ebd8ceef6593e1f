// The camera on the null backend: jobs and their priority, easing, the player's takeover
// (drag, edge scroll, wheel) and how long it keeps the jobs waiting, shake, the view's fit
// and zoom limits, the world point under the cursor, and the level's effects.
#include "battle/cameramanager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "battle/cameraeffects.h"
#include "battle/steuerungliste.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "objects/objekt.h"
#include "objects/partikelliste.h"
#include "platform/input.h"
#include "platform/random.h"
#include "platform/text.h"
#include "support/kv_fixture.h"
#include "support/user_folder.h"
#include "world/ebenenhintergrund.h"
#include "world/levelinfo.h"
#include "world/settingobjekt.h"
#include "world/welt.h"

namespace {

using platform::Vector2;
using Kind = platform::InputEvent::Kind;

struct Cursor : InputHost {
  int32_t x = 512, y = 384;
  void GetCursor(int32_t& cx, int32_t& cy) override {
    cx = x;
    cy = y;
  }
  void GetDisplaySize(int32_t& w, int32_t& h) override {
    w = 1024;
    h = 768;
  }
  bool IsFullScreen() override { return false; }
  void SetFocusPause(bool) override {}
  void ToggleFullScreen() override {}
};

// Something in the world the camera can follow: a particle standing still.
struct Marker : Partikel {
  explicit Marker(Vector2 at) : Partikel(nullptr, &at, &kStill, 0xFFFFFFFF, 0) {}
  static constexpr Vector2 kStill{0.0f, 0.0f};
};

struct RecordingEffects : CameraEffects {
  void StopLevelEffects() override { log.push_back("stop"); }
  bool StartLevelEffect(const SettingPostEffect& e) override {
    log.push_back("level " + platform::U16ToUtf8(e.effectName));
    return true;
  }
  bool StartScatter(const std::u16string& name, const Vector2& sun) override {
    std::ostringstream line;
    line << "scatter " << platform::U16ToUtf8(name) << " " << sun.x << " " << sun.y;
    log.push_back(line.str());
    return true;
  }
  bool StartDepthOfField(const std::u16string& name) override {
    log.push_back("dof " + platform::U16ToUtf8(name));
    return dofKnown;
  }
  void SetFocalPlane(float value) override { focal.push_back(value); }
  std::vector<std::string> log;
  std::vector<float> focal;
  bool dofKnown = true;
};

// A 1024 x 768 screen over a 4096 x 2048 world, the camera on, a 1024 x 768 view at (1000, 500).
class CameraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    context.title = u"Krumbolt";
    context.configuration = std::make_unique<KVNode>(u"Config");
    DisplayEnvironment display;
    display.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, display);
    context.graphics = graphics.get();
    auto scripted = std::make_unique<platform::ScriptedInputDevice>();
    devices = scripted.get();
    ASSERT_EQ(input.Init(std::move(scripted)), APIInput::kOk);
    context.input = &input;
    globals = std::make_unique<MyGlobals>(&context);
    globals->LoadSettings();
    camera = std::make_unique<CameraManager>(&context, globals.get());
    camera->SetBounds({0.0f, 0.0f, 4096.0f, 2048.0f});
    camera->SetView({1000.0f, 500.0f, 1024.0f, 768.0f});
    camera->SetZoomLimits(1.5f, 0.75f);
    camera->SetEnabled(true);
    Frame(0.0);  // the mouse's first reading is no movement
  }
  void TearDown() override {
    camera.reset();
    globals.reset();
    input.Shutdown();
  }

  void Frame(double step = 0.01, bool overGui = false) {
    input.Update();
    globals->GetSteuerungListe()->Update();
    camera->Update(step, overGui);
  }
  void Frames(double seconds, bool overGui = false) {
    for (int i = 0, n = int(seconds * 100.0 + 0.5); i < n; ++i) Frame(0.01, overGui);
  }
  void Button(Kind kind) {
    platform::InputEvent e;
    e.kind = kind;
    e.button = platform::MouseButton::Middle;
    input.Process(e);
  }
  void Wheel(int32_t delta) {
    InputState s = *input.GetInputState();
    s.mouseX = cursor.x;
    s.mouseY = cursor.y;
    s.wheel = delta;
    camera->OnMouseWheel(&s);
  }
  uint32_t Follow(Vector2 at, uint32_t flags = CameraJob::kFollows, double time = 0.0, double hold = 0.0,
                  bool takeOver = true, double rate = -1.0) {
    auto marker = std::make_unique<Marker>(at);
    const uint32_t id = marker->GetId();
    markers[id] = marker.get();
    globals->GetPartikelListe()->Add(std::move(marker));
    camera->AddJob(CameraJob(globals.get(), id, flags, time, hold, false, rate), takeOver);
    return id;
  }
  // Every marker goes at once.
  void RemoveAllMarkers() {
    globals->GetPartikelListe()->Clear();
    markers.clear();
  }
  Vector2 Centre() const {
    const ViewRect& v = camera->GetView();
    return Vector2(v.x + v.width / 2, v.y + v.height / 2);
  }

  UserFolder folder;
  Cursor cursor;
  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  APIInput input{&cursor};
  platform::ScriptedInputDevice* devices = nullptr;
  std::unique_ptr<MyGlobals> globals;
  std::unique_ptr<CameraManager> camera;
  std::map<uint32_t, Marker*> markers;
};

}  // namespace

TEST(CameraFit, ViewTakesTheScreensAspectAndStaysInside) {
  const ViewRect bounds{0, 0, 1000, 500};
  struct Case {
    const char* what;
    ViewRect in;
    double aspect;
    ViewRect out;
  };
  const Case cases[] = {
      {"width follows height", {100, 100, 50, 100}, 2.0, {100, 100, 200, 100}},
      {"too wide: held to the bounds' width", {0, 0, 0, 800}, 1.0, {0, 0, 500, 500}},
      {"too tall for a wide screen", {0, 0, 0, 600}, 4.0, {0, 0, 1000, 250}},
      {"past the right and bottom", {900.5f, 450, 0, 100}, 2.0, {800.5f, 400, 200, 100}},
      {"past the left and top", {-30.7f, -5, 0, 100}, 2.0, {-0.7f, 0, 200, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ViewRect r = c.in;
    CameraManager::FitView(r, bounds, c.aspect);
    EXPECT_NEAR(r.x, c.out.x, 1e-4);
    EXPECT_NEAR(r.y, c.out.y, 1e-4);
    EXPECT_NEAR(r.width, c.out.width, 1e-4);
    EXPECT_NEAR(r.height, c.out.height, 1e-4);
  }
  // No aspect (a screen of no height) leaves the rectangle as it was.
  ViewRect r{5, 5, 10, 10};
  CameraManager::FitView(r, bounds, std::numeric_limits<double>::infinity());
  EXPECT_EQ(r, (ViewRect{5, 5, 10, 10}));
}

TEST_F(CameraTest, ZoomLimitsHoldWidthAndHeightApart) {
  ViewRect r{0, 0, 100, 5000};
  camera->ClampZoom(r);
  EXPECT_FLOAT_EQ(r.width, 1024 / 1.5f);
  EXPECT_FLOAT_EQ(r.height, 768 / 0.75f);
  // A zero limit keeps the rectangle as it is.
  camera->SetZoomLimits(0.0f, 0.75f);
  r = {0, 0, 100, 5000};
  camera->ClampZoom(r);
  EXPECT_EQ(r, (ViewRect{0, 0, 100, 5000}));
}

TEST_F(CameraTest, FollowsTheNewestJobEasingByTheFollowRate) {
  const uint32_t older = Follow({3000, 1000});
  Follow({1500, 900}, CameraJob::kFollows, 0.0, 0.0, true, 4.0);
  const Vector2 before = Centre();
  Frame();
  // 0.01 s at rate 4 closes 4 % of the distance to the newest job.
  EXPECT_NEAR(Centre().x - before.x, (1500 - before.x) * 0.04, 0.01);
  EXPECT_DOUBLE_EQ(camera->GetFollowRate(), 4.0);
  Frames(3.0);
  EXPECT_NEAR(Centre().x, 1500, 1.0);
  EXPECT_NEAR(Centre().y, 900, 1.0);
  // The newest follows its object as it moves.
  *markers.rbegin()->second->GetPosition() = Vector2(2000, 1000);
  Frames(3.0);
  EXPECT_NEAR(Centre().x, 2000, 1.0);
  // The newest gone (hold 0): the older job leads again.
  camera->RemoveJobsFor(markers.rbegin()->first);
  Frames(3.0);
  EXPECT_NEAR(Centre().x, 3000, 1.0);
  EXPECT_EQ(camera->Jobs().back().GetObjectId(), older);
}

TEST_F(CameraTest, AFollowedObjectThatDiesIsHeldForItsHoldTime) {
  Follow({3000, 1000}, CameraJob::kNeverExpires);
  const uint32_t dying = Follow({1500, 900}, CameraJob::kFollows, 0.0, 2.0);
  Frames(3.0);
  *markers[dying]->GetPosition() = Vector2(1600, 900);
  Frame();
  // The objects go: the dying one's last place holds for 2 s, then the older job leads
  // from the last place it knew.
  RemoveAllMarkers();
  Frames(1.9);
  EXPECT_EQ(camera->Jobs().size(), 2u);
  EXPECT_NEAR(Centre().x, 1600, 1.0);
  Frames(0.2);
  ASSERT_EQ(camera->Jobs().size(), 1u);
  Frames(3.0);
  EXPECT_NEAR(Centre().x, 3000, 1.0);
}

TEST_F(CameraTest, TimedJobsRunDownAndNeverExpiringOnesStay) {
  Follow({3000, 1000}, CameraJob::kNeverExpires);
  Follow({1500, 900}, CameraJob::kTimed, 1.0);
  Frames(0.99);
  EXPECT_EQ(camera->Jobs().size(), 2u);
  Frames(0.02);
  EXPECT_EQ(camera->Jobs().size(), 1u);
  Frames(60.0);
  EXPECT_EQ(camera->Jobs().size(), 1u);
}

TEST_F(CameraTest, EdgeScrollIgnoresTheJobsForFourSecondsUntilAJobTakesOver) {
  Follow({2000, 1000});
  Frames(3.0);
  const float x = camera->GetView().x;
  cursor.x = 0;
  Frames(0.1);
  // Full speed at the edge: 1000 screen pixels a second, at scale 1.
  EXPECT_NEAR(camera->GetTargetView().x, x - 100.0, 1.0);
  EXPECT_NEAR(camera->GetManualTimer(), 4.0 - 0.01, 1e-9);
  cursor.x = 512;
  Frames(3.9);
  EXPECT_LT(Centre().x, 1990) << "the job waits while the manual timer runs";
  Frames(3.0);
  EXPECT_NEAR(Centre().x, 2000, 1.0);

  cursor.x = 1024;
  Frames(0.1);
  cursor.x = 512;
  // A job that takes over ends the wait at once.
  Follow({1200, 800});
  Frames(3.0);
  EXPECT_NEAR(Centre().x, 1200, 1.0);
}

TEST_F(CameraTest, TheMarginsOwnPixelRestartsTheTimerWithoutMoving) {
  cursor.x = 2;
  Frames(0.5);
  EXPECT_FLOAT_EQ(camera->GetTargetView().x, 1000.0f);
  EXPECT_GT(camera->GetManualTimer(), 3.9);
  // Over the battle display the edges do nothing, nor does a pointer that left the window.
  Follow({2000, 1000});
  cursor.x = 0;
  Frames(3.0, true);
  EXPECT_NEAR(Centre().x, 2000, 1.0);
  cursor.x = -1;
  Frames(3.0);
  EXPECT_NEAR(Centre().x, 2000, 1.0);
}

TEST_F(CameraTest, MiddleButtonDragsTheViewWithTheMouse) {
  Follow({2000, 1000});
  Button(Kind::ButtonDown);
  Frame();
  const ViewRect start = camera->GetView();
  cursor.x -= 100;
  cursor.y += 50;
  Frame();
  // The world moves with the mouse: the view goes the other way, in world units.
  EXPECT_NEAR(camera->GetView().x, start.x + 100 * start.width / 1024, 0.01);
  EXPECT_NEAR(camera->GetView().y, start.y - 50 * start.height / 768, 0.01);
  EXPECT_GT(camera->GetManualTimer(), 3.9);
  Button(Kind::ButtonUp);
  Frames(1.0);
  EXPECT_NEAR(camera->GetView().x, start.x + 100 * start.width / 1024, 0.01) << "no job while the timer runs";
  // End (action 11) hands the view back to the jobs at once.
  devices->SetKey(207, true);
  Frame();
  devices->SetKey(207, false);
  Frames(3.0);
  EXPECT_NEAR(Centre().x, 2000, 1.0);
}

TEST_F(CameraTest, WheelZoomsAboutTheCursorWithinTheLimits) {
  cursor.x = 200;
  cursor.y = 600;
  Frame(0.0);
  const Vector2 under = camera->ScreenToWorld(200, 600);
  Wheel(120);
  EXPECT_FLOAT_EQ(camera->GetView().width, float(1024 / 1.1));
  EXPECT_FLOAT_EQ(camera->GetView().height, float(768 / 1.1));
  const Vector2 after = camera->ScreenToWorld(200, 600);
  EXPECT_NEAR(after.x, under.x, 0.01);
  EXPECT_NEAR(after.y, under.y, 0.01);
  EXPECT_GT(camera->GetManualTimer(), 3.9);
  // At the largest zoom a step in changes nothing.
  for (int i = 0; i < 20; ++i) Wheel(120);
  EXPECT_FLOAT_EQ(camera->GetView().width, float(1024 / 1.5));
  Wheel(120);
  EXPECT_FLOAT_EQ(camera->GetView().width, float(1024 / 1.5));
  for (int i = 0; i < 20; ++i) Wheel(-120);
  EXPECT_FLOAT_EQ(camera->GetView().width, float(1024 / 0.75));
  // The cursor's world point goes to the game-wide object every frame.
  Frame();
  const Vector2 p = camera->ScreenToWorld(200, 600);
  EXPECT_FLOAT_EQ(globals->cursorPoint.x, p.x);
  EXPECT_FLOAT_EQ(globals->cursorPoint.y, p.y);
  // Switched off, the camera takes no wheel.
  camera->SetEnabled(false);
  const ViewRect v = camera->GetView();
  Wheel(120);
  EXPECT_EQ(camera->GetView(), v);
}

TEST_F(CameraTest, ShakeMovesTheViewNotTheTargetAndEasesBack) {
  platform::SRand(7);
  Frame();
  camera->Shake(Vector2(1512, 884), 20.0, 0.5);
  const ViewRect target = camera->GetTargetView();
  EXPECT_FLOAT_EQ(target.x, 1000.0f);
  Frame();
  EXPECT_EQ(camera->GetTargetView().x, target.x);
  EXPECT_NE(camera->GetView().x, target.x);
  Frames(0.6);
  EXPECT_LE(camera->GetShakeTime(), 0.0);
  Frames(2.0);
  EXPECT_NEAR(camera->GetView().x, target.x, 0.5);
}

TEST_F(CameraTest, LevelSetupSwitchesTheEffectsAndTheFocusFollowsTheZoom) {
  struct Case {
    const char* what;
    const char16_t* zoomDof;
    bool dofKnown;
    double range0, range1;
    bool focusMoves;
  };
  const Case cases[] = {
      // A missing second value is the largest zoom.
      {"one value", u"\"1.0\"", true, 1.0, 2.0, true},
      {"no ZOOM_DOF: the zoom limits", u"", true, 0.5, 2.0, true},
      // A range of no width gives no focal value: the focus stays.
      {"empty range", u"\"1.2\" \"1.2\"", true, 1.2, 1.2, false},
      {"unknown effect", u"\"1.0\" \"2.0\"", false, 1.0, 2.0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingEffects effects;
    effects.dofKnown = c.dofKnown;
    camera->SetEffects(&effects);
    const Rect rect{-1000, -500, 3000, 1500};
    auto world = std::make_unique<Welt>(&rect);
    std::u16string dof =
        u"<DOF> <DOF_EFFECT> \"TIEFE\" <\\DOF_EFFECT> <BLUR_DOF> \"0.2\" \"0.8\" <\\BLUR_DOF>";
    if (*c.zoomDof) dof += std::u16string(u"<ZOOM_DOF> ") + c.zoomDof + u" <\\ZOOM_DOF>";
    dof += u"<CLAMP_BLUR> \"1\" <\\CLAMP_BLUR> <\\DOF>";
    auto node = ParseBody(
        u"<SCATTER> <USE_SCATTER> \"1\" <\\USE_SCATTER> <SCATTER_NAME> \"SONNE\" <\\SCATTER_NAME>"
        u"<SUN_POSITON> \"0.25\" \"0.5\" <\\SUN_POSITON> <\\SCATTER>" +
        dof);
    EbenenHintergrund backdrop(node.get(), nullptr, nullptr);
    world->SetBackdrop(&backdrop);
    globals->SetWelt(std::move(world));
    LevelInfo level(nullptr, LevelSources{});
    level.zoom = Vector2(2.0f, 0.5f);
    camera->SetupForLevel(level);

    EXPECT_EQ(effects.log, (std::vector<std::string>{"stop", "scatter SONNE 0.25 0.5", "dof TIEFE"}));
    EXPECT_EQ(camera->GetBounds(), (ViewRect{-1000, -500, 4000, 2000}));
    EXPECT_FLOAT_EQ(camera->GetLargestZoom(), 2.0f);
    EXPECT_FLOAT_EQ(camera->GetTargetView().width, 1024 / 0.5f);
    EXPECT_FLOAT_EQ(camera->GetTargetView().height, 768 / 0.5f);
    EXPECT_DOUBLE_EQ(camera->GetZoomRange()[0], c.range0);
    EXPECT_DOUBLE_EQ(camera->GetZoomRange()[1], c.range1);
    EXPECT_EQ(camera->HasDepthOfField(), c.dofKnown);

    // Zoomed in as far as the level allows, the focus reaches its far value.
    for (int i = 0; i < 40; ++i) Wheel(120);
    Frames(1.0);
    if (c.focusMoves) {
      ASSERT_FALSE(effects.focal.empty());
      EXPECT_FLOAT_EQ(effects.focal.back(), 0.8f);
      for (int i = 0; i < 40; ++i) Wheel(-120);
      Frames(1.0);
      // At the smallest zoom the value lies at or below the range's start, held to its end.
      const double zoom = std::max(1024 / camera->GetView().width, 768 / camera->GetView().height);
      const double u = std::clamp((zoom - c.range0) / (c.range1 - c.range0), 0.0, 1.0);
      EXPECT_NEAR(effects.focal.back(), 0.2 + 0.6 * u, 1e-5);
    } else {
      EXPECT_TRUE(effects.focal.empty());
    }
    globals->SetWelt(nullptr);
    camera->SetEffects(nullptr);
  }
}

TEST_F(CameraTest, TheWorldIsDrawnFromWholePixelsAtTheScreensScaleOnly) {
  struct Case {
    ViewRect view;
    Vector2 offset;  // as drawn
  } cases[] = {
      {{1000.25f, 500.75f, 1024.0f, 768.0f}, {-1000.0f, -501.0f}},
      {{1000.5f, 499.5f, 1024.0f, 768.0f}, {-1000.0f, -499.0f}},
      {{1000.0f, 500.0f, 1024.0f, 768.0f}, {-1000.0f, -500.0f}},
      // Zoomed, the offset keeps its fraction: no picture lies 1:1 on the pixels there.
      {{1000.25f, 500.75f, 512.0f, 384.0f}, {-2000.5f, -1001.5f}},
      {{1000.25f, 500.75f, 2048.0f, 1536.0f}, {-500.125f, -250.375f}},
  };
  for (const Case& c : cases) {
    camera->SetView(c.view);
    Vector2 offset, scale, centre;
    camera->GetViewTransform(offset, scale, centre);
    EXPECT_FLOAT_EQ(offset.x, c.offset.x) << c.view.x << " " << c.view.width;
    EXPECT_FLOAT_EQ(offset.y, c.offset.y) << c.view.y << " " << c.view.height;
    // The view itself is where it was put: the world point under the cursor does not snap.
    EXPECT_EQ(camera->GetView(), c.view);
  }
}
