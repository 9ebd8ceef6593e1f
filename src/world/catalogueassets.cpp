// The catalogue's texture references.
#include "world/catalogueassets.h"

#include "engine/kvnode.h"

SettingTextureRef SettingTextureRef::Read(const KVNode& node) {
  SettingTextureRef ref;
  ref.searchPath = SearchPath(node.GetChild(0, u"SEARCHPATH"));
  ref.hasFile = node.Read(u"TEXTUR_DIREKT", ref.file);
  if (const KVNode* indirect = node.GetChild(0, u"TEXTUR_INDIREKT")) {
    indirect->Read(u"PRT_NAME", ref.prtName);
    ref.hasPart = indirect->Read(u"NAME_ID", ref.partName);
  }
  return ref;
}

const TexturePartRecord* SettingTextureRef::Resolve(CatalogueAssets* assets) const {
  if (!assets) return nullptr;
  const TexturePartRecord* texture = nullptr;
  if (hasFile) texture = assets->GetTexture(file, searchPath, nullptr);
  if (hasPart) texture = assets->GetTexture(prtName, searchPath, &partName);
  return texture;
}
