// Bonus sets: reading, choosing, and the crates of the current set that still exist. The
// drop itself lies in bonusdrop.cpp, apart from the world and the particles.
#include "objects/bonussettings.h"

#include <algorithm>

#include "engine/kvnode.h"
#include "platform/numeric.h"
#include "platform/random.h"

BonusSet::BonusSet(const KVNode& node) {
  node.Read(u"NAME", name);
  double a = 0.0, b = 0.0;
  if (node.Read(u"PROPKISTE", a, 0) && node.Read(u"PROPKISTE", b, 1)) {
    chanceBase = a;
    chanceIncrease = b;
  }
  if (node.Read(u"ANZKISTEN", a, 0) && node.Read(u"ANZKISTEN", b, 1)) {
    countMin = a;
    countMax = b;
  }
  if (node.Read(u"MAXANZKISTEN", a)) maxLying = platform::TruncToInt(a);
  if (const KVNode* types = node.GetChild(0, u"KISTE_TYP")) {
    crateTypes.clear();
    for (unsigned i = 0; i < types->GetValueCount(); ++i) crateTypes.push_back(types->GetValue(i)->Text());
  }
  if (const KVNode* props = node.GetChild(0, u"KISTE_PROPS")) {
    crateWeights.clear();
    for (unsigned i = 0; i < props->GetValueCount(); ++i)
      crateWeights.push_back(props->GetValue(i)->AsDouble());
  }
  if (crateWeights.size() < crateTypes.size()) crateWeights.resize(crateTypes.size(), 1.0);
  double sum = 0.0;
  for (double w : crateWeights) sum += w;
  double running = 0.0;
  for (double& w : crateWeights) {
    running += w / sum;
    w = running;
  }
}

const std::u16string* BonusSet::PickCrateType() const {
  const double r = platform::RandFraction();
  for (size_t i = 0; i < crateWeights.size(); ++i)
    if (crateWeights[i] > r) return i < crateTypes.size() ? &crateTypes[i] : nullptr;
  return nullptr;
}

void BonusSettings::LoadFile(const KVNode* root) {
  if (!root) return;
  for (unsigned i = 0; i < root->CountChildren(u"EINSTELLUNG"); ++i)
    AddSet(BonusSet(*root->GetChild(i, u"EINSTELLUNG")));
}

void BonusSettings::AddSet(const BonusSet& set) {
  // Appending may move the list, so a current set in it is found again by position.
  const bool currentIsDefault = m_current == &m_default;
  const size_t currentIndex = currentIsDefault ? 0 : size_t(m_current - m_sets.data());
  m_sets.push_back(set);
  if (set.name == u"DEFAULT") m_default = set;
  m_current = currentIsDefault ? &m_default : &m_sets[currentIndex];
}

void BonusSettings::Select(const std::u16string* name) {
  m_current = &m_default;
  if (!name) return;
  for (BonusSet& set : m_sets) {
    if (set.name == *name) {
      m_current = &set;
      return;
    }
  }
}

const std::vector<Objekt*>* BonusSettings::ResolveCurrent() {
  BonusSet& set = *m_current;
  set.present.clear();
  for (size_t i = set.droppedIds.size(); i-- > 0;) {
    Objekt* crate = m_host ? m_host->FindObject(set.droppedIds[i]) : nullptr;
    if (crate)
      set.present.push_back(crate);
    else
      set.droppedIds.erase(set.droppedIds.begin() + std::ptrdiff_t(i));
  }
  return &set.present;
}
