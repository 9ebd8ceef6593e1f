#include "battle/levelhud.h"

#include <algorithm>
#include <cmath>

#include "battle/cameramanager.h"
#include "battle/humansteuerung.h"
#include "battle/steuerungliste.h"
#include "battle/waffe.h"
#include "battle/waffenset.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/fontmanager.h"
#include "engine/myglobals.h"
#include "engine/searchpath.h"
#include "engine/sprache.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "objects/mannschaft.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/numeric.h"
#include "platform/text.h"
#include "world/wind.h"

namespace {

// Texture indices of the parts.
enum Part : int {
  kPartMessagesButton = 0,
  kPartPauseButton = 2,
  kPartHelpButton = 4,
  kPartTime = 6,
  kPartWindBackground = 8,
  kPartWindBar = 9,
  kPartActiveTeam = 10,
  kPartHealthBackground = 11,
  kPartHealthBar = 12,
  kPartTeam = 13,
  kPartHuman = 14,
  kPartComputer = 15,
  kPartDifficulty = 16,
  kPartMessages = 19,
  kPartStore = 20,
  kPartCell = 21,
};

constexpr Argb kWhite = 0xFFFFFFFF;

// Channel by channel, each as a fraction of 255.
Argb Multiply(Argb a, Argb b) {
  Argb out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t x = (a >> shift) & 0xFF, y = (b >> shift) & 0xFF;
    out |= ((x * y + 127) / 255) << shift;
  }
  return out;
}

Argb WithAlpha(Argb colour, double alpha) {
  const double a = std::clamp(alpha, 0.0, 1.0);
  return Multiply(colour, (Argb(platform::TruncToInt(a * 255.0 + 0.5)) << 24) | 0x00FFFFFF);
}

Argb Blend(Argb from, Argb to, double t) {
  t = std::clamp(t, 0.0, 1.0);
  Argb out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const double x = double((from >> shift) & 0xFF), y = double((to >> shift) & 0xFF);
    out |= Argb(platform::TruncToInt(x + (y - x) * t + 0.5)) << shift;
  }
  return out;
}

// Each element's texture and its hover look (-1: none).
struct ElementLook {
  int texture;
  int highlight;
};

ElementLook LookOf(int32_t id) {
  switch (id) {
    case LevelHud::kTurnTime: return {kPartTime, -1};
    case LevelHud::kWindMeter: return {kPartWindBackground, -1};
    case LevelHud::kMessageButton: return {kPartMessagesButton, kPartMessagesButton + 1};
    case LevelHud::kPauseButton: return {kPartPauseButton, kPartPauseButton + 1};
    case LevelHud::kHelpButton: return {kPartHelpButton, kPartHelpButton + 1};
    case LevelHud::kMessageList: return {kPartMessages, -1};
    default: return {LevelHud::TeamIndexOf(id) >= 0 ? kPartTeam : -1, -1};
  }
}

}  // namespace

const char16_t* const LevelHud::kTextureNames[kTextureCount] = {
    u"button_show_msgs", u"button_show_msgs_m", u"button_pause",     u"button_pause_m",
    u"button_help",      u"button_help_m",      u"panel_time",       u"panel_menubar",
    u"wind_meter_bg",    u"wind_meter_bar",     u"highlight_team_active", u"health_team_bg",
    u"health_team_bar",  u"panel_team",         u"icon_human",       u"icon_ki",
    u"icon_ki_diff0",    u"icon_ki_diff1",      u"icon_ki_diff2",    u"panel_msgs",
    u"panel_weapons",    u"panel_weapon",
};

LevelHud::LevelHud(APIContext* context, MyGlobals* globals, HudHost* host, MyControl* camera)
    : GUIDrawKlasse(kSlotCount, context),
      m_context(context ? context : APIContext::Get()),
      m_globals(globals),
      m_host(host),
      m_camera(camera) {
  APIGraphics* graphics = m_context->graphics;
  if (graphics) graphics->RegisterResetObjekt(this);
  // The panel stands closed.
  m_panel.SetValue(0.0);
  m_panel.Set(0.0);
  m_panel.SetSpeed(0.001);
  m_panel.SetExponent(1.0);

  if (FontManager* fonts = graphics ? graphics->GetFontManager() : nullptr) {
    static constexpr int32_t kHeights[kFontCount] = {35, 20, 20, 20, 20, 20, 25, 13, 15};
    const std::u16string face = m_globals ? m_globals->fontFaces[0] : u"Arial";
    for (int i = 0; i < kFontCount; ++i)
      m_fonts[i] = fonts->AddFont(std::make_unique<MyFont>(FontDesc(face, kHeights[i]), graphics));
  }
  if (TexturDefCache* cache = graphics ? graphics->GetTexturDefCache() : nullptr) {
    std::u16string file = u"menu_neu.prt", folder = u"texturen\\menu\\neu";
    const SearchPath path(folder);
    const DataArchive* archive = m_globals ? m_globals->GetArchive() : nullptr;
    for (int i = 0; i < kTextureCount; ++i) {
      const std::u16string name = kTextureNames[i];
      m_textures[i] = cache->Get(file, &path, &name, archive);
    }
  }
  BuildHudBar();
  BuildWeaponStore();
  ShowPage(0);
}

LevelHud::~LevelHud() {
  if (m_context->graphics) m_context->graphics->UnregisterResetObjekt(this);
  if (m_context->input) m_context->input->UnregisterControl(this);
}

void LevelHud::SetScreenSize(int32_t width, int32_t height) {
  m_screenWidth = std::max(0, width);
  m_screenHeight = std::max(0, height);
}

int32_t LevelHud::ScreenWidth() const {
  if (m_screenWidth > 0) return m_screenWidth;
  return m_context->graphics ? int32_t(m_context->graphics->GetScreenWidth()) : 0;
}

int32_t LevelHud::ScreenHeight() const {
  if (m_screenHeight > 0) return m_screenHeight;
  return m_context->graphics ? int32_t(m_context->graphics->GetScreenHeight()) : 0;
}

int32_t LevelHud::TextureWidth(int index) const {
  const TexturePartRecord* part = GetTexture(index);
  return part ? part->rect.right - part->rect.left : 0;
}

int32_t LevelHud::TextureHeight(int index) const {
  const TexturePartRecord* part = GetTexture(index);
  return part ? part->rect.bottom - part->rect.top : 0;
}

GUIElement* LevelHud::MakeElement(int32_t id, const GUIRect& rect, bool storeHook, double fadeIn, double fadeOut,
                                  const char16_t* textKey) {
  GUIBehaviour behaviour;
  behaviour.fadeIn = fadeIn;
  behaviour.fadeOut = fadeOut;
  behaviour.handlerObject = this;
  behaviour.handler = storeHook ? &GUIDrawKlasse::DrawListRow : &GUIDrawKlasse::DrawElement;
  return new GUIElement(GUIElementId(u"", textKey, id), rect, {}, behaviour, nullptr, 0, 0, 0, 0,
                        m_context->graphics);
}

std::vector<Mannschaft*> LevelHud::CurrentTeamOrder() const {
  std::vector<Mannschaft*> order;
  WormManager* worms = m_globals ? m_globals->GetWormManager() : nullptr;
  if (!worms) return order;
  // The roster's order; teams playing without being in the roster (made for one battle)
  // follow in their turn order.
  const std::vector<Mannschaft*>& playing = worms->PlayingTeams();
  for (const auto& team : worms->Teams())
    if (std::find(playing.begin(), playing.end(), team.get()) != playing.end()) order.push_back(team.get());
  for (Mannschaft* team : playing)
    if (std::find(order.begin(), order.end(), team) == order.end()) order.push_back(team);
  return order;
}

Mannschaft* LevelHud::GetPlayingTeamByIndex(int index) const {
  WormManager* worms = m_globals ? m_globals->GetWormManager() : nullptr;
  if (!worms || index < 0) return nullptr;
  // The order the panels were laid out in stays while the same teams play: the turn order
  // goes round every turn, the panels keep their places.
  const std::vector<Mannschaft*>& playing = worms->PlayingTeams();
  const bool laidOut = m_teamOrder.size() == playing.size() &&
                       std::all_of(m_teamOrder.begin(), m_teamOrder.end(), [&](Mannschaft* team) {
                         return std::find(playing.begin(), playing.end(), team) != playing.end();
                       });
  if (laidOut) return size_t(index) < m_teamOrder.size() ? m_teamOrder[size_t(index)] : nullptr;
  const std::vector<Mannschaft*> order = CurrentTeamOrder();
  return size_t(index) < order.size() ? order[size_t(index)] : nullptr;
}

int LevelHud::GetPlayingTeamCount() const {
  WormManager* worms = m_globals ? m_globals->GetWormManager() : nullptr;
  return worms ? int(worms->PlayingTeams().size()) : 0;
}

void LevelHud::BuildHudBar() {
  const int32_t W = ScreenWidth(), H = ScreenHeight();
  m_teamOrder = CurrentTeamOrder();
  m_laidOutWidth = W;
  m_laidOutHeight = H;
  auto* bar = MakeElement(kHudBar, {0, 0, W, H}, false, 0.2, 0.2);
  auto add = [&](int32_t id, int32_t x, int32_t y, int texture) {
    GUIElement* child = MakeElement(id, {x, y, TextureWidth(texture), TextureHeight(texture)}, false, 0.2, 0.2);
    bar->AddChild(child);
    return child;
  };
  const int32_t buttonW = TextureWidth(kPartMessagesButton);
  add(kTurnTime, 10, 10, kPartTime);
  add(kWindMeter, W / 2 - TextureWidth(kPartWindBackground) / 2, 10, kPartWindBackground);
  add(kMessageButton, W - 3 * buttonW - 45, 10, kPartMessagesButton);
  add(kPauseButton, W - 2 * TextureWidth(kPartPauseButton) - 30, 10, kPartPauseButton);
  add(kHelpButton, W - TextureWidth(kPartHelpButton) - 15, 10, kPartHelpButton);
  // The team panels side by side, centred along the bottom; when the screen is too narrow
  // for them and their gaps, they come closer together (overlapping at need) but stay on it.
  const int n = GetPlayingTeamCount();
  const int32_t w = TextureWidth(kPartTeam), h = TextureHeight(kPartTeam);
  int32_t pitch = w + 30;
  int32_t left = W / 2 - (n * pitch / 2 - 15);
  if (n > 0 && n * pitch - 30 > W - 20) {
    pitch = n > 1 ? std::max(1, (W - 20 - w) / (n - 1)) : pitch;
    left = n > 1 ? 10 : (W - w) / 2;
  }
  for (int i = 0; i < n; ++i) add(TeamPanelId(i), left + i * pitch, H - 10 - h, kPartTeam);
  m_messagePanel = add(kMessageList, W - TextureWidth(kPartMessages) - 10, 60, kPartMessages);
  SetElement(kHudSlot, bar);
  ApplyMessagesShown();
}

void LevelHud::ApplyMessagesShown() {
  if (!m_messagePanel) return;
  GUIBehaviour& b = m_messagePanel->GetBehaviour();
  b.hoverable = b.enabled = b.intoChildren = m_messagesShown;
}

void LevelHud::BuildWeaponStore() {
  m_storePanel = nullptr;
  m_cellWeapons.clear();
  SetElement(kStoreSlot, nullptr);
  WaffenSet* weapons = m_globals ? m_globals->GetWaffenSet() : nullptr;
  const int32_t C = weapons ? weapons->GetCategoryCount() : 0;
  int32_t R = 0;
  for (int32_t c = 0; c < C; ++c) R = std::max(R, weapons->GetCategory(c)->GetWeaponCount());
  const int32_t cellW = kCellWidth + kCountWidth;
  const int32_t width = cellW * C + kCellGap * std::max(0, C - 1) + 2 * kStoreMargin;
  const int32_t height = kCellHeight * R + kCellGap * std::max(0, R - 1) + 2 * kStoreMargin;
  GUIBehaviour behaviour;
  behaviour.handlerObject = this;
  behaviour.handler = &GUIDrawKlasse::DrawListRow;
  const GUIAnchor centred{kCentreBoth, 0.5, 0.5};
  auto* panel = new GUIElement(GUIElementId(u"", u"WAFFENLAGER", kStorePanel), {0, 0, width, height}, {},
                               behaviour, &centred, 0, 0, 0, 0, m_context->graphics);
  SetElement(kStoreSlot, panel);
  m_storePanel = panel;
  m_cellWeapons.assign(size_t(C) * size_t(R), nullptr);
  for (int32_t c = 0; c < C; ++c) {
    const WaffenKategorie* category = weapons->GetCategory(c);
    for (int32_t r = 0; r < category->GetWeaponCount(); ++r) {
      const int32_t index = c * R + r;
      const GUIRect rect{panel->GetRect().x + kStoreMargin + c * (cellW + kCellGap),
                         panel->GetRect().y + kStoreMargin + r * (kCellHeight + kCellGap), cellW, kCellHeight};
      m_cellWeapons[size_t(index)] = category->GetWaffe(r);
      // AddChild moves the child by the panel's place, so the cell is given relative to it.
      GUIRect relative = rect;
      relative.x -= panel->GetRect().x;
      relative.y -= panel->GetRect().y;
      panel->AddChild(MakeElement(kFirstCell + index, relative, true, 0.25, 1.0));
    }
  }
}

void LevelHud::ShowPage(int page) {
  for (int slot = 0; slot < GetSlotCount(); ++slot) SetVisible(slot, false);
  SetVisible(page, true);
  SetVisible(kStoreSlot, true);
  m_shownPage = page;
}

Waffe* LevelHud::GetCellWeapon(int32_t id) const {
  if (!IsCell(id)) return nullptr;
  const size_t index = size_t(id - kFirstCell);
  return index < m_cellWeapons.size() ? m_cellWeapons[index] : nullptr;
}

GUIElement* LevelHud::FindElement(int32_t id) const {
  std::vector<GUIElement*> open;
  for (int slot = 0; slot < GetSlotCount(); ++slot)
    if (GUIElement* e = GetElement(slot)) open.push_back(e);
  while (!open.empty()) {
    GUIElement* e = open.back();
    open.pop_back();
    if (e->GetId().id == id) return e;
    for (size_t i = 0; i < e->GetChildCount(); ++i) open.push_back(e->GetChild(i));
  }
  return nullptr;
}

void LevelHud::Update(const InputState* mouse, double gameStep) {
  if (mouse) m_mouseX = mouse->mouseX, m_mouseY = mouse->mouseY;
  UpdateHover(mouse);
  UpdateFades();
  m_panel.Step(gameStep * kPanelSpeed);
}

void LevelHud::HandlePanelRequest(int32_t request, const InputState* mouse) {
  if (request == 0) return;
  if (request == 1 || (request == 3 && m_panel.GetTarget() == 0.0))
    OpenStore(mouse);
  else
    CloseStore();
}

void LevelHud::OpenStore(const InputState* mouse) {
  Worm* worm = m_host ? m_host->GetActiveWorm() : nullptr;
  if (!m_storePanel || m_panel.GetValue() >= 0.1 || !worm || !worm->CanAct()) return;
  const int32_t mx = mouse ? mouse->mouseX : m_mouseX, my = mouse ? mouse->mouseY : m_mouseY;
  const GUIRect& r = m_storePanel->GetRect();
  // Kept kStoreEdge from the screen's edges; a screen too small for that centres it.
  auto place = [](int32_t wanted, int32_t size, int32_t screen) {
    const int32_t lo = kStoreEdge, hi = screen - size - kStoreEdge;
    if (hi < lo) return std::max(0, (screen - size) / 2);
    return std::clamp(wanted, lo, hi);
  };
  // Upright, its frame (drawn kStoreFrame beyond the panel) stays between the turn clock
  // and the team panels' health bars; where that band is too short it is centred in it.
  int32_t top = 0, bottom = ScreenHeight();
  if (GUIElement* clock = FindElement(kTurnTime)) top = clock->GetRect().y + clock->GetRect().height;
  if (GUIElement* team = FindElement(TeamPanelId(0))) bottom = team->GetRect().y - kTeamBarRise;
  const int32_t wantedY = my - (kStoreMargin + kCellHeight / 2);
  const int32_t lo = std::max(kStoreEdge, top + kStoreFrame + kCellGap);
  const int32_t hi = std::min(ScreenHeight() - r.height - kStoreEdge, bottom - kStoreFrame - kCellGap - r.height);
  const int32_t y = hi >= lo ? std::clamp(wantedY, lo, hi)
                             : std::max(0, top + (bottom - top - r.height) / 2);
  m_storePanel->SetPosition(place(mx - r.width / 2, r.width, ScreenWidth()), y);
  m_panel.Reset();
  m_panel.Set(1.0);
  m_panel.SetSpeed(1.0 - m_panel.GetStart());
}

void LevelHud::CloseStore() {
  // Its cells are under the pointer no more, though the pointer has not moved.
  m_hovered = nullptr;
  m_panel.Reset();
  m_panel.Set(0.0);
  m_panel.SetSpeed(m_panel.GetStart());
}

void LevelHud::UpdateDescription(double realStep) {
  m_descriptionTimer -= realStep;
  // The description speaks of the weapon of the worm at turn, while a person plays it: a new
  // turn or the computer's turn does not show the last one's.
  Worm* worm = m_host ? m_host->GetActiveWorm() : nullptr;
  Waffe* held = worm && dynamic_cast<HumanSteuerung*>(worm->GetControl()) ? worm->GetWeapon() : nullptr;
  if (held != m_selected) {
    m_selected = held;
    m_descriptionTimer = 0.0;
    // A setting changed before (by the computer, say) does not show it.
    if (held) held->ResetStateByte();
  }
  if (!m_selected || !m_selected->HasSetting() || !m_selected->GetStateByte()) return;
  if (m_descriptionTimer <= 0.0)
    m_descriptionTimer = kDescriptionTime;
  else if (m_descriptionTimer <= kDescriptionFade)
    m_descriptionTimer = kDescriptionTime - (kDescriptionFade - m_descriptionTimer);
  else
    m_descriptionTimer = kDescriptionTime - kDescriptionFade;
  m_selected->ResetStateByte();
}

void LevelHud::ForgetWeapons() {
  m_selected = m_hovered = nullptr;
  m_descriptionTimer = 0.0;
}

double LevelHud::DescriptionAlpha(double timer) {
  if (timer < kDescriptionTime - kDescriptionFade) return std::clamp(timer / kDescriptionFade, 0.0, 1.0);
  return std::clamp((kDescriptionTime - timer) / kDescriptionFade, 0.0, 1.0);
}

bool LevelHud::HoverTest(const InputState* mouse) {
  if (!UpdateHover(mouse)) return false;
  if (m_panel.GetTarget() != 0.0) return true;
  const int32_t id = GetHoveredElement()->GetId().id;
  return !(IsCell(id) || id == kStorePanel || id == kHudBar);
}

void LevelHud::OnMouseMove(const InputState* state) {
  m_hovered = nullptr;
  if (state) m_mouseX = state->mouseX, m_mouseY = state->mouseY;
  if (!HoverTest(state)) {
    if (m_camera) m_camera->OnMouseMove(state);
    return;
  }
  m_hovered = GetCellWeapon(GetHoveredElement()->GetId().id);
}

void LevelHud::OnLeftButtonDown(const InputState* state) {
  m_leftHeld = true;
  if (!HoverTest(state)) {
    if (m_camera) m_camera->OnLeftButtonDown(state);
    return;
  }
  const int32_t id = GetHoveredElement()->GetId().id;
  if (m_panel.GetTarget() != 0.0) {
    if (IsCell(id)) {
      Waffe* weapon = GetCellWeapon(id);
      Worm* worm = m_host ? m_host->GetActiveWorm() : nullptr;
      if (weapon && worm && worm->CanAct() && weapon->HasAmmoFor(*worm)) {
        worm->SetWeapon(weapon);
        m_selected = weapon;
        m_descriptionTimer = kDescriptionTime;
        CloseStore();
      }
    } else if (id != kStorePanel) {
      CloseStore();
    }
  }
  if (id == kPauseButton && m_host) m_host->OpenPauseScreen();
  if (id == kHelpButton && m_host) m_host->OpenHelpScreen();
  if (id == kMessageButton) {
    m_messagesShown = !m_messagesShown;
    ApplyMessagesShown();
  }
}

void LevelHud::OnLeftButtonUp(const InputState* state) {
  m_leftHeld = false;
  if (!HoverTest(state) && m_camera) m_camera->OnLeftButtonUp(state);
}

void LevelHud::OnRightButtonDown(const InputState* state) {
  m_rightHeld = true;
  if (!HoverTest(state) && m_camera) m_camera->OnRightButtonDown(state);
}

void LevelHud::OnRightButtonUp(const InputState* state) {
  m_rightHeld = false;
  if (!HoverTest(state) && m_camera) m_camera->OnRightButtonUp(state);
}

void LevelHud::OnMouseWheel(const InputState* state) {
  if (!HoverTest(state) && m_camera) m_camera->OnMouseWheel(state);
}

void LevelHud::Reset() {
  const int32_t W = ScreenWidth(), H = ScreenHeight();
  // A new screen size lays the HUD out anew.
  if (W != m_laidOutWidth || H != m_laidOutHeight) {
    BuildHudBar();
    BuildWeaponStore();
  }
  if (!m_globals) return;
  auto at = [](int32_t size, double fraction) { return platform::TruncToInt(double(size) * fraction); };
  m_globals->messagePanel1.Place({at(W, 0.2), at(H, 0.1), at(W, 0.8), at(H, 0.25)}, MessagePanel::kFromTop,
                                 std::max(0, m_fonts[4]));
  m_globals->messagePanel2.Place({at(W, 0.2), at(H, 0.6), at(W, 0.8), at(H, 0.75)}, MessagePanel::kFromBottom,
                                 std::max(0, m_fonts[6]));
  m_globals->fadingTextList.Place({W - 175, 70, W - 15, 340}, std::max(0, m_fonts[8]), kMessageLines);
}

void LevelHud::OnResetDevice() { Reset(); }

void LevelHud::DrawPart(int texture, const Rect& dst, Argb colour, int mode) const {
  SpriteRenderer* renderer = m_context->graphics ? m_context->graphics->GetSpriteRenderer() : nullptr;
  const TexturePartRecord* part = GetTexture(texture);
  if (!renderer || !part || dst.right <= dst.left || dst.bottom <= dst.top) return;
  renderer->DrawRectTex(part, &dst, mode, mode, colour);
}

void LevelHud::DrawPartSection(int texture, const Rect& src, const Rect& dst, Argb colour) const {
  SpriteRenderer* renderer = m_context->graphics ? m_context->graphics->GetSpriteRenderer() : nullptr;
  const TexturePartRecord* part = GetTexture(texture);
  if (!renderer || !part || !part->texture || dst.right <= dst.left || src.right <= src.left) return;
  renderer->DrawRect(part->texture, &src, &dst, SpriteRenderer::kStretch, SpriteRenderer::kStretch, colour);
}

void LevelHud::DrawStyledText(int font, const std::u16string& text, const Rect& rect) const {
  FontManager* fonts = m_context->graphics ? m_context->graphics->GetFontManager() : nullptr;
  if (!fonts || text.empty() || font < 0) return;
  const TextStyle& style = m_globals ? m_globals->textStyles[2] : TextStyle();
  const uint32_t format = kDtCenter | kDtVCenter | kDtNoClip;
  Rect r = rect;
  // The shadow: the text moved by the style's offset, haloed by its first parameter.
  const Vector2 offset = style.offset;
  fonts->DrawTextOffset(font, &text, &r, &offset, style.parameters[0], format, style.secondColour.ToArgb());
  fonts->DrawText(font, &text, &r, format, style.colour.ToArgb());
}

void LevelHud::DrawElement(GUIElement* element, const GUIRect* rect, const Rect*) {
  const int32_t id = element->GetId().id;
  if (id == kHudBar) return;
  const Rect r = rect->ToCorners();
  const int teamIndex = TeamIndexOf(id);
  Mannschaft* team = teamIndex >= 0 ? GetPlayingTeamByIndex(teamIndex) : nullptr;
  const Argb colour = team ? team->GetColour() : kWhite;
  // The background, and the hover look over it as far as the element has faded in.
  const ElementLook look = LookOf(id);
  const GUIFadeRecord* fade = FindFadeRecord(element);
  if (look.highlight >= 0 && !fade && GetHoveredElement() == element)
    DrawPart(look.highlight, r, colour);
  else
    DrawPart(look.texture, r, colour);
  if (look.highlight >= 0 && fade) DrawPart(look.highlight, r, WithAlpha(colour, fade->level));

  std::u16string text;
  if (!element->GetId().text.empty() && m_context->language)
    if (const std::u16string* t = m_context->language->GetText(element->GetId().text)) text = *t;
  switch (id) {
    case kTurnTime: {
      const double left = m_host ? m_host->GetTurnTimeLeft() : 0.0;
      // A clock run out shows 0, not the fraction of a frame it went below.
      text = platform::FormatW(u"%d", std::isfinite(left) ? std::max(0, platform::TruncToInt(left)) : 0);
      if (m_context->language)
        if (const std::u16string* unit = m_context->language->GetText(u"ZEIT_ANZEIGE")) text += *unit;
      break;
    }
    case kWindMeter:
      DrawWindBar(r);
      break;
    case kMessageList:
      if (m_messagesShown && m_globals) m_globals->fadingTextList.Draw();
      break;
    default:
      if (team) {
        DrawTeamPanel(element, r, team);
        return;
      }
  }
  DrawStyledText(m_fonts[0], text, r);
}

void LevelHud::DrawWindBar(const Rect& r) {
  WindManager* winds = m_globals ? m_globals->GetWindManager() : nullptr;
  const Wind* wind = winds ? winds->GetCurrentWind() : nullptr;
  double ratio = wind ? wind->GetStrengthRatio() : 0.0;
  if (!std::isfinite(ratio)) ratio = 0.0;
  ratio = std::clamp(ratio, -1.0, 1.0);
  const TexturePartRecord* bar = GetTexture(kPartWindBar);
  if (!bar) return;
  const int32_t w = bar->rect.right - bar->rect.left, h = bar->rect.bottom - bar->rect.top;
  const int32_t length = platform::TruncToInt((double(w) / 2.0 - 30.0) * std::abs(ratio));
  if (length <= 0) return;
  const int32_t centre = (r.left + r.right) / 2, srcCentre = (bar->rect.left + bar->rect.right) / 2;
  const int32_t top = r.top + (r.bottom - r.top - h) / 2;
  if (ratio >= 0.0)
    DrawPartSection(kPartWindBar, {srcCentre, bar->rect.top, srcCentre + length, bar->rect.bottom},
                    {centre, top, centre + length, top + h}, kWhite);
  else
    DrawPartSection(kPartWindBar, {srcCentre - length, bar->rect.top, srcCentre, bar->rect.bottom},
                    {centre - length, top, centre, top + h}, kWhite);
}

void LevelHud::DrawTeamPanel(GUIElement*, const Rect& r, Mannschaft* team) {
  // The control's icon, and the computer's strength as a badge beside it.
  SteuerungListe* controls = m_globals ? m_globals->GetSteuerungListe() : nullptr;
  Steuerung* control = controls ? controls->FindByName(team->GetSteuerung()) : nullptr;
  const bool human = dynamic_cast<HumanSteuerung*>(control) != nullptr;
  const int icon = human ? kPartHuman : kPartComputer;
  DrawPart(icon, {r.left + 4, r.top + 4, r.left + 4 + TextureWidth(icon), r.top + 4 + TextureHeight(icon)}, kWhite);
  if (!human) {
    static constexpr const char16_t* kStrengths[3] = {u"CPU_LEICHT", u"CPU_MITTEL", u"CPU_SCHWER"};
    for (int i = 0; i < 3; ++i) {
      if (team->GetSteuerung() != kStrengths[i]) continue;
      const int badge = kPartDifficulty + i;
      const int32_t bw = platform::TruncToInt(TextureWidth(badge) * 0.8),
                    bh = platform::TruncToInt(TextureHeight(badge) * 0.8);
      DrawPart(badge, {r.left + 50, r.top + 4, r.left + 50 + bw, r.top + 4 + bh}, kWhite);
    }
  }
  // The health bar over the panel: the team's health against the largest team's at the start.
  WormManager* worms = m_globals->GetWormManager();
  const double largest = worms->GetMaxTeamValue();
  double v = largest > 0.0 ? team->Bar().GetCurrentValue() / largest : 0.0;
  if (!std::isfinite(v)) v = 0.0;
  v = std::clamp(v, 0.0, 1.0);
  const Rect band{r.left, r.top - 10, r.right, r.top};
  DrawPart(kPartHealthBackground, band, kWhite);
  if (const TexturePartRecord* bar = GetTexture(kPartHealthBar)) {
    const int32_t width = platform::TruncToInt((band.right - band.left) * v);
    const int32_t srcWidth = platform::TruncToInt((bar->rect.right - bar->rect.left) * v);
    if (width > 0 && srcWidth > 0)
      DrawPartSection(kPartHealthBar, {bar->rect.left, bar->rect.top, bar->rect.left + srcWidth, bar->rect.bottom},
                      {band.left, band.top, band.left + width, band.bottom}, kWhite);
  }
  Worm* active = m_host ? m_host->GetActiveWorm() : nullptr;
  if (active && active->GetTeam() == team)
    DrawPart(kPartActiveTeam, {r.left - 2, r.top - kTeamHighlightRise, r.right + 2, r.bottom - 1}, kWhite);
  DrawStyledText(m_fonts[7], team->GetName(), {r.left, r.top + 55, r.right, r.bottom});
}

LevelHud::CellColours LevelHud::CellColoursFor(bool available, bool usable, double hoverFade) {
  CellColours c{kWhite, 0xFF7F7F7F, 0xFF000000};
  if (!available || !usable) c.cell = 0xFFC0C0C0;
  if (!available)
    c.icon = 0x7F808080;
  else if (!usable)
    c.icon = 0x7FFFFFFF;
  else
    c.icon = Blend(0xFF7F7F7F, kWhite, hoverFade);
  return c;
}

std::u16string LevelHud::CountText(int32_t ammunition) {
  if (ammunition > 0) return platform::FormatW(u"%d", ammunition);
  if (ammunition == -1) return u"\u221E";
  return u"";
}

void LevelHud::DrawListRow(GUIElement* element, const GUIRect* rect, const Rect*) {
  const double a = m_panel.GetValue();
  const int32_t id = element->GetId().id;
  const Rect r = rect->ToCorners();
  if (id == kStorePanel) {
    DrawPart(kPartStore, {r.left - 30, r.top - 30, r.right + 50, r.bottom + 30}, WithAlpha(kWhite, a));
    return;
  }
  Waffe* weapon = GetCellWeapon(id);
  Worm* worm = m_host ? m_host->GetActiveWorm() : nullptr;
  if (!weapon || !worm) return;
  const int32_t n = weapon->GetAmmoForTeam(worm->GetTeam());
  const bool available = n >= 1 || n == -1;
  const bool usable = weapon->HasAmmoFor(*worm);
  const GUIFadeRecord* fade = FindFadeRecord(element);
  const CellColours c = CellColoursFor(available, usable, fade ? fade->level : 0.0);
  DrawPart(kPartCell, {r.left, r.top, r.right + 3, r.bottom + 4}, WithAlpha(c.cell, a), SpriteRenderer::kFit);
  if (const TexturePartRecord* icon = weapon->GetPreview()) {
    SpriteRenderer* renderer = m_context->graphics ? m_context->graphics->GetSpriteRenderer() : nullptr;
    const Rect dst{r.left + 5, r.top + 5, r.right - 5 - (available ? kCountWidth : 0), r.bottom - 5};
    if (renderer && icon->texture)
      renderer->DrawRectTex(icon, &dst, SpriteRenderer::kStretch, SpriteRenderer::kStretch, WithAlpha(c.icon, a));
  }
  const std::u16string count = CountText(n);
  FontManager* fonts = m_context->graphics ? m_context->graphics->GetFontManager() : nullptr;
  if (fonts && !count.empty() && m_fonts[3] >= 0) {
    Rect strip{r.right - kCountWidth + 5 - 3, r.top + 5, r.right - 5 - 3, r.bottom - 5};
    fonts->DrawText(m_fonts[3], &count, &strip, kDtCenter | kDtVCenter | kDtNoClip, WithAlpha(c.count, a));
  }
}

void LevelHud::DrawOverlay() {
  for (int slot = 0; slot < GetSlotCount(); ++slot) {
    GUIElement* e = GetElement(slot);
    if (!e || e == m_storePanel || !IsVisible(slot)) continue;
    e->CallHandler();
  }
  if (m_globals) {
    m_globals->messagePanel1.Draw();
    m_globals->messagePanel2.Draw();
  }
  // The open store over the messages, which would otherwise hide its cells.
  const double a = m_panel.GetValue();
  if (m_storePanel && a > 0.0 && a <= 1.0) m_storePanel->CallHandler();
  DrawDescription();
}

std::vector<Rect> LevelHud::DescriptionKeepOut() const {
  std::vector<Rect> out;
  for (int32_t id : {int32_t(kTurnTime), int32_t(kWindMeter), int32_t(kMessageButton), int32_t(kPauseButton),
                     int32_t(kHelpButton)})
    if (const GUIElement* e = FindElement(id)) out.push_back(e->GetRect().ToCorners());
  // The worm at turn with its label, its weapon and the arrow over it: the player watches it.
  Worm* worm = m_host ? m_host->GetActiveWorm() : nullptr;
  CameraManager* camera = m_globals ? m_globals->GetCamera() : nullptr;
  if (worm && camera) {
    Vector2 offset, scale, centre;
    camera->GetViewTransform(offset, scale, centre);
    const Vector2 at = *worm->GetPosition(), size = *worm->GetSize();
    if (std::isfinite(offset.x) && std::isfinite(offset.y) && std::isfinite(scale.x) && std::isfinite(scale.y)) {
      const double x = at.x * scale.x + offset.x, top = (at.y - size.y) * scale.y + offset.y;
      const double bottom = at.y * scale.y + offset.y;
      auto held = [](double v) { return int32_t(std::clamp(v, -1e6, 1e6)); };
      out.push_back({held(x - kWormKeepOutHalfWidth), held(top - kWormKeepOutRise), held(x + kWormKeepOutHalfWidth),
                     held(bottom + kDescriptionGap)});
    }
  }
  // A team panel with its health bar and the active team's frame around both.
  for (int i = 0; i < GetPlayingTeamCount(); ++i)
    if (const GUIElement* e = FindElement(TeamPanelId(i))) {
      const Rect r = e->GetRect().ToCorners();
      out.push_back({r.left - 2, r.top - kTeamHighlightRise, r.right + 2, r.bottom});
    }
  return out;
}

Rect LevelHud::PlaceDescription(int32_t width, int32_t height, int32_t mouseX, int32_t mouseY, int32_t screenWidth,
                                int32_t screenHeight, const std::vector<Rect>& keepOut) {
  auto covered = [&](const Rect& b) -> const Rect* {
    for (const Rect& k : keepOut)
      if (b.left < k.right && k.left < b.right && b.top < k.bottom && k.top < b.bottom) return &k;
    return nullptr;
  };
  auto onScreen = [&](const Rect& b) {
    return b.left >= 0 && b.top >= 0 && b.right <= screenWidth && b.bottom <= screenHeight;
  };
  auto keptOnScreen = [&](Rect b) {
    auto shift = [](int32_t& low, int32_t& high, int32_t limit) {
      if (high > limit) low -= high - limit, high = limit;
      if (low < 0) high -= low, low = 0;
    };
    shift(b.left, b.right, screenWidth);
    shift(b.top, b.bottom, screenHeight);
    return b;
  };
  // Below and to the right of the pointer, else on its other side across, then up.
  const int32_t right = mouseX + kDescriptionOffset, left = mouseX - kDescriptionOffset - width;
  const int32_t below = mouseY + kDescriptionOffset, above = mouseY - kDescriptionOffset - height;
  const Rect places[4] = {{right, below, right + width, below + height},
                          {left, below, left + width, below + height},
                          {right, above, right + width, above + height},
                          {left, above, left + width, above + height}};
  for (const Rect& b : places)
    if (onScreen(b) && !covered(b)) return b;
  // None fits as it is: each moved down (or up) past what it covers, first those whole on
  // the screen (they leave the pointer free), then each kept on the screen.
  for (const bool keep : {false, true})
    for (const Rect& place : places) {
      if (!keep && !onScreen(place)) continue;
      const int32_t away = place.top >= mouseY ? 1 : -1;
      for (const int32_t direction : {away, -away}) {
        Rect b = keptOnScreen(place);
        for (size_t i = 0; i <= keepOut.size() && onScreen(b); ++i) {
          const Rect* k = covered(b);
          if (!k) return b;
          const int32_t dy =
              direction > 0 ? k->bottom + kDescriptionGap - b.top : k->top - kDescriptionGap - b.bottom;
          b.top += dy;
          b.bottom += dy;
        }
      }
    }
  // A screen too small for it to miss everything: at least on the screen.
  return keptOnScreen(places[0]);
}

void LevelHud::DrawDescription() {
  Waffe* shown = m_hovered ? m_hovered : (m_selected && m_descriptionTimer > 0.0 ? m_selected : nullptr);
  if (!shown || !m_globals) return;
  const bool details = shown == m_selected;
  const std::optional<std::u16string> text = shown->DescriptionText(details);
  FontManager* fonts = m_context->graphics ? m_context->graphics->GetFontManager() : nullptr;
  const int font = std::max(0, m_fonts[2]);
  if (!text || !fonts) return;
  constexpr int32_t kBorder = 10;
  Rect measured{0, 0, 0, 0};
  fonts->MeasureText(font, text->c_str(), &measured, kDtCalcRect, 0);
  Rect box = PlaceDescription(measured.right - measured.left + 2 * kBorder,
                                    measured.bottom - measured.top + 2 * kBorder, m_mouseX, m_mouseY, ScreenWidth(),
                                    ScreenHeight(), DescriptionKeepOut());
  // A dark frame around a light box, the text black in a faint light halo; the picked
  // weapon's fades in and out.
  const Argb tint = details ? WithAlpha(kWhite, DescriptionAlpha(m_descriptionTimer)) : kWhite;
  m_globals->DrawRectBox(box.left, box.top, box.right, box.bottom, kBorder, Multiply(0x7FFFFFFF, tint),
                         Multiply(0x4F000000, tint), Multiply(0x4FFFFFFF, tint), 0, 0, 0, 0);
  const uint32_t format = kDtCenter | kDtVCenter | kDtNoClip;
  fonts->DrawTextHalo(font, &*text, &box, 4.0, 20, 0, format, Multiply(0x1FFFFFFF, tint));
  fonts->DrawText(font, &*text, &box, format, Multiply(0xFF000000, tint));
}
