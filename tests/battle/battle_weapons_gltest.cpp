// The weapons of the battle test on OpenGL offscreen, pictured as a player sees them while
// they work: a frame of each weapon's turn a moment after it was used, written beside the
// build as "weapon_<name>.png" for looking at (the world pass through the battle's camera).
#include <gtest/gtest.h>

#include <map>

#include "battle_weapons.h"
#include "battle/cameramanager.h"
#include "battle/levelhud.h"
#include "battle/levelrender.h"
#include "battle/waffen_gesteuert.h"
#include "battle/waffen_nahkampf.h"
#include "platform/graphics.h"
#include "support/gl_engine.h"
#include "support/user_folder.h"

using namespace battle_weapons;

namespace {

// Frames after the turn began when the weapon is at its most telling.
const std::map<std::u16string, int64_t> kMoments = {
    {u"Teleport", 40},   {u"Beamer", 100},     {u"Schild", 60},    {u"Jetpack", 110},
    {u"Bauen", 70},      {u"Schlaeger", 20},   {u"Flammenwerfer", 110}, {u"Erosion", 150},
    {u"Auto", 150},      {u"Laeufer", 160},    {u"Flugzeug", 150}, {u"Gewehr", 14},
    {u"Bazooka", 150},   {u"Lenkrakete", 150}, {u"Granate", 180},  {u"Dynamit", 60},
    {u"Mine", 60},       {u"Luftschlag", 90},  {u"Armageddon", 250}};

class HostOf final : public HudHost {
 public:
  explicit HostOf(Level& level) : m_level(level) {}
  Worm* GetActiveWorm() const override { return m_level.GetActiveWorm(); }
  double GetTurnTimeLeft() const override { return m_level.GetTurnTimeLeft(); }

 private:
  Level& m_level;
};

}  // namespace

TEST(BattleWeaponsOnScreen, EachWeaponAtWork) {
  UserFolder folder;
  auto plan = std::make_shared<Plan>();
  HeadlessBattle battle(WeaponBattle(plan, true));
  plan->battle = &battle;
  ASSERT_TRUE(battle.Start()) << U8(battle.Result().error);
  HostOf host(battle.GetLevel());
  LevelRenderer renderer(&battle.Context(), &battle.Globals(), &host, nullptr);
  platform::GraphicsDevice* device = battle.Context().graphics->GetDevice();
  ASSERT_NE(device, nullptr);
  const int w = device->BackBufferWidth(), h = device->BackBufferHeight();
  std::map<std::u16string, bool> taken;
  while (battle.Step() && plan->next <= kWeapons && battle.GetLevel().GetTurnCount() <= int32_t(kWeapons)) {
    Waffe* weapon = plan->weapon;
    if (!weapon || taken[weapon->GetName()]) continue;
    const auto moment = kMoments.find(weapon->GetName());
    if (moment == kMoments.end() || battle.Frames() - plan->start < moment->second) continue;
    taken[weapon->GetName()] = true;
    // Close up on what the weapon does: what it sent out, else the worm at turn.
    Vector2 focus = At(*battle.GetLevel().GetActiveWorm());
    const std::u16string& name = weapon->GetName();
    if (name == u"Luftschlag" || name == u"Erosion") focus = plan->seen[name].target;
    if (name == u"Bauen") focus = plan->seen[name].target + Vector2(0.0f, 40.0f);
    if (name == u"Beamer") focus = focus + Vector2(0.0f, -40.0f);
    // What was sent out: the newest shell of the weapon's type, the car, the first runner.
    if (const PartikelInfo* type = weapon->GetProjectile(); type && name != u"Flammenwerfer" && name != u"Erosion")
      for (const auto& p : battle.Globals().GetPartikelListe()->MainList())
        if (p->GetInfo() == type) focus = *p->GetPosition();
    if (auto* car = dynamic_cast<Auto*>(weapon); car && car->GetCar()) focus = *car->GetCar()->GetPosition();
    if (auto* runners = dynamic_cast<Selbstmoerder*>(weapon); runners && !runners->GetRunners().empty())
      focus = *runners->GetRunners().front().person->GetPosition();
    if (name == u"Bauen") battle.Globals().cursorPoint = plan->seen[name].target;
    // The small things closer.
    const float size = name == u"Schlaeger" || name == u"Flammenwerfer" || name == u"Teleport" ? 0.5f : 1.0f;
    battle.Globals().GetCamera()->SetZoomLimits(4.0f, 0.1f);
    battle.Globals().GetCamera()->SetView(
        {focus.x - 320.0f * size, focus.y - 240.0f * size, 640.0f * size, 480.0f * size});
    device->Clear(platform::kClearTarget | platform::kClearZBuffer | platform::kClearStencil, 0xFF6FA8DC, 1.0f, 0);
    ASSERT_TRUE(device->BeginScene());
    renderer.RenderPass();
    device->EndScene();
    std::u16string file = u"weapon_" + weapon->GetName() + u".png";
    WritePngBesideBuild(U8(file).c_str(), device->ReadPixels(), w, h);
  }
  // Every weapon with a moment was pictured.
  for (const auto& [name, frames] : kMoments) EXPECT_TRUE(taken[name]) << U8(name);
}
