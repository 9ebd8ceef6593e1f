// A small panel in the top-left corner of the first scene that the engine's services draw
// until the menus take its place: sprites of the menu sprite files, a line in each game font
// in the active language, a language picker, a butterfly on a generated path and a message
// panel that reports the keys pressed, each with a click.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/apiinput.h"
#include "engine/gfxtypes.h"
#include "engine/guidrawklasse.h"
#include "engine/messagepanel.h"

class APIContext;
class AnimationManager;
class BewegteAnimation;
class DataArchive;
class SoundSet;
class TexturPart;

// The main scene owns it, updates it once a frame and draws it inside its sprite pass, after
// its backdrop. It listens to the input itself.
class EngineShowcase : public GUIDrawKlasse, public MyControl {
 public:
  // The key that moves to the next language, and the scene's own key that ends the program.
  static constexpr uint8_t kLanguageKey = 0x3C;  // F2
  static constexpr uint8_t kEscapeKey = 0x01;
  // The panel's top-left corner (below the wind meter, which the scene draws across the top
  // centre) and its size (the panel picture's own size).
  static constexpr int32_t kPanelX = 24;
  static constexpr int32_t kPanelY = 72;
  static constexpr int32_t kPanelWidth = 448;
  static constexpr int32_t kPanelHeight = 352;
  // How long a message stays, and how long a button looks pressed after a key.
  static constexpr double kMessageSeconds = 4.0;
  static constexpr double kPressSeconds = 0.15;
  static constexpr int kClickVolume = 80;

  // The lines of text, one per game font.
  enum Line { kTitle = 0, kSerif = 1, kLabel = 2, kHint = 3, kLineCount = 4 };
  // The picker's buttons (their element ids).
  enum Button { kPrevious = 1, kLanguage = 2, kNext = 3 };

  // Loads what it shows, calling `step` after each of its four loading steps (the loading
  // screen's frames): the sprites, the fonts, the animations, the click sound. Without a
  // context the process-wide one is used.
  EngineShowcase(APIContext* context, const DataArchive* archive, std::function<void()> step = nullptr);
  ~EngineShowcase() override;

  // Ages the messages, moves the butterfly and fades the buttons by the real step.
  void Update();
  // Draws the panel, its texts, the picker, the butterfly and the messages; inside the
  // sprite renderer's Begin and End.
  void Draw();

  void OnKeyDown(const InputState* state) override;
  void OnMouseMove(const InputState* state) override;
  void OnLeftButtonDown(const InputState* state) override;
  void OnLeftButtonUp(const InputState* state) override;

  // Moves the active language by `delta` through the language table's names (wrapping),
  // reports it in the message panel and clicks.
  void CycleLanguage(int delta);

  // The text a line shows now; empty when the language table has none for it.
  std::u16string LineText(Line line) const;
  // The language button's label: the active language's own name.
  std::u16string LanguageLabel() const;
  // A key's label for the messages: its character in the active language's keyboard
  // layout, F1 ... F12, an arrow, or its number.
  std::u16string KeyLabel(uint8_t code) const;

  int GetFont(Line line) const { return m_fonts[line]; }
  const TexturPart* GetPanelSprite() const { return m_panel; }
  const TexturPart* GetButtonSprite(Button button, bool hover) const;
  const TexturPart* GetPressedSprite() const { return m_languagePressed; }
  SoundSet* GetClickSound() const { return m_click; }
  const MessagePanel& GetMessages() const { return m_messages; }
  BewegteAnimation* GetButterfly() const { return m_butterfly.get(); }
  GUIElement* GetButtonElement(Button button) const;
  // Whether the language button shows its pressed look now.
  bool IsLanguagePressed() const { return m_pressTime > 0.0 || m_mouseDown == kLanguage; }

 private:
  void LoadSprites(const DataArchive* archive);
  void LoadFonts();
  void LoadAnimations(const DataArchive* archive);
  void LoadSound(const DataArchive* archive);
  void BuildElements();
  void Click();
  void AddMessage(const std::u16string& text, Argb colour);
  // The text of a key in the active language, with "%s" replaced by `argument`.
  std::u16string Text(const char16_t* key, const std::u16string& argument = u"") const;
  void DrawButton(Button button);
  void DrawLine(Line line, const Rect& rect, Argb colour, uint32_t format);

  const TexturPart* m_panel = nullptr;
  // Normal and hover looks per button, by Button - 1.
  const TexturPart* m_buttons[3][2] = {};
  const TexturPart* m_languagePressed = nullptr;
  int m_fonts[kLineCount] = {-1, -1, -1, -1};
  std::unique_ptr<AnimationManager> m_animations;
  std::unique_ptr<BewegteAnimation> m_butterfly;
  SoundSet* m_click = nullptr;
  MessagePanel m_messages;
  double m_pressTime = 0.0;
  // The button the left mouse button went down on (0: none).
  int32_t m_mouseDown = 0;
};
