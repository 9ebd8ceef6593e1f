// The processor count and the persistent worker pool on which the terrain operations run
// their jobs (one job per processor); the calling thread takes jobs too and returns when
// every job is done.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

// The number of processors, at least 1: the environment variable KRUMBOLT_THREADS when it
// holds a positive number, else what the system reports.
int ProcessorCount();
// Makes ProcessorCount return n (tests compare results over worker counts); 0 restores
// the environment or the system's count.
void SetProcessorCountOverride(int n);

class WorkerPool {
 public:
  // The pool of the process, made on first use.
  static WorkerPool& Shared();

  WorkerPool() = default;
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Runs job(0) .. job(count - 1), each exactly once, spread over up to count - 1 pool
  // threads and the calling thread; returns when every job has finished, with everything
  // the jobs wrote visible to the caller. Threads that cannot be started leave their jobs
  // to the others. Calls from several threads are served one after the other.
  void Run(int count, const std::function<void(int)>& job);

  // Pool threads started so far.
  int ThreadCount() const;

 private:
  struct Batch {
    const std::function<void(int)>* job = nullptr;
    int count = 0;
    std::atomic<int> next{0};
    // One done flag per job: 1 while the job is pending or running, 0 once it finished.
    std::unique_ptr<std::atomic<uint8_t>[]> done;
    void RunJobs();
  };

  void EnsureThreads(int wanted);
  void ThreadMain();

  std::mutex m_runMutex;
  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::vector<std::thread> m_threads;
  std::shared_ptr<Batch> m_batch;
  uint64_t m_generation = 0;
  bool m_stop = false;
};

}  // namespace platform
