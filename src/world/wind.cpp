// Winds, their draws each turn, the particles they blow in, and the manager of the one in
// force.
#include "world/wind.h"

#include "engine/kvnode.h"
#include "platform/random.h"
#include "world/weightedlist.h"
#include "world/windparticles.h"
#include "world/worldbounds.h"

Wind::Wind(const KVNode* node, const WindSources& sources) : m_sources(sources) {
  // The first draw happens before any key is read, with the default spread and range.
  NewRound(1.0);
  m_name = u"DEFAULT";
  m_shownStrength.SetValue(0.0);
  m_shownStrength.Set(0.0);
  m_shownStrength.SetSpeed(kGlideSeconds);
  m_windFactor = 1.0;
  if (!node) return;
  WeightedList<std::u16string> types = ReadWeightedNames(node, u"PARTIKEL_INFOS", u"PARTIKEL_INFOS_PROP");
  m_particleTypes = std::move(types.entries);
  m_particleWeights = std::move(types.weights);
  node->Read(u"WINDSPEED", m_strengthRange.x, 0);
  node->Read(u"WINDSPEED", m_strengthRange.y, 1);
  node->Read(u"WINDSPEED_CONSTRAINTS", m_spread.x, 0);
  node->Read(u"WINDSPEED_CONSTRAINTS", m_spread.y, 1);
  node->Read(u"PARTIKEL_SPEED", m_spawnRate);
  node->Read(u"NAME", m_name);
}

Wind::~Wind() = default;

void Wind::NewRound(double factor) {
  Vector2 direction;
  direction.x = float((platform::RandFraction() - 0.5) * m_spread.x);
  direction.y = float((platform::RandFraction() - 0.5) * m_spread.y);
  m_direction = platform::Normalize(direction);
  const float range = m_strengthRange.y - m_strengthRange.x;
  const double strength = factor * (platform::RandFraction() * range + m_strengthRange.x);
  m_strength = strength;
  m_signedTarget = m_direction.x < 0.0f ? -strength : strength;
  // Back to 0, whatever the display showed before: each new wind rises from nothing.
  m_shownStrength.SetValue(0.0);
  m_shownStrength.Set(m_signedTarget);
}

void Wind::Update(double dt) {
  if (m_spawnRate > 0.0) {
    m_spawnClock += dt;
    const double interval = 1.0 / m_spawnRate;
    int attempts = 0;
    while (m_spawnClock > interval) {
      if (attempts++ == kMaxSpawnsPerUpdate) {
        m_spawnClock = 0.0;
        break;
      }
      m_spawnClock -= interval;
      SpawnOne();
    }
  }
  m_shownStrength.Step(dt);
}

void Wind::SpawnOne() {
  const int index = FirstIndexAtLeast(m_particleWeights, platform::RandFraction());
  if (index < 0 || !m_sources.particles) return;
  const PartikelInfo* type = m_sources.particles->FindInfo(m_particleTypes[size_t(index)]);
  if (!type) return;
  const Rect world = m_sources.world ? m_sources.world->GetWorldRect() : Rect{0, 0, 0, 0};
  const double width = double(int64_t(world.right) - world.left);
  const float x = float(world.left + platform::RandFraction() * width);
  m_sources.particles->Add(*type, Vector2(x, float(world.top)));
}

Vector2 Wind::ForceOnParticle(const Vector2&) const {
  return m_direction * float(m_strength) * float(m_windFactor);
}

double Wind::GetStrengthRatio() const {
  const double maximum = m_strengthRange.y;
  return maximum == 0.0 ? 0.0 : m_shownStrength.GetValue() / maximum;
}

WindManager::WindManager() : m_current(this) {}

WindManager::~WindManager() = default;

void WindManager::SetSources(const WindSources& sources) {
  Wind::SetSources(sources);
  for (const auto& wind : m_winds) wind->SetSources(sources);
}

void WindManager::Load(const KVNode* root) {
  if (!root) return;
  for (unsigned i = 0; const KVNode* node = root->GetChild(i, u"WIND"); ++i)
    m_winds.push_back(std::make_unique<Wind>(node, GetSources()));
}

void WindManager::SelectByName(const std::u16string* name) {
  m_current = this;
  if (!name) return;
  for (const auto& wind : m_winds)
    if (wind->GetName() == *name) m_current = wind.get();
}

void WindManager::NewRound(double factor) { m_current->Wind::NewRound(factor); }

void WindManager::Update(double dt) { m_current->Wind::Update(dt); }
