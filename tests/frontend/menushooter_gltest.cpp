// The first scene's shooting range on OpenGL offscreen, driven by the default keys: the first
// soldier holds the bazooka in his own pose, the up arrow raises his aim, Space held charges
// and its release fires a rocket that the camera follows and that blasts the ground; Tab
// picks the next weapon. The pictures are written beside the build ("menushooter_aim.png",
// "menushooter_flight.png", "menushooter_grenade.png") for looking at.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "battle/cameramanager.h"
#include "battle/waffe.h"
#include "battle/waffenset.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apiinput.h"
#include "engine/apisound.h"
#include "engine/myglobals.h"
#include "frontend/mainmenu.h"
#include "frontend/menushooter.h"
#include "frontend/menuworms.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/worm.h"
#include "platform/input.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "platform/window.h"
#include "posteffects/posteffectlibrary.h"
#include "support/gl_engine.h"
#include "support/user_folder.h"
#include "world/landschaft.h"
#include "world/welt.h"

namespace {

TEST(MenuShooter, DefaultKeysAimChargeAndFire) {
  GlEngine engine;
  ASSERT_TRUE(engine.Ready()) << engine.error;
  APIContext& context = engine.context;
  ManualClock& clock = engine.clock;
  MyGlobals* game = engine.game;
  APIGraphics* graphics = engine.graphics.get();
  APIInput* input = engine.input.get();
  platform::ScriptedInputDevice* keys = engine.keys;
  {
    MainMenu menu(&context);
    ASSERT_NE(menu.GetShooter(), nullptr) << "the menu world (KRUMBOLT_GOB)";
    if (PostEffectLibrary* library = game->GetPostEffects()) library->StopLevelEffects();
    auto frames = [&](double seconds) {
      for (int i = 0, n = int(seconds * 100.0 + 0.5); i < n; ++i) {
        clock.counter += 10000;
        context.timer->Tick();
        input->Update();
        menu.Update();
      }
    };
    frames(0.5);
    Worm* soldier = menu.GetShooter()->GetShooter();
    ASSERT_NE(soldier, nullptr);
    ASSERT_NE(menu.GetShooter()->GetWeapon(), nullptr);
    EXPECT_EQ(menu.GetShooter()->GetWeapon()->GetName(), u"Bazooka");
    EXPECT_TRUE(menu.GetShooter()->GetWeapon()->IsUsable());

    constexpr uint8_t kUpArrow = 200, kSpace = 57, kTab = 15;
    keys->SetKey(kUpArrow, true);
    frames(1.0);
    keys->SetKey(kUpArrow, false);
    EXPECT_NEAR(soldier->GetAimAngle(), -36.0, 1.0);

    CameraManager* camera = game->GetCamera();
    camera->SetZoomLimits(4.0f, 0.1f);
    auto lookAt = [&](const Vector2& at) { camera->SetView({at.x - 256.0f, at.y - 250.0f, 512.0f, 384.0f}); };
    platform::GraphicsDevice* device = graphics->GetDevice();
    const int w = device->BackBufferWidth(), h = device->BackBufferHeight();
    keys->SetKey(kSpace, true);
    frames(1.2);
    EXPECT_NEAR(soldier->GetStrength(), 0.6, 0.02);
    lookAt(*soldier->GetPosition());
    menu.Render();
    WritePngBesideBuild("menushooter_aim.png", device->ReadPixels(), w, h);

    // The release fires: a rocket flies.
    const PartikelInfo* rocket = game->GetPartikelListe()->FindInfo(u"RAKETE");
    ASSERT_NE(rocket, nullptr);
    auto rockets = [&] {
      int n = 0;
      for (const auto& p : game->GetPartikelListe()->MainList()) n += p->GetInfo() == rocket;
      return n;
    };
    keys->SetKey(kSpace, false);
    frames(0.3);
    ASSERT_EQ(rockets(), 1);
    lookAt(*soldier->GetPosition());
    menu.Render();
    WritePngBesideBuild("menushooter_flight.png", device->ReadPixels(), w, h);
    frames(8.0);
    EXPECT_EQ(rockets(), 0) << "it came down somewhere";

    // Tab on to each of the other weapons held in the hand (passing the air attacks and the
    // devices between them); each leaves the soldier's hands with Space (the homing missile
    // once it has a target).
    const size_t weaponCount = game->GetWaffenSet()->Weapons().size();
    for (const char16_t* name : {u"Lenkrakete", u"Gewehr", u"Granate", u"Dynamit", u"Mine"}) {
      for (size_t tabs = 0; tabs < weaponCount && menu.GetShooter()->GetWeapon()->GetName() != name; ++tabs) {
        // The control tells presses apart by the wall clock's milliseconds.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        keys->SetKey(kTab, true);
        frames(0.1);
        keys->SetKey(kTab, false);
        frames(0.3);
      }
      Waffe* weapon = menu.GetShooter()->GetWeapon();
      ASSERT_EQ(weapon->GetName(), name);
      if (weapon->NeedsTarget()) soldier->SetTarget(*soldier->GetPosition() + Vector2(300.0f, -100.0f));
      const PartikelInfo* type = weapon->GetProjectile();
      ASSERT_NE(type, nullptr);
      auto flying = [&] {
        int n = 0;
        for (const auto& p : game->GetPartikelListe()->MainList()) n += p->GetInfo() == type;
        return n;
      };
      const int before = flying();
      keys->SetKey(kSpace, true);
      frames(0.4);
      keys->SetKey(kSpace, false);
      frames(0.05);
      EXPECT_EQ(flying(), before + 1) << platform::U16ToUtf8(name);
      if (weapon->GetName() == u"Granate") {
        // Its countdown rides over it.
        frames(1.0);
        for (const auto& p : game->GetPartikelListe()->MainList())
          if (p->GetInfo() == type) lookAt(*p->GetPosition());
        menu.Render();
        WritePngBesideBuild("menushooter_grenade.png", device->ReadPixels(), w, h);
      }
      frames(9.0);
    }
  }
}

}  // namespace
