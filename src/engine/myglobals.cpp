// The game-wide object's settings, archive and music.
#include "engine/myglobals.h"

#include <algorithm>
#include <utility>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apisound.h"
#include "engine/fontmanager.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "platform/numeric.h"
#include "world/wassermanager.h"
#include "world/wind.h"

MyGlobals::MyGlobals(APIContext* context)
    : messagePanel1(context),
      messagePanel2(context),
      fadingTextList(context),
      m_context(context ? context : APIContext::Get()) {
  m_wasserManager = std::make_unique<WasserManager>(m_context);
  std::u16string path = DataArchive::Locate();
  if (!path.empty()) m_archive = DataArchive::Open(path);
  m_musikPlayer = std::make_unique<MusikPlayer>();
}

MyGlobals::~MyGlobals() {
  m_musikPlayer.reset();
  m_wasserManager.reset();
  m_windManager.reset();
}

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

void MyGlobals::CreateDeviceObjects() {
  // Made once: a second device creation keeps the winds already loaded.
  if (!m_windManager) m_windManager = std::make_unique<WindManager>();
  if (TexturDefCache* cache = m_context->graphics ? m_context->graphics->GetTexturDefCache() : nullptr) {
    const std::u16string file = u"misc.prt", part = u"RECTS";
    m_boxTexture = cache->Get(file, nullptr, &part, m_archive.get());
  }
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 3; ++column)
      m_boxCells[3 * row + column] = {30 * column, 30 * row, 30 * column + 30, 30 * row + 30};
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
