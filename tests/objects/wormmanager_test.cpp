// The worm manager's roster: the team file read over the shipped defaults and written back.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "battle/steuerungliste.h"
#include "objects/namen.h"
#include "objects/worm_fixture.h"
#include "platform/files.h"
#include "platform/random.h"

namespace {

using worm_test::WormWorld;

// The shipped part of a roster: a preset that replaces the built-in "DEFAULT" and the
// template worm every roster worm is copied from.
const char16_t* const kDefaults =
    u"<WORMEIGENSCHAFTEN> <NAME> \"DEFAULT\" <\\NAME> <RADIUS> \"12\" \"16\" <\\RADIUS> <\\WORMEIGENSCHAFTEN>"
    u"<WORMEIGENSCHAFTEN> <NAME> \"Zaeh\" <\\NAME> <LEBENSENERGIE> \"300\" <\\LEBENSENERGIE> <\\WORMEIGENSCHAFTEN>"
    u"<DEFAULT_WORM> <PARTIKEL_INFO_DIREKT> <NAME> \"RosterBody\" <\\NAME> <SIZE> \"20\" \"30\" \"0\" \"0\" <\\SIZE>"
    u"<\\PARTIKEL_INFO_DIREKT> <WORM> <NAME> \"Vorlage\" <\\NAME> <\\WORM> <\\DEFAULT_WORM>";

std::u16string TeamBlock(const std::u16string& keys) { return u"<MANNSCHAFT> " + keys + u" <\\MANNSCHAFT>"; }
std::u16string WormEntry(const std::u16string& name, int team) {
  return u"<WORM> <NAME> \"" + name + u"\" <\\NAME> <MANNSCHAFTS_ID> \"" + platform::FormatW(u"%d", team) +
         u"\" <\\MANNSCHAFTS_ID> <\\WORM>";
}

class Roster : public WormWorld {
 protected:
  void SetUp() override {
    WormWorld::SetUp();
    Manager().Load(ParseBody(kDefaults, u"TEAMS").get());
    ASSERT_NE(Manager().GetDefaultWorm(), nullptr);
  }

  void WriteFile(const std::filesystem::path& path, const std::u16string& body) {
    KVNode root(u"TEAMS");
    auto parsed = ParseBody(body, u"TEAMS");
    ASSERT_TRUE(SaveKVFile(platform::FromOsPath(path.string()), *parsed));
  }

  static std::string Bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(Roster, TheDefaultPresetByNameIsTheFilesOwn) {
  const std::u16string name = u"DEFAULT";
  EXPECT_EQ(&Manager().FindPreset(&name), &Manager().GetDefaultPreset());
  EXPECT_DOUBLE_EQ(Manager().GetDefaultPreset().radiusRange[0], 12.0);
  const std::u16string tough = u"Zaeh";
  EXPECT_DOUBLE_EQ(Manager().FindPreset(&tough).startHealthRange[0], 300.0);
}

// Ids count on from MANNSCHAFT_COUNTER; a colour keeps its alpha below 0x10; TIME keeps its
// fraction; every worm is a copy of the template with its own name and team.
TEST_F(Roster, TeamsAndWormsComeBackAsTheyWereSaved) {
  const auto path = dir.Path() / "teams.man";
  WriteFile(path, u"<MANNSCHAFT_COUNTER> \"7\" <\\MANNSCHAFT_COUNTER>" +
                      TeamBlock(u"<NAME> \"Rot\" <\\NAME> <COLOR> \"f00ff00\" <\\COLOR> <ANZ_WON> \"3\" <\\ANZ_WON>"
                           u"<ANZ_LOST> \"4\" <\\ANZ_LOST> <TIME> \"12.75\" <\\TIME>"
                           u"<STEUERUNG> \"CPU_MITTEL\" <\\STEUERUNG>") +
                      TeamBlock(u"<NAME> \"Blau\" <\\NAME> <COLOR> \"ff0000ff\" <\\COLOR>") + WormEntry(u"Anna", 8) +
                      WormEntry(u"Bert", 9) + WormEntry(u"Carl", 8));
  Manager().LoadRoster(platform::FromOsPath(path.string()));
  EXPECT_FALSE(Manager().DroppedOnRead());
  ASSERT_EQ(Manager().Teams().size(), 2u);
  EXPECT_EQ(Manager().GetTeamCounter(), 9);
  Mannschaft* red = Manager().FindTeamById(8);
  ASSERT_NE(red, nullptr);
  EXPECT_EQ(red->GetName(), u"Rot");
  EXPECT_EQ(red->GetColour(), 0x0F00FF00u);
  EXPECT_DOUBLE_EQ(red->time, 12.75);
  EXPECT_EQ(red->wins, 3);
  EXPECT_EQ(red->losses, 4);
  EXPECT_EQ(red->GetSteuerung(), u"CPU_MITTEL");
  ASSERT_EQ(red->GetWormCount(), 2);
  EXPECT_EQ(red->GetWorm(0)->GetName(), u"Anna");
  EXPECT_EQ(red->GetWorm(1)->GetName(), u"Carl");
  EXPECT_EQ(Manager().FindTeamById(9)->GetWorm(0)->GetName(), u"Bert");

  // Every statistic's total goes into the file and comes back; the game's and the round's
  // do not.
  WormEigenschaften& stats = red->GetWorm(0)->GetEigenschaften();
  stats.timeOnTurn[0] = 61.5;
  stats.walked[0] = 1234.25;
  stats.weaponsUsed[0] = 17;
  stats.died[0] = 3;
  stats.enemiesKilled[0] = 9;
  stats.damageDealt[0] = 400.25;
  stats.damageTaken[0] = 321.125;
  stats.damageDealt[WormEigenschaften::kGame] = 55.0;
  red->time = 13.5;
  ASSERT_TRUE(Manager().SaveRoster(platform::FromOsPath(path.string())));
  const std::string bytes = Bytes(path);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(uint8_t(bytes[0]), 0xFF);
  EXPECT_EQ(uint8_t(bytes[1]), 0xFE);

  auto saved = LoadKVFile(platform::FromOsPath(path.string()));
  ASSERT_NE(saved, nullptr);
  // Only the worms: the person templates and the template worm are not part of the roster.
  EXPECT_EQ(saved->CountChildren(u"WORM"), 3u);
  EXPECT_EQ(saved->CountChildren(u"MANNSCHAFT"), 2u);
  EXPECT_EQ(saved->GetChild(0, u"MANNSCHAFT")->GetChild(0, u"COLOR")->GetValue(0)->Text(), u"f00ff00");
  EXPECT_EQ(saved->GetChild(0, u"MANNSCHAFT")->GetChild(0, u"TIME")->GetValue(0)->Text(), u"13.500000");

  // A second start: the same roster.
  MyGlobals again(&context);
  WormManager& next = *again.GetWormManager();
  next.Load(ParseBody(kDefaults, u"TEAMS").get());
  next.LoadRoster(platform::FromOsPath(path.string()));
  ASSERT_EQ(next.Teams().size(), 2u);
  // Every team read takes a fresh number before its own ID replaces it.
  EXPECT_EQ(next.GetTeamCounter(), 11);
  const Mannschaft* red2 = next.FindTeamById(8);
  ASSERT_NE(red2, nullptr);
  EXPECT_EQ(red2->GetColour(), 0x0F00FF00u);
  EXPECT_DOUBLE_EQ(red2->time, 13.5);
  EXPECT_EQ(red2->GetName(), u"Rot");
  EXPECT_EQ(red2->GetSteuerung(), u"CPU_MITTEL");
  EXPECT_EQ(red2->wins, 3);
  EXPECT_EQ(red2->losses, 4);
  ASSERT_EQ(red2->GetWormCount(), 2);
  EXPECT_EQ(red2->GetWorm(0)->GetName(), u"Anna");
  const WormEigenschaften& back = red2->GetWorm(0)->GetEigenschaften();
  EXPECT_DOUBLE_EQ(back.timeOnTurn[0], 61.5);
  EXPECT_DOUBLE_EQ(back.walked[0], 1234.25);
  EXPECT_EQ(back.weaponsUsed[0], 17);
  EXPECT_EQ(back.died[0], 3);
  EXPECT_EQ(back.enemiesKilled[0], 9);
  EXPECT_DOUBLE_EQ(back.damageDealt[0], 400.25);
  EXPECT_DOUBLE_EQ(back.damageTaken[0], 321.125);
  EXPECT_DOUBLE_EQ(back.damageDealt[WormEigenschaften::kGame], 0.0);
  EXPECT_EQ(next.FindTeamById(9)->GetColour(), 0xFF0000FFu);
}

// What cannot be sound is left out with a message, and the full file is kept aside when the
// smaller roster is written.
TEST_F(Roster, UnsoundEntriesAreLeftOutAndTheOldFileKeptAside) {
  std::u16string body = u"<MANNSCHAFT_COUNTER> \"2\" <\\MANNSCHAFT_COUNTER> <UNBEKANNT> \"1\" <\\UNBEKANNT>" +
                        TeamBlock(u"<ID> \"20\" <\\ID> <NAME> \"A\" <\\NAME>") +
                        TeamBlock(u"<ID> \"20\" <\\ID> <NAME> \"Doppelt\" <\\NAME>") +
                        TeamBlock(u"<ID> \"30\" <\\ID> <NAME> \"Leer\" <\\NAME>");
  for (int i = 0; i < WormManager::kMaxWormsPerTeam + 2; ++i) body += WormEntry(platform::FormatW(u"W%d", i), 20);
  body += WormEntry(u"Heimatlos", 99);
  const auto path = dir.Path() / "teams.man";
  WriteFile(path, body);
  const std::string before = Bytes(path);
  Manager().LoadRoster(platform::FromOsPath(path.string()));
  EXPECT_TRUE(Manager().DroppedOnRead());
  ASSERT_EQ(Manager().Teams().size(), 1u);
  const Mannschaft* team = Manager().Teams()[0].get();
  EXPECT_EQ(team->GetName(), u"A");
  EXPECT_EQ(team->GetWormCount(), WormManager::kMaxWormsPerTeam);
  // The counter never falls behind an id in use.
  EXPECT_GE(Manager().GetTeamCounter(), 30);

  ASSERT_TRUE(Manager().SaveRoster(platform::FromOsPath(path.string())));
  EXPECT_EQ(Bytes(dir.Path() / "teams.man.bad"), before);
  auto saved = LoadKVFile(platform::FromOsPath(path.string()));
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ(saved->CountChildren(u"MANNSCHAFT"), 1u);
  // The worm whose team is unknown stays, without a team.
  EXPECT_EQ(saved->CountChildren(u"WORM"), unsigned(WormManager::kMaxWormsPerTeam + 1));
}

TEST_F(Roster, AFailedWriteKeepsTheOldFileWhole) {
  const auto path = dir.Path() / "teams.man";
  WriteFile(path, TeamBlock(u"<NAME> \"Alt\" <\\NAME>") + WormEntry(u"Erna", 1));
  const std::string before = Bytes(path);
  Manager().LoadRoster(platform::FromOsPath(path.string()));
  ASSERT_EQ(Manager().Teams().size(), 1u);
  Manager().Teams()[0]->SetName(u"Neu");
  // A folder where the temporary file would go makes the write fail.
  std::filesystem::create_directory(path.string() + ".tmp-" + std::to_string(::getpid()));
  EXPECT_FALSE(Manager().SaveRoster(platform::FromOsPath(path.string())));
  EXPECT_EQ(Bytes(path), before);
}

TEST_F(Roster, NothingIsWrittenUnlessTheFileWasLookedAtAndAnUnreadableOneIsKept) {
  const auto path = dir.Path() / "teams.man";
  EXPECT_FALSE(Manager().SaveRoster(platform::FromOsPath(path.string())));
  EXPECT_FALSE(std::filesystem::exists(path));
  // A folder in the file's place cannot be read: it is not written over.
  std::filesystem::create_directory(path);
  Manager().LoadRoster(platform::FromOsPath(path.string()));
  EXPECT_FALSE(Manager().SaveRoster(platform::FromOsPath(path.string())));
  EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST_F(Roster, ARemovedTeamAndItsWormsAreNotWritten) {
  const auto path = dir.Path() / "teams.man";
  WriteFile(path, TeamBlock(u"<ID> \"1\" <\\ID>") + TeamBlock(u"<ID> \"2\" <\\ID>") + WormEntry(u"Eins", 1) + WormEntry(u"Zwei", 2));
  Manager().LoadRoster(platform::FromOsPath(path.string()));
  ASSERT_EQ(Manager().Teams().size(), 2u);
  Manager().RemoveTeam(Manager().FindTeamById(1));
  EXPECT_EQ(Manager().FindTeamById(1), nullptr);
  KVNode root(u"TEAMS");
  Manager().Write(&root);
  ASSERT_EQ(root.CountChildren(u"WORM"), 1u);
  std::u16string name;
  root.GetChild(0, u"WORM")->Read(u"NAME", name);
  EXPECT_EQ(name, u"Zwei");
}

// A new team from the team screens: the next id, the default control, a name and a colour
// no other team bears, and a full set of copies of the template, each under a worm name
// the team does not use yet while names last.
TEST_F(Roster, ANewTeamFieldsCopiesOfTheTemplateUnderUnusedNames) {
  // The test's language is English: the English team names serve.
  globals->GetNamen()->Load(ParseBody(u"<TEAMNAMEN> \"Adler\" <\\TEAMNAMEN>"
                                      u"<TEAMNAMEN_ENG> \"Eagles\" \"Bears\" <\\TEAMNAMEN_ENG>"
                                      u"<NAMEN> \"Ida\" \"Jan\" \"Kai\" \"Lea\" <\\NAMEN>")
                                .get());
  // Nine teams bear nine of the ten colours; one of them is called "Eagles".
  for (int i = 0; i < MyGlobals::kTeamColourCount; ++i) {
    if (i == 4) continue;
    auto team = std::make_unique<Mannschaft>();
    team->SetColour(globals->teamColours[i]);
    if (i == 0) team->SetName(u"Eagles");
    Manager().AddTeam(std::move(team));
  }
  const int32_t counter = Manager().GetTeamCounter();
  platform::SRand(3);
  Mannschaft* team = Manager().AddTeam(std::make_unique<Mannschaft>(Manager(), true));
  EXPECT_EQ(team->GetId(), counter + 1);
  EXPECT_EQ(Manager().GetTeamCounter(), counter + 1);
  EXPECT_EQ(team->GetName(), u"Bears");
  EXPECT_EQ(team->GetColour(), globals->teamColours[4]);
  EXPECT_EQ(team->Bar().name, u"Bears");
  EXPECT_EQ(team->GetSteuerung(), u"DEFAULT");
  ASSERT_EQ(team->GetWormCount(), globals->newTeamWormCount);
  std::set<std::u16string> names;
  for (int i = 0; i < team->GetWormCount(); ++i) {
    Worm* worm = team->GetWorm(i);
    EXPECT_NE(worm, Manager().GetDefaultWorm());
    EXPECT_EQ(worm->GetTeam(), team);
    EXPECT_EQ(Manager().FindWormById(worm->GetId()), worm) << "registered with the manager";
    EXPECT_EQ(worm->GetControl(), globals->GetSteuerungListe()->GetActive());
    EXPECT_EQ(*worm->GetSize(), *Manager().GetDefaultWorm()->GetSize());
    if (i < 4) {
      EXPECT_TRUE(names.insert(worm->GetName()).second) << "the four names come first, once each";
    }
  }
  EXPECT_EQ(names, (std::set<std::u16string>{u"Ida", u"Jan", u"Kai", u"Lea"}));
  for (int i = 4; i < team->GetWormCount(); ++i) EXPECT_TRUE(names.count(team->GetWorm(i)->GetName()));

  // Every name and colour taken: a taken one again. Unnamed worms keep the template's name.
  Mannschaft* another = Manager().AddTeam(std::make_unique<Mannschaft>(Manager(), false));
  EXPECT_TRUE(another->GetName() == u"Eagles" || another->GetName() == u"Bears");
  ASSERT_GT(another->GetWormCount(), 0);
  EXPECT_EQ(another->GetWorm(0)->GetName(), u"Vorlage");

  // The whole roster is written: the new teams with their worms.
  KVNode root(u"TEAMS");
  Manager().Write(&root);
  EXPECT_EQ(root.CountChildren(u"WORM"), unsigned(2 * globals->newTeamWormCount));
}

// A team's control goes to every worm of it; a name no control bears gives the default one.
TEST_F(Roster, TheTeamsControlGoesToItsWorms) {
  Mannschaft* team = Manager().AddTeam(std::make_unique<Mannschaft>(Manager(), false));
  ASSERT_GT(team->GetWormCount(), 1);
  const SteuerungListe& controls = *globals->GetSteuerungListe();
  ASSERT_NE(controls.FindByName(u"CPU_SCHWER"), nullptr);
  team->SetSteuerung(u"CPU_SCHWER");
  EXPECT_EQ(team->GetSteuerung(), u"CPU_SCHWER");
  for (const Worm* worm : team->Worms()) EXPECT_EQ(worm->GetControl(), controls.FindByName(u"CPU_SCHWER"));
  team->SetSteuerung(u"NIEMAND");
  for (const Worm* worm : team->Worms()) EXPECT_EQ(worm->GetControl(), controls.GetActive());
}

// A file cut short keeps what is whole of it; the cut file is kept aside when the roster is
// written.
TEST_F(Roster, ATruncatedFileGivesWhatIsWholeAndIsKeptAside) {
  const auto path = dir.Path() / "teams.man";
  WriteFile(path, TeamBlock(u"<ID> \"1\" <\\ID> <NAME> \"A\" <\\NAME>") +
                      TeamBlock(u"<ID> \"2\" <\\ID> <NAME> \"B\" <\\NAME>") + WormEntry(u"Eins", 1) +
                      WormEntry(u"Zwei", 2));
  const std::string whole = Bytes(path);
  // UTF-16: cut at an even byte, inside the last worm entry.
  const std::string cut = whole.substr(0, (whole.size() * 3 / 4) & ~size_t(1));
  std::ofstream(path, std::ios::binary | std::ios::trunc) << cut;
  Manager().LoadRoster(platform::FromOsPath(path.string()));
  EXPECT_TRUE(Manager().DroppedOnRead());
  ASSERT_EQ(Manager().Teams().size(), 1u);
  EXPECT_EQ(Manager().Teams()[0]->GetName(), u"A");
  EXPECT_EQ(Manager().Teams()[0]->GetWormCount(), 1);
  ASSERT_TRUE(Manager().SaveRoster(platform::FromOsPath(path.string())));
  EXPECT_EQ(Bytes(dir.Path() / "teams.man.bad"), cut);
  auto saved = LoadKVFile(platform::FromOsPath(path.string()));
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ(saved->CountChildren(u"MANNSCHAFT"), 1u);
}

// A roster keeps at most kMaxTeams teams; the rest of the file is left out with a message.
TEST_F(Roster, TeamsBeyondTheMostARosterKeepsAreLeftOut) {
  std::u16string body;
  for (int i = 1; i <= WormManager::kMaxTeams + 2; ++i)
    body += TeamBlock(u"<ID> \"" + platform::FormatW(u"%d", i) + u"\" <\\ID>") + WormEntry(u"W", i);
  const auto path = dir.Path() / "teams.man";
  WriteFile(path, body);
  Manager().LoadRoster(platform::FromOsPath(path.string()));
  EXPECT_TRUE(Manager().DroppedOnRead());
  ASSERT_EQ(Manager().Teams().size(), size_t(WormManager::kMaxTeams));
  EXPECT_EQ(Manager().Teams().back()->GetId(), WormManager::kMaxTeams);
  EXPECT_EQ(Manager().FindTeamById(WormManager::kMaxTeams + 1), nullptr);
}

}  // namespace
