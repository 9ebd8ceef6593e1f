// The computer control's parameters in the key configuration.
#include "battle/cpusteuerung.h"

#include "engine/kvnode.h"

namespace {

template <size_t N>
void ReadValues(const KVNode* node, std::u16string_view key, std::array<double, N>& out) {
  for (unsigned i = 0; i < N; ++i) node->Read(key, out[i], i);
}

template <size_t N>
void WriteValues(KVNode* node, std::u16string name, const std::array<double, N>& values) {
  KVNode* child = node->AddChild(std::move(name));
  for (double v : values) child->InsertValue(std::make_unique<KVValue>(v));
}

}  // namespace

CPUSteuerung::CPUSteuerung(std::u16string name) : Steuerung(std::move(name)) {}

void CPUSteuerung::Save(KVNode* node) const {
  if (!node) return;
  Steuerung::Save(node);
  KVNode* names = node->AddChild(u"WAFFEN");
  for (const std::u16string& w : weapons) names->InsertValue(std::make_unique<KVValue>(w));
  WriteValues(node, u"WINKEL_PARAMS", angles);
  WriteValues(node, u"FAKTOREN", factors);
  node->AddChildWith(u"BEWEGUNG", movement);
  WriteValues(node, u"PAUSE", pause);
  node->AddChildWith(u"WINDSTÄRKE", windFactor);
}

void CPUSteuerung::Load(const KVNode* node) {
  if (!node) return;
  Steuerung::Load(node);
  if (const KVNode* names = node->GetChild(0, u"WAFFEN")) {
    weapons.clear();
    for (unsigned i = 0; i < names->GetValueCount(); ++i) weapons.push_back(names->GetValue(i)->Text());
  }
  ReadValues(node, u"WINKEL_PARAMS", angles);
  ReadValues(node, u"FAKTOREN", factors);
  node->Read(u"BEWEGUNG", movement);
  ReadValues(node, u"PAUSE", pause);
  node->Read(u"WINDSTÄRKE", windFactor);
}
