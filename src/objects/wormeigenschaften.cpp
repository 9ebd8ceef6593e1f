// Worm properties: the worm keys over the person keys, ranges and ratios, the statistics'
// layers and the writer.
#include "objects/wormeigenschaften.h"

#include <algorithm>
#include <cmath>

#include "engine/kvnode.h"
#include "platform/numeric.h"

namespace {

// A range that does not rise from its floor is put back to the default.
void KeepRange(double range[2], const double fallback[2], double floor) {
  if (!(range[0] >= floor && range[1] >= range[0])) {
    range[0] = fallback[0];
    range[1] = fallback[1];
  }
}

double Ratio(double r) { return std::isfinite(r) ? std::clamp(r, 0.0, 1.0) : 0.5; }

template <class T>
T Lerp(const T range[2], double ratio) {
  return T(range[0] + (range[1] - range[0]) * ratio);
}

}  // namespace

WormEigenschaften::WormEigenschaften(const KVNode* block) : PersonEigenschaften(block) {
  if (block) ReadWormKeys(*block);
  SanitiseWorm();
  SetSizeRatio(sizeRatio);
  SetTimeRatio(timeRatio);
  SetHealthRatio(healthRatio);
}

double WormEigenschaften::NumberAt(const KVNode& block, std::u16string_view key, unsigned index) {
  const double value = ValueAt(block, key, index);
  return std::isfinite(value) ? value : 0.0;
}

void WormEigenschaften::ReadRange(const KVNode& block, std::u16string_view key, double range[2]) {
  const unsigned n = ValueCount(block, key);
  if (n >= 1) range[0] = range[1] = NumberAt(block, key, 0);
  if (n >= 2) range[1] = NumberAt(block, key, 1);
}

void WormEigenschaften::ReadWormKeys(const KVNode& block) {
  auto total = [&](std::u16string_view key, double& out) {
    if (ValueCount(block, key) >= 1) out = NumberAt(block, key, 0);
  };
  auto totalInt = [&](std::u16string_view key, int32_t& out) {
    if (ValueCount(block, key) >= 1) {
      const double v = NumberAt(block, key, 0);
      out = std::fabs(v) < 2147483647.0 ? platform::TruncToInt(v) : 0;
    }
  };
  total(u"TIME_AM_ZUG", timeOnTurn[kTotal]);
  total(u"GELAUFEN", walked[kTotal]);
  total(u"SCHADEN_ZUGEF\u00dcGT", damageDealt[kTotal]);
  total(u"SCHADEN_GENOMMEN", damageTaken[kTotal]);
  totalInt(u"WAFFEN_BENUTZT", weaponsUsed[kTotal]);
  totalInt(u"GESTORBEN", died[kTotal]);
  totalInt(u"GET\u00d6TETE_GEGENER", enemiesKilled[kTotal]);

  ReadRange(block, u"RADIUS", radiusRange);
  // One or three values would leave a coordinate open: like the person's pairs, a point
  // needs both of its values.
  const unsigned shots = ValueCount(block, u"SHOTPOS");
  if (shots >= 2)
    shotPosRange[0] = shotPosRange[1] =
        Vector2(float(NumberAt(block, u"SHOTPOS", 0)), float(NumberAt(block, u"SHOTPOS", 1)));
  if (shots >= 4)
    shotPosRange[1] = Vector2(float(NumberAt(block, u"SHOTPOS", 2)), float(NumberAt(block, u"SHOTPOS", 3)));
  ReadRange(block, u"LEBENSENERGIE", startHealthRange);
  ReadRange(block, u"ROUNDTIME", turnTimeRange);
  block.Read(u"LEBENS_VERH", healthRatio);
  block.Read(u"TIME_VERH", timeRatio);
  block.Read(u"SIZE_VERH", sizeRatio);
}

void WormEigenschaften::SanitiseWorm() {
  static const double kRadius[2] = {25.0, 25.0}, kHealth[2] = {1000.0, 1000.0}, kTime[2] = {0.25, 0.25};
  KeepRange(radiusRange, kRadius, 0.0);
  KeepRange(turnTimeRange, kTime, 0.0);
  KeepRange(startHealthRange, kHealth, 0.0);
  if (startHealthRange[1] <= 0.0) {
    startHealthRange[0] = kHealth[0];
    startHealthRange[1] = kHealth[1];
  }
  healthRatio = Ratio(healthRatio);
  timeRatio = Ratio(timeRatio);
  sizeRatio = Ratio(sizeRatio);
}

void WormEigenschaften::SetSizeRatio(double ratio) {
  PersonEigenschaften::SetSizeRatio(ratio);
  sizeRatio = ratio;
  shotPos = Vector2(float(shotPosRange[0].x + (shotPosRange[1].x - shotPosRange[0].x) * ratio),
                    float(shotPosRange[0].y + (shotPosRange[1].y - shotPosRange[0].y) * ratio));
  radius = Lerp(radiusRange, ratio);
}

void WormEigenschaften::SetHealthRatio(double ratio) {
  healthRatio = ratio;
  startHealth = Lerp(startHealthRange, ratio);
}

void WormEigenschaften::SetTimeRatio(double ratio) {
  timeRatio = ratio;
  turnTime = Lerp(turnTimeRange, ratio);
}

namespace {

template <class T>
void AddInto(T stat[3], int from, int to) {
  stat[to] += stat[from];
}

}  // namespace

void WormEigenschaften::AddRoundIntoGame() {
  for (double* s : {timeOnTurn, walked, damageDealt, damageTaken}) AddInto(s, kRound, kGame);
  for (int32_t* s : {weaponsUsed, died, enemiesKilled}) AddInto(s, kRound, kGame);
}

void WormEigenschaften::AddGameIntoTotal() {
  for (double* s : {timeOnTurn, walked, damageDealt, damageTaken}) AddInto(s, kGame, kTotal);
  for (int32_t* s : {weaponsUsed, died, enemiesKilled}) AddInto(s, kGame, kTotal);
}

void WormEigenschaften::ClearLayer(Layer layer) {
  for (double* s : {timeOnTurn, walked, damageDealt, damageTaken}) s[layer] = 0.0;
  for (int32_t* s : {weaponsUsed, died, enemiesKilled}) s[layer] = 0;
}

void WormEigenschaften::Write(KVNode* block) const {
  if (!block) return;
  PersonEigenschaften::Write(block);
  block->AddChildWith(u"RADIUS", radiusRange[0], radiusRange[1]);
  block->AddChildWith(u"SHOTPOS", double(shotPosRange[0].x), double(shotPosRange[0].y),
                      double(shotPosRange[1].x), double(shotPosRange[1].y));
  block->AddChildWith(u"LEBENSENERGIE", startHealthRange[0], startHealthRange[1]);
  block->AddChildWith(u"ROUNDTIME", turnTimeRange[0], turnTimeRange[1]);
  block->AddChildWith(u"TIME_VERH", timeRatio);
  block->AddChildWith(u"LEBENS_VERH", healthRatio);
  block->AddChildWith(u"TIME_AM_ZUG", timeOnTurn[kTotal]);
  block->AddChildWith(u"GELAUFEN", walked[kTotal]);
  block->AddChildWith(u"WAFFEN_BENUTZT", int(weaponsUsed[kTotal]));
  block->AddChildWith(u"GESTORBEN", int(died[kTotal]));
  block->AddChildWith(u"GET\u00d6TETE_GEGENER", int(enemiesKilled[kTotal]));
  block->AddChildWith(u"SCHADEN_ZUGEF\u00dcGT", damageDealt[kTotal]);
  block->AddChildWith(u"SCHADEN_GENOMMEN", damageTaken[kTotal]);
}
