// The base of the named actions of "events.evt" that run on one object, their target: a
// random sound of the event's set, then a follow-up event chosen at random by name, run on
// the same target, so events form chains. The event table owns every event.
#pragma once

#include <string>
#include <vector>

#include "engine/gfxtypes.h"

class EventHost;
class FrameTimer;
class KVNode;
class Objekt;
class SoundSet;

class Event {
 public:
  // Reads "NAME", "SEARCHPATH" (for the sounds only), "SOUNDS", "SOUND_PROP", "EVENTS" and
  // "EVENT_PROP", then makes both weight lists cumulative. A null section keeps the
  // defaults.
  Event(const KVNode* section, EventHost& host);
  virtual ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  // Once a frame with the frame timer; only animated explosions have work here.
  virtual void Update(const FrameTimer& timer);
  // The base plays a picked sound at volume 100, then runs a picked follow-up event on the
  // same target. Every kind does its own work first and then calls this (the water entry
  // excepted).
  virtual void Execute(Objekt& target);

  const std::u16string& GetName() const { return m_name; }
  const std::vector<std::u16string>& GetEventNames() const { return m_eventNames; }
  const std::vector<double>& GetEventWeights() const { return m_eventWeights; }
  const std::vector<SoundSet*>& GetSounds() const { return m_sounds; }
  const std::vector<double>& GetSoundWeights() const { return m_soundWeights; }
  // The weighted picks (r = rand / 32767, the first entry whose cumulative weight reaches
  // r); null or an empty name when none qualifies.
  SoundSet* PickSound() const;
  const std::u16string& PickEventName() const;

 protected:
  EventHost& Host() const { return m_host; }

 private:
  EventHost& m_host;
  std::u16string m_name = u"UNNAMED_EVENT";
  std::vector<std::u16string> m_eventNames;
  std::vector<double> m_eventWeights;
  std::vector<SoundSet*> m_sounds;
  std::vector<double> m_soundWeights;
};
