// Weighted name lists as every data file of the world writes them: a key lists names, the
// key of the same name with "_PROP" gives a weight per name (missing ones count 1.0, extra
// ones are ignored), and the weights are kept cumulative. A pick draws exactly once.
#pragma once

#include <string_view>
#include <vector>

class KVNode;

// Running sums divided by the total, in place: entry i = w_i / sum + entry i-1. All-zero
// weights give NaN everywhere, and such a list never yields an entry.
void MakeCumulative(std::vector<double>& weights);

// The cumulative weights for `count` entries: the values of the first child `weightKey`
// of `parent` (either may be missing) while below count, then 1.0 for the rest.
std::vector<double> ReadCumulativeWeights(const KVNode* parent, std::u16string_view weightKey, size_t count);

// The first index whose cumulative weight is at least u; -1 when none reaches it.
int FirstIndexAtLeast(const std::vector<double>& cumulative, double u);
// One draw of the game's generator, then FirstIndexAtLeast.
int PickWeightedIndex(const std::vector<double>& cumulative);

// Entries with cumulative weights of the same length.
template <class T>
struct WeightedList {
  std::vector<T> entries;
  std::vector<double> weights;

  bool empty() const { return entries.empty(); }
  size_t size() const { return entries.size(); }
  // One draw; the picked entry or null.
  const T* Pick() const {
    int i = PickWeightedIndex(weights);
    return i < 0 ? nullptr : &entries[size_t(i)];
  }
};

// The names given as the values of the first child `nameKey` of `parent`, with their
// weights from `weightKey`.
WeightedList<std::u16string> ReadWeightedNames(const KVNode* parent, std::u16string_view nameKey,
                                               std::u16string_view weightKey);
