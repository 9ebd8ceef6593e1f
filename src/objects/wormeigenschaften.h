// A worm's properties and statistics: the person's movement properties plus the radius it
// is hit within, where its shots leave, its start health and turn time (each a range that a
// ratio slides between) and seven statistics, each kept for the whole career, the game and
// the round. Worms embed one; the worm manager keeps the named presets.
#pragma once

#include <cstdint>

#include "objects/personeigenschaften.h"

class WormEigenschaften : public PersonEigenschaften {
 public:
  // The layers of every statistic.
  enum Layer : int { kTotal = 0, kGame = 1, kRound = 2 };

  WormEigenschaften() : WormEigenschaften(nullptr) {}
  // Defaults, the person keys, then the worm keys; then the size, turn-time and health
  // ratios place the current values in their ranges. Ratios are held to 0 .. 1, ranges
  // must rise and be finite (radius and turn time from 0, health above 0), and a statistic
  // that is not a number reads as 0.
  explicit WormEigenschaften(const KVNode* block);
  WormEigenschaften(const WormEigenschaften&) = default;
  WormEigenschaften& operator=(const WormEigenschaften&) = default;

  // The person keys, then RADIUS, SHOTPOS, LEBENSENERGIE, ROUNDTIME, TIME_VERH,
  // LEBENS_VERH and the totals of the statistics.
  void Write(KVNode* block) const override;
  // The person's size ratio, then the shot position and the radius from their ranges.
  void SetSizeRatio(double ratio) override;
  void SetHealthRatio(double ratio);
  void SetTimeRatio(double ratio);

  // Round into game (the end of a round), game into total (the end of a game).
  void AddRoundIntoGame();
  void AddGameIntoTotal();
  void ClearLayer(Layer layer);

  double radius = 25.0;
  Vector2 shotPos{10.0f, -30.0f};
  double startHealth = 1000.0;
  double turnTime = 0.25;
  double timeOnTurn[3] = {0.0, 0.0, 0.0};
  double walked[3] = {0.0, 0.0, 0.0};
  int32_t weaponsUsed[3] = {0, 0, 0};
  int32_t died[3] = {0, 0, 0};
  int32_t enemiesKilled[3] = {0, 0, 0};
  double damageDealt[3] = {0.0, 0.0, 0.0};
  double damageTaken[3] = {0.0, 0.0, 0.0};
  double radiusRange[2] = {25.0, 25.0};
  Vector2 shotPosRange[2] = {{10.0f, -30.0f}, {10.0f, -30.0f}};
  double startHealthRange[2] = {1000.0, 1000.0};
  double turnTimeRange[2] = {0.25, 0.25};
  double healthRatio = 0.5;
  double timeRatio = 0.5;

 private:
  // A value that is not a finite number reads as 0.
  static double NumberAt(const KVNode& block, std::u16string_view key, unsigned index);
  // One value sets minimum and maximum, a second the maximum.
  static void ReadRange(const KVNode& block, std::u16string_view key, double range[2]);
  void ReadWormKeys(const KVNode& block);
  void SanitiseWorm();
};
