// The battle's camera. It stands for the camera (CameraManager) until the camera is built,
// which follows objects, scrolls and zooms on the player's input. Made once the graphics
// device exists; it listens to the input manager from then on.
#pragma once

#include "engine/apiinput.h"

class CameraManager : public MyControl {
 public:
  // Registers with the input manager (none: listens to nothing).
  explicit CameraManager(APIInput* input);
  ~CameraManager() override;
  CameraManager(const CameraManager&) = delete;
  CameraManager& operator=(const CameraManager&) = delete;

 private:
  APIInput* m_input;
};
