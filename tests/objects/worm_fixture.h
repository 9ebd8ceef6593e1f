// A small battle for the worm tests: the engine context on the null graphics device with a
// language table, the game-wide object, a flat world 200 x 100 with ground from row 80, the
// frame timer at 0.01 s, a worm type and frame animations whose frames are parts of one
// texture, and a stand-in weapon.
#pragma once

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "battle/cameramanager.h"
#include "battle/waffe.h"
#include "battle/waffenteams.h"
#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "engine/sprache.h"
#include "engine/texturdefcache.h"
#include "objects/distanceramp.h"
#include "objects/mannschaft.h"
#include "objects/partikelinfo.h"
#include "objects/simservices.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/text.h"
#include "support/kv_fixture.h"
#include "support/temp_dir.h"
#include "world/terrain_art.h"
#include "world/welt.h"

namespace worm_test {

// A weapon whose answers the test sets.
class StandInWeapon final : public Waffe {
 public:
  StandInWeapon() : Waffe(nullptr, nullptr, nullptr) {}
  bool canFire = true, unused = true, charges = false, target = false, freeAim = false;
  bool FireTest(const Objekt&) const override { return canFire; }
  bool NotUsedThisTurn() const override { return unused; }
  bool Charges() const override { return charges; }
  bool NeedsTarget() const override { return target; }
  bool FiresContinuously() const override { return freeAim; }
  void SetPose(bool held, const Animation* main, const Animation* second, bool plays) {
    m_animations[held ? 0 : 1][0] = main;
    m_animations[held ? 0 : 1][1] = second;
    m_playAnimation[held ? 0 : 1] = plays;
  }
  void SetPoseAngles(double low, double high) {
    m_animationAngles[0] = low;
    m_animationAngles[1] = high;
  }

 protected:
  int32_t FireImpl(Objekt&, const Vector2&, const Vector2&, double, const Vector2&) override { return 0; }
};

// Animations every worm test knows: one per table entry the worm reads ("A_<ENTRY>"), each
// of two frames; the death, fidget and sick ones stop after 2 frames (0.2 s at 10 frames a
// second). Every frame is a 32 x 40 part of one 64 x 40 texture.
class WormWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    context.title = u"Krumbolt";
    context.configuration = std::make_unique<KVNode>(u"Config");
    DisplayEnvironment display;
    display.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, display);
    graphics->UseNullDevice(true);
    ASSERT_EQ(graphics->Create(), kResultOk);
    context.graphics = graphics.get();
    context.language = std::make_unique<Sprache>(nullptr);
    {
      std::ofstream out(dir.Path() / "texte.lng", std::ios::binary);
      out << "<>\n \t<\\>\n<SPRACHDATEI><SPRACHEN> \"DEUTSCH\" \"ENGLISCH\" <\\SPRACHEN><TEXTE>"
             "<WORM_HEAL> \"-\" \"%s heals by %d %x%%\" <\\WORM_HEAL>"
             "<VERGIFTET> \"-\" \"Poison \" <\\VERGIFTET>"
             "<VERGIFTET_ANZ_RUNDEN> \"-\" \"for\" <\\VERGIFTET_ANZ_RUNDEN>"
             "<HEILUNG> \"-\" \"Heal +\" <\\HEILUNG>"
             "<HEILUNG_ANZ_RUNDEN> \"-\" \"for\" <\\HEILUNG_ANZ_RUNDEN>"
             "<NEXT_ROUND_WORM_TOT> \"-\" \"%s died\" <\\NEXT_ROUND_WORM_TOT>"
             "<NEXT_ROUND_WORM> \"-\" \"%s lost %d\" <\\NEXT_ROUND_WORM>"
             "<NEXT_ROUND_WORM_GIFT> \"-\" \"%s poisoned %d\" <\\NEXT_ROUND_WORM_GIFT>"
             "<NEXT_ROUND_WORM_HEALING> \"-\" \"%s healed %d\" <\\NEXT_ROUND_WORM_HEALING>"
             "<\\TEXTE><\\SPRACHDATEI>";
    }
    context.language->LoadFile(dir.File("texte.lng"));
    globals = std::make_unique<MyGlobals>(&context);
    globals->LoadSettings();
    globals->CreateDeviceObjects();

    const Rect rect{0, 0, 200, 100};
    std::vector<std::string> art(100, std::string(200, '.'));
    for (int y = 80; y < 100; ++y) art[size_t(y)] = std::string(200, '#');
    world = std::make_unique<Welt>(&rect);
    world->SetGameLayers(terrain_test::ArtStore(art), 0, 0.0f, 0.0f, 0xFFFFFFFF);
    timer.gameStep = 0.01;
    services.timer = &timer;
    services.world = world.get();
    SimServices::Install(&services);

    texture = std::make_shared<platform::Texture>(64, 40);
    std::fill(texture->MutablePixels(), texture->MutablePixels() + 64 * 40, 0xFF808080u);
    AnimationManager& animations = *globals->GetAnimationManager();
    auto frames = std::make_unique<AnimationFrames>(u"WF");
    for (int i = 0; i < 2; ++i) {
      const Rect part{32 * i, 0, 32 * i + 32, 40};
      TexturPartDesc desc;
      desc.source = texture;
      desc.sourceRect = &part;
      parts.push_back(std::make_unique<TexturPart>(graphics.get(), desc));
      auto frame = std::make_unique<AnimationFrame>();
      frame->texture = parts.back().get();
      frame->rect = part;
      frame->number = i;
      frames->AddFrame(std::move(frame));
    }
    animations.AddFrames(std::move(frames));
    std::u16string table;
    for (int n = 0; n < Person::kAnimationCount; ++n) {
      const std::u16string entry = Person::AnimationName(n);
      if (entry.empty() || !Wanted(n)) continue;
      const bool once = n >= Person::kAnimDaddel;
      AddAnimation(u"A_" + entry, once);
      AddAnimation(u"B_" + entry, once);
      table += u"<" + entry + u"> \"A_" + entry + u"\" \"B_" + entry + u"\" <\\" + entry + u">";
    }
    AddAnimation(u"Pfeilanimation", false);
    AddAnimation(u"SwitchPfeilanimation", false);
    wormBlock = ParseBody(
        u"<NAME> \"Vorlage\" <\\NAME> <WORM_EIGENSCHAFTEN> \"DEFAULT\" <\\WORM_EIGENSCHAFTEN>"
        u"<ANIMATIONEN>" +
            table + u"<\\ANIMATIONEN>",
        u"WORM");
    type = std::make_unique<PartikelInfo>(
        ParseBody(u"<NAME> \"WormBody\" <\\NAME> <COLLISION_EBENE> \"1\" <\\COLLISION_EBENE>"
                  u"<SIZE> \"20\" \"30\" \"0\" \"0\" <\\SIZE> <REIBUNG_COLLISION> \"1\" \"0\" "
                  u"<\\REIBUNG_COLLISION>",
                  u"PARTIKEL_INFO")
            .get());

    // The worm's properties: radius 10, health 100, size 20 x 30 with the centre 15 up.
    auto preset = std::make_unique<WormEigenschaften>(
        ParseBody(
            u"<NAME> \"DEFAULT\" <\\NAME> <SIZE> \"20\" \"30\" <\\SIZE> <CENTER> \"0\" \"-15\" <\\CENTER>"
            u"<RADIUS> \"10\" <\\RADIUS> <LEBENSENERGIE> \"100\" <\\LEBENSENERGIE>",
            u"WORMEIGENSCHAFTEN")
            .get());
    Manager().AddPreset(std::move(preset));
    WaffenTeams::Install(&Manager());
  }

  void TearDown() override {
    WaffenTeams::Install(nullptr);
    SimServices::Install(nullptr);
    globals.reset();
  }

  // Entries left out to test the fall-backs; every test sees all of them unless it says.
  virtual bool Wanted(int) const { return true; }

  void AddAnimation(const std::u16string& name, bool once) {
    std::u16string body = u"<NAME> \"" + name +
                          u"\" <\\NAME> <ANIMATION_FRAME_NAME> \"WF\" <\\ANIMATION_FRAME_NAME>"
                          u"<FRAMES> \"0\" \"1\" <\\FRAMES> <SPEED> \"10\" <\\SPEED>";
    if (once) body += u"<PLAY_TYP> \"CLAMP\" <\\PLAY_TYP> <MAXFRAMES> \"2\" <\\MAXFRAMES>";
    AnimationManager& animations = *globals->GetAnimationManager();
    animations.AddAnimation(
        std::make_unique<Animation>(ParseBody(body, u"ANIMATION").get(), nullptr, animations));
  }

  WormManager& Manager() { return *globals->GetWormManager(); }

  // A worm standing on the ground at x, owned by the test.
  std::unique_ptr<Worm> Make(float x, Mannschaft* team = nullptr, const KVNode* block = nullptr) {
    auto worm = std::make_unique<Worm>(type.get(), block ? block : wormBlock.get(), globals.get());
    *worm->GetPosition() = Vector2(x, 79.0f);
    worm->SetWorld(world.get());
    if (team) worm->SetTeam(team);
    return worm;
  }

  Mannschaft* Team(int32_t id, Argb colour) {
    auto team = std::make_unique<Mannschaft>();
    team->SetId(id);
    team->SetColour(colour);
    return Manager().AddTeam(std::move(team));
  }

  // The worm's centre: its feet 15 up.
  static Vector2 Centre(Worm& w) { return *w.GetPosition() + Vector2(0.0f, -15.0f); }

  const Animation* Entry(const Worm& w, int32_t n) const { return w.GetAnimation(n); }

  TempDir dir;
  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  std::unique_ptr<MyGlobals> globals;
  std::unique_ptr<Welt> world;
  FrameTimer timer;
  SimServices services;
  platform::TexturePtr texture;
  std::vector<std::unique_ptr<TexturPart>> parts;
  std::unique_ptr<KVNode> wormBlock;
  std::unique_ptr<PartikelInfo> type;
};

}  // namespace worm_test
