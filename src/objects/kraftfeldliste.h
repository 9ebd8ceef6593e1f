// The force-field types of "kraftfelder.kft" and the active fields of the running battle.
// A weapon creates a field by type name, places it and adds it; every frame the list counts
// the fields' time and removes those whose limits are reached, and particles that check for
// fields are handed to every field that contains them. The game-wide object keeps the list
// for the whole run.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"
#include "objects/kraftfeld.h"
#include "objects/simservices.h"

class KVNode;

class KraftfeldListe final : public ForceFieldHost {
 public:
  KraftfeldListe() = default;
  ~KraftfeldListe() override;
  KraftfeldListe(const KraftfeldListe&) = delete;
  KraftfeldListe& operator=(const KraftfeldListe&) = delete;

  // Every "KILL_KRAFTFELD" child of the root becomes a kill field type, then every
  // "SCHUBS_KRAFTFELD" child a shield type. A null root reads nothing.
  void Create(const KVNode* root, const LoadSources& sources);
  // A clone of the last type of that name; null for no name or an unknown one. The caller
  // places it, gives it its round limit and adds it.
  std::unique_ptr<Kraftfeld> CreateByName(const std::u16string* name) const;
  // Takes the field into play (its create sound, its render-extra uses); null is ignored.
  Kraftfeld* Add(std::unique_ptr<Kraftfeld> field);
  // Appends every active field that contains the point, from the last to the first.
  void CollectContaining(std::vector<Kraftfeld*>& out, const Vector2& point) const;
  // Each field that contains the particle acts on it, in the order collected.
  void ApplyFields(Partikel& particle) override;
  // From the last: each field's step; a finished one plays its destroy sound and is deleted.
  void Update(double dt);
  // A new round for every active field, from the last.
  void OnNewRound();
  void Render(const Vector2& offset, const Vector2& scale);
  bool RenderExtra(const Vector2& offset, const Vector2& scale);
  // Deletes every active field.
  void Clear();

  const std::vector<std::unique_ptr<Kraftfeld>>& GetTypes() const { return m_types; }
  const std::vector<std::unique_ptr<Kraftfeld>>& GetActive() const { return m_active; }

 private:
  std::vector<std::unique_ptr<Kraftfeld>> m_types;
  std::vector<std::unique_ptr<Kraftfeld>> m_active;
  std::vector<Kraftfeld*> m_scratch;
};
