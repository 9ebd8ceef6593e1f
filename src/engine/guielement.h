// One rectangle of a screen: an id and text, a tree of owned child elements, a placement
// rule (an anchor on the screen or docking inside its parent), up to two layers of border,
// and a handler the screen's hooks serve. The screens draw their elements themselves from
// the rectangles this keeps.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"

class APIGraphics;
class GUIDrawKlasse;
class GUIElement;

struct GUIElementId {
  std::u16string name;
  std::u16string text;
  int32_t id = 0;
  // Two values the screens keep with the element.
  int32_t value1 = 0;
  int32_t value2 = 0;

  GUIElementId() = default;
  // Null texts give empty ones.
  GUIElementId(const char16_t* name, const char16_t* text, int32_t id = 0, int32_t value1 = 0,
               int32_t value2 = 0)
      : name(name ? name : u""), text(text ? text : u""), id(id), value1(value1), value2(value2) {}
};

enum GUIAnchorMode : int32_t {
  kAnchorAbsolute = 0,  // at the wanted place; a negative x or y counts from the far edge
  kDockTop = 1,
  kDockBottom = 2,
  kDockLeft = 3,
  kDockRight = 4,
  kAnchorFill = 5,
  kCentreAcross = 6,
  kCentreDown = 7,
  kCentreBoth = 8,
};

// Where an element goes: its mode, and for the centring modes the fractions of the
// available width and height at which its centre is placed.
struct GUIAnchor {
  int32_t mode = kAnchorAbsolute;
  double fx = 0.5;
  double fy = 0.5;
};

struct GUIRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;

  Rect ToCorners() const { return {x, y, x + width, y + height}; }
  bool operator==(const GUIRect& o) const {
    return x == o.x && y == o.y && width == o.width && height == o.height;
  }
};

enum GUIBorderSide : int32_t { kBorderLeft = 1, kBorderRight = 2, kBorderTop = 4, kBorderBottom = 8 };

// One border layer's rectangles, with the sides the layer has.
struct GUIBorderRects {
  int32_t sides = 0;
  Rect top;
  Rect left;
  Rect bottom;
  Rect right;
};

// A screen hook that serves elements: called with the element, its rectangle and its extra
// rectangle.
using GUIHandler = void (GUIDrawKlasse::*)(GUIElement* element, const GUIRect* rect, const Rect* extra);

struct GUIBehaviour {
  bool hoverable = true;     // can be the element under the mouse
  bool enabled = true;       // it and its children take part in hit tests
  bool intoChildren = true;  // hit tests and handler calls go on into the children
  double fadeIn = -1.0;      // seconds; 0 or less: at once
  double fadeOut = -1.0;
  GUIDrawKlasse* handlerObject = nullptr;
  GUIHandler handler = nullptr;
};

class GUIElement {
 public:
  // Rectangle and wanted rectangle both start as `rect`; the inner border is set last, which
  // lays the element out. Without a graphics manager the process-wide one gives the screen
  // size when a top-level element is placed.
  GUIElement(const GUIElementId& id, const GUIRect& rect, const Rect& extra = {},
             const GUIBehaviour& behaviour = {}, const GUIAnchor* anchor = nullptr, int32_t outerSides = 0,
             int32_t outerThickness = 0, int32_t innerSides = 0, int32_t innerThickness = 0,
             APIGraphics* graphics = nullptr);
  // Deletes the children, the last one first.
  ~GUIElement();
  GUIElement(const GUIElement&) = delete;
  GUIElement& operator=(const GUIElement&) = delete;

  // Stores the inner border, recomputes the insets and lays the element out.
  void SetInnerBorder(int32_t sides, int32_t thickness);
  // Takes ownership of the child, moves it (with its subtree) by this element's position
  // and lays this element out. False for a null child.
  bool AddChild(GUIElement* child);
  // Takes the child out of this subtree (searching each list from its last entry) without
  // deleting it; the caller owns it again and it has no parent any more. The element that
  // lost it is laid out again.
  bool RemoveChild(GUIElement* child);
  // Moves the element to (x, y) and makes that its wanted place; children move along; the
  // parent is laid out again.
  void SetPosition(int32_t x, int32_t y);
  void MoveBy(int32_t dx, int32_t dy);
  // The element under (x, y): the deepest hoverable one of this subtree, the children
  // tried from the last; null when none.
  GUIElement* HitTest(int32_t x, int32_t y);
  // The handler of this element (when hoverable), then of every child in order.
  void CallHandler();
  // Border rectangles, then the element's own place on the screen (top-level only), then
  // the children: docked ones first, the rest in the area left over, then each child's own
  // layout.
  void Layout();

  const GUIElementId& GetId() const { return m_id; }
  GUIElement* GetParent() const { return m_parent; }
  size_t GetChildCount() const { return m_children.size(); }
  GUIElement* GetChild(size_t index) const {
    return index < m_children.size() ? m_children[index].get() : nullptr;
  }
  const GUIRect& GetRect() const { return m_rect; }
  const GUIRect& GetWantedRect() const { return m_wanted; }
  const Rect& GetExtraRect() const { return m_extra; }
  const GUIAnchor& GetAnchor() const { return m_anchor; }
  GUIBehaviour& GetBehaviour() { return m_behaviour; }
  const GUIBehaviour& GetBehaviour() const { return m_behaviour; }
  int32_t GetInsetLeft() const { return m_insetLeft; }
  int32_t GetInsetRight() const { return m_insetRight; }
  int32_t GetInsetTop() const { return m_insetTop; }
  int32_t GetInsetBottom() const { return m_insetBottom; }
  const GUIBorderRects& GetOuterBorder() const { return m_outerBorder; }
  const GUIBorderRects& GetInnerBorder() const { return m_innerBorder; }

  // Expires when the element is deleted, so records that name it can tell.
  std::weak_ptr<const int> LifeToken() const { return m_alive; }

 private:
  void ComputeBorderRects();
  void PlaceOnScreen();

  APIGraphics* m_graphics;
  GUIElementId m_id;
  GUIElement* m_parent = nullptr;
  std::vector<std::unique_ptr<GUIElement>> m_children;
  GUIRect m_rect;
  GUIRect m_wanted;
  Rect m_extra;
  GUIAnchor m_anchor;
  int32_t m_outerSides = 0;
  int32_t m_outerThickness = 0;
  int32_t m_innerSides = 0;
  int32_t m_innerThickness = 0;
  GUIBehaviour m_behaviour;
  int32_t m_insetLeft = 0;
  int32_t m_insetRight = 0;
  int32_t m_insetTop = 0;
  int32_t m_insetBottom = 0;
  GUIBorderRects m_outerBorder;
  GUIBorderRects m_innerBorder;
  std::shared_ptr<const int> m_alive = std::make_shared<const int>(0);
};
