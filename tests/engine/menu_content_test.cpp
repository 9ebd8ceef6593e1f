// The menu sprite files of the content archive, read the way the menus ask for them (the
// file and a part name in the file's folder): every part resolves to its rectangle of a
// power-of-two image, shows something, has empty pixels all round so no neighbour bleeds
// into it, and its hover and pressed looks match its size.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <vector>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/searchpath.h"
#include "engine/texturdefcache.h"
#include "platform/text.h"

namespace {

struct SpriteFile {
  const char16_t* file;
  const char16_t* folder;
  // Parts the game draws from the file today; each must be there.
  std::vector<const char16_t*> required;
};

const SpriteFile kFiles[] = {
    {u"menu.prt",
     u"texturen\\menu",
     {u"Button_200x65", u"Button_200x65_M", u"Button_200x65_P", u"ButtonPfeil_left_65x65",
      u"ButtonPfeil_left_65x65_M", u"ButtonPfeil_right_65x65", u"ButtonPfeil_right_65x65_M", u"Check_C",
      u"Check_UC", u"Leiste_200x65", u"Zeiger_oben_65x65", u"Fenster_400x200"}},
    {u"menu_neu.prt",
     u"texturen\\menu\\neu",
     {u"panel_normal", u"panel_small", u"button_normal", u"button_normal_m", u"button_prev", u"button_next",
      u"button_ok", u"draggable"}},
};

class MenuSprites : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* env = std::getenv("KRUMBOLT_GOB");
    archive = DataArchive::Open(platform::Utf8ToU16(env ? env : KRUMBOLT_BINARY_DIR "/krumbolt.gob"));
    ASSERT_TRUE(archive) << "the content archive is built with the tests";
    DisplayEnvironment display;
    display.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, display);
    graphics->UseNullDevice(true);
    ASSERT_EQ(graphics->Create(), kResultOk);
  }

  APIContext context;
  std::unique_ptr<DataArchive> archive;
  std::unique_ptr<APIGraphics> graphics;
};

bool IsPowerOfTwo(int32_t v) { return v > 0 && (v & (v - 1)) == 0; }

// The part this one is a look of: "Name_M", "Name_m" and "Name_P" of "Name".
std::u16string BaseOf(const std::u16string& name) {
  for (const char16_t* suffix : {u"_M", u"_m", u"_P"}) {
    const std::u16string s = suffix;
    if (name.size() > s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0)
      return name.substr(0, name.size() - s.size());
  }
  return {};
}

}  // namespace

TEST_F(MenuSprites, EveryPartResolvesInsideItsImageWithEmptyPixelsAllRound) {
  TexturDefCache& cache = *graphics->GetTexturDefCache();
  for (const SpriteFile& f : kFiles) {
    SCOPED_TRACE(platform::U16ToUtf8(f.file));
    std::u16string folder = f.folder;
    const SearchPath path(folder);
    auto document = LoadKVFromArchive(JoinPath(f.folder, f.file), archive.get());
    ASSERT_NE(document, nullptr);
    std::map<std::u16string, const TexturPart*> parts;
    for (unsigned t = 0; const KVNode* entry = document->GetChild(t, u"TEXTUR"); ++t) {
      std::u16string searchPath;
      entry->Read(u"SEARCHPATH", searchPath);
      EXPECT_EQ(searchPath, f.folder) << "the images lie beside the file";
      for (unsigned p = 0; const KVNode* node = entry->GetChild(p, u"TEX_PART"); ++p) {
        std::u16string name;
        ASSERT_TRUE(node->Read(u"NAME_ID", name));
        SCOPED_TRACE(platform::U16ToUtf8(name));
        EXPECT_EQ(parts.count(name), 0u) << "one part per name";
        const TexturPart* part = cache.Get(f.file, &path, &name, archive.get());
        ASSERT_NE(part, nullptr);
        parts[name] = part;
        const platform::Texture& image = *part->texture;
        EXPECT_TRUE(IsPowerOfTwo(image.Width()) && IsPowerOfTwo(image.Height()));
        const Rect r = part->rect;
        EXPECT_EQ(part->GetWidth(), r.Width());
        EXPECT_EQ(part->GetHeight(), r.Height());
        ASSERT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= image.Width() && r.bottom <= image.Height() &&
                    r.Width() > 0 && r.Height() > 0);
        int shown = 0;
        for (int32_t y = r.top; y < r.bottom; ++y)
          for (int32_t x = r.left; x < r.right; ++x) shown += (image.PixelAt(x, y) >> 24) != 0;
        EXPECT_GT(shown, r.Width() * r.Height() / 8) << "the part shows its picture";
        // The ring of pixels around the rectangle, where it lies inside the image.
        int ringDrawn = 0;
        for (int32_t x = r.left - 1; x <= r.right; ++x)
          for (int32_t y : {r.top - 1, r.bottom})
            if (x >= 0 && y >= 0 && x < image.Width() && y < image.Height())
              ringDrawn += (image.PixelAt(x, y) >> 24) != 0;
        for (int32_t y = r.top; y < r.bottom; ++y)
          for (int32_t x : {r.left - 1, r.right})
            if (x >= 0 && x < image.Width()) ringDrawn += (image.PixelAt(x, y) >> 24) != 0;
        EXPECT_EQ(ringDrawn, 0);
      }
    }
    for (const char16_t* name : f.required) EXPECT_EQ(parts.count(name), 1u) << platform::U16ToUtf8(name);
    for (const auto& [name, part] : parts) {
      const std::u16string base = BaseOf(name);
      if (base.empty()) continue;
      ASSERT_EQ(parts.count(base), 1u) << platform::U16ToUtf8(name) << " has no plain look";
      EXPECT_EQ(part->GetWidth(), parts[base]->GetWidth()) << platform::U16ToUtf8(name);
      EXPECT_EQ(part->GetHeight(), parts[base]->GetHeight()) << platform::U16ToUtf8(name);
    }
  }
}
