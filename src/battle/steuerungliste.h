// The list of controls (human by key configuration, computer opponents) the teams are
// steered by. It stands for the control list (SteuerungListe) until the controls are
// built; they read the key configuration ("keyconfig.cfg" over "keyconfig_default.cfg")
// and write it back. The game-wide object makes it when it loads its settings.
#pragma once

#include <string_view>

class DataArchive;
class KVNode;

class SteuerungListe {
 public:
  // The archive holds the default key configuration.
  explicit SteuerungListe(const DataArchive* archive) : m_archive(archive) {}
  SteuerungListe(const SteuerungListe&) = delete;
  SteuerungListe& operator=(const SteuerungListe&) = delete;

  const DataArchive* GetArchive() const { return m_archive; }

  // The key configuration the game-wide object loads at start and writes at exit. The
  // controls are not built yet: reading keeps the defaults, and writing leaves the player's
  // file as it is (false: nothing written).
  void ReadKeyconfig(const KVNode*) {}
  bool SaveKeyconfig(std::u16string_view) const { return false; }

 private:
  const DataArchive* m_archive;
};
