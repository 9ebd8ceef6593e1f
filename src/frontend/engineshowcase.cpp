// The first scene's corner panel: what it loads, how it answers keys and clicks, and how it
// is drawn.
#include "frontend/engineshowcase.h"

#include <algorithm>
#include <vector>

#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apisound.h"
#include "engine/fontmanager.h"
#include "engine/contentlimits.h"
#include "engine/kvnode.h"
#include "engine/searchpath.h"
#include "engine/sprache.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "platform/numeric.h"
#include "platform/text.h"

namespace {

constexpr Argb kWhite = 0xFFFFFFFF;
constexpr Argb kTitleColour = 0xFFFFD66B;
constexpr Argb kSerifColour = 0xFFFFF3D2;
constexpr Argb kLabelColour = 0xFF8BE6F0;
constexpr Argb kHintColour = 0xFFB8C4E8;
constexpr Argb kShadow = 0x90000000;
constexpr Argb kButtonText = 0xFF3A1A04;
constexpr Argb kButtonTextLight = 0x70FFFFFF;
constexpr Argb kKeyMessage = 0xFFFFFFFF;
constexpr Argb kLanguageMessage = 0xFFFFD66B;

constexpr uint32_t kLineFormat = kDtVCenter | kDtSingleLine | kDtNoClip;
constexpr uint32_t kCentredFormat = kDtCenter | kDtVCenter | kDtSingleLine | kDtNoClip;

// The picker's buttons within the panel: previous, language, next.
constexpr GUIRect kButtonRects[3] = {{44, 170, 65, 65}, {124, 170, 200, 65}, {339, 170, 65, 65}};
// Where the butterfly flutters, within the panel, and how much larger than its own size it
// is drawn.
constexpr Rect kButterflyArea{40, 252, 408, 326};
constexpr float kButterflyScale = 1.6f;
// The messages hang below the panel.
constexpr Rect kMessageArea{40, 376, 408, 536};

// The lines, each with the text key it shows and where it stands within the panel.
struct LineLayout {
  const char16_t* key;
  Rect rect;
  Argb colour;
};
constexpr LineLayout kLines[EngineShowcase::kLineCount] = {
    {u"SHOWCASE_TITLE", {28, 20, 424, 66}, kTitleColour},
    {u"SHOWCASE_SERIF", {30, 70, 424, 100}, kSerifColour},
    {u"SHOWCASE_LABEL", {30, 100, 424, 130}, kLabelColour},
    {u"SHOWCASE_HINT", {30, 132, 424, 156}, kHintColour},
};

Rect InPanel(const Rect& r) {
  return {r.left + EngineShowcase::kPanelX, r.top + EngineShowcase::kPanelY,
          r.right + EngineShowcase::kPanelX, r.bottom + EngineShowcase::kPanelY};
}

}  // namespace

EngineShowcase::EngineShowcase(APIContext* context, const DataArchive* archive, std::function<void()> step)
    : GUIDrawKlasse(1, context ? context : APIContext::Get()), m_messages(m_context) {
  auto advance = [&] {
    if (step) step();
  };
  LoadSprites(archive);
  advance();
  LoadFonts();
  advance();
  LoadAnimations(archive);
  advance();
  LoadSound(archive);
  BuildElements();
  advance();
  if (m_context->input) m_context->input->RegisterControl(this, true);
}

EngineShowcase::~EngineShowcase() {
  if (m_context->input) m_context->input->UnregisterControl(this);
}

void EngineShowcase::LoadSprites(const DataArchive* archive) {
  TexturDefCache* cache = m_context->graphics ? m_context->graphics->GetTexturDefCache() : nullptr;
  if (!cache) return;
  std::u16string menuFolder = u"texturen\\menu", neuFolder = u"texturen\\menu\\neu";
  const SearchPath menuPath(menuFolder), neuPath(neuFolder);
  const std::u16string menu = u"menu.prt", neu = u"menu_neu.prt";
  auto part = [&](const std::u16string& file, const SearchPath& path, const char16_t* name) {
    const std::u16string partName = name;
    return cache->Get(file, &path, &partName, archive);
  };
  m_panel = part(neu, neuPath, u"panel_normal");
  m_buttons[kPrevious - 1][0] = part(menu, menuPath, u"ButtonPfeil_left_65x65");
  m_buttons[kPrevious - 1][1] = part(menu, menuPath, u"ButtonPfeil_left_65x65_M");
  m_buttons[kLanguage - 1][0] = part(menu, menuPath, u"Button_200x65");
  m_buttons[kLanguage - 1][1] = part(menu, menuPath, u"Button_200x65_M");
  m_languagePressed = part(menu, menuPath, u"Button_200x65_P");
  m_buttons[kNext - 1][0] = part(menu, menuPath, u"ButtonPfeil_right_65x65");
  m_buttons[kNext - 1][1] = part(menu, menuPath, u"ButtonPfeil_right_65x65_M");
}

void EngineShowcase::LoadFonts() {
  APIGraphics* graphics = m_context->graphics;
  FontManager* fonts = graphics ? graphics->GetFontManager() : nullptr;
  if (!fonts) return;
  // The faces of the archive's three font files ("georgia.ttf" the serif text face,
  // "TT1221M.ttf" the heavy display face, "GOTH821C.ttf" the condensed label face), which
  // the game-wide object installs, and "Arial".
  const FontDesc descs[kLineCount] = {
      FontDesc(u"Roboto Black", 34),
      FontDesc(u"DejaVu Serif", 20, false, 0, false, 400),
      FontDesc(u"Roboto Condensed", 22),
      FontDesc(u"Arial", 16, false, 0, false, 400),
  };
  for (int i = 0; i < kLineCount; ++i)
    m_fonts[i] = fonts->AddFont(std::make_unique<MyFont>(descs[i], graphics));
}

void EngineShowcase::LoadAnimations(const DataArchive* archive) {
  if (!archive) return;
  // A manager of its own, so the butterfly goes with the panel; the images are the texture
  // cache's and are shared with every other user.
  m_animations = std::make_unique<AnimationManager>(m_context->graphics);
  for (const char16_t* file : {u"animationen.ani", u"ebenen_animationen.ani"}) {
    content::FileScope scope(file);
    m_animations->LoadFile(LoadKVFromArchive(file, archive).get(), archive);
  }
  m_butterfly = m_animations->CreateBewegteAnimation(u"SCHMETTERLING");
  if (!m_butterfly) return;
  // Its path lies in its own pixels, from the origin; drawing scales it up and moves it
  // into the panel.
  const Rect band = kButterflyArea;
  const Rect area{0, 0, platform::TruncToInt(band.Width() / kButterflyScale),
                  platform::TruncToInt(band.Height() / kButterflyScale)};
  if (PfadAnimation* path = m_butterfly->GetPath()) path->Regenerate(&area);
  m_butterfly->SetArea(area);
}

void EngineShowcase::LoadSound(const DataArchive* archive) {
  if (!m_context->sound) return;
  std::u16string folder = u"sounds";
  const std::u16string file = u"klick_menu.wav";
  const SearchPath path(folder);
  m_click = m_context->sound->Cache().FindOrCreate({&file, &path, archive});
}

void EngineShowcase::BuildElements() {
  APIGraphics* graphics = m_context->graphics;
  if (!graphics) return;
  GUIBehaviour still;
  still.hoverable = false;
  auto* panel =
      new GUIElement(GUIElementId(u"SHOWCASE", nullptr), {kPanelX, kPanelY, kPanelWidth, kPanelHeight}, {},
                     still, nullptr, 0, 0, 0, 0, graphics);
  GUIBehaviour button;
  button.fadeIn = 0.12;
  button.fadeOut = 0.3;
  const char16_t* names[3] = {u"PREVIOUS", u"LANGUAGE", u"NEXT"};
  for (int i = 0; i < 3; ++i)
    panel->AddChild(new GUIElement(GUIElementId(names[i], nullptr, i + 1), kButtonRects[i], {}, button,
                                   nullptr, 0, 0, 0, 0, graphics));
  SetElement(0, panel);
  SetVisible(0, true);
  m_messages.Place(InPanel(kMessageArea), MessagePanel::kFromTop, m_fonts[kLabel] >= 0 ? m_fonts[kLabel] : 0);
}

GUIElement* EngineShowcase::GetButtonElement(Button button) const {
  GUIElement* panel = GetElement(0);
  return panel ? panel->GetChild(size_t(button - 1)) : nullptr;
}

const TexturPart* EngineShowcase::GetButtonSprite(Button button, bool hover) const {
  return m_buttons[button - 1][hover ? 1 : 0];
}

std::u16string EngineShowcase::Text(const char16_t* key, const std::u16string& argument) const {
  const std::u16string* text = m_context->language ? m_context->language->GetText(key) : nullptr;
  if (!text) return {};
  // A language file's text is never a format: only its one "%s" is replaced.
  std::u16string out = *text;
  if (size_t at = out.find(u"%s"); at != std::u16string::npos) out.replace(at, 2, argument);
  return out;
}

std::u16string EngineShowcase::LineText(Line line) const { return Text(kLines[line].key); }

std::u16string EngineShowcase::LanguageLabel() const { return Text(u"SPRACHE_NAME"); }

std::u16string EngineShowcase::KeyLabel(uint8_t code) const {
  if (code >= 0x3B && code <= 0x44) return platform::FormatW(u"F%d", code - 0x3A);
  if (code == 0x57 || code == 0x58) return platform::FormatW(u"F%d", code - 0x57 + 11);
  switch (code) {
    case 0xC8:
      return u"\u2191";
    case 0xCB:
      return u"\u2190";
    case 0xCD:
      return u"\u2192";
    case 0xD0:
      return u"\u2193";
    case 0x39:
      return Text(u"TASTE_LEER");
    case 0x1C:
    case 0x9C:
      return Text(u"TASTE_EINGABE");
    default:
      break;
  }
  // The numeric pad types digits whatever the layout.
  const int digitKey = APIInput::NumpadToDigitKey(code);
  const int layout = digitKey != code      ? Sprache::kEnglish
                     : m_context->language ? int(m_context->language->ActiveCode())
                                           : Sprache::kEnglish;
  const char16_t c = APIInput::KeyChar(digitKey, layout);
  if (c > 0x20 && c != 0x7F) return std::u16string(1, APIInput::ToUpperChar(c));
  return platform::FormatW(u"#%d", int(code));
}

void EngineShowcase::CycleLanguage(int delta) {
  Sprache* language = m_context->language.get();
  if (!language) return;
  // Each name once, in the order the files gave them: a name that several files list is
  // one language, selected at its last place as the table does.
  std::vector<std::u16string> names;
  for (const auto& name : language->LanguageNames())
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  if (names.empty()) return;
  const int count = int(names.size());
  auto it = std::find(names.begin(), names.end(), language->GetActiveLanguageName());
  const int current = it == names.end() ? 0 : int(it - names.begin());
  const int next = ((current + delta) % count + count) % count;
  language->SetLanguage(names[size_t(next)]);
  m_pressTime = kPressSeconds;
  AddMessage(Text(u"SHOWCASE_LANGUAGE", LanguageLabel()), kLanguageMessage);
}

void EngineShowcase::Click() {
  if (m_context->sound && m_click) m_context->sound->Play(m_click, kClickVolume);
}

void EngineShowcase::AddMessage(const std::u16string& text, Argb colour) {
  if (text.empty()) return;
  m_messages.Add(std::make_unique<MessageLabel>(text, colour, kMessageSeconds));
}

void EngineShowcase::OnKeyDown(const InputState* state) {
  if (!state) return;
  bool click = false;
  for (uint8_t code : state->keyboard.pressed) {
    // Escape ends the program; it is the scene's.
    if (code == kEscapeKey) continue;
    click = true;
    if (code == kLanguageKey)
      CycleLanguage(1);
    else
      AddMessage(Text(u"SHOWCASE_KEY", KeyLabel(code)), kKeyMessage);
  }
  if (click) Click();
}

void EngineShowcase::OnMouseMove(const InputState* state) { UpdateHover(state); }

void EngineShowcase::OnLeftButtonDown(const InputState* state) {
  UpdateHover(state);
  GUIElement* hit = GetHoveredElement();
  m_mouseDown = hit ? hit->GetId().id : 0;
}

void EngineShowcase::OnLeftButtonUp(const InputState* state) {
  UpdateHover(state);
  GUIElement* hit = GetHoveredElement();
  const int32_t down = m_mouseDown;
  m_mouseDown = 0;
  // A button acts when the button is let go over the one it went down on.
  if (!hit || hit->GetId().id != down) return;
  if (down == kPrevious)
    CycleLanguage(-1);
  else if (down == kLanguage || down == kNext)
    CycleLanguage(1);
  else
    return;
  Click();
}

void EngineShowcase::Update() {
  const double step = m_context->timer ? m_context->timer->realStep : 0.0;
  if (m_context->input) UpdateHover(m_context->input->GetInputState());
  UpdateFades();
  if (m_butterfly) m_butterfly->Update(step);
  m_messages.Update(step);
  m_pressTime = std::max(0.0, m_pressTime - step);
}

void EngineShowcase::DrawLine(Line line, const Rect& rect, Argb colour, uint32_t format) {
  FontManager* fonts = m_context->graphics->GetFontManager();
  const std::u16string text = LineText(line);
  if (text.empty()) return;
  const Vector2 shadow{2.0f, line == kTitle ? 3.0f : 2.0f};
  fonts->DrawTextOffset(m_fonts[line], &text, &rect, &shadow, 0.0, format, kShadow);
  Rect where = rect;
  fonts->DrawText(m_fonts[line], &text, &where, format, colour);
}

void EngineShowcase::DrawButton(Button button) {
  GUIElement* element = GetButtonElement(button);
  SpriteRenderer* sprites = m_context->graphics->GetSpriteRenderer();
  if (!element) return;
  const Rect where = element->GetRect().ToCorners();
  const bool pressed = button == kLanguage && IsLanguagePressed() && m_languagePressed;
  sprites->DrawRectTex(pressed ? m_languagePressed : m_buttons[button - 1][0], &where,
                       SpriteRenderer::kStretch, SpriteRenderer::kStretch, kWhite);
  // The hover look fades in over the normal one while the mouse is over the button.
  const GUIFadeRecord* fade = FindFadeRecord(element);
  const double level = fade ? std::clamp(fade->level, 0.0, 1.0) : 0.0;
  if (!pressed && level > 0.0 && m_buttons[button - 1][1]) {
    const Argb alpha = Argb(platform::TruncToInt(level * 255.0)) << 24;
    sprites->DrawRectTex(m_buttons[button - 1][1], &where, SpriteRenderer::kStretch, SpriteRenderer::kStretch,
                         alpha | 0x00FFFFFF);
  }
  if (button != kLanguage) return;
  FontManager* fonts = m_context->graphics->GetFontManager();
  const std::u16string label = LanguageLabel();
  // The label sinks with the pressed button.
  const int32_t sink = pressed ? 3 : 0;
  const Rect text{where.left, where.top + sink, where.right, where.bottom - 4 + sink};
  const Vector2 light{0.0f, 1.0f};
  fonts->DrawTextOffset(m_fonts[kLabel], &label, &text, &light, 0.0, kCentredFormat, kButtonTextLight);
  Rect at = text;
  fonts->DrawText(m_fonts[kLabel], &label, &at, kCentredFormat, kButtonText);
}

void EngineShowcase::Draw() {
  APIGraphics* graphics = m_context->graphics;
  SpriteRenderer* sprites = graphics ? graphics->GetSpriteRenderer() : nullptr;
  if (!sprites || !graphics->GetFontManager()) return;
  const Rect panel{kPanelX, kPanelY, kPanelX + kPanelWidth, kPanelY + kPanelHeight};
  sprites->DrawRectTex(m_panel, &panel, SpriteRenderer::kStretch, SpriteRenderer::kStretch, kWhite);
  for (int i = 0; i < kLineCount; ++i)
    DrawLine(Line(i), InPanel(kLines[i].rect), kLines[i].colour, kLineFormat);
  for (Button button : {kPrevious, kLanguage, kNext}) DrawButton(button);
  if (m_butterfly) {
    const Rect band = InPanel(kButterflyArea);
    m_butterfly->RenderTransformed({float(band.left), float(band.top)}, {kButterflyScale, kButterflyScale},
                                   kWhite);
  }
  m_messages.Draw();
}
