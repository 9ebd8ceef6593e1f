// The weapon set the battle arms the teams from. It stands for the weapon set (WaffenSet)
// until weapons are built; the game-wide object makes it empty at start-up and keeps it
// for the whole run.
#pragma once

class WaffenSet {
 public:
  WaffenSet() = default;
  WaffenSet(const WaffenSet&) = delete;
  WaffenSet& operator=(const WaffenSet&) = delete;
};
