// Start-up and shutdown of the engine context, and the per-user folder.
#include "engine/apicontext.h"

#include <filesystem>

#include "engine/apigraphics.h"
#include "platform/files.h"
#include "platform/text.h"

APIContext* APIContext::Get() {
  static APIContext context;
  return &context;
}

APIContext::APIContext() = default;
APIContext::~APIContext() = default;

std::u16string APIContext::UserFilePath(std::u16string_view fileName) const {
  std::u16string folder = platform::UserDataBase() + u"/" + title;
  // Unlike the last level alone, the XDG base may be missing on a fresh system as well.
  std::error_code ec;
  std::filesystem::create_directories(platform::ToOsPath(folder), ec);
  return folder + u"/" + std::u16string(fileName);
}

void APIContext::Init() {
  configuration = LoadKVFile(UserFilePath(u"config.cfg"));
  if (!configuration) configuration = std::make_unique<KVNode>(u"Config");
  graphics = graphicsFactory ? graphicsFactory(*this) : APIGraphics::Get();
  // The input manager (section none) and the sound manager (section "Sound") are got here.
  timer = std::make_unique<FrameTimer>();
  // The language table is made here from the configuration (section "Sprache").
  if (globals) globals->LoadSettings();
}

void APIContext::Shutdown() {
  // A fresh document: keys no component writes do not survive.
  KVNode root(u"Config");
  if (graphics) graphics->SaveConfig(&root);
  // The sound manager's and the language table's sections go here, in that order.
  if (globals) globals->SaveSettings(&root);
  SaveKVFile(UserFilePath(u"config.cfg"), root);
}
