// What a particle reaches beyond itself while it lives: the world's terrain and gravity, the
// wind, the water surface, the frame step, the particle list, the render extras, and the
// parts built around particles that it calls on (events, worms, force fields, teleporters).
// The game-wide object installs one for the running game; tests install their own. Every
// pointer may be null: the particle then skips what that part would do.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"

class AnimationManager;
class APIGraphics;
class FrameTimer;
class Objekt;
class Partikel;
class PartikelListe;
class RenderExtraListe;
class WaterSurface;
class Welt;
class WindManager;

// Runs a named event on an object (EventTable::Find, then the event's execute operation).
// An unknown or empty name runs nothing.
class EventRunner {
 public:
  virtual ~EventRunner() = default;
  virtual void Run(const std::u16string& name, Objekt& target) = 0;
};

// The worms a particle can touch (WormManager::CollectWorms and Worm::ContainsPoint).
class WormContacts {
 public:
  virtual ~WormContacts() = default;
  virtual void CollectWorms(std::vector<Objekt*>& out) const = 0;
  virtual bool ContainsPoint(const Objekt& worm, const Vector2& point) const = 0;
};

// The force fields that act on a particle (gathering the fields that contain its
// position, then applying each, last to first).
class ForceFieldHost {
 public:
  virtual ~ForceFieldHost() = default;
  virtual void ApplyFields(Partikel& particle) = 0;
};

// Any object of the game by id (MyGlobals::FindObject): a particle first, then a worm, then
// another person; null when none has the id. Gates and crate lists keep ids, not pointers.
class ObjectFinder {
 public:
  virtual ~ObjectFinder() = default;
  virtual Objekt* FindObject(uint32_t id) const = 0;
};

// The teleporters a particle is offered to (TeleporterListe::TryTeleport).
class TeleporterHost {
 public:
  virtual ~TeleporterHost() = default;
  virtual void TryTeleport(Objekt& object) = 0;
};

struct SimServices {
  // The game step of the frame comes from here; without a timer particles stand still.
  const FrameTimer* timer = nullptr;
  // Or from whichever timer this holder holds at the time (the engine context may replace
  // its timer); it takes precedence when set.
  const std::unique_ptr<FrameTimer>* timerHolder = nullptr;

  const FrameTimer* Timer() const { return timerHolder ? timerHolder->get() : timer; }
  // What particles draw with, likewise directly or through the holder the engine context
  // fills when it starts; without one they draw nothing.
  APIGraphics* graphics = nullptr;
  APIGraphics* const* graphicsHolder = nullptr;
  APIGraphics* Graphics() const { return graphicsHolder ? *graphicsHolder : graphics; }
  Welt* world = nullptr;
  const WindManager* wind = nullptr;
  // Without a water surface no particle enters water.
  const WaterSurface* water = nullptr;
  PartikelListe* particles = nullptr;
  RenderExtraListe* renderExtras = nullptr;
  const AnimationManager* animations = nullptr;
  EventRunner* events = nullptr;
  const WormContacts* worms = nullptr;
  ForceFieldHost* forceFields = nullptr;
  TeleporterHost* teleporters = nullptr;
  const ObjectFinder* objects = nullptr;

  // The services particles made from now on use: the installed ones, or a set without any
  // service. The installer keeps ownership; particles keep the pointer for their lifetime,
  // so the services must outlive them.
  static SimServices* Current();
  static void Install(SimServices* services);
};
