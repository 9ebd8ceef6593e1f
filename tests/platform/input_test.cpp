#include "platform/input.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Every key of a full-size ISO keyboard with its set-1 make code (0x80 added for the keys
// sent with the E0 prefix).
const std::pair<const char*, uint8_t> kKeyboard[] = {
    {"Escape", 0x01},      {"F1", 0x3B},          {"F2", 0x3C},
    {"F3", 0x3D},          {"F4", 0x3E},          {"F5", 0x3F},
    {"F6", 0x40},          {"F7", 0x41},          {"F8", 0x42},
    {"F9", 0x43},          {"F10", 0x44},         {"F11", 0x57},
    {"F12", 0x58},         {"PrintScreen", 0xB7}, {"ScrollLock", 0x46},
    {"Pause", 0xC5},       {"`", 0x29},           {"1", 0x02},
    {"2", 0x03},           {"3", 0x04},           {"4", 0x05},
    {"5", 0x06},           {"6", 0x07},           {"7", 0x08},
    {"8", 0x09},           {"9", 0x0A},           {"0", 0x0B},
    {"-", 0x0C},           {"=", 0x0D},           {"Backspace", 0x0E},
    {"Tab", 0x0F},         {"Q", 0x10},           {"W", 0x11},
    {"E", 0x12},           {"R", 0x13},           {"T", 0x14},
    {"Y", 0x15},           {"U", 0x16},           {"I", 0x17},
    {"O", 0x18},           {"P", 0x19},           {"[", 0x1A},
    {"]", 0x1B},           {"Return", 0x1C},      {"CapsLock", 0x3A},
    {"A", 0x1E},           {"S", 0x1F},           {"D", 0x20},
    {"F", 0x21},           {"G", 0x22},           {"H", 0x23},
    {"J", 0x24},           {"K", 0x25},           {"L", 0x26},
    {";", 0x27},           {"'", 0x28},           {"\\", 0x2B},
    {"Left Shift", 0x2A},  {"Z", 0x2C},           {"X", 0x2D},
    {"C", 0x2E},           {"V", 0x2F},           {"B", 0x30},
    {"N", 0x31},           {"M", 0x32},           {",", 0x33},
    {".", 0x34},           {"/", 0x35},           {"Right Shift", 0x36},
    {"Left Ctrl", 0x1D},   {"Left GUI", 0xDB},    {"Left Alt", 0x38},
    {"Space", 0x39},       {"Right Alt", 0xB8},   {"Right GUI", 0xDC},
    {"Application", 0xDD}, {"Right Ctrl", 0x9D},  {"Insert", 0xD2},
    {"Home", 0xC7},        {"PageUp", 0xC9},      {"Delete", 0xD3},
    {"End", 0xCF},         {"PageDown", 0xD1},    {"Up", 0xC8},
    {"Left", 0xCB},        {"Down", 0xD0},        {"Right", 0xCD},
    {"Numlock", 0x45},     {"Keypad /", 0xB5},    {"Keypad *", 0x37},
    {"Keypad -", 0x4A},    {"Keypad +", 0x4E},    {"Keypad Enter", 0x9C},
    {"Keypad 7", 0x47},    {"Keypad 8", 0x48},    {"Keypad 9", 0x49},
    {"Keypad 4", 0x4B},    {"Keypad 5", 0x4C},    {"Keypad 6", 0x4D},
    {"Keypad 1", 0x4F},    {"Keypad 2", 0x50},    {"Keypad 3", 0x51},
    {"Keypad 0", 0x52},    {"Keypad .", 0x53},    {"F13", 0x64},
    {"F14", 0x65},         {"F15", 0x66},         {"Keypad =", 0x8D},
    {"Mute", 0xA0},        {"VolumeUp", 0xB0},    {"VolumeDown", 0xAE},
    {"AudioNext", 0x99},   {"AudioPrev", 0x90},   {"AudioPlay", 0xA2},
    {"AudioStop", 0xA4},   {"Calculator", 0xA1},  {"Mail", 0xEC},
    {"AC Search", 0xE5},   {"AC Home", 0xB2},     {"AC Back", 0xEA},
    {"AC Forward", 0xE9},  {"AC Refresh", 0xE7},  {"Sleep", 0xDF},
    {"Power", 0xDE},
};

}  // namespace

TEST(InputKeys, EveryKeyOfAKeyboardHasItsCode) {
  for (const auto& [name, dik] : kKeyboard) {
    int scancode = platform::ScancodeFromName(name);
    ASSERT_NE(scancode, 0) << name;
    EXPECT_EQ(platform::DikFromScancode(scancode), dik) << name;
    EXPECT_EQ(platform::DikFromScancode(platform::ScancodeFromDik(dik)), dik) << name;
  }
  // The ISO key between the left shift and Z has a code of its own.
  EXPECT_EQ(platform::DikFromScancode(100), 0x56);
  EXPECT_EQ(platform::ScancodeFromDik(0x56), 100);
}

TEST(InputKeys, NoTwoKeysShareACodeButTheKnownTwins) {
  std::map<uint8_t, std::vector<int>> byCode;
  for (int sc : platform::MappedScancodes()) byCode[platform::DikFromScancode(sc)].push_back(sc);
  EXPECT_EQ(byCode.count(0), 0u);
  for (const auto& [dik, scancodes] : byCode) {
    // Backslash and the ISO "#" key, the two mute keys, print screen and system request.
    if (dik == 0x2B || dik == 0xA0 || dik == 0xB7)
      EXPECT_EQ(scancodes.size(), 2u) << int(dik);
    else
      EXPECT_EQ(scancodes.size(), 1u) << int(dik);
  }
  // Codes no key produces, and scancodes out of range.
  for (uint8_t dik : {uint8_t(0x00), uint8_t(0x54), uint8_t(0x55), uint8_t(0xFF)})
    EXPECT_EQ(platform::ScancodeFromDik(dik), 0) << int(dik);
  EXPECT_EQ(platform::DikFromScancode(-1), 0);
  EXPECT_EQ(platform::DikFromScancode(100000), 0);
  EXPECT_EQ(platform::DikFromScancode(0), 0);
}

TEST(InputJoystick, AxisScaleAndHats) {
  const std::pair<int16_t, int32_t> axes[] = {{-32768, -1000}, {32767, 1000}, {0, 0},  {16384, 500},
                                              {-16384, -500},  {32, 0},       {33, 1}, {-33, -1}};
  for (auto [in, out] : axes) EXPECT_EQ(platform::ScaleJoystickAxis(in), out) << in;
  const std::pair<uint8_t, uint32_t> hats[] = {{0, 0xFFFFFFFFu}, {1, 0},          {3, 4500},   {2, 9000},
                                               {6, 13500},       {4, 18000},      {12, 22500}, {8, 27000},
                                               {9, 31500},       {5, 0xFFFFFFFFu}};
  for (auto [in, out] : hats) EXPECT_EQ(platform::HatToPov(in), out) << int(in);
}

TEST(InputJoystick, SdlControllersAreReadAndLost) {
  auto pad = platform::VirtualJoystick::Attach(8, 12, 2);
  if (!pad) GTEST_SKIP() << "SDL cannot attach a virtual controller here";
  pad->SetAxis(0, 32767);
  pad->SetAxis(1, -32768);
  pad->SetAxis(5, 16384);
  pad->SetAxis(6, -16384);
  pad->SetButton(3, true);
  pad->SetHat(1, 2 | 4);
  auto devices = platform::CreateSdlInputDevice();
  ASSERT_GE(devices->JoystickCount(), 1u);
  size_t ours = devices->JoystickCount() - 1;
  devices->Poll();
  platform::JoystickReading r;
  ASSERT_TRUE(devices->ReadJoystick(ours, r));
  EXPECT_EQ(r.axes[0], 1000);
  EXPECT_EQ(r.axes[1], -1000);
  EXPECT_EQ(r.axes[5], 500);
  EXPECT_EQ(r.sliders[0], -500);
  EXPECT_EQ(r.buttons[3], 0x80);
  EXPECT_EQ(r.buttons[2], 0);
  EXPECT_EQ(r.pov[0], 0xFFFFFFFFu);
  EXPECT_EQ(r.pov[1], 13500u);
  EXPECT_EQ(r.pov[2], 0xFFFFFFFFu);

  pad.reset();  // unplugged
  devices->Poll();
  EXPECT_FALSE(devices->ReadJoystick(ours, r));
  EXPECT_EQ(r.buttons[3], 0);
  EXPECT_FALSE(devices->ReadJoystick(ours + 5, r));
}
