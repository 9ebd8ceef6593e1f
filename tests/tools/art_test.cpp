#include <gtest/gtest.h>

#include <string>

#include "content/image.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "platform/text.h"

using namespace content;

namespace {

std::unique_ptr<DataArchive> GameArchive() {
  return DataArchive::Open(platform::Utf8ToU16(KRUMBOLT_BINARY_DIR "/krumbolt.gob"));
}

std::optional<Image> ArchiveImage(const DataArchive& archive, const std::u16string& name) {
  auto bytes = archive.ReadEntry(name);
  if (!bytes) return std::nullopt;
  return DecodePng(*bytes);
}

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// The PART_RECT of the named TEX_PART in a sprite-definition document, with its image name.
bool FindPart(const KVNode& root, const std::u16string& part, Rect& rect, std::u16string& image) {
  for (unsigned t = 0; KVNode* tex = root.GetChild(t, u"TEXTUR"); ++t)
    for (unsigned p = 0; KVNode* node = tex->GetChild(p, u"TEX_PART"); ++p) {
      std::u16string name;
      node->Read(u"NAME_ID", name);
      if (name != part) continue;
      std::u16string folder;
      tex->Read(u"SEARCHPATH", folder);
      tex->Read(u"TEXTURNAME", image);
      if (!folder.empty()) image = folder + u"\\" + image;
      node->Read(u"PART_RECT", rect.left, 0);
      node->Read(u"PART_RECT", rect.top, 1);
      node->Read(u"PART_RECT", rect.right, 2);
      node->Read(u"PART_RECT", rect.bottom, 3);
      return true;
    }
  return false;
}

// Whether every row of the cell holds one colour across its width (it stretches sideways
// without showing its own detail).
bool UniformAcross(const Image& img, int left, int top) {
  for (int y = top; y < top + 30; ++y)
    for (int x = left + 1; x < left + 30; ++x)
      for (int c = 0; c < 4; ++c)
        if (std::abs(int(img.Pixel(x, y)[c]) - int(img.Pixel(left, y)[c])) > 1) return false;
  return true;
}

}  // namespace

TEST(Art, EveryImageInTheArchiveDecodesAtAPowerOfTwoSize) {
  auto archive = GameArchive();
  ASSERT_NE(archive, nullptr);
  int images = 0;
  for (const auto& [name, entry] : archive->List()) {
    std::string n = platform::U16ToUtf8(name);
    if (n.size() < 4 || n.substr(n.size() - 4) != ".png") continue;
    auto img = ArchiveImage(*archive, name);
    ASSERT_TRUE(img) << n;
    EXPECT_TRUE(IsPowerOfTwo(img->Width()) && IsPowerOfTwo(img->Height())) << n;
    ++images;
  }
  EXPECT_GE(images, 20);
  for (const char16_t* name :
       {u"misc.png", u"misc.prt", u"Splash.spl", u"sounds\\klick_menu.wav", u"sounds\\klick_game.wav",
        u"sounds\\explosionen\\explo1.wav", u"sounds\\explosionen\\explo8.wav", u"texturen\\ui\\icons.png",
        u"texturen\\loading\\loading.prt", u"texturen\\terrain\\soil.png"})
    EXPECT_TRUE(archive->Find(name)) << platform::U16ToUtf8(name);
}

// The box skins: RECTS starts at the image origin and covers the nine columns of every
// skin row; the middle cells of the top and bottom edge and the centre are uniform across
// (they are stretched sideways); the gaps between skins are empty so no skin bleeds into
// its neighbour; fills have a solid centre, frames a hollow one.
TEST(Art, NinePartBoxSkinsStretchCleanly) {
  auto archive = GameArchive();
  ASSERT_NE(archive, nullptr);
  auto prt = LoadKVFromArchive(u"misc.prt", archive.get());
  ASSERT_NE(prt, nullptr);
  Rect rect;
  std::u16string image;
  ASSERT_TRUE(FindPart(*prt, u"RECTS", rect, image));
  EXPECT_EQ(image, u"misc.png");
  auto img = ArchiveImage(*archive, image);
  ASSERT_TRUE(img);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right, img->Width());
  EXPECT_EQ(rect.bottom, img->Height());
  ASSERT_GE(img->Width(), 890);
  const int rows = (img->Height() + 10) / 100;
  ASSERT_GE(rows, 4);  // the menus use skin row 3
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < 9; ++c) {
      SCOPED_TRACE("skin row " + std::to_string(r) + " column " + std::to_string(c));
      int x = 100 * c, y = 100 * r;
      EXPECT_TRUE(UniformAcross(*img, x + 30, y));
      EXPECT_TRUE(UniformAcross(*img, x + 30, y + 30));
      EXPECT_TRUE(UniformAcross(*img, x + 30, y + 60));
      for (int k = 0; k < 90; ++k) {
        EXPECT_EQ(img->Pixel(x + 90 + 5, y + k)[3], 0);
        if (y + 95 < img->Height()) {
          EXPECT_EQ(img->Pixel(x + k, y + 95)[3], 0);
        }
      }
      uint8_t centre = img->Pixel(x + 45, y + 45)[3];
      if (c < 3) {
        EXPECT_EQ(centre, 255);
      } else if (c >= 6) {
        EXPECT_EQ(centre, 0);
      }
      int drawn = 0;  // every skin draws something along its top edge
      for (int k = 0; k < 30; ++k) drawn += img->Pixel(x + 45, y + k)[3] > 0;
      EXPECT_GT(drawn, 0);
    }
}

// Splash.spl names parts of loading.prt: each must exist and lie inside its image; the
// full bar must match the empty one so it can be cut over it.
TEST(Art, LoadingScreenPartsExist) {
  auto archive = GameArchive();
  ASSERT_NE(archive, nullptr);
  auto splash = LoadKVFromArchive(u"Splash.spl", archive.get());
  ASSERT_NE(splash, nullptr);
  for (const char16_t* section : {u"SPLASH_MAIN", u"LOAD_START", u"LOAD_PREVIEW"}) {
    KVNode* node = splash->GetChild(0, section);
    ASSERT_NE(node, nullptr) << platform::U16ToUtf8(section);
    std::u16string folder;
    ASSERT_TRUE(node->Read(u"SEARCHPATH", folder));
    for (const auto& child : node->Children()) {
      const std::u16string& key = child->Name();
      if (key.size() < 10 || key.find(u"INDIREKT") == std::u16string::npos) continue;
      std::u16string file;
      ASSERT_TRUE(child->Read(u"", file) || child->GetValue(0));
      file = child->GetValue(0)->Text();
      auto prt = LoadKVFromArchive(folder + u"\\" + file, archive.get());
      ASSERT_NE(prt, nullptr) << platform::U16ToUtf8(key);
      for (unsigned v = 1; v < child->GetValueCount(); ++v) {
        std::u16string part = child->GetValue(v)->Text();
        Rect rect;
        std::u16string image;
        ASSERT_TRUE(FindPart(*prt, part, rect, image)) << platform::U16ToUtf8(part);
        auto img = ArchiveImage(*archive, image);
        ASSERT_TRUE(img) << platform::U16ToUtf8(image);
        EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.left < rect.right && rect.top < rect.bottom &&
                    rect.right <= img->Width() && rect.bottom <= img->Height())
            << platform::U16ToUtf8(part);
      }
    }
  }
  int maximum = 0;
  splash->GetChild(0, u"SPLASH_MAIN")->Read(u"MAXIMUM", maximum);
  // The count of the start's loading steps, which the main scene's test matches; never 0.
  EXPECT_GT(maximum, 0);
  auto prt = LoadKVFromArchive(u"texturen\\loading\\loading.prt", archive.get());
  ASSERT_NE(prt, nullptr);
  Rect empty, full;
  std::u16string a, b;
  ASSERT_TRUE(FindPart(*prt, u"BAR_EMPTY", empty, a));
  ASSERT_TRUE(FindPart(*prt, u"BAR_FULL", full, b));
  EXPECT_EQ(empty.right - empty.left, full.right - full.left);
  EXPECT_EQ(empty.bottom - empty.top, full.bottom - full.top);
}

TEST(Art, IconSheetHoldsSixteenIconsInOneRow) {
  auto archive = GameArchive();
  ASSERT_NE(archive, nullptr);
  auto img = ArchiveImage(*archive, u"texturen\\ui\\icons.png");
  ASSERT_TRUE(img);
  EXPECT_EQ(img->Width(), 1024);
  EXPECT_EQ(img->Height(), 64);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(img->Pixel(i * 64 + 32, 32)[3], 255) << i;  // a solid badge in every cell
    EXPECT_EQ(img->Pixel(i * 64, 0)[3], 0) << i;          // round, so the corners stay clear
  }
  auto cursor = ArchiveImage(*archive, u"texturen\\ui\\cursor.png");
  ASSERT_TRUE(cursor);
  EXPECT_EQ(cursor->Width(), 32);
  EXPECT_GT(cursor->Pixel(3, 4)[3], 200);  // the tip sits at the top-left
}
