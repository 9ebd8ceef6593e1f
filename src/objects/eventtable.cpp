// The event table: loading by kind, lookups by name, nested runs and the frame's update.
#include "objects/eventtable.h"

#include <cstdio>

#include "engine/kvnode.h"
#include "objects/eventkeys.h"
#include "objects/events.h"
#include "objects/explosionsevent.h"
#include "platform/text.h"

namespace {

// Runs in progress on this thread, across every table.
thread_local int t_depth = 0;

}  // namespace

EventTable::EventTable() = default;
EventTable::~EventTable() { Clear(); }

std::unique_ptr<Event> EventTable::Create(int kind, const KVNode* section, EventHost& host) {
  switch (kind) {
    case 0:
      return std::make_unique<ExplosionsEvent>(section, host);
    case 1:
      return std::make_unique<AnimiertesExplosionsEvent>(section, host);
    case 2:
      return std::make_unique<EntersWaterEvent>(section, host);
    case 3:
      return std::make_unique<KillEvent>(section, host);
    case 4:
      return std::make_unique<UnKillEvent>(section, host);
    case 5:
      return std::make_unique<PartikelCreateEvent>(section, host);
    case 6:
      return std::make_unique<CreateNewIDEvent>(section, host);
    case 7:
      return std::make_unique<VergiftungsEvent>(section, host);
    case 8:
      return std::make_unique<RenderEffectEvent>(section, host);
    case 9:
      return std::make_unique<SetSpeedToEvent>(section, host);
    case 10:
      return std::make_unique<AddMunEvent>(section, host);
    case 11:
      return std::make_unique<AddMedikitEvent>(section, host);
    default:
      return nullptr;
  }
}

void EventTable::Load(const KVNode* root, EventHost& host) {
  if (!root) return;
  const size_t first = m_events.size();
  for (int kind = 0; kind < int(std::size(kSectionNames)); ++kind)
    for (unsigned i = 0, n = root->CountChildren(kSectionNames[kind]); i < n; ++i)
      Add(Create(kind, root->GetChild(i, kSectionNames[kind]), host));
  // Follow-up names are looked up when they run; one that nothing carries ends its chain.
  for (size_t i = first; i < m_events.size(); ++i) {
    const Event& event = *m_events[i];
    std::unordered_set<std::u16string> reported;
    for (const std::u16string& name : event.GetEventNames())
      if (!Find(&name) && reported.insert(name).second)
        eventkeys::Report(event.GetName(), u"follows with no event", name);
  }
}

void EventTable::Add(std::unique_ptr<Event> event) {
  if (!event) return;
  m_byName[event->GetName()] = event.get();
  m_events.push_back(std::move(event));
}

Event* EventTable::Find(const std::u16string* name) const {
  if (!name) return nullptr;
  auto it = m_byName.find(*name);
  return it != m_byName.end() ? it->second : nullptr;
}

void EventTable::Run(const std::u16string& name, Objekt& target) {
  Event* event = Find(&name);
  if (!event) return;
  if (t_depth >= kMaxDepth) {
    if (m_reportedDepth.insert(name).second)
      std::fprintf(stderr, "events: \"%s\" runs %d events deep; the chain stops here\n",
                   platform::U16ToUtf8(name).c_str(), kMaxDepth);
    return;
  }
  ++t_depth;
  event->Execute(target);
  --t_depth;
}

void EventTable::UpdateAll(const FrameTimer& timer) {
  for (size_t i = m_events.size(); i-- > 0;) m_events[i]->Update(timer);
}

void EventTable::Clear() {
  m_byName.clear();
  m_events.clear();
}
