// Bonus crates: the named sets of "Boni.bon" that say how often, how many and which crates
// drop, the one a level has chosen, and the drop at a turn change. A crate is an ordinary
// particle of a crate type; what it gives when a worm touches it comes from its type's
// events. The game-wide object keeps the settings for the whole run; each set remembers the
// crates it dropped by id.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class KVNode;
class Objekt;
class PartikelListe;
class Welt;

// The battle's side of a drop: where crates go and how the players are shown one. The
// game-wide object's host reaches its world, particle list, camera, hold time, language
// table and message lists; tests give their own.
class BonusDropHost {
 public:
  virtual ~BonusDropHost() = default;
  virtual Welt* GetWorld() const = 0;
  virtual PartikelListe* GetParticles() const = 0;
  virtual Objekt* FindObject(uint32_t id) const = 0;
  // The camera follows the new crate for 3 s and the turn waits as long.
  virtual void FollowCrate(uint32_t id) = 0;
  // "BONUSKISTE_GEDROPT" in white, as a floating text and in the message list.
  virtual void AnnounceDrop() = 0;
};

class BonusSet {
 public:
  // Defaults of every value under that name.
  BonusSet(std::u16string setName = u"DEFAULT") : name(std::move(setName)) {}
  // "NAME", "PROPKISTE", "ANZKISTEN", "MAXANZKISTEN", "KISTE_TYP" and "KISTE_PROPS"; keys
  // with too few values count as absent.
  explicit BonusSet(const KVNode& node);

  const std::u16string& GetName() const { return name; }
  // The first type whose cumulative weight is above rand() / 32767; null when none is, or
  // when the draw lands on a weight beyond the last type.
  const std::u16string* PickCrateType() const;
  // The chance of a drop at the next turn change.
  double Chance() const { return chanceBase + double(turnsWithoutDrop) * chanceIncrease; }

  std::u16string name = u"DEFAULT";
  std::vector<std::u16string> crateTypes{u"Bonuskiste"};
  // Cumulative; may hold more weights than there are types.
  std::vector<double> crateWeights{1.0};
  double chanceBase = 0.25;
  double chanceIncrease = 0.25;
  double countMin = 1.0;
  double countMax = 1.0;
  // -1: no limit.
  int32_t maxLying = -1;
  int32_t turnsWithoutDrop = 0;
  std::vector<uint32_t> droppedIds;
  // Rebuilt by BonusSettings::ResolveCurrent; not owned.
  std::vector<Objekt*> present;
};

class BonusSettings {
 public:
  BonusSettings() = default;
  BonusSettings(const BonusSettings&) = delete;
  BonusSettings& operator=(const BonusSettings&) = delete;

  void SetHost(std::unique_ptr<BonusDropHost> host) { m_host = std::move(host); }
  BonusDropHost* GetHost() const { return m_host.get(); }

  // Every "EINSTELLUNG" of the root, in file order; a null root reads nothing.
  void LoadFile(const KVNode* root);
  // Appends a set; a set named "DEFAULT" also replaces the default set (the last one wins).
  void AddSet(const BonusSet& set);
  // The first set of that name becomes current; no name, or one no set has, selects the
  // default set.
  void Select(const std::u16string* name);
  // At a turn change: unless the crates of the current set lying in the world reach its
  // maximum, a drop happens by its chance (which grows with every turn change without one);
  // the crates fall from random places above the ground, the camera shows them and the
  // players are told. Without a host nothing happens.
  void DropCrates();
  // The crates of the current set that still exist; ids of the others are forgotten.
  const std::vector<Objekt*>* ResolveCurrent();

  BonusSet& GetCurrent() { return *m_current; }
  const BonusSet& GetCurrent() const { return *m_current; }
  const BonusSet& GetDefault() const { return m_default; }
  const std::vector<BonusSet>& GetSets() const { return m_sets; }

 private:
  std::vector<BonusSet> m_sets;
  BonusSet m_default;
  BonusSet* m_current = &m_default;
  std::unique_ptr<BonusDropHost> m_host;
};
