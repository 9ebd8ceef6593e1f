// Line breaking, alignment and clipping of text for the font engine.
#include "platform/text_layout.h"

#include <algorithm>

namespace platform {

namespace {

struct Line {
  size_t begin;  // index into the decoded code points
  size_t end;
  int32_t width;
};

bool IsControl(char32_t c) { return c < 0x20; }

// Decodes UTF-16 into code points; a lone surrogate stays as it is.
void Decode(std::u16string_view text, std::vector<char32_t>& out) {
  out.clear();
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    out.push_back(c);
  }
}

class Layouter {
 public:
  Layouter(GlyphSource& source, const std::vector<char32_t>& chars) : m_source(source), m_chars(chars) {}

  int32_t Advance(size_t i) {
    const char32_t c = m_chars[i];
    return IsControl(c) ? 0 : m_source.Glyph(c).advance;
  }

  // Prefix sums of the advances of chars[begin, end): pre[k] = width of chars[begin, begin + k).
  void Prefix(size_t begin, size_t end) {
    m_prefix.assign(1, 0);
    for (size_t i = begin; i < end; ++i) m_prefix.push_back(m_prefix.back() + Advance(i));
  }

  int32_t Width(size_t paraBegin, size_t from, size_t to) const {
    return m_prefix[to - paraBegin] - m_prefix[from - paraBegin];
  }

  // Breaks one paragraph (no line breaks inside) into lines no wider than maxWidth where
  // blanks allow it.
  void Wrap(size_t begin, size_t end, int32_t maxWidth, std::vector<Line>& lines) {
    Prefix(begin, end);
    size_t lineBegin = begin;
    size_t k = begin;
    while (k < end && m_chars[k] == U' ') ++k;  // blanks opening a paragraph belong to its first line
    bool lineHasWord = false;
    while (k < end) {
      const size_t gapBegin = k;
      while (k < end && m_chars[k] == U' ') ++k;
      const size_t wordBegin = k;
      while (k < end && m_chars[k] != U' ') ++k;
      const size_t wordEnd = k;
      if (wordBegin == wordEnd) break;  // blanks closing the paragraph stay on its last line
      if (lineHasWord && Width(begin, lineBegin, wordEnd) > maxWidth) {
        lines.push_back({lineBegin, gapBegin, Width(begin, lineBegin, gapBegin)});
        lineBegin = wordBegin;
      }
      lineHasWord = true;
    }
    lines.push_back({lineBegin, end, Width(begin, lineBegin, end)});
  }

  void Whole(size_t begin, size_t end, std::vector<Line>& lines) {
    Prefix(begin, end);
    lines.push_back({begin, end, Width(begin, begin, end)});
  }

 private:
  GlyphSource& m_source;
  const std::vector<char32_t>& m_chars;
  std::vector<int32_t> m_prefix;
};

void AddQuad(const PlacedGlyph& g, int32_t x, int32_t y, const Rect& clip, bool clipOn,
             std::vector<GlyphQuad>& quads) {
  int32_t left = x + g.bearingX;
  int32_t top = y - g.bearingY;
  int32_t right = left + g.width;
  int32_t bottom = top + g.height;
  int32_t srcLeft = g.atlasX;
  int32_t srcTop = g.atlasY;
  if (clipOn) {
    const int32_t cl = std::max(left, clip.left), ct = std::max(top, clip.top);
    const int32_t cr = std::min(right, clip.right), cb = std::min(bottom, clip.bottom);
    if (cl >= cr || ct >= cb) return;
    srcLeft += cl - left;
    srcTop += ct - top;
    left = cl, top = ct, right = cr, bottom = cb;
  }
  GlyphQuad q;
  q.srcLeft = srcLeft;
  q.srcTop = srcTop;
  q.srcRight = srcLeft + (right - left);
  q.srcBottom = srcTop + (bottom - top);
  q.left = float(left);
  q.top = float(top);
  q.right = float(right);
  q.bottom = float(bottom);
  quads.push_back(q);
}

}  // namespace

int32_t LayoutText(GlyphSource& source, std::u16string_view text, Rect& rect, uint32_t format,
                   std::vector<GlyphQuad>* quads) {
  const bool calcRect = format & kTextCalcRect;
  const bool singleLine = format & kTextSingleLine;
  const bool wordBreak = (format & kTextWordBreak) && !singleLine;

  thread_local std::vector<char32_t> chars;
  thread_local std::vector<Line> lines;
  Decode(text, chars);
  lines.clear();
  source.Prepare(text);

  Layouter layouter(source, chars);
  if (singleLine) {
    if (!chars.empty()) layouter.Whole(0, chars.size(), lines);
  } else {
    size_t begin = 0;
    while (begin < chars.size()) {
      size_t end = begin;
      while (end < chars.size() && chars[end] != U'\n' && chars[end] != U'\r') ++end;
      if (wordBreak)
        layouter.Wrap(begin, end, rect.Width(), lines);
      else
        layouter.Whole(begin, end, lines);
      if (end < chars.size() && chars[end] == U'\r' && end + 1 < chars.size() && chars[end + 1] == U'\n')
        ++end;
      begin = end + 1;
    }
  }

  const int32_t lineHeight = source.LineHeight();
  const int32_t textHeight = int32_t(lines.size()) * lineHeight;

  if (calcRect) {
    int32_t widest = 0;
    for (const Line& line : lines) widest = std::max(widest, line.width);
    if (!wordBreak) rect.right = rect.left + widest;
    rect.bottom = rect.top + textHeight;
    return textHeight;
  }

  int32_t y = rect.top;
  if (format & kTextBottom)
    y = rect.bottom - textHeight;
  else if (format & kTextVCenter)
    y = rect.top + (rect.Height() - textHeight) / 2;

  if (quads) {
    const bool clipOn = !(format & kTextNoClip);
    const int32_t ascent = source.Ascent();
    int32_t lineTop = y;
    for (const Line& line : lines) {
      int32_t x = rect.left;
      if (format & kTextRight)
        x = rect.right - line.width;
      else if (format & kTextCenter)
        x = rect.left + (rect.Width() - line.width) / 2;
      const int32_t baseline = lineTop + ascent;
      for (size_t i = line.begin; i < line.end; ++i) {
        const char32_t c = chars[i];
        if (IsControl(c)) continue;
        const PlacedGlyph& g = source.Glyph(c);
        if (g.width > 0 && g.height > 0) AddQuad(g, x, baseline, rect, clipOn, *quads);
        x += g.advance;
      }
      lineTop += lineHeight;
    }
  }

  if (textHeight > 0 && (format & (kTextVCenter | kTextBottom))) return y - rect.top + textHeight;
  return textHeight;
}

}  // namespace platform
