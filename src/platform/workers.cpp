// Processor count and the worker pool.
#include "platform/workers.h"

#include <cstdlib>
#include <system_error>

namespace platform {
namespace {

std::atomic<int> g_override{0};

}  // namespace

int ProcessorCount() {
  int forced = g_override.load(std::memory_order_relaxed);
  if (forced > 0) return forced;
  if (const char* env = std::getenv("KRUMBOLT_THREADS")) {
    char* end = nullptr;
    long n = std::strtol(env, &end, 10);
    if (end != env && n > 0) return n > 256 ? 256 : int(n);
  }
  // Asked once: the library reads the system's files on every call, and terrain stamps ask
  // for every crumb of earth that settles.
  static const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : int(n);
}

void SetProcessorCountOverride(int n) { g_override.store(n > 0 ? n : 0, std::memory_order_relaxed); }

WorkerPool& WorkerPool::Shared() {
  static WorkerPool pool;
  return pool;
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stop = true;
  }
  m_wake.notify_all();
  for (std::thread& t : m_threads) t.join();
}

int WorkerPool::ThreadCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return int(m_threads.size());
}

void WorkerPool::Batch::RunJobs() {
  for (;;) {
    int i = next.fetch_add(1, std::memory_order_relaxed);
    if (i >= count) return;
    (*job)(i);
    done[i].store(0, std::memory_order_release);
  }
}

void WorkerPool::EnsureThreads(int wanted) {
  while (int(m_threads.size()) < wanted) {
    try {
      std::thread t([this] { ThreadMain(); });
      std::lock_guard<std::mutex> lock(m_mutex);
      m_threads.push_back(std::move(t));
    } catch (const std::system_error&) {
      // The jobs meant for it go to the threads that exist and to the caller.
      return;
    }
  }
}

void WorkerPool::ThreadMain() {
  uint64_t seen = 0;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    seen = m_generation;
  }
  for (;;) {
    std::shared_ptr<Batch> batch;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_wake.wait(lock, [&] { return m_stop || m_generation != seen; });
      if (m_stop) return;
      seen = m_generation;
      batch = m_batch;
    }
    if (batch) batch->RunJobs();
  }
}

void WorkerPool::Run(int count, const std::function<void(int)>& job) {
  if (count <= 0) return;
  std::lock_guard<std::mutex> runLock(m_runMutex);
  if (count == 1) {
    job(0);
    return;
  }
  EnsureThreads(count - 1);

  auto batch = std::make_shared<Batch>();
  batch->job = &job;
  batch->count = count;
  batch->done = std::make_unique<std::atomic<uint8_t>[]>(size_t(count));
  for (int i = 0; i < count; ++i) batch->done[i].store(1, std::memory_order_relaxed);
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_batch = batch;
    ++m_generation;
  }
  m_wake.notify_all();

  batch->RunJobs();
  for (int i = count - 1; i >= 0; --i)
    while (batch->done[i].load(std::memory_order_acquire) != 0) std::this_thread::yield();

  // A thread that wakes late finds no job left in this batch; it keeps the batch alive
  // itself, so the job function is never called once Run has returned.
  std::lock_guard<std::mutex> lock(m_mutex);
  m_batch.reset();
}

}  // namespace platform
