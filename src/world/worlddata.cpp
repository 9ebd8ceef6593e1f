// World data loaded from the archive for tools and benchmarks.
#include "world/worlddata.h"

#include "engine/apigraphics.h"
#include "engine/contentlimits.h"
#include "engine/kvnode.h"

WorldData::WorldData(APIGraphics& graphics_, const DataArchive* archive_)
    : graphics(graphics_),
      archive(archive_),
      animations(&graphics_),
      assets(graphics_.GetTexturDefCache(), &animations, archive_) {
  for (const char16_t* file : {u"animationen.ani", u"ebenen_animationen.ani"}) {
    content::FileScope scope(file);
    animations.LoadFile(LoadKVFromArchive(file, archive).get(), archive);
  }
  content::FileScope scope(u"WorldSetting.wst");
  katalog.Load(LoadKVFromArchive(u"WorldSetting.wst", archive).get(), &assets, nullptr);
  properties.Load(LoadKVFromArchive(u"eigenschaften.egs", archive).get());
}

std::unique_ptr<LevelInfo> WorldData::Level(const KVNode* document) const {
  return std::make_unique<LevelInfo>(document, LevelSources{&properties, &katalog, archive});
}

WorldBuildServices WorldData::Services(APIContext* context) const {
  WorldBuildServices services;
  services.context = context;
  services.animations = &animations;
  services.textures = graphics.GetTexturDefCache();
  services.archive = archive;
  return services;
}
