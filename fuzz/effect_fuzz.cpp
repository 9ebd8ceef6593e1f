// Fuzz target: effect files on arbitrary bytes, read, checked and built as Null effects, then
// walked through every handle, value and pass the way the post effects use them.
// fuzz-seeds: data/*.fx
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/effectfile.h"
#include "engine/kvnode.h"
#include "platform/effect_backend.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto root = ParseKVText(DecodeKVBytes(data, size, false));
  platform::EffectDescription description;
  std::string error;
  if (!ReadEffectDescription(*root, &description, &error)) return 0;
  auto effect = platform::CreateNullEffect(description, &error);
  if (!effect) return 0;
  for (const auto& technique : effect->Description().techniques)
    for (const auto& pass : technique.passes)
      (void)platform::BuildEffectPassSources(effect->Description(), pass);
  for (uint32_t i = 0; platform::EffectHandle p = effect->GetParameter(i); ++i) {
    platform::EffectParameterInfo info;
    effect->GetParameterDesc(p, &info);
    std::vector<platform::Vector4> values(info.bytes / 8 + 1);
    effect->GetVectorArray(p, values.data(), uint32_t(values.size() - 1));
    effect->SetVectorArray(p, values.data(), uint32_t(values.size()));
    for (uint32_t a = 0; platform::EffectHandle h = effect->GetAnnotation(p, a); ++a) {
      std::string text;
      float f = 0.0f;
      effect->GetString(h, &text);
      effect->GetFloat(h, &f);
    }
  }
  for (uint32_t t = 0; platform::EffectHandle technique = effect->GetTechnique(t); ++t) {
    effect->SetTechnique(technique);
    uint32_t passes = 0;
    if (!effect->Begin(&passes)) continue;
    for (uint32_t i = 0; i < passes; ++i) {
      effect->BeginPass(i);
      effect->CommitChanges();
      effect->EndPass();
    }
    effect->End();
  }
  return 0;
}
