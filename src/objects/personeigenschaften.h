// The movement properties of a kind of person: sizes, step height, speeds and the landing
// damage, each size and speed a range that a ratio slides between. Persons hold a copy;
// the person manager keeps the named sets read from the roster documents.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/gfxtypes.h"

class KVNode;

class PersonEigenschaften {
 public:
  // The built-in set: walk 40, run 60, jump 100, step 10, size (50, 50), centre (0, -25).
  PersonEigenschaften() : PersonEigenschaften(nullptr) {}
  // Defaults, then the block's keys, then both ratios applied. Ranges that would make a
  // person unable to move sensibly (inverted or non-positive sizes, negative speeds or
  // step, a landing ramp that does not rise) keep their defaults, with a message.
  explicit PersonEigenschaften(const KVNode* block);
  PersonEigenschaften(const PersonEigenschaften&) = default;
  PersonEigenschaften& operator=(const PersonEigenschaften&) = default;
  virtual ~PersonEigenschaften() = default;

  // Appends NAME, SIZE, CENTER, SPEED, FALLSPEED, AUFKLATSCH_SPEED, AUFKLATSCH_SCHADEN,
  // MAX_STEP_SIZE, SIZE_VERH and SPEED_VERH to the block.
  virtual void Write(KVNode* block) const;
  // Walk, run and jump speed slide between their minimum (0) and maximum (1).
  virtual void SetSpeedRatio(double ratio);
  // Size, centre and step height slide between their minimum and maximum.
  virtual void SetSizeRatio(double ratio);
  double GetSpeedRatio() const { return speedRatio; }
  double GetSizeRatio() const { return sizeRatio; }

  // The damage of a landing at that impact speed: none up to the first landing speed,
  // then rising along the line through both landing pairs, without an upper limit.
  double LandingDamage(double impactSpeed) const;

  // Current values.
  int32_t maxStep = 10;
  Vector2 size{50.0f, 50.0f};
  Vector2 centre{0.0f, -25.0f};
  double walkSpeed = 40.0;
  double runSpeed = 60.0;
  double jumpSpeed = 100.0;
  double fallSpeed[2] = {400.0, 100.0};
  double landingSpeed[2] = {200.0, 300.0};
  double landingDamage[2] = {1.0, 25.0};
  std::u16string name = u"DEFAULT";
  // Ranges: minimum, maximum.
  int32_t maxStepRange[2] = {10, 10};
  Vector2 sizeRange[2] = {{50.0f, 50.0f}, {50.0f, 50.0f}};
  Vector2 centreRange[2] = {{0.0f, -25.0f}, {0.0f, -25.0f}};
  double walkRange[2] = {40.0, 40.0};
  double runRange[2] = {60.0, 60.0};
  double jumpRange[2] = {100.0, 100.0};
  double speedRatio = 0.5;
  double sizeRatio = 0.5;

 protected:
  // The number of values of the block's first child of that name (0 without one), and the
  // index-th value as a number (0 when it is missing).
  static unsigned ValueCount(const KVNode& block, std::u16string_view key);
  static double ValueAt(const KVNode& block, std::u16string_view key, unsigned index);
  // Reads the keys of a property block over the current values (no ratio applied).
  void ReadKeys(const KVNode& block);
  // Puts unusable ranges back to their defaults, naming the set in a message.
  void Sanitise();
};
