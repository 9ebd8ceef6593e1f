// The planner's thread handling.
#include "battle/routeplanner.h"

#include <chrono>

std::atomic<int> RoutePlanner::s_live{0};

void RoutePlanner::SetThreaded(bool threaded) {
  Cancel();
  m_threaded = threaded;
}

void RoutePlanner::Start(Job job) {
  Cancel();
  m_cancel = std::make_shared<std::atomic<bool>>(false);
  if (!m_threaded) {
    m_inlineResult = job(*m_cancel);
    return;
  }
  std::promise<PlanResult> promise;
  m_future = promise.get_future();
  s_live.fetch_add(1, std::memory_order_acq_rel);
  m_thread = std::thread([job = std::move(job), cancel = m_cancel, promise = std::move(promise)]() mutable {
    try {
      promise.set_value(job(*cancel));
    } catch (...) {
      promise.set_exception(std::current_exception());
    }
    s_live.fetch_sub(1, std::memory_order_acq_rel);
  });
}

std::optional<PlanResult> RoutePlanner::TakeResult() {
  if (m_inlineResult) {
    std::optional<PlanResult> r = std::move(m_inlineResult);
    m_inlineResult.reset();
    return r;
  }
  if (!m_future.valid() || m_future.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return std::nullopt;
  if (m_thread.joinable()) m_thread.join();
  std::optional<PlanResult> r;
  try {
    r = m_future.get();
  } catch (...) {
    r = PlanResult{};
    r->cancelled = true;
  }
  return r;
}

void RoutePlanner::Cancel() {
  if (m_cancel) m_cancel->store(true, std::memory_order_relaxed);
  if (m_thread.joinable()) m_thread.join();
  m_future = {};
  m_inlineResult.reset();
  m_cancel.reset();
}
