// The weapons that attack from above: a row of bombs dropped along a slanted line through a
// chosen point, a rain of meteors over the whole width of the world, and a plane the player
// steers until it crashes or is set off. The weapon set makes them from their blocks of
// "waffen.waf".
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "battle/waffe.h"

class Partikel;
class SoundRequest;

// Drops its warheads one by one, DELAY apart, in a row BREITE wide centred on the line
// that leads, at the warheads' slope, through the target.
class AirStrike final : public Waffe {
 public:
  AirStrike(const KVNode* block, MyGlobals* globals, APIContext* context);

  bool NeedsTarget() const override { return true; }
  // A row still falling keeps the weapon in play.
  bool IsExhausted() const override { return !m_active && Waffe::IsExhausted(); }
  const PartikelInfo* GetProjectile() const override { return m_type; }
  void Update(double step) override;
  std::optional<std::u16string> DescriptionText(bool details) const override;

  const Vector2& GetVelocity() const { return m_velocity; }
  const Vector2& GetRowStart() const { return m_rowStart; }
  int32_t GetDropped() const { return m_dropped; }
  const std::vector<uint32_t>& GetWarheads() const { return m_warheads; }

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;

 private:
  const PartikelInfo* m_type = nullptr;
  int32_t m_count = 1;
  double m_delay = 1.0;
  Vector2 m_velocity{0.0f, 0.0f};
  Vector2 m_slope{1.0f, 1.0f};
  double m_topOffset = 100.0;
  double m_width = 200.0;
  Vector2 m_rowStart{0.0f, 0.0f};
  double m_dropTimer = 0.0;
  int32_t m_dropped = 0;
  bool m_fromLeft = true;
  std::vector<uint32_t> m_warheads;
};

// Rains its warheads from random places across the world (ABSTAND_LR beyond either edge)
// at random intervals between the two DELAY values, each flying in a direction between
// WINKEL_L and WINKEL_R.
class Armageddon final : public Waffe {
 public:
  static constexpr double kDefaultSpeed = 500.0;
  Armageddon(const KVNode* block, MyGlobals* globals, APIContext* context);

  bool IsExhausted() const override { return !m_active && Waffe::IsExhausted(); }
  const PartikelInfo* GetProjectile() const override { return m_type; }
  void Update(double step) override;
  std::optional<std::u16string> DescriptionText(bool details) const override;

  int32_t GetDropped() const { return m_dropped; }
  double GetInterval() const { return m_interval; }
  const std::vector<uint32_t>& GetWarheads() const { return m_warheads; }

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;

 private:
  void DrawInterval();

  const PartikelInfo* m_type = nullptr;
  int32_t m_dropped = 0;
  int32_t m_count = 1;
  double m_shortest = 0.1;
  double m_longest = 0.1;
  double m_interval = 0.1;
  double m_dropTimer = 0.0;
  float m_startHeight = 0.0f;
  float m_zoneA = 0.0f;
  float m_zoneB = 0.0f;
  double m_topOffset = 100.0;
  double m_sideMargin = 200.0;
  double m_speed = kDefaultSpeed;
  Vector2 m_left{-1.0f, 1.0f};
  Vector2 m_right{1.0f, 1.0f};
  std::vector<uint32_t> m_warheads;
};

// A plane that climbs away from the worm, turned left and right by the player, speeding up
// to its top speed; it goes off when it touches the water, when its time is up, when the
// player sets it off or when the turn ends.
class Flugzeug final : public Waffe {
 public:
  Flugzeug(const KVNode* block, MyGlobals* globals, APIContext* context);
  ~Flugzeug() override;

  bool TakesSteering() const override { return true; }
  void OnLeft(double step) override { m_heading -= m_turnRate * step; }
  void OnRight(double step) override { m_heading += m_turnRate * step; }
  void OnAction() override { m_detonate = true; }
  const PartikelInfo* GetProjectile() const override { return m_type; }
  void Update(double step) override;
  void Cancel() override;
  void DrawAim(const Vector2& offset, const Vector2& scale, bool flag) override;
  bool DrawExtra(const Vector2& offset, const Vector2& scale) override;
  std::optional<std::u16string> DescriptionText(bool details) const override;

  double GetHeading() const { return m_heading; }
  double GetFlightSpeed() const { return m_speed; }
  double GetFlightTime() const { return m_flightTime; }
  std::optional<uint32_t> GetPlaneId() const { return m_planeId; }

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;

 private:
  Objekt* Plane() const { return m_active ? FindObject(m_planeId) : nullptr; }
  void StopSound();

  double m_startSpeed = 0.0;
  double m_topSpeed = 200.0;
  double m_acceleration = 100.0;
  const PartikelInfo* m_type = nullptr;
  double m_turnRate = 180.0;
  double m_lifeTime = 5.0;
  double m_flightTime = 0.0;
  double m_heading = 0.0;
  double m_speed = 0.0;
  Vector2 m_launchPoint{0.0f, 0.0f};
  std::optional<uint32_t> m_planeId;
  bool m_detonate = false;
  std::unique_ptr<SoundRequest> m_sound;
};
