// The interface through which the engine context calls the game: after start-up (load
// settings), at shutdown (save settings) and once the graphics device exists.
#pragma once

class KVNode;

class APIGlobals {
 public:
  virtual ~APIGlobals() = default;
  // Called at the end of the engine context's initialisation, after every engine manager
  // has read its section of the configuration.
  virtual void LoadSettings() = 0;
  // Called while the engine context builds the configuration to write: appends the game's
  // own sections to root.
  virtual void SaveSettings(KVNode* root) = 0;
  // Called at shutdown after the configuration: the game writes the player's other files.
  virtual void SavePlayerFiles() {}
  // Called by the graphics manager right after the device has been created.
  virtual void CreateDeviceObjects() = 0;
};
