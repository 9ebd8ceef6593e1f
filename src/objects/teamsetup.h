// The team setup a level prescribes ("DEFAULT_TEAMS" of a level file): how many teams play
// and, per slot, how many worms it fields, which control steers it and where its worms
// start. The level description holds it; the campaign start reads the slots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class KVNode;

struct TeamPosition {
  TeamPosition() = default;
  TeamPosition(float x_, float y_, float third_) : x(x_), y(y_), third(third_) {}
  bool operator==(const TeamPosition&) const = default;

  float x = 0.0f;
  float y = 0.0f;
  // -1 in the built-in default, 1 when a "POSITION" gives no third value; what it means
  // is up to the code that places the teams.
  float third = -1.0f;
};

struct TeamSetupEntry {
  static constexpr int32_t kMinWorms = 1;
  static constexpr int32_t kMaxWorms = 6;

  TeamSetupEntry() { Read(nullptr); }
  // One "TEAM" block; null gives the default slot.
  void Read(const KVNode* node);

  int32_t wormCount = 1;
  std::u16string control = u"DEFAULT";
  std::vector<TeamPosition> positions;
};

struct TeamSetup {
  static constexpr int32_t kMinTeams = 2;
  static constexpr int32_t kMaxTeams = 4;

  TeamSetup() { Read(nullptr); }
  // The "DEFAULT_TEAMS" block; null gives two default slots. The team count is not matched
  // to the number of slots: users take default slots for missing ones.
  void Read(const KVNode* node);

  int32_t teamCount = 2;
  std::vector<TeamSetupEntry> slots;
};
