// Camera jobs: their timing and the lookup of the followed object.
#include "battle/camerajob.h"

#include "engine/myglobals.h"
#include "objects/objekt.h"

namespace {

uint32_t g_lastJobId = 0;

}  // namespace

CameraJob::CameraJob(MyGlobals* globals, uint32_t objectId, uint32_t flags, double time, double hold,
                     bool countOnlyWhileActive, double followRate)
    : m_globals(globals),
      m_jobId(++g_lastJobId),
      m_objectId(objectId),
      m_flags(flags),
      m_time(time),
      m_countOnlyWhileActive(countOnlyWhileActive),
      m_hold(hold),
      m_followRate(followRate) {
  if (const platform::Vector2* p = ObjectPosition()) m_position = *p;
}

bool CameraJob::ObjectExists() const { return m_globals && m_globals->FindObject(m_objectId); }

platform::Vector2* CameraJob::ObjectPosition() const {
  Objekt* object = m_globals ? m_globals->FindObject(m_objectId) : nullptr;
  return object ? object->GetPosition() : nullptr;
}

platform::Vector2 CameraJob::GetPosition() const {
  const platform::Vector2* p = ObjectPosition();
  return p ? *p : m_position;
}

bool CameraJob::IsExpired() const {
  if (m_flags & kNeverExpires) return false;
  return ((m_flags & kTimed) && m_time <= 0.0) || ((m_flags & kFollows) && !ObjectExists());
}

bool CameraJob::Update(double step, bool isNewest) {
  if ((m_flags & kTimed) && (!m_countOnlyWhileActive || isNewest)) m_time -= step;
  if (const platform::Vector2* p = ObjectPosition()) m_position = *p;
  if (!IsExpired()) return false;
  if (!((m_flags & kFollows) && !ObjectExists())) return true;
  // The object is gone: its last place is held a little longer.
  m_hold -= step;
  return m_hold < 0.0;
}
