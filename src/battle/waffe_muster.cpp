// The pattern every weapon shares: its particle type and tick sound, the shell launch with
// the camera and the turn's hold, the fuse ticks and the countdown readout.

#include "battle/cameramanager.h"
#include "battle/waffe.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apisound.h"
#include "engine/camerajoblist.h"
#include "engine/fontmanager.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "engine/searchpath.h"
#include "engine/soundset.h"
#include "objects/partikel.h"
#include "objects/partikelliste.h"
#include "objects/renderextra.h"
#include "platform/numeric.h"
#include "platform/text.h"

namespace {

constexpr int kReadoutFont = 0;
constexpr int32_t kReadoutMargin = 5;
constexpr Argb kReadoutBox = 0x7FFFFFFF;
constexpr Argb kReadoutText = 0xFF000000;
constexpr float kReadoutSize = 40.0f;

}  // namespace

const PartikelInfo* Waffe::ReadParticleType(const KVNode* block) {
  std::u16string name;
  if (!block || !block->Read(u"PARTIKELINFO", name) || name.empty()) return nullptr;
  const PartikelListe* list = m_globals ? m_globals->GetPartikelListe() : nullptr;
  const PartikelInfo* type = list ? list->FindInfo(name) : nullptr;
  if (!type) ReportMissing("particle type", name);
  return type;
}

SoundSet* Waffe::ReadTickSound(const KVNode* block) {
  std::u16string name;
  APISound* sound = m_context ? m_context->sound : nullptr;
  if (!block || !sound || !block->Read(u"TICK_SOUNDS", name) || name.empty()) return nullptr;
  const SearchPath path(block->GetChild(0, u"SEARCHPATH"));
  SoundSet* set = sound->Cache().FindOrCreate({&name, &path, m_globals ? m_globals->GetArchive() : nullptr});
  if (set && sound->HasDevice() && set->UsableCount() == 0) {
    ReportMissing("sound", name);
    return nullptr;
  }
  return set;
}

void Waffe::PlaySound(SoundSet* set) const {
  if (set && m_context && m_context->sound) m_context->sound->Play(set, APISound::kDefaultVolume);
}

std::optional<uint32_t> Waffe::LaunchShell(Objekt& worm, const PartikelInfo* type,
                                           const Vector2& shotPosition, const Vector2& direction,
                                           double speed, double cameraRate) {
  PartikelListe* list = m_globals ? m_globals->GetPartikelListe() : nullptr;
  if (!type || !list) return std::nullopt;
  const Vector2 velocity = platform::Normalize(direction) * float(speed);
  auto shell = std::make_unique<Partikel>(type, &shotPosition, &velocity, 0xFFFFFFFF, 0);
  shell->AddCollisionIgnore(Partikel::MakeCollisionIgnore(&worm, m_wormGraceTime));
  const uint32_t id = shell->GetId();
  list->Add(std::move(shell));
  FollowAndHold(id, cameraRate);
  ++m_usesThisTurn;
  PlayShotSound();
  return id;
}

void Waffe::FollowAndHold(uint32_t id, double cameraRate) {
  if (!m_globals) return;
  if (CameraManager* camera = m_globals->GetCamera())
    camera->AddJob(CameraJob(m_globals, id, CameraJob::kFollows, 0.0, 2.0, true, cameraRate), true);
  // The turn waits while the object exists (the tracked object of the battle).
  if (CameraJobList* jobs = m_globals->GetCameraJobs())
    jobs->Add(CameraJob(m_globals, id, CameraJob::kFollows, 0.0, 0.0, true, -1.0));
}

Objekt* Waffe::FindObject(const std::optional<uint32_t>& id) const {
  return id && m_globals ? m_globals->FindObject(*id) : nullptr;
}

std::u16string Waffe::ReadoutText(double value) {
  return platform::FormatW(value > 1.0 ? u"%.0f" : u"%.1f", value);
}

bool Waffe::FuseTickDue(double before, double after) {
  if (platform::TruncToInt(before) != platform::TruncToInt(after)) return true;
  return before < 1.0 && after < 1.0 &&
         platform::TruncToInt(5.0 * before) != platform::TruncToInt(5.0 * after);
}

void Waffe::PlayFuseTicks(SoundSet* tick, double before, double after) {
  if (tick && FuseTickDue(before, after)) PlaySound(tick);
}

bool Waffe::RenderExtraColour(Argb& colour) const {
  const RenderExtraListe* extras = m_globals ? m_globals->GetRenderExtras() : nullptr;
  colour = 0;
  return extras && extras->GetLayerEntry(RenderExtra::kOthers, colour, 0) && (colour & 0xFF000000u) != 0;
}

void Waffe::DrawReadout(double value, const Vector2& at, const Vector2& offset, const Vector2& scale,
                        const Argb* extraColour) {
  APIGraphics* graphics = m_context ? m_context->graphics : nullptr;
  FontManager* fonts = graphics ? graphics->GetFontManager() : nullptr;
  if (!fonts) return;
  const std::u16string text = ReadoutText(value);
  auto screenX = [&](float x) { return platform::TruncToInt(double(x) * scale.x + offset.x); };
  auto screenY = [&](float y) { return platform::TruncToInt(double(y) * scale.y + offset.y); };
  const Rect area{screenX(at.x - kReadoutSize), screenY(at.y - kReadoutSize), screenX(at.x), screenY(at.y)};
  Rect measured = area;
  fonts->MeasureText(kReadoutFont, text.c_str(), &measured, kDtCenter | kDtNoClip | kDtCalcRect,
                     kReadoutText);
  // The text's size, centred across the area and on its top, where the text is drawn.
  const int32_t textWidth = measured.right - measured.left, textHeight = measured.bottom - measured.top;
  measured.left = (area.left + area.right - textWidth) / 2;
  measured.right = measured.left + textWidth;
  measured.top = area.top;
  measured.bottom = area.top + textHeight;
  const Argb box = extraColour ? *extraColour : kReadoutBox;
  if (m_globals)
    m_globals->DrawRectBox(measured.left - kReadoutMargin, measured.top - kReadoutMargin,
                           measured.right + kReadoutMargin, measured.bottom + kReadoutMargin, kReadoutMargin,
                           box, box, 0, 0, 0, 0, 0);
  if (extraColour) return;
  Rect textRect = area;
  fonts->DrawText(kReadoutFont, &text, &textRect, kDtCenter | kDtNoClip, kReadoutText);
}
