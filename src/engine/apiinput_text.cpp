// The text-entry half of the input manager: key codes to characters in four keyboard
// layouts, and the case mapping the text fields apply.
#include <cstdint>

#include "engine/apiinput.h"

namespace {

// One row per key: the characters of layouts 0 (German), 1 (English), 2 (Russian) and
// 3 (French). 0x08, 0x0D and 0x10 stand for backspace, return and shift; 0x25 ... 0x28
// are the arrow keys and 0x60 ... 0x69 the numeric-pad digits.
struct KeyRow {
  uint8_t code;
  char16_t chars[4];
};

constexpr KeyRow kKeyRows[] = {
    {0x02, {u'1', u'1', u'1', u'&'}},
    {0x03, {u'2', u'2', u'2', u'\u00E9'}},
    {0x04, {u'3', u'3', u'3', u'"'}},
    {0x05, {u'4', u'4', u'4', u'\''}},
    {0x06, {u'5', u'5', u'5', u'('}},
    {0x07, {u'6', u'6', u'6', u'-'}},
    {0x08, {u'7', u'7', u'7', u'\u00E8'}},
    {0x09, {u'8', u'8', u'8', u'_'}},
    {0x0A, {u'9', u'9', u'9', u'\u00E7'}},
    {0x0B, {u'0', u'0', u'0', u'\u00E0'}},
    {0x0E, {0x08, 0x08, 0x08, 0x08}},
    {0x10, {u'q', u'q', u'\u0439', u'a'}},
    {0x11, {u'w', u'w', u'\u0446', u'z'}},
    {0x12, {u'e', u'e', u'\u0443', u'e'}},
    {0x13, {u'r', u'r', u'\u043A', u'r'}},
    {0x14, {u't', u't', u'\u0435', u't'}},
    {0x15, {u'z', u'y', u'\u043D', u'w'}},
    {0x16, {u'u', u'u', u'\u0433', u'u'}},
    {0x17, {u'i', u'i', u'\u0448', u'i'}},
    {0x18, {u'o', u'o', u'\u0449', u'o'}},
    {0x19, {u'p', u'p', u'\u0437', u'p'}},
    {0x1A, {u'\u00FC', 0, u'\u0445', 0}},
    {0x1B, {0, 0, u'\u044A', 0}},
    {0x1C, {0x0D, 0x0D, 0x0D, 0x0D}},
    {0x1E, {u'a', u'a', u'\u0444', u'q'}},
    {0x1F, {u's', u's', u'\u044B', u's'}},
    {0x20, {u'd', u'd', u'\u0432', u'd'}},
    {0x21, {u'f', u'f', u'\u0430', u'f'}},
    {0x22, {u'g', u'g', u'\u043F', u'g'}},
    {0x23, {u'h', u'h', u'\u0440', u'h'}},
    {0x24, {u'j', u'j', u'\u043E', u'j'}},
    {0x25, {u'k', u'k', u'\u043B', u'k'}},
    {0x26, {u'l', u'l', u'\u0434', u'l'}},
    {0x27, {u'\u00F6', 0, u'\u0436', 0}},
    {0x28, {u'\u00E4', 0, u'\u044D', 0}},
    {0x29, {0, 0, u'\u0451', 0}},
    {0x2A, {0x10, 0x10, 0x10, 0x10}},
    {0x2C, {u'y', u'z', u'\u044F', u'y'}},
    {0x2D, {u'x', u'x', u'\u0447', u'x'}},
    {0x2E, {u'c', u'c', u'\u0441', u'c'}},
    {0x2F, {u'v', u'v', u'\u043C', u'v'}},
    {0x30, {u'b', u'b', u'\u0438', u'b'}},
    {0x31, {u'n', u'n', u'\u0442', u'n'}},
    {0x32, {u'm', u'm', u'\u044C', u','}},
    {0x33, {0, 0, u'\u0431', 0}},
    {0x34, {0, 0, u'\u044E', 0}},
    {0x36, {0x10, 0x10, 0x10, 0x10}},
    {0x39, {u' ', u' ', u' ', u' '}},
    {0x47, {0x67, 0x67, 0x67, 0x67}},
    {0x48, {0x68, 0x68, 0x68, 0x68}},
    {0x49, {0x69, 0x69, 0x69, 0x69}},
    {0x4B, {0x64, 0x64, 0x64, 0x64}},
    {0x4C, {0x65, 0x65, 0x65, 0x65}},
    {0x4D, {0x66, 0x66, 0x66, 0x66}},
    {0x4F, {0x61, 0x61, 0x61, 0x61}},
    {0x50, {0x62, 0x62, 0x62, 0x62}},
    {0x51, {0x63, 0x63, 0x63, 0x63}},
    {0x52, {0x60, 0x60, 0x60, 0x60}},
    {0xC8, {0x26, 0, 0, 0x26}},
    {0xCB, {0x25, 0, 0, 0x25}},
    {0xCD, {0x27, 0, 0, 0x27}},
    {0xD0, {0x28, 0, 0, 0x28}},
};

}  // namespace

int APIInput::NumpadToDigitKey(int code) {
  switch (code) {
    case 0x47:
      return 0x08;
    case 0x48:
      return 0x09;
    case 0x49:
      return 0x0A;
    case 0x4B:
      return 0x05;
    case 0x4C:
      return 0x06;
    case 0x4D:
      return 0x07;
    case 0x4F:
      return 0x02;
    case 0x50:
      return 0x03;
    case 0x51:
      return 0x04;
    case 0x52:
      return 0x0B;
    default:
      return code;
  }
}

char16_t APIInput::KeyChar(int code, int layout) {
  if (layout < 0 || layout > 3) return char16_t(code);
  for (const KeyRow& row : kKeyRows)
    if (row.code == code) return row.chars[layout];
  return 0;
}

char16_t APIInput::ToLowerChar(char16_t c) {
  if (c >= 0x0410 && c <= 0x042F) return char16_t(c + 0x20);
  if (c == 0x0401) return 0x0451;
  if (c == 0x00C4 || c == 0x00D6 || c == 0x00DC) return char16_t(c + 0x20);
  if (c >= u'A' && c <= u'Z') return char16_t(c + 0x20);
  return c;
}

char16_t APIInput::ToUpperChar(char16_t c) {
  if (c >= 0x0430 && c <= 0x044F) return char16_t(c - 0x20);
  if (c == 0x0451) return 0x0401;
  if (c == 0x00E4 || c == 0x00F6 || c == 0x00FC) return char16_t(c - 0x20);
  if (c >= u'a' && c <= u'z') return char16_t(c - 0x20);
  return c;
}
