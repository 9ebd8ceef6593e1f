// The installed layer-colour lookup and its stand-in.
#include "engine/renderextralookup.h"

namespace {

class NoColourTables final : public RenderExtraLookup {
 public:
  bool GetLayerEntry(int32_t, Argb&, int32_t) const override { return false; }
};

const NoColourTables kNoColourTables;
const RenderExtraLookup* g_installed = nullptr;

}  // namespace

const RenderExtraLookup& RenderExtraLookup::Current() { return g_installed ? *g_installed : kNoColourTables; }

void RenderExtraLookup::Install(const RenderExtraLookup* lookup) { g_installed = lookup; }
