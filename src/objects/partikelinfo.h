// Particle types: one kind of moving object read from a "PARTIKEL_INFO" block of
// "partikel.prt" (or inline from the person and team files), with its look, physics,
// lifetime and death condition, the children it spawns and the events it fires. Most
// numbers are a base and a range from which every particle draws its own value. The
// particle list owns the types; particles point at theirs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/gfxtypes.h"
#include "world/collisionshape.h"

class Animation;
class AnimationManager;
class KVNode;
class PartikelListe;
struct AnimationFrame;

// When a particle dies by itself: a set of state bits, all or any of which must hold,
// combined with an optional nested condition.
class DeathParam {
 public:
  enum Bit : uint32_t {
    kAge = 1,
    kAtRest = 2,
    kOutside = 4,
    kNoChildren = 8,
    kAnimationEnd = 16,
  };
  // Nested blocks deeper than this are ignored: a file cannot make the reader recurse
  // without end.
  static constexpr int kMaxDepth = 16;

  DeathParam() = default;
  // "TYP", "AND", "AND_SUB" and a nested "DEATH_PARAM".
  explicit DeathParam(const KVNode& node, int depth = 0);

  bool Matches(uint32_t state) const {
    const bool own = all ? (state & bits) == bits : (state & bits) != 0;
    return nested ? WithNested(own, state) : own;
  }

  uint32_t bits = 0;
  bool all = false;
  bool andSub = true;
  std::unique_ptr<DeathParam> nested;

 private:
  bool WithNested(bool own, uint32_t state) const;
};

class PartikelInfo {
 public:
  // A base value and the range of the draw.
  struct Pair {
    double base = 0.0;
    double range = 0.0;
    // base + r * range
    double Draw() const;
    // base + (2r - 1) * range
    double DrawSymmetric() const;
  };
  // Base x, base y, range x, range y.
  struct Quad {
    double baseX = 0.0, baseY = 0.0, rangeX = 0.0, rangeY = 0.0;
  };
  // Event names with their cumulative weights.
  struct WeightedNames {
    std::vector<std::u16string> names;
    std::vector<double> weights;
    // The picked name, or an empty one.
    const std::u16string& Pick() const;
  };

  // The defaults, then the node's keys in their order (null keeps the defaults), then the
  // weights made cumulative. Animations are looked up in the manager (null: none); a name
  // it does not hold is left out. Bad values are reported on stderr and keep the default.
  explicit PartikelInfo(const KVNode* node, const AnimationManager* animations = nullptr);
  virtual ~PartikelInfo();
  PartikelInfo(const PartikelInfo&) = delete;
  PartikelInfo& operator=(const PartikelInfo&) = delete;

  // Reads "partikel.prt": every "PARTIKEL_INFO" becomes a type of the list, then
  // "ERDE_PARTIKEL" names the earth types and "ERDE_PARTIKEL_PROP" weighs them.
  static void LoadAll(const KVNode* root, PartikelListe& list, const AnimationManager* animations);
  // The keys a type block may hold (nested death conditions included) that no reader
  // knows; empty for a clean block.
  static std::vector<std::u16string> UnknownKeys(const KVNode& node);

  const std::u16string& PickCreateEvent() const { return eventCreate.Pick(); }
  const std::u16string& PickDeleteEvent() const { return eventDelete.Pick(); }
  const std::u16string& PickCollideEvent() const { return eventCollide.Pick(); }
  const std::u16string& PickKillEvent() const { return eventKill.Pick(); }
  const std::u16string& PickEnterWaterEvent() const { return eventEnterWater.Pick(); }
  const std::u16string& PickWormCollideEvent() const { return eventWormCollide.Pick(); }
  // A clone of the picked animation (starting at a random frame), or null.
  std::unique_ptr<Animation> PickAnimation() const;
  const std::u16string& PickChildType() const { return childTypes.Pick(); }

  // Start-value draws, each with its own draws of the game's generator.
  Argb DrawColour() const;
  Vector2 DrawInitSpeed() const { return DrawQuadSymmetric(initSpeed); }
  Vector2 DrawInitPosition() const { return DrawQuadSymmetric(initPosition); }
  Vector2 DrawSize() const;
  Vector2 DrawSpawnPosition() const;
  int32_t DrawMaxChildren() const;
  int32_t DrawRecursion() const;

  // The solid mask of an animation frame of this type's animations; null when the type
  // collides without masks or the frame has none.
  const SolidMask* MaskFor(const AnimationFrame* frame) const;
  bool HasAnimations() const { return !animations.empty(); }

  std::u16string name = u"UNNAMED_PARTIKLEINFO";
  std::vector<std::u16string> renderExtraTypes;
  std::unique_ptr<DeathParam> death;
  int32_t drawLayer = 0;
  int32_t renderExtraId = 0;
  bool checkExact = true;
  bool checkTeleporter = false;
  int32_t partikelTyp = 1;
  bool checkForceFields = false;
  std::vector<const Animation*> animations;
  std::vector<double> animationWeights;
  Argb colourBase = 0xFFFFFFFF;
  Argb colourVariation = 0x00000000;
  Pair fadeIn;
  Pair fadeOut;
  bool fadingIn = false;
  bool fadingOut = true;
  double sizingIn = 1.0;
  double sizingOut = 1.0;
  bool rotateWithDirection = false;
  int32_t rotateWithNormal = 0;
  int32_t rotateWithCollision = 0;
  bool rotateMirror = false;
  bool canBeDeleted = true;
  bool changesLayer = false;
  int32_t collisionShape = 0;
  bool collisionWorm = false;
  Pair lifetime{-1.0, 0.0};
  Pair windFactor;
  Pair airFriction;
  Pair collisionFriction{0.5, 0.0};
  Pair spin;
  Pair startAngle;
  Pair maxSpeed{1000.0, 0.0};
  Pair gravity{1.0, 0.0};
  Quad initSpeed;
  Quad initPosition;
  Quad size{20.0, 20.0, 0.0, 0.0};
  WeightedNames childTypes;
  bool draw = true;
  int32_t maxChildrenBase = -1;
  int32_t maxChildrenRange = 0;
  Pair spawnRate;
  Vector2 spawnPosition;
  Vector2 spawnOffset;
  int32_t recursionBase = 2;
  int32_t recursionRange = 0;
  WeightedNames eventCreate;
  WeightedNames eventDelete;
  WeightedNames eventCollide;
  WeightedNames eventKill;
  WeightedNames eventEnterWater;
  WeightedNames eventWormCollide;

 private:
  static Vector2 DrawQuadSymmetric(const Quad& q);
  void BuildMasks();

  std::unordered_map<const AnimationFrame*, SolidMask> m_masks;
};

// Weights made cumulative over `count` entries: missing ones count 1.0, each is divided by
// the sum of the first `count`, and the running total rises to 1.0 at the last.
std::vector<double> CumulativeWeights(std::vector<double> weights, size_t count);
// The first entry whose cumulative weight is at least r; -1 when none is.
int32_t PickCumulative(const std::vector<double>& cumulative, double r);
