// The computer opponent's planner: one job at a time, run on a thread of its own (the
// game's mode) or inline (tests and the headless battles, which must come out the same on
// every run). A job works only on what it was handed (copies made on the main thread and
// the graph it owns while it runs) and hands its result back through a future; it draws
// no random numbers and reads no clock. Starting a new job, cancelling and destruction
// stop the job under way and join its thread first, so no planner outlives its control.
#pragma once

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "battle/navgraph.h"
#include "battle/shotchoice.h"

// What a job hands back: the graph it built or searched (kept for the next plan of the
// turn), the route it found and the shot candidates it flew.
struct PlanResult {
  std::unique_ptr<NavGraph> graph;
  std::vector<RouteStep> route;
  std::vector<ShotCandidate> candidates;
  // The job stopped early; nothing in it is to be used.
  bool cancelled = false;
};

class RoutePlanner {
 public:
  using Job = std::function<PlanResult(const std::atomic<bool>& cancel)>;

  explicit RoutePlanner(bool threaded = true) : m_threaded(threaded) {}
  ~RoutePlanner() { Cancel(); }
  RoutePlanner(const RoutePlanner&) = delete;
  RoutePlanner& operator=(const RoutePlanner&) = delete;

  // Threaded or inline from the next job on (the one under way is cancelled first).
  void SetThreaded(bool threaded);
  bool IsThreaded() const { return m_threaded; }

  // Cancels and joins the job under way, then starts this one (inline: runs it now).
  void Start(Job job);
  // A job was started and its result has not been taken yet.
  bool Busy() const { return m_future.valid() || m_inlineResult.has_value(); }
  // The result once the job has finished; nothing while it runs (or when none was started).
  std::optional<PlanResult> TakeResult();
  // Stops the job under way, waits for its thread and drops its result.
  void Cancel();

  // Planner threads alive in the process (for the checks that none is left behind).
  static int LiveThreads() { return s_live.load(std::memory_order_acquire); }

 private:
  bool m_threaded;
  std::thread m_thread;
  std::future<PlanResult> m_future;
  std::optional<PlanResult> m_inlineResult;
  std::shared_ptr<std::atomic<bool>> m_cancel;
  static std::atomic<int> s_live;
};
