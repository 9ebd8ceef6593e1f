// Name lists and random picks.
#include "objects/namen.h"

#include <algorithm>
#include <utility>

#include "engine/apicontext.h"
#include "engine/kvnode.h"
#include "engine/sprache.h"
#include "platform/numeric.h"
#include "platform/random.h"

namespace {

void AppendValues(const KVNode& block, std::u16string_view key, std::vector<std::u16string>& list) {
  for (unsigned i = 0, n = block.CountChildren(key); i < n; ++i) {
    const KVNode* child = block.GetChild(i, key);
    for (unsigned v = 0; v < child->GetValueCount(); ++v) list.push_back(child->GetValue(v)->Text());
  }
}

// count entries of the list taken in turn, then shuffled: each place from the second on
// swaps with a place drawn from those before it and itself.
std::vector<std::u16string> Pick(const std::vector<std::u16string>& list, int count) {
  std::vector<std::u16string> result;
  if (list.empty()) return result;
  size_t n = count < 0 ? list.size() : size_t(count);
  result.reserve(n);
  for (size_t i = 0; i < n; ++i) result.push_back(list[i % list.size()]);
  for (size_t i = 1; i < n; ++i) std::swap(result[i], result[size_t(platform::Rand()) % (i + 1)]);
  return result;
}

}  // namespace

void Namen::Load(const KVNode* block) {
  if (!block) return;
  AppendValues(*block, u"TEAMNAMEN", m_teamNames);
  AppendValues(*block, u"TEAMNAMEN_ENG", m_teamNamesEnglish);
  AppendValues(*block, u"NAMEN", m_names);
}

std::vector<std::u16string> Namen::PickTeamNames(int count, const Sprache* language) const {
  if (!language) language = APIContext::Get()->language.get();
  bool english = language && language->GetActiveLanguageName() == u"ENGLISCH";
  return Pick(english ? m_teamNamesEnglish : m_teamNames, count);
}

std::vector<std::u16string> Namen::PickNames(int count) const { return Pick(m_names, count); }

std::u16string Namen::FirstUnused(const std::vector<std::u16string>& shuffled,
                                  const std::vector<std::u16string>& taken) {
  if (shuffled.empty()) return {};
  for (const std::u16string& name : shuffled)
    if (std::find(taken.begin(), taken.end(), name) == taken.end()) return name;
  return shuffled[size_t(platform::Rand()) % shuffled.size()];
}

std::u16string Namen::RandomName(const std::vector<std::u16string>& list) {
  if (list.empty()) return u"Typ";
  size_t index = size_t(platform::TruncToInt(platform::RandFraction() * double(list.size())));
  if (index > list.size() - 1) index = list.size() - 1;
  return list[index];
}
