// Effect animators: each holds its own copy of one post effect and switches it on and off
// smoothly, blending some of its parameters between an active and an inactive set over a
// blend time, putting the effect on the library's active list when it must be seen and,
// when asked, taking it off again once it has blended back. Five kinds: light, saturation
// (with flicker), wobble, scaling of three effects in a row, and the blur of a combination's
// child. Read as templates from "PostEffects.efx"; users take copies from the library.
#pragma once

#include <memory>
#include <string>

#include "platform/effect.h"
#include "platform/math2d.h"

class KVNode;
class MyPostEffect;
class PostEffectLibrary;

class MyPostEffectAnimator {
 public:
  static constexpr const char16_t* kDefaultName = u"POSTEFFECTANIMATOR";
  static constexpr const char16_t* kNoEffect = u"LEER";

  // Takes its effect (and, while it is on the active list, leaves the library nothing to
  // delete of it): a destroyed animator never leaves an effect behind on the list.
  virtual ~MyPostEffectAnimator();
  MyPostEffectAnimator& operator=(const MyPostEffectAnimator&) = delete;

  virtual std::unique_ptr<MyPostEffectAnimator> Clone() const = 0;
  // Takes a copy of the effect from the library and shows the inactive set at once; the
  // effect is not on the list yet.
  virtual void Attach() = 0;
  virtual void Activate() = 0;
  virtual void Deactivate() = 0;
  virtual void Update(const double* dt) = 0;
  // No effect, or every blend of it has ended.
  virtual bool IsFinished() const = 0;
  virtual void SetStrength(const double*) {}
  virtual void AddStrength(const double*) {}

  const std::u16string& GetName() const { return m_name; }
  const std::u16string& GetEffectName() const { return m_effectName; }
  bool IsActive() const { return m_active; }
  bool IsOnList() const { return m_onList; }
  bool RemovesOnInactive() const { return m_removeOnInactive; }
  MyPostEffect* GetEffect() const { return m_effect; }
  MyPostEffect* GetNextEffect() const { return m_nextEffect; }
  MyPostEffect* GetPreviousEffect() const { return m_previousEffect; }
  PostEffectLibrary* GetLibrary() const { return m_library; }

 protected:
  MyPostEffectAnimator(const KVNode* node, PostEffectLibrary* library);
  // Copies every field, the effect pointers included; the kinds' Clone replaces them.
  MyPostEffectAnimator(const MyPostEffectAnimator& other) = default;

  // Replaces the copied effect pointers by copies of those effects.
  void CloneEffects();
  // Steps an effect that no one else steps: one on the active list is stepped by the
  // list's own update, once a frame.
  void StepEffect(MyPostEffect* effect, const double* dt) const;
  // Puts the effect (for scaling: previous, effect, next) on the list unless it is there.
  void ListRule();
  // With remove on inactive, once inactive and blended back: off the list.
  void RemoveWhenDone(bool blendsFinished);
  bool HasActiveList() const { return m_library != nullptr; }

  PostEffectLibrary* m_library;
  std::u16string m_name = kDefaultName;
  bool m_onList = false;
  bool m_removeOnInactive = true;
  bool m_active = false;
  std::u16string m_effectName = kNoEffect;
  std::u16string m_nextEffectName = kNoEffect;
  std::u16string m_previousEffectName = kNoEffect;
  MyPostEffect* m_effect = nullptr;
  MyPostEffect* m_nextEffect = nullptr;
  MyPostEffect* m_previousEffect = nullptr;
};

// The light's values (y: radius in pixels, z: brightness outside, w: softness) through
// SetParamV4_1Screen; strength brightens the outside: z := 1 - (1 - z) × strength.
class PEA_Light : public MyPostEffectAnimator {
 public:
  PEA_Light(const KVNode* node, PostEffectLibrary* library);
  std::unique_ptr<MyPostEffectAnimator> Clone() const override;
  void Attach() override;
  void Activate() override;
  void Deactivate() override;
  void Update(const double* dt) override;
  bool IsFinished() const override;
  void SetStrength(const double* value) override;
  void AddStrength(const double* value) override;
  float GetStrength() const { return m_strength; }

 private:
  platform::Vector4 m_activeValues;
  platform::Vector4 m_inactiveValues;
  float m_speed[2] = {1.0f, 1.0f};
  float m_strength = 1.0f;
};

// The saturation (F1); while active it wanders around the active value by the random
// amplitude, one blend of the flicker time after another.
class PEA_Saturate : public MyPostEffectAnimator {
 public:
  PEA_Saturate(const KVNode* node, PostEffectLibrary* library);
  std::unique_ptr<MyPostEffectAnimator> Clone() const override;
  void Attach() override;
  void Activate() override;
  void Deactivate() override;
  void Update(const double* dt) override;
  bool IsFinished() const override;
  void SetStrength(const double* value) override;
  void AddStrength(const double* value) override;
  float GetStrength() const { return m_strength; }

 private:
  float m_randomAmplitude = 0.0f;
  float m_activeValue = 0.0f;
  float m_inactiveValue = 0.0f;
  double m_speed[3] = {1.0, 1.0, 1.0};
  float m_strength = 1.0f;
};

// The wobble's amplitude (pixels, F1) and speed and tiling (V4_1); strength scales the
// amplitude and the two speeds.
class PEA_Wobble : public MyPostEffectAnimator {
 public:
  PEA_Wobble(const KVNode* node, PostEffectLibrary* library);
  std::unique_ptr<MyPostEffectAnimator> Clone() const override;
  void Attach() override;
  void Activate() override;
  void Deactivate() override;
  void Update(const double* dt) override;
  bool IsFinished() const override;
  void SetStrength(const double* value) override;
  void AddStrength(const double* value) override;
  float GetStrength() const { return m_strength; }

 private:
  platform::Vector4 m_activeValues;
  platform::Vector4 m_inactiveValues;
  float m_activeAmplitude = 0.0f;
  float m_inactiveAmplitude = 0.0f;
  float m_speed[2] = {1.0f, 1.0f};
  float m_strength = 1.0f;
};

// The scaling of an effect of any kind, run between a previous and a next effect.
class PEA_Scaling : public MyPostEffectAnimator {
 public:
  PEA_Scaling(const KVNode* node, PostEffectLibrary* library);
  std::unique_ptr<MyPostEffectAnimator> Clone() const override;
  void Attach() override;
  void Activate() override;
  void Deactivate() override;
  void Update(const double* dt) override;
  bool IsFinished() const override;

 private:
  platform::Vector2 m_activeScaling;
  platform::Vector2 m_inactiveScaling;
  double m_speed[2] = {1.0, 1.0};
  bool m_invert = false;
};

// The first float of one child of a combination, found by name at every use (a new Create
// of the combination replaces its children).
class PEA_Blur : public MyPostEffectAnimator {
 public:
  PEA_Blur(const KVNode* node, PostEffectLibrary* library);
  std::unique_ptr<MyPostEffectAnimator> Clone() const override;
  void Attach() override;
  void Activate() override;
  void Deactivate() override;
  void Update(const double* dt) override;
  bool IsFinished() const override;
  const std::u16string& GetChildName() const { return m_childName; }

 private:
  MyPostEffect* Child() const;

  float m_activeValue = 1.0f;
  float m_inactiveValue = 0.0f;
  std::u16string m_childName;
  double m_speed[2] = {1.0, 1.0};
};
