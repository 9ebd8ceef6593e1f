// The planner's thread handling: a job hands its result back once, a new job, a cancel and
// the planner's end stop the job under way and wait for its thread, and the inline mode
// plans exactly what the thread plans.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "battle/routeplanner.h"
#include "battle/terrainsnapshot.h"

namespace {

// A job that runs until it is told to stop, and says whether it started and how it ended.
struct Waiter {
  std::shared_ptr<std::atomic<int>> state = std::make_shared<std::atomic<int>>(0);
  RoutePlanner::Job Job() const {
    auto s = state;
    return [s](const std::atomic<bool>& cancel) {
      s->store(1);
      while (!cancel.load()) std::this_thread::sleep_for(std::chrono::microseconds(200));
      s->store(2);
      PlanResult r;
      r.cancelled = true;
      return r;
    };
  }
  void WaitStarted() const {
    while (state->load() == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
};

PlanResult Route(int steps) {
  PlanResult r;
  r.route.resize(size_t(steps));
  return r;
}

template <class F>
std::optional<PlanResult> WaitFor(RoutePlanner& p, F) {
  for (int i = 0; i < 20000; ++i) {
    if (auto r = p.TakeResult()) return r;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return std::nullopt;
}

TEST(RoutePlanner, CancelNewJobAndEndEachStopAndJoinTheJobUnderWay) {
  const int before = RoutePlanner::LiveThreads();
  {
    RoutePlanner p(true);
    Waiter w;
    p.Start(w.Job());
    w.WaitStarted();
    EXPECT_TRUE(p.Busy());
    EXPECT_FALSE(p.TakeResult().has_value());
    p.Cancel();  // a turn that ends mid-plan
    EXPECT_EQ(w.state->load(), 2);
    EXPECT_FALSE(p.Busy());
    EXPECT_EQ(RoutePlanner::LiveThreads(), before);

    Waiter first;
    p.Start(first.Job());
    first.WaitStarted();
    p.Start([](const std::atomic<bool>&) { return Route(3); });  // a re-plan replaces it
    EXPECT_EQ(first.state->load(), 2);
    auto r = WaitFor(p, 0);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->route.size(), 3u);
    EXPECT_FALSE(p.TakeResult().has_value());  // handed back once

    Waiter last;
    p.Start(last.Job());
    last.WaitStarted();
    // The planner goes away mid-plan (the level is torn down).
  }
  EXPECT_EQ(RoutePlanner::LiveThreads(), before);
}

TEST(RoutePlanner, InlineModeHandsTheResultBackAtOnce) {
  RoutePlanner p(false);
  std::thread::id ran;
  p.Start([&](const std::atomic<bool>&) {
    ran = std::this_thread::get_id();
    return Route(2);
  });
  EXPECT_EQ(ran, std::this_thread::get_id());
  auto r = p.TakeResult();
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->route.size(), 2u);
  // A job that throws comes back as cancelled rather than taking the game down.
  p.SetThreaded(true);
  p.Start([](const std::atomic<bool>&) -> PlanResult { throw std::runtime_error("no"); });
  r = WaitFor(p, 0);
  ASSERT_TRUE(r.has_value());
  EXPECT_TRUE(r->cancelled);
}

TEST(RoutePlanner, ThreadPlansWhatTheInlineModePlans) {
  std::vector<std::string> rows(80, std::string(300, '.'));
  for (int y = 60; y < 80; ++y) rows[size_t(y)] = std::string(300, '#');
  for (int x = 100; x < 140; ++x)
    for (int y = 30; y < 60; ++y) rows[size_t(y)][size_t(x)] = (x < 104 || y < 34) ? '#' : '.';
  std::vector<const char*> p;
  for (auto& r : rows) p.push_back(r.c_str());
  auto terrain = std::make_shared<TerrainSnapshot>(TerrainSnapshot::FromRows(p));
  PlanSnapshot plan;
  plan.person = Vector2(20.0f, 50.0f);
  plan.jumps = {Vector2(40, -40), Vector2(20, -80), Vector2(-20, -20), Vector2(-8, -120),
                Vector2(-40, -40), Vector2(-20, -80), Vector2(20, -20), Vector2(8, -120)};
  plan.enemies = {Vector2(280.0f, 50.0f)};
  auto job = [terrain, plan](const std::atomic<bool>& cancel) {
    PlanResult r;
    r.graph = std::make_unique<NavGraph>();
    if (r.graph->Build(*terrain, plan, &cancel)) r.route = r.graph->Plan(plan, &cancel);
    r.cancelled = cancel.load();
    return r;
  };
  RoutePlanner inlinePlanner(false), threaded(true);
  inlinePlanner.Start(job);
  threaded.Start(job);
  auto a = inlinePlanner.TakeResult();
  auto b = WaitFor(threaded, 0);
  ASSERT_TRUE(a && b);
  ASSERT_FALSE(a->route.empty());
  ASSERT_EQ(a->route.size(), b->route.size());
  for (size_t i = 0; i < a->route.size(); ++i) {
    EXPECT_EQ(a->route[i].to, b->route[i].to);
    EXPECT_EQ(a->route[i].kind, b->route[i].kind);
  }
}

}  // namespace
