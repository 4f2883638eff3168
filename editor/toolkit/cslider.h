// CSlider: a handle bitmap moved along a track; CVerticalSlider: the vertical kind.
#pragma once

#include "ccontrol.h"

namespace VSTGUI {

class CSlider : public CControl {
public:
    // The handle starts at offsetHandle inside the control and travels over rangeHandle
    // pixels minus its own length. Style: kHorizontal or kVertical, with kLeft/kRight or
    // kTop/kBottom naming the end where the value is minimal.
    CSlider(const CRect& size, CControlListener* listener, int32_t tag, const CPoint& offsetHandle, int32_t rangeHandle,
            CBitmap* handle, CBitmap* background, const CPoint& offset = CPoint(0, 0),
            int32_t style = kLeft | kHorizontal);
    CSlider(const CSlider& other);
    ~CSlider() override;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    bool onWheel(const CPoint& where, float distance, const CButtonState& buttons) override;

    void setHandle(CBitmap* handle);
    CBitmap* getHandle() const { return handle; }
    int32_t getStyle() const { return style; }
    // The handle's rectangle for the current value, in the control's parent coordinates.
    CRect getHandleRect() const;

    CLASS_METHODS(CSlider, CControl)

protected:
    bool isVertical() const { return (style & kVertical) != 0; }
    bool minAtFarEnd() const { return (style & (kBottom | kRight)) != 0; }
    CCoord travel() const;
    float valueFromHandlePos(CCoord pos) const;

    CPoint offset, offsetHandle;
    int32_t rangeHandle;
    int32_t style;
    CBitmap* handle = nullptr;
    CCoord handleWidth = 0, handleHeight = 0;
    CCoord grabDelta = 0;  // pointer position within the handle while dragging
};

class CVerticalSlider : public CSlider {
public:
    CVerticalSlider(const CRect& size, CControlListener* listener, int32_t tag, const CPoint& offsetHandle,
                    int32_t rangeHandle, CBitmap* handle, CBitmap* background, const CPoint& offset = CPoint(0, 0),
                    int32_t style = kBottom);
    CVerticalSlider(const CVerticalSlider& other) = default;

    CLASS_METHODS(CVerticalSlider, CSlider)
};

}  // namespace VSTGUI
