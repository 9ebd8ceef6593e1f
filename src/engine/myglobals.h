// The game-wide object: opens the data archive and keeps the game's own settings (section
// "ANWENDUNG" of the configuration). It grows the game-wide managers of every subsystem in
// later steps; for now it holds what the shell needs.
#pragma once

#include <memory>

#include "engine/apiglobals.h"
#include "engine/dataarchive.h"

class APIContext;

class MyGlobals : public APIGlobals {
 public:
  // Opens the archive (see DataArchive::Locate); a missing archive leaves it null. Without a
  // context the process-wide one is used.
  explicit MyGlobals(APIContext* context = nullptr);
  ~MyGlobals() override;

  void LoadSettings() override;
  void SaveSettings(KVNode* root) override;
  void CreateDeviceObjects() override;
  // Registers the game's three font files with the font manager (once fonts exist).
  void RegisterFonts();

  const DataArchive* GetArchive() const { return m_archive.get(); }

  // Play the intro video at start-up (key "INTRO").
  bool intro = true;

 private:
  APIContext* m_context;
  std::unique_ptr<DataArchive> m_archive;
};
