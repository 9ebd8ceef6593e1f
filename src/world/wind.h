// The wind: a force on every flying particle that changes at random each turn, the strength
// the battle display shows gliding to each new value, and particles of its own types blown
// in along the top of the world. The winds are read from "wind.wnd"; the wind manager, which
// the game-wide object owns, is itself the default wind and keeps the one in force.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "battle/wertanimator.h"
#include "engine/gfxtypes.h"
#include "world/levelinfo.h"

class KVNode;
class WindParticleList;
class WorldBounds;

// What a wind takes from the game-wide object: the particle list it spawns into (null: none,
// so nothing is spawned) and the running level's world, along whose top edge it spawns
// (null: the rectangle (0, 0, 0, 0)).
struct WindSources {
  WindParticleList* particles = nullptr;
  const WorldBounds* world = nullptr;
};

class Wind {
 public:
  // The shown strength glides to each new value in this many seconds.
  static constexpr double kGlideSeconds = 1.0;
  // Particles attempted in one update at most; the rest of a longer wait is dropped. An
  // absurd spawn rate would otherwise stall the frame (or, once the wait no longer shrinks
  // in double precision, never end it).
  static constexpr int kMaxSpawnsPerUpdate = 1000;

  // Draws a first wind with the default spread and range, then reads a "WIND" block (a null
  // node keeps every default; the name is then "DEFAULT").
  explicit Wind(const KVNode* node = nullptr, const WindSources& sources = {});
  virtual ~Wind();
  Wind(const Wind&) = delete;
  Wind& operator=(const Wind&) = delete;

  void SetSources(const WindSources& sources) { m_sources = sources; }
  const WindSources& GetSources() const { return m_sources; }

  // Three draws of the game's generator: the direction's x and y within the spread (then made
  // a unit vector; (0, 0) stays (0, 0), no wind), and the strength within the range, times
  // the factor. The shown strength starts again from 0 towards the new signed strength.
  void NewRound(double factor);
  // Spawns the particles that are due, then moves the shown strength on.
  void Update(double dt);
  // Direction times strength times the wind factor, wherever the particle is.
  Vector2 ForceOnParticle(const Vector2& position) const;
  // The shown strength over the range's maximum, negative for wind to the left; 0 for a
  // maximum of 0.
  double GetStrengthRatio() const;
  void SetWindFactor(double factor) { m_windFactor = factor; }

  const std::u16string& GetName() const { return m_name; }
  const std::vector<std::u16string>& GetParticleTypes() const { return m_particleTypes; }
  // Cumulative, one per particle type.
  const std::vector<double>& GetParticleWeights() const { return m_particleWeights; }
  double GetSpawnRate() const { return m_spawnRate; }
  double GetSpawnClock() const { return m_spawnClock; }
  const Vector2& GetSpread() const { return m_spread; }
  const Vector2& GetDirection() const { return m_direction; }
  double GetStrength() const { return m_strength; }
  double GetSignedTarget() const { return m_signedTarget; }
  const WertAnimator& GetShownStrength() const { return m_shownStrength; }
  // Minimum (x) and maximum (y) strength.
  const Vector2& GetStrengthRange() const { return m_strengthRange; }
  double GetWindFactor() const { return m_windFactor; }

 private:
  void SpawnOne();

  WindSources m_sources;
  std::vector<std::u16string> m_particleTypes;
  std::vector<double> m_particleWeights;
  double m_spawnRate = 0.0;
  double m_spawnClock = 0.0;
  Vector2 m_spread{1.0f, 1.0f};
  Vector2 m_direction{0.0f, 0.0f};
  double m_strength = 0.0;
  double m_signedTarget = 0.0;
  WertAnimator m_shownStrength;
  Vector2 m_strengthRange{0.0f, 400.0f};
  double m_windFactor = 1.0;
  std::u16string m_name = u"DEFAULT";
};

class WindManager final : public Wind, public WindSelector {
 public:
  // Its own default wind (three draws), no loaded winds, itself in force.
  WindManager();
  ~WindManager() override;

  // For its own wind and every loaded one, and the winds loaded afterwards.
  void SetSources(const WindSources& sources);
  // One wind per "WIND" child of the root, in file order; a null root adds nothing.
  void Load(const KVNode* root);
  // The default wind, or with a name the last loaded wind of exactly that name.
  void SelectByName(const std::u16string* name) override;
  Wind* GetCurrentWind() const { return m_current; }
  // The wind in force draws anew.
  void NewRound(double factor);
  void Update(double dt);
  const std::vector<std::unique_ptr<Wind>>& GetWinds() const { return m_winds; }

 private:
  Wind* m_current;
  std::vector<std::unique_ptr<Wind>> m_winds;
};
