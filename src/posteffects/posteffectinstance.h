// A post-effect instance ties an effect animator to the battle's rules: it switches the
// animator on, keeps it on for a time of its own running and/or a number of rounds, and
// switches it off again. Weapons and worms take copies from the library by name and own
// them; a worm arms its instances when a render-effect event hits it and shows them during
// its own turns.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class KVNode;
class MyPostEffectAnimator;
class PostEffectLibrary;

class PostEffectInstance {
 public:
  static constexpr const char16_t* kDefaultName = u"UNNAMED_RENDER_EFFECT_INSTANZ";

  // Defaults (timed, 10 s; not counted, 1 round), then the keys of `node`.
  PostEffectInstance(const KVNode* node, PostEffectLibrary* library);
  ~PostEffectInstance();
  PostEffectInstance& operator=(const PostEffectInstance&) = delete;

  // A copy with a copy of the animator, if any; the caller owns it.
  std::unique_ptr<PostEffectInstance> Clone() const;
  // Once: takes the animator of the animator name from the library and attaches it.
  void Bind();
  // Switches on now; time and rounds from 0.
  void Start();
  // Switches on unless done; time and rounds go on from where they stood.
  void StartIfDue();
  void Deactivate();
  // Deactivate and disarm (the end of a worm's turn).
  void Stop();
  // Time and rounds from 0, marked for the next turn.
  void Arm();
  // Steps the animator; a timed, active instance ends when its time is used up.
  void Update(const double* dt);
  // Counts a round; a counted, active instance ends at its round limit.
  void CountRound();
  void AddRound() { ++m_rounds; }
  // Ignored while active.
  void SetRoundLimit(int32_t limit);
  void SetStrength(const double* value);
  void AddStrength(const double* value);
  // Done, and, with an animator, inactive and blended back.
  bool IsFinished() const;
  // Not armed, and the limits in use reached.
  bool IsDone() const;

  const std::u16string& GetName() const { return m_name; }
  const std::u16string& GetAnimatorName() const { return m_animatorName; }
  MyPostEffectAnimator* GetAnimator() const { return m_animator.get(); }
  bool IsTimed() const { return m_timed; }
  bool IsCounted() const { return m_counted; }
  double GetElapsed() const { return m_elapsed; }
  double GetDuration() const { return m_duration; }
  int32_t GetRounds() const { return m_rounds; }
  int32_t GetRoundLimit() const { return m_roundLimit; }
  bool IsActive() const { return m_active; }
  bool IsArmed() const { return m_armed; }

 private:
  PostEffectInstance(const PostEffectInstance& other);

  PostEffectLibrary* m_library;
  std::unique_ptr<MyPostEffectAnimator> m_animator;
  std::u16string m_name = kDefaultName;
  std::u16string m_animatorName = u"LEER";
  bool m_timed = true;
  double m_elapsed = 0.0;
  double m_duration = 10.0;
  bool m_counted = false;
  int32_t m_rounds = 0;
  int32_t m_roundLimit = 1;
  bool m_active = false;
  bool m_armed = false;
};
