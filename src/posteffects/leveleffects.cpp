// A level's effects: switched on with their parameters, switched off and deleted together.
#include "posteffects/leveleffects.h"

#include "posteffects/myposteffect.h"
#include "posteffects/posteffectlibrary.h"
#include "world/settingobjekt.h"

LevelEffects::~LevelEffects() { Clear(); }

void LevelEffects::Clear() {
  for (MyPostEffect* effect : m_effects) {
    if (m_library) m_library->DeactivateEffect(effect);
    delete effect;
  }
  m_effects.clear();
}

void LevelEffects::Apply(const std::vector<SettingPostEffect>& entries) {
  Clear();
  for (const SettingPostEffect& entry : entries) Add(entry);
}

bool LevelEffects::Add(const SettingPostEffect& entry) {
  std::unique_ptr<MyPostEffect> effect = m_library ? m_library->CreateEffect(&entry.effectName) : nullptr;
  if (!effect) return false;
  MyPostEffect* e = effect.release();
  // Switched on first: a combination makes its children there, and its parameters go to
  // them.
  m_library->ActivateEffect(e);
  if (entry.hasF1) e->CallSetParamF_1(entry.f1, nullptr);
  if (entry.hasF2) e->CallSetParamF_2(entry.f2, nullptr);
  if (entry.hasV1) e->CallSetParamV4_1({entry.v1[0], entry.v1[1], entry.v1[2], entry.v1[3]}, nullptr);
  if (entry.hasV2) e->SetParamV4_2({entry.v2[0], entry.v2[1], entry.v2[2], entry.v2[3]}, nullptr);
  m_effects.push_back(e);
  return true;
}
