// The common base of everything placed in a battle's world, as far as the game-wide
// object's lookups need it: a unique id. It stands for the object model (Objekt) until the
// game objects are built; they add the name, health, render extras and the operations
// every object answers.
#pragma once

#include <cstdint>

#include "platform/math2d.h"

class Objekt {
 public:
  // Takes the next id of the process-wide counter (0 first, never reset).
  Objekt();
  // A copy is a new object: it takes a fresh id too.
  Objekt(const Objekt& other);
  Objekt& operator=(const Objekt&) = delete;
  virtual ~Objekt() = default;

  // Where the object stands, read and written through the pointer; null for an object
  // that has no place in the world.
  virtual platform::Vector2* GetPosition() { return nullptr; }

  uint32_t GetId() const { return m_id; }
  bool HasId(uint32_t id) const { return m_id == id; }

 private:
  uint32_t m_id;
};
