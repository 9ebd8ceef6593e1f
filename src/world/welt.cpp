// The world's layer groups, set-up for a level, backdrop and per-frame update.
#include "world/welt.h"

#include <bit>

#include "engine/apicontext.h"
#include "engine/frametimer.h"
#include "engine/myglobals.h"
#include "platform/numeric.h"
#include "world/ebenenhintergrund.h"
#include "world/levelinfo.h"
#include "world/wassermanager.h"

Welt::Welt(const Rect* rect) {
  if (rect) m_rect = *rect;
}

Welt::~Welt() { DeleteLayers(); }

void Welt::DeleteLayers() {
  m_main = nullptr;
  m_backgroundLayers.clear();
  m_gameLayers.clear();
  m_foregroundLayers.clear();
}

void Welt::Setup(const LevelInfo& level, APIContext* context) {
  if (!context) context = APIContext::Get();
  m_graphics = context ? context->graphics : nullptr;
  if (auto* globals = context ? dynamic_cast<MyGlobals*>(context->globals.get()) : nullptr)
    m_water = globals->GetWasserManager();
  DeleteLayers();
  m_layerProperties = level.layerProperties;
  auto scaled = [&](int32_t v) { return platform::TruncToInt(double(v) * level.buildScale); };
  m_rect = {scaled(level.worldRect.left), scaled(level.worldRect.top), scaled(level.worldRect.right),
            scaled(level.worldRect.bottom)};
}

void Welt::SetBackdrop(EbenenHintergrund* backdrop) {
  m_backdrop = backdrop;
  if (m_backdrop) m_backdrop->OnResetDevice();
}

void Welt::AddLayer(std::unique_ptr<Landschaft> layer, int32_t group) {
  LayerGroup* layers = group == kBackground   ? &m_backgroundLayers
                       : group == kGame       ? &m_gameLayers
                       : group == kForeground ? &m_foregroundLayers
                                              : nullptr;
  if (!layers || !layer) return;
  const int32_t depth = layer->GetDepth();
  auto at = layers->end();
  for (auto it = layers->size() > 1 ? layers->begin() + 1 : layers->end(); it != layers->end(); ++it)
    if ((*it)->GetDepth() > depth) {
      at = it;
      break;
    }
  layers->insert(at, std::move(layer));
}

void Welt::SetGameLayers(std::unique_ptr<Landschaft> layer, int32_t copies, float changeX, float changeY,
                         Argb colour) {
  m_gameLayers.clear();
  m_main = layer.get();
  if (!layer) return;
  m_gameLayers.push_back(std::move(layer));
  const Vector2 base = m_gameLayers.back()->GetParallax();
  for (int32_t k = 0; k < copies; ++k) {
    // Each copy is cloned from the one before, already tinted, so the tints compound.
    auto copy = Landschaft::Create(*m_gameLayers.back());
    Vector2 parallax(base.x + float(k) * changeX, base.y + float(k) * changeY);
    copy->SetParallax(&parallax);
    copy->Tint(colour);
    m_gameLayers.push_back(std::move(copy));
  }
}

Landschaft* Welt::GetGameLandschaft() {
  if (!m_main && !m_gameLayers.empty()) m_main = m_gameLayers.front().get();
  return m_main;
}

void Welt::UnlockGameLayers() {
  for (size_t i = m_gameLayers.size(); i-- > 0;) m_gameLayers[i]->UnlockAll();
}

void Welt::CreateLayerAnimations(const AnimationManager& manager) {
  for (const LayerGroup* group : {&m_gameLayers, &m_foregroundLayers, &m_backgroundLayers})
    for (size_t i = group->size(); i-- > 0;) (*group)[i]->CreateAnimations(manager);
}

void Welt::Update(const FrameTimer& timer) {
  if (m_backdrop) m_backdrop->UpdateAnimations(timer);
  for (const LayerGroup* group : {&m_gameLayers, &m_foregroundLayers, &m_backgroundLayers})
    for (size_t i = group->size(); i-- > 0;) (*group)[i]->UpdateAnimations(timer);
}

Vector2 Welt::FreeDirectionAt(const Vector2& point, int32_t range, int32_t length) {
  Landschaft* main = GetGameLandschaft();
  return main ? main->FreeDirectionAt(point, range, length) : Vector2(1.0f, 0.0f);
}

Vector2 Welt::SurfaceTangentAt(const Vector2& point, int32_t range, int32_t width) {
  Landschaft* main = GetGameLandschaft();
  if (!main) return Vector2(1.0f, 0.0f);
  const uint32_t key[4] = {std::bit_cast<uint32_t>(point.x), std::bit_cast<uint32_t>(point.y), uint32_t(range),
                           uint32_t(width)};
  const uint64_t writes = main->WriteCount();
  TangentAnswer& answer = m_tangentAnswers[Slot(key, m_tangentAnswers.size())];
  if (!answer.Is(*main, writes, key)) {
    answer.tangent = main->SurfaceTangentAt(point, range, width);
    answer.Set(*main, writes, key);
  }
  return answer.tangent;
}

bool Welt::AnySolidIn(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  Landschaft* main = GetGameLandschaft();
  if (!main) return false;
  const uint32_t key[4] = {uint32_t(left), uint32_t(top), uint32_t(right), uint32_t(bottom)};
  const uint64_t writes = main->WriteCount();
  AreaAnswer& answer = m_areaAnswers[Slot(key, m_areaAnswers.size())];
  if (!answer.Is(*main, writes, key)) {
    answer.solid = main->AnySolidIn(left, top, right, bottom);
    answer.Set(*main, writes, key);
  }
  return answer.solid;
}

size_t Welt::Slot(const uint32_t (&k)[4], size_t slots) {
  uint64_t h = k[0] * 0x9E3779B97F4A7C15ull;
  h = (h ^ k[1]) * 0x9E3779B97F4A7C15ull;
  h = (h ^ k[2]) * 0x9E3779B97F4A7C15ull;
  h = (h ^ k[3]) * 0x9E3779B97F4A7C15ull;
  return size_t(h >> 40) % slots;
}

double Welt::WaterSurfaceY() const { return m_water ? m_water->GetSurfaceY() : double(m_rect.bottom); }
