// The battle's camera: which part of the world is shown. A view rectangle in world units
// eases towards a target that follows the newest camera job; the player takes over by
// dragging, scrolling at the screen edges or zooming with the wheel, after which the jobs
// wait 4 s. It shakes on request, keeps inside the world and the level's zoom limits, and
// switches the level's post effects on and moves the depth-of-field focus with the zoom.
// The game-wide object makes it with the device objects; the battle drives it every frame
// and hands it the wheel when the battle display does not take it.
#pragma once

#include <cstdint>
#include <vector>

#include "battle/camerajob.h"
#include "engine/apiinput.h"

class APIContext;
class CameraEffects;
class LevelInfo;
class MyGlobals;
class Steuerung;

// x, y, width, height in world units.
struct ViewRect {
  float x = 0.0f, y = 0.0f, width = 0.0f, height = 0.0f;
  bool operator==(const ViewRect& o) const {
    return x == o.x && y == o.y && width == o.width && height == o.height;
  }
};

class CameraManager : public MyControl {
 public:
  static constexpr double kFollowRate = 20.0;
  static constexpr double kManualHold = 4.0;
  // Screen pixels per second at full speed, within kEdgeMargin pixels of an edge.
  static constexpr double kEdgeScrollSpeed = 1000.0;
  static constexpr int32_t kEdgeMargin = 2;
  static constexpr double kWheelStep = 1.1;

  // Without a context the process-wide one is used.
  CameraManager(APIContext* context, MyGlobals* globals);
  ~CameraManager() override;
  CameraManager(const CameraManager&) = delete;
  CameraManager& operator=(const CameraManager&) = delete;

  // Appends a copy; with takeOverNow the jobs are followed at once, whatever the player did.
  void AddJob(const CameraJob& job, bool takeOverNow);
  void RemoveJobsFor(uint32_t objectId);
  void ClearJobs();
  void SetEnabled(bool enabled) { m_enabled = enabled; }
  bool IsEnabled() const { return m_enabled; }
  // The post effects the camera switches (none: it switches nothing).
  void SetEffects(CameraEffects* effects) { m_effects = effects; }

  // At level load: the level's zoom limits, the world's rectangle as bounds and first view,
  // the level's post effects, the backdrop's light scattering and depth of field.
  void SetupForLevel(const LevelInfo& level);
  // Once per frame by the real step; `overGui` while the mouse is over the battle display
  // (no edge scrolling then). Ends by storing the world point under the mouse in the
  // game-wide object.
  void Update(double step, bool overGui);
  // The wheel zooms about the cursor, at once.
  void OnMouseWheel(const InputState* state) override;
  // Centres the target on the point and shakes the view by up to `strength` world units.
  void Shake(const platform::Vector2& point, double strength, double seconds);

  // scale = screen size / view size; offset = -view position x scale, rounded to whole pixels
  // at scale 1; centre = where the view's middle lies in the bounds (0 .. 1), for the layers'
  // parallax.
  void GetViewTransform(platform::Vector2& offset, platform::Vector2& scale, platform::Vector2& centre) const;
  // The world point under a screen point.
  platform::Vector2 ScreenToWorld(int32_t x, int32_t y) const;

  // Gives the rectangle the screen's aspect and keeps it inside the bounds, moving it by
  // whole world units.
  static void FitView(ViewRect& rect, const ViewRect& bounds, double aspect);
  // Width and height each held between the sizes the zoom limits allow; FitView restores
  // the aspect. A limit of 0 or less leaves the rectangle alone.
  void ClampZoom(ViewRect& rect) const;

  const ViewRect& GetView() const { return m_view; }
  const ViewRect& GetTargetView() const { return m_target; }
  const ViewRect& GetBounds() const { return m_bounds; }
  void SetView(const ViewRect& view) { m_view = m_target = view; }
  void SetBounds(const ViewRect& bounds) { m_world = m_bounds = bounds; }
  void SetZoomLimits(float largest, float smallest) {
    m_largestZoom = largest;
    m_smallestZoom = smallest;
  }
  float GetLargestZoom() const { return m_largestZoom; }
  float GetSmallestZoom() const { return m_smallestZoom; }
  const std::vector<CameraJob>& Jobs() const { return m_jobs; }
  double GetManualTimer() const { return m_manualTimer; }
  double GetFollowRate() const { return m_followRate; }
  double GetShakeTime() const { return m_shakeTime; }
  // The focal values at the smallest and the largest zoom, and the zoom range they span.
  const double* GetFocalValues() const { return m_focal; }
  const double* GetZoomRange() const { return m_zoomRange; }
  bool HasDepthOfField() const { return m_hasDof; }

 private:
  void ScreenSize(double& width, double& height) const;
  Steuerung* ActiveControl() const;
  // The part of Update that needs a screen.
  void Steer(double step, bool overGui, const InputState& mouse, double screenWidth, double screenHeight);

  APIContext* m_context;
  MyGlobals* m_globals;
  CameraEffects* m_effects = nullptr;
  std::vector<CameraJob> m_jobs;
  ViewRect m_world;
  ViewRect m_bounds;
  ViewRect m_view;
  ViewRect m_target;
  double m_followRate = kFollowRate;
  double m_defaultFollowRate = kFollowRate;
  bool m_enabled = false;
  double m_manualTimer = 0.0;
  double m_manualHold = kManualHold;
  double m_edgeScrollSpeed = kEdgeScrollSpeed;
  int32_t m_edgeMargin = kEdgeMargin;
  float m_largestZoom = 1.5f;
  float m_smallestZoom = 0.75f;
  bool m_hasDof = false;
  double m_focal[2] = {0.0, 0.0};
  double m_zoomRange[2] = {-1.0, -1.0};
  bool m_clampFocal = true;
  double m_shakeTime = -1.0;
  double m_shakeStrength = 0.0;
};
