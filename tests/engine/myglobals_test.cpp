// The game-wide object: its settings round trip, the music volume, the object lookup and
// collection, the camera job list's busy time, the campaign progress it reads and writes,
// what it makes once the device exists, and the text styles.
#include "engine/myglobals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "battle/camerajob.h"
#include "battle/cameramanager.h"
#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/camerajoblist.h"
#include "engine/kvnode.h"
#include "engine/renderextralookup.h"
#include "objects/objectlist.h"
#include "objects/partikelliste.h"
#include "objects/person.h"
#include "objects/renderextra.h"
#include "objects/wormmanager.h"
#include "platform/text.h"
#include "posteffects/posteffectlibrary.h"
#include "support/engine_run.h"
#include "support/user_folder.h"
#include "world/levelinfo.h"
#include "world/wassermanager.h"
#include "world/welt.h"
#include "world/wind.h"

namespace {

const char16_t* const kHeader = u"<>\n \t<\\>\n";

// A game-wide object on a context of its own, in a fresh per-user folder.
struct Globals {
  explicit Globals(const std::u16string& config = u"") {
    context.title = u"Krumbolt";
    context.configuration =
        config.empty() ? std::make_unique<KVNode>(u"Config") : ParseKVText(kHeader + config);
    globals = std::make_unique<MyGlobals>(&context);
  }
  ~Globals() { globals.reset(); }
  std::filesystem::path UserFile(const char* name) const {
    return std::filesystem::path(platform::U16ToUtf8(context.UserFilePath(platform::Utf8ToU16(name))));
  }

  UserFolder folder;
  APIContext context;
  std::unique_ptr<MyGlobals> globals;
};

std::vector<std::u16string> Texts(const KVNode* node) {
  std::vector<std::u16string> out;
  for (unsigned i = 0; node && i < node->GetValueCount(); ++i) out.push_back(node->GetValue(i)->Text());
  return out;
}

// A timed camera job of `seconds` that counts whether it is the newest or not.
CameraJob Timed(MyGlobals* globals, double seconds) {
  return CameraJob(globals, 0xFFFFFFFF, CameraJob::kTimed, seconds, 0.0, false, -1.0);
}

}  // namespace

TEST(Anwendung, SettingsRoundTripWithTheirDefaults) {
  struct Case {
    std::u16string section;
    std::vector<std::u16string> intro, partikel, volume;
  };
  const Case cases[] = {
      // A fresh start writes every default.
      {u"", {u"1"}, {u"10", u"2000"}, {u"100"}},
      {u"<ANWENDUNG> <\\ANWENDUNG>", {u"1"}, {u"10", u"2000"}, {u"100"}},
      {u"<ANWENDUNG> <INTRO> \"0\" <\\INTRO> <PARTIKEL> \"3\" \"500\" <\\PARTIKEL>"
       u" <MUSIC_VOLUME> \"40\" <\\MUSIC_VOLUME> <\\ANWENDUNG>",
       {u"0"},
       {u"3", u"500"},
       {u"40"}},
      // One "PARTIKEL" value sets only the first setting; a volume out of range is held to
      // 0 ... 100.
      {u"<ANWENDUNG> <PARTIKEL> \"7\" <\\PARTIKEL> <MUSIC_VOLUME> \"150\" <\\MUSIC_VOLUME> <\\ANWENDUNG>",
       {u"1"},
       {u"7", u"2000"},
       {u"100"}},
      {u"<ANWENDUNG> <MUSIC_VOLUME> \"-5\" <\\MUSIC_VOLUME> <INTRO> \"2\" <\\INTRO> <\\ANWENDUNG>",
       {u"1"},
       {u"10", u"2000"},
       {u"0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::U16ToUtf8(c.section));
    Globals g(c.section.empty() ? u"" : u"<Config> " + c.section + u" <\\Config>");
    g.globals->LoadSettings();
    KVNode root(u"Config");
    g.globals->SaveSettings(&root);
    ASSERT_EQ(root.Children().size(), 1u);
    const KVNode& section = *root.Children()[0];
    EXPECT_EQ(section.Name(), u"ANWENDUNG");
    ASSERT_EQ(section.Children().size(), 3u);
    EXPECT_EQ(section.Children()[0]->Name(), u"INTRO");
    EXPECT_EQ(section.Children()[1]->Name(), u"PARTIKEL");
    EXPECT_EQ(section.Children()[2]->Name(), u"MUSIC_VOLUME");
    EXPECT_EQ(Texts(section.Children()[0].get()), c.intro);
    EXPECT_EQ(Texts(section.Children()[1].get()), c.partikel);
    EXPECT_EQ(Texts(section.Children()[2].get()), c.volume);
  }
}

TEST(Anwendung, TheSectionWrittenAtExitIsReadAtTheNextStart) {
  std::unique_ptr<KVNode> written;
  {
    EngineRun run;
    EXPECT_TRUE(run.globals->intro);
    run.globals->intro = false;
    run.globals->earthStep = 4;
    run.globals->SetMusicVolume(55);
    run.context.Shutdown();
    written = LoadKVFile(run.context.UserFilePath(u"config.cfg"));
  }
  ASSERT_NE(written, nullptr);
  EngineRun again(written.get());
  EXPECT_FALSE(again.globals->intro);
  EXPECT_EQ(again.globals->earthStep, 4);
  EXPECT_EQ(again.globals->particleMaximum, 2000);
  EXPECT_EQ(again.globals->GetMusicVolume(), 55);
}

// The player's key configuration is read when the settings load and written back at every
// exit, even unchanged, and a fresh start writes the full configuration.
TEST(KeyConfiguration, ReadAtStartAndWrittenBackAtEveryExit) {
  Globals g;
  const std::filesystem::path file = g.UserFile("keyconfig.cfg");
  g.globals->LoadSettings();
  g.globals.reset();
  auto fresh = LoadKVFile(platform::Utf8ToU16(file.string()));
  ASSERT_NE(fresh, nullptr) << "a fresh start writes the key configuration at exit";
  const KVNode* root = fresh.get();
  EXPECT_GT(root->CountChildren(u"HUMANSTEUERUNG"), 0u);
  EXPECT_GT(root->CountChildren(u"CPUSTEUERUNG"), 0u);

  // A player's own control, read at the next start, comes back unchanged at its exit.
  KVNode mine(u"KEYCONFIG");
  for (const auto& child : root->Children()) mine.AddChild(child->Name());
  KVNode* own = mine.AddChild(u"HUMANSTEUERUNG");
  own->AddChildWith(u"NAME", u"LINKS HAND");
  SaveKVFile(platform::Utf8ToU16(file.string()), mine);
  g.globals = std::make_unique<MyGlobals>(&g.context);
  g.globals->LoadSettings();
  g.globals.reset();

  auto back = LoadKVFile(platform::Utf8ToU16(file.string()));
  ASSERT_NE(back, nullptr);
  bool found = false;
  for (const auto& section : back->Children()) {
    std::u16string name;
    if (section->Name() == u"HUMANSTEUERUNG" && section->Read(u"NAME", name) && name == u"LINKS HAND")
      found = true;
  }
  EXPECT_TRUE(found);
}

TEST(KeyConfiguration, APlayersControlSurvivesARun) {
  // Read at start, written at exit: the player's own control is in the file again.
  Globals g;
  const std::filesystem::path file = g.UserFile("keyconfig.cfg");
  KVNode mine(u"KEYCONFIG");
  mine.AddChild(u"HUMANSTEUERUNG")->AddChildWith(u"NAME", u"LINKS HAND");
  SaveKVFile(platform::Utf8ToU16(file.string()), mine);
  g.globals->LoadSettings();
  g.globals.reset();
  auto after = LoadKVFile(platform::Utf8ToU16(file.string()));
  ASSERT_NE(after, nullptr);
  EXPECT_GE(after->CountChildren(u"HUMANSTEUERUNG"), 1u);
}

TEST(MusicVolume, IsClampedAndBecomesHundredthsOfADecibel) {
  struct Case {
    int volume;
    int stored;
    int32_t mB;
  };
  const Case cases[] = {
      {100, 100, 0},  {50, 50, -602}, {10, 10, -2000}, {1, 1, -4000},
      {0, 0, -10000}, {150, 100, 0},  {-5, 0, -10000}, {99, 99, -8},
  };
  Globals g;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.volume);
    EXPECT_EQ(MyGlobals::MusicAttenuation(c.volume), c.mB);
    g.globals->SetMusicVolume(c.volume);
    EXPECT_EQ(g.globals->GetMusicVolume(), c.stored);
  }
}

TEST(ObjectLookup, ParticlesFirstThenWormsThenPersons) {
  Globals g;
  MyGlobals& globals = *g.globals;
  // Worms stand in as plain objects until they are built.
  struct Body final : Objekt {
    Vector2 position, size, speed;
    Vector2* GetPosition() override { return &position; }
    Vector2* GetSize() override { return &size; }
    Vector2* GetSpeed() override { return &speed; }
  };
  WormManager& worms = *globals.GetWormManager();
  auto addWorm = [&] {
    auto object = std::make_unique<Body>();
    Objekt* raw = object.get();
    worms.AddWorm(std::move(object));
    return raw;
  };
  auto addPerson = [&] {
    auto object = std::make_unique<Person>(nullptr, nullptr, nullptr, nullptr);
    Objekt* raw = object.get();
    worms.AddPerson(std::move(object));
    return raw;
  };
  PartikelListe& particles = *globals.GetPartikelListe();
  PartikelInfo type(nullptr);
  auto addParticle = [&] {
    const Vector2 at(0.0f, 0.0f);
    auto particle = std::make_unique<Partikel>(&type, &at, &at, 0xFFFFFFFF, 0);
    Objekt* raw = particle.get();
    particles.Add(std::move(particle));
    return raw;
  };
  Objekt* worm = addWorm();
  Objekt* particleA = addParticle();
  Objekt* person = addPerson();
  Objekt* particleB = addParticle();
  Body copy;

  const std::pair<uint32_t, Objekt*> cases[] = {
      {particleA->GetId(), particleA}, {particleB->GetId(), particleB}, {worm->GetId(), worm},
      {person->GetId(), person},       {copy.GetId(), nullptr},         {0xFFFFFFFF, nullptr},
  };
  for (const auto& [id, expected] : cases) EXPECT_EQ(globals.FindObject(id), expected) << id;

  // Every particle (from the back), then the living worms of a game: a roster worm outside
  // a game and the other persons are not collected.
  std::vector<Objekt*> all{&copy};
  globals.CollectObjects(all);
  EXPECT_EQ(all, (std::vector<Objekt*>{&copy, particleB, particleA}));
  particles.Clear();
}

TEST(ObjectLookup, ACallAllReversePassMaySeeElementsRemoveThemselves) {
  struct Element {
    ObjectList<Element>* list;
    std::vector<int>* log;
    int tag;
    bool removeSelf;
    void Update(int argument) {
      log->push_back(tag * 10 + argument);
      if (removeSelf) list->erase(std::find(list->begin(), list->end(), this));
    }
  };
  ObjectList<Element> list;
  std::vector<int> log;
  Element a{&list, &log, 1, false}, b{&list, &log, 2, true}, c{&list, &log, 3, true},
      d{&list, &log, 4, false};
  list.assign({&a, &b, &c, &d});
  list.CallAllReverse(5);
  EXPECT_EQ(log, (std::vector<int>{45, 35, 25, 15}));
  EXPECT_EQ(list, (std::vector<Element*>{&a, &d}));
}

TEST(CameraJobs, TheBusyTimeIsHeldWhileJobsRunAndSetWhenTheLastEnds) {
  EngineRun run;
  MyGlobals& globals = *run.globals;
  CameraJobList& jobs = *globals.GetCameraJobs();
  run.context.timer->gameStep = 0.25;

  // An empty list that was empty leaves the busy time alone.
  globals.busyTime = 0.5;
  jobs.Update();
  EXPECT_EQ(globals.busyTime, 0.5);

  globals.busyTime = 0.0;
  jobs.Add(Timed(&globals, 0.5));
  EXPECT_EQ(globals.busyTime, 2.0);
  globals.busyTime = 0.0;
  jobs.Update();  // 0.25 left
  EXPECT_EQ(jobs.Jobs().size(), 1u);
  EXPECT_EQ(globals.busyTime, 2.0);
  globals.busyTime = 0.0;
  jobs.Update();  // 0 left: finished, and the list has just become empty
  EXPECT_TRUE(jobs.Jobs().empty());
  EXPECT_EQ(globals.busyTime, 2.0);
  globals.busyTime = 1.0;
  jobs.Update();
  EXPECT_EQ(globals.busyTime, 1.0);

  // A job that counts only while it is the newest waits behind a newer one.
  jobs.Add(CameraJob(&globals, 0xFFFFFFFF, CameraJob::kTimed, 0.25, 0.0, true, -1.0));
  jobs.Add(Timed(&globals, 0.5));
  jobs.Update();
  ASSERT_EQ(jobs.Jobs().size(), 2u);
  EXPECT_EQ(jobs.Jobs()[0].GetTime(), 0.25);
  EXPECT_EQ(jobs.Jobs()[1].GetTime(), 0.25);
  // Once the newer one has ended in the pass, the older one is the newest and runs down.
  jobs.Update();
  EXPECT_TRUE(jobs.Jobs().empty());
}

TEST(CameraJobs, EachKindEndsByItsOwnRule) {
  Globals g;
  MyGlobals* globals = g.globals.get();
  const Vector2 at(0.0f, 0.0f);
  auto object = std::make_unique<Partikel>(nullptr, &at, &at, 0xFFFFFFFF, 0);
  const uint32_t id = object->GetId();
  g.globals->GetPartikelListe()->Add(std::move(object));
  const uint32_t gone = id + 1000;

  struct Case {
    const char* what;
    uint32_t objectId;
    uint32_t flags;
    double time, hold;
    int stepsUntilFinished;  // of 0.1 s; -1: not within ten
  };
  const Case cases[] = {
      {"never", gone, CameraJob::kNeverExpires | CameraJob::kTimed, 0.0, 0.0, -1},
      {"timed", gone, CameraJob::kTimed, 0.3, 0.0, 3},
      {"follows a living object", id, CameraJob::kFollows, 0.0, 0.0, -1},
      {"follows a gone object, holding", gone, CameraJob::kFollows, 0.0, 0.25, 3},
      {"follows a gone object", gone, CameraJob::kFollows, 0.0, 0.0, 1},
      {"timed and following", id, CameraJob::kTimed | CameraJob::kFollows, 0.2, 5.0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CameraJob job(globals, c.objectId, c.flags, c.time, c.hold, false, -1.0);
    int steps = 1;
    while (steps <= 10 && !job.Update(0.1, true)) ++steps;
    EXPECT_EQ(steps <= 10 ? steps : -1, c.stepsUntilFinished);
  }
}

TEST(CampaignProgress, IsReadWhenMadeAndWrittenWholeWhenGone) {
  UserFolder folder;
  APIContext context;
  context.title = u"Krumbolt";
  const std::u16string path = context.UserFilePath(u"data.lck");
  // A first run without the file leaves an "UNLOCK" root with no values.
  std::make_unique<MyGlobals>(&context).reset();
  auto written = LoadKVFile(path);
  ASSERT_NE(written, nullptr);
  EXPECT_EQ(written->Name(), u"UNLOCK");
  EXPECT_EQ(written->GetValueCount(), 0u);

  KVNode progress(u"UNLOCK");
  for (const char16_t* key : {u"LEVEL_2", u"", u"Level_3", u"LEVEL_2"})
    progress.InsertValue(std::make_unique<KVValue>(key));
  ASSERT_TRUE(SaveKVFile(path, progress));
  {
    MyGlobals globals(&context);
    EXPECT_EQ(globals.GetUnlocks().GetKeys(),
              (std::vector<std::u16string>{u"LEVEL_2", u"", u"Level_3", u"LEVEL_2"}));
  }
  EXPECT_EQ(Texts(LoadKVFile(path).get()),
            (std::vector<std::u16string>{u"LEVEL_2", u"", u"Level_3", u"LEVEL_2"}));
}

TEST(CampaignProgress, AFileThatCannotBeReadWholeIsNeverReplaced) {
  struct Case {
    const char* what;
    std::string bytes;  // empty: a folder stands there instead
  };
  const Case cases[] = {
      {"a folder", ""},
      {"no header line", "<UNLOCK> \"LEVEL_2\" <\\UNLOCK>"},
      {"another encoding", std::string("\xFE\xFF\0<\0>\0\n\0 \0\t\0<\0\\\0>", 18)},
      {"random bytes", std::string("\x13\x9a\xfe\x00\x7f\x80 <> \x01\x02 garbage", 20)},
      {"too large", "<>\n \t<\\>\n<UNLOCK> \"LEVEL_2\" <\\UNLOCK>" + std::string(5 << 20, ' ')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    UserFolder folder;
    APIContext context;
    context.title = u"Krumbolt";
    const std::filesystem::path path(platform::U16ToUtf8(context.UserFilePath(u"data.lck")));
    if (c.bytes.empty())
      std::filesystem::create_directories(path / "inside");
    else
      std::ofstream(path, std::ios::binary) << c.bytes;
    testing::internal::CaptureStderr();
    {
      MyGlobals globals(&context);
      EXPECT_TRUE(globals.GetUnlocks().GetKeys().empty());
    }
    const std::string said = testing::internal::GetCapturedStderr();
    // Nothing was earned, so the file stays exactly as it was, and the player hears why.
    if (c.bytes.empty()) {
      EXPECT_TRUE(std::filesystem::is_directory(path / "inside"));
    } else {
      std::ifstream in(path, std::ios::binary);
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), c.bytes);
    }
    EXPECT_NE(said.find(path.string()), std::string::npos) << said;
  }
}

TEST(GameWideObject, TheDeviceBringsPostEffectsCameraAndCentredMouse) {
  Globals plain;
  EXPECT_EQ(plain.globals->GetPostEffects(), nullptr);
  EXPECT_EQ(plain.globals->GetCamera(), nullptr);
  EXPECT_EQ(plain.globals->GetSteuerungListe(), nullptr);
  EXPECT_EQ(plain.globals->GetCameraJobs(), nullptr);
  EXPECT_NE(plain.globals->GetWelt(), nullptr);
  // The render extras answer the layers' colour questions while the object lives.
  const RenderExtraLookup* installed = plain.globals->GetRenderExtras();
  EXPECT_EQ(&RenderExtraLookup::Current(), installed);
  plain.globals.reset();
  EXPECT_NE(&RenderExtraLookup::Current(), installed);

  EngineRun run;
  MyGlobals& globals = *run.globals;
  EXPECT_NE(globals.GetPostEffects(), nullptr);
  EXPECT_NE(globals.GetCamera(), nullptr);
  EXPECT_NE(globals.GetSteuerungListe(), nullptr);
  EXPECT_EQ(globals.GetAnimationManager()->GetGraphics(), run.graphics.get());
  const InputState* state = run.input->GetInputState();
  EXPECT_EQ(state->mouseX, 640);
  EXPECT_EQ(state->mouseY, 512);

  // The water and the wind read the world's rectangle.
  EXPECT_EQ(globals.GetWasserManager()->GetSources().world, globals.GetWelt());
  EXPECT_EQ(globals.GetWasserManager()->GetSources().renderExtras, globals.GetRenderExtras());
  EXPECT_EQ(globals.GetWindManager()->GetSources().world, globals.GetWelt());

  // A new world replaces the old one, and the water and the wind follow it; its searches
  // keep away from the game's water (with no body active, the surface is the water's base
  // line, not the world's bottom edge). No world leaves an empty one.
  Rect r{0, 0, 10, 10};
  auto world = std::make_unique<Welt>(&r);
  world->Setup(LevelInfo(nullptr, LevelSources{}), &run.context);
  world->SetWorldRect(r);
  EXPECT_EQ(world->WaterSurfaceY(), globals.GetWasserManager()->GetSurfaceY());
  EXPECT_NE(world->WaterSurfaceY(), 10.0);
  Welt* raw = world.get();
  globals.SetWelt(std::move(world));
  EXPECT_EQ(globals.GetWelt(), raw);
  EXPECT_EQ(globals.GetWasserManager()->GetSources().world, raw);
  EXPECT_EQ(globals.GetWindManager()->GetSources().world, raw);
  globals.SetWelt(nullptr);
  ASSERT_NE(globals.GetWelt(), nullptr);
  EXPECT_EQ(globals.GetWelt()->GetWorldRect(), Rect{});
}

TEST(TextStyles, LerpBlendsEveryValueAndSwitchesFlagsAtTheMiddle) {
  Globals g;
  const TextStyle& a = g.globals->textStyles[0];
  const TextStyle& b = g.globals->textStyles[2];
  EXPECT_EQ(TextStyle::Lerp(a, b, 0.0f), a);
  EXPECT_EQ(TextStyle::Lerp(a, b, 1.0f), b);

  struct Case {
    float t;
    bool flagsOfB;
  };
  for (const Case& c : {Case{0.25f, false}, Case{0.4999f, false}, Case{0.5f, true}, Case{0.75f, true}}) {
    SCOPED_TRACE(c.t);
    const TextStyle mid = TextStyle::Lerp(a, b, c.t);
    const TextStyle& flags = c.flagsOfB ? b : a;
    EXPECT_EQ(mid.flags[0], flags.flags[0]);
    EXPECT_EQ(mid.flags[1], flags.flags[1]);
    EXPECT_FLOAT_EQ(mid.colour.r, a.colour.r + (b.colour.r - a.colour.r) * c.t);
    EXPECT_FLOAT_EQ(mid.secondColour.a, a.secondColour.a + (b.secondColour.a - a.secondColour.a) * c.t);
    EXPECT_FLOAT_EQ(mid.parameters[1], 15.0f - 5.0f * c.t);
    EXPECT_FLOAT_EQ(mid.offset.x, 2.0f);
  }

  // Modulate tints both colours and nothing else.
  const TextStyle tinted = TextStyle::Modulate(b, 0x80FF0000);
  EXPECT_FLOAT_EQ(tinted.colour.r, 1.0f);
  EXPECT_FLOAT_EQ(tinted.colour.g, 0.0f);
  EXPECT_FLOAT_EQ(tinted.colour.a, 128 * 0.003921569f);
  EXPECT_FLOAT_EQ(tinted.secondColour.a, b.secondColour.a * 128 * 0.003921569f);
  EXPECT_EQ(tinted.parameters[1], b.parameters[1]);
  EXPECT_EQ(tinted.flags[1], b.flags[1]);
  EXPECT_EQ(TextStyle::Modulate(b, 0xFFFFFFFF).colour, b.colour);
}
