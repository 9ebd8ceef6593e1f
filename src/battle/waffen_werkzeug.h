// The tools that change the battle without firing a shell: the teleporter chain placer, the
// teleport between two animations, the worm switch, the shield and the effect weapon. The
// weapon set makes them from their blocks of "waffen.waf".
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "battle/waffe.h"

class PostEffectInstance;
class TeleporterListe;

// Places a chain of linked teleporter gates, one per click on the map: the chain closes by
// itself at MAX_TELEPORTERS gates, on the action key once two stand, or at the turn's end.
class Beamer final : public Waffe {
 public:
  static constexpr int32_t kDefaultChain = 2;
  Beamer(const KVNode* block, MyGlobals* globals, APIContext* context);

  bool TakesSteering() const override { return true; }
  void OnAction() override;
  void OnClick(const Vector2& worldPosition) override;
  bool FireTest(const Objekt&) const override { return !m_active; }
  void Cancel() override;
  void ResetForGame() override;
  std::optional<std::u16string> DescriptionText(bool details) const override;

  int32_t GetPlaced() const { return m_placed; }
  int32_t GetChainLength() const { return m_chainLength; }

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;

 private:
  TeleporterListe* Gates() const;
  void CloseChain();

  std::u16string m_typeName;
  int32_t m_placed = 0;
  int32_t m_chainLength = kDefaultChain;
};

// Moves the worm to the chosen point: a leaving animation over the worm, the move, an
// arriving animation at the destination. A missing animation (or one that never ends) is
// skipped, so the move never hangs.
class Teleport final : public Waffe {
 public:
  Teleport(const KVNode* block, MyGlobals* globals, APIContext* context);
  ~Teleport() override;

  bool NeedsTarget() const override { return true; }
  bool FireTest(const Objekt&) const override { return !m_active; }
  void Update(double step) override;
  void DrawAim(const Vector2& offset, const Vector2& scale, bool flag) override;
  std::optional<std::u16string> DescriptionText(bool details) const override;

  int32_t GetPhase() const { return m_phase; }
  const Vector2& GetDestination() const { return m_destination; }

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;

 private:
  // Puts the worm at the destination and starts the arriving animation; with none the use
  // ends at once.
  void Arrive(Objekt& worm);
  void Finish();

  Vector2 m_destination{0.0f, 0.0f};
  std::optional<uint32_t> m_wormId;
  std::unique_ptr<Animation> m_start;
  std::unique_ptr<Animation> m_end;
  int32_t m_phase = 0;
};

// Opens worm switching for this turn: the worm's control step then hands the turn to the
// team's next worm on the switch key.
class SwitchWorm final : public Waffe {
 public:
  SwitchWorm(const KVNode* block, MyGlobals* globals, APIContext* context) : Waffe(block, globals, context) {}

  void Cancel() override;
  std::optional<std::u16string> DescriptionText(bool details) const override;

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;
};

// Sets a shield (a force field of the SCHILDNAME type) at the chosen point for the chosen
// number of rounds.
class Schild final : public Waffe {
 public:
  Schild(const KVNode* block, MyGlobals* globals, APIContext* context);

  bool HasSetting() const override { return true; }
  void Arm(double value) override;
  bool NeedsTarget() const override { return true; }
  bool FireTest(const Objekt&) const override { return !m_active; }
  void ResetForGame() override;
  std::optional<std::u16string> DescriptionText(bool details) const override;

  double GetRounds() const { return m_rounds; }

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;

 private:
  std::u16string m_fieldName;
  double m_rounds = 1.0;
};

// Full-screen effects for some rounds: a use marks them, and they start when the turn ends.
class PostEffectWaffe final : public Waffe {
 public:
  PostEffectWaffe(const KVNode* block, MyGlobals* globals, APIContext* context);
  ~PostEffectWaffe() override;

  bool HasSetting() const override { return true; }
  void Arm(double value) override;
  void Update(double step) override;
  void Cancel() override;
  std::optional<std::u16string> DescriptionText(bool details) const override;

  const std::vector<std::unique_ptr<PostEffectInstance>>& GetInstances() const { return m_instances; }
  bool IsStartPending() const { return m_startPending; }
  int32_t GetRounds() const { return m_rounds; }

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;

 private:
  void SetRounds(double value);

  std::vector<std::unique_ptr<PostEffectInstance>> m_instances;
  bool m_startPending = false;
  int32_t m_rounds = 1;
};
