// Text layout against a font of fixed cells, so that every position is known exactly:
// each glyph advances 10 px, lines are 20 px with the baseline 16 px down, and a glyph's
// 8 x 12 bitmap sits 1 px right of the pen and 12 px above the baseline.
#include "platform/text_layout.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/text.h"

using platform::GlyphQuad;
using platform::Rect;
using namespace platform;

namespace {

class CellFont : public GlyphSource {
 public:
  void Prepare(std::u16string_view) override { ++prepared; }
  const PlacedGlyph& Glyph(char32_t c) override {
    asked.push_back(c);
    auto [it, added] = glyphs.try_emplace(c);
    if (added) {
      it->second.advance = 10;
      if (c != U' ') {
        it->second = {10, 1, 12, 8, 12, int32_t(c), 100};  // the atlas x names the character
      }
    }
    return it->second;
  }
  int32_t Ascent() const override { return 16; }
  int32_t LineHeight() const override { return 20; }

  int prepared = 0;
  std::u32string asked;
  std::map<char32_t, PlacedGlyph> glyphs;
};

struct DrawnLine {
  int32_t top;   // the line's top (glyph top minus 4)
  int32_t left;  // the pen position of its first glyph
  std::string letters;
};

// Reads the quads back into lines of letters (blanks draw nothing, so they do not show).
std::vector<DrawnLine> Lines(const std::vector<GlyphQuad>& quads) {
  std::vector<DrawnLine> lines;
  for (const GlyphQuad& q : quads) {
    const int32_t top = int32_t(q.top) - 4;
    if (lines.empty() || lines.back().top != top) lines.push_back({top, int32_t(q.left) - 1, ""});
    lines.back().letters += char(q.srcLeft);
  }
  return lines;
}

std::vector<std::string> Letters(const std::vector<GlyphQuad>& quads) {
  std::vector<std::string> out;
  for (const auto& l : Lines(quads)) out.push_back(l.letters);
  return out;
}

}  // namespace

TEST(TextLayout, WordBreakWrapsAtBlanksOnly) {
  struct Case {
    const char16_t* text;
    int32_t width;
    std::vector<std::string> lines;
  } cases[] = {
      {u"aaaa bbbb cccc", 100, {"aaaabbbb", "cccc"}},
      {u"aaaa bbbbb", 100, {"aaaabbbbb"}},  // exactly as wide as the rectangle: fits
      {u"aaaa bbbbbb", 100, {"aaaa", "bbbbbb"}},
      {u"aaaaaaaaaaaaaa", 100, {"aaaaaaaaaaaaaa"}},  // one word wider than the line stays whole
      {u"aa verylongword bb", 100, {"aa", "verylongword", "bb"}},
      {u"aaaa-bbbb-cccc", 100, {"aaaa-bbbb-cccc"}},  // no break at hyphens
      {u"aaaa\u00A0bbbb\u00A0cccc",
       100,
       {"aaaa\xA0"
        "bbbb\xA0"
        "cccc"}},  // nor at no-break spaces
      {u"ab\ncd", 100, {"ab", "cd"}},
      {u"ab\r\ncd", 100, {"ab", "cd"}},
      {u"ab\rcd", 100, {"ab", "cd"}},
      {u"aaaa bbbb\ncc dd ee ff gg", 50, {"aaaa", "bbbb", "cc dd", "ee ff", "gg"}},
      {u"a b c d", 0, {"a", "b", "c", "d"}},
  };
  for (const auto& c : cases) {
    CellFont font;
    Rect rect{0, 0, c.width, 200};
    std::vector<GlyphQuad> quads;
    const int32_t height = LayoutText(font, c.text, rect, kTextWordBreak | kTextNoClip, &quads);
    std::vector<std::string> expected;
    for (std::string line : c.lines) {
      std::erase(line, ' ');  // blanks draw nothing
      expected.push_back(line);
    }
    // The cell font names glyphs by code point, which for these texts fits in one byte.
    EXPECT_EQ(Letters(quads), expected) << U16ToUtf8(c.text);
    EXPECT_EQ(height, int32_t(c.lines.size()) * 20) << U16ToUtf8(c.text);
    EXPECT_EQ(rect, (Rect{0, 0, c.width, 200})) << "drawing leaves the rectangle alone";
  }
}

TEST(TextLayout, BlanksAtAWrapAreDroppedAndLinesAlignWithoutThem) {
  CellFont font;
  Rect rect{0, 0, 100, 100};
  std::vector<GlyphQuad> quads;
  LayoutText(font, u"aaaa    bbbbbbbb", rect, kTextWordBreak | kTextRight, &quads);
  const auto lines = Lines(quads);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].left, 60) << "the blanks after aaaa are not part of its width";
  EXPECT_EQ(lines[1].left, 20) << "the next line does not start with the blanks";

  quads.clear();
  LayoutText(font, u"  ab cd", rect, kTextWordBreak, &quads);
  ASSERT_EQ(Lines(quads).size(), 1u);
  EXPECT_EQ(Lines(quads)[0].left, 20) << "blanks opening a paragraph are kept";
}

TEST(TextLayout, LineBreaksWithoutWordBreakAndSingleLine) {
  struct Case {
    const char16_t* text;
    uint32_t format;
    std::vector<std::string> lines;
    int32_t height;
  } cases[] = {
      {u"aaaa bbbb cccc dddd", 0, {"aaaabbbbccccdddd"}, 20},  // no wrap: one long line
      {u"ab\ncd\n\nef", 0, {"ab", "cd", "ef"}, 80},           // the empty line counts
      {u"ab\n", 0, {"ab"}, 20},                               // a closing break adds no line
      {u"\n", 0, {}, 20},
      {u"ab\ncd", kTextSingleLine, {"abcd"}, 20},
      {u"ab\ncd", kTextSingleLine | kTextWordBreak, {"abcd"}, 20},
      {u"", 0, {}, 0},
      {u"", kTextWordBreak, {}, 0},
      {u"", kTextVCenter | kTextBottom, {}, 0},
  };
  for (const auto& c : cases) {
    CellFont font;
    Rect rect{0, 0, 60, 500};
    std::vector<GlyphQuad> quads;
    EXPECT_EQ(LayoutText(font, c.text, rect, c.format | kTextNoClip, &quads), c.height) << U16ToUtf8(c.text);
    EXPECT_EQ(Letters(quads), c.lines) << U16ToUtf8(c.text);
    for (char32_t asked : font.asked) EXPECT_GE(asked, U' ') << "control characters are never asked for";
  }
}

TEST(TextLayout, CalcRectMeasuresWithoutDrawing) {
  struct Case {
    const char16_t* text;
    uint32_t format;
    Rect in;
    Rect out;
    int32_t height;
  } cases[] = {
      // Without word break the rectangle takes the widest line's width, narrower or wider.
      {u"abc", 0, {5, 7, 500, 500}, {5, 7, 35, 27}, 20},
      {u"abc\nabcdef", 0, {5, 7, 10, 8}, {5, 7, 65, 47}, 40},
      {u"abc", kTextCenter | kTextVCenter | kTextNoClip, {5, 7, 500, 500}, {5, 7, 35, 27}, 20},
      {u"ab\ncd", kTextSingleLine, {0, 0, 0, 0}, {0, 0, 40, 20}, 20},
      // With word break the width stays and the bottom grows.
      {u"aaaa bbbb cccc", kTextWordBreak, {0, 0, 100, 0}, {0, 0, 100, 40}, 40},
      {u"aaaaaaaaaaaaaa", kTextWordBreak, {0, 0, 100, 0}, {0, 0, 100, 20}, 20},
      {u"ab", kTextWordBreak | kTextBottom, {10, 10, 100, 300}, {10, 10, 100, 30}, 20},
      {u"", 0, {3, 4, 50, 60}, {3, 4, 3, 4}, 0},
  };
  for (const auto& c : cases) {
    CellFont font;
    Rect rect = c.in;
    std::vector<GlyphQuad> quads;
    EXPECT_EQ(LayoutText(font, c.text, rect, c.format | kTextCalcRect, &quads), c.height)
        << U16ToUtf8(c.text);
    EXPECT_EQ(rect, c.out) << U16ToUtf8(c.text);
    EXPECT_TRUE(quads.empty());
  }
}

// Vertical alignment places the whole block of lines, also when there are several: the
// game's wrapped help pages and menu texts are centred that way.
TEST(TextLayout, AlignmentPlacesEachLineAndTheBlock) {
  struct Case {
    const char16_t* text;
    uint32_t format;
    std::vector<DrawnLine> lines;
    int32_t result;
  } cases[] = {
      {u"abcd", kTextLeft | kTextTop, {{0, 0, "abcd"}}, 20},
      {u"abcd", kTextCenter, {{0, 80, "abcd"}}, 20},
      {u"abcd", kTextRight, {{0, 160, "abcd"}}, 20},
      {u"abcd", kTextVCenter, {{40, 0, "abcd"}}, 60},  // offset from the top to the text's bottom
      {u"abcd", kTextBottom | kTextCenter, {{80, 80, "abcd"}}, 100},
      {u"abcd\nab", kTextCenter | kTextVCenter, {{30, 80, "abcd"}, {50, 90, "ab"}}, 70},
      {u"abcd\nab", kTextRight | kTextBottom, {{60, 160, "abcd"}, {80, 180, "ab"}}, 100},
      {u"abcd ab", kTextWordBreak | kTextCenter | kTextBottom, {{80, 65, "abcdab"}}, 100},
  };
  for (const auto& c : cases) {
    CellFont font;
    Rect rect{0, 0, 200, 100};
    std::vector<GlyphQuad> quads;
    EXPECT_EQ(LayoutText(font, c.text, rect, c.format, &quads), c.result)
        << U16ToUtf8(c.text) << " " << c.format;
    const auto got = Lines(quads);
    ASSERT_EQ(got.size(), c.lines.size()) << U16ToUtf8(c.text);
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].top, c.lines[i].top) << U16ToUtf8(c.text) << " line " << i;
      EXPECT_EQ(got[i].left, c.lines[i].left) << U16ToUtf8(c.text) << " line " << i;
      EXPECT_EQ(got[i].letters, c.lines[i].letters);
    }
  }
}

TEST(TextLayout, ClippingCutsGlyphsAtTheRectangle) {
  CellFont font;
  std::vector<GlyphQuad> quads;
  // 'c' spans x 21..29 and is cut at 25; the rectangle is 10 high, so the vertically
  // centred line starts at -5 and every glyph (rows -1..11) loses its top row and the
  // rows from 10 down.
  Rect rect{0, 0, 25, 10};
  LayoutText(font, u"abcd", rect, kTextVCenter, &quads);
  ASSERT_EQ(quads.size(), 3u) << "'d' at 31 lies wholly outside";
  const GlyphQuad& c = quads[2];
  EXPECT_EQ(c.srcLeft, 'c');
  EXPECT_EQ(c.srcRight - c.srcLeft, 4);
  EXPECT_EQ(c.left, 21.0f);
  EXPECT_EQ(c.right, 25.0f);
  EXPECT_EQ(c.top, 0.0f);
  EXPECT_EQ(c.bottom, 10.0f);
  EXPECT_EQ(c.srcTop, 101) << "the source moves with the cut";
  EXPECT_EQ(c.srcBottom, 111);

  quads.clear();
  LayoutText(font, u"abcd", rect, kTextVCenter | kTextNoClip, &quads);
  ASSERT_EQ(quads.size(), 4u);
  EXPECT_EQ(quads[2].right - quads[2].left, 8.0f);
  EXPECT_EQ(quads[2].top, -1.0f);
  EXPECT_EQ(quads[2].srcBottom - quads[2].srcTop, 12);
}

TEST(TextLayout, SurrogatePairsAreOneGlyphAndTheSourceIsPreparedOnce) {
  CellFont font;
  Rect rect{0, 0, 200, 100};
  std::vector<GlyphQuad> quads;
  const std::u16string text = u"a\U0001F600b\tc";
  LayoutText(font, text, rect, kTextNoClip, &quads);
  EXPECT_EQ(font.prepared, 1);
  ASSERT_EQ(quads.size(), 4u);
  EXPECT_EQ(quads[1].srcLeft, 0x1F600);
  EXPECT_EQ(quads[3].left - quads[2].left, 10.0f) << "a tab takes no room";
}
