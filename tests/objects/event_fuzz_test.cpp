// The event reader under damaged input: the shipped events.evt with values swapped for
// hostile ones, lines dropped, blocks cut short or repeated, read and every event run on a
// particle in a small world. Nothing may crash or hang; a seeded generator keeps each run
// the same.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "engine/kvnode.h"
#include "objects/event_fixture.h"
#include "platform/random.h"
#include "platform/text.h"

namespace {

std::string ShippedEvents() {
  std::ifstream in(std::string(KRUMBOLT_SOURCE_DIR) + "/data/events.evt", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A small deterministic generator of our own, apart from the game's.
struct Dice {
  uint32_t state;
  uint32_t Next(uint32_t n) {
    state = state * 1664525u + 1013904223u;
    return n ? (state >> 8) % n : 0;
  }
};

std::string Mutate(const std::string& text, Dice& dice) {
  static const char* const kValues[] = {"",    "-1",       "0",           "1e308", "-1e308",      "nan",
                                        "inf", "99999999", "-2147483649", "abc",   "Expl_Medium", "Gas"};
  std::string out = text;
  const int edits = 1 + int(dice.Next(12));
  for (int e = 0; e < edits && !out.empty(); ++e) {
    const size_t at = dice.Next(uint32_t(out.size()));
    switch (dice.Next(5)) {
      case 0: {  // a quoted value swapped
        const size_t open = out.find('"', at);
        const size_t close = open == std::string::npos ? open : out.find('"', open + 1);
        if (close != std::string::npos) out.replace(open + 1, close - open - 1, kValues[dice.Next(12)]);
        break;
      }
      case 1: {  // a line dropped
        const size_t end = out.find('\n', at);
        const size_t begin = out.rfind('\n', at);
        if (end != std::string::npos && begin != std::string::npos) out.erase(begin, end - begin);
        break;
      }
      case 2:  // cut short
        out.resize(at);
        break;
      case 3: {  // a stretch repeated
        const size_t length = dice.Next(400);
        out.insert(at, out.substr(at, length));
        break;
      }
      default:  // a byte changed
        out[at] = char(" <>\"\\\t\n0a"[dice.Next(10)]);
        break;
    }
  }
  return out;
}

}  // namespace

TEST(EventFuzz, DamagedEventFilesLoadAndRunWithoutHarm) {
  const std::string shipped = ShippedEvents();
  ASSERT_GT(shipped.size(), 1000u);
  particle_test::Sim sim(terrain_test::FlatStore({0, 0, 200, 120}, 40));
  event_test::Host host(sim);
  sim.services.events = &host.events;
  sim.Type(u"<NAME> \"Rauch\" <\\NAME>");
  host.explosions.Load(ParseBody(u"<EXPLOSION> <NAME> \"Mittel\" <\\NAME> <PARTIKEL_NAMEN> \"Rauch\" "
                                 u"<\\PARTIKEL_NAMEN> <\\EXPLOSION>")
                           .get(),
                       &sim.list);
  host.weapons = {u"Bazooka"};
  host.AddWorm({100.0f, 38.0f});
  size_t runs = 0;
  Dice dice{20261211u};
  testing::internal::CaptureStderr();
  for (int round = 0; round < 300; ++round) {
    const std::string text = Mutate(shipped, dice);
    auto root = ParseKVText(platform::Utf8ToU16(text));
    host.events.Clear();
    host.events.Load(root.get(), host);
    for (const auto& event : host.events.Events()) {
      auto target = sim.Make(*sim.list.GetInfos()[0], {100.0f, 40.0f}, {40.0f, 30.0f});
      host.events.Run(event->GetName(), *target);
      ++runs;
    }
    host.events.UpdateAll(sim.timer);
    sim.list.Update();
    sim.list.Clear();
  }
  testing::internal::GetCapturedStderr();
  EXPECT_GT(runs, 1000u) << "damaged files still hold events to run";
}
