// The layer colours of the current render extra, as the effect passes ask them: does the
// current entry have a colour table for a layer key, and which colour lies at an index.
// The render-extra list of the game objects answers these questions once it exists; until
// it installs itself here, the one answer is "no colour table", so nothing is drawn in
// the effect passes.
#pragma once

#include <cstdint>

#include "engine/gfxtypes.h"

class RenderExtraLookup {
 public:
  // Layer keys: 0, 1 and 2 the background, game and foreground layers, 4 water, 9 moving
  // animations.
  static constexpr int32_t kLayerMovingAnimations = 9;

  virtual ~RenderExtraLookup() = default;
  // True when the current entry has a colour table for the layer key; then, for an index in
  // 0 .. 15, the colour at that index is written to `colour` (otherwise it keeps its value).
  virtual bool GetLayerEntry(int32_t layerKey, Argb& colour, int32_t index) const = 0;

  // The lookup in force: the installed one, or one without any colour table.
  static const RenderExtraLookup& Current();
  // Installs the lookup (null: back to "no colour table"). The installer keeps ownership and
  // removes it before it dies.
  static void Install(const RenderExtraLookup* lookup);
};
