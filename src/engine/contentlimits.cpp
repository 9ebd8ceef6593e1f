// Counts read from content files, held to their limits.
#include "engine/contentlimits.h"

#include <cstdio>
#include <mutex>
#include <set>
#include <utility>

#include "engine/kvnode.h"
#include "platform/text.h"

namespace content {

namespace {

thread_local const FileScope* t_current = nullptr;

}  // namespace

FileScope::FileScope(std::u16string_view name) : m_name(name), m_outer(t_current) { t_current = this; }

FileScope::~FileScope() { t_current = m_outer; }

std::u16string_view FileScope::Current() { return t_current ? std::u16string_view(t_current->m_name) : u"?"; }

void ReportFault(std::u16string_view file, std::string_view reason) {
  static std::mutex mutex;
  static std::set<std::u16string> told;
  std::lock_guard lock(mutex);
  if (told.emplace(file).second)
    std::fprintf(stderr, "Krumbolt: %s could not be loaded: %.*s\n", platform::U16ToUtf8(file).c_str(),
                 int(reason.size()), reason.data());
}

int32_t Clamp(int32_t value, int32_t min, int32_t max, std::u16string_view key) {
  if (value >= min && value <= max) return value;
  const int32_t held = value < min ? min : max;
  static std::mutex mutex;
  static std::set<std::pair<std::u16string, std::u16string>> told;
  std::lock_guard lock(mutex);
  if (told.emplace(std::u16string(FileScope::Current()), std::u16string(key)).second)
    std::fprintf(stderr, "Krumbolt: %s: %s %d is outside %d .. %d; %d is used\n",
                 platform::U16ToUtf8(FileScope::Current()).c_str(), platform::U16ToUtf8(key).c_str(), value, min,
                 max, held);
  return held;
}

bool ReadCount(const KVNode& node, std::u16string_view key, int32_t& out, int32_t min, int32_t max,
               unsigned index) {
  int32_t value = out;
  if (!node.Read(key, value, index)) return false;
  out = Clamp(value, min, max, key);
  return true;
}

}  // namespace content
