// Stepping the game-wide camera jobs.
#include "engine/camerajoblist.h"

#include "engine/apicontext.h"
#include "engine/myglobals.h"

void CameraJobList::Add(const CameraJob& job) {
  m_jobs.push_back(job);
  if (m_globals) m_globals->busyTime = MyGlobals::kBusyTime;
}

void CameraJobList::Update() {
  const bool wasEmpty = m_jobs.empty();
  const FrameTimer* timer = m_globals ? m_globals->GetContext()->timer.get() : nullptr;
  const double step = timer ? timer->gameStep : 0.0;
  for (size_t i = m_jobs.size(); i-- > 0;)
    if (m_jobs[i].Update(step, i + 1 == m_jobs.size())) m_jobs.erase(m_jobs.begin() + ptrdiff_t(i));
  // Jobs that remain keep it busy; so does the frame in which the last one ended.
  if (!wasEmpty && m_globals) m_globals->busyTime = MyGlobals::kBusyTime;
}
