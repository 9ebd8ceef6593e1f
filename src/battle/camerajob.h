// One request to the camera: follow an object, or keep still for a while. Jobs are kept by
// value in the camera's and the game-wide object's job lists and stepped every frame; a
// job tells when it is finished. The position it follows joins the record with the game
// objects' positions; until then a job keeps the followed object's id and its timing.
#pragma once

#include <cstdint>

class MyGlobals;

class CameraJob {
 public:
  enum Flags : uint32_t {
    kNeverExpires = 1,
    kTimed = 2,
    // Follows the object; once it is gone, the job holds for its hold time.
    kFollows = 4,
  };

  // Takes the next job id (the first job gets 1). The game-wide object looks the followed
  // object up (none: a job that follows nothing is gone at once).
  CameraJob(MyGlobals* globals, uint32_t objectId, uint32_t flags, double time, double hold,
            bool countOnlyWhileActive, double followRate);

  // Advances the job by a step; `isNewest` says whether it is the last of its list (a job
  // that counts only while active runs down only then). True when the job has finished.
  bool Update(double step, bool isNewest);
  bool IsExpired() const;

  uint32_t GetJobId() const { return m_jobId; }
  uint32_t GetObjectId() const { return m_objectId; }
  uint32_t GetFlags() const { return m_flags; }
  double GetTime() const { return m_time; }
  double GetHold() const { return m_hold; }
  double GetFollowRate() const { return m_followRate; }

 private:
  bool ObjectExists() const;

  MyGlobals* m_globals;
  uint32_t m_jobId;
  uint32_t m_objectId;
  uint32_t m_flags;
  double m_time;
  bool m_countOnlyWhileActive;
  double m_hold;
  double m_followRate;
};
