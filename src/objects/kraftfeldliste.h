// The force fields of a battle and their types. It stands for the force-field list
// (KraftfeldListe) until force fields are built; the game-wide object makes it empty at
// start-up and keeps it for the whole run.
#pragma once

class KraftfeldListe {
 public:
  KraftfeldListe() = default;
  KraftfeldListe(const KraftfeldListe&) = delete;
  KraftfeldListe& operator=(const KraftfeldListe&) = delete;
};
