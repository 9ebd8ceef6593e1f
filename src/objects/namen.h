// The name list the worm and team editors draw random names from. It stands for the name
// list (Namen) until the game objects are built; the game-wide object makes it empty at
// start-up and keeps it for the whole run.
#pragma once

class Namen {
 public:
  Namen() = default;
  Namen(const Namen&) = delete;
  Namen& operator=(const Namen&) = delete;
};
