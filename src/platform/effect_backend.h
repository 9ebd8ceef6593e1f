// Between the graphics backends and their effects: how each backend makes an effect, and
// what an OpenGL effect needs of the OpenGL device. Included only by the platform's sources.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/effect.h"

namespace platform {

// Checks the description and makes an effect that keeps parameters and follows the pass
// protocol but compiles and draws nothing. Null (and the reason) for a bad description.
std::unique_ptr<Effect> CreateNullEffect(const EffectDescription& description, std::string* error);

namespace gl {

// The pass of an effect now begun: the device hands it every pre-transformed quad.
class EffectPassDrawer {
 public:
  virtual ~EffectPassDrawer() = default;
  // quadTexture: the texture the quad was drawn with (the source texture of a SPRITE pass).
  virtual void DrawQuad(const SpriteQuad& quad, Texture* quadTexture) = 0;
  // The device is going away: release every GL object now, while its context still exists.
  virtual void DropGl() = 0;
};

class EffectHost {
 public:
  virtual ~EffectHost() = default;
  virtual void MakeCurrent() = 0;
  // The GL name of the texture's GPU copy, made or brought up to date first; 0 for null.
  // May change the binding of the active texture unit. readAt: the quad at whose texture
  // coordinates the pass reads the texture, so the quad's level of detail is the read's (the
  // copy may then leave out a level the quad does not read); null when that is not known.
  virtual uint32_t PrepareTexture(Texture* texture, const SpriteQuad* readAt = nullptr) = 0;
  virtual void EffectTargetSize(int32_t& width, int32_t& height) const = 0;
  // The pass that draws the pre-transformed quads from now on; null gives them back to the
  // device's own program.
  virtual void SetEffectPass(EffectPassDrawer* pass) = 0;
  // The effect changed GL state behind the device's back.
  virtual void InvalidateDrawState() = 0;
  virtual void AddEffect(EffectPassDrawer* effect) = 0;
  virtual void RemoveEffect(EffectPassDrawer* effect) = 0;
};

// Compiles and links every pass. Null, with the compiler's or linker's log, on failure.
std::unique_ptr<Effect> CreateGlEffect(EffectHost& host, const EffectDescription& description,
                                       std::string* error);

}  // namespace gl
}  // namespace platform
