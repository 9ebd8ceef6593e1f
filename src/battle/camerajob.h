// One request to the camera: follow an object for a while, until it is gone, or for ever.
// Jobs are kept by value in the camera's and the game-wide object's job lists and stepped
// every frame; a job tells when it is finished. Objects are known by id only, and looked up
// afresh each frame, so a job outlives what it followed without harm.
#pragma once

#include <cstdint>

#include "platform/math2d.h"

class MyGlobals;

class CameraJob {
 public:
  enum Flags : uint32_t {
    kNeverExpires = 1,
    kTimed = 2,
    // Follows the object; once it is gone, the job holds its last place for its hold time.
    kFollows = 4,
  };

  // Takes the next job id (the first job gets 1) and, when the object exists, its place.
  // A follow rate above 0 is the camera's rate while this job leads; -1 keeps the camera's.
  CameraJob(MyGlobals* globals, uint32_t objectId, uint32_t flags, double time, double hold,
            bool countOnlyWhileActive, double followRate);

  // Advances the job by a step; `isNewest` says whether it is the last of its list (a job
  // that counts only while active runs down only then). True when the job has finished.
  bool Update(double step, bool isNewest);
  bool IsExpired() const;
  // The object's place now, or the last one known (the fixed point of a job that follows
  // nothing).
  platform::Vector2 GetPosition() const;
  void SetPosition(const platform::Vector2& position) { m_position = position; }

  uint32_t GetJobId() const { return m_jobId; }
  uint32_t GetObjectId() const { return m_objectId; }
  uint32_t GetFlags() const { return m_flags; }
  double GetTime() const { return m_time; }
  double GetHold() const { return m_hold; }
  double GetFollowRate() const { return m_followRate; }

 private:
  bool ObjectExists() const;
  // The followed object's place; null when it is gone or has none.
  platform::Vector2* ObjectPosition() const;

  MyGlobals* m_globals;
  uint32_t m_jobId;
  uint32_t m_objectId;
  uint32_t m_flags;
  double m_time;
  bool m_countOnlyWhileActive;
  platform::Vector2 m_position;
  double m_hold;
  double m_followRate;
};
