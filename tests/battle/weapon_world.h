// A small battle for the tool and close-combat weapon tests: the game-wide object on a 400 x
// 200 ASCII-art world (ground from row 150, a wall from column 300), the frame timer at
// 0.01 s, a team of real worms, a fixed seed, and events recorded ("Boom" kills its target
// as an explosion would).
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "battle/waffe.h"
#include "battle/waffenset.h"
#include "battle/waffenteams.h"
#include "engine/apicontext.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "engine/sprache.h"
#include "objects/mannschaft.h"
#include "objects/partikel.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/simservices.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/random.h"
#include "support/kv_fixture.h"
#include "support/temp_dir.h"
#include "support/user_folder.h"
#include "world/terrain_art.h"
#include "world/welt.h"

namespace weapon_test {

struct EventLog final : EventRunner {
  struct Entry {
    std::u16string name;
    uint32_t id;
    Vector2 at;
    int frame;
  };
  std::vector<Entry> runs;
  int frame = 0;
  void Run(const std::u16string& name, Objekt& target) override {
    runs.push_back({name, target.GetId(), *target.GetPosition(), frame});
    if (name == u"Boom") target.Kill(nullptr, 0);
  }
  std::vector<Entry> Named(const std::u16string& name) const {
    std::vector<Entry> out;
    for (const Entry& e : runs)
      if (e.name == name) out.push_back(e);
    return out;
  }
};

// 400 x 200: ground from row 150 down, a wall from column 300 on.
inline std::vector<std::string> GroundAndWall() {
  std::vector<std::string> art;
  for (int y = 0; y < 200; ++y) {
    std::string row(400, y >= 150 ? '#' : '.');
    for (int x = 300; x < 400; ++x) row[size_t(x)] = '#';
    art.push_back(row);
  }
  return art;
}

class WeaponWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    context.title = u"Krumbolt";
    context.configuration = std::make_unique<KVNode>(u"Config");
    context.timer = std::make_unique<FrameTimer>();
    context.timer->gameStep = context.timer->realStep = 0.01;
    context.language = std::make_unique<Sprache>(nullptr);
    {
      std::ofstream out(dir.Path() / "texte.lng", std::ios::binary);
      out << "<>\n \t<\\>\n<SPRACHDATEI><SPRACHEN> \"DEUTSCH\" \"ENGLISCH\" <\\SPRACHEN><TEXTE>";
      for (const char* key : {"W", "TELEPORTER_REST", "TELEPORTER_CANCEL", "TELEPORTER_START", "RUNDEN",
                              "SCHILD_BESCHREIBUNG", "Laeufer_START", "Laeufer_BESCHREIBUNG"})
        out << "<" << key << "> \"-\" \"" << key << "\" <\\" << key << ">";
      out << "<\\TEXTE><\\SPRACHDATEI>";
    }
    context.language->LoadFile(dir.File("texte.lng"));
    globals = std::make_unique<MyGlobals>(&context);
    globals->LoadSettings();
    // The camera and the effect library, without a device.
    globals->CreateDeviceObjects();
    SetWorld(GroundAndWall());
    globals->GetSimServices().events = &log;
    WaffenTeams::Install(globals->GetWormManager());
    auto team = std::make_unique<Mannschaft>();
    team->SetId(1);
    own = globals->GetWormManager()->AddTeam(std::move(team));
    auto other = std::make_unique<Mannschaft>();
    other->SetId(2);
    enemy = globals->GetWormManager()->AddTeam(std::move(other));
    globals->GetWormManager()->AddTeamToGame(own);
    globals->GetWormManager()->AddTeamToGame(enemy);
    wormType = std::make_unique<PartikelInfo>(
        ParseBody(u"<NAME> \"WormBody\" <\\NAME> <COLLISION_EBENE> \"1\" <\\COLLISION_EBENE>"
                  u"<REIBUNG_COLLISION> \"1\" \"0\" <\\REIBUNG_COLLISION>",
                  u"PARTIKEL_INFO")
            .get());
    shooter = AddWorm({50.0f, 149.0f}, own);
    platform::SRand(7);
  }
  void TearDown() override {
    weapon.reset();
    globals->GetPartikelListe()->Clear();
    WaffenTeams::Install(nullptr);
    globals.reset();
  }

  void SetWorld(const std::vector<std::string>& art) {
    auto land = terrain_test::ArtStore(art);
    const Rect r = land->GetRect();
    auto world = std::make_unique<Welt>(&r);
    world->SetGameLayers(std::move(land), 0, 0.0f, 0.0f, 0xFFFFFFFF);
    globals->SetWelt(std::move(world));
  }
  // A worm of the default properties (radius 25, centre 25 above the feet) with its feet at
  // `at`, taking part in the game.
  Worm* AddWorm(Vector2 at, Mannschaft* team) {
    auto worm = std::make_unique<Worm>(wormType.get(), nullptr, globals.get());
    *worm->GetPosition() = at;
    worm->SetWorld(globals->GetWelt());
    worm->SetTeam(team);
    Worm* raw = worm.get();
    globals->GetWormManager()->AddWorm(std::move(worm));
    team->AddWormToPlayOrder(raw, globals->GetWelt(), &at);
    *raw->GetPosition() = at;
    return raw;
  }
  const PartikelInfo* Type(std::u16string_view keys) {
    auto root = ParseBody(std::u16string(u"<PARTIKEL_INFO>") + std::u16string(keys) + u"<\\PARTIKEL_INFO>");
    globals->GetPartikelListe()->AddInfo(std::make_unique<PartikelInfo>(root->GetChild(0, u"PARTIKEL_INFO")));
    return globals->GetPartikelListe()->FindInfo(root->GetChild(0, u"PARTIKEL_INFO")
                                                     ->GetChild(0, u"NAME")
                                                     ->GetValue(0)
                                                     ->Text());
  }
  template <class W>
  W& Make(const char16_t* keyword, std::u16string_view keys) {
    auto root = ParseBody(keys, keyword);
    weapon = WaffenSet::Create(keyword, root.get(), globals.get(), &context);
    weapon->AddTeamRecord(own);
    active = weapon.get();
    W* typed = dynamic_cast<W*>(weapon.get());
    EXPECT_NE(typed, nullptr);
    return *typed;
  }
  // The same, kept by the game's weapon set (as the game keeps its weapons).
  template <class W>
  W& MakeInSet(const char16_t* keyword, std::u16string_view keys) {
    auto root = ParseBody(std::u16string(u"<") + keyword + u">" + std::u16string(keys) + u"<\\" + keyword + u">");
    WaffenSet& set = *globals->GetWaffenSet();
    set.Load(root.get());
    active = set.Weapons().back();
    active->AddTeamRecord(own);
    W* typed = dynamic_cast<W*>(active);
    EXPECT_NE(typed, nullptr);
    return *typed;
  }
  int32_t Fire(Vector2 at, Vector2 direction, Vector2 target = {0.0f, 0.0f}, double strength = 1.0) {
    return active->Fire(*shooter, at, direction, strength, target);
  }
  // One battle frame, in the level's order: the weapons, the particles, the force fields.
  void Frame() {
    ++log.frame;
    active->Update(0.01);
    globals->GetPartikelListe()->Update();
  }
  void Frames(int n) {
    for (int i = 0; i < n; ++i) Frame();
  }
  size_t Particles() const { return globals->GetPartikelListe()->MainList().size(); }

  UserFolder folder;
  TempDir dir;
  APIContext context;
  std::unique_ptr<MyGlobals> globals;
  EventLog log;
  Mannschaft* own = nullptr;
  Mannschaft* enemy = nullptr;
  std::unique_ptr<PartikelInfo> wormType;
  Worm* shooter = nullptr;
  std::unique_ptr<Waffe> weapon;
  // The weapon the test fires and steps.
  Waffe* active = nullptr;
};

}  // namespace weapon_test
