// The interface of every object that holds resources tied to the graphics device. Each
// registers with the graphics manager (APIGraphics::RegisterResetObjekt) when it is made and
// unregisters before it dies; the manager's reset protocol calls these hooks in
// registration order.
#pragma once

class ResetObjekt {
 public:
  virtual ~ResetObjekt() = default;
  // Re-create or re-attach device resources after the device was reset.
  virtual void OnResetDevice() = 0;
  // Release device resources before the device is reset.
  virtual void OnLostDevice() = 0;
};
