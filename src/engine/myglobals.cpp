// The game-wide object: its managers, settings, object lookup and music.
#include "engine/myglobals.h"

#include <algorithm>
#include <utility>

#include "battle/cameramanager.h"
#include "battle/steuerungliste.h"
#include "battle/waffenset.h"
#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apisound.h"
#include "engine/camerajoblist.h"
#include "engine/fontmanager.h"
#include "engine/gameeventhost.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "objects/bonussettings.h"
#include "objects/eventtable.h"
#include "objects/gamebonushost.h"
#include "objects/kraftfeldliste.h"
#include "objects/mannschaft.h"
#include "objects/namen.h"
#include "objects/partikelliste.h"
#include "objects/person.h"
#include "objects/renderextra.h"
#include "objects/teleporterliste.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/numeric.h"
#include "posteffects/posteffectlibrary.h"
#include "world/ebeneneigenschaft.h"
#include "world/settingkatalog.h"
#include "world/wassermanager.h"
#include "world/welt.h"
#include "world/wind.h"

MyGlobals::MyGlobals(APIContext* context)
    : textStyles{{0xFF391D0C, 0x40000000, 2.0f, 15.0f, 1.0f, false, false, {2.0f, 2.0f}},
                 {0xFFDDDDDD, 0x20292929, 0.0f, 0.0f, 0.0f, true, false, {2.0f, 2.0f}},
                 {0xFFFFFFFF, 0x66000000, 1.0f, 10.0f, 1.0f, false, true, {2.0f, 2.0f}},
                 {0xFF50AE1E, 0x66000000, 1.0f, 10.0f, 1.0f, false, true, {2.0f, 2.0f}}},
      messagePanel1(context),
      messagePanel2(context),
      fadingTextList(context),
      m_context(context ? context : APIContext::Get()) {
  m_unlockPath = m_context->UserFilePath(u"data.lck");
  m_unlocks.Load(m_unlockPath);
  m_keyConfigPath = m_context->UserFilePath(u"keyconfig.cfg");

  m_namen = std::make_unique<Namen>();
  // The graphics manager does not exist yet; the animations take it with the device.
  m_animations = std::make_unique<AnimationManager>(m_context->graphics);
  m_wormManager = std::make_unique<WormManager>();
  m_wormManager->SetGlobals(this);
  m_layerProperties = std::make_unique<EbenenEigenschaften>();
  m_particles = std::make_unique<PartikelListe>();
  m_welt = std::make_unique<Welt>();
  m_events = std::make_unique<EventTable>();
  m_explosions = std::make_unique<ExplosionTable>();
  m_eventHost = std::make_unique<GameEventHost>(m_context, this);
  m_weapons = std::make_unique<WaffenSet>(this, m_context);
  m_wasserManager = std::make_unique<WasserManager>(m_context);
  m_forceFields = std::make_unique<KraftfeldListe>();
  m_renderExtras = std::make_unique<RenderExtraListe>();
  // The layers, the water and the moving animations ask this list for their colours.
  RenderExtraLookup::Install(m_renderExtras.get());
  m_teleporters = std::make_unique<TeleporterListe>();
  m_katalog = std::make_unique<SettingKatalog>();
  m_bonus = std::make_unique<BonusSettings>();
  m_bonus->SetHost(std::make_unique<GameBonusDropHost>(this));
  m_wasserManager->SetSources({m_animations.get(), m_renderExtras.get(), m_welt.get()});
  m_particles->SetSettings(&earthStep, &particleMaximum);
  m_simServices.timerHolder = &m_context->timer;
  m_simServices.graphicsHolder = &m_context->graphics;
  m_simServices.world = m_welt.get();
  m_simServices.water = m_wasserManager.get();
  m_simServices.particles = m_particles.get();
  m_simServices.renderExtras = m_renderExtras.get();
  m_simServices.animations = m_animations.get();
  m_simServices.teleporters = m_teleporters.get();
  m_simServices.forceFields = m_forceFields.get();
  m_simServices.objects = this;
  m_simServices.events = m_events.get();
  m_simServices.worms = m_eventHost.get();
  SimServices::Install(&m_simServices);

  std::u16string path = DataArchive::Locate();
  if (!path.empty()) m_archive = DataArchive::Open(path);
  fontFaces[0] = fontFaces[1] = u"Arial";
  m_musikPlayer = std::make_unique<MusikPlayer>();
  std::copy(std::begin(kTeamColours), std::end(kTeamColours), teamColours);
}

MyGlobals::~MyGlobals() {
  m_musikPlayer.reset();
  m_wormManager.reset();
  m_layerProperties.reset();
  // The key configuration is written at every exit, changed or not, once and whole, through
  // a temporary file.
  if (m_controls) m_controls->SaveKeyconfig(m_keyConfigPath);
  m_controls.reset();
  m_welt.reset();
  m_simServices.events = nullptr;
  m_simServices.worms = nullptr;
  m_events.reset();
  m_cameraJobs.reset();
  m_explosions.reset();
  m_eventHost.reset();
  m_weapons.reset();
  m_camera.reset();
  m_postEffects.reset();
  m_wasserManager.reset();
  m_windManager.reset();
  m_forceFields.reset();
  m_simServices.forceFields = nullptr;
  m_teleporters.reset();
  m_simServices.teleporters = nullptr;
  m_particles.reset();
  if (SimServices::Current() == &m_simServices) SimServices::Install(nullptr);
  if (&RenderExtraLookup::Current() == m_renderExtras.get()) RenderExtraLookup::Install(nullptr);
  m_renderExtras.reset();
  m_animations.reset();
  m_katalog.reset();
  m_namen.reset();
  m_bonus.reset();
  // The fading text list and the message panels go with their members; the campaign
  // progress is written first.
  m_unlocks.Save(m_unlockPath);
}

void MyGlobals::SaveKeysAndProgress() {
  if (m_controls) m_controls->SaveKeyconfig(m_keyConfigPath);
  m_unlocks.Save(m_unlockPath);
}

void MyGlobals::LoadSettings() {
  KVNode* config = m_context->GetConfig();
  if (KVNode* section = config ? config->GetChild(0, u"ANWENDUNG") : nullptr) {
    section->Read(u"INTRO", intro, 0);
    // A key with one value sets only the first setting.
    section->Read(u"PARTIKEL", earthStep, 0);
    section->Read(u"PARTIKEL", particleMaximum, 1);
    // A hand-edited value out of range is taken as its nearest end.
    int volume = m_musicVolume;
    section->Read(u"MUSIC_VOLUME", volume, 0);
    m_musicVolume = std::clamp(volume, 0, 100);
  }
  m_controls = std::make_unique<SteuerungListe>(m_archive.get(), m_context);
  // The player's own configuration over the defaults; without one the defaults stand.
  m_controls->ReadKeyconfig(LoadKVFile(m_keyConfigPath).get());
  m_cameraJobs = std::make_unique<CameraJobList>(this);
}

void MyGlobals::SavePlayerFiles() {
  if (m_context && m_wormManager) m_wormManager->SaveRoster(m_context->UserFilePath(u"teams.man"));
}

void MyGlobals::SaveSettings(KVNode* root) {
  if (!root) return;
  KVNode* section = root->AddChild(u"ANWENDUNG");
  section->AddChildWith(u"INTRO", intro);
  section->AddChildWith(u"PARTIKEL", earthStep, particleMaximum);
  section->AddChildWith(u"MUSIC_VOLUME", m_musicVolume);
}

void MyGlobals::CreateDeviceObjects() {
  APIGraphics* graphics = m_context->graphics;
  m_postEffects = std::make_unique<PostEffectLibrary>(m_context);
  // Made once: a second device creation keeps the winds already loaded.
  if (!m_windManager) {
    m_windManager = std::make_unique<WindManager>();
    m_windManager->SetSources({m_particles.get(), m_welt.get()});
    m_simServices.wind = m_windManager.get();
  }
  // Made once, like the winds: a second device creation keeps the view and jobs of the level.
  if (!m_camera) m_camera = std::make_unique<CameraManager>(m_context, this);
  // The camera switches the level's effects on through the library made just now.
  m_camera->SetEffects(m_postEffects.get());
  m_animations->SetGraphics(graphics);
  if (TexturDefCache* cache = graphics ? graphics->GetTexturDefCache() : nullptr) {
    const std::u16string file = u"misc.prt", part = u"RECTS";
    m_boxTexture = cache->Get(file, nullptr, &part, m_archive.get());
  }
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 3; ++column)
      m_boxCells[3 * row + column] = {30 * column, 30 * row, 30 * column + 30, 30 * row + 30};
  if (graphics && m_context->input)
    m_context->input->SetMousePosition(int32_t(graphics->GetScreenWidth() / 2),
                                       int32_t(graphics->GetScreenHeight() / 2));
}

void MyGlobals::DrawRectBox(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t border,
                            Argb colour1, Argb colour3, Argb colour2, int32_t skinRow, int32_t column1,
                            int32_t column3, int32_t column2) {
  APIGraphics* graphics = m_context->graphics;
  SpriteRenderer* sprites = graphics ? graphics->GetSpriteRenderer() : nullptr;
  if (!sprites || !m_boxTexture || !m_boxTexture->texture) return;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const int32_t halfW = (right - left) / 2, halfH = (bottom - top) / 2;
  const int32_t b = border < halfW && border < halfH ? border : (halfW < halfH ? halfW : halfH);
  const int32_t xs[4] = {left, left + b, right - b, right};
  const int32_t ys[4] = {top, top + b, bottom - b, bottom};
  Rect cells[9];
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 3; ++column)
      cells[3 * row + column] = {xs[column], ys[row], xs[column + 1], ys[row + 1]};

  const struct {
    Argb colour;
    int32_t column;
  } layers[3] = {{colour1, column1}, {colour2, column2 + 3}, {colour3, column3 + 6}};
  for (const auto& layer : layers) {
    for (int i = 0; i < 9; ++i) {
      const Rect& c = m_boxCells[i];
      m_skinCells[i] = {c.left + 100 * layer.column, c.top + 100 * skinRow, c.right + 100 * layer.column,
                        c.bottom + 100 * skinRow};
    }
    for (int i = 0; i < 9; ++i)
      sprites->DrawRect(m_boxTexture->texture, &m_skinCells[i], &cells[i], SpriteRenderer::kStretch,
                        SpriteRenderer::kStretch, layer.colour);
  }
}

void MyGlobals::RegisterFonts() {
  FontManager* fonts = m_context->graphics ? m_context->graphics->GetFontManager() : nullptr;
  if (!fonts) return;
  // A font the manager does not take is dropped without a message.
  for (const char16_t* name : {u"georgia.ttf", u"TT1221M.ttf", u"GOTH821C.ttf"})
    fonts->AddMemoryFont(std::make_unique<MemoryFont>(name, m_archive.get()));
}

void MyGlobals::SetWelt(std::unique_ptr<Welt> welt) {
  m_welt = welt ? std::move(welt) : std::make_unique<Welt>();
  m_simServices.world = m_welt.get();
  // The teams' worms live in the current world: none may keep pointing into the one gone.
  if (m_wormManager)
    for (const auto& team : m_wormManager->Teams())
      for (Worm* worm : team->Worms())
        if (worm) worm->SetWorld(m_welt.get());
  // The water and the wind fill and blow across the new world.
  WasserSources water = m_wasserManager->GetSources();
  water.world = m_welt.get();
  m_wasserManager->SetSources(water);
  if (m_windManager) m_windManager->SetSources({m_windManager->GetSources().particles, m_welt.get()});
}

Objekt* MyGlobals::FindObject(uint32_t id) const {
  if (Objekt* particle = m_particles->FindById(id)) return particle;
  if (Objekt* worm = m_wormManager->FindWormById(id)) return worm;
  if (Objekt* person = m_wormManager->FindPersonById(id)) return person;
  return m_weapons ? m_weapons->FindOwnedObject(id) : nullptr;
}

void MyGlobals::CollectObjects(std::vector<Objekt*>& out) const {
  m_particles->CollectAll(out);
  m_wormManager->CollectWorms(out);
}

int32_t MyGlobals::MusicAttenuation(int volume) {
  volume = std::clamp(volume, 0, 100);
  // log10 of 0 would be minus infinity; silence is the quietest level the player takes.
  if (volume == 0) return -10000;
  double mB = APISound::VolumeToAttenuation(float(volume / 100.0)) * 2000.0;
  return std::clamp(platform::TruncToInt(mB), -10000, 0);
}

void MyGlobals::SetMusicVolume(int volume) {
  m_musicVolume = std::clamp(volume, 0, 100);
  if (m_musikPlayer) m_musikPlayer->SetVolume(MusicAttenuation(m_musicVolume));
}
