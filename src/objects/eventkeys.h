// Reading the keys of an event section: each key is a child block whose quoted values are
// the key's values. A number that is not finite counts as not given; a key that takes two
// values and has fewer counts as absent. What cannot be used is reported on stderr once
// per event and key.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/gfxtypes.h"
#include "objects/distanceramp.h"

class KVNode;

namespace eventkeys {

void Report(const std::u16string& event, std::u16string_view what, std::u16string_view subject);

bool Read(const KVNode* section, std::u16string_view key, bool& out);
bool Read(const KVNode* section, std::u16string_view key, int32_t& out, unsigned index = 0);
bool Read(const KVNode* section, std::u16string_view key, double& out, unsigned index = 0);
bool Read(const KVNode* section, std::u16string_view key, std::u16string& out);
// Both values or neither (reported under the event's name).
bool ReadTwo(const KVNode* section, std::u16string_view key, double& first, double& second,
             const std::u16string& event);
bool ReadTwo(const KVNode* section, std::u16string_view key, int32_t& first, int32_t& second,
             const std::u16string& event);
std::vector<std::u16string> ReadTexts(const KVNode* section, std::u16string_view key);
// At most `limit` values (all when limit is SIZE_MAX); a value that is no finite number
// weighs 1.0.
std::vector<double> ReadWeights(const KVNode* section, std::u16string_view key, size_t limit);
DistanceRamp ReadRamp(const KVNode* section, std::u16string_view key);

}  // namespace eventkeys
