// The tables of named events and explosions that particle types, weapons and worms fire.
// They stand for the event table (EventTable) and the explosion table (ExplosionTable)
// until events and explosions are built; the game-wide object makes both empty at
// start-up and keeps them for the whole run.
#pragma once

class EventTable {
 public:
  EventTable() = default;
  EventTable(const EventTable&) = delete;
  EventTable& operator=(const EventTable&) = delete;
};

class ExplosionTable {
 public:
  ExplosionTable() = default;
  ExplosionTable(const ExplosionTable&) = delete;
  ExplosionTable& operator=(const ExplosionTable&) = delete;
};
