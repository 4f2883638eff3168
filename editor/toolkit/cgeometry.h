// Geometry, colour and mouse-state types of the toolkit (VSTGUI names and conventions).
#pragma once

#include <algorithm>
#include <cstdint>

namespace VSTGUI {

using CCoord = double;

struct CPoint {
    CCoord h = 0, v = 0;
    CPoint() = default;
    CPoint(CCoord x, CCoord y) : h(x), v(y) {}
    CPoint& offset(CCoord dx, CCoord dy) {
        h += dx;
        v += dy;
        return *this;
    }
    bool operator==(const CPoint& o) const { return h == o.h && v == o.v; }
    bool operator!=(const CPoint& o) const { return !(*this == o); }
};

struct CRect {
    CCoord left = 0, top = 0, right = 0, bottom = 0;
    CRect() = default;
    CRect(CCoord l, CCoord t, CCoord r, CCoord b) : left(l), top(t), right(r), bottom(b) {}
    CCoord getWidth() const { return right - left; }
    CCoord getHeight() const { return bottom - top; }
    CRect& setWidth(CCoord w) {
        right = left + w;
        return *this;
    }
    CRect& setHeight(CCoord h) {
        bottom = top + h;
        return *this;
    }
    CPoint getTopLeft() const { return CPoint(left, top); }
    CRect& offset(CCoord dx, CCoord dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
        return *this;
    }
    CRect& moveTo(CCoord x, CCoord y) { return offset(x - left, y - top); }
    bool isEmpty() const { return right <= left || bottom <= top; }
    // Half-open: a point on the right or bottom edge is outside.
    bool pointInside(const CPoint& p) const { return p.h >= left && p.h < right && p.v >= top && p.v < bottom; }
    bool rectOverlap(const CRect& r) const {
        return r.left < right && r.right > left && r.top < bottom && r.bottom > top;
    }
    CRect& bound(const CRect& r) {
        left = std::max(left, r.left);
        top = std::max(top, r.top);
        right = std::min(right, r.right);
        bottom = std::min(bottom, r.bottom);
        if (right < left) right = left;
        if (bottom < top) bottom = top;
        return *this;
    }
    CRect& unite(const CRect& r) {
        if (isEmpty()) return *this = r;
        if (r.isEmpty()) return *this;
        left = std::min(left, r.left);
        top = std::min(top, r.top);
        right = std::max(right, r.right);
        bottom = std::max(bottom, r.bottom);
        return *this;
    }
    bool operator==(const CRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const CRect& o) const { return !(*this == o); }
};

struct CColor {
    uint8_t red = 0, green = 0, blue = 0, alpha = 255;
};
inline CColor MakeCColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) { return CColor{r, g, b, a}; }

// Mouse button and modifier bits, as VSTGUI numbers them.
enum CButton : int32_t {
    kLButton = 1 << 1,
    kMButton = 1 << 2,
    kRButton = 1 << 3,
    kShift = 1 << 4,
    kControl = 1 << 5,
    kAlt = 1 << 6,
    kApple = 1 << 7,
    kButton4 = 1 << 8,
    kButton5 = 1 << 9,
    kDoubleClick = 1 << 10,
};
constexpr int32_t kMouseButtonMask = kLButton | kMButton | kRButton | kButton4 | kButton5;
using CButtonState = int32_t;

enum CMouseEventResult {
    kMouseEventNotImplemented = 0,
    kMouseEventHandled,
    kMouseEventNotHandled,
    kMouseDownEventHandledButDontNeedMovedOrUpEvents,
};

// Knob modes (VSTGUI numbering).
enum { kCircularMode = 0, kRelativCircularMode, kLinearMode };

// Style bits of sliders, rockers and text views.
enum {
    kHorizontal = 1 << 0,
    kVertical = 1 << 1,
    kLeft = 1 << 2,
    kRight = 1 << 3,
    kTop = 1 << 5,
    kBottom = 1 << 6,
};

enum CHoriTxtAlign { kLeftText = 0, kCenterText, kRightText };

}  // namespace VSTGUI
