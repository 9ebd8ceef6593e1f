// Camera jobs: their timing and the lookup of the followed object.
#include "battle/camerajob.h"

#include "engine/myglobals.h"

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
      m_followRate(followRate) {}

bool CameraJob::ObjectExists() const { return m_globals && m_globals->FindObject(m_objectId); }

bool CameraJob::IsExpired() const {
  if (m_flags & kNeverExpires) return false;
  return ((m_flags & kTimed) && m_time <= 0.0) || ((m_flags & kFollows) && !ObjectExists());
}

bool CameraJob::Update(double step, bool isNewest) {
  if ((m_flags & kTimed) && (!m_countOnlyWhileActive || isNewest)) m_time -= step;
  if (!IsExpired()) return false;
  if (!((m_flags & kFollows) && !ObjectExists())) return true;
  // The object is gone: its last place is held a little longer.
  m_hold -= step;
  return m_hold < 0.0;
}
