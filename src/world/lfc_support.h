// Helpers the landscape stages share: stamping into a layer and its mask, and locking a
// store's tiles before workers write into it.
#pragma once

#include <cstdint>

#include "world/landschaft.h"
#include "world/landstamp.h"

namespace lfc {

// Stamps into the layer, then the same stamp in mask mode (its image's colour replaced by
// the mask colour) into the mask.
inline void StampLayerAndMask(Landschaft& layer, Landschaft& mask, const LandStamp& stamp,
                              uint32_t maskColour) {
  layer.StampTexture(stamp, nullptr);
  LandStamp marked = stamp;
  marked.useFixedColour = true;
  marked.fixedColour = maskColour;
  mask.StampTexture(marked, nullptr);
}

// Every tile locked on the calling thread, so that workers writing pixels of the same tile
// never race on the lock; the store is unlocked by its next UnlockAll.
inline void LockTiles(Landschaft& store) {
  for (const auto& tile : store.Tiles()) tile->Lock();
}

// The columns [first, end) of the working rectangle that lie inside the store, and the rows.
struct Span {
  int32_t left, top, right, bottom;
  bool Empty() const { return right <= left || bottom <= top; }
};

inline Span Clip(const Rect& work, const Rect& store) {
  return {std::max(work.left, store.left), std::max(work.top, store.top), std::min(work.right, store.right),
          std::min(work.bottom, store.bottom)};
}

}  // namespace lfc
