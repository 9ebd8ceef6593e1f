// The weapons that put one object into the world and let it fly or wait: the rocket
// launcher, the homing missile, the timed grenade, the rifle, the lit charge and the
// proximity mine. The weapon set makes them from their blocks of "waffen.waf".
#pragma once

#include <optional>
#include <vector>

#include "battle/waffe.h"

// Fires a charged rocket; one of its rockets at a time.
class Bazooka : public Waffe {
 public:
  static constexpr double kDefaultMaxStrength = 500.0;
  Bazooka(const KVNode* block, MyGlobals* globals, APIContext* context);

  bool Charges() const override { return true; }
  double GetStrength() const override { return m_maxStrength; }
  bool CanFireNow() const override { return !ShellExists() && Waffe::CanFireNow(); }
  bool FireTest(const Objekt&) const override { return !ShellExists(); }
  const PartikelInfo* GetProjectile() const override { return m_type; }
  std::optional<std::u16string> DescriptionText(bool details) const override;

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;
  bool ShellExists() const { return FindObject(m_shellId) != nullptr; }

  const PartikelInfo* m_type = nullptr;
  double m_maxStrength = kDefaultMaxStrength;
  std::optional<uint32_t> m_shellId;
};

// Fires bullets at full speed, USES_PER_ROUND of them a turn.
class Gewehr final : public Bazooka {
 public:
  Gewehr(const KVNode* block, MyGlobals* globals, APIContext* context) : Bazooka(block, globals, context) {}

  bool Charges() const override { return false; }
  bool CanFireNow() const override { return Waffe::CanFireNow(); }
  std::optional<std::u16string> DescriptionText(bool details) const override;

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;
};

// A charged rocket that turns towards the chosen point once its lock time has passed.
class HomingMissle final : public Waffe {
 public:
  HomingMissle(const KVNode* block, MyGlobals* globals, APIContext* context);

  bool HasSetting() const override { return true; }
  void Arm(double value) override;
  bool NeedsTarget() const override { return true; }
  bool Charges() const override { return true; }
  // One of its shells or charges at a time.
  bool FireTest(const Objekt&) const override { return !m_active; }
  const PartikelInfo* GetProjectile() const override { return m_type; }
  void Update(double step) override;
  void DrawAim(const Vector2& offset, const Vector2& scale, bool flag) override;
  bool DrawExtra(const Vector2& offset, const Vector2& scale) override;
  std::optional<std::u16string> DescriptionText(bool details) const override;

  double GetLockTime() const { return m_lockTime; }
  double GetFlightTime() const { return m_flightTime; }
  double GetFlightSpeed() const { return m_flightSpeed; }

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;

 private:
  // The shell while the lock countdown shows.
  Objekt* CountingDown() const;

  const PartikelInfo* m_type = nullptr;
  double m_maxStrength = 500.0;
  double m_lockTime = 1.0;
  double m_turnRate = 180.0;
  double m_topSpeed = 200.0;
  double m_acceleration = 100.0;
  double m_homingLimit = 10.0;
  double m_flightTime = 0.0;
  std::optional<uint32_t> m_shellId;
  Vector2 m_target{0.0f, 0.0f};
  double m_flightSpeed = 0.0;
};

// A charged grenade that goes off when its fuse has burnt down.
class Granate final : public Waffe {
 public:
  static constexpr double kDefaultFuse = 5.0;
  Granate(const KVNode* block, MyGlobals* globals, APIContext* context);

  bool HasSetting() const override { return true; }
  void Arm(double value) override;
  bool Charges() const override { return true; }
  double GetStrength() const override { return m_maxStrength; }
  // One of its shells or charges at a time.
  bool FireTest(const Objekt&) const override { return !m_active; }
  const PartikelInfo* GetProjectile() const override { return m_type; }
  void Update(double step) override;
  void DrawAim(const Vector2& offset, const Vector2& scale, bool flag) override;
  bool DrawExtra(const Vector2& offset, const Vector2& scale) override;
  std::optional<std::u16string> DescriptionText(bool details) const override;

  double GetFuse() const { return m_fuse; }
  double GetFlightTime() const { return m_flightTime; }

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;

 private:
  Objekt* CountingDown() const;

  const PartikelInfo* m_type = nullptr;
  double m_maxStrength = 500.0;
  std::optional<uint32_t> m_shellId;
  double m_flightTime = 0.0;
  double m_fuse = kDefaultFuse;
  double m_maxFuse = kDefaultFuse;
  bool m_useTimer = true;
};

// A charge laid at the worm's feet that goes off after its fuse; the worm may walk away
// while it burns.
class Dynamit final : public Waffe {
 public:
  Dynamit(const KVNode* block, MyGlobals* globals, APIContext* context);

  bool CanFireNow() const override { return (m_active && m_fuse > m_turnTimer) || Waffe::CanFireNow(); }
  // One of its shells or charges at a time.
  bool FireTest(const Objekt&) const override { return !m_active; }
  const PartikelInfo* GetProjectile() const override { return m_type; }
  void Update(double step) override;
  std::optional<std::u16string> DescriptionText(bool details) const override;

  double GetFuse() const { return m_fuse; }
  double GetBurnTime() const { return m_burnTime; }

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;

 private:
  const PartikelInfo* m_type = nullptr;
  double m_fuse = 5.0;
  double m_burnTime = 0.0;
  std::optional<uint32_t> m_chargeId;
  SoundSet* m_tick = nullptr;
};

// Mines laid at the worm's feet: each arms after a delay, a worm coming nearer than the
// trigger distance lights its fuse, and it goes off when the fuse has burnt.
class Mine final : public Waffe {
 public:
  // While the last mine arms, its layer may still walk away.
  static constexpr double kRetreatTime = 3.0;

  struct Record {
    double fuse = 0.0;
    double burnTime = 0.0;
    double armingLeft = 0.0;
    uint32_t id = 0;
    bool triggered = false;
  };

  Mine(const KVNode* block, MyGlobals* globals, APIContext* context);

  bool IsExhausted() const override {
    return !(m_active && m_turnTimer < kRetreatTime) && Waffe::IsExhausted();
  }
  bool CanFireNow() const override { return (m_active && m_turnTimer < kRetreatTime) || Waffe::CanFireNow(); }
  // One of its shells or charges at a time.
  bool FireTest(const Objekt&) const override { return !m_active; }
  const PartikelInfo* GetProjectile() const override { return m_type; }
  void ResetForGame() override { m_mines.clear(); }
  void Update(double step) override;
  std::optional<std::u16string> DescriptionText(bool details) const override;

  const std::vector<Record>& GetMines() const { return m_mines; }
  double GetTriggerDistance() const { return m_triggerDistance; }

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;

 private:
  const PartikelInfo* m_type = nullptr;
  double m_armingDelay = 2.0;
  double m_triggerDistance = 100.0;
  double m_fuseBase = 3.0;
  double m_fuseSpread = 0.0;
  double m_sinceLaid = 0.0;
  std::vector<Record> m_mines;
  // The living worms of the frame, kept from one frame to the next for its memory.
  std::vector<Objekt*> m_worms;
  SoundSet* m_tick = nullptr;
};
