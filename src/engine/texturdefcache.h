// Usable texture rectangles: whole images and the named parts of images that sprite-definition
// files (".prt") describe, loaded once each and kept for the whole run by the cache that the
// graphics manager owns.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"
#include "engine/searchpath.h"
#include "engine/spriterenderer.h"
#include "platform/texture.h"

class APIGraphics;
class DataArchive;

// What a user asks the cache for. Every pointer is borrowed for the call only.
struct TexturRequest {
  // Whole image: the image file name; part: the sprite-definition file name.
  const std::u16string* file = nullptr;
  // Folders to look in; null means the file name alone.
  const SearchPath* searchPath = nullptr;
  // Null: the whole image; else the NAME_ID of the wanted part.
  const std::u16string* partName = nullptr;
  // Where files are read from; null means from disk.
  const DataArchive* archive = nullptr;
};

// How to make one part of an image. Every pointer is borrowed for the call only.
struct TexturPartDesc {
  const std::u16string* partName = nullptr;
  const std::u16string* textureFile = nullptr;
  const std::u16string* folder = nullptr;
  const std::u16string* definitionFile = nullptr;
  bool cutOut = false;
  platform::TexturePtr source;
  const Rect* sourceRect = nullptr;
  const DataArchive* archive = nullptr;
};

// One usable texture rectangle: a whole image (which owns its texture and holds the parts read
// for it) or a part (a rectangle of its image's texture, or a copy of that rectangle in a
// texture of its own when cut out). The texture and rectangle come first (TexturePartRecord),
// so the sprite renderer's forwarders draw a part directly. Every texture has its pixels on
// the CPU, where terrain stamps and collision masks read them: a whole image's may go while
// the graphics device holds the picture, and are then read again from its file when asked for.
class TexturPart : public TexturePartRecord {
 public:
  // A whole image, looked up in the request's folders in order.
  TexturPart(APIGraphics* graphics, const TexturRequest& request);
  // A part of an image.
  TexturPart(APIGraphics* graphics, const TexturPartDesc& desc);
  ~TexturPart();
  TexturPart(const TexturPart&) = delete;
  TexturPart& operator=(const TexturPart&) = delete;

  bool IsValid() const { return texture != nullptr; }
  // This record, one of its parts, or null (see the matching rules in the implementation).
  const TexturPart* Match(const TexturRequest& request) const;

  const platform::TexturePtr& GetTexture() const { return m_texture; }
  int32_t GetWidth() const { return m_width; }
  int32_t GetHeight() const { return m_height; }
  bool IsPart() const { return m_isPart; }
  bool IsCutOut() const { return m_cutOut; }
  const std::u16string& GetTextureFile() const { return m_textureFile; }
  const std::u16string& GetFolder() const { return m_folder; }
  const std::u16string& GetDefinitionFile() const { return m_definitionFile; }
  const std::u16string& GetNameId() const { return m_nameId; }
  // The rectangle in the image the part was read from (for a cut-out part too, whose own
  // rectangle starts at 0, 0).
  const Rect& GetSourceRect() const { return m_sourceRect; }
  const std::vector<std::unique_ptr<TexturPart>>& GetParts() const { return m_parts; }

 private:
  friend class TexturDefCache;
  // Whether this record already holds a part read from the same definition file with the
  // same name, rectangle and cut-out flag.
  const TexturPart* FindHeldPart(const std::u16string& definitionFile, const std::u16string& nameId,
                                 const Rect& sourceRect, bool cutOut) const;

  // Whole images and cut-out parts own their texture; other parts share their image's.
  platform::TexturePtr m_texture;
  int32_t m_width = 0;
  int32_t m_height = 0;
  APIGraphics* m_graphics;
  bool m_isPart = false;
  bool m_cutOut = false;
  std::u16string m_textureFile;
  std::u16string m_folder;
  // Where a whole image was read from (null: from disk), to read it again after a release.
  const DataArchive* m_archive = nullptr;
  std::u16string m_definitionFile;
  std::vector<std::unique_ptr<TexturPart>> m_parts;
  std::u16string m_nameId;
  Rect m_sourceRect;
};

// Answers texture requests: each image is loaded once per file name and folder, each
// definition file is read when a part request finds nothing cached, and every record lives
// until the cache dies. Lookups are linear, first match wins.
class TexturDefCache {
 public:
  explicit TexturDefCache(APIGraphics* graphics) : m_graphics(graphics) {}
  ~TexturDefCache();
  TexturDefCache(const TexturDefCache&) = delete;
  TexturDefCache& operator=(const TexturDefCache&) = delete;

  // The cached or newly loaded record, or null. The cache keeps ownership.
  const TexturPart* Get(const TexturRequest& request);
  // Convenience for the common call: a whole image, or a part when partName is given.
  const TexturPart* Get(const std::u16string& file, const SearchPath* searchPath,
                        const std::u16string* partName, const DataArchive* archive);

  // For pictures that are not drawn for a while (the loading screens' between loadings, the
  // backdrops of settings not shown): the image the record shows gives back its pixels'
  // memory, on the CPU and on the device, and reads as clear until Restore, or until the
  // graphics device draws it, reads it again from where it was first found. Every record
  // stays, so pointers to them stay good; every part of the image goes with it. A cut-out
  // part keeps its own copy.
  void Release(const TexturePartRecord* part);
  // Reads a released image of the record again; true when it holds its pixels afterwards.
  bool Restore(const TexturePartRecord* part);

  size_t GetCount() const { return m_records.size(); }
  const std::vector<std::unique_ptr<TexturPart>>& Records() const { return m_records; }

 private:
  const TexturPart* LoadTexturDef(const TexturRequest& request);
  // The whole image's record whose texture the part shows, or null (a cut-out part, or a
  // record of another cache).
  TexturPart* ImageOf(const TexturePartRecord* part);
  // Reads the image's file again into level 0 as it was first read (false when it is gone
  // or no longer the image's size).
  static std::function<bool(uint32_t*)> RefillFor(const TexturPart& image);

  APIGraphics* m_graphics;
  std::vector<std::unique_ptr<TexturPart>> m_records;
};
