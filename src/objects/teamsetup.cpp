#include "objects/teamsetup.h"

#include <algorithm>

#include "engine/kvnode.h"

void TeamSetupEntry::Read(const KVNode* node) {
  wormCount = 1;
  control = u"DEFAULT";
  positions.assign(1, TeamPosition(0.0f, 0.0f, -1.0f));
  if (!node) return;
  if (node->Read(u"ANZ_WORMS", wormCount)) wormCount = std::clamp(wormCount, kMinWorms, kMaxWorms);
  node->Read(u"STEUERUNG", control);
  if (node->CountChildren(u"POSITION") == 0) return;
  positions.clear();
  for (unsigned i = 0; const KVNode* position = node->GetChild(i, u"POSITION"); ++i) {
    const KVValue* x = position->GetValue(0);
    const KVValue* y = position->GetValue(1);
    // x and y are required; a position without them is left out rather than read past.
    if (!x || !y) continue;
    const KVValue* third = position->GetValue(2);
    positions.emplace_back(float(x->AsDouble()), float(y->AsDouble()),
                           third ? float(third->AsDouble()) : 1.0f);
  }
}

void TeamSetup::Read(const KVNode* node) {
  teamCount = 2;
  slots.assign(2, TeamSetupEntry());
  if (!node) return;
  if (node->Read(u"ANZ_TEAMS", teamCount)) teamCount = std::clamp(teamCount, kMinTeams, kMaxTeams);
  if (node->CountChildren(u"TEAM") == 0) return;
  slots.clear();
  for (unsigned i = 0; const KVNode* team = node->GetChild(i, u"TEAM"); ++i) slots.emplace_back().Read(team);
}
