// The control list: the built-in set, the key configuration read in layers (the player's
// file over the archive's defaults over the built-in set), damaged files, the write at exit,
// and the shipped default configuration.
#include "battle/steuerungliste.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "battle/cpusteuerung.h"
#include "battle/humansteuerung.h"
#include "engine/apicontext.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "platform/text.h"
#include "support/kv_fixture.h"
#include "support/user_folder.h"

namespace {

HumanSteuerung* Human(const SteuerungListe& list, std::u16string_view name) {
  return dynamic_cast<HumanSteuerung*>(list.FindByName(name));
}
CPUSteuerung* Cpu(const SteuerungListe& list, std::u16string_view name) {
  return dynamic_cast<CPUSteuerung*>(list.FindByName(name));
}
std::vector<std::u16string> Names(const SteuerungListe& list) {
  std::vector<std::u16string> out;
  for (const auto& c : list.Controls()) out.push_back(c->GetName());
  return out;
}

// A game-wide object on a context of its own, in a fresh per-user folder.
struct Globals {
  Globals() {
    context.title = u"Krumbolt";
    context.configuration = std::make_unique<KVNode>(u"Config");
  }
  std::filesystem::path KeyConfig() const {
    return std::filesystem::path(platform::U16ToUtf8(context.UserFilePath(u"keyconfig.cfg")));
  }
  void WriteKeyConfig(const std::string& bytes) const {
    std::ofstream(KeyConfig(), std::ios::binary) << bytes;
  }
  // Starts the game-wide object and loads its settings (and so the key configuration).
  MyGlobals& Start() {
    globals = std::make_unique<MyGlobals>(&context);
    globals->LoadSettings();
    return *globals;
  }

  UserFolder folder;
  APIContext context;
  std::unique_ptr<MyGlobals> globals;
};

}  // namespace

TEST(SteuerungListe, BuiltInSetAndLookupByExactName) {
  SteuerungListe list(nullptr);
  EXPECT_EQ(Names(list),
            (std::vector<std::u16string>{u"DEFAULT", u"CPU_LEICHT", u"CPU_MITTEL", u"CPU_SCHWER"}));
  ASSERT_NE(Human(list, u"DEFAULT"), nullptr);
  EXPECT_EQ(list.GetActive(), list.FindByName(u"DEFAULT"));
  EXPECT_NE(Cpu(list, u"CPU_SCHWER"), nullptr);
  EXPECT_EQ(list.FindByName(u"default"), nullptr);
  EXPECT_EQ(list.FindByName(u"NOBODY"), nullptr);
  EXPECT_EQ(Cpu(list, u"CPU_LEICHT")->movement, 1.0);
  EXPECT_EQ(Human(list, u"DEFAULT")->Binding(Aktion::kCameraDrag).mouseButtons, (std::vector<int32_t>{2}));
}

TEST(SteuerungListe, PlayersFileOverDefaultsOverBuiltIn) {
  SteuerungListe list(nullptr);
  Steuerung* const human = list.FindByName(u"DEFAULT");
  // The defaults move fire to Return and make the middle opponent walk less.
  list.ReadKeyconfig(
      ParseBody(u"<HUMANSTEUERUNG> <NAME> \"DEFAULT\" <\\NAME>"
                u"<TASTE> <STEUERUNG> \"4\" <\\STEUERUNG> <KEYS> \"28\" <\\KEYS> <\\TASTE>"
                u"<\\HUMANSTEUERUNG>"
                u"<CPUSTEUERUNG> <NAME> \"CPU_MITTEL\" <\\NAME> <BEWEGUNG> \"0.5\" <\\BEWEGUNG>"
                u"<\\CPUSTEUERUNG>",
                u"Keyconfig")
          .get());
  // The player's file: walking left on K only, a second player, a cut-off opponent block,
  // and an opponent of a name only the player has.
  list.ReadKeyconfig(
      ParseBody(u"<HUMANSTEUERUNG> <NAME> \"DEFAULT\" <\\NAME>"
                u"<TASTE> <STEUERUNG> \"0\" <\\STEUERUNG> <KEYS> \"37\" <\\KEYS> <\\TASTE>"
                u"<\\HUMANSTEUERUNG>"
                u"<HUMANSTEUERUNG> <NAME> \"ZWEI\" <\\NAME> <\\HUMANSTEUERUNG>"
                u"<CPUSTEUERUNG> <NAME> \"CPU_MITTEL\" <\\NAME> <PAUSE> \"9\" <\\PAUSE> <\\CPUSTEUERUNG>"
                u"<CPUSTEUERUNG> <NAME> \"CPU_EIGEN\" <\\NAME> <\\CPUSTEUERUNG>",
                u"Keyconfig")
          .get());
  EXPECT_EQ(Names(list), (std::vector<std::u16string>{u"DEFAULT", u"CPU_LEICHT", u"CPU_MITTEL", u"CPU_SCHWER",
                                                      u"ZWEI", u"CPU_EIGEN"}));
  // The control keeps its identity, so whoever holds it sees the new bindings.
  EXPECT_EQ(list.FindByName(u"DEFAULT"), human);
  EXPECT_EQ(list.GetActive(), human);
  const HumanSteuerung* h = Human(list, u"DEFAULT");
  EXPECT_EQ(h->Binding(Aktion::kLeft).keys, (std::vector<uint8_t>{37}));
  EXPECT_EQ(h->Binding(Aktion::kFire).keys, (std::vector<uint8_t>{28}));
  EXPECT_EQ(h->Binding(Aktion::kRight).keys, (std::vector<uint8_t>{205, 32}));
  EXPECT_EQ(Human(list, u"ZWEI")->Binding(Aktion::kFire).keys, (std::vector<uint8_t>{57}));
  const CPUSteuerung* mittel = Cpu(list, u"CPU_MITTEL");
  EXPECT_EQ(mittel->movement, 0.5);
  EXPECT_EQ(mittel->pause, (std::array<double, 2>{9.0, 3.0}));
  EXPECT_NE(Cpu(list, u"CPU_EIGEN"), nullptr);

  // A block of the other kind replaces the control of that name in its place.
  list.ReadKeyconfig(ParseBody(u"<CPUSTEUERUNG> <NAME> \"ZWEI\" <\\NAME> <\\CPUSTEUERUNG>", u"K").get());
  EXPECT_NE(Cpu(list, u"ZWEI"), nullptr);
  EXPECT_EQ(Names(list)[4], u"ZWEI");

  // No document, or one without controls, changes nothing.
  list.ReadKeyconfig(nullptr);
  list.ReadKeyconfig(ParseBody(u"<SOMETHING> \"1\" <\\SOMETHING>").get());
  EXPECT_EQ(list.Controls().size(), 6u);
}

TEST(SteuerungListe, WrittenConfigurationReadsBackTheSame) {
  SteuerungListe list(nullptr);
  Human(list, u"DEFAULT")->Binding(Aktion::kJump).joyButtons = {{0, 1}};
  Cpu(list, u"CPU_LEICHT")->weapons = {u"Bazooka"};
  KVNode root(u"Keyconfig");
  list.WriteKeyconfig(&root);
  ASSERT_EQ(root.Children().size(), 4u);
  EXPECT_EQ(root.Children()[0]->Name(), u"HUMANSTEUERUNG");
  EXPECT_EQ(root.Children()[0]->CountChildren(u"TASTE"), 25u);
  EXPECT_EQ(root.Children()[3]->Name(), u"CPUSTEUERUNG");

  SteuerungListe back(nullptr);
  back.ReadKeyconfig(ParseKVText(WriteKVText(root)).get());
  KVNode again(u"Keyconfig");
  back.WriteKeyconfig(&again);
  EXPECT_EQ(WriteKVText(again), WriteKVText(root));
}

TEST(SteuerungListe, WrittenOnceAtExitAndReadAtStart) {
  Globals g;
  {
    MyGlobals& globals = g.Start();
    Human(*globals.GetSteuerungListe(), u"DEFAULT")->Binding(Aktion::kFire).keys = {29};
    g.globals.reset();
  }
  ASSERT_TRUE(std::filesystem::exists(g.KeyConfig()));
  std::ifstream in(g.KeyConfig(), std::ios::binary);
  char bom[2] = {};
  in.read(bom, 2);
  EXPECT_EQ(uint8_t(bom[0]), 0xFF);
  EXPECT_EQ(uint8_t(bom[1]), 0xFE);
  auto file = LoadKVFile(platform::Utf8ToU16(g.KeyConfig().string()));
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Name(), u"Keyconfig");
  // No temporary file is left beside it.
  size_t entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(g.KeyConfig().parent_path()))
    entries += e.path().filename().string().rfind("keyconfig", 0) == 0;
  EXPECT_EQ(entries, 1u);

  MyGlobals& again = g.Start();
  EXPECT_EQ(Human(*again.GetSteuerungListe(), u"DEFAULT")->Binding(Aktion::kFire).keys,
            (std::vector<uint8_t>{29}));
}

TEST(SteuerungListe, DamagedPlayersFileFallsBackForWhatItLost) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  const std::string whole =
      "<>\n \t<\\>\n<Keyconfig>\n<HUMANSTEUERUNG> <NAME> \"DEFAULT\" <\\NAME>\n"
      "<TASTE> <STEUERUNG> \"0\" <\\STEUERUNG> <KEYS> \"37\" <\\KEYS> <\\TASTE>\n"
      "<TASTE> <STEUERUNG> \"1\" <\\STEUERUNG> <KEYS> \"38\" <\\KEYS> <\\TASTE>\n"
      "<\\HUMANSTEUERUNG>\n<\\Keyconfig>\n";
  std::string binary;
  for (int i = 0; i < 600; ++i) binary.push_back(char((i * 37 + 11) & 0xFF));
  const Case cases[] = {
      {"cut inside the second block", whole.substr(0, whole.find("\"38\""))},
      {"binary", binary},
      {"empty", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Globals g;
    g.WriteKeyConfig(c.bytes);
    MyGlobals& globals = g.Start();
    const SteuerungListe& list = *globals.GetSteuerungListe();
    ASSERT_NE(list.GetActive(), nullptr);
    const HumanSteuerung* h = Human(list, u"DEFAULT");
    ASSERT_NE(h, nullptr);
    if (c.bytes == cases[0].bytes) {
      EXPECT_EQ(h->Binding(Aktion::kLeft).keys, (std::vector<uint8_t>{37}));
    }
    EXPECT_EQ(h->Binding(Aktion::kFire).keys, (std::vector<uint8_t>{57}));
    EXPECT_NE(Cpu(list, u"CPU_SCHWER"), nullptr);
    // At exit the damaged file gives way to a sound one.
    g.globals.reset();
    auto file = LoadKVFile(platform::Utf8ToU16(g.KeyConfig().string()));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->CountChildren(u"CPUSTEUERUNG"), 3u);
  }
}

TEST(SteuerungListe, AFileThatCannotBeWrittenKeepsTheOldOne) {
  UserFolder folder;
  APIContext context;
  context.title = u"Krumbolt";
  const std::filesystem::path target(platform::U16ToUtf8(context.UserFilePath(u"keyconfig.cfg")));
  // A folder where the file should be: no rename can replace it.
  std::filesystem::create_directories(target / "keep");
  SteuerungListe list(nullptr);
  EXPECT_FALSE(list.SaveKeyconfig(platform::Utf8ToU16(target.string())));
  EXPECT_TRUE(std::filesystem::is_directory(target / "keep"));
}

TEST(SteuerungListe, ShippedDefaultsBindEveryActionAndTheThreeOpponents) {
  const char* env = std::getenv("KRUMBOLT_GOB");
  auto archive = DataArchive::Open(platform::Utf8ToU16(env ? env : KRUMBOLT_BINARY_DIR "/krumbolt.gob"));
  ASSERT_TRUE(archive) << "the content archive is built with the tests";
  auto document = LoadKVFromArchive(SteuerungListe::kDefaultFile, archive.get());
  ASSERT_NE(document, nullptr);
  const KVNode* human = document->GetChild(0, u"HUMANSTEUERUNG");
  ASSERT_NE(human, nullptr);
  EXPECT_EQ(human->CountChildren(u"TASTE"), 25u);
  EXPECT_EQ(document->CountChildren(u"CPUSTEUERUNG"), 3u);

  SteuerungListe list(archive.get());
  EXPECT_EQ(Names(list),
            (std::vector<std::u16string>{u"DEFAULT", u"CPU_LEICHT", u"CPU_MITTEL", u"CPU_SCHWER"}));
  // The keyboard and mouse bindings are the built-in ones; the gamepad is added.
  const HumanSteuerung* shipped = Human(list, u"DEFAULT");
  HumanSteuerung builtIn;
  for (int a = 0; a < Aktion::kCount; ++a) {
    SCOPED_TRACE(a);
    const KeyBinding& b = shipped->Binding(a);
    EXPECT_EQ(b.keys, builtIn.Binding(a).keys);
    EXPECT_EQ(b.mouseButtons, builtIn.Binding(a).mouseButtons);
    EXPECT_TRUE(b.mouseAxes.empty());
  }
  EXPECT_EQ(shipped->Binding(Aktion::kLeft).joyAxes, (std::vector<KeyBinding::JoyInput>{{0, 1}}));
  EXPECT_EQ(shipped->Binding(Aktion::kFire).joyButtons, (std::vector<KeyBinding::JoyInput>{{0, 0}}));
  // Each opponent steps its angles forward and pauses no longer than it may.
  for (const char16_t* name : {u"CPU_LEICHT", u"CPU_MITTEL", u"CPU_SCHWER"}) {
    const CPUSteuerung* cpu = Cpu(list, name);
    ASSERT_NE(cpu, nullptr);
    EXPECT_FALSE(cpu->weapons.empty());
    EXPECT_GT(cpu->angles[2], 0.0);
    EXPECT_LT(cpu->angles[0], cpu->angles[1]);
    EXPECT_GT(cpu->angles[0], -90.0);
    EXPECT_LE(cpu->pause[0], cpu->pause[1]);
  }
  EXPECT_GT(Cpu(list, u"CPU_LEICHT")->angles[2], Cpu(list, u"CPU_SCHWER")->angles[2]);
}
