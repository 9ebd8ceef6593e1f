// Object ids.
#include "objects/objekt.h"

namespace {

// One counter for the whole run, so an id never names two objects.
uint32_t g_nextId = 0;

}  // namespace

Objekt::Objekt() : m_id(g_nextId++) {}

Objekt::Objekt(const Objekt&) : m_id(g_nextId++) {}
