// The game-wide object's settings, archive and music.
#include "engine/myglobals.h"

#include <algorithm>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apisound.h"
#include "engine/fontmanager.h"
#include "engine/kvnode.h"
#include "platform/numeric.h"

MyGlobals::MyGlobals(APIContext* context) : m_context(context ? context : APIContext::Get()) {
  std::u16string path = DataArchive::Locate();
  if (!path.empty()) m_archive = DataArchive::Open(path);
  m_musikPlayer = std::make_unique<MusikPlayer>();
}

MyGlobals::~MyGlobals() { m_musikPlayer.reset(); }

void MyGlobals::LoadSettings() {
  KVNode* config = m_context->GetConfig();
  KVNode* section = config ? config->GetChild(0, u"ANWENDUNG") : nullptr;
  if (!section) return;
  section->Read(u"INTRO", intro, 0);
  // A hand-edited value out of range is taken as its nearest end.
  int volume = m_musicVolume;
  section->Read(u"MUSIC_VOLUME", volume, 0);
  m_musicVolume = std::clamp(volume, 0, 100);
}

void MyGlobals::SaveSettings(KVNode* root) {
  if (!root) return;
  KVNode* section = root->AddChild(u"ANWENDUNG");
  section->AddChildWith(u"INTRO", intro);
  section->AddChildWith(u"MUSIC_VOLUME", m_musicVolume);
}

void MyGlobals::CreateDeviceObjects() {}

void MyGlobals::RegisterFonts() {
  FontManager* fonts = m_context->graphics ? m_context->graphics->GetFontManager() : nullptr;
  if (!fonts) return;
  // A font the manager does not take is dropped without a message.
  for (const char16_t* name : {u"georgia.ttf", u"TT1221M.ttf", u"GOTH821C.ttf"})
    fonts->AddMemoryFont(std::make_unique<MemoryFont>(name, m_archive.get()));
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
