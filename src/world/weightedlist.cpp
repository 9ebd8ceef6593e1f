#include "world/weightedlist.h"

#include <string>

#include "engine/kvnode.h"
#include "platform/random.h"

void MakeCumulative(std::vector<double>& weights) {
  double sum = 0.0;
  for (double w : weights) sum += w;
  double previous = 0.0;
  for (double& w : weights) {
    w = w / sum + previous;
    previous = w;
  }
}

std::vector<double> ReadCumulativeWeights(const KVNode* parent, std::u16string_view weightKey, size_t count) {
  std::vector<double> weights;
  weights.reserve(count);
  const KVNode* values = parent ? parent->GetChild(0, weightKey) : nullptr;
  if (values)
    for (unsigned i = 0; i < values->GetValueCount() && weights.size() < count; ++i)
      weights.push_back(values->GetValue(i)->AsDouble());
  weights.resize(count, 1.0);
  MakeCumulative(weights);
  return weights;
}

int FirstIndexAtLeast(const std::vector<double>& cumulative, double u) {
  for (size_t i = 0; i < cumulative.size(); ++i)
    if (cumulative[i] >= u) return int(i);
  return -1;
}

int PickWeightedIndex(const std::vector<double>& cumulative) {
  return FirstIndexAtLeast(cumulative, platform::RandFraction());
}

WeightedList<std::u16string> ReadWeightedNames(const KVNode* parent, std::u16string_view nameKey,
                                               std::u16string_view weightKey) {
  WeightedList<std::u16string> list;
  if (const KVNode* names = parent ? parent->GetChild(0, nameKey) : nullptr)
    for (unsigned i = 0; i < names->GetValueCount(); ++i) list.entries.push_back(names->GetValue(i)->Text());
  list.weights = ReadCumulativeWeights(parent, weightKey, list.entries.size());
  return list;
}
