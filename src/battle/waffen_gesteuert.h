// The tools that take over the worm's steering keys once fired: a remote-controlled car that
// drives until it is set off or its time runs out, a jet pack that lets the worm fly for a
// while, and a builder that turns, scales and stamps a picture into the terrain. The weapon
// set makes them from their blocks of "waffen.waf".
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "battle/waffe.h"

class Animation;
class Person;

// A car (a person template of the roster, named by AUTO) that walks while a steering key is
// held and goes off by its kill event when the player says so or its time is up. The same
// car serves every use: it is brought back to life after each.
class Auto final : public Waffe {
 public:
  Auto(const KVNode* block, MyGlobals* globals, APIContext* context);

  bool TakesSteering() const override { return true; }
  void OnLeft(double step) override;
  void OnRight(double step) override;
  void OnAction() override;
  void Update(double step) override;
  void Cancel() override;
  void DrawAim(const Vector2& offset, const Vector2& scale, bool flag) override;
  bool DrawExtra(const Vector2& offset, const Vector2& scale) override;
  std::optional<std::u16string> DescriptionText(bool details) const override;

  Person* GetCar() const { return m_car; }
  double GetDriveTime() const { return m_driveTime; }

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;

 private:
  // Ends the drive: the car (killed already) lives again for the next use.
  void Finish();

  Person* m_car = nullptr;
  double m_maxTime = 10.0;
  double m_driveTime = 0.0;
  bool m_finished = false;
  int32_t m_steering = 0;
  double m_carHealth = 0.0;
};

// Lets the firing worm fly: each steering key pushes it with its own thrust until it lands
// (action), its time runs out or the turn ends; then it falls.
class Jetpack final : public Waffe {
 public:
  Jetpack(const KVNode* block, MyGlobals* globals, APIContext* context);

  bool TakesSteering() const override { return true; }
  void OnLeft(double step) override;
  void OnRight(double step) override;
  void OnUp(double step) override;
  void OnDown(double step) override;
  void OnAction() override;
  bool NotUsedThisTurn() const override { return !m_active && Waffe::NotUsedThisTurn(); }
  bool FireTest(const Objekt&) const override { return !m_active && m_usesThisTurn < m_usesPerTurn; }
  void Update(double step) override;
  void Cancel() override;
  void DrawAim(const Vector2& offset, const Vector2& scale, bool flag) override;
  bool DrawExtra(const Vector2& offset, const Vector2& scale) override;
  std::optional<std::u16string> DescriptionText(bool details) const override;

  double GetFlightTime() const { return m_flightTime; }
  // Left, up, right, down.
  const float* GetThrust() const { return m_thrust; }

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;

 private:
  Person* Flyer() const;

  double m_maxTime = 10.0;
  double m_flightTime = 0.0;
  uint32_t m_wormId = 0;
  float m_thrust[4] = {-250.0f, -500.0f, 250.0f, 250.0f};
};

// Places a picture of its list as terrain: it follows the mouse, the steering keys turn and
// scale it and the action key picks the next one; the preview turns red where it would
// overlap the terrain (with CHECK_COLL), and a click stamps it.
class Objekteinfuegen final : public Waffe {
 public:
  static constexpr Argb kClear = 0xFFFFFFFF;
  static constexpr Argb kOverlap = 0xFFFF7F7F;
  // A held rotate key turns the picture by one step this often.
  static constexpr double kRotationRepeat = 0.1;

  Objekteinfuegen(const KVNode* block, MyGlobals* globals, APIContext* context);
  ~Objekteinfuegen() override;

  bool TakesSteering() const override { return true; }
  void OnLeft(double step) override;
  void OnRight(double step) override;
  void OnUp(double step) override;
  void OnDown(double step) override;
  void OnAction() override;
  void OnPlace(double step) override;
  // Without a picture there is nothing to place.
  bool FireTest(const Objekt&) const override { return !m_pictures.empty(); }
  void Update(double step) override;
  void Cancel() override { m_active = 0; }
  void DrawAim(const Vector2& offset, const Vector2& scale, bool flag) override;
  bool DrawExtra(const Vector2& offset, const Vector2& scale) override;
  std::optional<std::u16string> DescriptionText(bool details) const override;

  size_t GetPictureCount() const { return m_pictures.size(); }
  int32_t GetSelected() const { return m_selected; }
  double GetScale() const { return m_scale; }
  double GetMinScale() const { return m_minScale; }
  double GetMaxScale() const { return m_maxScale; }
  double GetRotation() const { return m_rotation; }
  Argb GetPreviewColour() const { return m_previewColour; }

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;

 private:
  void DrawPreview(const Vector2& offset, const Vector2& scale, Argb colour) const;
  Vector2 Mouse() const;

  std::vector<std::unique_ptr<Animation>> m_pictures;
  int32_t m_selected = 0;
  double m_scale = 1.0;
  double m_minScale = 0.5;
  double m_maxScale = 2.0;
  double m_rotation = 0.0;
  double m_rotationTimer = 0.0;
  double m_rotationStep = 1.0;
  bool m_checkCollision = false;
  Argb m_previewColour = kClear;
};
