// Whole images, parts and the cache that reads sprite-definition files.
#include "engine/texturdefcache.h"

#include <algorithm>
#include <unordered_map>

#include "engine/apigraphics.h"
#include "engine/kvnode.h"
#include "engine/textureload.h"
#include "platform/image.h"

namespace {

bool FolderMatches(const TexturRequest& request, const std::u16string& folder) {
  if (!request.searchPath) return folder.empty();
  return request.searchPath->Contains(folder);
}

// PART_RECT: four integers making a rectangle of at least one pixel. A missing, short,
// empty or inverted rectangle would give a part of no or negative size, which every user
// would then have to guard against; such parts are not made.
bool ReadPartRect(const KVNode* entry, Rect& rect) {
  const KVNode* node = entry->GetChild(0, u"PART_RECT");
  if (!node || node->GetValueCount() < 4) return false;
  rect = {node->GetValue(0)->AsInt(), node->GetValue(1)->AsInt(), node->GetValue(2)->AsInt(),
          node->GetValue(3)->AsInt()};
  return rect.right > rect.left && rect.bottom > rect.top;
}

}  // namespace

TexturPart::TexturPart(APIGraphics* graphics, const TexturRequest& request) : m_graphics(graphics) {
  if (request.file) m_textureFile = *request.file;
  if (!m_graphics) return;
  platform::TexturePtr loaded;
  if (request.searchPath) {
    for (int i = 0; i < request.searchPath->GetCount(); ++i) {
      std::u16string folder = request.searchPath->GetFolder(i);
      if (m_graphics->LoadTexture(&loaded, JoinPath(folder, m_textureFile), request.archive,
                                  kFormatA8R8G8B8)) {
        m_folder = std::move(folder);
        break;
      }
      loaded.reset();
    }
  } else if (!m_graphics->LoadTexture(&loaded, JoinPath(std::u16string_view(), m_textureFile),
                                      request.archive, kFormatA8R8G8B8)) {
    loaded.reset();
  }
  if (!loaded) return;
  m_archive = request.archive;
  m_texture = std::move(loaded);
  texture = m_texture.get();
  m_width = m_texture->Width();
  m_height = m_texture->Height();
  rect = {0, 0, m_width, m_height};
  m_sourceRect = rect;
}

TexturPart::TexturPart(APIGraphics* graphics, const TexturPartDesc& desc)
    : m_graphics(graphics), m_isPart(true), m_cutOut(desc.cutOut) {
  if (desc.partName) m_nameId = *desc.partName;
  if (desc.textureFile) m_textureFile = *desc.textureFile;
  if (desc.folder) m_folder = *desc.folder;
  if (desc.definitionFile) m_definitionFile = *desc.definitionFile;
  if (!desc.source || !desc.sourceRect) return;
  const Rect& src = *desc.sourceRect;
  m_sourceRect = src;
  m_width = src.right - src.left;
  m_height = src.bottom - src.top;
  if (!m_cutOut) {
    m_texture = desc.source;
    texture = m_texture.get();
    rect = src;
    return;
  }

  // A texture of its own: the rectangle copied into the top-left corner of the smallest
  // power-of-two texture that holds it. Nothing is made for a rectangle that does not lie
  // wholly inside the image, so the part stays invalid.
  const platform::Texture& source = *desc.source;
  if (m_width <= 0 || m_height <= 0 || src.left < 0 || src.top < 0 || src.right > source.Width() ||
      src.bottom > source.Height())
    return;
  auto own = std::make_shared<platform::Texture>(platform::NextPowerOfTwo(m_width),
                                                 platform::NextPowerOfTwo(m_height), 0,
                                                 platform::kUsageAutoGenMipmap);
  rect = {0, 0, m_width, m_height};
  int32_t pitch = 0;
  uint32_t* out = own->Lock(&rect, pitch);
  if (!out) return;
  for (int32_t y = 0; y < m_height; ++y) {
    const uint32_t* row = source.Pixels() + size_t(src.top + y) * size_t(source.Width()) + size_t(src.left);
    std::copy(row, row + m_width, out + size_t(y) * size_t(pitch));
  }
  own->Unlock();
  m_texture = std::move(own);
  texture = m_texture.get();
}

TexturPart::~TexturPart() = default;

const TexturPart* TexturPart::Match(const TexturRequest& request) const {
  if (!request.file) return nullptr;
  if (!request.partName) {
    if (*request.file != m_textureFile) return nullptr;
    return FolderMatches(request, m_folder) ? this : nullptr;
  }
  if (!m_parts.empty()) {
    // Each part answers for the definition file it was read from. The image's own record
    // names only the last definition file that claimed the image, so two files sharing one
    // image would otherwise never find each other's parts and be read again on every lookup.
    for (const auto& part : m_parts)
      if (const TexturPart* found = part->Match(request)) return found;
    return nullptr;
  }
  if (*request.file != m_definitionFile || *request.partName != m_nameId) return nullptr;
  return FolderMatches(request, m_folder) ? this : nullptr;
}

const TexturPart* TexturPart::FindHeldPart(const std::u16string& definitionFile, const std::u16string& nameId,
                                           const Rect& sourceRect, bool cutOut) const {
  for (const auto& part : m_parts)
    if (part->m_definitionFile == definitionFile && part->m_nameId == nameId &&
        part->m_sourceRect == sourceRect && part->m_cutOut == cutOut)
      return part.get();
  return nullptr;
}

TexturDefCache::~TexturDefCache() {
  // A texture someone still holds cannot be read again once the cache is gone: it takes its
  // pixels back now if it gave them up. One held by the cache alone goes with it.
  std::unordered_map<const platform::Texture*, long> held;
  for (const auto& record : m_records) {
    if (record->m_texture) ++held[record->m_texture.get()];
    for (const auto& part : record->m_parts)
      if (part->m_texture) ++held[part->m_texture.get()];
  }
  for (const auto& record : m_records)
    if (!record->IsPart() && record->m_texture && record->m_texture.use_count() > held[record->m_texture.get()])
      record->m_texture->SetRefill(nullptr);
}

const TexturPart* TexturDefCache::Get(const std::u16string& file, const SearchPath* searchPath,
                                      const std::u16string* partName, const DataArchive* archive) {
  return Get(TexturRequest{&file, searchPath, partName, archive});
}

const TexturPart* TexturDefCache::Get(const TexturRequest& request) {
  if (!request.file) return nullptr;
  for (const auto& record : m_records)
    if (const TexturPart* found = record->Match(request)) return found;
  if (request.partName) return LoadTexturDef(request);
  auto record = std::make_unique<TexturPart>(m_graphics, request);
  if (!record->IsValid()) return nullptr;
  // The picture can be read again as it was read now: the device may let its CPU copy go.
  record->m_texture->SetRefill(RefillFor(*record));
  m_records.push_back(std::move(record));
  return m_records.back().get();
}

const TexturPart* TexturDefCache::LoadTexturDef(const TexturRequest& request) {
  std::unique_ptr<KVNode> document;
  if (request.searchPath) {
    for (int i = 0; i < request.searchPath->GetCount() && !document; ++i)
      document =
          LoadKVFromArchive(JoinPath(request.searchPath->GetFolder(i), *request.file), request.archive);
  } else {
    document = LoadKVFromArchive(*request.file, request.archive);
  }
  if (!document) return nullptr;

  const TexturPart* result = nullptr;
  for (unsigned i = 0; const KVNode* entry = document->GetChild(i, u"TEXTUR"); ++i) {
    SearchPath imagePath(entry->GetChild(0, u"SEARCHPATH"));
    std::u16string imageName, nameId;
    entry->Read(u"TEXTURNAME", imageName);
    entry->Read(u"NAME_ID", nameId);
    // The image's record: the one already cached for this name and folder, or a new one.
    const TexturPart* found = Get(TexturRequest{&imageName, &imagePath, nullptr, request.archive});
    if (!found) continue;
    auto it =
        std::find_if(m_records.begin(), m_records.end(), [&](const auto& r) { return r.get() == found; });
    if (it == m_records.end()) continue;
    TexturPart& record = **it;
    record.m_nameId = nameId;
    record.m_definitionFile = *request.file;
    if (const TexturPart* match = record.Match(request)) result = match;

    for (unsigned k = 0; const KVNode* partNode = entry->GetChild(k, u"TEX_PART"); ++k) {
      Rect partRect;
      if (!ReadPartRect(partNode, partRect)) continue;
      std::u16string partName;
      bool cutOut = false;
      partNode->Read(u"NAME_ID", partName);
      partNode->Read(u"CUT_OUT", cutOut);
      // Reading the file again after a miss finds the parts it made before; they are not
      // made and appended a second time (that would grow the cache on every miss).
      if (const TexturPart* held = record.FindHeldPart(*request.file, partName, partRect, cutOut)) {
        if (const TexturPart* match = held->Match(request)) result = match;
        continue;
      }
      TexturPartDesc desc{&partName, &imageName,       &record.m_folder, request.file,
                          cutOut,    record.m_texture, &partRect,        request.archive};
      auto part = std::make_unique<TexturPart>(m_graphics, desc);
      if (!part->IsValid()) continue;
      record.m_parts.push_back(std::move(part));
      if (const TexturPart* match = record.m_parts.back()->Match(request)) result = match;
    }
  }
  return result;
}

TexturPart* TexturDefCache::ImageOf(const TexturePartRecord* part) {
  if (!part || !part->texture) return nullptr;
  // Whole images own their textures and parts share them; a cut-out's own texture is no
  // image's.
  for (const auto& record : m_records)
    if (!record->IsPart() && record->m_texture.get() == part->texture) return record.get();
  return nullptr;
}

void TexturDefCache::Release(const TexturePartRecord* part) {
  TexturPart* image = ImageOf(part);
  if (!image) return;
  platform::Texture& texture = *image->m_texture;
  if (!texture.ReleasePixels()) return;
  texture.SetRefill(RefillFor(*image));
}

std::function<bool(uint32_t*)> TexturDefCache::RefillFor(const TexturPart& image) {
  // Read again as it was first read, by whoever needs the pixels next: the same file from
  // the same folder and archive, made the same size.
  std::u16string path = JoinPath(image.m_folder, image.m_textureFile);
  if (!path.empty() && path.front() == u'\\') path.erase(0, 1);
  return [path = std::move(path), archive = image.m_archive, width = image.m_texture->Width(),
          height = image.m_texture->Height()](uint32_t* pixels) {
    TextureLoadOptions options;
    options.format = kFormatA8R8G8B8;
    platform::TexturePtr loaded;
    const HResult result = archive ? CreateTextureFromArchive(archive, nullptr, path, options, &loaded)
                                   : CreateTextureFromFile(nullptr, path, options, &loaded);
    // A file that changed size under the records cut from it is not their picture.
    if (Failed(result) || !loaded || loaded->Width() != width || loaded->Height() != height) return false;
    std::copy(loaded->Pixels(), loaded->Pixels() + size_t(width) * size_t(height), pixels);
    return true;
  };
}

bool TexturDefCache::Restore(const TexturePartRecord* part) {
  TexturPart* image = ImageOf(part);
  return image && image->m_texture->Refill();
}
