// The placing and switching tools: teleporter chains, teleport, worm switch, shield and the
// effect weapon.
#include "battle/waffen_werkzeug.h"

#include <algorithm>

#include "battle/waffen_nahkampf.h"
#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "objects/kraftfeldliste.h"
#include "objects/objekt.h"
#include "objects/teleporterliste.h"
#include "platform/numeric.h"
#include "platform/text.h"
#include "posteffects/posteffectinstance.h"
#include "posteffects/posteffectlibrary.h"

namespace {

std::u16string Integer(double v) { return platform::FormatW(u"%d", platform::TruncToInt(v)); }

}  // namespace

// ---- Beamer --------------------------------------------------------------------

Beamer::Beamer(const KVNode* block, MyGlobals* globals, APIContext* context) : Waffe(block, globals, context) {
  if (!block) return;
  block->Read(u"TELEPORTER_NAME", m_typeName);
  block->Read(u"MAX_TELEPORTERS", m_chainLength);
  // A chain of no gates could never close by itself.
  m_chainLength = std::max(m_chainLength, 1);
  // Checked only once the gate types are read (the game reads them first).
  if (const TeleporterListe* gates = Gates(); gates && !gates->GetTypes().empty()) {
    const auto& types = gates->GetTypes();
    if (std::none_of(types.begin(), types.end(), [&](const auto& t) { return t->GetName() == m_typeName; }))
      ReportMissing("teleporter", m_typeName);
  }
}

TeleporterListe* Beamer::Gates() const { return m_globals ? m_globals->GetTeleporterListe() : nullptr; }

int32_t Beamer::FireImpl(Objekt&, const Vector2&, const Vector2&, double, const Vector2&) {
  if (m_active) return 0;
  m_active = 1;
  // Gates left over from a chain that was never closed are closed as they stand.
  if (m_placed >= 1) {
    if (TeleporterListe* gates = Gates()) gates->CommitPending();
    m_placed = 0;
  }
  return 1;
}

void Beamer::CloseChain() {
  if (TeleporterListe* gates = Gates()) gates->CommitPending();
  ++m_usesThisTurn;
  m_active = 0;
}

void Beamer::OnClick(const Vector2& worldPosition) {
  TeleporterListe* gates = Gates();
  if (!m_active || !gates) return;
  std::unique_ptr<Teleporter> gate = gates->Place(&m_typeName);
  if (!gate) return;
  gate->SetPosition(worldPosition);
  gates->AddPending(std::move(gate));
  if (++m_placed >= m_chainLength) CloseChain();
}

void Beamer::OnAction() {
  // Only a chain being placed closes: after it closed, the key must not count a second use.
  if (m_active && m_placed >= 2) CloseChain();
}

void Beamer::Cancel() {
  if (TeleporterListe* gates = Gates()) gates->CommitPending();
  m_placed = 0;
  m_active = 0;
}

void Beamer::ResetForGame() {
  m_placed = 0;
  m_active = 0;
  if (TeleporterListe* gates = Gates()) gates->Clear();
}

std::optional<std::u16string> Beamer::DescriptionText(bool details) const {
  std::u16string text = Text(m_textId) + u"\n";
  if (!details) return text;
  if (m_active) {
    text += Text(u"TELEPORTER_REST") + Integer(m_chainLength - m_placed);
    if (m_placed >= 2) text += u"\n" + Text(u"TELEPORTER_CANCEL");
  } else {
    text += Text(u"TELEPORTER_START");
  }
  return text;
}

// ---- Teleport ------------------------------------------------------------------

Teleport::Teleport(const KVNode* block, MyGlobals* globals, APIContext* context)
    : Waffe(block, globals, context) {
  const AnimationManager* animations = globals ? globals->GetAnimationManager() : nullptr;
  if (!block || !animations) return;
  for (auto [key, slot] : {std::pair{u"ANI_START", &m_start}, std::pair{u"ANI_ENDE", &m_end}}) {
    std::u16string name;
    if (!block->Read(key, name) || name.empty()) continue;
    *slot = animations->CreateAnimation(name);
    if (!*slot) ReportMissing("animation", name);
  }
}

Teleport::~Teleport() = default;

int32_t Teleport::FireImpl(Objekt& worm, const Vector2&, const Vector2&, double, const Vector2& target) {
  if (m_active) return 0;
  m_active = 1;
  m_wormId = worm.GetId();
  m_destination = target;
  m_phase = 0;
  if (PlaysToAnEnd(m_start.get()))
    m_start->Restart(-1);
  else
    Arrive(worm);
  return 1;
}

void Teleport::Arrive(Objekt& worm) {
  *worm.GetPosition() = m_destination;
  if (Vector2* speed = worm.GetSpeed()) *speed = Vector2(0.0f, 0.0f);
  m_phase = 1;
  // Restarted at every use: an arriving animation left finished by the last use would
  // otherwise end this one at once.
  if (PlaysToAnEnd(m_end.get()))
    m_end->Restart(-1);
  else
    Finish();
}

void Teleport::Finish() {
  m_active = 0;
  ++m_usesThisTurn;
}

void Teleport::Update(double step) {
  Waffe::Update(step);
  if (!m_active) return;
  Objekt* worm = FindObject(m_wormId);
  if (!worm) {
    m_active = 0;
    return;
  }
  if (m_phase == 0) {
    m_start->Update(step);
    if (m_start->IsFinished()) Arrive(*worm);
  } else {
    m_end->Update(step);
    if (m_end->IsFinished()) Finish();
  }
}

void Teleport::DrawAim(const Vector2& offset, const Vector2& scale, bool) {
  Objekt* worm = m_active ? FindObject(m_wormId) : nullptr;
  const Animation* running = m_phase == 1 ? m_end.get() : m_start.get();
  SpriteRenderer* renderer =
      m_context && m_context->graphics ? m_context->graphics->GetSpriteRenderer() : nullptr;
  if (!worm || !running || !renderer || !worm->GetSize()) return;
  const AnimationFrame* frame = running->GetCurrentFrame();
  if (!frame || !frame->texture) return;
  const Vector2 at = *worm->GetPosition(), size = *worm->GetSize();
  auto sx = [&](float x) { return platform::TruncToInt(double(x) * scale.x + offset.x); };
  auto sy = [&](float y) { return platform::TruncToInt(double(y) * scale.y + offset.y); };
  const Rect dst{sx(at.x - size.x / 1.5f), sy(at.y - 1.5f * size.y), sx(at.x + size.x / 1.5f),
                 sy(at.y + 0.5f * size.y)};
  const Rect& src = frame->rect;
  if (src.right == src.left || src.bottom == src.top) return;
  const Vector2 stretch(float(double(dst.right - dst.left) / (src.right - src.left)),
                        float(double(dst.bottom - dst.top) / (src.bottom - src.top)));
  const Vector2 place(float(dst.left), float(dst.top)), centre(0.0f, 0.0f);
  renderer->DrawTransformedTex(frame->texture, &src, &stretch, &centre, 0.0, &place, 0xFFFFFFFF);
}

std::optional<std::u16string> Teleport::DescriptionText(bool details) const {
  if (m_active) return std::nullopt;
  std::u16string text = Text(m_textId);
  if (details) text += u"\n" + Text(u"TELEPORT_BESCHREIBUNG");
  return text;
}

// ---- SwitchWorm ----------------------------------------------------------------

int32_t SwitchWorm::FireImpl(Objekt&, const Vector2&, const Vector2&, double, const Vector2&) {
  // The worm's control step takes it from here; the switch counts no use, so the worm may
  // still act after it.
  if (m_globals) m_globals->switchOpen = 1;
  return 1;
}

void SwitchWorm::Cancel() {
  if (m_globals) m_globals->switchOpen = 0;
}

std::optional<std::u16string> SwitchWorm::DescriptionText(bool details) const {
  if (m_active) return std::nullopt;
  std::u16string text = Text(m_textId);
  if (details) text += u"\n" + Text(u"SWITCH_BESCHREIBUNG");
  return text;
}

// ---- Schild --------------------------------------------------------------------

Schild::Schild(const KVNode* block, MyGlobals* globals, APIContext* context) : Waffe(block, globals, context) {
  if (!block) return;
  block->Read(u"SCHILDNAME", m_fieldName);
  // Checked only once the field types are read (the game reads them first).
  if (const KraftfeldListe* fields = globals ? globals->GetKraftfeldListe() : nullptr;
      fields && !fields->GetTypes().empty()) {
    const auto& types = fields->GetTypes();
    if (std::none_of(types.begin(), types.end(), [&](const auto& t) { return t->GetName() == m_fieldName; }))
      ReportMissing("force field", m_fieldName);
  }
}

void Schild::Arm(double value) {
  m_rounds = std::max(value, 1.0);
  Waffe::Arm(value);
}

int32_t Schild::FireImpl(Objekt&, const Vector2&, const Vector2&, double, const Vector2& target) {
  KraftfeldListe* fields = m_globals ? m_globals->GetKraftfeldListe() : nullptr;
  if (m_active || !fields) return 0;
  std::unique_ptr<Kraftfeld> field = fields->CreateByName(&m_fieldName);
  if (!field) return 0;
  *field->GetPosition() = target;
  field->SetRoundLimit(platform::TruncToInt(m_rounds + 1.0));
  fields->Add(std::move(field));
  ++m_usesThisTurn;
  m_globals->busyTime = 2.0;
  return 1;
}

void Schild::ResetForGame() {
  if (KraftfeldListe* fields = m_globals ? m_globals->GetKraftfeldListe() : nullptr) fields->Clear();
}

std::optional<std::u16string> Schild::DescriptionText(bool details) const {
  std::u16string text = Text(m_textId) + u"\n";
  if (details) text += Text(u"SCHILD_BESCHREIBUNG");
  return text;
}

// ---- PostEffectWaffe -----------------------------------------------------------

PostEffectWaffe::PostEffectWaffe(const KVNode* block, MyGlobals* globals, APIContext* context)
    : Waffe(block, globals, context) {
  const PostEffectLibrary* library = globals ? globals->GetPostEffects() : nullptr;
  const KVNode* names = block ? block->GetChild(0, u"EFFECT_INSTANZ") : nullptr;
  for (unsigned i = 0; names && library && i < names->GetValueCount(); ++i) {
    std::unique_ptr<PostEffectInstance> instance = library->CreateInstance(names->GetValue(i)->Text());
    if (!instance) continue;
    instance->Bind();
    m_instances.push_back(std::move(instance));
  }
  PostEffectWaffe::Arm(1.0);
}

PostEffectWaffe::~PostEffectWaffe() = default;

void PostEffectWaffe::Arm(double value) {
  m_rounds = platform::TruncToInt(value);
  for (auto& instance : m_instances) instance->SetRoundLimit(m_rounds);
  Waffe::Arm(value);
}

int32_t PostEffectWaffe::FireImpl(Objekt&, const Vector2&, const Vector2&, double, const Vector2&) {
  m_startPending = true;
  ++m_usesThisTurn;
  if (m_globals) m_globals->busyTime = 1.0;
  PlayShotSound();
  return 1;
}

void PostEffectWaffe::Update(double step) {
  Waffe::Update(step);
  for (size_t i = m_instances.size(); i-- > 0;) m_instances[i]->Update(&step);
}

void PostEffectWaffe::Cancel() {
  for (size_t i = m_instances.size(); i-- > 0;) m_instances[i]->CountRound();
  if (!m_startPending) return;
  for (auto& instance : m_instances) instance->Start();
  m_startPending = false;
}

std::optional<std::u16string> PostEffectWaffe::DescriptionText(bool details) const {
  std::u16string text = Text(m_textId);
  if (details) text += u"\n" + Text(u"RUNDEN") + u" " + Integer(m_rounds);
  return text;
}
