// Reading event keys with their checks.
#include "objects/eventkeys.h"

#include <cmath>
#include <cstdio>

#include "engine/kvnode.h"
#include "platform/text.h"

namespace eventkeys {

namespace {

const KVNode* Block(const KVNode* section, std::u16string_view key) {
  return section ? section->GetChild(0, key) : nullptr;
}

}  // namespace

void Report(const std::u16string& event, std::u16string_view what, std::u16string_view subject) {
  std::fprintf(stderr, "events.evt: event \"%s\": %s \"%s\"\n", platform::U16ToUtf8(event).c_str(),
               platform::U16ToUtf8(std::u16string(what)).c_str(),
               platform::U16ToUtf8(std::u16string(subject)).c_str());
}

bool Read(const KVNode* section, std::u16string_view key, bool& out) {
  const KVNode* block = Block(section, key);
  if (!block || block->GetValueCount() == 0) return false;
  out = block->GetValue(0)->AsBool();
  return true;
}

bool Read(const KVNode* section, std::u16string_view key, int32_t& out, unsigned index) {
  const KVNode* block = Block(section, key);
  if (!block || index >= block->GetValueCount()) return false;
  out = block->GetValue(index)->AsInt();
  return true;
}

bool Read(const KVNode* section, std::u16string_view key, double& out, unsigned index) {
  const KVNode* block = Block(section, key);
  if (!block || index >= block->GetValueCount()) return false;
  const double v = block->GetValue(index)->AsDouble();
  if (!std::isfinite(v)) return false;
  out = v;
  return true;
}

bool Read(const KVNode* section, std::u16string_view key, std::u16string& out) {
  const KVNode* block = Block(section, key);
  if (!block || block->GetValueCount() == 0) return false;
  out = block->GetValue(0)->Text();
  return true;
}

bool ReadTwo(const KVNode* section, std::u16string_view key, double& first, double& second,
             const std::u16string& event) {
  const KVNode* block = Block(section, key);
  if (!block) return false;
  double a = 0.0, b = 0.0;
  if (block->GetValueCount() < 2 || !Read(section, key, a, 0) || !Read(section, key, b, 1)) {
    Report(event, u"needs two numbers; the default stands for", key);
    return false;
  }
  first = a;
  second = b;
  return true;
}

bool ReadTwo(const KVNode* section, std::u16string_view key, int32_t& first, int32_t& second,
             const std::u16string& event) {
  double a = 0.0, b = 0.0;
  if (!ReadTwo(section, key, a, b, event)) return false;
  // Numbers are truncated towards zero, and kept within the 32-bit range.
  auto toInt = [](double v) {
    return int32_t(std::trunc(std::fmax(-2147483648.0, std::fmin(v, 2147483647.0))));
  };
  first = toInt(a);
  second = toInt(b);
  return true;
}

std::vector<std::u16string> ReadTexts(const KVNode* section, std::u16string_view key) {
  std::vector<std::u16string> out;
  if (const KVNode* block = Block(section, key))
    for (unsigned i = 0; i < block->GetValueCount(); ++i) out.push_back(block->GetValue(i)->Text());
  return out;
}

std::vector<double> ReadWeights(const KVNode* section, std::u16string_view key, size_t limit) {
  std::vector<double> out;
  if (const KVNode* block = Block(section, key))
    for (unsigned i = 0; i < block->GetValueCount() && out.size() < limit; ++i) {
      const double v = block->GetValue(i)->AsDouble();
      out.push_back(std::isfinite(v) ? v : 1.0);
    }
  return out;
}

DistanceRamp ReadRamp(const KVNode* section, std::u16string_view key) {
  return DistanceRamp::Read(Block(section, key));
}

}  // namespace eventkeys
