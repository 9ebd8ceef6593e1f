// The battle's on-screen messages: MessagePanel, a stack of timed messages in a framed box
// that grows at once and shrinks smoothly, and FadingTextList, a column of lines that fade
// as newer lines push them up. The game-wide object holds two panels and one list; the
// battle places, updates and draws them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"

class APIContext;
class FontManager;

// The light shadow that dark text (the dark team colour) gets instead of the dark one.
constexpr Argb kDarkTextColour = 0xFF212121;
constexpr Argb kDarkShadow = 0x10000000;
constexpr Argb kLightShadow = 0x10FFFFFF;

// One message of a MessagePanel.
struct MessageLabel {
  // A display time of -1 makes the message permanent; both times then take secondTime.
  MessageLabel(std::u16string text, Argb colour, double displayTime, double secondTime = 0.0);

  std::u16string text;
  Argb colour;
  int32_t shadowOffset = 2;  // negative: no shadow
  int32_t shadowSize = 4;    // the halo radius of the shadow
  Argb shadowColour;
  double timeLeft;
  double timeTotal;
  bool permanent;
  int32_t width = 0;
  int32_t height = 0;

  // timeLeft / timeTotal, at most 1; permanent messages stay at 1.
  double Opacity() const;
};

class MessagePanel {
 public:
  // Mode 0 hangs the stack from the panel's top, newest message lowest; mode 1 stands it on
  // the panel's bottom.
  enum Mode { kFromTop = 0, kFromBottom = 1 };
  static constexpr int32_t kBoxBorder = 30;
  static constexpr int32_t kBoxMargin = 15;

  // Without a context the process-wide one is used.
  explicit MessagePanel(APIContext* context = nullptr);
  ~MessagePanel();
  MessagePanel(const MessagePanel&) = delete;
  MessagePanel& operator=(const MessagePanel&) = delete;

  // Sets the rectangle, mode and font and deletes every message.
  void Place(const Rect& rect, int mode, int font);
  // Measures the message in the panel's format and takes it.
  void Add(std::unique_ptr<MessageLabel> message);
  // Ages the messages by the game step, removes the expired ones, animates the width and the
  // scroll offset.
  void Update(double step);
  void Draw();

  const std::vector<std::unique_ptr<MessageLabel>>& Messages() const { return m_messages; }
  const Rect& PanelRect() const { return m_rect; }
  int Mode() const { return m_mode; }
  uint32_t Format() const { return m_format; }
  int32_t ShownWidth() const { return m_shownWidth; }
  int32_t StackHeight() const { return m_stackHeight; }
  double ScrollOffset() const { return m_scrollOffset; }
  // The height of the box's inside: the stack plus the scroll offset, at most the panel's.
  int32_t HeightInUse() const;

 private:
  FontManager* Fonts() const;

  APIContext* m_context;
  std::vector<std::unique_ptr<MessageLabel>> m_messages;  // oldest first
  int m_font = 0;
  int m_mode = kFromTop;
  Rect m_rect;
  uint32_t m_format;
  int32_t m_shownWidth = 0;
  int32_t m_stackHeight = 0;
  int32_t m_widest = 0;
  int32_t m_panelWidth = 0;
  int32_t m_panelHeight = 0;
  double m_scrollOffset = 0.0;
};

// One line of a FadingTextList.
struct FadingTextLabel {
  FadingTextLabel(std::u16string text, Argb colour);

  std::u16string text;
  Argb colour;
  int32_t shadowOffset = 1;
  int32_t shadowSize = 2;
  Argb shadowColour;
  double fade = 1.0;
  int32_t width = 0;
  int32_t height = 0;
};

class FadingTextList {
 public:
  explicit FadingTextList(APIContext* context = nullptr);
  ~FadingTextList();
  FadingTextList(const FadingTextList&) = delete;
  FadingTextList& operator=(const FadingTextList&) = delete;

  // Deletes every line and sets the rectangle, the font and the most lines kept (0: as many
  // as the height holds).
  void Place(const Rect& rect, int font, int32_t maxLines = 0);
  // Measures the line word-wrapped in the panel's width and takes it; past the most lines
  // kept the oldest leave.
  void Add(std::unique_ptr<FadingTextLabel> line);
  // Fades the lines by the height of the newer lines above them; drops those pushed out.
  void Update();
  void Draw();

  const std::vector<std::unique_ptr<FadingTextLabel>>& Lines() const { return m_lines; }

 private:
  FontManager* Fonts() const;

  std::vector<std::unique_ptr<FadingTextLabel>> m_lines;  // oldest first
  APIContext* m_context;
  int m_font = 0;
  int32_t m_maxLines = 0;
  Rect m_rect;
  int32_t m_width = 0;
  int32_t m_height = 0;
};
