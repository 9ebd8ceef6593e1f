// Whole images and sprite-definition parts through the texture cache: folder order, sharing,
// cut-out copies, invalid rectangles and what a miss reads again.
#include "engine/texturdefcache.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "platform/files.h"
#include "support/png.h"
#include "support/temp_dir.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// Pixel (x, y) of the test images: the column in green, the row in blue, the image's own tag
// in red, so a copied pixel tells where it came from.
uint32_t Tagged(uint32_t tag, int x, int y) {
  return 0xFF000000u | tag << 16 | uint32_t(x) << 8 | uint32_t(y);
}

const char* const kMiscPrt = R"(<>
 	<\>
<SPRITES>
  <TEXTUR>
    <SEARCHPATH> "\Texturen\" <\SEARCHPATH>
    <TEXTURNAME> "Sheet.png" <\TEXTURNAME>
    <NAME_ID> "SHEET" <\NAME_ID>
    <TEX_PART> <NAME_ID> "Knopf" <\NAME_ID> <PART_RECT> "10" "20" "110" "70" <\PART_RECT> <\TEX_PART>
    <TEX_PART> <NAME_ID> "Ausschnitt" <\NAME_ID> <PART_RECT> "10" "20" "110" "70" <\PART_RECT> <CUT_OUT> "1" <\CUT_OUT> <\TEX_PART>
    <TEX_PART> <NAME_ID> "Verkehrt" <\NAME_ID> <PART_RECT> "50" "0" "10" "20" <\PART_RECT> <\TEX_PART>
    <TEX_PART> <NAME_ID> "Leer" <\NAME_ID> <PART_RECT> "5" "5" "5" "9" <\PART_RECT> <\TEX_PART>
    <TEX_PART> <NAME_ID> "Kurz" <\NAME_ID> <PART_RECT> "0" "0" "8" <\PART_RECT> <\TEX_PART>
    <TEX_PART> <NAME_ID> "Ohne" <\NAME_ID> <\TEX_PART>
    <TEX_PART> <NAME_ID> "Knopf" <\NAME_ID> <PART_RECT> "0" "0" "4" "4" <\PART_RECT> <\TEX_PART>
  <\TEXTUR>
  <TEXTUR>
    <SEARCHPATH> "alt" <\SEARCHPATH>
    <TEXTURNAME> "sheet.png" <\TEXTURNAME>
    <NAME_ID> "GANZ" <\NAME_ID>
  <\TEXTUR>
  <TEXTUR>
    <TEXTURNAME> "missing.png" <\TEXTURNAME>
    <TEX_PART> <NAME_ID> "Nie" <\NAME_ID> <PART_RECT> "0" "0" "1" "1" <\PART_RECT> <\TEX_PART>
  <\TEXTUR>
<\SPRITES>
)";

// A second definition file over the same image, in another folder of the archive.
const char* const kOtherPrt = R"(<>
 	<\>
<MENU>
  <TEXTUR>
    <SEARCHPATH> "Texturen" <\SEARCHPATH>
    <TEXTURNAME> "Sheet.png" <\TEXTURNAME>
    <TEX_PART> <NAME_ID> "Pfeil" <\NAME_ID> <PART_RECT> "0" "64" "32" "96" <\PART_RECT> <\TEX_PART>
  <\TEXTUR>
<\MENU>
)";

class TextureDefinitions : public ::testing::Test {
 protected:
  void SetUp() override {
    auto sheet = MakePng(128, 128, [](int x, int y) { return Tagged(0x11, x, y); });
    auto alt = MakePng(128, 128, [](int x, int y) { return Tagged(0x22, x, y); });
    ASSERT_TRUE(WriteDataArchive(dir.File("full.gob"), {{u"texturen\\sheet.png", sheet},
                                                        {u"alt\\sheet.png", alt},
                                                        {u"misc.prt", Bytes(kMiscPrt)},
                                                        {u"defs\\other.prt", Bytes(kOtherPrt)}}));
    // The same images without any definition file: a request that reaches this archive
    // finds no definition to read, so it can only be answered from the cache.
    ASSERT_TRUE(WriteDataArchive(dir.File("images.gob"),
                                 {{u"texturen\\sheet.png", sheet}, {u"alt\\sheet.png", alt}}));
    full = DataArchive::Open(dir.File("full.gob"));
    images = DataArchive::Open(dir.File("images.gob"));
    ASSERT_TRUE(full && images);
    DisplayEnvironment env;
    env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, env);
    graphics->UseNullDevice(true);
    ASSERT_EQ(graphics->Create(), kResultOk);
    cache = graphics->GetTexturDefCache();
  }

  const TexturPart* Image(const std::u16string& file, const SearchPath* path, const DataArchive* archive) {
    return cache->Get(file, path, nullptr, archive);
  }
  const TexturPart* Part(const std::u16string& file, const SearchPath* path, const std::u16string& name,
                         const DataArchive* archive) {
    return cache->Get(file, path, &name, archive);
  }
  static SearchPath Folders(std::initializer_list<const char16_t*> folders) {
    auto it = folders.begin();
    std::u16string first = *it;
    SearchPath path(first);
    for (++it; it != folders.end(); ++it) {
      std::u16string folder = *it;
      path.AddFolder(folder);
    }
    return path;
  }
  size_t PartCount() const {
    size_t n = 0;
    for (const auto& r : cache->Records()) n += r->GetParts().size();
    return n;
  }

  TempDir dir;
  std::unique_ptr<DataArchive> full, images;
  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  TexturDefCache* cache = nullptr;
};

}  // namespace

TEST_F(TextureDefinitions, FoldersAreTriedInOrderAndTheFindingFolderIsKept) {
  const SearchPath altFirst = Folders({u"\\nowhere\\", u"alt", u"Texturen"});
  const TexturPart* fromAlt = Image(u"Sheet.png", &altFirst, full.get());
  ASSERT_NE(fromAlt, nullptr);
  EXPECT_EQ(fromAlt->GetFolder(), u"alt");
  EXPECT_EQ(fromAlt->texture->PixelAt(3, 4), Tagged(0x22, 3, 4));
  EXPECT_EQ(fromAlt->rect, (Rect{0, 0, 128, 128}));
  EXPECT_EQ(fromAlt->GetWidth(), 128);
  EXPECT_FALSE(fromAlt->IsPart());

  // The folder keeps its letter case; the lookup path is lower-cased, the archive ignores case.
  const SearchPath texturen = Folders({u"Texturen"});
  const TexturPart* fromTexturen = Image(u"Sheet.png", &texturen, full.get());
  ASSERT_NE(fromTexturen, nullptr);
  EXPECT_NE(fromTexturen, fromAlt);
  EXPECT_EQ(fromTexturen->GetFolder(), u"Texturen");
  EXPECT_EQ(fromTexturen->texture->PixelAt(3, 4), Tagged(0x11, 3, 4));

  // Found again: the first cached record whose folder the search path holds.
  EXPECT_EQ(Image(u"Sheet.png", &altFirst, full.get()), fromAlt);
  EXPECT_EQ(Image(u"Sheet.png", &texturen, full.get()), fromTexturen);
  const SearchPath both = Folders({u"Texturen", u"alt"});
  EXPECT_EQ(Image(u"Sheet.png", &both, full.get()), fromAlt);
  // Names compare exactly: another spelling is another record.
  const TexturPart* lower = Image(u"sheet.png", &texturen, full.get());
  ASSERT_NE(lower, nullptr);
  EXPECT_NE(lower, fromTexturen);
  EXPECT_EQ(cache->GetCount(), 3u);

  // Without a search path only the bare name is tried; nothing is cached for a miss.
  EXPECT_EQ(Image(u"Sheet.png", nullptr, full.get()), nullptr);
  const SearchPath none = Folders({u"nowhere"});
  EXPECT_EQ(Image(u"Sheet.png", &none, full.get()), nullptr);
  EXPECT_EQ(cache->GetCount(), 3u);
}

TEST_F(TextureDefinitions, PartsShareTheirImageAndCutOutsCopyTheirPixels) {
  const SearchPath root = Folders({u"", u"Texturen", u"alt"});
  // The image loaded first as a whole image is the record the definition file reuses.
  const SearchPath texturen = Folders({u"Texturen"});
  const TexturPart* image = Image(u"Sheet.png", &texturen, full.get());
  ASSERT_NE(image, nullptr);

  // Reading the file answers with its last part of the name; lookups find the first.
  const TexturPart* lastKnopf = Part(u"misc.prt", &root, u"Knopf", full.get());
  ASSERT_NE(lastKnopf, nullptr);
  EXPECT_EQ(lastKnopf->rect, (Rect{0, 0, 4, 4}));
  const TexturPart* knopf = Part(u"misc.prt", &root, u"Knopf", full.get());
  ASSERT_NE(knopf, nullptr);
  EXPECT_TRUE(knopf->IsPart());
  EXPECT_EQ(knopf->texture, image->texture);
  EXPECT_EQ(knopf->rect, (Rect{10, 20, 110, 70}));
  EXPECT_EQ(knopf->GetWidth(), 100);
  EXPECT_EQ(knopf->GetHeight(), 50);
  EXPECT_EQ(knopf->GetFolder(), u"Texturen");
  EXPECT_EQ(knopf->GetDefinitionFile(), u"misc.prt");
  EXPECT_EQ(image->GetNameId(), u"SHEET");
  EXPECT_EQ(image->GetDefinitionFile(), u"misc.prt");

  const TexturPart* cut = Part(u"misc.prt", &root, u"Ausschnitt", full.get());
  ASSERT_NE(cut, nullptr);
  ASSERT_NE(cut->texture, nullptr);
  EXPECT_NE(cut->texture, image->texture);
  EXPECT_TRUE(cut->IsCutOut());
  EXPECT_EQ(cut->rect, (Rect{0, 0, 100, 50}));
  EXPECT_EQ(cut->texture->Width(), 128);
  EXPECT_EQ(cut->texture->Height(), 64);
  EXPECT_GT(cut->texture->Levels(), 1);
  // The copy sits in the top-left corner, on the CPU where stamps and masks read it.
  for (auto [x, y] : {std::pair{0, 0}, {99, 0}, {0, 49}, {99, 49}, {37, 21}})
    EXPECT_EQ(cut->texture->PixelAt(x, y), Tagged(0x11, 10 + x, 20 + y)) << x << "," << y;
  EXPECT_EQ(cut->texture->PixelAt(100, 0), 0u);
  EXPECT_EQ(cut->texture->PixelAt(0, 50), 0u);

  // An entry without parts answers for its own NAME_ID; it found its image in "alt".
  const TexturPart* whole = Part(u"misc.prt", &root, u"GANZ", full.get());
  ASSERT_NE(whole, nullptr);
  EXPECT_FALSE(whole->IsPart());
  EXPECT_EQ(whole->GetFolder(), u"alt");
  EXPECT_EQ(whole->texture->PixelAt(0, 0), Tagged(0x22, 0, 0));
}

TEST_F(TextureDefinitions, InvalidRectanglesMakeNoPart) {
  const SearchPath root = Folders({u"", u"Texturen", u"alt"});
  ASSERT_NE(Part(u"misc.prt", &root, u"Knopf", full.get()), nullptr);
  // Inverted, empty, short and missing PART_RECT: the parts are dropped.
  for (const char16_t* name : {u"Verkehrt", u"Leer", u"Kurz", u"Ohne"})
    EXPECT_EQ(Part(u"misc.prt", &root, name, full.get()), nullptr);
  // An image found nowhere takes its parts with it.
  EXPECT_EQ(Part(u"misc.prt", &root, u"Nie", full.get()), nullptr);
  // The sheet keeps the two Knopf parts and the cut-out, nothing else.
  ASSERT_EQ(cache->GetCount(), 2u);
  std::vector<std::u16string> names;
  for (const auto& part : cache->Records()[0]->GetParts()) names.push_back(part->GetNameId());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Knopf", u"Ausschnitt", u"Knopf"}));
}

TEST_F(TextureDefinitions, AMissReadsTheFileAgainWithoutGrowingTheCache) {
  const SearchPath root = Folders({u"", u"Texturen", u"alt"});
  Part(u"misc.prt", &root, u"Knopf", full.get());
  const TexturPart* knopf = Part(u"misc.prt", &root, u"Knopf", full.get());
  const TexturPart* cut = Part(u"misc.prt", &root, u"Ausschnitt", full.get());
  ASSERT_TRUE(knopf && cut);
  const size_t records = cache->GetCount(), parts = PartCount();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Part(u"misc.prt", &root, u"Unbekannt", full.get()), nullptr);
  EXPECT_EQ(cache->GetCount(), records);
  EXPECT_EQ(PartCount(), parts);
  // The same answers afterwards, the cut-out copy not made again.
  EXPECT_EQ(Part(u"misc.prt", &root, u"Knopf", full.get()), knopf);
  EXPECT_EQ(Part(u"misc.prt", &root, u"Ausschnitt", full.get()), cut);
  EXPECT_EQ(Part(u"misc.prt", &root, u"Ausschnitt", images.get()), cut);

  // A search path without the image's folder does not match the cached part: the file is
  // read again (and found nowhere in an archive without it).
  const SearchPath onlyRoot = Folders({u""});
  EXPECT_EQ(Part(u"misc.prt", &onlyRoot, u"Knopf", images.get()), nullptr);
  // Read again from the full archive, it answers with the part it already holds.
  EXPECT_EQ(Part(u"misc.prt", &root, u"Unbekannt", full.get()), nullptr);
  const SearchPath rootAndTexturen = Folders({u"", u"Texturen"});
  EXPECT_EQ(Part(u"misc.prt", &rootAndTexturen, u"Knopf", images.get()), knopf);
}

TEST_F(TextureDefinitions, TwoDefinitionFilesOverOneImageBothStayFound) {
  const SearchPath root = Folders({u"", u"Texturen", u"alt"});
  const SearchPath defs = Folders({u"defs", u"Texturen"});
  Part(u"misc.prt", &root, u"Knopf", full.get());
  const TexturPart* knopf = Part(u"misc.prt", &root, u"Knopf", full.get());
  const TexturPart* pfeil = Part(u"other.prt", &defs, u"Pfeil", full.get());
  ASSERT_TRUE(knopf && pfeil);
  EXPECT_EQ(pfeil->texture, knopf->texture);
  EXPECT_EQ(pfeil->rect, (Rect{0, 64, 32, 96}));
  const size_t parts = PartCount();
  // Answered from the cache (the second archive has no definition files), in turn.
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Part(u"misc.prt", &root, u"Knopf", images.get()), knopf);
    EXPECT_EQ(Part(u"other.prt", &defs, u"Pfeil", images.get()), pfeil);
  }
  EXPECT_EQ(PartCount(), parts);
}

TEST_F(TextureDefinitions, AReleasedImageReadsClearAndIsReadAgainWithItsPartsIntact) {
  const SearchPath root = Folders({u"", u"Texturen", u"alt"});
  Part(u"misc.prt", &root, u"Knopf", full.get());
  const TexturPart* knopf = Part(u"misc.prt", &root, u"Knopf", full.get());
  const TexturPart* cut = Part(u"misc.prt", &root, u"Ausschnitt", full.get());
  const TexturPart* alt = Part(u"misc.prt", &root, u"GANZ", full.get());
  ASSERT_TRUE(knopf && cut && alt);
  platform::Texture* sheet = knopf->texture;
  const size_t records = cache->GetCount(), parts = PartCount();

  // Released through one of its parts, the image gives its memory back for all of them; the
  // cut-out part and the other image keep theirs.
  cache->Release(knopf);
  EXPECT_TRUE(sheet->IsReleased());
  EXPECT_EQ(sheet->Pixels(), nullptr);
  EXPECT_FALSE(cut->texture->IsReleased());
  EXPECT_EQ(cut->texture->PixelAt(0, 0), Tagged(0x11, 10, 20));
  EXPECT_FALSE(alt->texture->IsReleased());
  cache->Release(cut);
  EXPECT_TRUE(cut->texture->HasCpuCopy());

  // The records stay as they were: lookups give the same pointers, over the same texture.
  EXPECT_EQ(Part(u"misc.prt", &root, u"Knopf", full.get()), knopf);
  EXPECT_EQ(knopf->texture, sheet);
  EXPECT_EQ(cache->GetCount(), records);
  EXPECT_EQ(PartCount(), parts);

  // Read again from the folder it was found in, pixel for pixel.
  ASSERT_TRUE(cache->Restore(knopf));
  EXPECT_FALSE(sheet->IsReleased());
  EXPECT_EQ(knopf->texture, sheet);
  for (auto [x, y] : {std::pair{0, 0}, {127, 0}, {10, 20}, {127, 127}})
    EXPECT_EQ(sheet->PixelAt(x, y), Tagged(0x11, x, y)) << x << "," << y;
  EXPECT_TRUE(sheet->IsDirty());
  // Restoring what holds its pixels changes nothing.
  const uint64_t change = sheet->ChangeCount();
  EXPECT_TRUE(cache->Restore(knopf));
  EXPECT_EQ(sheet->ChangeCount(), change);

  // An image read from disk comes back from disk.
  const std::u16string loose = dir.File("loose.png");
  ASSERT_TRUE(platform::WriteFileAtomic(loose, MakePng(4, 2, [](int x, int y) { return Tagged(0x33, x, y); })));
  const TexturPart* fromDisk = Image(loose, nullptr, nullptr);
  ASSERT_NE(fromDisk, nullptr);
  cache->Release(fromDisk);
  ASSERT_TRUE(fromDisk->texture->IsReleased());
  ASSERT_TRUE(cache->Restore(fromDisk));
  EXPECT_EQ(fromDisk->texture->PixelAt(3, 1), Tagged(0x33, 3, 1));
}

namespace {
// Stands in for a device copy of a texture.
class HeldByDevice final : public platform::TextureGpu {};

// What the device does with a picture it holds whole after a frame.
bool UploadAndDrop(platform::Texture& texture) {
  texture.SetGpu(std::make_unique<HeldByDevice>());
  texture.ClearDirty();
  return texture.DropCpuCopy();
}
}  // namespace

TEST_F(TextureDefinitions, ALoadedImageMayGiveUpItsCopyWhileTheDeviceHoldsItAndIsReadAgainAsLoaded) {
  auto own = std::make_unique<TexturDefCache>(graphics.get());
  const SearchPath root = Folders({u"", u"Texturen", u"alt"});
  const std::u16string knopfName = u"Knopf", cutName = u"Ausschnitt";
  const TexturPart* knopf = own->Get(u"misc.prt", &root, &knopfName, full.get());
  const TexturPart* cut = own->Get(u"misc.prt", &root, &cutName, full.get());
  const std::u16string loose = dir.File("loose.png");
  ASSERT_TRUE(platform::WriteFileAtomic(loose, MakePng(4, 2, [](int x, int y) { return Tagged(0x33, x, y); })));
  const TexturPart* fromDisk = own->Get(loose, nullptr, nullptr, nullptr);
  ASSERT_TRUE(knopf && cut && fromDisk);

  // The image the parts show, and one read from disk, are read again from where they were
  // found, pixel for pixel; a cut-out's own copy has nowhere to be read from.
  platform::Texture* sheet = knopf->texture;
  ASSERT_TRUE(UploadAndDrop(*sheet));
  ASSERT_TRUE(UploadAndDrop(*fromDisk->texture));
  EXPECT_FALSE(UploadAndDrop(*cut->texture));
  EXPECT_EQ(cut->texture->PixelAt(0, 0), Tagged(0x11, 10, 20));
  for (auto [x, y] : {std::pair{0, 0}, {127, 0}, {10, 20}, {127, 127}})
    EXPECT_EQ(sheet->PixelAt(x, y), Tagged(0x11, x, y)) << x << "," << y;
  EXPECT_EQ(fromDisk->texture->PixelAt(3, 1), Tagged(0x33, 3, 1));
  EXPECT_FALSE(sheet->IsDirty()) << "the device holds the same picture";

  // A picture someone holds beyond the cache takes its pixels back before the cache goes:
  // nothing could read it again afterwards.
  const std::u16string ganzName = u"GANZ";
  const TexturPart* ganz = own->Get(u"misc.prt", &root, &ganzName, full.get());
  ASSERT_NE(ganz, nullptr);
  const platform::TexturePtr held = ganz->GetTexture();
  ASSERT_TRUE(UploadAndDrop(*held));
  own.reset();
  EXPECT_FALSE(held->CpuCopyDropped());
  EXPECT_FALSE(held->HasRefill());
  EXPECT_EQ(held->PixelAt(100, 90), Tagged(0x22, 100, 90));
}
