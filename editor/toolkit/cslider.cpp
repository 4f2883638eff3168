#include "cslider.h"

#include "cbitmap.h"

namespace VSTGUI {

CSlider::CSlider(const CRect& size, CControlListener* listener, int32_t tag, const CPoint& offsetHandle,
                 int32_t rangeHandle, CBitmap* handleBitmap, CBitmap* background, const CPoint& offset, int32_t style)
    : CControl(size, listener, tag, background),
      offset(offset),
      offsetHandle(offsetHandle),
      rangeHandle(rangeHandle),
      style(style) {
    setHandle(handleBitmap);
}

CSlider::CSlider(const CSlider& other)
    : CControl(other),
      offset(other.offset),
      offsetHandle(other.offsetHandle),
      rangeHandle(other.rangeHandle),
      style(other.style) {
    setHandle(other.handle);
}

CSlider::~CSlider() {
    if (handle) handle->forget();
}

void CSlider::setHandle(CBitmap* bitmap) {
    if (bitmap) bitmap->remember();
    if (handle) handle->forget();
    handle = bitmap;
    handleWidth = handle ? handle->getWidth() : 0;
    handleHeight = handle ? handle->getHeight() : 0;
    setDirty(true);
}

CCoord CSlider::travel() const {
    CCoord t = rangeHandle - (isVertical() ? handleHeight : handleWidth);
    return t > 0 ? t : 0;
}

CRect CSlider::getHandleRect() const {
    CCoord n = getValueNormalized();
    if (minAtFarEnd()) n = 1 - n;
    CCoord pos = static_cast<CCoord>(static_cast<int32_t>(n * travel()));
    CRect r(size.left + offsetHandle.h, size.top + offsetHandle.v, 0, 0);
    if (isVertical())
        r.top += pos;
    else
        r.left += pos;
    r.setWidth(handleWidth).setHeight(handleHeight);
    return r;
}

// pos: the handle's leading edge relative to its first position.
float CSlider::valueFromHandlePos(CCoord pos) const {
    CCoord t = travel();
    double n = t > 0 ? pos / t : 0.0;
    if (minAtFarEnd()) n = 1.0 - n;
    return static_cast<float>(vmin + n * getRange());
}

void CSlider::draw(CDrawContext* context) {
    if (background) background->draw(context, size, offset);
    if (handle) handle->draw(context, getHandleRect());
    setDirty(false);
}

// A press on the handle grabs it where it was hit; elsewhere the handle's centre jumps
// to the pointer.
CMouseEventResult CSlider::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    CRect h = getHandleRect();
    if (isVertical())
        grabDelta = h.pointInside(where) ? where.v - h.top : handleHeight / 2;
    else
        grabDelta = h.pointInside(where) ? where.h - h.left : handleWidth / 2;
    beginEdit();
    return onMouseMoved(where, buttons);
}

CMouseEventResult CSlider::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventHandled;
    CCoord pos = isVertical() ? where.v - grabDelta - size.top - offsetHandle.v
                              : where.h - grabDelta - size.left - offsetHandle.h;
    value = valueFromHandlePos(pos);
    bounceValue();
    if (value != getOldValue()) valueChanged();
    if (isDirty()) invalid();
    return kMouseEventHandled;
}

CMouseEventResult CSlider::onMouseUp(CPoint&, const CButtonState&) {
    endEdit();
    return kMouseEventHandled;
}

bool CSlider::onWheel(const CPoint&, float distance, const CButtonState& buttons) {
    stepByWheel(distance, buttons);
    return true;
}

CVerticalSlider::CVerticalSlider(const CRect& size, CControlListener* listener, int32_t tag, const CPoint& offsetHandle,
                                 int32_t rangeHandle, CBitmap* handle, CBitmap* background, const CPoint& offset,
                                 int32_t style)
    : CSlider(size, listener, tag, offsetHandle, rangeHandle, handle, background, offset, style | kVertical) {}

}  // namespace VSTGUI
