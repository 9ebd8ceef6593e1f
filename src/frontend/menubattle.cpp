// The first scene's hot-seat battle.
#include "frontend/menubattle.h"

#include <algorithm>

#include "battle/cameramanager.h"
#include "battle/steuerungliste.h"
#include "battle/waffenset.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apiinput.h"
#include "engine/fontmanager.h"
#include "engine/frametimer.h"
#include "engine/messagepanel.h"
#include "engine/myloadscreen.h"
#include "engine/myglobals.h"
#include "engine/spriterenderer.h"
#include "objects/mannschaft.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/numeric.h"
#include "platform/text.h"
#include "platform/texture.h"
#include "world/levelinfo.h"

namespace {

constexpr uint8_t kKeyEscape = 1;
constexpr uint8_t kKeyEnter = 28;
constexpr uint8_t kKeySpace = 57;
constexpr uint8_t kKeyNumpadEnter = 156;
constexpr Argb kShadow = 0xA0000000;
constexpr Argb kTextColour = 0xFFFFFFFF;
constexpr int32_t kMargin = 16;
constexpr int32_t kLineHeight = 26;
constexpr uint32_t kCentredFormat = kDtCenter | kDtSingleLine | kDtNoClip;

std::vector<std::u16string> SplitLines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i)
    if (i == text.size() || text[i] == u'|') {
      lines.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  return lines;
}

}  // namespace

MenuBattle::MenuBattle(MyGlobals* globals, APIContext* context)
    : m_globals(globals), m_context(context), m_level(globals, context), m_display(m_level, globals, context) {
  APIGraphics* graphics = m_context ? m_context->graphics : nullptr;
  if (FontManager* fonts = graphics ? graphics->GetFontManager() : nullptr) {
    m_fonts[0] = fonts->AddFont(std::make_unique<MyFont>(FontDesc(u"Roboto Condensed", 24), graphics));
    m_fonts[1] = fonts->AddFont(std::make_unique<MyFont>(FontDesc(u"Roboto Black", 34), graphics));
    // The turn changes and what happened at the end of each turn, under the turn's panel in
    // the top left corner.
    const int32_t top = 64 + 4 * kLineHeight;
    if (m_globals) m_globals->fadingTextList.Place({kMargin, top, kMargin + 640, top + 8 * kLineHeight}, m_fonts[0]);
  }
}

MenuBattle::~MenuBattle() = default;

void MenuBattle::ChooseTeams() {
  WormManager* manager = m_globals->GetWormManager();
  m_teams.clear();
  // The roster's first teams that field worms; new teams for the rest, kept out of the
  // roster so that the player's team file does not grow with every start.
  for (const auto& team : manager->Teams())
    if (int32_t(m_teams.size()) < kTeamCount && team->GetWormCount() > 0) m_teams.push_back({team.get(), u"DEFAULT"});
  while (int32_t(m_teams.size()) < kTeamCount && manager->GetDefaultWorm()) {
    Mannschaft* team = manager->AddTeam(std::make_unique<Mannschaft>(*manager, true));
    manager->RemoveTeam(team);
    m_teams.push_back({team, u"DEFAULT"});
  }
  // The second team plays against the player, unless there is no such control.
  SteuerungListe* controls = m_globals->GetSteuerungListe();
  if (m_teams.size() > 1 && controls && controls->FindByName(opponent)) {
    m_teams[1].control = opponent;
  }
}

bool MenuBattle::Start(const LevelInfo& level, uint32_t seed, MyLoadScreen* loadScreen, bool reuseWorld) {
  m_levelInfo = &level;
  m_seed = seed;
  m_loadScreen = loadScreen;
  if (!m_globals || !m_globals->GetWormManager()) {
    m_error = u"There is no game to play.";
    return false;
  }
  ChooseTeams();
  m_level.SetWinsNeeded(1);
  m_level.SetRoundTime(kRoundTime);
  m_started = m_level.Start(level, seed, m_teams, true, &m_error, loadScreen, {}, reuseWorld);
  if (loadScreen) loadScreen->ReleasePictures();
  // The key that started the battle (Enter is also the jump) counts for nothing in it.
  if (SteuerungListe* controls = m_globals->GetSteuerungListe()) {
    controls->Update();
    for (const auto& control : controls->Controls()) control->ConsumeAll();
  }
  // The camera starts near the first worm, at the screen's own scale; the wheel zooms out.
  CameraManager* camera = m_globals->GetCamera();
  APIGraphics* graphics = m_context ? m_context->graphics : nullptr;
  if (m_started && camera && graphics && m_level.GetActiveWorm()) {
    const Vector2 at = *m_level.GetActiveWorm()->GetPosition();
    const float width = float(graphics->GetScreenWidth()), height = float(graphics->GetScreenHeight());
    camera->SetView({at.x - width / 2.0f, at.y - height / 2.0f, width, height});
  }
  m_decidedFor = m_resultFor = 0.0;
  m_booked = m_restartAsked = false;
  if (m_started) {
    ++m_battles;
    // The display lays itself out for the teams and takes the mouse.
    m_display.BeginRound();
  }
  return m_started;
}

bool MenuBattle::Restart() {
  if (!m_levelInfo) return false;
  // The next battle: the same level with the next seed.
  return Start(*m_levelInfo, m_seed + 1, m_loadScreen, false);
}

void MenuBattle::Update() {
  if (!m_started) return;
  // The display's frame runs the battle's.
  m_display.Update();
  const double real = m_context && m_context->timer ? m_context->timer->realStep : 0.0;
  if (!m_level.IsRoundDecided() && !m_booked) return;
  if (!m_booked) {
    // The round's end stays in view a moment before it is booked and the result shows.
    m_decidedFor += real;
    if (m_decidedFor < Level::kDecisionWait) return;
    m_level.UpdateRoundStatistics();
    m_booked = true;
    // The result has the screen: the display lets the mouse go.
    m_display.EndRound();
    m_resultFor = 0.0;
    return;
  }
  m_resultFor += real;
  if (m_restartAsked) {
    m_restartAsked = false;
    m_display.EndRound();
    m_level.EndRoundTeardown();
    Restart();
  }
}

bool MenuBattle::TakesEscape() const {
  return m_started && !m_booked && !m_level.IsRoundDecided() && m_display.IsRoundStarted() && m_display.IsRunning();
}

void MenuBattle::OnKeyDown(const InputState* state) {
  if (state && state->keyboard.WasKeyPressed(kKeyEscape) && TakesEscape()) {
    m_display.OpenPauseScreen();
    return;
  }
  if (!state || !m_booked || m_resultFor < kResultPause) return;
  if (state->keyboard.WasKeyPressed(kKeyEnter) || state->keyboard.WasKeyPressed(kKeySpace) ||
      state->keyboard.WasKeyPressed(kKeyNumpadEnter))
    m_restartAsked = true;
}

void MenuBattle::RenderPass() {
  if (m_started) m_display.RenderPass();
}

bool MenuBattle::RenderForEffect(const std::u16string& name) {
  return m_started && m_display.RenderForEffect(name);
}

std::vector<std::u16string> MenuBattle::OverlayLines() const {
  std::vector<std::u16string> lines;
  if (!m_started) {
    lines.push_back(m_error.empty() ? std::u16string(u"Enter: a battle against the computer    H: two players at one keyboard") : m_error);
    return lines;
  }
  if (m_booked) {
    lines.push_back(m_level.BuildRoundEndHeadline());
    const std::vector<std::u16string> names = SplitLines(m_level.BuildRoundEndTable(0));
    const std::vector<std::u16string> values = SplitLines(m_level.BuildRoundEndTable(1));
    const std::vector<std::u16string> names2 = SplitLines(m_level.BuildRoundEndTable(2));
    const std::vector<std::u16string> values2 = SplitLines(m_level.BuildRoundEndTable(3));
    for (size_t i = 0; i < names.size(); ++i) lines.push_back(names[i] + u" " + (i < values.size() ? values[i] : u""));
    for (size_t i = 0; i < names2.size(); ++i)
      lines.push_back(names2[i] + u" " + (i < values2.size() ? values2[i] : u""));
    return lines;
  }
  if (const Worm* worm = m_level.GetActiveWorm()) {
    const Mannschaft* team = worm->GetTeam();
    const int32_t seconds = std::max(0, platform::TruncToInt(m_level.GetTurnTimeLeft() + 0.999));
    lines.push_back(worm->GetName() + u" (" + (team ? team->GetName() : u"") + u")  " +
                    platform::FormatW(u"%d s", seconds));
  }
  for (const Mannschaft* team : m_globals->GetWormManager()->PlayingTeams())
    lines.push_back(team->GetName() + platform::FormatW(u": %d", platform::TruncToInt(team->TotalHealth())));
  return lines;
}

void MenuBattle::RenderOverlay() {
  APIGraphics* graphics = m_context ? m_context->graphics : nullptr;
  FontManager* fonts = graphics ? graphics->GetFontManager() : nullptr;
  SpriteRenderer* renderer = graphics ? graphics->GetSpriteRenderer() : nullptr;
  if (!fonts || !renderer || m_fonts[0] < 0) return;
  if (m_started && !m_booked) {
    // The battle's own display: the HUD, the team panels, the store, the descriptions.
    m_display.RenderOverlay();
    if (!m_display.IsRoundStarted() || m_display.IsRunning() || !Succeeded(renderer->Begin(SpriteRenderer::kAlphaBlend)))
      return;
    // Paused: under the box, how to go on or end the game.
    const int32_t width = int32_t(graphics->GetScreenWidth()), height = int32_t(graphics->GetScreenHeight());
    const std::u16string line = u"Pause button: go on    Esc: quit";
    Rect r{0, height / 2 + 60, width, height / 2 + 60 + kLineHeight};
    const Vector2 shadow{2.0f, 2.0f};
    fonts->DrawTextOffset(m_fonts[0], &line, &r, &shadow, 0.0, kCentredFormat, kShadow);
    fonts->DrawText(m_fonts[0], &line, &r, kCentredFormat, 0xFFE0ECFF);
    renderer->End();
    return;
  }
  if (m_booked) m_display.RenderResult();
  const int32_t width = int32_t(graphics->GetScreenWidth()), height = int32_t(graphics->GetScreenHeight());
  auto text = [&](int font, const std::u16string& line, Rect r, uint32_t format, Argb colour) {
    const Vector2 shadow{2.0f, 2.0f};
    fonts->DrawTextOffset(m_fonts[font], &line, &r, &shadow, 0.0, format, kShadow);
    fonts->DrawText(m_fonts[font], &line, &r, format, colour);
  };
  const std::vector<std::u16string> lines = OverlayLines();
  if (lines.empty() || !Succeeded(renderer->Begin(SpriteRenderer::kAlphaBlend))) return;
  if (!m_started) {
    // Before the battle: how to start it, at the bottom of the screen.
    text(0, lines[0], {0, height - kMargin - kLineHeight, width, height - kMargin}, kCentredFormat, kTextColour);
  } else if (m_resultFor >= kResultPause) {
    // Under the result: how to go on.
    text(0, u"Enter: next battle    Esc: quit", {0, height - 3 * kMargin - kLineHeight, width, height - 3 * kMargin},
         kCentredFormat, 0xFFE0ECFF);
  }
  renderer->End();
}
