// The base of every screen (the battle, the main scene and each menu): a fixed number of
// element slots, each with a visibility flag, the element under the mouse, and a fade level
// per element that rises while the mouse is over it and falls after it leaves.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/guielement.h"

class APIContext;
struct InputState;

// The fade of one element: how long the record exists and how far the element is faded in.
struct GUIFadeRecord {
  GUIElement* element = nullptr;
  double age = 0.0;
  double level = 0.0;
  // Expired once the element is deleted; such a record is dropped, never read.
  std::weak_ptr<const int> elementAlive;

  bool ElementExists() const { return !elementAlive.expired(); }
};

class GUIDrawKlasse {
 public:
  // `count` empty slots, every one invisible. The frame step comes from the context's frame
  // timer (the process-wide context when none is given).
  explicit GUIDrawKlasse(int count, APIContext* context = nullptr);
  // Deletes every element, then every fade record.
  virtual ~GUIDrawKlasse();
  GUIDrawKlasse(const GUIDrawKlasse&) = delete;
  GUIDrawKlasse& operator=(const GUIDrawKlasse&) = delete;

  // Once per frame: every record ages by the frame's real step; the hovered element's level
  // rises by step / fade-in, the others' fall by step / fade-out, and a record that reaches
  // 0 is deleted.
  virtual void UpdateFades();
  // Finds the element under the mouse, trying the visible slots from the highest; it becomes
  // the hovered element and gets a fade record if it has none. False when none is hit.
  virtual bool UpdateHover(const InputState* mouse);
  // Hooks the screens override; elements' handlers call them. The first draws a screen's
  // elements (the battle's HUD, each menu's own look), the second a second kind of element
  // (weapon store cells, team list rows); the further eighteen are free for the screens.
  // Every one does nothing here.
  virtual void DrawElement(GUIElement*, const GUIRect*, const Rect*) {}
  virtual void DrawListRow(GUIElement*, const GUIRect*, const Rect*) {}
  virtual void ScreenHook3(GUIElement*, const GUIRect*, const Rect*) {}
  virtual void ScreenHook4(GUIElement*, const GUIRect*, const Rect*) {}
  virtual void ScreenHook5(GUIElement*, const GUIRect*, const Rect*) {}
  virtual void ScreenHook6(GUIElement*, const GUIRect*, const Rect*) {}
  virtual void ScreenHook7(GUIElement*, const GUIRect*, const Rect*) {}
  virtual void ScreenHook8(GUIElement*, const GUIRect*, const Rect*) {}
  virtual void ScreenHook9(GUIElement*, const GUIRect*, const Rect*) {}
  virtual void ScreenHook10(GUIElement*, const GUIRect*, const Rect*) {}
  virtual void ScreenHook11(GUIElement*, const GUIRect*, const Rect*) {}
  virtual void ScreenHook12(GUIElement*, const GUIRect*, const Rect*) {}
  virtual void ScreenHook13(GUIElement*, const GUIRect*, const Rect*) {}
  virtual void ScreenHook14(GUIElement*, const GUIRect*, const Rect*) {}
  virtual void ScreenHook15(GUIElement*, const GUIRect*, const Rect*) {}
  virtual void ScreenHook16(GUIElement*, const GUIRect*, const Rect*) {}
  virtual void ScreenHook17(GUIElement*, const GUIRect*, const Rect*) {}
  virtual void ScreenHook18(GUIElement*, const GUIRect*, const Rect*) {}
  virtual void ScreenHook19(GUIElement*, const GUIRect*, const Rect*) {}
  virtual void ScreenHook20(GUIElement*, const GUIRect*, const Rect*) {}

  // The element's fade record, searched from the last; null when it has none.
  GUIFadeRecord* FindFadeRecord(const GUIElement* element) const;
  // Deletes every slot's element (the visibility flags stay), forgets the hovered element
  // and clears the screen's own values, deletes every fade record.
  void ClearElements();

  int GetSlotCount() const { return int(m_elements.size()); }
  GUIElement* GetElement(int slot) const;
  // Takes ownership of the element; the slot's previous element is deleted.
  void SetElement(int slot, GUIElement* element);
  bool IsVisible(int slot) const;
  void SetVisible(int slot, bool visible);
  // The element found by the last hover test while it exists, and its fade record.
  GUIElement* GetHoveredElement() const;
  GUIFadeRecord* GetHoveredRecord() const { return GetHoveredElement() ? m_hoveredRecord : nullptr; }
  size_t GetFadeRecordCount() const { return m_fades.size(); }
  // The fade times of the element whose record was stepped last.
  double GetFadeInTime() const { return m_fadeIn; }
  double GetFadeOutTime() const { return m_fadeOut; }

  // Kept for the screens: two flags and a value, zero at construction and after clearing.
  uint8_t screenFlags[2] = {0, 0};
  int32_t screenValue = 0;

 protected:
  APIContext* m_context;

 private:
  void ForgetHovered();

  std::vector<std::unique_ptr<GUIElement>> m_elements;
  std::vector<bool> m_visible;
  GUIElement* m_hovered = nullptr;
  std::weak_ptr<const int> m_hoveredAlive;
  GUIFadeRecord* m_hoveredRecord = nullptr;
  double m_fadeIn = 0.0;
  double m_fadeOut = 0.0;
  std::vector<std::unique_ptr<GUIFadeRecord>> m_fades;
};
