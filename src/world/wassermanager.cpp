// The water manager: loading, the active body, and drawing per depth.
#include "world/wassermanager.h"

#include "engine/apicontext.h"
#include "engine/kvnode.h"
#include "objects/renderextra.h"
#include "world/worldbounds.h"

WasserManager::WasserManager(APIContext* context) : m_context(context ? context : APIContext::Get()) {}

WasserManager::~WasserManager() {
  m_active = nullptr;
  // The types give back what their activations still hold while the render extras exist.
  m_types.clear();
  m_bodies.clear();
}

void WasserManager::Load(const KVNode* root) {
  if (!root) return;
  for (unsigned i = 0; const KVNode* node = root->GetChild(i, u"WASSER"); ++i)
    Add(std::make_unique<Wasser>(node, m_context, m_sources.animations, m_sources.renderExtras));
  for (unsigned i = 0; const KVNode* node = root->GetChild(i, u"GEWAESSER"); ++i)
    m_bodies.push_back(std::make_unique<LevelWasser>(node));
}

void WasserManager::Add(std::unique_ptr<Wasser> type) {
  if (type) m_types.push_back(std::move(type));
}

LevelWasser* WasserManager::FindByName(const std::u16string* name) const {
  if (!name) return nullptr;
  for (const auto& body : m_bodies)
    if (body->GetName() == *name) return body.get();
  return nullptr;
}

void WasserManager::SetLevelWater(LevelWasser* body) {
  const Rect world = m_sources.world ? m_sources.world->GetWorldRect() : Rect{0, 0, 0, 0};
  m_baseLine = double(world.bottom);
  if (m_active) m_active->Release();
  m_active = body;
  if (m_active) m_active->Prepare(m_types, world);
}

double WasserManager::GetSurfaceY() const {
  return m_active ? m_baseLine - m_active->GetLevelAnimator().GetValue() : m_baseLine;
}

void WasserManager::Update() {
  if (!m_active) return;
  const FrameTimer* timer = m_context->timer.get();
  m_active->Update(timer ? timer->realStep : 0.0, timer ? timer->gameStep : 0.0);
}

Argb WasserManager::Modulate(Argb a, Argb b, Argb c) {
  const ColorF x = ColorF::FromArgb(a), y = ColorF::FromArgb(b), z = ColorF::FromArgb(c);
  auto byte = [](float v) -> Argb {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return Argb(v * 255.0f + 0.5f);
  };
  return byte(x.a * y.a * z.a) << 24 | byte(x.r * y.r * z.r) << 16 | byte(x.g * y.g * z.g) << 8 |
         byte(x.b * y.b * z.b);
}

void WasserManager::Draw(const Vector2& offset, const Vector2& scale, Argb tint, int32_t depth) const {
  if (!m_active) return;
  for (Wasser* type : m_active->GetTypes())
    type->Draw(offset, scale, Modulate(type->GetColour(), tint, type->GetBodyColour()), depth);
}

bool WasserManager::DrawForEffect(const Vector2& offset, const Vector2& scale, int32_t depth) const {
  if (!m_active || !m_sources.renderExtras) return false;
  bool drew = false;
  for (Wasser* type : m_active->GetTypes()) {
    Argb colour = 0xFFFFFFFF;
    if (!m_sources.renderExtras->GetLayerEntry(kRenderExtraLayer, colour, type->GetRenderExtraId()) ||
        (colour >> 24) == 0)
      continue;
    if (type->Draw(offset, scale, colour, depth) && (colour & 0x00FFFFFF) != 0) drew = true;
  }
  return drew;
}
