// The main scene as far as the shell needs it.
#include "frontend/mainmenu.h"

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "engine/myloadscreen.h"
#include "engine/texturdefcache.h"
#include "platform/random.h"
#include "platform/text.h"

namespace {

constexpr uint8_t kKeyEscape = 0x01;

}  // namespace

MainMenu::MainMenu(APIContext* context)
    : m_context(context ? context : APIContext::Get()),
      m_globals(dynamic_cast<MyGlobals*>(m_context->globals.get())) {
  if (m_context->input) m_context->input->RegisterControl(this, true);
  const DataArchive* archive = m_globals ? m_globals->GetArchive() : nullptr;
  APIGraphics* graphics = m_context->graphics;

  if (std::unique_ptr<KVNode> splash = LoadKVFromArchive(u"Splash.spl", archive)) {
    m_splashScreen = std::make_unique<MyLoadScreen>(splash->GetChild(0, u"SPLASH_MAIN"), archive, graphics);
    m_startScreen = std::make_unique<MyLoadScreen>(splash->GetChild(0, u"LOAD_START"), archive, graphics);
    m_previewScreen = std::make_unique<MyLoadScreen>(splash->GetChild(0, u"LOAD_PREVIEW"), archive, graphics);
  }
  Step();
  if (m_context->language) m_context->language->LoadArchiveFile(u"sprache.lng", archive);
  // The scene's first sprite, the image "misc.png"; the other scene sprites, the sounds and
  // the data files follow here as their parts are built.
  if (TexturDefCache* cache = graphics ? graphics->GetTexturDefCache() : nullptr) {
    const std::u16string misc = u"misc.png";
    cache->Get(misc, nullptr, nullptr, archive);
  }
  Step();
}

MainMenu::~MainMenu() {
  if (m_context->input) m_context->input->UnregisterControl(this);
}

void MainMenu::Step() {
  if (m_splashScreen) m_splashScreen->Advance(1.0);
}

void MainMenu::Update() {}

void MainMenu::Render() {
  APIGraphics* graphics = m_context->graphics;
  platform::GraphicsDevice* device = graphics ? graphics->GetDevice() : nullptr;
  if (!device) return;
  device->Clear(platform::kClearTarget | platform::kClearZBuffer | platform::kClearStencil, kBackground, 1.0f,
                0);
  if (device->BeginScene()) device->EndScene();
  device->Present();
}

void MainMenu::OnKeyDown(const InputState* state) {
  if (state && state->keyboard.WasKeyPressed(kKeyEscape)) m_context->running = false;
}

void MainMenu::UpdateMusic() {
  MusikPlayer* player = m_globals ? m_globals->GetMusikPlayer() : nullptr;
  if (!player) return;
  if (m_context->input && m_context->input->IsInactive()) {
    if (player->IsRunning()) player->Pause();
    return;
  }
  if (player->IsPaused()) {
    player->Play();
    return;
  }
  if (player->IsRunning() && !player->IsFinished()) return;
  StartRandomSong();
}

void MainMenu::StartRandomSong() {
  MusikPlayer* player = m_globals->GetMusikPlayer();
  bool& silent = m_silent[m_inGameMusic ? 1 : 0];
  if (silent) return;
  const char16_t* pattern = m_inGameMusic ? u"InGameSong%d.mp3" : u"Titlesong%d.mp3";
  // Random picks until one loads; the player refuses a song that failed before without
  // trying the file again, so the search ends once both songs have failed (or, should the
  // picks keep landing on one failing song, after kMaxSongPicks).
  bool failed[2] = {false, false};
  for (int pick = 0; pick < kMaxSongPicks && !(failed[0] && failed[1]); ++pick) {
    int number = platform::Rand() % 2 + 1;
    std::u16string name = platform::FormatW(pattern, number);
    if (player->Load(name.c_str()) != MusikPlayer::kOk) {
      failed[number - 1] = true;
      continue;
    }
    player->Rewind();
    player->Play();
    m_globals->SetMusicVolume(m_globals->GetMusicVolume());
    return;
  }
  silent = true;
}
