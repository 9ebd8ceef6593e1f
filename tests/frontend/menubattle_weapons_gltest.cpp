// The first scene's hot-seat battle on OpenGL offscreen: each worm at turn takes a weapon from
// the store with the mouse and uses it with the keys, as a player would, and the battle goes
// on. The pictures are written beside the build ("menubattle_weapon_<name>.png").
#include <gtest/gtest.h>

#include "battle/cameramanager.h"
#include "battle/level.h"
#include "battle/leveldisplay.h"
#include "battle/levelhud.h"
#include "battle/waffe.h"
#include "engine/apiinput.h"
#include "engine/guielement.h"
#include "engine/myglobals.h"
#include "frontend/mainmenu.h"
#include "frontend/menubattle.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/worm.h"
#include "platform/input.h"
#include "platform/text.h"
#include "posteffects/posteffectlibrary.h"
#include "support/gl_engine.h"

namespace {

constexpr uint8_t kHotSeatKey = 35, kSpace = 57, kUp = 200;

// The store's cell of the weapon, searched through the store's elements.
GUIElement* CellOf(const LevelHud& hud, GUIElement* element, const std::u16string& name) {
  if (!element) return nullptr;
  const Waffe* weapon = LevelHud::IsCell(element->GetId().id) ? hud.GetCellWeapon(element->GetId().id) : nullptr;
  if (weapon && weapon->GetName() == name) return element;
  for (size_t i = 0; i < element->GetChildCount(); ++i)
    if (GUIElement* found = CellOf(hud, element->GetChild(i), name)) return found;
  return nullptr;
}

TEST(MenuBattle, AWormTakesEachKindOfWeaponFromTheStoreAndUsesIt) {
  GlEngine engine;
  ASSERT_TRUE(engine.Ready()) << engine.error;
  MyGlobals* game = engine.game;
  platform::ScriptedInputDevice* keys = engine.keys;
  MainMenu menu(&engine.context);
  ASSERT_NE(menu.GetBattle(), nullptr) << "the menu world (KRUMBOLT_GOB)";
  if (PostEffectLibrary* library = game->GetPostEffects()) library->StopLevelEffects();
  MenuBattle& battle = *menu.GetBattle();
  auto frames = [&](double seconds) {
    engine.Step(int(seconds * 100.0 + 0.5), [&] {
      engine.input->Update();
      menu.Update();
    });
  };
  auto hold = [&](uint8_t key, double seconds) {
    keys->SetKey(key, true);
    frames(seconds);
    keys->SetKey(key, false);
    frames(0.05);
  };
  platform::GraphicsDevice* device = engine.graphics->GetDevice();
  const int w = device->BackBufferWidth(), h = device->BackBufferHeight();
  frames(0.3);
  menu.battleSeed = 11;
  hold(kHotSeatKey, 0.05);
  ASSERT_TRUE(battle.IsRunning()) << platform::U16ToUtf8(battle.GetError());
  Level& level = battle.GetLevel();
  LevelHud& hud = battle.GetDisplay().GetHud();

  // A hand-held spray, a steered device, a blow and a thrown charge.
  for (const char16_t* name : {u"Flammenwerfer", u"Jetpack", u"Schlaeger", u"Granate"}) {
    SCOPED_TRACE(platform::U16ToUtf8(name));
    Worm* worm = level.GetActiveWorm();
    ASSERT_NE(worm, nullptr);
    for (int i = 0; i < 50 && !worm->IsStanding(); ++i) frames(0.1);
    ASSERT_TRUE(worm->IsStanding());
    // The weapon key opens the store; a click on the weapon's cell takes it.
    game->panelRequest = 3;
    frames(0.5);
    ASSERT_TRUE(hud.IsStoreOpening());
    GUIElement* cell = CellOf(hud, hud.GetStorePanel(), name);
    ASSERT_NE(cell, nullptr);
    InputState mouse;
    mouse.mouseX = cell->GetRect().x + cell->GetRect().width / 2;
    mouse.mouseY = cell->GetRect().y + cell->GetRect().height / 2;
    hud.OnMouseMove(&mouse);
    hud.OnLeftButtonDown(&mouse);
    hud.OnLeftButtonUp(&mouse);
    frames(0.6);
    ASSERT_NE(worm->GetWeapon(), nullptr);
    Waffe& weapon = *worm->GetWeapon();
    ASSERT_EQ(weapon.GetName(), name) << "taken from the store";
    EXPECT_FALSE(hud.IsStoreOpening()) << "the store closed";

    const Vector2 start = *worm->GetPosition();
    const int shotsBefore = worm->GetEigenschaften().weaponsUsed[WormEigenschaften::kRound];
    bool worked = false;
    if (weapon.GetName() == u"Jetpack") {
      hold(kSpace, 0.05);
      hold(kUp, 0.6);
      worked = worm->GetPosition()->y < start.y - 20.0f;
    } else {
      keys->SetKey(kSpace, true);
      frames(weapon.Charges() ? 1.0 : 0.3);
      keys->SetKey(kSpace, false);
      frames(0.3);
      worked = worm->GetEigenschaften().weaponsUsed[WormEigenschaften::kRound] > shotsBefore;
      if (const PartikelInfo* type = weapon.GetProjectile()) {
        int flying = 0;
        for (const auto& p : game->GetPartikelListe()->MainList()) flying += p->GetInfo() == type;
        worked = worked && flying > 0;
      }
    }
    EXPECT_TRUE(worked);
    game->GetCamera()->SetView({start.x - w / 4.0f, start.y - h / 4.0f, w / 2.0f, h / 2.0f});
    menu.Render();
    WritePngBesideBuild(("menubattle_weapon_" + platform::U16ToUtf8(name) + ".png").c_str(), device->ReadPixels(),
                        w, h);
    if (weapon.GetName() == u"Jetpack") hold(kSpace, 0.05);  // lands
    // The turn passes on to the other team.
    for (int i = 0; i < 400 && level.GetActiveWorm() == worm; ++i) frames(0.1);
    ASSERT_NE(level.GetActiveWorm(), worm) << "the battle goes on";
  }
}

}  // namespace
