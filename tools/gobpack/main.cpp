// gobpack: builds the content archive from source folders, reproducibly, and lists one.
//
//   gobpack OUT.gob [--dir FOLDER]... [--files FILE]...
//   gobpack --list ARCHIVE
//
// Every file below a folder becomes an entry named by its relative path with backslashes.
// Text data (anything that is not a known binary format) is kept as UTF-8 in the sources
// and stored as UTF-16LE with a byte-order mark and LF line ends, as the game reads it; each
// such text must open with its syntax header. A files list names further entries, one
// "NAME<TAB>PATH" per line (fonts from the system's free font packages). Entries are sorted
// by name, so the same input always gives the same bytes.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "platform/files.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace {

const std::set<std::string> kBinaryExtensions = {".png", ".jpg", ".jpeg", ".bmp", ".tga", ".dds", ".wav",
                                                 ".mp3", ".ogg", ".ttf",  ".otf", ".wmv", ".bin"};
const std::set<std::string> kSkippedExtensions = {".svg", ".md", ".lst", ".py"};

std::string Lower(std::string s) {
  for (auto& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

struct Source {
  std::string path;
  bool text;
};

bool ConvertText(const std::string& archiveName, const std::vector<uint8_t>& bytes,
                 std::vector<uint8_t>& out) {
  std::string utf8(bytes.begin(), bytes.end());
  if (utf8.size() >= 3 && static_cast<unsigned char>(utf8[0]) == 0xEF) utf8.erase(0, 3);
  std::string lf;
  lf.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i)
    if (!(utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')) lf.push_back(utf8[i]);
  std::u16string text = platform::Utf8ToU16(lf);
  KVSyntax syntax;
  size_t pos = 0;
  if (!KVSyntax::FromText(text, syntax, pos) || syntax.open == u'\uFFFD') {
    std::fprintf(stderr, "gobpack: %s does not open with a syntax header\n", archiveName.c_str());
    return false;
  }
  out = platform::U16ToUtf16LE(text, true);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(
        stderr,
        "usage: gobpack OUT.gob [--dir FOLDER]... [--files FILE]...\n       gobpack --list ARCHIVE\n");
    return 2;
  }
  if (std::string(argv[1]) == "--list") {
    if (argc != 3) return 2;
    auto archive = DataArchive::Open(platform::Utf8ToU16(argv[2]));
    if (!archive) {
      std::fprintf(stderr, "gobpack: %s is not a content archive\n", argv[2]);
      return 1;
    }
    for (const auto& [name, entry] : archive->List())
      std::printf("%s\t%u\n", platform::U16ToUtf8(name).c_str(), entry.size);
    return 0;
  }
  std::map<std::string, Source> sources;    // archive name -> source
  std::map<std::string, std::string> seen;  // lower-case name -> name, to catch clashes
  auto add = [&](const std::string& name, const std::string& path, bool text) {
    std::string key = Lower(name);
    if (seen.count(key)) {
      std::fprintf(stderr, "gobpack: two entries named %s (%s)\n", name.c_str(), path.c_str());
      return false;
    }
    seen[key] = name;
    sources[name] = {path, text};
    return true;
  };
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if ((arg == "--dir" || arg == "--files") && i + 1 < argc) {
      std::string value = argv[++i];
      if (arg == "--dir") {
        if (!fs::is_directory(value)) continue;
        std::vector<fs::path> files;
        for (auto& e : fs::recursive_directory_iterator(value))
          if (e.is_regular_file()) files.push_back(e.path());
        for (const auto& file : files) {
          std::string ext = Lower(file.extension().string());
          if (kSkippedExtensions.count(ext) || file.filename().string()[0] == '.') continue;
          std::string rel = fs::relative(file, value).generic_string();
          std::replace(rel.begin(), rel.end(), '/', '\\');
          if (!add(rel, file.string(), !kBinaryExtensions.count(ext))) return 1;
        }
      } else {
        std::ifstream list(value);
        if (!list) {
          std::fprintf(stderr, "gobpack: cannot read %s\n", value.c_str());
          return 1;
        }
        std::string line;
        while (std::getline(list, line)) {
          if (line.empty() || line[0] == '#') continue;
          size_t tab = line.find('\t');
          if (tab == std::string::npos) continue;
          std::string name = line.substr(0, tab), path = line.substr(tab + 1);
          std::string ext = Lower(fs::path(name).extension().string());
          if (!add(name, path, !kBinaryExtensions.count(ext))) return 1;
        }
      }
    } else {
      std::fprintf(stderr, "gobpack: unknown argument %s\n", arg.c_str());
      return 2;
    }
  }
  std::vector<std::pair<std::u16string, std::vector<uint8_t>>> entries;
  for (const auto& [name, source] : sources) {
    auto bytes = platform::ReadFileOs(source.path);
    if (!bytes) {
      std::fprintf(stderr, "gobpack: cannot read %s\n", source.path.c_str());
      return 1;
    }
    std::vector<uint8_t> data = std::move(*bytes);
    if (source.text) {
      std::vector<uint8_t> converted;
      if (!ConvertText(name, data, converted)) return 1;
      data = std::move(converted);
    }
    entries.emplace_back(platform::Utf8ToU16(name), std::move(data));
  }
  std::string error;
  if (!WriteDataArchive(platform::Utf8ToU16(argv[1]), entries, &error)) {
    std::fprintf(stderr, "gobpack: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
