// GUI elements: the child tree, hit tests, handler calls and the docked layout.
#include "engine/guielement.h"

#include <algorithm>

#include "engine/apigraphics.h"
#include "engine/guidrawklasse.h"
#include "platform/numeric.h"

GUIElement::GUIElement(const GUIElementId& id, const GUIRect& rect, const Rect& extra,
                       const GUIBehaviour& behaviour, const GUIAnchor* anchor, int32_t outerSides,
                       int32_t outerThickness, int32_t innerSides, int32_t innerThickness,
                       APIGraphics* graphics)
    : m_graphics(graphics),
      m_id(id),
      m_rect(rect),
      m_wanted(rect),
      m_extra(extra),
      m_outerSides(outerSides),
      m_outerThickness(outerThickness),
      m_behaviour(behaviour) {
  if (anchor) m_anchor = *anchor;
  SetInnerBorder(innerSides, innerThickness);
}

GUIElement::~GUIElement() {
  while (!m_children.empty()) m_children.pop_back();
}

void GUIElement::SetInnerBorder(int32_t sides, int32_t thickness) {
  m_innerSides = sides;
  m_innerThickness = thickness;
  auto inset = [&](int32_t side) {
    return ((m_outerSides & side) ? m_outerThickness : 0) + ((m_innerSides & side) ? m_innerThickness : 0);
  };
  m_insetLeft = inset(kBorderLeft);
  m_insetRight = inset(kBorderRight);
  m_insetTop = inset(kBorderTop);
  m_insetBottom = inset(kBorderBottom);
  Layout();
}

bool GUIElement::AddChild(GUIElement* child) {
  if (!child) return false;
  m_children.emplace_back(child);
  child->m_parent = this;
  child->MoveBy(m_rect.x, m_rect.y);
  Layout();
  return true;
}

bool GUIElement::RemoveChild(GUIElement* child) {
  for (size_t i = m_children.size(); i-- > 0;) {
    if (m_children[i].get() == child) {
      m_children[i].release();
      m_children.erase(m_children.begin() + ptrdiff_t(i));
      // A removed element that kept its parent would lay out (or read) an element it no
      // longer belongs to, which may be deleted by then.
      child->m_parent = nullptr;
      Layout();
      return true;
    }
    if (m_children[i]->RemoveChild(child)) return true;
  }
  return false;
}

void GUIElement::SetPosition(int32_t x, int32_t y) {
  int32_t dx = x - m_rect.x, dy = y - m_rect.y;
  m_rect.x = x;
  m_rect.y = y;
  m_wanted = m_rect;
  for (auto& child : m_children) child->MoveBy(dx, dy);
  if (m_parent) m_parent->Layout();
}

void GUIElement::MoveBy(int32_t dx, int32_t dy) {
  m_rect.x += dx;
  m_rect.y += dy;
  for (auto& child : m_children) child->MoveBy(dx, dy);
}

GUIElement* GUIElement::HitTest(int32_t x, int32_t y) {
  int32_t dx = x - m_rect.x, dy = y - m_rect.y;
  if (dx < 0 || dx >= m_rect.width || dy < 0 || dy >= m_rect.height || !m_behaviour.enabled) return nullptr;
  GUIElement* result = m_behaviour.hoverable ? this : nullptr;
  if (m_behaviour.intoChildren)
    for (size_t i = m_children.size(); i-- > 0;)
      if (GUIElement* hit = m_children[i]->HitTest(x, y)) return hit;
  return result;
}

void GUIElement::CallHandler() {
  if (m_behaviour.hoverable && m_behaviour.handlerObject && m_behaviour.handler)
    (m_behaviour.handlerObject->*m_behaviour.handler)(this, &m_rect, &m_extra);
  if (m_behaviour.intoChildren)
    for (auto& child : m_children) child->CallHandler();
}

void GUIElement::ComputeBorderRects() {
  const int32_t x = m_rect.x, y = m_rect.y, w = m_rect.width, h = m_rect.height;
  const int32_t s1 = m_outerThickness, s2 = m_innerThickness;
  m_outerBorder.sides = m_outerSides;
  m_outerBorder.top = {x, y, x + w, y + s1};
  m_outerBorder.left = {x, y, x + s1, y + h};
  m_outerBorder.bottom = {x, y + h - s1, x + w, y + h};
  m_outerBorder.right = {x + w - s1, y, x + w, y + h};
  // The inner layer lies inside the outer one on the sides that have both, else at the edge.
  m_innerBorder.sides = m_innerSides;
  m_innerBorder.top =
      (m_outerSides & kBorderTop) ? Rect{x, y + s1, x + w, y + s1 + s2} : Rect{x, y, x + w, y + s2};
  m_innerBorder.left =
      (m_outerSides & kBorderLeft) ? Rect{x + s1, y, x + s1 + s2, y + h} : Rect{x, y, x + s2, y + h};
  m_innerBorder.bottom = (m_outerSides & kBorderBottom) ? Rect{x, y + h - (s1 + s2), x + w, y + h - s1}
                                                        : Rect{x, y + h - s2, x + w, y + h};
  m_innerBorder.right = (m_outerSides & kBorderRight) ? Rect{x + w - (s1 + s2), y, x + w - s1, y + h}
                                                      : Rect{x + w - s2, y, x + w, y + h};
}

void GUIElement::PlaceOnScreen() {
  APIGraphics* graphics = m_graphics ? m_graphics : APIGraphics::Get();
  const int32_t W = int32_t(graphics->GetScreenWidth()), H = int32_t(graphics->GetScreenHeight());
  const GUIRect& wanted = m_wanted;
  const int32_t mode = m_anchor.mode;
  if (mode == kAnchorAbsolute) {
    m_rect.x = wanted.x >= 0 ? wanted.x : W - (wanted.width - wanted.x);
    m_rect.y = wanted.y >= 0 ? wanted.y : H - (wanted.height - wanted.y);
  }
  if (mode == kCentreAcross || mode == kCentreBoth) {
    int32_t w = std::min(W, wanted.width);
    int32_t x = platform::TruncToInt(double(W) * m_anchor.fx - double(w / 2));
    m_rect.width = w;
    m_rect.x = std::max(std::min(x, W - w), 0);
  }
  if (mode == kCentreDown || mode == kCentreBoth) {
    int32_t h = std::min(H, wanted.height);
    int32_t y = platform::TruncToInt(double(H) * m_anchor.fy - double(h / 2));
    m_rect.height = h;
    m_rect.y = std::max(std::min(y, H - h), 0);
  }
}

void GUIElement::Layout() {
  ComputeBorderRects();
  // The content area is taken before a top-level element is placed, as the screens expect:
  // the children follow a moved element from its next layout on.
  int32_t L = m_rect.x + m_insetLeft, T = m_rect.y + m_insetTop;
  int32_t R = m_rect.x + m_rect.width - m_insetRight, B = m_rect.y + m_rect.height - m_insetBottom;
  if (!m_parent) PlaceOnScreen();

  for (auto& child : m_children) {
    const GUIRect& wanted = child->m_wanted;
    GUIRect& r = child->m_rect;
    switch (child->m_anchor.mode) {
      case kDockTop:
        r = {L, T, R - L, std::min(wanted.height, B - T)};
        T += r.height;
        break;
      case kDockBottom: {
        int32_t height = std::min(wanted.height, B - T);
        r = {L, B - height, R - L, height};
        B -= height;
        break;
      }
      case kDockLeft:
        r = {L, T, std::min(wanted.width, R - L), B - T};
        L += r.width;
        break;
      case kDockRight: {
        int32_t width = std::min(wanted.width, R - L);
        r = {R - width, T, width, B - T};
        R -= width;
        break;
      }
      default:
        break;
    }
  }

  // Placement at the wanted offset, counted from the near edge of the area (widened by the
  // inset) or, for a negative offset, from its far edge (narrowed by the inset).
  auto absoluteX = [&](GUIRect& r, const GUIRect& wanted) {
    r.x = wanted.x >= 0 ? L - m_insetLeft + wanted.x : R - m_insetRight + (wanted.x - wanted.width);
    r.width = std::min(wanted.width, (R - m_insetRight) - r.x);
  };
  auto absoluteY = [&](GUIRect& r, const GUIRect& wanted) {
    r.y = wanted.y >= 0 ? T - m_insetTop + wanted.y : B - m_insetBottom + (wanted.y - wanted.height);
    r.height = std::min(wanted.height, (B - m_insetBottom) - r.y);
  };
  auto centreX = [&](GUIRect& r, const GUIRect& wanted, double fx) {
    r.width = std::min(wanted.width, R - L);
    int32_t x = platform::TruncToInt(double(L) + double(R - L) * fx - double(r.width / 2));
    r.x = std::max(std::min(x, R - r.width), L);
  };
  auto centreY = [&](GUIRect& r, const GUIRect& wanted, double fy) {
    r.height = std::min(wanted.height, B - T);
    int32_t y = platform::TruncToInt(double(T) + double(B - T) * fy - double(r.height / 2));
    r.y = std::max(std::min(y, B - r.height), T);
  };
  for (auto& child : m_children) {
    const GUIRect& wanted = child->m_wanted;
    const GUIAnchor& anchor = child->m_anchor;
    GUIRect& r = child->m_rect;
    switch (anchor.mode) {
      case kAnchorAbsolute:
        absoluteX(r, wanted);
        absoluteY(r, wanted);
        break;
      case kAnchorFill:
        r = {L, T, R - L, B - T};
        R = L;
        B = T;
        break;
      case kCentreAcross:
        centreX(r, wanted, anchor.fx);
        absoluteY(r, wanted);
        break;
      case kCentreDown:
        absoluteX(r, wanted);
        centreY(r, wanted, anchor.fy);
        break;
      case kCentreBoth:
        centreX(r, wanted, anchor.fx);
        centreY(r, wanted, anchor.fy);
        break;
      default:
        break;
    }
  }

  for (auto& child : m_children) child->Layout();
}
