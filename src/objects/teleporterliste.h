// The teleporter types of "Teleporter.tpt" and the gates of the running battle. The
// teleporter weapon places the gates of a group one by one as pending gates, each linked
// with the others of its group and given the group's colour, and commits the group when it
// is complete; the next group takes the next colour. The game-wide object keeps the list for
// the whole run; the battle updates and draws it, and particles and worms are offered to it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"
#include "objects/simservices.h"
#include "objects/soundchoice.h"
#include "objects/teleporter.h"

class KVNode;

class TeleporterListe final : public TeleporterHost {
 public:
  TeleporterListe() = default;
  ~TeleporterListe() override;
  TeleporterListe(const TeleporterListe&) = delete;
  TeleporterListe& operator=(const TeleporterListe&) = delete;

  // "COLORS" (hexadecimal ARGB values, appended), then every "TELEPORTER" section whose
  // "PARTIKEL_INFO" names a known particle type becomes a type. A null root reads nothing.
  void Load(const KVNode* root, const LoadSources& sources);
  // A new gate copied from the last type of that name, in no list yet; null for no name or
  // an unknown one.
  std::unique_ptr<Teleporter> Place(const std::u16string* name) const;
  // Takes the gate into the pending group: its render extras count it, it takes the group's
  // colour (the default pair colour when the file gave none) and is linked with every
  // pending gate. A null gate is ignored.
  Teleporter* AddPending(std::unique_ptr<Teleporter> gate);
  // The pending group becomes placed; the next group takes the next colour.
  void CommitPending();
  // Every placed gate, then every pending one, each from the back.
  void TryTeleport(Objekt& object) override;
  void Update(double dt);
  void Render(const Vector2& offset, const Vector2& scale);
  bool RenderExtra(const Vector2& offset, const Vector2& scale);
  // Commits the pending group, then deletes every gate (the battle's end).
  void Clear();

  const std::vector<std::unique_ptr<Teleporter>>& GetTypes() const { return m_types; }
  const std::vector<std::unique_ptr<Teleporter>>& GetPlaced() const { return m_placed; }
  const std::vector<std::unique_ptr<Teleporter>>& GetPending() const { return m_pending; }
  const std::vector<Argb>& GetColours() const { return m_colours; }
  uint32_t GetPairCounter() const { return m_pairCounter; }

 private:
  std::vector<std::unique_ptr<Teleporter>> m_types;
  std::vector<std::unique_ptr<Teleporter>> m_placed;
  std::vector<std::unique_ptr<Teleporter>> m_pending;
  std::vector<Argb> m_colours;
  uint32_t m_pairCounter = 0;
};
