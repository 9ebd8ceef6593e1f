// The weapon base: its shared keys, the team records, the fire path, the shot position, the
// shot sounds and the description box.
#include "battle/waffe.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "battle/waffenteams.h"
#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apisound.h"
#include "engine/fontmanager.h"
#include "engine/kvnode.h"
#include "engine/messagepanel.h"
#include "engine/myglobals.h"
#include "engine/searchpath.h"
#include "engine/soundset.h"
#include "engine/sprache.h"
#include "engine/texturdefcache.h"
#include "platform/random.h"
#include "platform/text.h"

namespace {

const WaffenTeams* g_teams = nullptr;

struct NoTeams final : WaffenTeams {
  Mannschaft* TeamOf(const Objekt&) const override { return nullptr; }
  Argb TeamColour(const Mannschaft*) const override { return 0xFFFFFFFF; }
  int32_t RoundNumber() const override { return 0; }
};

Argb MultiplyColours(Argb a, Argb b) {
  Argb out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
    out |= ((ca * cb + 127) / 255) << shift;
  }
  return out;
}

}  // namespace

const WaffenTeams& WaffenTeams::Current() {
  static const NoTeams none;
  return g_teams ? *g_teams : none;
}

void WaffenTeams::Install(const WaffenTeams* teams) { g_teams = teams; }

WaffenTeamRecord::WaffenTeamRecord(Mannschaft* team_, const Waffe& weapon)
    : team(team_),
      context(nullptr),
      globals(nullptr),
      ammunition(weapon.GetAmmunition()),
      startRound(weapon.GetStartRound()),
      textId(weapon.GetTextId()) {}

bool WaffenTeamRecord::CanUse() const {
  if (availabilityOverride > 0) return true;
  if (availabilityOverride < 0) return false;
  if (ammunition != -1 && ammunition < 1) return false;
  return startRound <= WaffenTeams::Current().RoundNumber();
}

void WaffenTeamRecord::AddAmmo(int32_t delta, bool message) {
  if (ammunition >= 0) ammunition += delta;
  if (!message || !context || !context->language) return;
  const std::u16string key = textId + (delta == 1 ? u"_CHANGE_ANZAHL1" : u"_CHANGE_ANZAHL");
  const std::u16string* format = context->language->GetText(key);
  if (!format) return;
  // The language file's text is the format; the argument is typed, so a text that asks for
  // something else formats as empty text.
  const std::u16string text = platform::FormatW(*format, delta);
  const Argb colour = WaffenTeams::Current().TeamColour(team);
  if (globals) {
    globals->messagePanel1.Add(std::make_unique<MessageLabel>(text, colour, 0.75, 5.0));
    globals->fadingTextList.Add(std::make_unique<FadingTextLabel>(text, colour));
  }
}

Waffe::Waffe(const KVNode* block, MyGlobals* globals, APIContext* context)
    : m_globals(globals), m_context(context ? context : (globals ? globals->GetContext() : nullptr)) {
  if (!block) return;
  if (const KVValue* first = block->GetValue(0)) m_name = first->Text();

  // The table stays sorted by angle; an entry goes before the first with a greater angle,
  // so equal angles keep their order in the file.
  for (unsigned i = 0, n = block->CountChildren(u"SHOTPOS_CENTER"); i < n; ++i) {
    const KVNode* node = block->GetChild(i, u"SHOTPOS_CENTER");
    ShotPosEntry entry;
    node->Read(u"CENTER", entry.centre.x, 0);
    node->Read(u"CENTER", entry.centre.y, 1);
    node->Read(u"SHOT_POS", entry.shotPos.x, 0);
    node->Read(u"SHOT_POS", entry.shotPos.y, 1);
    node->Read(u"WINKEL", entry.winkel);
    auto at = std::find_if(m_shotPositions.begin(), m_shotPositions.end(),
                           [&](const ShotPosEntry& e) { return e.winkel > entry.winkel; });
    m_shotPositions.insert(at, entry);
  }
  bool flag = true;
  if (block->Read(u"CAMERATARGET", flag)) m_cameraTarget = flag ? 1 : 0;

  const AnimationManager* animations = globals ? globals->GetAnimationManager() : nullptr;
  const char16_t* animationKeys[2] = {u"WAFFENANIMATION_GEW\u00C4HLT", u"WAFFENANIMATION_FEUER"};
  for (int pair = 0; pair < 2; ++pair) {
    const KVNode* node = block->GetChild(0, animationKeys[pair]);
    if (!node) continue;
    for (unsigned variant = 0; variant < 2 && variant < node->GetValueCount(); ++variant) {
      const std::u16string& name = node->GetValue(variant)->Text();
      const Animation* animation = animations ? animations->FindAnimation(name) : nullptr;
      if (!animation && animations) ReportMissing("animation", name);
      m_animations[pair][variant] = animation;
    }
  }
  if (const KVNode* node = block->GetChild(0, u"PLAY_WAFFENANIMATION")) {
    if (const KVValue* v = node->GetValue(0)) m_playAnimation[0] = m_playAnimation[1] = v->AsBool() ? 1 : 0;
    if (const KVValue* v = node->GetValue(1)) m_playAnimation[1] = v->AsBool() ? 1 : 0;
  }
  if (block->Read(u"WAFFENANIMATION_FEUER_BIS_ENDE", flag)) m_fireAnimationToEnd = flag ? 1 : 0;
  if (block->GetChild(0, u"WAFFENANIMATION_WINKEL")) {
    block->Read(u"WAFFENANIMATION_WINKEL", m_animationAngles[0], 0);
    block->Read(u"WAFFENANIMATION_WINKEL", m_animationAngles[1], 1);
  } else if (!m_shotPositions.empty()) {
    m_animationAngles[0] = m_shotPositions.front().winkel;
    m_animationAngles[1] = m_shotPositions.back().winkel;
  }
  block->Read(u"WAFFEN_WINKEL", m_aimAngles[0], 0);
  block->Read(u"WAFFEN_WINKEL", m_aimAngles[1], 1);

  block->Read(u"NAME", m_name);
  block->Read(u"TEXT_ID", m_textId);
  block->Read(u"STEUERUNGSTYP", m_controlType);
  block->Read(u"USES_PER_ROUND", m_usesPerTurn);
  block->Read(u"WORM_AUSNAHME_TIME", m_wormGraceTime);
  block->Read(u"USES_PER_GAME", m_ammunition);
  block->Read(u"START_RUNDE", m_startRound);
  // Out of range: no use per turn is the least, -1 (unlimited) the lowest stock, and a shell
  // cannot ignore its shooter for a negative time.
  m_usesPerTurn = std::max(m_usesPerTurn, 0);
  m_ammunition = std::max(m_ammunition, -1);
  m_wormGraceTime = std::max(m_wormGraceTime, 0.0);

  const DataArchive* archive = globals ? globals->GetArchive() : nullptr;
  if (const KVNode* node = block->GetChild(0, u"VORSCHAU_BILDCHEN")) {
    TexturDefCache* cache =
        m_context && m_context->graphics ? m_context->graphics->GetTexturDefCache() : nullptr;
    const KVValue* file = node->GetValue(0);
    if (cache && file) {
      const SearchPath path(node->GetChild(0, u"SEARCHPATH"));
      const KVValue* part = node->GetValue(1);
      m_preview = cache->Get(file->Text(), &path, part ? &part->Text() : nullptr, archive);
      if (!m_preview)
        std::fprintf(stderr, "waffen.waf: %s: no picture %s\n", platform::U16ToUtf8(m_name).c_str(),
                     platform::U16ToUtf8(file->Text()).c_str());
    }
  }

  block->Read(u"SHOT_SOUND_VERH", m_shotSoundPeriod);
  // A period below 1 would play no sound or divide by zero: every shot sounds.
  m_shotSoundPeriod = std::max(m_shotSoundPeriod, 1);
  APISound* sound = m_context ? m_context->sound : nullptr;
  if (const KVNode* node = block->GetChild(0, u"ON_SHOT_SOUNDS"); node && sound) {
    const SearchPath path(block->GetChild(0, u"SEARCHPATH"));
    for (unsigned i = 0; i < node->GetValueCount(); ++i) {
      const std::u16string& name = node->GetValue(i)->Text();
      SoundSet* set = sound->Cache().FindOrCreate({&name, &path, archive});
      if (sound->HasDevice() && set && set->UsableCount() == 0) {
        ReportMissing("sound", name);
        continue;
      }
      m_shotSounds.push_back(set);
    }
  }
  m_shotSoundWeights = CumulativeWeights(block->GetChild(0, u"ON_SHOT_SOUND_PROP"), m_shotSounds.size());
}

std::vector<double> Waffe::CumulativeWeights(const KVNode* weights, size_t count) {
  // Missing weights count 1, negative ones 0, and when every weight is 0 each choice is as
  // likely as the others.
  std::vector<double> w(count, 1.0);
  for (size_t i = 0; weights && i < w.size() && i < weights->GetValueCount(); ++i)
    w[i] = std::max(weights->GetValue(unsigned(i))->AsDouble(), 0.0);
  double sum = 0.0;
  for (double v : w) sum += v;
  if (sum <= 0.0) {
    std::fill(w.begin(), w.end(), 1.0);
    sum = double(w.size());
  }
  std::vector<double> out;
  double running = 0.0;
  for (double v : w) {
    running += v / sum;
    out.push_back(running);
  }
  if (!out.empty()) out.back() = 1.0;
  return out;
}

Waffe::~Waffe() = default;

void Waffe::ReportMissing(const char* what, const std::u16string& name) {
  m_usable = false;
  std::fprintf(stderr, "waffen.waf: %s cannot be fired: no %s \"%s\"\n", platform::U16ToUtf8(m_name).c_str(),
               what, platform::U16ToUtf8(name).c_str());
}

std::u16string Waffe::Text(std::u16string_view key) const {
  const std::u16string* text = m_context && m_context->language ? m_context->language->GetText(key) : nullptr;
  return text ? *text : std::u16string();
}

void Waffe::Arm(double /*value*/) { m_stateFlag = 1; }

void Waffe::DrawDescription(const TextBoxStyle& style) {
  if (const auto text = DescriptionText(style.flag != 0))
    DrawTextBox(m_context, m_globals, *text, nullptr, style);
}

int32_t Waffe::Fire(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                    const Vector2& target) {
  if (!CanFire(worm) || !HasAmmoFor(worm)) return 0;
  const Mannschaft* team = WaffenTeams::Current().TeamOf(worm);
  m_currentRecord = -1;
  for (size_t i = 0; i < m_teamRecords.size(); ++i)
    if (m_teamRecords[i].team == team) {
      m_currentRecord = int32_t(i);
      break;
    }
  return FireImpl(worm, shotPosition, direction, strength, target);
}

bool Waffe::HasAmmoFor(const Objekt& worm) const {
  // A weapon whose block named something missing is shown greyed, as if it were spent.
  if (!m_usable) return false;
  const Mannschaft* team = WaffenTeams::Current().TeamOf(worm);
  const WaffenTeamRecord* record = team ? FindTeamRecord(team) : nullptr;
  return record && record->CanUse();
}

const WaffenTeamRecord* Waffe::FindTeamRecord(const Mannschaft* team) const {
  for (auto it = m_teamRecords.rbegin(); it != m_teamRecords.rend(); ++it)
    if (it->team == team) return &*it;
  return nullptr;
}

WaffenTeamRecord* Waffe::FindTeamRecord(const Mannschaft* team) {
  return const_cast<WaffenTeamRecord*>(static_cast<const Waffe*>(this)->FindTeamRecord(team));
}

int32_t Waffe::GetAmmoForTeam(const Mannschaft* team) const {
  const WaffenTeamRecord* record = FindTeamRecord(team);
  return record ? record->ammunition : 0;
}

void Waffe::AddTeamRecord(Mannschaft* team) {
  if (FindTeamRecord(team)) return;
  WaffenTeamRecord record(team, *this);
  record.context = m_context;
  record.globals = m_globals;
  m_teamRecords.push_back(std::move(record));
}

void Waffe::ClearTeamRecords() {
  m_teamRecords.clear();
  m_currentRecord = -1;
}

void Waffe::NewTurn() {
  Cancel();
  m_usesThisTurn = 0;
  m_turnTimer = 0.0;
  m_shotCounter = 0;
  m_active = 0;
  // One unit per turn in which the team fired it, however many shots the turn allowed.
  if (m_currentRecord >= 0 && size_t(m_currentRecord) < m_teamRecords.size()) {
    WaffenTeamRecord& record = m_teamRecords[size_t(m_currentRecord)];
    if (record.ammunition > 0) record.AddAmmo(-1, false);
  }
  m_currentRecord = -1;
}

Vector2 Waffe::GetShotPosition(const Vector2& base, const Vector2& wormSize, bool mirrored, double aimAngle,
                               bool useCentre) const {
  const float w = wormSize.x, h = wormSize.y;
  if (m_shotPositions.empty()) return base + Vector2(0.0f, -h / 2.0f);
  const double a = std::clamp(aimAngle, m_shotPositions.front().winkel, m_shotPositions.back().winkel);
  size_t hi = 0;
  while (hi + 1 < m_shotPositions.size() && m_shotPositions[hi].winkel < a) ++hi;
  size_t lo = hi;
  if (hi > 0)
    lo = hi - 1;
  else if (m_shotPositions.size() > 1)
    hi = 1;
  const ShotPosEntry& l = m_shotPositions[lo];
  const ShotPosEntry& u = m_shotPositions[hi];
  // Equal angles (one entry, or several at the same angle) take the lower entry's point.
  const double span = u.winkel - l.winkel;
  const double t = span != 0.0 ? (a - l.winkel) / span : 0.0;
  const Vector2& p0 = useCentre ? l.centre : l.shotPos;
  const Vector2& p1 = useCentre ? u.centre : u.shotPos;
  const Vector2 p(float(p0.x + (p1.x - p0.x) * t), float(p0.y + (p1.y - p0.y) * t));
  const float y = -h + p.y * h;
  const float x = mirrored ? -w / 2.0f + p.x * w : w / 2.0f - p.x * w;
  return base + Vector2(x, y);
}

void Waffe::PlayShotSound() {
  if (m_shotCounter == 0 && !m_shotSounds.empty()) {
    const double r = platform::RandFraction();
    for (size_t i = 0; i < m_shotSounds.size(); ++i)
      if (m_shotSoundWeights[i] >= r) {
        if (m_context && m_context->sound && m_shotSounds[i])
          m_context->sound->Play(m_shotSounds[i], APISound::kDefaultVolume);
        break;
      }
  }
  m_shotCounter = (m_shotCounter + 1) % m_shotSoundPeriod;
}

const Animation* Waffe::GetAnimationId(bool held, bool secondVariant) const {
  return m_animations[held ? 0 : 1][secondVariant ? 1 : 0];
}

void Waffe::GetAnimationAngles(double& low, double& high) const {
  low = m_animationAngles[0];
  high = m_animationAngles[1];
}

Waffe* Waffe::FindByName(const std::vector<Waffe*>& list, const std::u16string& name) {
  if (name.empty()) return nullptr;
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if (*it && (*it)->GetName() == name) return *it;
  return nullptr;
}

Rect KeepOnScreen(Rect box, int32_t screenWidth, int32_t screenHeight) {
  auto shift = [](int32_t& low, int32_t& high, int32_t limit) {
    if (high > limit) {
      low -= high - limit;
      high = limit;
    }
    if (low < 0) {
      high -= low;
      low = 0;
    }
  };
  shift(box.left, box.right, screenWidth);
  shift(box.top, box.bottom, screenHeight);
  return box;
}

void DrawTextBox(APIContext* context, MyGlobals* globals, const std::u16string& text, const Rect* rect,
                 const TextBoxStyle& style) {
  APIGraphics* graphics = context ? context->graphics : nullptr;
  FontManager* fonts = graphics ? graphics->GetFontManager() : nullptr;
  if (!graphics) return;
  Rect box;
  if (rect) {
    box = *rect;
  } else {
    box = {int32_t(style.position.x), int32_t(style.position.y), int32_t(style.position.x),
           int32_t(style.position.y)};
    if (fonts) fonts->MeasureText(style.font, text.c_str(), &box, kDtCalcRect, 0);
    box.right += 2 * style.border;
    box.bottom += 2 * style.border;
  }
  box = KeepOnScreen(box, int32_t(graphics->GetScreenWidth()), int32_t(graphics->GetScreenHeight()));
  const Argb tint = style.tint;
  if (globals)
    globals->DrawRectBox(
        box.left, box.top, box.right, box.bottom, style.border, MultiplyColours(style.boxColours[1], tint),
        MultiplyColours(style.boxColours[0], tint), MultiplyColours(style.boxColours[2], tint), 0, 0, 0, 0);
  if (!fonts) return;
  const uint32_t format = kDtCenter | kDtVCenter | kDtNoClip;
  fonts->DrawTextHalo(style.font, &text, &box, style.effectValue, style.effectParams[0],
                      style.effectParams[1], format, MultiplyColours(style.effectColour, tint));
  fonts->DrawText(style.font, &text, &box, format, MultiplyColours(style.textColour, tint));
}
