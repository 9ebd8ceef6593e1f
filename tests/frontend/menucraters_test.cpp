// The first scene's craters: a click on the menu world carves a crater whose earth flies,
// falls, bounces and settles back into the ground, while the wind's particles fly.
#include "frontend/menucraters.h"

#include <gtest/gtest.h>

#include "battle/cameramanager.h"
#include "frontend/mainmenu.h"
#include "objects/partikelliste.h"
#include "support/engine_run.h"
#include "world/welt.h"

using platform::MessageType;

namespace {

struct Scene {
  Scene() : menu(&run.context) {
    run.loop->updateScene = [this] { menu.Update(); };
    run.loop->renderScene = [this] { menu.Render(); };
  }
  EngineRun run;
  MainMenu menu;
};

size_t CountEarth(const PartikelListe& list) {
  size_t n = 0;
  for (const auto& p : list.MainList()) n += p->GetInfo()->changesLayer ? 1 : 0;
  return n;
}

size_t SolidIn(const Landschaft& land, const Vector2& centre, int32_t r) {
  size_t n = 0;
  for (int32_t y = -r; y <= r; ++y)
    for (int32_t x = -r; x <= r; ++x)
      n += land.IsSolidAt(int32_t(centre.x) + x, int32_t(centre.y) + y) ? 1 : 0;
  return n;
}

}  // namespace

TEST(MenuCraters, AClickThrowsUpEarthThatSettlesBackIntoTheGround) {
  Scene scene;
  CameraManager* camera = scene.run.globals->GetCamera();
  ASSERT_NE(camera, nullptr);
  ASSERT_NE(scene.menu.GetCraters(), nullptr);
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(scene.run.Pass());
  Landschaft& land = *scene.run.globals->GetWelt()->GetGameLandschaft();
  PartikelListe& particles = *scene.run.globals->GetPartikelListe();

  // A point on screen whose world point lies just below the ground surface.
  int32_t sx = 640, sy = 0;
  Vector2 point;
  for (sy = 0; sy < 1024; sy += 2) {
    point = camera->ScreenToWorld(sx, sy);
    if (land.IsSolidAt(int32_t(point.x), int32_t(point.y) + 20)) break;
  }
  ASSERT_LT(sy, 1024) << "no ground under the middle of the screen";
  point = camera->ScreenToWorld(sx, sy);
  const size_t solidBefore = SolidIn(land, point, 60);

  // A click into the sky carves nothing.
  EXPECT_FALSE(scene.menu.GetCraters()->Blast(Vector2(point.x, point.y - 400.0f)));

  scene.run.cursor.Place(sx, sy);
  scene.run.Pass();
  scene.run.Mouse(MessageType::LeftDown);
  scene.run.Mouse(MessageType::LeftUp);
  const size_t thrown = CountEarth(particles);
  EXPECT_GT(thrown, 20u);
  const size_t solidAfterCrater = SolidIn(land, point, 60);
  EXPECT_LT(solidAfterCrater, solidBefore);

  // Ten seconds later the earth has come to rest and gone back into the ground.
  for (int i = 0; i < 1000; ++i) scene.run.Pass();
  EXPECT_LT(CountEarth(particles), thrown / 10);
  // What settled filled part of the crater again (around it, the earth lies where it fell).
  EXPECT_GT(SolidIn(land, point, 60), solidAfterCrater);
}
