// The event base: reading the shared keys, the weighted picks, sound and chaining.
#include "objects/event.h"

#include "engine/kvnode.h"
#include "engine/searchpath.h"
#include "engine/soundset.h"
#include "objects/eventhost.h"
#include "objects/eventkeys.h"
#include "objects/eventtable.h"
#include "objects/partikelinfo.h"
#include "platform/random.h"

Event::Event(const KVNode* section, EventHost& host) : m_host(host) {
  if (!section) return;
  eventkeys::Read(section, u"NAME", m_name);
  const SearchPath path(section->GetChild(0, u"SEARCHPATH"));
  for (const std::u16string& file : eventkeys::ReadTexts(section, u"SOUNDS"))
    m_sounds.push_back(host.FindSound(file, path));
  std::vector<double> soundWeights = eventkeys::ReadWeights(section, u"SOUND_PROP", m_sounds.size());
  m_eventNames = eventkeys::ReadTexts(section, u"EVENTS");
  std::vector<double> eventWeights = eventkeys::ReadWeights(section, u"EVENT_PROP", m_eventNames.size());
  m_eventWeights = CumulativeWeights(std::move(eventWeights), m_eventNames.size());
  m_soundWeights = CumulativeWeights(std::move(soundWeights), m_sounds.size());
}

Event::~Event() = default;

void Event::Update(const FrameTimer&) {}

SoundSet* Event::PickSound() const {
  const int32_t i = PickCumulative(m_soundWeights, platform::RandFraction());
  return i >= 0 && size_t(i) < m_sounds.size() ? m_sounds[size_t(i)] : nullptr;
}

const std::u16string& Event::PickEventName() const {
  static const std::u16string kNone;
  const int32_t i = PickCumulative(m_eventWeights, platform::RandFraction());
  return i >= 0 && size_t(i) < m_eventNames.size() ? m_eventNames[size_t(i)] : kNone;
}

void Event::Execute(Objekt& target) {
  if (SoundSet* sound = PickSound()) m_host.PlaySound(sound, 100);
  const std::u16string& next = PickEventName();
  if (next.empty()) return;
  if (EventTable* table = m_host.GetEventTable()) table->Run(next, target);
}
