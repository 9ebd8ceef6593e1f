// The camera's place among the input listeners.
#include "battle/cameramanager.h"

CameraManager::CameraManager(APIInput* input) : m_input(input) {
  if (m_input) m_input->RegisterControl(this, true);
}

CameraManager::~CameraManager() {
  if (m_input) m_input->UnregisterControl(this);
}
