// The particle manager the game-wide object keeps for the whole run: the particle types of
// "partikel.prt" and every free particle of the running battle. It updates the particles
// once a frame from the back, handles and deletes the dead ones, keeps the thinnable ones
// under the maximum of the settings, turns terrain removed by craters into flying earth,
// finds particles by id and draws them layer by layer. Persons, worms and teleporters are
// particles too but belong to their own managers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/gfxtypes.h"
#include "objects/partikel.h"
#include "objects/partikelinfo.h"
#include "world/windparticles.h"

struct DistanceRamp;
struct RemovedPixel;

class PartikelListe final : public WindParticleList {
 public:
  static constexpr int32_t kDefaultEarthStep = 10;
  static constexpr int32_t kDefaultMaximum = 2000;

  PartikelListe();
  ~PartikelListe() override;
  PartikelListe(const PartikelListe&) = delete;
  PartikelListe& operator=(const PartikelListe&) = delete;

  // Where the two "PARTIKEL" settings live (the game-wide object's); null keeps the
  // defaults. The list reads them every time it needs them.
  void SetSettings(const int32_t* earthStep, const int32_t* maximum);
  int32_t GetEarthStep() const;
  int32_t GetMaximum() const;

  // Taken over: to the back of the main list, or of the never-thinned list when its type
  // says it must not be thinned.
  void Add(std::unique_ptr<Partikel> particle);
  void AddInfo(std::unique_ptr<PartikelInfo> type);
  // The last type of that name; null for an unknown or empty name.
  const PartikelInfo* FindInfo(const std::u16string& name) const override;
  // A wind particle: that type, at the position, the type's start speed.
  void Add(const PartikelInfo& type, const Vector2& position) override;
  void SetEarthTypes(std::vector<const PartikelInfo*> types, std::vector<double> cumulativeWeights);
  const std::vector<const PartikelInfo*>& GetEarthTypes() const { return m_earthTypes; }
  const std::vector<double>& GetEarthWeights() const { return m_earthWeights; }

  // A hash lookup, kept current as particles come, go and take new ids.
  Partikel* FindById(uint32_t id) const;
  // Every particle: the never-thinned list from the back, then the main list from the back.
  void CollectAll(std::vector<Objekt*>& out) const;

  // The frame's pass: the main list from the back (dead particles handled and deleted),
  // thinning, then the never-thinned list from the back.
  void Update();
  // Deletes every particle; the types stay.
  void Clear();

  // Every step-th removed pixel (from the last) whose distance from the point lies in the
  // ramp's (near, far] becomes an earth particle flying towards the point, its speed from
  // the ramp. A scale of 0 spawns nothing; a given step replaces the settings' one.
  void SpawnErdePartikel(const std::vector<RemovedPixel>& pixels, const Vector2& point,
                         const DistanceRamp& ramp, const double* scale = nullptr, int32_t step = 0);

  void Render(const Vector2& offset, const Vector2& scale, Argb colour, int32_t layer);
  bool RenderExtra(const Vector2& offset, const Vector2& scale, int32_t layer);

  // A particle of the list took a new id.
  void Rekey(Partikel& particle, uint32_t oldId);

  size_t GetCount() const { return m_main->size() + m_kept.size(); }
  const std::vector<std::unique_ptr<Partikel>>& MainList() const { return *m_main; }
  const std::vector<std::unique_ptr<Partikel>>& KeptList() const { return m_kept; }
  const std::vector<std::unique_ptr<PartikelInfo>>& GetInfos() const { return m_types; }

 private:
  using List = std::vector<std::unique_ptr<Partikel>>;
  void UpdateList(List& list);
  void Thin();
  void Forget(const Partikel& particle);

  const int32_t* m_earthStep = nullptr;
  const int32_t* m_maximum = nullptr;
  List m_bufferA;
  List m_bufferB;
  List* m_main = &m_bufferA;
  List m_kept;
  std::vector<std::unique_ptr<PartikelInfo>> m_types;
  std::vector<const PartikelInfo*> m_earthTypes;
  std::vector<double> m_earthWeights;
  std::unordered_map<uint32_t, Partikel*> m_byId;
};
