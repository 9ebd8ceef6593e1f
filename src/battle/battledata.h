// The game's data files that the battle's managers read, loaded into the game-wide object in
// the order they name each other: animations, particle types, explosions, events, layer
// properties, names, the roster, weapons, water, winds, render extras, gates, force fields,
// bonus crates, post effects and the setting catalogue. The first scene loads them behind
// its loading screen; the headless battle loads them the same way.
#pragma once

#include <functional>

class APIContext;
class MyGlobals;

struct BattleDataOptions {
  // Called after each file (the loading screen's step).
  std::function<void()> step;
  // Asked before each file: true loads nothing more (a quit during loading).
  std::function<bool()> stop;
  // Read the player's own teams ("teams.man") over the shipped roster.
  bool playerRoster = true;
};

void LoadBattleData(MyGlobals& globals, APIContext& context, const BattleDataOptions& options);
