// Timed message panels and the fading text list.
#include "engine/messagepanel.h"

#include <algorithm>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/fontmanager.h"
#include "engine/myglobals.h"
#include "platform/numeric.h"

namespace {

constexpr uint32_t kFadingFormat = kDtWordBreak | kDtVCenter;

Argb ShadowFor(Argb colour) { return colour == kDarkTextColour ? kLightShadow : kDarkShadow; }

// The colour with all four channels scaled, as a colour value times a number is.
Argb Scaled(Argb colour, double factor) {
  platform::ColorF c = platform::ColorF::FromArgb(colour);
  const float f = float(factor);
  return platform::ColorF(c.r * f, c.g * f, c.b * f, c.a * f).ToArgb();
}

FontManager* FontsOf(APIContext* context) {
  return context && context->graphics ? context->graphics->GetFontManager() : nullptr;
}

// A shadow drawn as a halo around the text moved by the offset, then the text.
void DrawShadowedText(FontManager* fonts, int font, const std::u16string& text, const Rect& rect,
                      uint32_t format, Argb colour, int32_t shadowOffset, int32_t shadowSize,
                      Argb shadowColour, double opacity) {
  if (shadowOffset >= 0) {
    const Vector2 offset{float(shadowOffset), float(shadowOffset)};
    fonts->DrawTextOffset(font, &text, &rect, &offset, double(shadowSize), format,
                          Scaled(shadowColour, opacity));
  }
  Rect where = rect;
  fonts->DrawText(font, &text, &where, format, Scaled(colour, opacity));
}

}  // namespace

// ---- MessageLabel ------------------------------------------------------------------

MessageLabel::MessageLabel(std::u16string text, Argb colour, double displayTime, double secondTime)
    : text(std::move(text)),
      colour(colour),
      shadowColour(ShadowFor(colour)),
      timeLeft(displayTime == -1.0 ? secondTime : displayTime),
      timeTotal(timeLeft),
      permanent(displayTime == -1.0) {}

double MessageLabel::Opacity() const {
  // A display time of 0 would divide by zero; such a message shows fully until it goes.
  if (permanent || !(timeTotal > 0.0)) return 1.0;
  return std::clamp(timeLeft / timeTotal, 0.0, 1.0);
}

// ---- MessagePanel ------------------------------------------------------------------

MessagePanel::MessagePanel(APIContext* context)
    : m_context(context ? context : APIContext::Get()), m_format(kDtBottom | kDtCenter) {}

MessagePanel::~MessagePanel() = default;

FontManager* MessagePanel::Fonts() const { return FontsOf(m_context); }

void MessagePanel::Place(const Rect& rect, int mode, int font) {
  m_rect = rect;
  m_mode = mode;
  m_font = font;
  m_format = mode == kFromTop ? (kDtBottom | kDtCenter) : (kDtCenter | kDtVCenter);
  m_stackHeight = 0;
  m_panelWidth = rect.Width();
  m_panelHeight = rect.Height();
  m_shownWidth = m_panelWidth;
  m_widest = 0;
  m_scrollOffset = 0.0;
  m_messages.clear();
}

void MessagePanel::Add(std::unique_ptr<MessageLabel> message) {
  if (!message) return;
  Rect extent = m_rect;
  if (FontManager* fonts = Fonts())
    fonts->MeasureText(m_font, message->text.c_str(), &extent, m_format | kDtCalcRect | kDtNoClip,
                       message->colour);
  else
    extent = {m_rect.left, m_rect.top, m_rect.left, m_rect.top};
  message->width = extent.Width();
  message->height = extent.Height();
  m_stackHeight += message->height;
  m_messages.push_back(std::move(message));
}

void MessagePanel::Update(double step) {
  m_widest = 0;
  for (size_t i = m_messages.size(); i-- > 0;) {
    MessageLabel& message = *m_messages[i];
    m_widest = std::max(m_widest, message.width);
    if (!message.permanent) message.timeLeft -= step;
    if (message.timeLeft <= 0.0 && !message.permanent) {
      m_stackHeight -= message.height;
      m_scrollOffset = std::min(m_scrollOffset + double(message.height), double(m_panelHeight));
      m_messages.erase(m_messages.begin() + ptrdiff_t(i));
    }
  }
  // The box grows at once and shrinks over several frames.
  m_shownWidth = platform::TruncToInt(double(m_shownWidth) + double(m_widest - m_shownWidth) * step * 10.0);
  m_shownWidth = std::max(m_shownWidth, m_widest);
  m_scrollOffset = std::max(0.0, m_scrollOffset - m_scrollOffset * step * 10.0);
}

int32_t MessagePanel::HeightInUse() const {
  return platform::TruncToInt(std::min(double(m_stackHeight) + m_scrollOffset, double(m_panelHeight)));
}

void MessagePanel::Draw() {
  FontManager* fonts = Fonts();
  const int32_t inUse = HeightInUse();
  // An empty panel shows no box; after the last message the box still shrinks away while
  // the scroll offset decays.
  if (m_shownWidth > 1 && (!m_messages.empty() || inUse > 0)) {
    if (auto* globals = m_context ? dynamic_cast<MyGlobals*>(m_context->globals.get()) : nullptr) {
      const int32_t left = (m_rect.left + m_rect.right - m_shownWidth) / 2 - kBoxMargin;
      const int32_t right = (m_rect.left + m_rect.right + m_shownWidth) / 2 + kBoxMargin;
      const int32_t top = m_mode == kFromTop ? m_rect.top - kBoxMargin : m_rect.bottom - inUse - kBoxMargin;
      const int32_t bottom =
          m_mode == kFromTop ? m_rect.top + inUse + kBoxMargin : m_rect.bottom + kBoxMargin;
      globals->DrawRectBox(left, top, right, bottom, kBoxBorder, 0xC0000000, 0xFFFFFFFF, 0x00000000, 0, 0, 0,
                           0);
    }
  }
  if (!fonts) return;

  // Newest message first, each line as high as its message; lines reaching past the area
  // in use are cut at its edge.
  const int32_t areaTop = m_mode == kFromTop ? m_rect.top : m_rect.bottom - inUse;
  int32_t offset = m_mode == kFromTop ? inUse : 0;
  for (size_t i = m_messages.size(); i-- > 0;) {
    const MessageLabel& message = *m_messages[i];
    Rect line{m_rect.left, 0, m_rect.right, 0};
    if (m_mode == kFromTop) {
      offset -= message.height;
      line.top = m_rect.top + offset;
      line.bottom = line.top + message.height;
    } else {
      line.bottom = m_rect.bottom - offset;
      line.top = line.bottom - message.height;
      offset += message.height;
    }
    if (line.top < areaTop) line.top = areaTop;
    if (line.bottom <= line.top) continue;
    DrawShadowedText(fonts, m_font, message.text, line, m_format, message.colour, message.shadowOffset,
                     message.shadowSize, message.shadowColour, message.Opacity());
  }
}

// ---- FadingTextList ----------------------------------------------------------------

FadingTextLabel::FadingTextLabel(std::u16string text, Argb colour)
    : text(std::move(text)), colour(colour), shadowColour(ShadowFor(colour)) {}

FadingTextList::FadingTextList(APIContext* context) : m_context(context ? context : APIContext::Get()) {}

FadingTextList::~FadingTextList() = default;

FontManager* FadingTextList::Fonts() const { return FontsOf(m_context); }

void FadingTextList::Place(const Rect& rect, int font, int32_t maxLines) {
  m_lines.clear();
  m_maxLines = std::max<int32_t>(0, maxLines);
  m_rect = rect;
  m_font = font;
  m_width = rect.Width();
  m_height = rect.Height();
}

void FadingTextList::Add(std::unique_ptr<FadingTextLabel> line) {
  if (!line) return;
  Rect extent{m_rect.left, m_rect.top, m_rect.right, m_rect.top};
  if (FontManager* fonts = Fonts())
    fonts->MeasureText(m_font, line->text.c_str(), &extent, kFadingFormat | kDtCalcRect, line->colour);
  else
    extent.bottom = extent.top;
  line->width = extent.Width();
  line->height = extent.Height();
  m_lines.push_back(std::move(line));
  if (m_maxLines > 0 && m_lines.size() > size_t(m_maxLines))
    m_lines.erase(m_lines.begin(), m_lines.end() - m_maxLines);
}

void FadingTextList::Update() {
  int32_t running = 0;
  for (size_t i = m_lines.size(); i-- > 0;) {
    if (running > m_height) {
      // Pushed out of the panel: this line and every older one.
      m_lines.erase(m_lines.begin(), m_lines.begin() + ptrdiff_t(i) + 1);
      break;
    }
    FadingTextLabel& line = *m_lines[i];
    // A panel without height would divide by zero: its newest line stays whole.
    line.fade = m_height > 0 ? std::clamp(1.0 - double(running) / double(m_height), 0.0, 1.0) : 1.0;
    running += line.height;
  }
}

void FadingTextList::Draw() {
  FontManager* fonts = Fonts();
  if (!fonts) return;
  int32_t bottom = m_rect.bottom;
  for (size_t i = m_lines.size(); i-- > 0;) {
    const FadingTextLabel& line = *m_lines[i];
    const Rect where{m_rect.left, bottom - line.height, m_rect.right, bottom};
    // Lines are drawn while some of them lies below the panel's top.
    if (where.bottom <= m_rect.top) break;
    DrawShadowedText(fonts, m_font, line.text, where, kFadingFormat, line.colour, line.shadowOffset,
                     line.shadowSize, line.shadowColour, line.fade);
    bottom -= line.height;
  }
}
