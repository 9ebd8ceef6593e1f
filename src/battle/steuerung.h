// The source of a person's actions, human or computer. A worm asks its control every frame
// about 25 numbered actions (down now, pressed once, pressed twice) and marks what it took
// per consumer, so one press is never acted on twice. The control list owns every control.
#pragma once

#include <cstdint>
#include <string>

class KVNode;
class MainMenu;
class MyLoadScreen;
class Worm;

// The action numbers: the index into every control's action table and the "STEUERUNG"
// value of the key configuration.
namespace Aktion {
enum : int {
  kLeft = 0,
  kRight = 1,
  kUp = 2,
  kDown = 3,
  kFire = 4,
  kModifier = 5,
  kJump = 6,
  kBackJump = 7,
  kTarget = 8,
  kWeaponPanel = 9,
  kCameraDrag = 10,
  kCameraJobs = 11,
  // Ten number actions, "1" to "0".
  kNumber1 = 12,
  kNumber0 = 21,
  kNextWorm = 22,
  kLabelMode = 23,
  kPause = 24,
  kCount = 25,
};
}  // namespace Aktion

class Steuerung {
 public:
  // Consumer bits. kRaw asks about the raw state and takes part in no consumption.
  static constexpr int kRaw = -1;
  static constexpr int kPrimary = 1;
  static constexpr int kSecondary = 2;
  static constexpr int kTurnChange = 4;

  explicit Steuerung(std::u16string name = u"STEUERUNG") : m_name(std::move(name)) {}
  virtual ~Steuerung() = default;
  Steuerung(const Steuerung&) = delete;
  Steuerung& operator=(const Steuerung&) = delete;

  virtual void Update() = 0;
  // Appends "NAME"; subclasses append their own children after it.
  virtual void Save(KVNode* node) const;
  // Reads "NAME" (a missing one keeps the name); subclasses read on from there.
  virtual void Load(const KVNode* node);

  // Every query answers false for an action outside 0 .. 24.
  virtual bool IsSinglePress(int action, int mask) const = 0;
  virtual bool IsDoublePress(int action, int mask) const = 0;
  // Down now and its press not yet taken by a consumer in `mask` (kRaw: down at all).
  virtual bool IsDown(int action, int mask) const = 0;
  virtual bool IsConsumed(int action, int mask) const = 0;
  virtual void Consume(int action, int mask) = 0;
  // The control drives this worm from now on (null between turns).
  virtual void TakeOver(Worm*) {}
  // At a turn change: no press under way is reported to any consumer again.
  virtual void ConsumeAll() {}

  const std::u16string& GetName() const { return m_name; }
  void SetName(std::u16string name) { m_name = std::move(name); }
  void SetLevel(MyLoadScreen* loadScreen, MainMenu* scene) {
    m_loadScreen = loadScreen;
    m_scene = scene;
  }
  MyLoadScreen* GetLoadScreen() const { return m_loadScreen; }
  MainMenu* GetScene() const { return m_scene; }

  static bool IsAction(int action) { return action >= 0 && action < Aktion::kCount; }

 private:
  std::u16string m_name;
  MyLoadScreen* m_loadScreen = nullptr;
  MainMenu* m_scene = nullptr;
};
