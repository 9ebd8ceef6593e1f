// Stamp construction from arguments and from a definition block.
#include "world/landstamp.h"

#include "engine/kvnode.h"
#include "engine/searchpath.h"
#include "engine/texturdefcache.h"
#include "platform/text.h"

LandStamp::LandStamp(platform::Texture* texture_, const Rect& source_, const Rect& destination_,
                     const Vector2* rotationCentre_, const double* rotation_, bool bilinear_,
                     Argb modulation_, int32_t sourceMode_, int32_t destMode_, bool clamp_)
    : texture(texture_),
      source(source_),
      rotation(rotation_ ? *rotation_ : 0.0),
      rotationCentre(rotationCentre_ ? *rotationCentre_ : Vector2()),
      bilinear(bilinear_),
      modulation(modulation_),
      sourceMode(sourceMode_),
      destMode(destMode_),
      clamp(clamp_) {
  SetDestination(destination_);
  HoldPixels();
}

void LandStamp::HoldPixels() {
  // A picture that gave its memory back until used (the catalogue's) is read again here,
  // before any stamping reads it.
  if (texture && texture->IsReleased()) texture->Refill();
}

LandStamp::LandStamp(const KVNode* node, TexturDefCache* textures, const DataArchive* archive) {
  if (!node) return;
  SearchPath path(node->GetChild(0, u"SEARCHPATH"));
  const TexturPart* part = nullptr;
  if (textures) {
    if (const KVNode* indirect = node->GetChild(0, u"TEXTUR_INDIREKT")) {
      const KVValue* file = indirect->GetValue(0);
      const KVValue* name = indirect->GetValue(1);
      if (file && name) part = textures->Get(file->Text(), &path, &name->Text(), archive);
    } else if (const KVValue* file = node->Find(u"TEXTUR_DIREKT")) {
      part = textures->Get(file->Text(), &path, nullptr, archive);
    }
  }
  if (part && part->texture) {
    texture = part->texture;
    source = part->rect;
    HoldPixels();
  }
  // Each value of a rectangle or a pair that is missing keeps its default.
  node->Read(u"TEX_RECT", source.left, 0);
  node->Read(u"TEX_RECT", source.top, 1);
  node->Read(u"TEX_RECT", source.right, 2);
  node->Read(u"TEX_RECT", source.bottom, 3);
  Rect world;
  node->Read(u"WORLD_RECT", world.left, 0);
  node->Read(u"WORLD_RECT", world.top, 1);
  node->Read(u"WORLD_RECT", world.right, 2);
  node->Read(u"WORLD_RECT", world.bottom, 3);
  SetDestination(world);
  node->Read(u"ROTCENTER", rotationCentre.x, 0);
  node->Read(u"ROTCENTER", rotationCentre.y, 1);
  node->Read(u"ROTATION", rotation);
  int32_t smooth = 1;
  if (node->Read(u"BILINEAR", smooth)) bilinear = smooth != 0;
  if (const KVValue* key = node->Find(u"COLORKEY")) modulation = platform::WToUL16(key->Text());
}

void LandStamp::SetDestination(const Rect& rect) {
  destination = rect;
  mirrorX = rect.left > rect.right;
  mirrorY = rect.top > rect.bottom;
  if (mirrorX) std::swap(destination.left, destination.right);
  if (mirrorY) std::swap(destination.top, destination.bottom);
}
