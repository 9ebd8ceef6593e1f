// The table of every event of "events.evt", kept by the game-wide object for the whole run
// and asked by name whenever a particle, a weapon or an event fires one. Particles reach it
// as their event runner.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "objects/event.h"
#include "objects/explosiontable.h"
#include "objects/simservices.h"

class EventHost;
class FrameTimer;
class KVNode;
class Objekt;

class EventTable final : public EventRunner {
 public:
  // Events running inside events (chains, and the events of particles an event makes or
  // kills) nest at most this deep; a run deeper than that is dropped.
  static constexpr int kMaxDepth = 32;
  // The section names in the order the loader takes them; the index selects the class.
  static constexpr const char16_t* kSectionNames[12] = {
      u"EXPLOSION_EVENT",    u"EXPLOSION_EVENT_ANI",   u"ENTER_WASSER_EVENT",  u"KILL_EVENT",
      u"UNKILL_EVENT",       u"PARTIKEL_CREATE_EVENT", u"CREATE_NEW_ID_EVENT", u"GIFT_EVENT",
      u"RENDEREFFECT_EVENT", u"SETSPEED_EVENT",        u"ADDMUNI_EVENT",       u"ADDMEDIKIT_EVENT"};

  EventTable();
  ~EventTable() override;
  EventTable(const EventTable&) = delete;
  EventTable& operator=(const EventTable&) = delete;

  // For each section name in the order above, every section of that name in file order
  // becomes an event of its class, appended. Then every follow-up name that no event
  // carries is reported once. A null root loads nothing.
  void Load(const KVNode* root, EventHost& host);
  // The event of the section's kind (an index into kSectionNames); null for another index.
  static std::unique_ptr<Event> Create(int kind, const KVNode* section, EventHost& host);
  void Add(std::unique_ptr<Event> event);

  // The last event whose name equals the name exactly; null for a null name or none.
  Event* Find(const std::u16string* name) const;
  // Runs the named event on the target (nothing for an unknown or empty name). Past the
  // nesting limit the run is dropped, reported once per event name.
  void Run(const std::u16string& name, Objekt& target) override;
  // Every event's update, last to first.
  void UpdateAll(const FrameTimer& timer);
  void Clear();

  size_t Size() const { return m_events.size(); }
  const std::vector<std::unique_ptr<Event>>& Events() const { return m_events; }

 private:
  std::vector<std::unique_ptr<Event>> m_events;
  // The last event of each name.
  std::unordered_map<std::u16string, Event*> m_byName;
  std::unordered_set<std::u16string> m_reportedDepth;
};
