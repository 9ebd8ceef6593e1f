// Steered devices: the remote car, the jet pack and the picture placer.
#include "battle/waffen_gesteuert.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "battle/cameramanager.h"
#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/camerajoblist.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "objects/partikel.h"
#include "objects/person.h"
#include "objects/wormmanager.h"
#include "platform/math2d.h"
#include "platform/text.h"
#include "world/collisionshape.h"
#include "world/landstamp.h"
#include "world/welt.h"

namespace {

SpriteRenderer* Renderer(APIContext* context) {
  return context && context->graphics ? context->graphics->GetSpriteRenderer() : nullptr;
}

}  // namespace

// ---- Auto ---------------------------------------------------------------------------

Auto::Auto(const KVNode* block, MyGlobals* globals, APIContext* context) : Waffe(block, globals, context) {
  if (!block) return;
  std::u16string name;
  if (block->Read(u"AUTO", name) && !name.empty()) {
    WormManager* persons = globals ? globals->GetWormManager() : nullptr;
    m_car = persons ? persons->FindPerson(name) : nullptr;
    if (!m_car && persons) ReportMissing("person", name);
    if (m_car) m_carHealth = m_car->GetHealth();
  }
  block->Read(u"MAX_TIMER", m_maxTime);
}

int32_t Auto::FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double,
                       const Vector2&) {
  if (m_active || !m_car || !m_globals) return 0;
  *m_car->GetPosition() = shotPosition;
  *m_car->GetSpeed() = Vector2(0.0f, 0.0f);
  m_car->SetWorld(m_globals->GetWelt());
  m_steering = 0;
  CommandParam walk;
  walk.flag = direction.x >= 0.0f ? 1 : 0;
  m_car->Command(Person::kWalking, &walk);
  m_active = 1;
  m_driveTime = 0.0;
  const uint32_t id = m_car->GetId();
  if (CameraManager* camera = m_globals->GetCamera())
    camera->AddJob(CameraJob(m_globals, id, CameraJob::kFollows, 0.0, 2.0, true, -1.0), true);
  m_car->AddCollisionIgnore(Partikel::MakeCollisionIgnore(&worm, m_wormGraceTime));
  if (CameraJobList* jobs = m_globals->GetCameraJobs())
    jobs->Add(CameraJob(m_globals, id, CameraJob::kFollows, 0.0, 0.0, true, -1.0));
  ++m_usesThisTurn;
  m_finished = false;
  PlayShotSound();
  return 1;
}

void Auto::Update(double step) {
  Waffe::Update(step);
  if (!m_active || !m_car) return;
  m_driveTime += step;
  m_car->MoveStep();
  const int32_t state = m_car->GetMoveState();
  if (state == Person::kWalking && m_steering == 0) {
    m_car->Command(Person::kStanding);
  } else if (state == Person::kStanding && m_steering != 0) {
    CommandParam walk;
    walk.flag = m_steering >= 1 ? 1 : 0;
    m_car->Command(Person::kWalking, &walk);
  }
  m_steering = 0;
  if (m_driveTime >= m_maxTime) {
    m_car->Kill(nullptr, 0);
    m_finished = true;
  }
  // A car that its own type killed (it ran into something that sets it off), that left the
  // world or sank has ended its drive too.
  if (m_car->IsDead()) m_finished = true;
  if (m_finished) Finish();
}

void Auto::Finish() {
  m_car->Revive(nullptr, 0);
  m_car->ResetMovement();
  m_car->SetHealth(m_carHealth);
  // The car is a template and never leaves the roster: under its old id the camera and the
  // waiting turn would follow it for ever, so it takes a new one for its next drive.
  m_car->AssignNewId();
  m_active = 0;
}

void Auto::OnLeft(double) {
  if (m_active && m_car) m_steering = -1;
}

void Auto::OnRight(double) {
  if (m_active && m_car) m_steering = 1;
}

void Auto::OnAction() {
  if (!m_active || !m_car) return;
  m_car->Kill(nullptr, 0);
  m_finished = true;
}

void Auto::Cancel() {
  if (m_active && m_car) {
    m_car->Kill(nullptr, 0);
    m_finished = true;
    Finish();
  }
  m_active = 0;
}

void Auto::DrawAim(const Vector2& offset, const Vector2& scale, bool) {
  if (!m_active || !m_car) return;
  // The car is no particle of the list, so it is drawn here, as a worm draws its body.
  SpriteRenderer* renderer = Renderer(m_context);
  const Animation* animation = m_car->GetCurrentAnimation();
  const AnimationFrame* frame = animation ? animation->GetCurrentFrame() : nullptr;
  const Vector2 pos = *m_car->GetPosition(), size = *m_car->GetSize();
  if (renderer && frame && frame->texture) {
    const float fw = float(frame->rect.right - frame->rect.left),
                fh = float(frame->rect.bottom - frame->rect.top);
    if (fw > 0.0f && fh > 0.0f) {
      const float side = m_car->IsFacingRight() ? 1.0f : -1.0f;
      const Vector2 drawScale(side * size.x / fw * scale.x, size.y / fh * scale.y);
      const Vector2 place((pos.x - side * size.x / 2.0f) * scale.x + offset.x,
                          (pos.y - size.y + 1.5f) * scale.y + offset.y);
      const Vector2 centre(side * size.x / 2.0f * scale.x, size.y / 2.0f * scale.y);
      renderer->DrawTransformedTex(frame->texture, &frame->rect, &drawScale, &centre, 0.0, &place,
                                   0xFFFFFFFF);
    }
  }
  DrawReadout(m_maxTime - m_driveTime, pos - size / 3.0f, offset, scale, nullptr);
}

bool Auto::DrawExtra(const Vector2& offset, const Vector2& scale) {
  Argb colour = 0;
  if (!m_active || !m_car || !RenderExtraColour(colour)) return false;
  DrawReadout(m_maxTime - m_driveTime, *m_car->GetPosition() - *m_car->GetSize() / 3.0f, offset, scale,
              &colour);
  return true;
}

std::optional<std::u16string> Auto::DescriptionText(bool details) const {
  std::u16string text = Text(m_textId) + u"\n";
  if (details) text += Text(m_active ? u"AUTO_BESCHREIBUNG" : u"AUTO_START");
  return text;
}

// ---- Jetpack --------------------------------------------------------------------------

Jetpack::Jetpack(const KVNode* block, MyGlobals* globals, APIContext* context)
    : Waffe(block, globals, context) {
  if (!block) return;
  block->Read(u"MAX_TIMER", m_maxTime);
  // All four thrusts or none: a short list keeps the defaults.
  const KVNode* thrust = block->GetChild(0, u"BESCHLEUNIGUNG");
  if (thrust && thrust->GetValueCount() >= 4)
    for (unsigned i = 0; i < 4; ++i) m_thrust[i] = float(thrust->GetValue(i)->AsDouble());
}

Person* Jetpack::Flyer() const {
  if (!m_active || !m_globals) return nullptr;
  return dynamic_cast<Person*>(m_globals->FindObject(m_wormId));
}

int32_t Jetpack::FireImpl(Objekt& worm, const Vector2&, const Vector2&, double, const Vector2&) {
  if (m_active) return 0;
  m_active = 1;
  m_wormId = worm.GetId();
  m_flightTime = 0.0;
  ++m_usesThisTurn;
  if (Person* person = dynamic_cast<Person*>(&worm)) person->Command(Person::kJetpack);
  PlayShotSound();
  return 1;
}

void Jetpack::Update(double step) {
  Waffe::Update(step);
  if (!m_active) return;
  Person* worm = Flyer();
  if (!worm) {
    m_active = 0;
    return;
  }
  m_flightTime += step;
  if (m_flightTime > m_maxTime) {
    m_active = 0;
    worm->Command(Person::kFalling);
  }
}

void Jetpack::OnLeft(double) {
  if (Person* worm = Flyer()) worm->SetInputX(m_thrust[0]);
}

void Jetpack::OnRight(double) {
  if (Person* worm = Flyer()) worm->SetInputX(m_thrust[2]);
}

void Jetpack::OnUp(double) {
  if (Person* worm = Flyer()) worm->SetInputY(m_thrust[1]);
}

void Jetpack::OnDown(double) {
  if (Person* worm = Flyer()) worm->SetInputY(m_thrust[3]);
}

void Jetpack::OnAction() {
  Person* worm = Flyer();
  if (!worm) return;
  worm->Command(Person::kStanding);
  m_active = 0;
  m_globals->busyTime = 0.5;
}

void Jetpack::Cancel() {
  if (Person* worm = Flyer()) worm->Command(Person::kFalling);
  m_active = 0;
}

void Jetpack::DrawAim(const Vector2& offset, const Vector2& scale, bool) {
  if (Person* worm = Flyer())
    DrawReadout(m_maxTime - m_flightTime, *worm->GetPosition() - Vector2(20.0f, 20.0f), offset, scale,
                nullptr);
}

bool Jetpack::DrawExtra(const Vector2& offset, const Vector2& scale) {
  Argb colour = 0;
  Person* worm = Flyer();
  if (!worm || !RenderExtraColour(colour)) return false;
  DrawReadout(m_maxTime - m_flightTime, *worm->GetPosition() - Vector2(20.0f, 20.0f), offset, scale, &colour);
  return true;
}

std::optional<std::u16string> Jetpack::DescriptionText(bool details) const {
  std::u16string text = Text(m_textId) + u"\n";
  if (details) text += Text(m_active ? u"JETPACK_BESCHREIBUNG" : u"JETPACK_START");
  return text;
}

// ---- Objekteinfuegen ------------------------------------------------------------------

Objekteinfuegen::Objekteinfuegen(const KVNode* block, MyGlobals* globals, APIContext* context)
    : Waffe(block, globals, context) {
  if (!block) return;
  const AnimationManager* animations = globals ? globals->GetAnimationManager() : nullptr;
  if (const KVNode* names = block->GetChild(0, u"ANIMATIONEN"); names && animations)
    for (unsigned i = 0; i < names->GetValueCount(); ++i) {
      // Each picture is a copy of its own, so that it plays while it is placed.
      if (auto picture = animations->CreateAnimation(names->GetValue(i)->Text()))
        m_pictures.push_back(std::move(picture));
      else
        std::fprintf(stderr, "waffen.waf: %s: no animation \"%s\" to place\n",
                     platform::U16ToUtf8(m_name).c_str(),
                     platform::U16ToUtf8(names->GetValue(i)->Text()).c_str());
    }
  if (const KVNode* scaling = block->GetChild(0, u"SCALEING"); scaling && scaling->GetValueCount() > 0) {
    m_scale = m_minScale = m_maxScale = scaling->GetValue(0)->AsDouble();
    if (scaling->GetValueCount() > 1) m_maxScale = scaling->GetValue(1)->AsDouble();
  }
  block->Read(u"ROTATION_STEP", m_rotationStep);
  block->Read(u"CHECK_COLL", m_checkCollision);
  m_maxScale = std::max(m_maxScale, m_minScale);
}

Objekteinfuegen::~Objekteinfuegen() = default;

Vector2 Objekteinfuegen::Mouse() const { return m_globals ? m_globals->cursorPoint : Vector2(0.0f, 0.0f); }

int32_t Objekteinfuegen::FireImpl(Objekt&, const Vector2&, const Vector2&, double, const Vector2&) {
  if (m_active || m_pictures.empty()) return 0;
  m_active = 1;
  m_rotationTimer = kRotationRepeat;
  return 1;
}

void Objekteinfuegen::Update(double step) {
  Waffe::Update(step);
  if (!m_active || m_pictures.empty()) return;
  Animation& picture = *m_pictures[size_t(m_selected)];
  picture.Update(step);
  // The turn's time stands still while the picture is placed.
  if (m_globals) m_globals->busyTime = 2.0;
  if (!m_checkCollision) return;
  Welt* world = m_globals ? m_globals->GetWelt() : nullptr;
  const AnimationFrame* frame = picture.GetCurrentFrame();
  if (!world || !frame || !frame->texture) return;
  const float w = float(frame->rect.right - frame->rect.left),
              h = float(frame->rect.bottom - frame->rect.top);
  const Vector2 mouse = Mouse();
  const platform::Matrix m = platform::Matrix::Translation(-w / 2.0f, -h / 2.0f) *
                             platform::Matrix::RotationZ(float(m_rotation * Partikel::kDegToRad)) *
                             platform::Matrix::Scaling(float(m_scale), float(m_scale)) *
                             platform::Matrix::Translation(mouse.x, mouse.y);
  const CollisionShape shape =
      CollisionShape::MakeTransformedMask(Vector2(w, h), frame->texture->texture, frame->rect, m);
  Vector2 hit;
  m_previewColour = world->TestCollision(shape, hit) ? kOverlap : kClear;
}

void Objekteinfuegen::OnLeft(double step) {
  m_rotationTimer += step;
  while (m_rotationTimer > kRotationRepeat) {
    m_rotation += m_rotationStep;
    m_rotationTimer -= kRotationRepeat;
  }
}

void Objekteinfuegen::OnRight(double step) {
  m_rotationTimer -= step;
  while (m_rotationTimer <= 0.0) {
    m_rotation -= m_rotationStep;
    m_rotationTimer += kRotationRepeat;
  }
}

void Objekteinfuegen::OnUp(double step) { m_scale = std::clamp(m_scale + step, m_minScale, m_maxScale); }

void Objekteinfuegen::OnDown(double step) { m_scale = std::clamp(m_scale - step, m_minScale, m_maxScale); }

void Objekteinfuegen::OnAction() {
  if (!m_pictures.empty()) m_selected = int32_t((size_t(m_selected) + 1) % m_pictures.size());
}

void Objekteinfuegen::OnPlace(double) {
  // The click is handed on every frame the button is held: one stamp per use.
  if (!m_active || m_pictures.empty()) return;
  Welt* world = m_globals ? m_globals->GetWelt() : nullptr;
  const AnimationFrame* frame = m_pictures[size_t(m_selected)]->GetCurrentFrame();
  if (world && frame && frame->texture && frame->texture->texture) {
    const double w = frame->rect.right - frame->rect.left, h = frame->rect.bottom - frame->rect.top;
    const Vector2 half(float(w * m_scale / 2.0), float(h * m_scale / 2.0));
    const Vector2 mouse = Mouse();
    const Rect destination{int32_t(mouse.x - half.x), int32_t(mouse.y - half.y), int32_t(mouse.x + half.x),
                           int32_t(mouse.y + half.y)};
    const double rotation = m_rotation;
    // Stamped whether or not the preview showed an overlap.
    const LandStamp stamp(frame->texture->texture, frame->rect, destination, &half, &rotation, true,
                          0xFFFFFFFF, LandStamp::kSourceAlpha, LandStamp::kInvSourceAlpha, false);
    world->StampIntoLayer(stamp, -1, nullptr);
  }
  m_active = 0;
  ++m_usesThisTurn;
  PlayShotSound();
}

void Objekteinfuegen::DrawPreview(const Vector2& offset, const Vector2& scale, Argb colour) const {
  SpriteRenderer* renderer = Renderer(m_context);
  const AnimationFrame* frame = m_pictures[size_t(m_selected)]->GetCurrentFrame();
  if (!renderer || !frame || !frame->texture) return;
  const float w = float(frame->rect.right - frame->rect.left),
              h = float(frame->rect.bottom - frame->rect.top);
  const Vector2 drawScale(float(m_scale * scale.x), float(m_scale * scale.y));
  const Vector2 centre(w * drawScale.x / 2.0f, h * drawScale.y / 2.0f);
  const Vector2 mouse = Mouse();
  const Vector2 place(mouse.x * scale.x + offset.x - centre.x, mouse.y * scale.y + offset.y - centre.y);
  renderer->DrawTransformedTex(frame->texture, &frame->rect, &drawScale, &centre,
                               m_rotation * Partikel::kDegToRad, &place, colour);
}

void Objekteinfuegen::DrawAim(const Vector2& offset, const Vector2& scale, bool) {
  if (m_active && !m_pictures.empty()) DrawPreview(offset, scale, m_previewColour);
}

bool Objekteinfuegen::DrawExtra(const Vector2& offset, const Vector2& scale) {
  Argb colour = 0;
  if (!m_active || m_pictures.empty() || !RenderExtraColour(colour)) return false;
  DrawPreview(offset, scale, colour);
  return true;
}

std::optional<std::u16string> Objekteinfuegen::DescriptionText(bool details) const {
  std::u16string text = Text(m_textId) + u"\n";
  if (details) text += Text(m_active ? u"OBJEKTE_BESCHREIBUNG" : u"OBJEKTE_START");
  return text;
}
