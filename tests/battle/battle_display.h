// The battle's display on the null graphics device: the engine started as the shell starts
// it, the game's language, animations, particle types, roster templates and weapons loaded
// from the content archive, and a game of teams whose worms stand in a flat world, with a
// stand-in for the battle that says which worm is active and how long the turn has left.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "battle/levelhud.h"
#include "battle/waffe.h"
#include "battle/waffenset.h"
#include "battle/waffenteams.h"
#include "engine/animationmanager.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/sprache.h"
#include "objects/mannschaft.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "support/engine_run.h"
#include "world/landschaft.h"
#include "world/welt.h"

namespace display_test {

struct StandInBattle final : HudHost {
  Worm* worm = nullptr;
  double timeLeft = 37.8;
  bool started = true;
  bool running = true;
  int pauses = 0;
  int helps = 0;
  Worm* GetActiveWorm() const override { return worm; }
  double GetTurnTimeLeft() const override { return timeLeft; }
  bool IsRoundStarted() const override { return started; }
  bool IsRunning() const override { return running; }
  void OpenPauseScreen() override { ++pauses; }
  void OpenHelpScreen() override { ++helps; }
};

// Counts the mouse events the display passes on.
struct CameraSpy final : MyControl {
  int moves = 0, leftDowns = 0, leftUps = 0, rightDowns = 0, wheels = 0;
  void OnMouseMove(const InputState*) override { ++moves; }
  void OnLeftButtonDown(const InputState*) override { ++leftDowns; }
  void OnLeftButtonUp(const InputState*) override { ++leftUps; }
  void OnRightButtonDown(const InputState*) override { ++rightDowns; }
  void OnMouseWheel(const InputState*) override { ++wheels; }
  int Total() const { return moves + leftDowns + leftUps + rightDowns + wheels; }
};

inline InputState MouseAt(int32_t x, int32_t y) {
  InputState state;
  state.mouseX = x;
  state.mouseY = y;
  return state;
}

inline InputState MouseOn(const GUIElement* e) {
  return MouseAt(e->GetRect().x + e->GetRect().width / 2, e->GetRect().y + e->GetRect().height / 2);
}

// The game's content and a game of teams, on a started engine.
struct BattleSetup {
  // Loads the language (English), animations, particle types, roster and weapons, and makes
  // a flat world 1600 x 900 with ground from row 560.
  void Load(APIContext& context, MyGlobals* game) {
    globals = game;
    const DataArchive* archive = globals->GetArchive();
    ASSERT_NE(archive, nullptr) << "the content archive is built with the tests";
    context.language->LoadArchiveFile(u"sprache.lng", archive);
    context.language->SetLanguage(u"ENGLISCH");
    AnimationManager* animations = globals->GetAnimationManager();
    animations->LoadFile(LoadKVFromArchive(u"animationen.ani", archive).get(), archive);
    PartikelInfo::LoadAll(LoadKVFromArchive(u"partikel.prt", archive).get(), *globals->GetPartikelListe(),
                          animations);
    globals->GetWormManager()->Load(LoadKVFromArchive(u"worms_default.wrm", archive).get());
    WaffenTeams::Install(globals->GetWormManager());
    globals->GetWaffenSet()->Load(LoadKVFromArchive(u"waffen.waf", archive).get());
    // Earth with a grassy top, drawn from the graphics manager's textures.
    auto land = std::make_unique<Landschaft>(Rect{0, 0, 1600, 900});
    land->SetGraphics(context.graphics);
    land->CreateTiles();
    for (int32_t y = 560; y < 900; ++y)
      for (int32_t x = 0; x < 1600; ++x)
        *land->LockedPixel(x, y) = y < 566 ? 0xFF4FA83A : ((x / 7 + y / 5) % 3 ? 0xFF8B5A2B : 0xFF7A4E24);
    land->UnlockAll();
    const Rect r = land->GetRect();
    auto world = std::make_unique<Welt>(&r);
    world->SetGameLayers(std::move(land), 0, 0.0f, 0.0f, 0xFFFFFFFF);
    globals->SetWelt(std::move(world));
  }

  // n teams of `worms` worms each, in play, with full ammunition; the first team's first
  // worm is active. Controls by team: the keyboard, the easy and the hard computer, and a
  // computer of another name.
  void Play(int n, int worms = 2) {
    WormManager* manager = globals->GetWormManager();
    static const char16_t* const kControls[] = {u"DEFAULT", u"CPU_LEICHT", u"CPU_SCHWER", u"CPU_ANDERS"};
    manager->ClearSelection();
    for (int i = 0; i < n; ++i) {
      auto team = std::make_unique<Mannschaft>(*manager, false);
      team->SetName(u"Team " + std::u16string(1, char16_t(u'A' + i)));
      team->SetColour(MyGlobals::kTeamColours[i % MyGlobals::kTeamColourCount]);
      team->SetSteuerung(kControls[i % 4]);
      Mannschaft* t = manager->AddTeam(std::move(team));
      t->ResetForGame();
      for (int k = 0; k < worms; ++k) {
        const Vector2 at(float(80 + 120 * (i * worms + k)), 400.0f);
        t->AddWormToPlayOrder(t->GetWorm(k), globals->GetWelt(), &at);
      }
      manager->AddTeamToGame(t);
      teams.push_back(t);
    }
    manager->BeginGame();
    WaffenSet* set = globals->GetWaffenSet();
    set->ClearTeamRecords();
    for (Mannschaft* t : teams) set->AddTeamRecords(t);
    battle.worm = teams[0]->PlayOrder().front();
    battle.worm->SetWeapon(nullptr);
    // A few frames: the worms settle and take up their standing animation.
    for (int i = 0; i < 5; ++i) manager->Update(false, 0.01, 0.01);
  }

  MyGlobals* globals = nullptr;
  StandInBattle battle;
  std::vector<Mannschaft*> teams;
};

class BattleDisplay : public ::testing::Test, public BattleSetup {
 protected:
  void SetUp() override {
    run = std::make_unique<EngineRun>();
    Load(run->context, run->globals);
  }

  void TearDown() override {
    hud.reset();
    WaffenTeams::Install(nullptr);
    run.reset();
  }

  void MakeHud(int32_t width = 0, int32_t height = 0) {
    hud = std::make_unique<LevelHud>(&run->context, globals, &battle, &camera);
    if (width > 0) {
      hud->SetScreenSize(width, height);
      hud->BuildHudBar();
      hud->BuildWeaponStore();
    }
    hud->Reset();
  }

  // Opens the store at the mouse and lets it glide fully open.
  void OpenStore(const InputState& mouse) {
    hud->HandlePanelRequest(1, &mouse);
    for (int i = 0; i < 20; ++i) hud->Update(&mouse, 0.01);
  }

  GUIElement* CellOf(const Waffe* weapon) const {
    GUIElement* store = hud->GetStorePanel();
    for (size_t i = 0; i < store->GetChildCount(); ++i)
      if (hud->GetCellWeapon(store->GetChild(i)->GetId().id) == weapon) return store->GetChild(i);
    return nullptr;
  }

  Waffe* Weapon(const char16_t* name) const { return globals->GetWaffenSet()->FindByName(name); }

  std::unique_ptr<EngineRun> run;
  CameraSpy camera;
  std::unique_ptr<LevelHud> hud;
};

}  // namespace display_test
