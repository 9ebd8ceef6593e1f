// The list of controls (human by key configuration, computer opponents) the teams are
// steered by. It stands for the control list (SteuerungListe) until the controls are
// built; they read the key configuration ("keyconfig.cfg" over "keyconfig_default.cfg")
// and write it back. The game-wide object makes it when it loads its settings.
#pragma once

class DataArchive;

class SteuerungListe {
 public:
  // The archive holds the default key configuration.
  explicit SteuerungListe(const DataArchive* archive) : m_archive(archive) {}
  SteuerungListe(const SteuerungListe&) = delete;
  SteuerungListe& operator=(const SteuerungListe&) = delete;

  const DataArchive* GetArchive() const { return m_archive; }

 private:
  const DataArchive* m_archive;
};
