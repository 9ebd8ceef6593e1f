#include "battle/leveldisplay.h"

#include <algorithm>

#include "battle/cameramanager.h"
#include "battle/level.h"
#include "battle/waffe.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apiinput.h"
#include "engine/fontmanager.h"
#include "engine/myglobals.h"
#include "engine/sprache.h"
#include "engine/spriterenderer.h"
#include "platform/spritebatch.h"

namespace {

MyGlobals* GlobalsOf(MyGlobals* globals, APIContext* context) {
  if (globals) return globals;
  return context ? dynamic_cast<MyGlobals*>(context->globals.get()) : nullptr;
}

}  // namespace

LevelDisplay::LevelDisplay(Level& level, MyGlobals* globals, APIContext* context)
    : m_level(level),
      m_globals(GlobalsOf(globals, context ? context : APIContext::Get())),
      m_context(context ? context : APIContext::Get()),
      m_hud(std::make_unique<LevelHud>(m_context, m_globals, this, m_globals ? m_globals->GetCamera() : nullptr)),
      m_renderer(m_context, m_globals, this, m_hud.get()) {}

LevelDisplay::~LevelDisplay() { Listen(false); }

void LevelDisplay::Listen(bool on) {
  if (!m_context->input || on == m_listening) return;
  if (on)
    m_context->input->RegisterControl(m_hud.get(), true);
  else
    m_context->input->UnregisterControl(m_hud.get());
  m_listening = on;
}

void LevelDisplay::BeginRound() {
  m_hud->BuildHudBar();
  m_hud->BuildWeaponStore();
  m_hud->Reset();
  m_hud->ForgetWeapons();
  m_hud->CloseStore();
  m_levelStoreTarget = m_level.GetPanelAnimator().GetTarget();
  Listen(true);
}

void LevelDisplay::EndRound() {
  m_hud->CloseStore();
  m_hud->ForgetWeapons();
  Listen(false);
}

void LevelDisplay::Update() {
  const FrameTimer* timer = m_context->timer.get();
  const double dt = timer ? timer->gameStep : 0.0, real = timer ? timer->realStep : 0.0;
  const InputState* mouse = m_context->input ? m_context->input->GetInputState() : nullptr;
  m_hud->Update(mouse, dt);
  // The display closed the store (a weapon taken, a click beside it): the Level's closes too.
  if (m_globals && !m_hud->IsStoreOpening() && m_level.GetPanelAnimator().GetTarget() != 0.0 &&
      m_globals->panelRequest == 0)
    m_globals->panelRequest = 2;
  m_level.Update();
  // The Level opened or closed its store (the weapon key, a new turn): the display follows.
  const double target = m_level.GetPanelAnimator().GetTarget();
  if (target != m_levelStoreTarget) {
    if (target != 0.0)
      m_hud->OpenStore(mouse);
    else
      m_hud->CloseStore();
    m_levelStoreTarget = target;
  }
  m_hud->UpdateDescription(real);
}

void LevelDisplay::RenderOverlay() {
  if (IsRoundStarted() && !IsRunning()) {
    // Paused: a box in the middle says so; the pause button or the pause key goes on.
    APIGraphics* graphics = m_context->graphics;
    SpriteRenderer* sprites = graphics ? graphics->GetSpriteRenderer() : nullptr;
    if (!sprites || !m_globals || !Succeeded(sprites->Begin(SpriteRenderer::kAlphaBlend))) return;
    std::u16string text = u"Pause";
    if (m_context->language)
      if (const std::u16string* t = m_context->language->GetText(u"PAUSEMENU")) text = *t;
    const int32_t w = int32_t(graphics->GetScreenWidth()), h = int32_t(graphics->GetScreenHeight());
    Rect box{w / 2 - 150, h / 2 - 45, w / 2 + 150, h / 2 + 45};
    m_hud->DrawPanel(box);
    if (FontManager* fonts = graphics->GetFontManager())
      fonts->DrawText(m_hud->GetFont(0), &text, &box, kDtCenter | kDtVCenter | kDtNoClip, 0xFFFFFFFF);
    // The buttons stay, so the pause button can end the pause.
    m_hud->GetElement(LevelHud::kHudSlot)->CallHandler();
    sprites->End();
    return;
  }
  m_renderer.RenderOverlay();
  if (m_helpShown && IsRunning() && GetActiveWorm()) {
    SpriteRenderer* sprites = m_context->graphics ? m_context->graphics->GetSpriteRenderer() : nullptr;
    if (!sprites || !Succeeded(sprites->Begin(SpriteRenderer::kAlphaBlend))) return;
    if (m_context->language)
      if (const std::u16string* help = m_context->language->GetText(u"BATTLE_HILFE"))
        DrawTextPanel(*help, m_hud->GetFont(2));
    sprites->End();
  }
}

void LevelDisplay::DrawTextPanel(const std::u16string& text, int font) {
  APIGraphics* graphics = m_context->graphics;
  FontManager* fonts = graphics ? graphics->GetFontManager() : nullptr;
  if (!fonts || !m_globals) return;
  std::vector<std::u16string> lines;
  for (size_t start = 0; start <= text.size();) {
    const size_t bar = text.find(u'|', start);
    lines.push_back(text.substr(start, bar == std::u16string::npos ? std::u16string::npos : bar - start));
    if (bar == std::u16string::npos) break;
    start = bar + 1;
  }
  constexpr int32_t kRow = 26, kBorder = 24, kWidth = 560;
  const int32_t w = int32_t(graphics->GetScreenWidth()), h = int32_t(graphics->GetScreenHeight());
  const int32_t height = kRow * int32_t(lines.size()) + 2 * kBorder;
  const int32_t top = std::max(10, h / 2 - height / 2);
  m_hud->DrawPanel({w / 2 - kWidth / 2, top, w / 2 + kWidth / 2, top + height});
  int32_t y = top + kBorder;
  for (const std::u16string& line : lines) {
    Rect r{w / 2 - kWidth / 2 + kBorder, y, w / 2 + kWidth / 2 - kBorder, y + kRow};
    fonts->DrawText(font, &line, &r, kDtVCenter | kDtNoClip, 0xFFFFFFFF);
    y += kRow;
  }
}

namespace {

std::vector<std::u16string> SplitLines(const std::u16string& text) {
  std::vector<std::u16string> out;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t bar = text.find(u'|', start);
    out.push_back(text.substr(start, bar == std::u16string::npos ? std::u16string::npos : bar - start));
    if (bar == std::u16string::npos) break;
    start = bar + 1;
  }
  return out;
}

}  // namespace

std::vector<LevelDisplay::ResultLine> LevelDisplay::ResultLines(std::u16string* headline) const {
  std::vector<ResultLine> lines;
  if (headline) *headline = m_level.BuildRoundEndHeadline();
  // Two tables of labels and values side by side: columns 0 and 1, then 2 and 3.
  for (int32_t column = 0; column < 4; column += 2) {
    const std::vector<std::u16string> labels = SplitLines(m_level.BuildRoundEndTable(column));
    const std::vector<std::u16string> values = SplitLines(m_level.BuildRoundEndTable(column + 1));
    for (size_t i = 0; i < labels.size(); ++i) {
      if (labels[i].empty()) continue;
      lines.push_back({labels[i], i < values.size() ? values[i] : u""});
    }
  }
  return lines;
}

void LevelDisplay::RenderResult() {
  if (m_level.GetRanking().empty() || !m_globals) return;
  APIGraphics* graphics = m_context->graphics;
  SpriteRenderer* sprites = graphics ? graphics->GetSpriteRenderer() : nullptr;
  FontManager* fonts = graphics ? graphics->GetFontManager() : nullptr;
  if (!sprites || !fonts) return;
  const bool ownBatch = !sprites->Batch() || !sprites->Batch()->InBatch();
  if (ownBatch && !Succeeded(sprites->Begin(SpriteRenderer::kAlphaBlend))) return;
  std::u16string headline;
  const std::vector<ResultLine> lines = ResultLines(&headline);
  constexpr int32_t kRow = 28, kHead = 60, kWidth = 680, kBorder = 24;
  const int32_t w = int32_t(graphics->GetScreenWidth()), h = int32_t(graphics->GetScreenHeight());
  const int32_t height = kHead + kRow * int32_t(lines.size()) + 2 * kBorder;
  const Rect box{w / 2 - kWidth / 2, std::max(10, h / 2 - height / 2), w / 2 + kWidth / 2,
                 std::max(10, h / 2 - height / 2) + height};
  m_hud->DrawPanel(box);
  Rect head{box.left, box.top + kBorder, box.right, box.top + kBorder + kHead - 10};
  const int headFont = m_hud->GetFont(0), rowFont = m_hud->GetFont(2);
  fonts->DrawText(headFont, &headline, &head, kDtCenter | kDtVCenter | kDtNoClip, 0xFFFFE9A8);
  int32_t y = box.top + kBorder + kHead;
  for (const ResultLine& line : lines) {
    Rect left{box.left + kBorder, y, w / 2 + 40, y + kRow};
    Rect right{w / 2 + 50, y, box.right - kBorder, y + kRow};
    fonts->DrawText(rowFont, &line.label, &left, kDtVCenter | kDtNoClip, 0xFFDDDDDD);
    fonts->DrawText(rowFont, &line.value, &right, kDtVCenter | kDtNoClip, 0xFFFFFFFF);
    y += kRow;
  }
  if (ownBatch) sprites->End();
}

Worm* LevelDisplay::GetActiveWorm() const { return m_level.GetActiveWorm(); }

double LevelDisplay::GetTurnTimeLeft() const { return m_level.GetTurnTimeLeft(); }

bool LevelDisplay::IsRoundStarted() const { return (m_level.GetState() & Level::kRoundStarted) != 0; }

bool LevelDisplay::IsRunning() const { return (m_level.GetState() & Level::kRunning) != 0; }

void LevelDisplay::OpenPauseScreen() { m_level.SetRunning(!IsRunning()); }
