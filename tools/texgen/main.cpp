// texgen: writes the game's procedural textures as PNG files.
//
//   texgen OUTDIR [NAME]...   every texture (or the named ones) below OUTDIR
//   texgen --list             the names, sizes and seeds
#include <cstdio>
#include <string>
#include <vector>

#include "content/textures.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: texgen OUTDIR [NAME]...\n       texgen --list\n");
    return 2;
  }
  if (std::string(argv[1]) == "--list") {
    for (const auto& t : content::TextureCatalogue())
      std::printf("%s\t%dx%d\tseed %u\n", t.name.c_str(), t.width, t.height, t.seed);
    return 0;
  }
  std::string out = argv[1];
  std::vector<const content::TextureInfo*> wanted;
  if (argc == 2) {
    for (const auto& t : content::TextureCatalogue()) wanted.push_back(&t);
  } else {
    for (int i = 2; i < argc; ++i) {
      const auto* t = content::FindTexture(argv[i]);
      if (!t) {
        std::fprintf(stderr, "texgen: no texture named %s\n", argv[i]);
        return 2;
      }
      wanted.push_back(t);
    }
  }
  for (const auto* t : wanted) {
    if (!content::WritePng(out + "/" + t->name, content::MakeTexture(*t))) {
      std::fprintf(stderr, "texgen: cannot write %s/%s\n", out.c_str(), t->name.c_str());
      return 1;
    }
  }
  return 0;
}
