// The first scene's corner panel on the null backends: keys click and are reported, the
// language key and the picker's buttons switch every text shown and the choice is what the
// configuration keeps, and a frame draws the sprites, each font, the butterfly and the
// messages.
#include "frontend/engineshowcase.h"

#include <gtest/gtest.h>

#include <set>

#include "engine/bewegteanimation.h"
#include "engine/fontmanager.h"
#include "engine/soundset.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "platform/files.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "support/engine_run.h"
#include "support/temp_dir.h"

namespace {

constexpr uint8_t kF2 = EngineShowcase::kLanguageKey;
constexpr uint8_t kEscape = 0x01;
constexpr uint8_t kKeyA = 0x1E;

// A started engine with the game's fonts and language file, as the shell and the main scene
// leave it, and the panel on top.
struct Showcase {
  explicit Showcase(const KVNode* config = nullptr) : run(config) {
    run.globals->RegisterFonts();
    run.context.language->LoadArchiveFile(u"sprache.lng", run.globals->GetArchive());
    panel = std::make_unique<EngineShowcase>(&run.context, run.globals->GetArchive(), [this] { ++steps; });
    run.loop->updateScene = [this] { panel->Update(); };
  }

  // Presses the keys for one pass and lets them go in the next.
  void Press(std::initializer_list<uint8_t> keys) {
    run.Keys(keys);
    ASSERT_TRUE(run.Pass());
    run.Keys({});
    ASSERT_TRUE(run.Pass());
  }

  // The plays of the click's copies so far.
  int Clicks() const {
    int plays = 0;
    SoundSet* set = panel->GetClickSound();
    for (int i = 0; i < set->CopyCount(); ++i)
      if (auto* buffer = static_cast<platform::NullSoundDevice::Buffer*>(set->Buffer(i)))
        plays += buffer->PlayCount();
    return plays;
  }

  std::u16string NewestMessage() const {
    const auto& messages = panel->GetMessages().Messages();
    return messages.empty() ? u"" : messages.back()->text;
  }

  EngineRun run;
  int steps = 0;
  std::unique_ptr<EngineShowcase> panel;
};

InputState MouseAt(const GUIElement* element) {
  InputState state;
  state.mouseX = element->GetRect().x + element->GetRect().width / 2;
  state.mouseY = element->GetRect().y + element->GetRect().height / 2;
  return state;
}

}  // namespace

TEST(Showcase, LoadsInFourStepsWhatItShows) {
  Showcase s;
  EXPECT_EQ(s.steps, 4);
  ASSERT_NE(s.panel->GetPanelSprite(), nullptr);
  EXPECT_EQ(s.panel->GetPanelSprite()->GetWidth(), EngineShowcase::kPanelWidth);
  EXPECT_EQ(s.panel->GetPanelSprite()->GetHeight(), EngineShowcase::kPanelHeight);
  for (auto button : {EngineShowcase::kPrevious, EngineShowcase::kLanguage, EngineShowcase::kNext})
    for (bool hover : {false, true}) {
      const TexturPart* sprite = s.panel->GetButtonSprite(button, hover);
      ASSERT_NE(sprite, nullptr) << button << hover;
      // Drawn at the size of its place.
      EXPECT_EQ(sprite->GetWidth(), s.panel->GetButtonElement(button)->GetRect().width);
      EXPECT_EQ(sprite->GetHeight(), s.panel->GetButtonElement(button)->GetRect().height);
    }
  ASSERT_NE(s.panel->GetPressedSprite(), nullptr);
  ASSERT_NE(s.panel->GetClickSound(), nullptr);
  EXPECT_EQ(s.panel->GetClickSound()->UsableCount(), s.run.sound->CopyCount());
  ASSERT_NE(s.panel->GetButterfly(), nullptr);
  EXPECT_EQ(s.panel->GetButterfly()->GetName(), u"SCHMETTERLING");
  FontManager* fonts = s.run.graphics->GetFontManager();
  std::set<int> indices;
  for (int line = 0; line < EngineShowcase::kLineCount; ++line) {
    const MyFont* font = fonts->GetFont(s.panel->GetFont(EngineShowcase::Line(line)));
    ASSERT_NE(font, nullptr) << line;
    ASSERT_NE(font->Face(), nullptr) << line;
    indices.insert(s.panel->GetFont(EngineShowcase::Line(line)));
  }
  EXPECT_EQ(indices.size(), 4u);
  // The three faces of the archive's font files and Arial's stand-in.
  EXPECT_EQ(fonts->GetFont(s.panel->GetFont(EngineShowcase::kTitle))->Face()->FamilyName(), u"Roboto Black");
  EXPECT_EQ(fonts->GetFont(s.panel->GetFont(EngineShowcase::kSerif))->Face()->FamilyName(), u"DejaVu Serif");
  EXPECT_EQ(fonts->GetFont(s.panel->GetFont(EngineShowcase::kLabel))->Face()->FamilyName(),
            u"Roboto Condensed");
  EXPECT_EQ(fonts->GetFont(s.panel->GetFont(EngineShowcase::kHint))->Face()->FamilyName(),
            u"Liberation Sans");
}

TEST(Showcase, AKeyPressClicksAndIsReportedByItsLabel) {
  struct Case {
    const char16_t* language;
    uint8_t key;
    const char16_t* message;
  };
  const Case cases[] = {
      {u"ENGLISCH", kKeyA, u"Key A"},
      {u"ENGLISCH", 0x15, u"Key Y"},
      {u"DEUTSCH", 0x15, u"Taste Z"},  // the layout of the language
      {u"RUSSISCH", kKeyA, u"Клавиша Ф"},
      {u"FRANZÖSISCH", kKeyA, u"Touche Q"},
      {u"DEUTSCH", 0x39, u"Taste Leertaste"},
      {u"ENGLISCH", 0x1C, u"Key Enter"},
      {u"ENGLISCH", 0x3C + 1, u"Key F3"},
      {u"ENGLISCH", 0x58, u"Key F12"},
      {u"ENGLISCH", 0xCB, u"Key \u2190"},
      {u"FRANZÖSISCH", 0x4F, u"Touche 1"},  // the numeric pad types digits in every layout
      {u"ENGLISCH", 0x2A, u"Key #42"},      // no character: its number
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::U16ToUtf8(c.message));
    Showcase s;
    s.run.context.language->SetLanguage(c.language);
    s.Press({c.key});
    EXPECT_EQ(s.NewestMessage(), c.message);
    // One request, played at once on a copy of the click at 80 % of the master volume.
    EXPECT_EQ(s.Clicks(), 1);
    for (auto* buffer : s.run.speaker->Buffers())
      if (buffer->PlayCount() > 0) {
        EXPECT_EQ(buffer->VolumeMB(), -193);
      }
  }
}

TEST(Showcase, KeysOfOneFrameClickOnceAndEscapeIsTheScenes) {
  Showcase s;
  s.Press({kKeyA, 0x30});
  EXPECT_EQ(s.Clicks(), 1);
  EXPECT_EQ(s.panel->GetMessages().Messages().size(), 2u);
  s.Press({kEscape});
  EXPECT_EQ(s.Clicks(), 1);
  EXPECT_EQ(s.panel->GetMessages().Messages().size(), 2u);
  // Messages go after their time.
  for (int i = 0; i < 420; ++i) ASSERT_TRUE(s.run.Pass());
  EXPECT_TRUE(s.panel->GetMessages().Messages().empty());
}

TEST(Showcase, TheLanguageKeySwitchesEveryTextAndTheConfigurationKeepsIt) {
  struct Step {
    const char16_t* title;
    const char16_t* label;
    const char16_t* saved;
    const char16_t* message;
  };
  // From the configured English on, once round the four languages.
  const Step steps[] = {
      {u"Добро пожаловать!", u"Русский", u"RUSSISCH", u"Язык: Русский"},
      {u"Bienvenue !", u"Français", u"FRANZÖSISCH", u"Langue : Français"},
      {u"Willkommen!", u"Deutsch", u"DEUTSCH", u"Sprache: Deutsch"},
      {u"Welcome!", u"English", u"ENGLISCH", u"Language: English"},
  };
  Showcase s;
  EXPECT_EQ(s.panel->LineText(EngineShowcase::kTitle), u"Welcome!");
  EXPECT_EQ(s.panel->LineText(EngineShowcase::kHint), u"F2 switches the language, every key clicks.");
  int clicks = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(platform::U16ToUtf8(step.saved));
    s.Press({kF2});
    EXPECT_EQ(s.Clicks(), ++clicks);
    EXPECT_EQ(s.panel->LineText(EngineShowcase::kTitle), step.title);
    EXPECT_EQ(s.panel->LanguageLabel(), step.label);
    EXPECT_EQ(s.NewestMessage(), step.message);
    for (int line = 0; line < EngineShowcase::kLineCount; ++line)
      EXPECT_FALSE(s.panel->LineText(EngineShowcase::Line(line)).empty()) << line;

    // What the configuration keeps starts the next run in the chosen language.
    KVNode root(u"Config");
    s.run.context.language->Save(&root);
    std::u16string saved;
    root.GetChild(0, u"Sprache")->Read(u"Aktive_Sprache", saved);
    EXPECT_EQ(saved, step.saved);
    Sprache next(&root);
    next.LoadArchiveFile(u"sprache.lng", s.run.globals->GetArchive());
    ASSERT_NE(next.GetText(u"SHOWCASE_TITLE"), nullptr);
    EXPECT_EQ(*next.GetText(u"SHOWCASE_TITLE"), step.title);
  }
}

TEST(Showcase, ALanguageListedByTwoFilesIsOneStop) {
  Showcase s;
  // A second file appends its own list of languages, two of them names the table has.
  TempDir dir;
  const std::string extra = "<>\n \t<\\>\n<L><SPRACHEN> \"DEUTSCH\" \"ENGLISCH\" <\\SPRACHEN><\\L>\n";
  const std::u16string path = dir.File("extra.lng");
  ASSERT_TRUE(platform::WriteFileAtomic(path, std::vector<uint8_t>(extra.begin(), extra.end())));
  Sprache& language = *s.run.context.language;
  language.LoadFile(path);
  ASSERT_EQ(language.LanguageNames().size(), 6u);
  std::vector<std::u16string> seen;
  for (int i = 0; i < 4; ++i) {
    s.panel->CycleLanguage(1);
    seen.push_back(language.GetActiveLanguageName());
  }
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"RUSSISCH", u"FRANZÖSISCH", u"DEUTSCH", u"ENGLISCH"}));
  // Each is selected where the table selects it by name: at its last place.
  EXPECT_EQ(language.ActiveIndex(), 5);
  s.panel->CycleLanguage(-1);
  EXPECT_EQ(language.GetActiveLanguageName(), u"DEUTSCH");
  EXPECT_EQ(language.ActiveIndex(), 4);
}

TEST(Showcase, ThePickersButtonsActWhenLetGoOverTheButtonTheyWentDownOn) {
  Showcase s;
  Sprache& language = *s.run.context.language;
  GUIElement* previous = s.panel->GetButtonElement(EngineShowcase::kPrevious);
  GUIElement* middle = s.panel->GetButtonElement(EngineShowcase::kLanguage);
  GUIElement* next = s.panel->GetButtonElement(EngineShowcase::kNext);
  ASSERT_TRUE(previous && middle && next);

  const InputState onPrevious = MouseAt(previous), onMiddle = MouseAt(middle), onNext = MouseAt(next);
  s.panel->OnLeftButtonDown(&onPrevious);
  s.panel->OnLeftButtonUp(&onPrevious);
  EXPECT_EQ(language.GetActiveLanguageName(), u"DEUTSCH");
  s.panel->OnLeftButtonDown(&onNext);
  s.panel->OnLeftButtonUp(&onNext);
  EXPECT_EQ(language.GetActiveLanguageName(), u"ENGLISCH");

  // The middle button looks pressed while held, and moves on when let go.
  s.panel->OnLeftButtonDown(&onMiddle);
  EXPECT_TRUE(s.panel->IsLanguagePressed());
  EXPECT_EQ(language.GetActiveLanguageName(), u"ENGLISCH");
  s.panel->OnLeftButtonUp(&onMiddle);
  EXPECT_EQ(language.GetActiveLanguageName(), u"RUSSISCH");

  // Down on one button and up on another, or outside, does nothing.
  InputState outside;
  outside.mouseX = 900;
  outside.mouseY = 900;
  s.panel->OnLeftButtonDown(&onPrevious);
  s.panel->OnLeftButtonUp(&onNext);
  s.panel->OnLeftButtonDown(&onNext);
  s.panel->OnLeftButtonUp(&outside);
  s.panel->OnLeftButtonDown(&outside);
  s.panel->OnLeftButtonUp(&onNext);
  EXPECT_EQ(language.GetActiveLanguageName(), u"RUSSISCH");
  ASSERT_TRUE(s.run.Pass());
  EXPECT_EQ(s.Clicks(), 3);
}

TEST(Showcase, AFrameDrawsThePanelEachFontTheButterflyAndTheMessages) {
  Showcase s;
  s.Press({kKeyA});
  for (int i = 0; i < 30; ++i) ASSERT_TRUE(s.run.Pass());
  SpriteRenderer* sprites = s.run.graphics->GetSpriteRenderer();
  platform::GraphicsDevice* device = s.run.graphics->GetDevice();
  device->ClearRecordedDraws();
  ASSERT_EQ(sprites->Begin(SpriteRenderer::kAlphaBlend), kResultOk);
  s.panel->Draw();
  ASSERT_EQ(sprites->End(), kResultOk);
  const auto& draws = device->RecordedDraws();
  ASSERT_FALSE(draws.empty());

  // The panel first, unscaled at its place.
  const TexturPart* panel = s.panel->GetPanelSprite();
  EXPECT_EQ(draws[0].texture, panel->texture);
  EXPECT_EQ(draws[0].source, panel->rect);
  EXPECT_NEAR(draws[0].corners[0].x, float(EngineShowcase::kPanelX), 0.5f);
  EXPECT_NEAR(draws[0].corners[0].y, float(EngineShowcase::kPanelY), 0.5f);
  EXPECT_FLOAT_EQ(draws[0].corners[3].x - draws[0].corners[0].x, float(EngineShowcase::kPanelWidth));
  EXPECT_FLOAT_EQ(draws[0].corners[3].y - draws[0].corners[0].y, float(EngineShowcase::kPanelHeight));

  auto drawnFrom = [&](const platform::Texture* texture, const Rect& source) {
    for (const auto& d : draws)
      if (d.texture == texture && d.source == source) return true;
    return false;
  };
  for (auto button : {EngineShowcase::kPrevious, EngineShowcase::kLanguage, EngineShowcase::kNext}) {
    const TexturPart* sprite = s.panel->GetButtonSprite(button, false);
    EXPECT_TRUE(drawnFrom(sprite->texture, sprite->rect)) << button;
  }
  // Text in each of the four fonts: glyphs from each font's atlas.
  std::set<const platform::Texture*> textures;
  for (const auto& d : draws) textures.insert(d.texture);
  FontManager* fonts = s.run.graphics->GetFontManager();
  for (int line = 0; line < EngineShowcase::kLineCount; ++line) {
    MyFont* font = fonts->GetFont(s.panel->GetFont(EngineShowcase::Line(line)));
    EXPECT_TRUE(textures.count(font->SyncAtlas(sprites->Batch()))) << line;
  }
  // The butterfly with its spark, inside the panel.
  const BewegteAnimation* butterfly = s.panel->GetButterfly();
  const platform::Texture* wings = butterfly->GetAnimation()->GetCurrentFrame()->texture->texture;
  int wingDraws = 0;
  for (const auto& d : draws) {
    if (d.texture != wings) continue;
    ++wingDraws;
    const float cx = (d.corners[0].x + d.corners[3].x) / 2, cy = (d.corners[0].y + d.corners[3].y) / 2;
    EXPECT_GT(cx, float(EngineShowcase::kPanelX));
    EXPECT_LT(cx, float(EngineShowcase::kPanelX + EngineShowcase::kPanelWidth));
    EXPECT_GT(cy, float(EngineShowcase::kPanelY + 200));
    EXPECT_LT(cy, float(EngineShowcase::kPanelY + EngineShowcase::kPanelHeight));
  }
  EXPECT_EQ(wingDraws, 1);
  const platform::Texture* spark =
      butterfly->GetChildren().at(0)->GetAnimation()->GetCurrentFrame()->texture->texture;
  EXPECT_TRUE(textures.count(spark));
  // The message's box, from the game-wide object's box texture.
  EXPECT_TRUE(textures.count(s.run.globals->GetBoxTexture()->texture));
}

TEST(Showcase, HoverFadesInTheHoverLookAndTheLanguageKeyShowsThePressedOne) {
  Showcase s;
  SpriteRenderer* sprites = s.run.graphics->GetSpriteRenderer();
  platform::GraphicsDevice* device = s.run.graphics->GetDevice();
  const TexturPart* hover = s.panel->GetButtonSprite(EngineShowcase::kNext, true);
  const TexturPart* pressed = s.panel->GetPressedSprite();
  // The alpha the hover look is drawn with; -1 when it is not drawn.
  auto frame = [&](int32_t* pressedDraws) {
    device->ClearRecordedDraws();
    sprites->Begin(SpriteRenderer::kAlphaBlend);
    s.panel->Draw();
    sprites->End();
    int alpha = -1;
    *pressedDraws = 0;
    for (const auto& d : device->RecordedDraws()) {
      if (d.texture == hover->texture && d.source == hover->rect) alpha = int(d.colour >> 24);
      if (d.texture == pressed->texture && d.source == pressed->rect) ++*pressedDraws;
    }
    return alpha;
  };
  int32_t pressedDraws = 0;
  EXPECT_EQ(frame(&pressedDraws), -1);
  const InputState over = MouseAt(s.panel->GetButtonElement(EngineShowcase::kNext));
  std::vector<int> alphas;
  // The scene's passes are left out here: the test's pointer stays at the origin.
  s.run.context.timer->realStep = 0.04;
  for (int i = 0; i < 4; ++i) {
    s.panel->OnMouseMove(&over);
    s.panel->UpdateFades();
    alphas.push_back(frame(&pressedDraws));
  }
  // A third of the way in per 40 ms of a 120 ms fade, then whole.
  EXPECT_EQ(alphas, (std::vector<int>{85, 170, 255, 255}));

  EXPECT_EQ(pressedDraws, 0);
  s.run.Keys({kF2});
  ASSERT_TRUE(s.run.Pass());
  frame(&pressedDraws);
  EXPECT_EQ(pressedDraws, 1);
  // It springs back after a moment.
  s.run.Keys({});
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(s.run.Pass());
  frame(&pressedDraws);
  EXPECT_EQ(pressedDraws, 0);
}
