// The particle list: registration, lookups, the frame's pass with thinning, earth from
// craters and drawing by layer.
#include "objects/partikelliste.h"

#include <cmath>
#include <cstdio>

#include "objects/distanceramp.h"
#include "platform/random.h"
#include "world/landschaft.h"

PartikelListe::PartikelListe() = default;

PartikelListe::~PartikelListe() {
  Clear();
  m_types.clear();
}

void PartikelListe::SetSettings(const int32_t* earthStep, const int32_t* maximum) {
  m_earthStep = earthStep;
  m_maximum = maximum;
}

int32_t PartikelListe::GetEarthStep() const { return m_earthStep ? *m_earthStep : kDefaultEarthStep; }
int32_t PartikelListe::GetMaximum() const { return m_maximum ? *m_maximum : kDefaultMaximum; }

void PartikelListe::Add(std::unique_ptr<Partikel> particle) {
  if (!particle) return;
  particle->SetOwner(this);
  m_byId[particle->GetId()] = particle.get();
  (particle->CanBeDeleted() ? *m_main : m_kept).push_back(std::move(particle));
}

void PartikelListe::Add(const PartikelInfo& type, const Vector2& position) {
  Add(std::make_unique<Partikel>(&type, &position, nullptr, 0xFFFFFFFF, 0, Partikel::kTypeLayer));
}

void PartikelListe::AddInfo(std::unique_ptr<PartikelInfo> type) {
  if (type) m_types.push_back(std::move(type));
}

const PartikelInfo* PartikelListe::FindInfo(const std::u16string& name) const {
  if (name.empty()) return nullptr;
  for (size_t i = m_types.size(); i-- > 0;)
    if (m_types[i]->name == name) return m_types[i].get();
  return nullptr;
}

void PartikelListe::SetEarthTypes(std::vector<const PartikelInfo*> types,
                                  std::vector<double> cumulativeWeights) {
  m_earthTypes = std::move(types);
  m_earthWeights = std::move(cumulativeWeights);
}

Partikel* PartikelListe::FindById(uint32_t id) const {
  auto it = m_byId.find(id);
  return it != m_byId.end() ? it->second : nullptr;
}

void PartikelListe::Rekey(Partikel& particle, uint32_t oldId) {
  auto it = m_byId.find(oldId);
  if (it != m_byId.end() && it->second == &particle) m_byId.erase(it);
  m_byId[particle.GetId()] = &particle;
}

void PartikelListe::Forget(const Partikel& particle) {
  auto it = m_byId.find(particle.GetId());
  if (it != m_byId.end() && it->second == &particle) m_byId.erase(it);
}

void PartikelListe::CollectAll(std::vector<Objekt*>& out) const {
  // An event run during the frame's pass (an explosion gathering its victims) may collect
  // while the pass has deleted particles whose places are not yet closed.
  for (size_t i = m_kept.size(); i-- > 0;)
    if (m_kept[i]) out.push_back(m_kept[i].get());
  for (size_t i = m_main->size(); i-- > 0;)
    if ((*m_main)[i]) out.push_back((*m_main)[i].get());
}

void PartikelListe::UpdateList(List& list) {
  // Dead particles leave holes that are closed after the pass, keeping the order; a
  // particle added during the pass lands behind them and is first updated next frame.
  bool holes = false;
  for (size_t i = list.size(); i-- > 0;) {
    Partikel* p = list[i].get();
    p->Update(true);
    if (!p->IsDead()) continue;
    p->OnDeath();
    Forget(*p);
    list[i].reset();
    holes = true;
  }
  if (holes) std::erase_if(list, [](const std::unique_ptr<Partikel>& p) { return !p; });
}

void PartikelListe::Thin() {
  const size_t n = m_main->size();
  const size_t maximum = size_t(std::max(GetMaximum(), 0));
  if (n <= maximum) return;
  const size_t excess = n - maximum;
  // Every k-th particle from the oldest goes, k = n / excess. Where that stride would take
  // more than the excess (above twice the maximum it takes every one), the excess is
  // spread evenly instead.
  const size_t k = n / excess;
  const bool strideFits = (n + k - 1) / k == excess;
  List& target = m_main == &m_bufferA ? m_bufferB : m_bufferA;
  target.clear();
  target.reserve(maximum);
  size_t nextGone = 0, gone = 0;
  for (size_t i = 0; i < n; ++i) {
    bool remove;
    if (strideFits) {
      remove = i % k == 0;
    } else {
      remove = gone < excess && i == nextGone;
      if (remove) nextGone = (gone + 1) * n / excess;
    }
    std::unique_ptr<Partikel>& p = (*m_main)[i];
    if (remove) {
      ++gone;
      Forget(*p);
      p.reset();
    } else {
      target.push_back(std::move(p));
    }
  }
  m_main->clear();
  m_main = &target;
}

void PartikelListe::Update() {
  UpdateList(*m_main);
  Thin();
  UpdateList(m_kept);
}

void PartikelListe::Clear() {
  m_kept.clear();
  m_bufferA.clear();
  m_bufferB.clear();
  m_byId.clear();
}

void PartikelListe::SpawnErdePartikel(const std::vector<RemovedPixel>& pixels, const Vector2& point,
                                      const DistanceRamp& ramp, const double* scale, int32_t step) {
  if (scale && *scale == 0.0) return;
  if (step == 0) step = GetEarthStep();
  // A stride below one would never advance through the pixels.
  if (step < 1) step = 1;
  for (int64_t i = int64_t(pixels.size()) - 1; i >= 0; i -= step) {
    const RemovedPixel& pixel = pixels[size_t(i)];
    Vector2 dir = point - Vector2(pixel.x, pixel.y);
    const float len = dir.Length();
    // A pixel at the point itself has no direction to fly in.
    if (len > 0.0f && ramp.nearDistance < len && len <= ramp.farDistance) {
      dir = dir / len;
      const int32_t pick = PickCumulative(m_earthWeights, platform::RandFraction());
      const PartikelInfo* type =
          pick >= 0 && size_t(pick) < m_earthTypes.size() ? m_earthTypes[size_t(pick)] : nullptr;
      if (type) {
        const double t = (len - ramp.nearDistance) / (ramp.farDistance - ramp.nearDistance);
        const double v = ramp.nearValue + t * (ramp.farValue - ramp.nearValue);
        const Vector2 speed = dir * float(v);
        const Vector2 at(pixel.x, pixel.y);
        const Argb colour =
            (Argb(pixel.alpha) << 24) | (Argb(pixel.red) << 16) | (Argb(pixel.green) << 8) | pixel.blue;
        auto particle = std::make_unique<Partikel>(type, &at, &speed, colour, 0, Partikel::kTypeLayer);
        if (scale) particle->ScaleSize(*scale);
        Add(std::move(particle));
      }
    }
  }
}

void PartikelListe::Render(const Vector2& offset, const Vector2& scale, Argb colour, int32_t layer) {
  for (size_t i = m_main->size(); i-- > 0;) (*m_main)[i]->Render(offset, scale, colour, layer, 0.5f);
  for (size_t i = m_kept.size(); i-- > 0;) m_kept[i]->Render(offset, scale, colour, layer, 0.5f);
}

bool PartikelListe::RenderExtra(const Vector2& offset, const Vector2& scale, int32_t layer) {
  bool drew = false;
  for (size_t i = m_main->size(); i-- > 0;) drew |= (*m_main)[i]->RenderExtra(offset, scale, layer);
  for (size_t i = m_kept.size(); i-- > 0;) drew |= m_kept[i]->RenderExtra(offset, scale, layer);
  return drew;
}
