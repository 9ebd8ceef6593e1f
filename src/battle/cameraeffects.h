// What the camera asks of the post effects at level start and every frame: the level's own
// effects, its light scattering and its depth of field switched on, and the focal plane
// moved with the zoom. The post-effect library answers it; the camera owns nothing of it.
#pragma once

#include <string>

#include "platform/math2d.h"

struct SettingPostEffect;

class CameraEffects {
 public:
  virtual ~CameraEffects() = default;
  // Switches off and deletes every effect started through this interface.
  virtual void StopLevelEffects() = 0;
  // Makes the effect the entry names, switches it on and applies the parameters the entry
  // sets at once. False when the library knows no such effect.
  virtual bool StartLevelEffect(const SettingPostEffect& entry) = 0;
  // A light-scattering effect of that name, on, with the sun at that place; the name may
  // also be a combination with a light-scattering child, which then takes the sun. False
  // when the name is unknown or names another kind of effect.
  virtual bool StartScatter(const std::u16string& name, const platform::Vector2& sun) = 0;
  // A combination effect of that name with a depth-of-field part, on. False (and nothing
  // left on) when there is no such effect or it has no depth-of-field part.
  virtual bool StartDepthOfField(const std::u16string& name) = 0;
  // The depth-of-field part's focal plane, at once.
  virtual void SetFocalPlane(float value) = 0;
};
