// Helpers the landscape stages share: stamps gathered into batches for a layer and its mask
// (the mask's copy in mask mode, its image's colour replaced by the mask colour), tiles
// locked before workers write into them, and column bands for the workers.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/workers.h"
#include "world/landschaft.h"
#include "world/landstamp.h"
#include "world/lfc_stages.h"

namespace lfc {

// Stamps gathered for a layer and its mask and drawn at the end, each store's in one
// batch; a stamp into the mask is the same stamp in mask mode. For stages that never read the stores between their stamps (tiles, background
// objects) this is the same as stamping one by one: the layer's stamps read neither the
// mask's new pixels nor the other way round.
struct StampBatch {
  std::vector<LandStamp> layerStamps;
  std::vector<LandStamp> maskStamps;

  void AddToLayer(const LandStamp& stamp) { layerStamps.push_back(stamp); }
  void AddToBoth(const LandStamp& stamp, uint32_t maskColour) {
    layerStamps.push_back(stamp);
    maskStamps.push_back(stamp);
    maskStamps.back().useFixedColour = true;
    maskStamps.back().fixedColour = maskColour;
  }
  void Draw(Landschaft& layer, Landschaft& mask) const {
    if (!layerStamps.empty()) layer.StampTextures(layerStamps);
    if (!maskStamps.empty()) mask.StampTextures(maskStamps);
  }
};

// Every tile locked on the calling thread, so that workers writing pixels of the same tile
// never race on the lock; the store is unlocked by its next UnlockAll.
inline void LockTiles(Landschaft& store) {
  for (const auto& tile : store.Tiles()) tile->Lock();
}

// Work over columns split for the workers: worker i of n takes the bands i, i + n, i + 2n,
// ... of kBandsPerWorker * n equal bands of columns (the last reaching the right edge).
// Shapes cover some columns more than others; narrow interleaved bands keep every worker
// busy. The results never depend on the split.
constexpr int32_t kBandsPerWorker = 8;

template <class Work>
void RunColumnBands(int32_t left, int32_t width, Work work) {
  const int n = platform::ProcessorCount();
  const int32_t bands = n * kBandsPerWorker;
  platform::WorkerPool::Shared().Run(n, [&](int worker) {
    for (int32_t band = worker; band < bands; band += n) {
      int32_t first, end;
      LFC_Sobel::Band(left, width, bands, band, first, end);
      if (first < end) work(first, end);
    }
  });
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
