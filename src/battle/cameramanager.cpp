// The camera: jobs, easing, the player's takeover, shake, the view's fit and zoom limits,
// and the level's post effects.
#include "battle/cameramanager.h"

#include <algorithm>
#include <cmath>

#include "battle/cameraeffects.h"
#include "battle/steuerung.h"
#include "battle/steuerungliste.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/myglobals.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "world/ebenenhintergrund.h"
#include "world/levelinfo.h"
#include "world/settingobjekt.h"
#include "world/welt.h"

using platform::Vector2;

CameraManager::CameraManager(APIContext* context, MyGlobals* globals)
    : m_context(context ? context : APIContext::Get()), m_globals(globals) {}

CameraManager::~CameraManager() {
  if (m_effects) m_effects->StopLevelEffects();
}

void CameraManager::AddJob(const CameraJob& job, bool takeOverNow) {
  m_jobs.push_back(job);
  if (takeOverNow) m_manualTimer = 0.0;
}

void CameraManager::RemoveJobsFor(uint32_t objectId) {
  for (size_t i = m_jobs.size(); i-- > 0;)
    if (m_jobs[i].GetObjectId() == objectId) m_jobs.erase(m_jobs.begin() + ptrdiff_t(i));
}

void CameraManager::ClearJobs() { m_jobs.clear(); }

void CameraManager::ScreenSize(double& width, double& height) const {
  const APIGraphics* graphics = m_context->graphics;
  width = graphics ? graphics->GetScreenWidth() : 0.0;
  height = graphics ? graphics->GetScreenHeight() : 0.0;
}

Steuerung* CameraManager::ActiveControl() const {
  const SteuerungListe* controls = m_globals ? m_globals->GetSteuerungListe() : nullptr;
  return controls ? controls->GetActive() : nullptr;
}

void CameraManager::FitView(ViewRect& r, const ViewRect& bounds, double aspect) {
  if (!(aspect > 0.0) || !std::isfinite(aspect)) return;
  r.width = float(r.height * aspect);
  if (r.width > bounds.width) {
    r.width = bounds.width;
    r.height = float(r.width / aspect);
    if (r.height > bounds.height) {
      r.height = bounds.height;
      r.width = float(r.height * aspect);
    }
  }
  if (r.height > bounds.height) {
    r.height = bounds.height;
    r.width = float(r.height * aspect);
    if (r.width > bounds.width) {
      r.width = bounds.width;
      r.height = float(r.width / aspect);
    }
  }
  // Whole edges, all taken before either shift.
  const int32_t left = platform::TruncToInt(r.x), top = platform::TruncToInt(r.y);
  const int32_t right = platform::TruncToInt(r.x + r.width), bottom = platform::TruncToInt(r.y + r.height);
  const int32_t bLeft = platform::TruncToInt(bounds.x), bTop = platform::TruncToInt(bounds.y);
  const int32_t bRight = platform::TruncToInt(bounds.x + bounds.width);
  const int32_t bBottom = platform::TruncToInt(bounds.y + bounds.height);
  if (right > bRight) r.x += float(bRight - right);
  if (left < bLeft) r.x += float(bLeft - left);
  if (bottom > bBottom) r.y += float(bBottom - bottom);
  if (top < bTop) r.y += float(bTop - top);
}

void CameraManager::ClampZoom(ViewRect& r) const {
  double width = 0.0, height = 0.0;
  ScreenSize(width, height);
  // A zoom limit of 0 would make a view of no or endless size.
  if (!(m_largestZoom > 0.0f) || !(m_smallestZoom > 0.0f)) return;
  r.width = float(std::min(std::max(double(r.width), width / m_largestZoom), width / m_smallestZoom));
  r.height = float(std::min(std::max(double(r.height), height / m_largestZoom), height / m_smallestZoom));
}

void CameraManager::GetViewTransform(Vector2& offset, Vector2& scale, Vector2& centre) const {
  double width = 0.0, height = 0.0;
  ScreenSize(width, height);
  scale = Vector2(float(width / m_view.width), float(height / m_view.height));
  offset = Vector2(-m_view.x * scale.x, -m_view.y * scale.y);
  // At the screen's own scale the world is drawn from whole pixels: pictures drawn 1:1 then
  // cover whole pixels, sharp and at the cheapest sampling. Only the drawing snaps; the view
  // itself keeps its place.
  if (scale.x == 1.0f && scale.y == 1.0f) offset = Vector2(std::floor(offset.x + 0.5f), std::floor(offset.y + 0.5f));
  centre = Vector2(float((m_view.x + m_view.width / 2.0 - m_bounds.x) / m_bounds.width),
                   float((m_view.y + m_view.height / 2.0 - m_bounds.y) / m_bounds.height));
}

Vector2 CameraManager::ScreenToWorld(int32_t x, int32_t y) const {
  double width = 0.0, height = 0.0;
  ScreenSize(width, height);
  if (width <= 0.0 || height <= 0.0) return Vector2(m_view.x, m_view.y);
  return Vector2(float(x / width * m_view.width + m_view.x), float(y / height * m_view.height + m_view.y));
}

void CameraManager::Shake(const Vector2& point, double strength, double seconds) {
  m_target.x = point.x - m_target.width / 2.0f;
  m_target.y = point.y - m_target.height / 2.0f;
  m_shakeStrength = strength;
  m_shakeTime = seconds;
}

void CameraManager::Update(double step, bool overGui) {
  for (size_t i = m_jobs.size(); i-- > 0;)
    if (m_jobs[i].Update(step, i + 1 == m_jobs.size())) m_jobs.erase(m_jobs.begin() + ptrdiff_t(i));

  static const InputState kNoInput;
  const InputState* state = m_context->input ? m_context->input->GetInputState() : nullptr;
  const InputState& mouse = state ? *state : kNoInput;
  double width = 0.0, height = 0.0;
  ScreenSize(width, height);
  // Without a screen there is no aspect and no point under the mouse: the view stays.
  if (width <= 0.0 || height <= 0.0) return;
  if (m_enabled) Steer(step, overGui, mouse, width, height);
  if (m_globals) m_globals->cursorPoint = ScreenToWorld(mouse.mouseX, mouse.mouseY);
}

void CameraManager::Steer(double step, bool overGui, const InputState& mouse, double width, double height) {
  const double scaleX = width / m_view.width, scaleY = height / m_view.height;

  if (Steuerung* control = ActiveControl()) {
    if (control->IsDown(Aktion::kCameraDrag, Steuerung::kRaw)) {
      m_manualTimer = m_manualHold;
      m_view.x -= float(mouse.mouseDX / width * m_view.width);
      m_view.y -= float(mouse.mouseDY / height * m_view.height);
      m_target = m_view;
    }
    if (control->IsDown(Aktion::kCameraJobs, Steuerung::kPrimary)) {
      control->Consume(Aktion::kCameraJobs, Steuerung::kPrimary);
      m_manualTimer = 0.0;
    }
  }

  // A pointer that left the window rests on the edge it crossed; that is no wish to scroll.
  const bool outside = m_context->input && m_context->input->IsCursorOutside();
  if (!overGui && !outside) {
    const double m = m_edgeMargin, s = m_edgeScrollSpeed;
    const double x = mouse.mouseX, y = mouse.mouseY;
    bool scrolled = false;
    if (x <= m) {
      m_target.x -= float((m - x) * step / m * s / scaleX);
      scrolled = true;
    }
    if (y <= m) {
      m_target.y -= float((m - y) * step / m * s / scaleY);
      scrolled = true;
    }
    if (x >= width - m) {
      m_target.x += float((x - (width - m)) * step / m * s / scaleX);
      scrolled = true;
    }
    if (y >= height - m) {
      m_target.y += float((y - (height - m)) * step / m * s / scaleY);
      scrolled = true;
    }
    if (scrolled) {
      m_manualTimer = m_manualHold;
      m_followRate = m_defaultFollowRate;
    }
  }

  if (m_shakeTime > 0.0) {
    // The view itself shakes, so it eases back to the target once the shake is over.
    const double dx = 2.0 * platform::Rand() / 32767.0 - 1.0;
    const double dy = 2.0 * platform::Rand() / 32767.0 - 1.0;
    m_view.x += float(dx * m_shakeStrength);
    m_view.y += float(dy * m_shakeStrength);
    m_shakeTime -= step;
  } else if (m_manualTimer <= 0.0 && !m_jobs.empty()) {
    const CameraJob& job = m_jobs.back();
    const Vector2 p = job.GetPosition();
    m_target.x = p.x - m_target.width / 2.0f;
    m_target.y = p.y - m_target.height / 2.0f;
    if (job.GetFollowRate() > 0.0) m_followRate = job.GetFollowRate();
  }

  const double aspect = width / height;
  FitView(m_target, m_bounds, aspect);
  const double t = std::clamp(step * m_followRate, 0.0, 1.0);
  m_view.x += float((m_target.x - m_view.x) * t);
  m_view.y += float((m_target.y - m_view.y) * t);
  m_view.width += float((m_target.width - m_view.width) * t);
  m_view.height += float((m_target.height - m_view.height) * t);
  FitView(m_view, m_bounds, aspect);
  m_manualTimer -= step;

  if (m_hasDof && m_effects) {
    const double range = m_zoomRange[1] - m_zoomRange[0];
    // A range of no width gives no focal value: the focus stays where it was.
    if (range != 0.0) {
      const double zoom = std::max(width / m_view.width, height / m_view.height);
      double u = (zoom - m_zoomRange[0]) / range;
      if (m_clampFocal) u = std::clamp(u, 0.0, 1.0);
      m_effects->SetFocalPlane(float(m_focal[0] + (m_focal[1] - m_focal[0]) * u));
    }
  }
}

void CameraManager::OnMouseWheel(const InputState* state) {
  if (!m_enabled || !state) return;
  double width = 0.0, height = 0.0;
  ScreenSize(width, height);
  if (width <= 0.0 || height <= 0.0) return;
  m_manualTimer = m_manualHold;
  m_target = m_view;
  const double fx = state->mouseX / width, fy = state->mouseY / height;
  const double worldX = fx * m_target.width + m_target.x, worldY = fy * m_target.height + m_target.y;
  if (state->wheel >= 0) {
    m_target.width = float(m_target.width / kWheelStep);
    m_target.height = float(m_target.height / kWheelStep);
  } else {
    m_target.width = float(m_target.width * kWheelStep);
    m_target.height = float(m_target.height * kWheelStep);
  }
  ClampZoom(m_target);
  m_target.x = float(worldX - fx * m_target.width);
  m_target.y = float(worldY - fy * m_target.height);
  m_view = m_target;
}

void CameraManager::SetupForLevel(const LevelInfo& level) {
  m_largestZoom = level.zoom.x;
  m_smallestZoom = level.zoom.y;
  const Welt* world = m_globals ? m_globals->GetWelt() : nullptr;
  if (world) {
    const Rect r = world->GetWorldRect();
    m_world = ViewRect{float(r.left), float(r.top), float(r.right - r.left), float(r.bottom - r.top)};
  }
  m_bounds = m_world;
  m_view = m_target = m_bounds;

  if (m_effects) m_effects->StopLevelEffects();
  m_hasDof = false;
  m_focal[0] = m_focal[1] = 0.0;
  m_zoomRange[0] = m_zoomRange[1] = -1.0;
  m_clampFocal = true;

  if (m_effects)
    for (const SettingPostEffect& entry : level.GetPostEffects()) m_effects->StartLevelEffect(entry);

  if (const EbenenHintergrund* backdrop = world ? world->GetBackdrop() : nullptr) {
    if (m_effects && backdrop->UsesScatter())
      m_effects->StartScatter(backdrop->GetScatterName(), backdrop->GetSunPosition());
    m_hasDof = m_effects && m_effects->StartDepthOfField(backdrop->GetDofEffect());
    m_focal[0] = backdrop->GetBlurRange()[0];
    m_focal[1] = backdrop->GetBlurRange()[1];
    m_zoomRange[0] = backdrop->GetZoomRange()[0];
    m_zoomRange[1] = backdrop->GetZoomRange()[1] < 0.0 ? m_largestZoom : backdrop->GetZoomRange()[1];
    m_clampFocal = backdrop->ClampsBlur();
  }
  if (m_zoomRange[0] < 0.0) {
    m_zoomRange[0] = m_smallestZoom;
    m_zoomRange[1] = m_largestZoom;
  }
  ClampZoom(m_target);
}
