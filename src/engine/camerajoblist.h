// The game-wide list of timed camera jobs that keeps the battle busy: while jobs run, and
// in the frame the last one ends, the game-wide object's busy time is set to 2 s, which
// holds the turn back until things have settled.
#pragma once

#include <vector>

#include "battle/camerajob.h"

class MyGlobals;

class CameraJobList {
 public:
  explicit CameraJobList(MyGlobals* globals) : m_globals(globals) {}

  // Appends a copy of the job and sets the busy time to 2 s.
  void Add(const CameraJob& job);
  // Once per battle frame: steps every job, last to first, by the frame timer's game step
  // and removes the finished ones; then sets the busy time to 2 s while jobs remain and in
  // the frame the list became empty.
  void Update();

  const std::vector<CameraJob>& Jobs() const { return m_jobs; }

 private:
  MyGlobals* m_globals;
  std::vector<CameraJob> m_jobs;
};
