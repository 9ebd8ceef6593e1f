// A seeded run of craters, their earth, sparks and a smoking blast over three game layers,
// four seconds long: its outcome is pinned by a hash and must not depend on the number of
// terrain workers. A change that moves one particle by one pixel shows here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "objects/distanceramp.h"
#include "objects/particle_fixture.h"
#include "platform/workers.h"
#include "support/frame_animations.h"
#include "world/landstamp.h"

namespace {

class Hash {
 public:
  template <class T>
  void Add(const T& v) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &v, sizeof(T));
    for (unsigned char b : bytes) {
      m_h ^= b;
      m_h *= 1099511628211ull;
    }
  }
  uint64_t Value() const { return m_h; }

 private:
  uint64_t m_h = 1469598103934665603ull;
};

// Ground below a wavy line, with a cave under it.
std::unique_ptr<Landschaft> Hills() {
  const Rect r{0, 0, 480, 240};
  auto land = std::make_unique<Landschaft>(r);
  land->SetGraphics(nullptr);
  land->CreateTiles();
  for (int32_t x = r.left; x < r.right; ++x) {
    const int32_t top = int32_t(120.0 + 25.0 * std::sin(x * 0.03) + 6.0 * std::sin(x * 0.21));
    for (int32_t y = top; y < r.bottom; ++y) {
      const bool cave = (x - 300) * (x - 300) + (y - 190) * (y - 190) < 30 * 30;
      if (!cave) *land->LockedPixel(x, y) = 0xFF000000u | uint32_t(x * 977 + y * 131) % 0xFFFFFF;
    }
  }
  land->UnlockAll();
  return land;
}

struct Outcome {
  uint64_t particles = 0;
  uint64_t terrain = 0;
  size_t flying = 0;
  size_t left = 0;
  bool operator==(const Outcome&) const = default;
};

Outcome Replay(int workers) {
  platform::SetProcessorCountOverride(workers);
  // A white 4 x 4 crumb, so that settling earth stamps itself back into the ground.
  auto crumb = std::make_shared<platform::Texture>(4, 4);
  for (int i = 0; i < 16; ++i) crumb->MutablePixels()[i] = 0xFFFFFFFF;
  FrameAnimations animations;
  animations.Add(u"ERDE", crumb);

  particle_test::Sim sim(Hills());
  Welt& world = *sim.world;
  // Two more game layers behind the first: craters cut through all three.
  world.SetGameLayers(Hills(), 2, 0.0f, 0.0f, 0xFFFFFFFF);
  auto root = ParseBody(
      u"<PARTIKEL_INFO><NAME> \"Erde\" <\\NAME><DEATH_PARAM><TYP> \"SPEED\" \"WORLD\" <\\TYP><\\DEATH_PARAM>"
      u"<ANIMATIONEN> \"ERDE\" <\\ANIMATIONEN><COLLISION_EBENE> \"1\" <\\COLLISION_EBENE>"
      u"<CHANGES_EBENE> \"1\" <\\CHANGES_EBENE><REIBUNG_COLLISION> \"0.55\" \"0.2\" <\\REIBUNG_COLLISION>"
      u"<MAXSPEED> \"900\" <\\MAXSPEED><REIBUNG_LUFT> \"1\" <\\REIBUNG_LUFT>"
      u"<SIZE> \"2\" \"2\" \"1\" \"1\" <\\SIZE><\\PARTIKEL_INFO>"
      u"<PARTIKEL_INFO><NAME> \"Funke\" <\\NAME><DEATH_PARAM><TYP> \"ALTER\" \"WORLD\" <\\TYP><\\DEATH_PARAM>"
      u"<COLLISION_EBENE> \"2\" <\\COLLISION_EBENE><REIBUNG_COLLISION> \"0.5\" \"0.3\" <\\REIBUNG_COLLISION>"
      u"<LEBENSDAUER> \"0.5\" \"0.5\" <\\LEBENSDAUER><GRAVITATION> \"1.5\" <\\GRAVITATION>"
      u"<ROTATE_WITH_COLLISION> \"2\" <\\ROTATE_WITH_COLLISION><INIT_ROATION_SPEED> \"90\" \"40\" "
      u"<\\INIT_ROATION_SPEED>"
      u"<INIT_SPEED> \"0\" \"-160\" \"260\" \"160\" <\\INIT_SPEED><SIZE> \"4\" \"4\" \"2\" \"2\" <\\SIZE>"
      u"<\\PARTIKEL_INFO>"
      u"<PARTIKEL_INFO><NAME> \"Explosion\" <\\NAME><DEATH_PARAM><TYP> \"ALTER\" <\\TYP><\\DEATH_PARAM>"
      u"<GRAVITATION> \"0\" <\\GRAVITATION><LEBENSDAUER> \"0.5\" <\\LEBENSDAUER>"
      u"<PARTIKEL_INFOS> \"Funke\" <\\PARTIKEL_INFOS><MAXPARTIKEL> \"14\" \"6\" <\\MAXPARTIKEL>"
      u"<SPAWNSPEED> \"120\" <\\SPAWNSPEED><SPAWNPOSITION> \"0.3\" \"0.3\" <\\SPAWNPOSITION>"
      u"<REKURSION> \"0\" <\\REKURSION><\\PARTIKEL_INFO>"
      u"<ERDE_PARTIKEL> \"Erde\" <\\ERDE_PARTIKEL>");
  PartikelInfo::LoadAll(root.get(), sim.list, animations.Manager());
  const PartikelInfo* blast = sim.list.FindInfo(u"Explosion");

  const DistanceRamp ramp{420.0, 120.0, 0.0, 40.0};
  const Vector2 craters[] = {{90.0f, 125.0f}, {300.0f, 150.0f}, {305.0f, 160.0f}};
  Outcome out;
  Hash h;
  for (int frame = 1; frame <= 400; ++frame) {
    if (frame % 60 == 1 && frame / 60 < 3) {
      const Vector2 c = craters[frame / 60];
      std::vector<RemovedPixel> removed;
      world.CarveCrater(c, 40.0, &removed, -1, true);
      sim.list.SpawnErdePartikel(removed, c, ramp);
      sim.Add(*blast, c)->ScaleSize(40.0);
    }
    sim.list.Update();
    if (frame == 130) out.flying = sim.list.GetCount();
    if (frame % 50 != 0) continue;
    for (const auto* list : {&sim.list.MainList(), &sim.list.KeptList()})
      for (const auto& p : *list) {
        h.Add(*p->GetPosition());
        h.Add(*p->GetSpeed());
        h.Add(p->GetState());
        h.Add(p->GetAngle());
      }
  }
  out.particles = h.Value();
  out.left = sim.list.GetCount();
  Hash t;
  for (const auto& layer : world.GameLayers()) t.Add(terrain_test::PixelHash(*layer));
  out.terrain = t.Value();
  platform::SetProcessorCountOverride(0);
  return out;
}

}  // namespace

TEST(PartikelReplay, CratersAndTheirEarthRunTheSameForAnyWorkerCount) {
  const Outcome one = Replay(1);
  EXPECT_GT(one.flying, 100u) << "the craters threw earth";
  for (int workers : {2, 8}) {
    const Outcome other = Replay(workers);
    EXPECT_EQ(other, one) << workers << " workers";
  }
  // The pinned outcome: a change here changes how particles move, bounce or settle.
  EXPECT_EQ(one.particles, 0xad6111d815738797ull) << std::hex << one.particles;
  EXPECT_EQ(one.terrain, 0xcd6fd17dd0fe4213ull) << std::hex << one.terrain;
  EXPECT_EQ(one.flying, 430u);
  EXPECT_EQ(one.left, 28u);
}
