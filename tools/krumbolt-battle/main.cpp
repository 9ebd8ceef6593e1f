// krumbolt-battle: plays a whole battle of computer teams without a window, on the null
// device at 0.01 s a frame, and prints how it ended.
//
//   krumbolt-battle LEVEL SEED [--teams N] [--worms N] [--strength S[,S...]] [--threads]
//
// LEVEL is a level of the content archive ("mainmenu.lvl"); SEED builds its world and seeds
// every random choice. --teams (2..4, default 2) and --worms (1..6, default 3) size the
// battle; --strength picks the computer opponent, 0 easy, 1 medium (default), 2 hard, one
// value for every team or one per team (the last one for the rest); --threads plans on the
// planner's own thread as the game does (the result may then differ from run to run).
// Prints, one per line: the result, the turns, the frames, each team's health, the result
// hash and how much faster than real time the battle ran (its frames' game time over the
// wall time they took, start-up left out). Exit code 0 when the battle was
// decided, 1 when a cap stopped it, 2 on bad arguments or when it could not start.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "battle/headlessbattle.h"
#include "battle/routeplanner.h"
#include "objects/mannschaft.h"
#include "platform/text.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: krumbolt-battle LEVEL SEED [--teams N] [--worms N] [--strength 0|1|2[,...]] [--threads]\n");
  return 2;
}

bool ParseInt(const char* text, long lo, long hi, long& out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (!text[0] || *end || v < lo || v > hi) return false;
  out = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  HeadlessBattleConfig config;
  config.level = platform::Utf8ToU16(argv[1]);
  long seed = 0;
  if (!ParseInt(argv[2], 0, 4294967295L, seed)) return Usage();
  config.seed = uint32_t(seed);
  long teams = 2, worms = 3;
  std::vector<long> strengths{1};
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--teams" && hasValue) {
      if (!ParseInt(argv[++i], 2, 4, teams)) return Usage();
    } else if (arg == "--worms" && hasValue) {
      if (!ParseInt(argv[++i], 1, 6, worms)) return Usage();
    } else if (arg == "--strength" && hasValue) {
      strengths.clear();
      std::string list = argv[++i];
      for (size_t start = 0; start <= list.size();) {
        const size_t comma = std::min(list.find(',', start), list.size());
        long s = 0;
        if (!ParseInt(list.substr(start, comma - start).c_str(), 0, 2, s)) return Usage();
        strengths.push_back(s);
        start = comma + 1;
      }
    } else if (arg == "--threads") {
      config.threadedPlanner = true;
    } else {
      return Usage();
    }
  }
  static const char16_t* const kStrengths[3] = {u"CPU_LEICHT", u"CPU_MITTEL", u"CPU_SCHWER"};
  config.wormsPerTeam = int32_t(worms);
  config.teams.clear();
  for (long t = 0; t < teams; ++t) {
    HeadlessBattleConfig::Team team;
    team.control = HeadlessBattleConfig::Control::kComputer;
    team.strength = kStrengths[strengths[std::min(size_t(t), strengths.size() - 1)]];
    config.teams.push_back(team);
  }

  HeadlessBattleResult result;
  std::vector<std::string> names;
  double wall = 0.0;
  {
    HeadlessBattle battle(config);
    // The speed is the battle's own: loading the data and building the world are not timed.
    const bool started = battle.Start();
    const auto begin = std::chrono::steady_clock::now();
    result = started ? battle.Run() : battle.Result();
    wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    for (const Mannschaft* team : battle.Teams()) names.push_back(platform::U16ToUtf8(team ? team->GetName() : u""));
  }
  if (!result.started) {
    std::fprintf(stderr, "krumbolt-battle: %s\n", platform::U16ToUtf8(result.error).c_str());
    return 2;
  }
  if (result.decided && !result.draw && result.winner >= 0)
    std::printf("result: winner %s\n", platform::U16ToUtf8(result.winnerName).c_str());
  else if (result.decided)
    std::printf("result: draw\n");
  else
    std::printf("result: undecided (%s cap)\n", result.cappedBy.c_str());
  std::printf("turns: %d\n", result.turns);
  std::printf("frames: %lld\n", static_cast<long long>(result.frames));
  for (size_t t = 0; t < result.healths.size(); ++t) {
    double health = 0.0;
    for (double h : result.healths[t]) health += h > 0.0 ? h : 0.0;
    std::printf("health: %s %g\n", t < names.size() ? names[t].c_str() : "?", health);
  }
  std::printf("hash: %016llx\n", static_cast<unsigned long long>(result.hash));
  const double simulated = double(result.frames) * HeadlessBattle::kFrameStep;
  std::printf("speed: %.0f x real time\n", wall > 0.0 ? simulated / wall : 0.0);
  // Every planner has been stopped and joined with the battle.
  if (RoutePlanner::LiveThreads() != 0) {
    std::fprintf(stderr, "krumbolt-battle: %d planner threads outlived the battle\n", RoutePlanner::LiveThreads());
    return 3;
  }
  return result.decided ? 0 : 1;
}
