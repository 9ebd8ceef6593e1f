// The installed particle services.
#include "objects/simservices.h"

namespace {

SimServices g_none;
SimServices* g_current = nullptr;

}  // namespace

SimServices* SimServices::Current() { return g_current ? g_current : &g_none; }

void SimServices::Install(SimServices* services) { g_current = services; }
