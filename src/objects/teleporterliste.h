// The teleporters of a battle and their types. It stands for the teleporter list
// (TeleporterListe) until teleporters are built; the game-wide object makes it empty at
// start-up and keeps it for the whole run.
#pragma once

class TeleporterListe {
 public:
  TeleporterListe() = default;
  TeleporterListe(const TeleporterListe&) = delete;
  TeleporterListe& operator=(const TeleporterListe&) = delete;
};
