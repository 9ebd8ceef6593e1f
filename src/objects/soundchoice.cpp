// Weighted sound lists of gates and force fields.
#include "objects/soundchoice.h"

#include <string>

#include "engine/apisound.h"
#include "engine/kvnode.h"
#include "engine/searchpath.h"
#include "engine/soundset.h"
#include "objects/partikelinfo.h"
#include "platform/random.h"

void SoundChoice::Read(const KVNode& node, std::u16string_view soundsKey, std::u16string_view weightsKey,
                       const SearchPath& searchPath, const LoadSources& sources) {
  if (const KVNode* names = node.GetChild(0, soundsKey); names && sources.sound) {
    for (unsigned i = 0; i < names->GetValueCount(); ++i) {
      const std::u16string name = names->GetValue(i)->Text();
      if (SoundSet* set = sources.sound->Cache().FindOrCreate({&name, &searchPath, sources.archive}))
        m_sounds.push_back(set);
    }
  }
  std::vector<double> weights;
  if (const KVNode* props = node.GetChild(0, weightsKey))
    for (unsigned i = 0; i < props->GetValueCount() && i < m_sounds.size(); ++i)
      weights.push_back(props->GetValue(i)->AsDouble());
  m_weights = CumulativeWeights(std::move(weights), m_sounds.size());
}

SoundSet* SoundChoice::Pick() const {
  if (m_sounds.empty()) return nullptr;
  const int32_t i = PickCumulative(m_weights, platform::RandFraction());
  return i >= 0 && size_t(i) < m_sounds.size() ? m_sounds[size_t(i)] : nullptr;
}

void SoundChoice::Play(APISound* sound) const {
  if (!sound) return;
  if (SoundSet* set = Pick()) sound->Play(set, 100);
}
